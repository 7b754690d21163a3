// The system's code pages as the simulated machine has them: ANSI 1252 and OEM 437.
#pragma once

#include <cstdint>

namespace zep::sim {

std::uint16_t AnsiToUnicode(std::uint8_t c);
std::uint8_t UnicodeToAnsi(std::uint16_t u);  // '?' for what 1252 cannot show
std::uint8_t AnsiUpper(std::uint8_t c);
std::uint8_t AnsiLower(std::uint8_t c);
std::uint8_t OemToAnsi(std::uint8_t c);

}  // namespace zep::sim
