// The setup.exe and uninst.exe zep carries: the i686 builds of the same source, when zep
// was built with ZEP_WIN32_BUILD_DIR; none (size 0) otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t kStub[];
extern const std::size_t kStub_size;
extern const std::uint8_t kUninstStub[];
extern const std::size_t kUninstStub_size;
