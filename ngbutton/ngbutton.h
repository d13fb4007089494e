// Graphic buttons: the button table, the picture cache, definition and
// drawing of a button's two looks, the corner label and picture placing.
#pragma once

#include "ngbutton/ng_bottone.h"
#include "ngbutton/shadowed_text.h"
#include "surface/surface.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

constexpr int32_t NG_MAX_BOTTONE = 10000; // last index of the button table
constexpr int32_t NG_MAX_IMMAGINE = 1000; // last button index of the picture cache

// The button table: records indexed by control id. Every record reads as
// zeroed until it is first used; it is made then and keeps its place for
// the run, so the few buttons in use are all that take memory.
class ButtonTable {
  public:
    // Records 0..count-1, all zeroed (earlier records are gone).
    void create(std::size_t count) {
        records_.clear();
        records_.resize(count);
    }
    std::size_t size() const { return records_.size(); }
    // The record at `i`, which must be below size().
    NG_BOTTONE& operator[](std::size_t i) {
        if (!records_[i]) records_[i] = std::make_unique<NG_BOTTONE>();
        return *records_[i];
    }

  private:
    std::vector<std::unique_ptr<NG_BOTTONE>> records_;
};

// Button table, indexed by control id (0..10000 once created).
extern ButtonTable NG_BOTTONI;
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
// Puts a picture file on a graphic control in placement mode 0..3 (other
// modes: no picture) over the background colour, with its name label.
void NG_CARIC(const surface::Handle& dialog, const int32_t& id, const std::string& file,
              const int32_t& modo, const int32_t& background);
// The name label NG_CARIC writes: the file argument up to its first full stop
// (folder part included), in Latin-1 capitals.
std::string picture_label(const std::string& file);
// Draws the record's corner label on the control.
void NG_SOPRA(const surface::Handle& dialog, const int32_t& id, const NG_BOTTONE& record);

// Caption layout on the current target; `snapshot` is the face before text.
void NG_GRAPH(const std::string& caption, const NG_BOTTONE& record, const std::string& snapshot);
void NG_GIUST(const std::string& text, const NG_BOTTONE& record, const std::string& snapshot);
