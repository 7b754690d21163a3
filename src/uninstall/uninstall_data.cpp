#include "uninstall/uninstall_data.h"

namespace zep {

namespace {

constexpr char kMagic[4] = {'Z', 'E', 'P', 'U'};

// Little-endian fields at any alignment.
std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool IsPlainRelativePath(const char* text, std::uint32_t length) {
    if (length == 0 || length > kMaxRecordName) return false;
    bool only_dots = true;  // a part of dots only names a folder above, or nothing
    bool empty = true;
    for (std::uint32_t i = 0; i <= length; ++i) {
        const char c = i < length ? text[i] : '\\';
        if (c == '\0' || c == ':' || c == '/') return false;
        if (c == '\\') {
            if (empty || only_dots) return false;  // also a leading, trailing or doubled backslash
            only_dots = empty = true;
            continue;
        }
        empty = false;
        if (c != '.') only_dots = false;
    }
    return true;
}

bool ReadUninstallData(const void* bytes, std::uint32_t size, UninstallData& out) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    if (p == nullptr || size < kUninstallHeaderSize) return false;
    for (int i = 0; i < 4; ++i) {
        if (p[i] != static_cast<std::uint8_t>(kMagic[i])) return false;
    }
    if (Get16(p + 4) != kUninstallDataVersion) return false;
    const std::uint32_t count = Get16(p + 6);
    const std::uint32_t script_at = Get32(p + 8);
    const std::uint32_t script_length = Get32(p + 12);
    if (script_at != kUninstallHeaderSize || script_length == 0 || script_length > size - script_at) {
        return false;
    }
    const std::uint8_t* end = p + size;
    const std::uint8_t* at = p + script_at + script_length;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (static_cast<std::uint32_t>(end - at) < kFileRecordHeaderSize) return false;
        const std::uint32_t length = Get16(at + 8);
        if (static_cast<std::uint32_t>(end - at) - kFileRecordHeaderSize < length) return false;
        if (!IsPlainRelativePath(reinterpret_cast<const char*>(at + kFileRecordHeaderSize), length)) {
            return false;
        }
        at += kFileRecordHeaderSize + length;
    }
    if (at != end) return false;
    out.script = reinterpret_cast<const char*>(p + script_at);
    out.script_length = script_length;
    out.file_count = count;
    out.records = p + script_at + script_length;
    out.end = end;
    return true;
}

const std::uint8_t* NextFileRecord(const std::uint8_t* at, FileRecord& out) {
    out.size = Get32(at);
    out.dos_date = Get16(at + 4);
    out.dos_time = Get16(at + 6);
    out.length = Get16(at + 8);
    out.name = reinterpret_cast<const char*>(at + kFileRecordHeaderSize);
    return at + kFileRecordHeaderSize + out.length;
}

}  // namespace zep
