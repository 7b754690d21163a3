#include "base/text.h"

#include <climits>

namespace zep {

std::size_t TextLength(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

bool CopyText(char* dst, std::size_t capacity, const char* src, std::size_t length) {
    if (capacity == 0) return length == 0;
    std::size_t n = length < capacity - 1 ? length : capacity - 1;
    for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
    dst[n] = '\0';
    return n == length;
}

bool CopyText(char* dst, std::size_t capacity, const char* src) {
    return CopyText(dst, capacity, src, TextLength(src));
}

bool AppendText(char* dst, std::size_t capacity, const char* src) {
    std::size_t used = TextLength(dst);
    if (used >= capacity) return false;
    return CopyText(dst + used, capacity - used, src);
}

namespace {

struct Writer {
    char* dst;
    std::size_t capacity;
    std::size_t length = 0;

    void put(char c) {
        if (length + 1 < capacity) dst[length++] = c;
    }
    void put(const char* s) {
        while (*s != '\0') put(*s++);
    }
    void put_unsigned(std::uint32_t value, unsigned base, bool upper) {
        char digits[12];
        int n = 0;
        do {
            unsigned d = value % base;
            digits[n++] = static_cast<char>(d < 10 ? '0' + d : (upper ? 'A' : 'a') + d - 10);
            value /= base;
        } while (value != 0);
        while (n > 0) put(digits[--n]);
    }
};

}  // namespace

int FormatTextV(char* dst, std::size_t capacity, const char* format, va_list args) {
    Writer out{dst, capacity};
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.put(*p);
            continue;
        }
        const char* start = p++;
        if (*p == 'l' || *p == 'h') ++p;
        switch (*p) {
            case '%':
                out.put('%');
                break;
            case 's': {
                const char* s = va_arg(args, const char*);
                out.put(s != nullptr ? s : "(null)");
                break;
            }
            case 'c':
                out.put(static_cast<char>(va_arg(args, int)));
                break;
            case 'd':
            case 'i': {
                std::int32_t v = va_arg(args, std::int32_t);
                if (v < 0) out.put('-');
                out.put_unsigned(v < 0 ? 0u - static_cast<std::uint32_t>(v)
                                       : static_cast<std::uint32_t>(v),
                                 10, false);
                break;
            }
            case 'u':
                out.put_unsigned(va_arg(args, std::uint32_t), 10, false);
                break;
            case 'x':
            case 'X':
                out.put_unsigned(va_arg(args, std::uint32_t), 16, *p == 'X');
                break;
            default:
                // Not a directive this formatter knows: show it as written.
                for (const char* q = start; q <= p && *q != '\0'; ++q) out.put(*q);
                if (*p == '\0') --p;
                break;
        }
    }
    if (capacity > 0) dst[out.length] = '\0';
    return static_cast<int>(out.length);
}

int FormatText(char* dst, std::size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatTextV(dst, capacity, format, args);
    va_end(args);
    return n;
}

std::int32_t ParseDecimal(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<std::int64_t>(INT_MAX) + 1) value = static_cast<std::int64_t>(INT_MAX) + 1;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<std::int32_t>(value);
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a != '\0' && AsciiUpper(*a) == AsciiUpper(*b); ++a, ++b) {
    }
    return AsciiUpper(*a) == AsciiUpper(*b);
}

bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (prefix[i] == '\0') return true;
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
    }
    return true;
}

}  // namespace zep
