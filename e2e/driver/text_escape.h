// Window texts on a command line and on stdout: control characters travel
// as C escapes (\r, \n, \t, \\, \xHH), so "No need to update\r\n" is typed
// and printed exactly as the program's text reads in its source.
#pragma once

#include <string>

std::string Escape(const std::string& text);
std::string Unescape(const std::string& text);
