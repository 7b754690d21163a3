// Windows keeps a profile as a tree of sections and keys in UTF-16, built from the file on
// every change and written back whole. The answers below come from that tree, with the
// same cuts, quirks and off-by-ones, so the code follows its steps closely: the key and
// section lists, the quote stripping and the blank trimming are where callers see them.
#include "platform/sim/profile_text.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

namespace zep::sim {

// The tree's parts have names of their own: Profile is declared in the header.
namespace profile_tree {

using Text = std::u16string;

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct Entry {
    Text name;        // up to its first NUL: C strings end there
    bool has_value;   // false for a line without '=' (comments are such lines too)
    Text value;
};

struct Section {
    Text name;  // empty for the keys above the first header
    std::vector<Entry> entries;
};

}  // namespace profile_tree

using namespace profile_tree;

struct Profile {
    Encoding encoding = Encoding::kAnsi;
    // Empty for a missing or empty file; otherwise the first is the unnamed section.
    std::vector<Section> sections;
};

namespace {

// --- Code page 1252, as MultiByteToWideChar and WideCharToMultiByte see it. ---

// 0x80-0x9F; the five bytes 1252 leaves undefined map to the C1 controls of equal value.
constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromAnsi(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kHighHalf[b - 0x80] : b;
}

// Characters outside the code page that Windows writes as a look-alike ("best fit") rather
// than '?': unit, byte; sorted. Measured through the profile functions under Wine (the
// corpus group "every UTF-16 unit in code page 1252" checks all 65536 units). Only
// UTF-8 and UTF-16 files can hold such characters.
struct BestFit {
    char16_t unit;
    unsigned char byte;
};
constexpr BestFit kBestFit[] = {
    {0x0100, 0x41}, {0x0101, 0x61}, {0x0102, 0x41}, {0x0103, 0x61}, {0x0104, 0x41}, {0x0105, 0x61}, {0x0106, 0x43},
    {0x0107, 0x63}, {0x0108, 0x43}, {0x0109, 0x63}, {0x010A, 0x43}, {0x010B, 0x63}, {0x010C, 0x43}, {0x010D, 0x63},
    {0x010E, 0x44}, {0x010F, 0x64}, {0x0110, 0xD0}, {0x0111, 0x64}, {0x0112, 0x45}, {0x0113, 0x65}, {0x0114, 0x45},
    {0x0115, 0x65}, {0x0116, 0x45}, {0x0117, 0x65}, {0x0118, 0x45}, {0x0119, 0x65}, {0x011A, 0x45}, {0x011B, 0x65},
    {0x011C, 0x47}, {0x011D, 0x67}, {0x011E, 0x47}, {0x011F, 0x67}, {0x0120, 0x47}, {0x0121, 0x67}, {0x0122, 0x47},
    {0x0123, 0x67}, {0x0124, 0x48}, {0x0125, 0x68}, {0x0126, 0x48}, {0x0127, 0x68}, {0x0128, 0x49}, {0x0129, 0x69},
    {0x012A, 0x49}, {0x012B, 0x69}, {0x012C, 0x49}, {0x012D, 0x69}, {0x012E, 0x49}, {0x012F, 0x69}, {0x0130, 0x49},
    {0x0131, 0x69}, {0x0134, 0x4A}, {0x0135, 0x6A}, {0x0136, 0x4B}, {0x0137, 0x6B}, {0x0139, 0x4C}, {0x013A, 0x6C},
    {0x013B, 0x4C}, {0x013C, 0x6C}, {0x013D, 0x4C}, {0x013E, 0x6C}, {0x0141, 0x4C}, {0x0142, 0x6C}, {0x0143, 0x4E},
    {0x0144, 0x6E}, {0x0145, 0x4E}, {0x0146, 0x6E}, {0x0147, 0x4E}, {0x0148, 0x6E}, {0x014C, 0x4F}, {0x014D, 0x6F},
    {0x014E, 0x4F}, {0x014F, 0x6F}, {0x0150, 0x4F}, {0x0151, 0x6F}, {0x0152, 0x8C}, {0x0153, 0x9C}, {0x0154, 0x52},
    {0x0155, 0x72}, {0x0156, 0x52}, {0x0157, 0x72}, {0x0158, 0x52}, {0x0159, 0x72}, {0x015A, 0x53}, {0x015B, 0x73},
    {0x015C, 0x53}, {0x015D, 0x73}, {0x015E, 0x53}, {0x015F, 0x73}, {0x0160, 0x8A}, {0x0161, 0x9A}, {0x0162, 0x54},
    {0x0163, 0x74}, {0x0164, 0x54}, {0x0165, 0x74}, {0x0166, 0x54}, {0x0167, 0x74}, {0x0168, 0x55}, {0x0169, 0x75},
    {0x016A, 0x55}, {0x016B, 0x75}, {0x016C, 0x55}, {0x016D, 0x75}, {0x016E, 0x55}, {0x016F, 0x75}, {0x0170, 0x55},
    {0x0171, 0x75}, {0x0172, 0x55}, {0x0173, 0x75}, {0x0174, 0x57}, {0x0175, 0x77}, {0x0176, 0x59}, {0x0177, 0x79},
    {0x0178, 0x9F}, {0x0179, 0x5A}, {0x017A, 0x7A}, {0x017B, 0x5A}, {0x017C, 0x7A}, {0x017D, 0x8E}, {0x017E, 0x9E},
    {0x0180, 0x62}, {0x0189, 0xD0}, {0x0191, 0x83}, {0x0192, 0x83}, {0x0197, 0x49}, {0x019A, 0x6C}, {0x019F, 0x4F},
    {0x01A0, 0x4F}, {0x01A1, 0x6F}, {0x01AB, 0x74}, {0x01AE, 0x54}, {0x01AF, 0x55}, {0x01B0, 0x75}, {0x01B6, 0x7A},
    {0x01C0, 0x7C}, {0x01C3, 0x21}, {0x01CD, 0x41}, {0x01CE, 0x61}, {0x01CF, 0x49}, {0x01D0, 0x69}, {0x01D1, 0x4F},
    {0x01D2, 0x6F}, {0x01D3, 0x55}, {0x01D4, 0x75}, {0x01D5, 0x55}, {0x01D6, 0x75}, {0x01D7, 0x55}, {0x01D8, 0x75},
    {0x01D9, 0x55}, {0x01DA, 0x75}, {0x01DB, 0x55}, {0x01DC, 0x75}, {0x01DE, 0x41}, {0x01DF, 0x61}, {0x01E4, 0x47},
    {0x01E5, 0x67}, {0x01E6, 0x47}, {0x01E7, 0x67}, {0x01E8, 0x4B}, {0x01E9, 0x6B}, {0x01EA, 0x4F}, {0x01EB, 0x6F},
    {0x01EC, 0x4F}, {0x01ED, 0x6F}, {0x01F0, 0x6A}, {0x0261, 0x67}, {0x02B9, 0x27}, {0x02BA, 0x22}, {0x02BC, 0x27},
    {0x02C4, 0x5E}, {0x02C6, 0x88}, {0x02C8, 0x27}, {0x02C9, 0xAF}, {0x02CA, 0xB4}, {0x02CB, 0x60}, {0x02CD, 0x5F},
    {0x02DA, 0xB0}, {0x02DC, 0x98}, {0x0300, 0x60}, {0x0301, 0xB4}, {0x0302, 0x5E}, {0x0303, 0x7E}, {0x0304, 0xAF},
    {0x0305, 0xAF}, {0x0308, 0xA8}, {0x030A, 0xB0}, {0x030E, 0x22}, {0x0327, 0xB8}, {0x0331, 0x5F}, {0x0332, 0x5F},
    {0x037E, 0x3B}, {0x0393, 0x47}, {0x0398, 0x54}, {0x03A3, 0x53}, {0x03A6, 0x46}, {0x03A9, 0x4F}, {0x03B1, 0x61},
    {0x03B2, 0xDF}, {0x03B4, 0x64}, {0x03B5, 0x65}, {0x03BC, 0xB5}, {0x03C0, 0x70}, {0x03C3, 0x73}, {0x03C4, 0x74},
    {0x03C6, 0x66}, {0x04BB, 0x68}, {0x0589, 0x3A}, {0x066A, 0x25}, {0x2000, 0x20}, {0x2001, 0x20}, {0x2002, 0x20},
    {0x2003, 0x20}, {0x2004, 0x20}, {0x2005, 0x20}, {0x2006, 0x20}, {0x2010, 0x2D}, {0x2011, 0x2D}, {0x2013, 0x96},
    {0x2014, 0x97}, {0x2017, 0x3D}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201A, 0x82}, {0x201C, 0x93}, {0x201D, 0x94},
    {0x201E, 0x84}, {0x2020, 0x86}, {0x2021, 0x87}, {0x2022, 0x95}, {0x2024, 0xB7}, {0x2026, 0x85}, {0x2030, 0x89},
    {0x2032, 0x27}, {0x2035, 0x60}, {0x2039, 0x8B}, {0x203A, 0x9B}, {0x2044, 0x2F}, {0x2070, 0xB0}, {0x2074, 0x34},
    {0x2075, 0x35}, {0x2076, 0x36}, {0x2077, 0x37}, {0x2078, 0x38}, {0x207F, 0x6E}, {0x2080, 0x30}, {0x2081, 0x31},
    {0x2082, 0x32}, {0x2083, 0x33}, {0x2084, 0x34}, {0x2085, 0x35}, {0x2086, 0x36}, {0x2087, 0x37}, {0x2088, 0x38},
    {0x2089, 0x39}, {0x20A1, 0xA2}, {0x20A4, 0xA3}, {0x20A7, 0x50}, {0x20AC, 0x80}, {0x2102, 0x43}, {0x2107, 0x45},
    {0x210A, 0x67}, {0x210B, 0x48}, {0x210C, 0x48}, {0x210D, 0x48}, {0x210E, 0x68}, {0x2110, 0x49}, {0x2111, 0x49},
    {0x2112, 0x4C}, {0x2113, 0x6C}, {0x2115, 0x4E}, {0x2118, 0x50}, {0x2119, 0x50}, {0x211A, 0x51}, {0x211B, 0x52},
    {0x211C, 0x52}, {0x211D, 0x52}, {0x2122, 0x99}, {0x2124, 0x5A}, {0x2128, 0x5A}, {0x212A, 0x4B}, {0x212B, 0xC5},
    {0x212C, 0x42}, {0x212D, 0x43}, {0x212E, 0x65}, {0x212F, 0x65}, {0x2130, 0x45}, {0x2131, 0x46}, {0x2133, 0x4D},
    {0x2134, 0x6F}, {0x2205, 0xD8}, {0x2212, 0x2D}, {0x2213, 0xB1}, {0x2215, 0x2F}, {0x2216, 0x5C}, {0x2217, 0x2A},
    {0x2218, 0xB0}, {0x2219, 0xB7}, {0x221A, 0x76}, {0x221E, 0x38}, {0x2223, 0x7C}, {0x2229, 0x6E}, {0x2236, 0x3A},
    {0x223C, 0x7E}, {0x2248, 0x98}, {0x2261, 0x3D}, {0x2264, 0x3D}, {0x2265, 0x3D}, {0x226A, 0xAB}, {0x226B, 0xBB},
    {0x22C5, 0xB7}, {0x2302, 0xA6}, {0x2303, 0x5E}, {0x2310, 0xAC}, {0x2320, 0x28}, {0x2321, 0x29}, {0x2329, 0x3C},
    {0x232A, 0x3E}, {0x2500, 0x2D}, {0x2502, 0xA6}, {0x250C, 0x2B}, {0x2510, 0x2B}, {0x2514, 0x2B}, {0x2518, 0x2B},
    {0x251C, 0x2B}, {0x2524, 0xA6}, {0x252C, 0x2D}, {0x2534, 0x2D}, {0x253C, 0x2B}, {0x2550, 0x2D}, {0x2551, 0xA6},
    {0x2552, 0x2B}, {0x2553, 0x2B}, {0x2554, 0x2B}, {0x2555, 0x2B}, {0x2556, 0x2B}, {0x2557, 0x2B}, {0x2558, 0x2B},
    {0x2559, 0x2B}, {0x255A, 0x2B}, {0x255B, 0x2B}, {0x255C, 0x2B}, {0x255D, 0x2B}, {0x255E, 0xA6}, {0x255F, 0xA6},
    {0x2560, 0xA6}, {0x2561, 0xA6}, {0x2562, 0xA6}, {0x2563, 0xA6}, {0x2564, 0x2D}, {0x2565, 0x2D}, {0x2566, 0x2D},
    {0x2567, 0x2D}, {0x2568, 0x2D}, {0x2569, 0x2D}, {0x256A, 0x2B}, {0x256B, 0x2B}, {0x256C, 0x2B}, {0x2580, 0xAF},
    {0x2584, 0x5F}, {0x2588, 0xA6}, {0x258C, 0xA6}, {0x2590, 0xA6}, {0x2591, 0xA6}, {0x2592, 0xA6}, {0x2593, 0xA6},
    {0x25A0, 0xA6}, {0x263C, 0xA4}, {0x2758, 0x7C}, {0x3000, 0x20}, {0x3008, 0x3C}, {0x3009, 0x3E}, {0x300A, 0xAB},
    {0x300B, 0xBB}, {0x301A, 0x5B}, {0x301B, 0x5D}, {0x30FB, 0xB7}, {0xFF01, 0x21}, {0xFF02, 0x22}, {0xFF03, 0x23},
    {0xFF04, 0x24}, {0xFF05, 0x25}, {0xFF06, 0x26}, {0xFF07, 0x27}, {0xFF08, 0x28}, {0xFF09, 0x29}, {0xFF0A, 0x2A},
    {0xFF0B, 0x2B}, {0xFF0C, 0x2C}, {0xFF0D, 0x2D}, {0xFF0E, 0x2E}, {0xFF0F, 0x2F}, {0xFF10, 0x30}, {0xFF11, 0x31},
    {0xFF12, 0x32}, {0xFF13, 0x33}, {0xFF14, 0x34}, {0xFF15, 0x35}, {0xFF16, 0x36}, {0xFF17, 0x37}, {0xFF18, 0x38},
    {0xFF19, 0x39}, {0xFF1A, 0x3A}, {0xFF1B, 0x3B}, {0xFF1C, 0x3C}, {0xFF1D, 0x3D}, {0xFF1E, 0x3E}, {0xFF20, 0x40},
    {0xFF21, 0x41}, {0xFF22, 0x42}, {0xFF23, 0x43}, {0xFF24, 0x44}, {0xFF25, 0x45}, {0xFF26, 0x46}, {0xFF27, 0x47},
    {0xFF28, 0x48}, {0xFF29, 0x49}, {0xFF2A, 0x4A}, {0xFF2B, 0x4B}, {0xFF2C, 0x4C}, {0xFF2D, 0x4D}, {0xFF2E, 0x4E},
    {0xFF2F, 0x4F}, {0xFF30, 0x50}, {0xFF31, 0x51}, {0xFF32, 0x52}, {0xFF33, 0x53}, {0xFF34, 0x54}, {0xFF35, 0x55},
    {0xFF36, 0x56}, {0xFF37, 0x57}, {0xFF38, 0x58}, {0xFF39, 0x59}, {0xFF3A, 0x5A}, {0xFF3B, 0x5B}, {0xFF3C, 0x5C},
    {0xFF3D, 0x5D}, {0xFF3E, 0x5E}, {0xFF3F, 0x5F}, {0xFF40, 0x60}, {0xFF41, 0x61}, {0xFF42, 0x62}, {0xFF43, 0x63},
    {0xFF44, 0x64}, {0xFF45, 0x65}, {0xFF46, 0x66}, {0xFF47, 0x67}, {0xFF48, 0x68}, {0xFF49, 0x69}, {0xFF4A, 0x6A},
    {0xFF4B, 0x6B}, {0xFF4C, 0x6C}, {0xFF4D, 0x6D}, {0xFF4E, 0x6E}, {0xFF4F, 0x6F}, {0xFF50, 0x70}, {0xFF51, 0x71},
    {0xFF52, 0x72}, {0xFF53, 0x73}, {0xFF54, 0x74}, {0xFF55, 0x75}, {0xFF56, 0x76}, {0xFF57, 0x77}, {0xFF58, 0x78},
    {0xFF59, 0x79}, {0xFF5A, 0x7A}, {0xFF5B, 0x7B}, {0xFF5C, 0x7C}, {0xFF5D, 0x7D}, {0xFF5E, 0x7E},
};

char ToAnsi(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighHalf[i] == c) return static_cast<char>(0x80 + i);
    const BestFit* end = std::end(kBestFit);
    const BestFit* f = std::lower_bound(std::begin(kBestFit), end, c,
                                        [](const BestFit& a, char16_t u) { return a.unit < u; });
    return static_cast<char>(f != end && f->unit == c ? f->byte : '?');
}

Text Widen(const char* s) {
    Text t;
    for (; *s != 0; ++s) t += FromAnsi(static_cast<unsigned char>(*s));
    return t;
}

// --- UTF-8, as the file decoder and encoder of the profile code treat it. ---

constexpr char32_t kBadUtf8 = 0xFFFFFFFF;

// One character of UTF-8 at s[i], as Windows decodes it; i moves past what was read. A
// bad sequence swallows the continuation bytes read before the fault showed (an
// overlong E0 80 80 is two bad characters, not three); one cut off by the end of the
// file swallows the rest.
char32_t DecodeUtf8Char(const unsigned char* s, std::size_t n, std::size_t& i) {
    unsigned char b = s[i++];
    if (b < 0x80) return b;
    int need = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
    if (need == 0) return kBadUtf8;
    if (n - i < static_cast<std::size_t>(need)) {
        i = n;
        return kBadUtf8;
    }
    char32_t cp = b & (need == 1 ? 0x1F : need == 2 ? 0x0F : 0x07);
    auto take = [&] {
        if ((s[i] & 0xC0) != 0x80) return false;
        cp = cp << 6 | (s[i] & 0x3F);
        return true;
    };
    if (need == 3) {
        if (!take()) return kBadUtf8;
        if (++i, cp < 0x10) return kBadUtf8;  // overlong
    }
    if (need >= 2) {
        if (!take() || cp >= 0x110000 >> 6) return kBadUtf8;  // past U+10FFFF: byte not taken
        if (++i, cp < 0x20 || (cp >= 0xD800 >> 6 && cp <= 0xDFFF >> 6)) return kBadUtf8;
    }
    if (!take()) return kBadUtf8;
    return ++i, cp < 0x80 ? kBadUtf8 : cp;
}

void DecodeUtf8(const unsigned char* s, std::size_t n, Text& out) {
    for (std::size_t i = 0; i < n;) {
        char32_t cp = DecodeUtf8Char(s, n, i);
        if (cp == kBadUtf8) {
            out += u'\uFFFD';
        } else if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
}

void EncodeUtf8(const Text& t, std::string& out) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        char32_t c = t[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

// --- Comparisons and blanks. ---

// Tab to carriage return, space, and ^Z (an end-of-file mark on old disks).
bool IsBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

// Only ASCII letters fold: "É" and "é" are different names.
char16_t Fold(char16_t c) { return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(const Text& a, const Text& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

Text UpToNul(const char16_t* p, std::size_t n) {
    const char16_t* end = std::find(p, p + n, u'\0');
    return Text(p, end);
}

Text TrimBlanks(const Text& t) {
    std::size_t b = 0, e = t.size();
    while (b < e && IsBlank(t[b])) ++b;
    while (e > b && IsBlank(t[e - 1])) --e;
    return t.substr(b, e - b);
}

Text TrimLeadingBlanks(const Text& t) {
    std::size_t b = 0;
    while (b < t.size() && IsBlank(t[b])) ++b;
    return t.substr(b);
}

// --- The file. ---

Encoding DetectEncoding(const std::string& bytes, std::size_t& skip) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    skip = 0;
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        skip = 3;
        return Encoding::kUtf8;
    }
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        skip = 2;
        return Encoding::kUtf16Le;
    }
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        skip = 2;
        return Encoding::kUtf16Be;
    }
    return Encoding::kAnsi;
}

Text Decode(const std::string& bytes, std::size_t skip, Encoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + skip;
    std::size_t n = bytes.size() - skip;
    Text t;
    switch (encoding) {
    case Encoding::kAnsi:
        for (std::size_t i = 0; i < n; ++i) t += FromAnsi(p[i]);
        break;
    case Encoding::kUtf8:
        DecodeUtf8(p, n, t);
        break;
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
        // A last odd byte is not read (Windows reads past its buffer there).
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            bool le = encoding == Encoding::kUtf16Le;
            t += static_cast<char16_t>(le ? p[i] | p[i + 1] << 8 : p[i] << 8 | p[i + 1]);
        }
        break;
    }
    return t;
}

void AddLine(Profile& profile, const char16_t* start, const char16_t* end) {
    while (start < end && IsBlank(*start)) ++start;
    while (end > start && IsBlank(end[-1])) --end;
    if (start >= end) return;

    if (*start == '[') {
        // The header ends at the line's last ']'; without one the line is a key.
        const char16_t* close = end;
        while (close > start && close[-1] != ']') --close;
        if (close > start) {
            const char16_t* name = start + 1;
            const char16_t* name_end = close - 1;
            while (name < name_end && IsBlank(*name)) ++name;
            while (name_end > name && IsBlank(name_end[-1])) --name_end;
            profile.sections.push_back({UpToNul(name, static_cast<std::size_t>(name_end - name)), {}});
            return;
        }
    }

    const char16_t* eq = std::find(start, end, u'=');
    const char16_t* name_end = end;
    const char16_t* value = nullptr;
    if (eq != end) {
        name_end = eq;
        while (name_end > start && IsBlank(name_end[-1])) --name_end;
        value = eq + 1;
        while (value < end && IsBlank(*value)) ++value;
    }
    std::vector<Entry>& entries = profile.sections.back().entries;
    // Runs of lines with an empty name ("=x") keep only the first.
    if (name_end == start && !entries.empty() && entries.back().name.empty()) return;
    Entry e{UpToNul(start, static_cast<std::size_t>(name_end - start)), value != nullptr, {}};
    if (value != nullptr) e.value = UpToNul(value, static_cast<std::size_t>(end - value));
    entries.push_back(std::move(e));
}

Profile Parse(const std::string* content) {
    Profile profile;
    if (content == nullptr || content->empty()) return profile;
    std::size_t skip = 0;
    profile.encoding = DetectEncoding(*content, skip);
    Text text = Decode(*content, skip, profile.encoding);
    profile.sections.push_back({});
    const char16_t* p = text.data();
    const char16_t* end = p + text.size();
    // A line ends at CR or LF; any run of them ends it.
    while (p < end) {
        const char16_t* start = p;
        while (p < end && *p != '\n' && *p != '\r') ++p;
        const char16_t* line_end = p;
        while (p < end && (*p == '\n' || *p == '\r')) ++p;
        AddLine(profile, start, line_end);
    }
    return profile;
}

std::string Serialize(const Profile& profile) {
    Text t;
    for (const Section& s : profile.sections) {
        if (!s.name.empty()) t += u"[" + s.name + u"]\r\n";
        for (const Entry& e : s.entries) {
            t += e.name;
            if (e.has_value) t += u"=" + e.value;
            t += u"\r\n";
        }
    }
    std::string out;
    switch (profile.encoding) {
    case Encoding::kAnsi:
        for (char16_t c : t) out += ToAnsi(c);
        break;
    case Encoding::kUtf8:
        out = "\xEF\xBB\xBF";
        EncodeUtf8(t, out);
        break;
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
        bool le = profile.encoding == Encoding::kUtf16Le;
        out = le ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t c : t) {
            char a = static_cast<char>(c & 0xFF), b = static_cast<char>(c >> 8);
            out += le ? a : b;
            out += le ? b : a;
        }
        break;
    }
    }
    return out;
}

// --- The wide-character functions, over a buffer of size units. ---

// A length-limited C string copy: at most size-1 units, then a NUL (if size > 0).
void CopyCut(char16_t* buf, const Text& src, std::uint32_t size) {
    if (size == 0) return;
    std::size_t n = std::min<std::size_t>(src.size(), size - 1);
    std::copy_n(src.data(), n, buf);
    buf[n] = 0;
}

std::size_t Length(const char16_t* buf) { return std::char_traits<char16_t>::length(buf); }

// A value or fallback quoted with ' or " at both ends loses its quotes. A value cut by the
// buffer loses its opening quote only; cut to exactly size-1 units, one more unit goes.
void CopyUnquoted(char16_t* buf, const Text& value, std::uint32_t size) {
    Text v = value;
    bool quoted = false;
    if (v.size() >= 2 && (v[0] == '\'' || v[0] == '"') && v.back() == v[0]) {
        v.erase(0, 1);
        quoted = true;
    }
    CopyCut(buf, v, size);
    std::size_t n = Length(buf);
    if (quoted && size >= v.size() && n > 0) buf[n - 1] = 0;
}

const Section* FindSection(const Profile& p, const Text& name) {
    for (const Section& s : p.sections)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

// A single key: names compared after trimming blanks off the query; only the first
// section of that name is searched; the first key of that name wins.
const Entry* FindKey(const Profile& p, const Text& section, const Text& key) {
    const Section* s = FindSection(p, TrimBlanks(section));
    if (s == nullptr) return nullptr;
    Text k = TrimBlanks(key);
    for (const Entry& e : s->entries)
        if (SameName(e.name, k)) return &e;
    return nullptr;
}

// The key list of the first section of that exact (untrimmed) name; comments and lines
// without '=' are left out, empty names are not.
std::uint32_t ListKeys(const Profile& p, const Text& section, char16_t* buf, std::uint32_t size) {
    const Section* s = FindSection(p, section);
    if (s == nullptr) {
        buf[0] = 0;
        if (size > 1) buf[1] = 0;
        return 0;
    }
    std::uint32_t len = size;
    std::size_t at = 0;
    for (const Entry& e : s->entries) {
        if (len <= 2) break;
        if (!e.name.empty() && e.name[0] == ';') continue;
        if (!e.has_value) continue;
        CopyCut(buf + at, e.name, len - 1);
        std::size_t n = Length(buf + at);
        len -= static_cast<std::uint32_t>(n + 1);
        at += n + 1;
        if (len < 2) break;
    }
    buf[at] = 0;
    if (len <= 1) {
        if (at > 0) buf[at - 1] = 0;
        return size - 2;
    }
    return size - len;
}

std::uint32_t ListSections(const Profile& p, char16_t* buf, std::uint32_t size) {
    if (size == 1) {
        buf[0] = 0;
        return 0;
    }
    std::uint32_t room = size - 1;
    std::size_t at = 0;
    for (const Section& s : p.sections) {
        if (s.name.empty()) continue;
        std::uint32_t need = static_cast<std::uint32_t>(s.name.size() + 1);
        if (need >= room) {
            std::copy_n(s.name.data(), room - 1, buf + at);
            at += room - 1;
            buf[at++] = 0;
            buf[at] = 0;
            return size - 2;
        }
        std::copy_n(s.name.data(), need - 1, buf + at);
        at += need - 1;
        buf[at++] = 0;
        room -= need;
    }
    buf[at] = 0;
    return static_cast<std::uint32_t>(at);
}

// GetPrivateProfileStringW, with nullptr for a null pointer.
std::uint32_t GetStringW(const Profile& p, const Text* section, const Text* key,
                         const Text* fallback, char16_t* buf, std::uint32_t size) {
    if (size == 0) return 0;
    Text def = fallback != nullptr ? *fallback : Text();
    if (section == nullptr) return ListSections(p, buf, size);
    if (key == nullptr) {
        std::uint32_t n = ListKeys(p, *section, buf, size);
        if (buf[0] != 0) return n;
        // The fallback is taken as it is here, trailing blanks and all.
        CopyUnquoted(buf, def, size);
        return static_cast<std::uint32_t>(Length(buf));
    }
    // Trailing spaces (only spaces) go, but never the first character.
    std::size_t keep = def.size();
    while (keep > 1 && def[keep - 1] == ' ') --keep;
    def.resize(keep);
    const Entry* e = FindKey(p, *section, *key);
    CopyUnquoted(buf, e != nullptr && e->has_value ? e->value : def, size);
    return static_cast<std::uint32_t>(Length(buf));
}

// RtlUnicodeStringToInteger with base 0: blanks and control characters, one sign, a
// 0x/0o/0b prefix (lower case only), digits up to the first that does not fit; the
// result wraps modulo 2^32.
std::uint32_t ParseInteger(const char16_t* s) {
    while (*s != 0 && *s <= ' ') ++s;
    bool minus = false;
    if (*s == '+' || *s == '-') minus = *s++ == '-';
    std::uint32_t base = 10;
    if (s[0] == '0') {
        base = s[1] == 'b' ? 2 : s[1] == 'o' ? 8 : s[1] == 'x' ? 16 : 10;
        if (base != 10) s += 2;
    }
    std::uint32_t total = 0;
    for (; *s != 0; ++s) {
        std::uint32_t digit;
        if (*s >= '0' && *s <= '9') digit = *s - '0';
        else if (*s >= 'A' && *s <= 'Z') digit = *s - 'A' + 10;
        else if (*s >= 'a' && *s <= 'z') digit = *s - 'a' + 10;
        else break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return minus ? 0u - total : total;
}

struct Args {
    std::optional<Text> section, key, other;
    explicit Args(const char* s, const char* k, const char* o) {
        if (s != nullptr) section = Widen(s);
        if (k != nullptr) key = Widen(k);
        if (o != nullptr) other = Widen(o);
    }
    const Text* s() const { return section ? &*section : nullptr; }
    const Text* k() const { return key ? &*key : nullptr; }
    const Text* o() const { return other ? &*other : nullptr; }
};

// Keys of every section of that exact name are searched; the first match goes.
bool DeleteKey(Profile& p, const Text& section, const Text& key) {
    for (Section& s : p.sections) {
        if (!SameName(s.name, section)) continue;
        for (auto it = s.entries.begin(); it != s.entries.end(); ++it) {
            if (SameName(it->name, key)) {
                s.entries.erase(it);
                return true;
            }
        }
    }
    return false;
}

bool DeleteSection(Profile& p, const Text& section) {
    for (auto it = p.sections.begin(); it != p.sections.end(); ++it) {
        if (SameName(it->name, section)) {
            p.sections.erase(it);
            return true;
        }
    }
    return false;
}

// A new section goes last, a new key last in its section; both keep the blanks the
// caller gave after the name (the query is trimmed only to search).
bool SetValue(Profile& p, const Text& section, const Text& key, const Text& value) {
    Text s = TrimBlanks(section), k = TrimBlanks(key);
    auto sec = std::find_if(p.sections.begin(), p.sections.end(),
                            [&](const Section& x) { return SameName(x.name, s); });
    if (sec == p.sections.end()) sec = p.sections.insert(sec, {TrimLeadingBlanks(section), {}});
    auto e = std::find_if(sec->entries.begin(), sec->entries.end(),
                          [&](const Entry& x) { return SameName(x.name, k); });
    if (e == sec->entries.end()) e = sec->entries.insert(e, {TrimLeadingBlanks(key), false, {}});
    Text wanted = TrimLeadingBlanks(value);
    if (e->has_value && e->value == wanted) return false;
    e->has_value = true;
    e->value = wanted;
    return true;
}

}  // namespace

std::shared_ptr<const Profile> ProfileParse(const std::string* content) {
    return std::make_shared<const Profile>(Parse(content));
}

std::uint32_t ProfileGetString(const std::string* content, const char* section,
                               const char* key, const char* fallback, char* buf,
                               std::uint32_t size) {
    return ProfileGetString(Parse(content), section, key, fallback, buf, size);
}

std::uint32_t ProfileGetInt(const std::string* content, const char* section, const char* key,
                            int fallback) {
    return ProfileGetInt(Parse(content), section, key, fallback);
}

std::uint32_t ProfileGetString(const Profile& p, const char* section, const char* key,
                               const char* fallback, char* buf, std::uint32_t size) {
    if (buf == nullptr || size == 0) return 0;
    Args a(section, key, fallback);
    std::vector<char16_t> wide(size, 0);
    std::uint32_t n = GetStringW(p, a.s(), a.k(), a.o(), wide.data(), size);
    for (std::uint32_t i = 0; i < n; ++i) buf[i] = ToAnsi(wide[i]);
    buf[n] = 0;
    return n;
}

std::uint32_t ProfileGetInt(const Profile& p, const char* section, const char* key, int fallback) {
    Args a(section, key, nullptr);
    Text empty;
    char16_t buf[30] = {};
    if (GetStringW(p, a.s(), a.k(), &empty, buf, 30) == 0 || buf[0] == 0)
        return static_cast<std::uint32_t>(fallback);
    return ParseInteger(buf);
}

bool ProfileWriteString(std::optional<std::string>& file, const char* section, const char* key,
                        const char* value, bool* rewritten) {
    // No section: a cache flush (all null) or a call Windows refuses.
    if (section == nullptr) return false;
    Profile p = Parse(file ? &*file : nullptr);
    Args a(section, key, value);
    bool changed;
    if (key == nullptr) changed = DeleteSection(p, *a.section);
    else if (value == nullptr) changed = DeleteKey(p, *a.section, *a.key);
    else changed = SetValue(p, *a.section, *a.key, *a.other);
    if (changed) {
        file = Serialize(p);
        if (rewritten != nullptr) *rewritten = true;
    }
    return true;
}

}  // namespace zep::sim
