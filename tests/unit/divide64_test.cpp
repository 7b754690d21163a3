// The 32-bit build's own 64-bit division agrees with the machine's, at the edges too.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "platform/win32/divide64.h"

namespace zep::win32 {
namespace {

TEST(Divide64, AgreesWithTheMachine) {
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint64_t> values = {0, 1, 2, 3, 7, 10, 100, 1023, 1024, 0xFFFFFFFF, 0x100000000,
                                         0x7FFFFFFFFFFFFFFF, 0x8000000000000000, 0x8000000000000001, max - 1, max};
    std::mt19937_64 random(12345);
    for (int i = 0; i < 2000; ++i) values.push_back(random() >> (random() % 64));
    for (std::uint64_t n : values) {
        for (std::uint64_t d : values) {
            if (d == 0) continue;
            std::uint64_t r = 0;
            ASSERT_EQ(DivideUnsigned(n, d, &r), n / d) << n << " / " << d;
            ASSERT_EQ(r, n % d) << n << " % " << d;
            auto sn = static_cast<std::int64_t>(n), sd = static_cast<std::int64_t>(d);
            if (sn == std::numeric_limits<std::int64_t>::min() && sd == -1) continue;  // overflows
            std::int64_t sr = 0;
            ASSERT_EQ(DivideSigned(sn, sd, &sr), sn / sd) << sn << " / " << sd;
            ASSERT_EQ(sr, sn % sd) << sn << " % " << sd;
        }
    }
}

}  // namespace
}  // namespace zep::win32
