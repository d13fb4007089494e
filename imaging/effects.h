// Named colour effects on pixel snapshots.
#pragma once

#include <string>

// Applies the named effect to `snapshot` in place and returns a copy of the
// result. An empty or unknown name, or a snapshot shorter than its header
// promises, leaves it unchanged.
std::string NG_LI_EF(std::string& snapshot, const std::string& name, const float& livello);
