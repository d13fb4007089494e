// Helpers shared by the fuzz targets.
#pragma once

#include "tests/headless.h"

#include <QApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

// A headless application object for the targets that draw or ask for the
// screen; made once, never ended.
inline void start_headless() {
    headless::prepare();
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// One scratch file per process, rewritten with each input.
inline const std::string& scratch_file() {
    static const std::string path = [] {
        char name[] = "/tmp/resistenze-fuzz-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { unlink(scratch_file().c_str()); });
        return std::string(name);
    }();
    return path;
}

inline void write_scratch(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(scratch_file().c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

// Reads the input front to back; past its end every read gives 0.
class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(data_) + pos_, size_ - pos_);
        pos_ = size_;
        return s;
    }
    std::string take(size_t n) {
        n = std::min(n, size_ - pos_);
        std::string s(reinterpret_cast<const char*>(data_) + pos_, n);
        pos_ += n;
        return s;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace fuzzsupport
