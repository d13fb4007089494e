// Placed pixels kept between runs: a start with the same picture, the same
// window size and the same program reads back the background as it was
// placed last time instead of decoding and placing the picture again.
//
// One file per picture path and window size, in the user's cache folder;
// those of a picture as it no longer is go when it is kept again, and the
// folder keeps to a budget, the files used least recently going first. A file
// holds what its pixels were made from (this program's and its libraries'
// files, the picture file's identity, the placing) and a checksum of them;
// it is used only when every one of those matches, and replaced whole
// (written aside, then renamed over), so a reader never sees it
// half-written.
#pragma once

#include "imaging/placed_ahead.h"

#include <QImage>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace placed_ahead {

class Cache {
  public:
    // The cache in `folder` (created when first written); an empty folder
    // keeps nothing. The folder holds at most `budget` bytes: when a file is
    // written, those read or written least recently go first.
    explicit Cache(std::string folder, std::uintmax_t budget = kDefaultBudget);
    static constexpr std::uintmax_t kDefaultBudget = std::uintmax_t(64) << 20;
    // $XDG_CACHE_HOME/resistenze, or ~/.cache/resistenze; empty when the
    // environment names neither.
    static std::string default_folder();

    // Whether pixels of the picture at `path`, as `stamp` describes it, are
    // kept (for some placing).
    bool holds(const std::string& path, const FileStamp& stamp) const;
    // The pixels kept for exactly `placing` of the file as `stamp`
    // describes it; null when there are none, or they fail their checksum.
    QImage read(const Placing& placing, const FileStamp& stamp) const;
    // Keeps `pixels` (RGB32, the placing's size) for `placing` of the file
    // as `stamp` describes it, in place of what was kept for that path.
    // Best effort: nothing is kept when the folder cannot be written, or
    // once `cancel` is set.
    void write(const Placing& placing, const FileStamp& stamp, const QImage& pixels,
               const std::atomic<bool>& cancel) const;

  private:
    // Files are named after the picture's path and the placing's size.
    std::string prefix_for(const std::string& path) const;
    std::string file_for(const Placing& placing) const;
    std::vector<std::string> files_of(const std::string& path) const;
    // After `written` is kept: removes files left half-written, those of the
    // same picture (`prefix`) whose header does not begin with `current`,
    // and, beyond the budget, those used least recently.
    void tidy(const std::string& written, const std::string& prefix,
              const std::string& current) const;
    std::string folder_;
    std::uintmax_t budget_;
};

} // namespace placed_ahead
