// Placed pixels kept between runs.
//
// A file: a 4-byte little-endian header length, the header (text: what the
// pixels were made from), zeros up to a multiple of 64 bytes, the pixels as
// RGB32 rows, and an 8-byte checksum of them.
#include "imaging/placed_cache.h"

#include "surface/surface.h"

#include <QGuiApplication>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace placed_ahead {

namespace {

constexpr std::string_view kMagic = "resistenze placed pixels 1\n";
constexpr std::size_t kAlign = 64;
constexpr int kRowsPerCheck = 64; // rows written between looks at `cancel`
constexpr const char* kSuffix = ".placed";
constexpr const char* kTemporary = ".placed-"; // a file being written
// A file being written for longer than this was left by a run that ended.
constexpr auto kLeftBehind = std::chrono::hours(1);

std::string stamp_text(const FileStamp& s) {
    char text[96];
    std::snprintf(text, sizeof text, "%lld:%lld:%lld:%lld", (long long)s.device, (long long)s.inode,
                  (long long)s.size, (long long)s.modified_ns);
    return text;
}

// The file that holds the code at `address`; none when it cannot be told.
FileStamp code_file(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return stamp_of(info.dli_fname);
}

// This program and the libraries that decode and place pictures: pixels
// made by another build of any of them are not used. Empty when one of them
// cannot be told (a program replaced while it runs): then nothing is kept.
const std::string& makers() {
    static std::once_flag once;
    static std::string text;
    std::call_once(once, [] {
        const FileStamp program = stamp_of("/proc/self/exe");
        const FileStamp jpeg = code_file(reinterpret_cast<const void*>(&jpeg_std_error));
        const FileStamp qt =
            code_file(reinterpret_cast<const void*>(&QGuiApplication::platformName));
        if (!program.valid || !jpeg.valid || !qt.valid) return;
        text = "program " + stamp_text(program) + "\njpeg " + stamp_text(jpeg) + "\nqt " +
               qVersion() + " " + stamp_text(qt) + "\n";
    });
    return text;
}

std::string header_of_file(const std::string& path, const FileStamp& stamp) {
    std::string h(kMagic);
    h += makers();
    h += "picture " + std::to_string(path.size()) + " " + path + "\n";
    h += "file " + stamp_text(stamp) + "\n";
    return h;
}

std::string header_of(const Placing& p, const FileStamp& stamp) {
    std::string h = header_of_file(p.path, stamp);
    h += "area " + std::to_string(p.area.w) + "x" + std::to_string(p.area.h) + "\n";
    h += "mode " + std::to_string(p.mode) + "\nbackground " + std::to_string(p.background) + "\n";
    return h;
}

std::size_t pixels_offset(const std::string& header) {
    return (4 + header.size() + kAlign - 1) / kAlign * kAlign;
}

// The pixels' checksum: four FNV-1a lanes over 32-bit words taken in turn,
// so that the multiplications do not wait on one another.
struct Checksum {
    uint64_t lanes[4] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull, 0x9ce484222325cbf2ull,
                         0x2325cbf29ce48422ull};
    void add(const unsigned char* bytes, std::size_t n) {
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16)
            for (std::size_t k = 0; k < 4; ++k) {
                uint32_t word;
                std::memcpy(&word, bytes + i + 4 * k, 4);
                lanes[k] = (lanes[k] ^ word) * 0x100000001b3ull;
            }
        for (std::size_t k = 0; i + 4 <= n; i += 4, ++k) {
            uint32_t word;
            std::memcpy(&word, bytes + i, 4);
            lanes[k] = (lanes[k] ^ word) * 0x100000001b3ull;
        }
    }
    uint64_t value() const {
        return lanes[0] ^ (lanes[1] << 1) ^ (lanes[2] << 2) ^ (lanes[3] << 3);
    }
};

// Whether the header of the file open as `fd` is `expected` (`whole`), or
// begins with it.
bool header_starts_with(int fd, const std::string& expected, bool whole) {
    unsigned char size[4];
    if (pread(fd, size, 4, 0) != 4) return false;
    const uint32_t length = uint32_t(size[0]) | uint32_t(size[1]) << 8 | uint32_t(size[2]) << 16 |
                            uint32_t(size[3]) << 24;
    if (whole ? length != expected.size() : length < expected.size()) return false;
    std::string found(expected.size(), '\0');
    return pread(fd, found.data(), found.size(), 4) == ssize_t(found.size()) && found == expected;
}

// The same of the file at `file`.
bool file_begins_with(const std::string& file, const std::string& expected) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool found = header_starts_with(fd, expected, false);
    close(fd);
    return found;
}

bool write_all(int fd, const void* data, std::size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t written = ::write(fd, p, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        p += written;
        n -= std::size_t(written);
    }
    return true;
}

bool read_all(int fd, void* data, std::size_t n, std::size_t at) {
    auto* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t got = pread(fd, p, n, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        at += std::size_t(got);
        n -= std::size_t(got);
    }
    return true;
}

} // namespace

Cache::Cache(std::string folder, std::uintmax_t budget)
    : folder_(makers().empty() ? std::string() : std::move(folder)), budget_(budget) {}

std::string Cache::default_folder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/resistenze";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/resistenze";
    return {};
}

std::string Cache::prefix_for(const std::string& path) const {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : path) h = (h ^ c) * 0x100000001b3ull;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx-", (unsigned long long)h);
    return name;
}

std::string Cache::file_for(const Placing& placing) const {
    return folder_ + "/" + prefix_for(placing.path) + std::to_string(placing.area.w) + "x" +
           std::to_string(placing.area.h) + kSuffix;
}

std::vector<std::string> Cache::files_of(const std::string& path) const {
    std::vector<std::string> files;
    const std::string prefix = prefix_for(path);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(kSuffix)) files.push_back(entry.path());
    }
    return files;
}

bool Cache::holds(const std::string& path, const FileStamp& stamp) const {
    if (folder_.empty() || !stamp.valid) return false;
    const std::string header = header_of_file(path, stamp);
    for (const std::string& file : files_of(path))
        if (file_begins_with(file, header)) return true;
    return false;
}

QImage Cache::read(const Placing& placing, const FileStamp& stamp) const {
    if (folder_.empty() || !stamp.valid || placing.area.w <= 0 || placing.area.h <= 0) return {};
    const std::string header = header_of(placing, stamp);
    const std::size_t offset = pixels_offset(header);
    const std::size_t pixel_bytes = std::size_t(placing.area.w) * std::size_t(placing.area.h) * 4;
    const std::string file = file_for(placing);
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    // Read into memory of the program's own, not mapped: the file may be
    // rewritten or cut short while the pixels are on the screen.
    struct stat st {};
    QImage pixels;
    uint64_t stored = 0;
    if (fstat(fd, &st) == 0 && std::size_t(st.st_size) == offset + pixel_bytes + 8 &&
        header_starts_with(fd, header, true))
        pixels = surface::new_image(placing.area.w, placing.area.h);
    const bool whole = !pixels.isNull() && pixels.bytesPerLine() == qsizetype(placing.area.w) * 4 &&
                       read_all(fd, pixels.bits(), pixel_bytes, offset) &&
                       read_all(fd, &stored, 8, offset + pixel_bytes);
    close(fd);
    if (!whole) return {};
    Checksum sum;
    sum.add(pixels.constBits(), pixel_bytes);
    if (stored != sum.value()) return {};
    // Marked as used now, so that keeping to the budget spares it.
    utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
    return pixels;
}

void Cache::write(const Placing& placing, const FileStamp& stamp, const QImage& pixels,
                  const std::atomic<bool>& cancel) const {
    if (folder_.empty() || !stamp.valid || pixels.format() != QImage::Format_RGB32 ||
        pixels.size() != QSize(placing.area.w, placing.area.h) ||
        pixels.bytesPerLine() != qsizetype(pixels.width()) * 4)
        return;
    // A window so large that its file alone would take the whole budget is
    // placed afresh every time.
    const std::string header = header_of(placing, stamp);
    const std::size_t all = std::size_t(pixels.width()) * 4 * std::size_t(pixels.height());
    if (pixels_offset(header) + all + 8 > budget_) return;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder_).parent_path(), error);
    if (mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) return;
    std::string temporary = folder_ + "/" + kTemporary + "XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return;

    std::string head(pixels_offset(header), '\0');
    const auto length = uint32_t(header.size());
    for (int i = 0; i < 4; ++i) head[std::size_t(i)] = char(length >> (8 * i));
    std::memcpy(head.data() + 4, header.data(), header.size());
    bool ok = write_all(fd, head.data(), head.size());
    // The rows follow one another in memory; every chunk but the last is a
    // whole number of the checksum's 16-byte steps.
    const std::size_t chunk = std::size_t(pixels.width()) * 4 * kRowsPerCheck;
    Checksum sum;
    for (std::size_t at = 0; ok && at < all; at += chunk) {
        const std::size_t n = std::min(chunk, all - at);
        sum.add(pixels.constBits() + at, n);
        ok = !cancel && write_all(fd, pixels.constBits() + at, n);
    }
    const uint64_t value = sum.value();
    ok = ok && write_all(fd, &value, 8);
    ok = close(fd) == 0 && ok;
    const std::string file = file_for(placing);
    if (!ok || std::rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return;
    }
    tidy(file, prefix_for(placing.path), header_of_file(placing.path, stamp));
}

void Cache::tidy(const std::string& written, const std::string& prefix,
                 const std::string& current) const {
    namespace fs = std::filesystem;
    struct Kept {
        fs::file_time_type used;
        std::uintmax_t size;
        fs::path path;
    };
    const fs::path mine = fs::path(written).filename();
    std::vector<Kept> kept;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        const std::string name = entry.path().filename().string();
        std::error_code time_error, size_error;
        const auto used = entry.last_write_time(time_error);
        if (time_error) continue;
        // Files left half-written by a run that ended go.
        if (name.starts_with(kTemporary)) {
            if (fs::file_time_type::clock::now() - used > kLeftBehind)
                fs::remove(entry.path(), time_error);
            continue;
        }
        if (!name.ends_with(kSuffix)) continue;
        // Other sizes of the same picture stay; what was kept of it as it was
        // before, or by another build, goes.
        if (entry.path().filename() != mine && name.starts_with(prefix) &&
            !file_begins_with(entry.path(), current)) {
            unlink(entry.path().c_str());
            continue;
        }
        Kept k{used, entry.file_size(size_error), entry.path()};
        if (!size_error) kept.push_back(std::move(k));
    }
    // Within the budget: the file just written first, then the others from
    // the last used.
    std::sort(kept.begin(), kept.end(), [&](const Kept& a, const Kept& b) {
        const bool a_mine = a.path.filename() == mine, b_mine = b.path.filename() == mine;
        if (a_mine != b_mine) return a_mine;
        if (a.used != b.used) return a.used > b.used;
        return a.path < b.path;
    });
    std::uintmax_t total = 0;
    for (const Kept& k : kept) {
        if (k.path.filename() != mine && total + k.size > budget_)
            unlink(k.path.c_str());
        else
            total += k.size;
    }
}

} // namespace placed_ahead
