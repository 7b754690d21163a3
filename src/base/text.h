// Bounded text helpers shared by the logic. Every writer takes its buffer's capacity
// (terminator included) and cuts rather than overruns.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace zep {

std::size_t TextLength(const char* text);

// Copies as much of src as fits; returns false when it was cut.
bool CopyText(char* dst, std::size_t capacity, const char* src);
bool CopyText(char* dst, std::size_t capacity, const char* src, std::size_t length);
bool AppendText(char* dst, std::size_t capacity, const char* src);

template <std::size_t N>
bool CopyText(char (&dst)[N], const char* src) {
    return CopyText(dst, N, src);
}
template <std::size_t N>
bool AppendText(char (&dst)[N], const char* src) {
    return AppendText(dst, N, src);
}

// The wsprintfA directives the installer's texts use: %s %c %d %i %u %x %X %%, with an
// optional l or h size prefix. Output is cut to the capacity; returns its length.
int FormatTextV(char* dst, std::size_t capacity, const char* format, va_list args);
int FormatText(char* dst, std::size_t capacity, const char* format, ...);

// Leading blanks, an optional sign, then decimal digits up to the first other character.
// Values beyond 32 bits are held at the nearest limit instead of wrapping.
std::int32_t ParseDecimal(const char* text);

// ASCII letters only, as the comparisons of window titles and profile keywords need.
char AsciiUpper(char c);
bool EqualsIgnoringAsciiCase(const char* a, const char* b);
bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix, std::size_t length);

}  // namespace zep
