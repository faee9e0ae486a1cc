// Text that came from a device or the system (a USB product string, a
// friendly name, a moniker, a log line) made safe to show on a terminal or
// write to a file.
#pragma once

#include <string>

// Every control character, C0, DEL or C1 (in UTF-8), replaced by '?', so
// that no name can send the terminal escape sequences.
std::string Printable(const std::string& name);
