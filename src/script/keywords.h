// The keyword tables of the script, compared without regard to case.
#pragma once

namespace zep {

// Directory kinds 0..4; the display-class names EGA, VGA and 8514 lead the file flags.
extern const char* const kDirectoryKeywords[5];
extern const char* const kFileFlagKeywords[6];
extern const char* const kPlatformKeywords[3];

int FindDirectoryKeyword(const char* word);  // the kind, or 5 when none matches
int FindFileFlagKeyword(const char* word);   // the bit number, or -1
int FindPlatformKeyword(const char* word);   // the bit number, or -1

}  // namespace zep
