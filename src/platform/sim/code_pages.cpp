#include "platform/sim/code_pages.h"

namespace zep::sim {

namespace {

// 0x80..0x9F of code page 1252; the unassigned five map to themselves, as Windows does.
constexpr std::uint16_t kAnsi80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::uint16_t AnsiToUnicode(std::uint8_t c) {
    return c >= 0x80 && c < 0xA0 ? kAnsi80[c - 0x80] : c;
}

std::uint8_t UnicodeToAnsi(std::uint16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<std::uint8_t>(u);
    for (int i = 0; i < 32; ++i) {
        if (kAnsi80[i] == u) return static_cast<std::uint8_t>(0x80 + i);
    }
    return '?';
}

std::uint8_t AnsiUpper(std::uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<std::uint8_t>(c - 0x20);
    switch (c) {
        case 0x9A: return 0x8A;  // š
        case 0x9C: return 0x8C;  // œ
        case 0x9E: return 0x8E;  // ž
        case 0xFF: return 0x9F;  // ÿ
        default: return c;
    }
}

std::string AnsiUpper(std::string text) {
    for (char& c : text) c = static_cast<char>(AnsiUpper(static_cast<std::uint8_t>(c)));
    return text;
}

bool SameAnsiName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AnsiUpper(a) == AnsiUpper(b);
}

}  // namespace zep::sim
