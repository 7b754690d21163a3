#include "script/keywords.h"

#include "base/text.h"

namespace zep {

const char* const kDirectoryKeywords[5] = {"Target", "Windows", "System", "System32", "Fonts"};
const char* const kFileFlagKeywords[6] = {"EGA",    "VGA",        "8514",
                                          "Append", "HiddenFont", "SystemFont"};
const char* const kPlatformKeywords[3] = {"Win31", "Win95", "WinNT"};

namespace {

template <int N>
int Find(const char* const (&table)[N], const char* word, int none) {
    for (int i = 0; i < N; ++i) {
        if (EqualsIgnoringAsciiCase(word, table[i])) return i;
    }
    return none;
}

}  // namespace

int FindDirectoryKeyword(const char* word) {
    return Find(kDirectoryKeywords, word, 5);
}

int FindFileFlagKeyword(const char* word) {
    return Find(kFileFlagKeywords, word, -1);
}

int FindPlatformKeyword(const char* word) {
    return Find(kPlatformKeywords, word, -1);
}

}  // namespace zep
