// The see-through button face: the background under a button, its frame, the
// picture layer's non-key pixels and the state's effect.
#pragma once

#include "ngbutton/ng_bottone.h"
#include "surface/surface.h"

#include <cstdint>
#include <string>

// The button's control must be the current target; it is left in direct
// display. Returns the composed face.
std::string NG_MEM_S(const surface::Handle& dialog, const int32_t& background_id,
                     const std::string& picture, const int32_t& id, const NG_BOTTONE& record);

// The overlay pass: every pixel of `picture` that differs from its first
// pixel is copied onto `face`. Both are snapshots; nothing happens when their
// lengths differ or they hold no pixel.
void overlay_non_key(std::string& face, const std::string& picture);
