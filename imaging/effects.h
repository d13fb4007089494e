// Named colour effects on pixel snapshots.
#pragma once

#include <string>

// Applies the named effect to `snapshot` in place and returns a copy of the
// result. An empty or unknown name, or a snapshot shorter than its header
// promises, leaves it unchanged.
std::string NG_LI_EF(std::string& snapshot, const std::string& name, const float& livello);

// The same in place, for callers that have no use for the copy.
void apply_effect(std::string& snapshot, const std::string& name, float livello);

// True when the name (leading and trailing blanks aside, any case) selects
// one of the effects. For "" and names that select none, NG_LI_EF returns
// the snapshot unchanged, so callers may skip the snapshot round trip.
bool effect_known(const std::string& name);

// True when the name selects the effect that draws on the shared random
// generator, which belongs to the main thread.
bool effect_draws_random(const std::string& name);
