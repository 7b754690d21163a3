// The profile functions on any file bytes, names and buffer sizes: no crash, no byte
// written outside the buffer (it is allocated to the exact size, so ASan sees overruns),
// the answer NUL-terminated inside it; and on plain ASCII files a written value reads
// back.
//
// Input: flags, two bytes of buffer size, the length n of the names, n bytes holding
// section|key|value, then the file. Flag bits: 1 no file, 2/4/8 null section/key/value.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/profile_text.h"

namespace {

bool Plain(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

bool Ascii(const std::string& s) {
    for (char c : s)
        if (c == 0 || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    unsigned flags = data[0];
    std::uint32_t buf_size = (data[1] | data[2] << 8) % 5000;
    std::size_t n = data[3] % 64;
    data += 4, size -= 4;
    if (n > size) n = size;
    std::string names(reinterpret_cast<const char*>(data), n);
    for (char& c : names)
        if (c == 0) c = 'x';
    std::string parts[3];
    for (std::size_t i = 0, at = 0; i < 3; ++i) {
        std::size_t bar = i < 2 ? names.find('|', at) : std::string::npos;
        parts[i] = names.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
        at = bar == std::string::npos ? names.size() : bar + 1;
    }
    const char* section = flags & 2 ? nullptr : parts[0].c_str();
    const char* key = flags & 4 ? nullptr : parts[1].c_str();
    const char* value = flags & 8 ? nullptr : parts[2].c_str();
    std::optional<std::string> file;
    if (!(flags & 1)) file.emplace(reinterpret_cast<const char*>(data + n), size - n);

    std::vector<char> buf(buf_size);
    std::uint32_t r = zep::sim::ProfileGetString(file ? &*file : nullptr, section, key, value, buf.data(), buf_size);
    if (buf_size == 0 ? r != 0 : r >= buf_size || buf[r] != 0) __builtin_trap();
    zep::sim::ProfileGetInt(file ? &*file : nullptr, section, key, static_cast<int>(flags));

    bool rewritten = false;
    std::optional<std::string> before = file;
    bool ok = zep::sim::ProfileWriteString(file, section, key, value, &rewritten);
    if (ok != (section != nullptr) || (!rewritten && file != before)) __builtin_trap();
    if (section != nullptr && key != nullptr && value != nullptr && Plain(parts[0]) && Plain(parts[1]) &&
        Plain(parts[2]) && (!before || Ascii(*before))) {
        char back[64];
        zep::sim::ProfileGetString(file ? &*file : nullptr, section, key, "", back, sizeof back);
        if (parts[2] != back) __builtin_trap();
    }
    return 0;
}
