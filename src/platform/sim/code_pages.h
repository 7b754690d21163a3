// Code page 1252, the simulated machine's ANSI code page: its Unicode mapping and the
// case folding names are compared with.
#pragma once

#include <cstdint>
#include <string>

namespace zep::sim {

std::uint16_t AnsiToUnicode(std::uint8_t c);
std::uint8_t UnicodeToAnsi(std::uint16_t u);  // '?' for what 1252 cannot show
std::uint8_t AnsiUpper(std::uint8_t c);
std::string AnsiUpper(std::string text);  // how names are keyed: without regard to case
bool SameAnsiName(const std::string& a, const std::string& b);

}  // namespace zep::sim
