// 64-bit division by shifting and subtracting, for the runtime of the 32-bit build: libgcc's
// own helpers carry unwind tables that would cost setup.exe a section of their own.
#pragma once

#include <cstdint>

namespace zep::win32 {

constexpr std::uint64_t DivideUnsigned(std::uint64_t n, std::uint64_t d, std::uint64_t* remainder = nullptr) {
    std::uint64_t quotient = 0, r = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const bool carry = (r >> 63) != 0;  // r << 1 would lose its top bit: then it is >= d
        r = r << 1 | (n >> bit & 1);
        if (carry || r >= d) {
            r -= d;
            quotient |= std::uint64_t{1} << bit;
        }
    }
    if (remainder != nullptr) *remainder = r;
    return quotient;
}

constexpr std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// Rounded toward zero; the remainder takes the dividend's sign, as C++ has it.
constexpr std::int64_t DivideSigned(std::int64_t n, std::int64_t d, std::int64_t* remainder = nullptr) {
    std::uint64_t r = 0;
    std::uint64_t q = DivideUnsigned(Magnitude(n), Magnitude(d), &r);
    if (remainder != nullptr) *remainder = static_cast<std::int64_t>(n < 0 ? 0 - r : r);
    return static_cast<std::int64_t>((n < 0) != (d < 0) ? 0 - q : q);
}

}  // namespace zep::win32
