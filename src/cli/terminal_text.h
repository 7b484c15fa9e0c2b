#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quorvex {

// Text made safe for a terminal: each byte that is not UTF-8 becomes U+FFFD, and every
// control character but the line feed and the tab is written as an escape (\x1B, \x00,
// \u009B), so that a record or a file name can neither drive the terminal nor cut a line.
std::string TerminalText(std::string_view utf8);

// Writes TerminalText(utf8) to `to`.
void Print(std::FILE* to, std::string_view utf8);

}  // namespace quorvex
