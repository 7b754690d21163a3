#include "platform/sim/text_rules.h"

#include <cstring>

namespace zep::sim {

namespace {

// Each byte's weights in the default sort table, as 0xSSPPDDCC: S the script (the first
// byte of its primary weight), P the primary weight, D the diacritic weight, C the case
// weight. Three scripts are special: kIgnored bytes count nowhere; kWordSort bytes
// (hyphen, apostrophe, dashes, controls) count only on the last level, by weight and
// place; a kExpansion byte sorts as the two letters kExpansions[P] gives.
constexpr std::uint8_t kIgnored = 0x00;
constexpr std::uint8_t kExpansion = 0x02;
constexpr std::uint8_t kWordSort = 0x06;

constexpr std::uint32_t kWeights[256] = {
    0x00000000, 0x06030202, 0x06040202, 0x06050202, 0x06060202, 0x06070202, 0x06080202, 0x06090202,  // 00 controls
    0x060a0202, 0x07050202, 0x07060202, 0x07070202, 0x07080202, 0x07090202, 0x060b0202, 0x060c0202,  // 08 controls
    0x060d0202, 0x060e0202, 0x060f0202, 0x06100202, 0x06110202, 0x06120202, 0x06130202, 0x06140202,  // 10 controls
    0x06150202, 0x06160202, 0x06170202, 0x06180202, 0x06190202, 0x061a0202, 0x061b0202, 0x061c0202,  // 18 controls
    0x07020202, 0x071c0202, 0x071d0202, 0x071f0202, 0x07210202, 0x07230202, 0x07250202, 0x06800202,  // 20 sp ! " # $ % & '
    0x07270202, 0x072a0202, 0x072d0202, 0x08030202, 0x072f0202, 0x06820202, 0x07330202, 0x07350202,  // 28 ( ) * + , - . /
    0x0d030202, 0x0d1a0202, 0x0d1c0202, 0x0d1e0202, 0x0d200202, 0x0d220202, 0x0d240202, 0x0d260202,  // 30 0 1 2 3 4 5 6 7
    0x0d280202, 0x0d2a0202, 0x07370202, 0x073a0202, 0x080e0202, 0x08120202, 0x08140202, 0x073c0202,  // 38 8 9 : ; < = > ?
    0x073e0202, 0x0e020212, 0x0e090212, 0x0e0a0212, 0x0e1a0212, 0x0e210212, 0x0e230212, 0x0e250212,  // 40 @ A B C D E F G
    0x0e2c0212, 0x0e320212, 0x0e350212, 0x0e360212, 0x0e480212, 0x0e510212, 0x0e700212, 0x0e7c0212,  // 48 H I J K L M N O
    0x0e7e0212, 0x0e890212, 0x0e8a0212, 0x0e910212, 0x0e990212, 0x0e9f0212, 0x0ea20212, 0x0ea40212,  // 50 P Q R S T U V W
    0x0ea60212, 0x0ea70212, 0x0ea90212, 0x073f0202, 0x07410202, 0x07420202, 0x07430202, 0x07440202,  // 58 X Y Z [ \ ] ^ _
    0x07480202, 0x0e020202, 0x0e090202, 0x0e0a0202, 0x0e1a0202, 0x0e210202, 0x0e230202, 0x0e250202,  // 60 ` a b c d e f g
    0x0e2c0202, 0x0e320202, 0x0e350202, 0x0e360202, 0x0e480202, 0x0e510202, 0x0e700202, 0x0e7c0202,  // 68 h i j k l m n o
    0x0e7e0202, 0x0e890202, 0x0e8a0202, 0x0e910202, 0x0e990202, 0x0e9f0202, 0x0ea20202, 0x0ea40202,  // 70 p q r s t u v w
    0x0ea60202, 0x0ea70202, 0x0ea90202, 0x074a0202, 0x074c0202, 0x074e0202, 0x07500202, 0x061d0202,  // 78 x y z { | } ~ del
    0x07a90202, 0x0cfa1e02, 0x077b0202, 0x0e234302, 0x077f0202, 0x0a100202, 0x0b250202, 0x0b260202,  // 80 € ctl ‚ ƒ „ … † ‡
    0x07430202, 0x0b2c0c02, 0x0e911412, 0x07880202, 0x02000000, 0x0cfa2a02, 0x0ea91412, 0x0cfa2c02,  // 88 ˆ ‰ Š ‹ Œ ctl Ž ctl
    0x0cfa2d02, 0x07790202, 0x077a0202, 0x077d0202, 0x077e0202, 0x0b270202, 0x06890202, 0x06900202,  // 90 ctl ‘ ’ “ ” • – —
    0x075d0202, 0x0e9c0212, 0x0e911402, 0x07890202, 0x02010000, 0x0cfa3a02, 0x0ea91402, 0x0ea71312,  // 98 ˜ ™ š › œ ctl ž Ÿ
    0x07040202, 0x07510202, 0x07970202, 0x07980202, 0x07990202, 0x079a0202, 0x07520202, 0x0a060202,  // A0 nbsp ¡ ¢ £ ¤ ¥ ¦ §
    0x07530202, 0x0a070202, 0x0e02030e, 0x08180202, 0x0a080202, 0x00000000, 0x0a090202, 0x07540202,  // A8 ¨ © ª « ¬ shy ® ¯
    0x0a0a0202, 0x08170202, 0x0d1c020e, 0x0d1e020e, 0x07550202, 0x0a0b0202, 0x0a0c0202, 0x0a0d0202,  // B0 ° ± ² ³ ´ µ ¶ ·
    0x07560202, 0x0d1a020e, 0x0e7c030e, 0x081a0202, 0x0d0d0202, 0x0d110202, 0x0d150202, 0x07570202,  // B8 ¸ ¹ º » ¼ ½ ¾ ¿
    0x0e020f12, 0x0e020e12, 0x0e021212, 0x0e021912, 0x0e021312, 0x0e021a12, 0x02020000, 0x0e0a1c12,  // C0 À Á Â Ã Ä Å Æ Ç
    0x0e210f12, 0x0e210e12, 0x0e211212, 0x0e211312, 0x0e320f12, 0x0e320e12, 0x0e321212, 0x0e321312,  // C8 È É Ê Ë Ì Í Î Ï
    0x0e1a6812, 0x0e701912, 0x0e7c0f12, 0x0e7c0e12, 0x0e7c1212, 0x0e7c1912, 0x0e7c1312, 0x081c0202,  // D0 Ð Ñ Ò Ó Ô Õ Ö ×
    0x0e7c2112, 0x0e9f0f12, 0x0e9f0e12, 0x0e9f1212, 0x0e9f1312, 0x0ea70e12, 0x02030000, 0x02040000,  // D8 Ø Ù Ú Û Ü Ý Þ ß
    0x0e020f02, 0x0e020e02, 0x0e021202, 0x0e021902, 0x0e021302, 0x0e021a02, 0x02050000, 0x0e0a1c02,  // E0 à á â ã ä å æ ç
    0x0e210f02, 0x0e210e02, 0x0e211202, 0x0e211302, 0x0e320f02, 0x0e320e02, 0x0e321202, 0x0e321302,  // E8 è é ê ë ì í î ï
    0x0e1a6802, 0x0e701902, 0x0e7c0f02, 0x0e7c0e02, 0x0e7c1202, 0x0e7c1902, 0x0e7c1302, 0x081d0202,  // F0 ð ñ ò ó ô õ ö ÷
    0x0e7c2102, 0x0e9f0f02, 0x0e9f0e02, 0x0e9f1202, 0x0e9f1302, 0x0ea70e02, 0x02060000, 0x0ea71302,  // F8 ø ù ú û ü ý þ ÿ
};

constexpr std::uint32_t kExpansions[][2] = {
    {0x0e7c0212, 0x0e210212},  // Œ  O E
    {0x0e7c0202, 0x0e210202},  // œ  o e
    {0x0e020212, 0x0e210212},  // Æ  A E
    {0x0e990212, 0x0e2c0212},  // Þ  T H
    {0x0e910202, 0x0e910202},  // ß  s s
    {0x0e020202, 0x0e210202},  // æ  a e
    {0x0e990202, 0x0e2c0202},  // þ  t h
};

// Upper case and sub- or superscript; NORM_IGNORECASE drops both.
constexpr std::uint8_t kCaseBits = 0x18;

// A text's sort key one level at a time, as LCMapStringA builds it.
struct Levels {
    std::string primary, diacritic, letter_case, special;
};

void AppendLetter(Levels& key, std::uint32_t w, std::uint8_t case_mask) {
    key.primary += static_cast<char>(w >> 24);
    key.primary += static_cast<char>(w >> 16);
    key.diacritic += static_cast<char>(w >> 8);
    key.letter_case += static_cast<char>(w & case_mask);
}

// Weights of 2 are the plain ones; trailing ones say nothing, so a key drops them.
void TrimPlain(std::string& level) {
    while (!level.empty() && static_cast<std::uint8_t>(level.back()) <= 2) level.pop_back();
}

Levels MakeLevels(const char* text, bool ignore_case) {
    const std::uint8_t case_mask = ignore_case ? ~kCaseBits & 0xFF : 0xFF;
    Levels key;
    for (const char* p = text; *p != '\0'; ++p) {
        std::uint32_t w = kWeights[static_cast<std::uint8_t>(*p)];
        std::uint8_t script = static_cast<std::uint8_t>(w >> 24);
        if (script == kIgnored) continue;
        if (script == kExpansion) {
            for (std::uint32_t part : kExpansions[(w >> 16) & 0xFF]) AppendLetter(key, part, case_mask);
        } else if (script == kWordSort) {
            // Its place, counted in letters before it and negated as 16 bits: of two
            // texts alike but for where a hyphen stands, the later hyphen sorts first.
            std::uint16_t place = static_cast<std::uint16_t>(-static_cast<int>(key.primary.size() / 2) - 1);
            key.special += static_cast<char>(place >> 8);
            key.special += static_cast<char>(place & 0xFF);
            key.special += static_cast<char>(w >> 16);
            key.special += static_cast<char>((w & case_mask & 0xFF) | ((w >> 8 & 0xFF) << 3));
        } else {
            AppendLetter(key, w, case_mask);
        }
    }
    TrimPlain(key.diacritic);
    TrimPlain(key.letter_case);
    return key;
}

// Unsigned bytes; a proper prefix comes first.
int CompareLevel(const std::string& a, const std::string& b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    int r = std::memcmp(a.data(), b.data(), n);
    if (r == 0) r = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// 0x80..0xFF of code page 437 as WideCharToMultiByte's best fit puts them into 1252.
constexpr std::uint8_t kOemHigh[128] = {
    0xc7, 0xfc, 0xe9, 0xe2, 0xe4, 0xe0, 0xe5, 0xe7, 0xea, 0xeb, 0xe8, 0xef, 0xee, 0xec, 0xc4, 0xc5,  // Ç ü é â ä à å ç ê ë è ï î ì Ä Å
    0xc9, 0xe6, 0xc6, 0xf4, 0xf6, 0xf2, 0xfb, 0xf9, 0xff, 0xd6, 0xdc, 0xa2, 0xa3, 0xa5, 0x50, 0x83,  // É æ Æ ô ö ò û ù ÿ Ö Ü ¢ £ ¥ ₧ ƒ
    0xe1, 0xed, 0xf3, 0xfa, 0xf1, 0xd1, 0xaa, 0xba, 0xbf, 0xac, 0xac, 0xbd, 0xbc, 0xa1, 0xab, 0xbb,  // á í ó ú ñ Ñ ª º ¿ ⌐ ¬ ½ ¼ ¡ « »
    0xa6, 0xa6, 0xa6, 0xa6, 0xa6, 0xa6, 0xa6, 0x2b, 0x2b, 0xa6, 0xa6, 0x2b, 0x2b, 0x2b, 0x2b, 0x2b,  // shades, box lines
    0x2b, 0x2d, 0x2d, 0x2b, 0x2d, 0x2b, 0xa6, 0xa6, 0x2b, 0x2b, 0x2d, 0x2d, 0xa6, 0x2d, 0x2b, 0x2d,  // box lines
    0x2d, 0x2d, 0x2d, 0x2b, 0x2b, 0x2b, 0x2b, 0x2b, 0x2b, 0x2b, 0x2b, 0xa6, 0x5f, 0xa6, 0xa6, 0xaf,  // box lines, blocks
    0x61, 0xdf, 0x47, 0x70, 0x53, 0x73, 0xb5, 0x74, 0x46, 0x54, 0x4f, 0x64, 0x38, 0x66, 0x65, 0x6e,  // α ß Γ π Σ σ µ τ Φ Θ Ω δ ∞ φ ε ∩
    0x3d, 0xb1, 0x3d, 0x3d, 0x28, 0x29, 0xf7, 0x98, 0xb0, 0xb7, 0xb7, 0x76, 0x6e, 0xb2, 0xa6, 0xa0,  // ≡ ± ≥ ≤ ⌠ ⌡ ÷ ≈ ° ∙ · √ ⁿ ² ■ nbsp
};

}  // namespace

int CompareAnsi(const char* a, const char* b, bool ignore_case) {
    if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
    Levels x = MakeLevels(a, ignore_case), y = MakeLevels(b, ignore_case);
    if (int r = CompareLevel(x.primary, y.primary)) return r;
    if (int r = CompareLevel(x.diacritic, y.diacritic)) return r;
    if (int r = CompareLevel(x.letter_case, y.letter_case)) return r;
    return CompareLevel(x.special, y.special);
}

std::string AnsiSortKey(const char* text, bool ignore_case) {
    Levels key = MakeLevels(text, ignore_case);
    return key.primary + '\x01' + key.diacritic + '\x01' + key.letter_case + '\x01' + '\x01' + key.special + '\0';
}

void UpperAnsi(char* text, std::uint32_t length) {
    for (std::uint32_t i = 0; i < length; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(text[i]);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
        else if (c == 0x9A || c == 0x9C || c == 0x9E) c -= 0x10;  // š œ ž
        else if (c == 0xFF) c = 0x9F;                             // ÿ
        text[i] = static_cast<char>(c);
    }
}

void LowerAnsi(char* text, std::uint32_t length) {
    for (std::uint32_t i = 0; i < length; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(text[i]);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
        else if (c == 0x8A || c == 0x8C || c == 0x8E) c += 0x10;  // Š Œ Ž
        else if (c == 0x9F) c = 0xFF;                             // Ÿ
        text[i] = static_cast<char>(c);
    }
}

void OemToAnsi(const char* from, char* to) {
    for (;; ++from, ++to) {
        std::uint8_t c = static_cast<std::uint8_t>(*from);
        *to = static_cast<char>(c < 0x80 ? c : kOemHigh[c - 0x80]);
        if (c == 0) break;
    }
}

}  // namespace zep::sim
