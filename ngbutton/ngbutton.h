// Graphic buttons: the button table, the picture cache, definition and
// drawing of a button's two looks, the corner label and picture placing.
#pragma once

#include "ngbutton/ng_bottone.h"
#include "surface/surface.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t NG_MAX_BOTTONE = 10000; // last index of the button table
constexpr int32_t NG_MAX_IMMAGINE = 1000; // last button index of the picture cache

// Button table, indexed by control id (0..10000 once created).
extern std::vector<NG_BOTTONE> NG_BOTTONI;
// Picture cache: one snapshot per button index (0..1000) and state (0, 1).
extern std::vector<std::array<std::string, 2>> NG_IMMAGINI;

// Creates both tables zeroed / empty (start-up).
void NG_CREA_TABELLE();

// Creates the graphic control for a filled record and paints it twice, so
// that it rests in the state it was given.
void NG_DEF_B(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              NG_BOTTONE& record);
// Flips `stato` and paints the look of the new state.
void NG_DISEG(const surface::Handle& dialog, const int32_t& background_id, const int32_t& id,
              NG_BOTTONE& record);
// Loads a picture into a control and applies a colour effect to it.
void NG_METTI_COL(const surface::Handle& dialog, const int32_t& id, const std::string& file,
                  const std::string& effect, const int32_t& mode, const int32_t& background);
void NG_METTI(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const std::string& effect, const int32_t& mode);
// Draws the record's corner label on the control.
void NG_SOPRA(const surface::Handle& dialog, const int32_t& id, const NG_BOTTONE& record);

// Caption layout on the current target; `snapshot` is the face before text.
void NG_GRAPH(const std::string& caption, const NG_BOTTONE& record, const std::string& snapshot);
void NG_GIUST(const std::string& text, const NG_BOTTONE& record, const std::string& snapshot);
