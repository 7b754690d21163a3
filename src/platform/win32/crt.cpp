// The few C runtime functions the compiler and the logic call, so that setup.exe links
// no runtime library and imports system DLLs only.
#include <cstddef>

#include "platform/win32/divide64.h"

extern "C" {

void* memcpy(void* dst, const void* src, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    while (n-- != 0) *d++ = *s++;
    return dst;
}

void* memmove(void* dst, const void* src, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (n-- != 0) *d++ = *s++;
    } else {
        while (n-- != 0) d[n] = s[n];
    }
    return dst;
}

void* memset(void* dst, int value, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    while (n-- != 0) *d++ = static_cast<unsigned char>(value);
    return dst;
}

int memcmp(const void* a, const void* b, std::size_t n) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (; n != 0; --n, ++x, ++y) {
        if (*x != *y) return *x - *y;
    }
    return 0;
}

std::size_t strlen(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

#if defined(__i386__)
// The 64-bit divisions the 32-bit compiler calls.
long long __divdi3(long long n, long long d) {
    return zep::win32::DivideSigned(n, d);
}

long long __moddi3(long long n, long long d) {
    long long r = 0;
    zep::win32::DivideSigned(n, d, &r);
    return r;
}

unsigned long long __udivdi3(unsigned long long n, unsigned long long d) {
    return zep::win32::DivideUnsigned(n, d);
}

unsigned long long __umoddi3(unsigned long long n, unsigned long long d) {
    std::uint64_t r = 0;
    zep::win32::DivideUnsigned(n, d, &r);
    return r;
}
#endif

// Called only if a pure virtual function were ever called; it cannot be.
void __cxa_pure_virtual() {
    __builtin_trap();
}

}  // extern "C"
