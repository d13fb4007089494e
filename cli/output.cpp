// Checked writes to standard output.
#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace cli {

bool write_out(std::string_view text, bool flush) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return (!flush || std::fflush(stdout) == 0) && written && !std::ferror(stdout);
}

void complain(std::string_view message) {
    // What was answered before comes before the message.
    std::fflush(stdout);
    std::string line = "resistenze-codice: ";
    line.append(message) += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void complain_write() {
    const int error = errno;
    complain(std::string("scrittura non riuscita: ") +
             (error != 0 ? std::strerror(error) : "uscita non scrivibile"));
}

} // namespace cli
