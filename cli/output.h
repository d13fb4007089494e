// Checked writes: whatever resistenze-codice prints goes through here, and a
// write that fails (a full disk, a closed output) ends the program with a
// message on standard error and exit status 1.
#pragma once

#include <string_view>

namespace cli {

// Writes and, unless told not to, flushes; false when the text did not all
// reach standard output (an unflushed write may fail at the next flush).
bool write_out(std::string_view text, bool flush = true);

// "resistenze-codice: " and the message, one line on standard error.
void complain(std::string_view message);

// The message for a failed write, from errno.
void complain_write();

} // namespace cli
