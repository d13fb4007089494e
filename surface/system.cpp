// System services: random numbers, local time, program folder, plain-file
// test and the 8-bit text-file reader.
#include "surface/surface.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Where an installed program's data folder lies: relative to the folder of
// the executable, and as the install prefix the build was configured with.
#ifndef RESISTENZE_DATA_FROM_BIN
#define RESISTENZE_DATA_FROM_BIN "../share/resistenze"
#endif
#ifndef RESISTENZE_DATA_DIR
#define RESISTENZE_DATA_DIR "/usr/local/share/resistenze"
#endif

namespace surface {

namespace {

uint32_t g_random_state = 0;

// The longest line the text reader hands out; the rest of a longer line is
// skipped, so a file that is one enormous line cannot exhaust memory.
constexpr size_t kMaxLine = 1 << 20;
constexpr int kCtrlZ = 0x1A;

// A build tree keeps the program's files beside the executable; this one
// tells such a folder from an installation's bin folder.
constexpr const char* kProgramFolderMark = "CabinSketch-Bold.otf";

// Whether nothing readable follows: the end of the data or a Ctrl-Z. The
// next character, if any, stays unread.
bool at_end(std::FILE* file) {
    const int c = std::fgetc(file);
    if (c == EOF || c == kCtrlZ) return true;
    std::ungetc(c, file);
    return false;
}

} // namespace

int32_t random_int(int32_t lo, int32_t hi) {
    if (lo > hi) std::swap(lo, hi);
    g_random_state = g_random_state * 134775813u + 1u;
    // u = (state >> 1) / 2^31 lies in [0, 1); floor(u * range) exactly, in
    // integers: range is at most 2^32, the product fits in 64 bits.
    const uint64_t range = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo + 1);
    const uint64_t scaled = (static_cast<uint64_t>(g_random_state >> 1) * range) >> 31;
    return static_cast<int32_t>(static_cast<int64_t>(lo) + static_cast<int64_t>(scaled));
}

uint32_t random_state() {
    return g_random_state;
}

void set_random_state(uint32_t state) {
    g_random_state = state;
}

std::string local_time() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

namespace {

// The executable's folder, without a trailing "/".
std::string executable_folder() {
    std::string folder;
    if (QCoreApplication::instance()) {
        folder = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    } else {
        char path[4096];
        const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n > 0) {
            folder.assign(path, static_cast<size_t>(n));
            const size_t slash = folder.rfind('/');
            folder.resize(slash == std::string::npos ? 0 : slash);
        }
    }
    return folder;
}

std::string with_slash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool is_folder(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string program_folder_of(const std::string& executable_folder) {
    const std::string beside = with_slash(executable_folder);
    if (file_exists(beside + kProgramFolderMark)) return beside;
    const std::string installed = beside + RESISTENZE_DATA_FROM_BIN;
    if (is_folder(installed)) return with_slash(installed);
    return with_slash(RESISTENZE_DATA_DIR);
}

std::string program_folder() {
    return program_folder_of(executable_folder());
}

std::string find_file_in(const std::string& name, const std::string& folder) {
    if (file_exists(name) || name.empty() || name.find('/') != std::string::npos) return name;
    const std::string copy = with_slash(folder) + name;
    return file_exists(copy) ? copy : name;
}

std::string find_data_file(const std::string& name) {
    return find_file_in(name, program_folder());
}

bool file_exists(const std::string& name) {
    if (name.empty() || name.back() == ':') return false;
    if (name.find_first_of("?*") != std::string::npos) return false;
    if (name.find('\0') != std::string::npos) return false;
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// ------------------------------------------------------------ TextFile

TextFile::~TextFile() {
    close();
}

bool TextFile::open(const std::string& name) {
    close();
    if (!file_exists(name)) return false;
    file_ = std::fopen(name.c_str(), "rb");
    if (!file_) return false;
    eof_ = at_end(file_);
    return true;
}

bool TextFile::eof() const {
    return eof_ || !file_;
}

std::string TextFile::read_line() {
    std::string line;
    if (eof()) return line;
    for (;;) {
        const int c = std::fgetc(file_);
        if (c == EOF || c == kCtrlZ) {
            eof_ = true;
            return line;
        }
        if (c == '\r') {
            const int next = std::fgetc(file_);
            if (next != '\n' && next != EOF) std::ungetc(next, file_);
            break;
        }
        if (line.size() < kMaxLine) line.push_back(static_cast<char>(c));
    }
    eof_ = at_end(file_);
    return line;
}

void TextFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    eof_ = true;
}

} // namespace surface
