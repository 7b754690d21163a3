// The Win32 text functions an installer leans on, as pure functions over code page 1252
// bytes (OEM code page 437), answering as Wine 8 does for the default English locale
// (recorded answers in tests/text_rules hold them to it). Wine answers the same whether
// it poses as Windows 95, NT 4.0 or its default Windows 7.
#pragma once

#include <cstdint>
#include <string>

namespace zep::sim {

// lstrcmpA (ignore_case false) and lstrcmpiA: -1, 0 or 1. The word sort: letters by
// alphabet, then accents, then case (lower first) decide; hyphens, apostrophes, dashes
// and control characters count only when all else is equal; the soft hyphen never
// counts. A null pointer is less than any string, and equal to another null.
int CompareAnsi(const char* a, const char* b, bool ignore_case);

// LCMapStringA(LCMAP_SORTKEY, plus NORM_IGNORECASE for ignore_case): the bytes whose
// order (as unsigned bytes, a prefix first) CompareAnsi follows.
std::string AnsiSortKey(const char* text, bool ignore_case);

// CharUpperBuffA and CharLowerBuffA on the first length bytes (NULs included). Letters
// whose other case is missing from code page 1252 stay as they are (ß, µ).
void UpperAnsi(char* text, std::uint32_t length);
void LowerAnsi(char* text, std::uint32_t length);

// OemToCharA: from (code page 437, NUL-terminated) to code page 1252 with the NUL; what
// 1252 lacks is replaced by its closest look-alike (box lines become + - and ¦, Greek
// letters Latin ones). from == to is allowed.
void OemToAnsi(const char* from, char* to);

}  // namespace zep::sim
