// The registry of the simulated machine, as the Win32 calls reach it.
#include <cstring>

#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"

namespace zep::sim {

namespace {

constexpr std::int32_t kMoreData = 234;
constexpr std::int32_t kBadKey = 1010;

std::string Join(const std::string& base, const char* sub) {
    if (sub == nullptr || *sub == '\0') return base;
    return base.empty() ? std::string(sub) : base + "\\" + sub;
}

}  // namespace

RegistryKey* SimPlatform::key_of(Hkey key, std::string* path) {
    std::string p;
    if (key != HKEY_LOCAL_MACHINE) {
        auto it = keys_.find(key);
        if (it == keys_.end()) return nullptr;
        p = it->second;
    }
    if (path != nullptr) *path = p;
    return machine_.registry_key(p);
}

std::int32_t SimPlatform::open_key(const char* op, Hkey key, const char* subkey, bool create, Hkey& out) {
    out = 0;
    if (fail(op, subkey ? subkey : "")) return static_cast<std::int32_t>(last_error_);
    std::string base;
    if (key_of(key, &base) == nullptr) return kBadKey;
    std::string path = Join(base, subkey);
    if (machine_.registry_key(path, create) == nullptr) return ERROR_FILE_NOT_FOUND;
    out = next_key_++;
    keys_[out] = path;
    return ERROR_SUCCESS;
}

std::int32_t SimPlatform::reg_open_key(Hkey key, const char* subkey, Hkey& out) {
    return open_key("reg_open_key", key, subkey, false, out);
}

std::int32_t SimPlatform::reg_create_key(Hkey key, const char* subkey, Hkey& out) {
    return open_key("reg_create_key", key, subkey, true, out);
}

std::int32_t SimPlatform::reg_enum_key(Hkey key, std::uint32_t index, char* name, std::uint32_t size) {
    if (fail("reg_enum_key")) return static_cast<std::int32_t>(last_error_);
    RegistryKey* k = key_of(key);
    if (k == nullptr) return kBadKey;
    if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->subkeys.begin();
    std::advance(it, index);
    const std::string& n = it->second->name;
    if (n.size() + 1 > size) return kMoreData;
    std::memcpy(name, n.c_str(), n.size() + 1);
    return ERROR_SUCCESS;
}

std::int32_t SimPlatform::reg_query_value_ex(Hkey key, const char* name, std::uint32_t* type, void* data,
                                             std::uint32_t* size) {
    if (fail("reg_query_value_ex", name ? name : "")) return static_cast<std::int32_t>(last_error_);
    RegistryKey* k = key_of(key);
    if (k == nullptr) return kBadKey;
    auto it = k->values.find(AnsiUpper(name ? name : ""));
    if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
    const auto& bytes = it->second.data;
    if (type != nullptr) *type = it->second.type;
    if (size == nullptr) return ERROR_SUCCESS;
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) return ERROR_SUCCESS;
    if (bytes.size() > room) return kMoreData;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

std::int32_t SimPlatform::reg_set_value_ex(Hkey key, const char* name, std::uint32_t type, const void* data,
                                           std::uint32_t size) {
    if (fail("reg_set_value_ex", name ? name : "")) return static_cast<std::int32_t>(last_error_);
    RegistryKey* k = key_of(key);
    if (k == nullptr) return kBadKey;
    const std::string shown = name ? name : "";
    auto& v = k->values[AnsiUpper(shown)];
    if (v.name.empty()) v.name = shown;
    v.type = type;
    const auto* p = static_cast<const std::uint8_t*>(data);
    v.data.assign(p, p + size);
    return ERROR_SUCCESS;
}

std::int32_t SimPlatform::reg_delete_value(Hkey key, const char* name) {
    if (fail("reg_delete_value", name ? name : "")) return static_cast<std::int32_t>(last_error_);
    RegistryKey* k = key_of(key);
    if (k == nullptr) return kBadKey;
    return k->values.erase(AnsiUpper(name ? name : "")) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

std::int32_t SimPlatform::reg_delete_key(Hkey key, const char* subkey) {
    if (fail("reg_delete_key", subkey ? subkey : "")) return static_cast<std::int32_t>(last_error_);
    std::string base;
    if (key_of(key, &base) == nullptr) return kBadKey;
    std::string path = Join(base, subkey);
    RegistryKey* target = machine_.registry_key(path);
    if (target == nullptr || path.empty()) return ERROR_FILE_NOT_FOUND;
    // NT deletes only a key without subkeys; the 95 family takes the whole tree.
    if (machine_.version.platform_id == VER_PLATFORM_WIN32_NT && !target->subkeys.empty()) {
        return ERROR_ACCESS_DENIED;
    }
    std::size_t cut = path.rfind('\\');
    RegistryKey* parent = machine_.registry_key(cut == std::string::npos ? "" : path.substr(0, cut));
    parent->subkeys.erase(AnsiUpper(cut == std::string::npos ? path : path.substr(cut + 1)));
    return ERROR_SUCCESS;
}

std::int32_t SimPlatform::reg_close_key(Hkey key) {
    // A close fails on Windows only for a key that is not open: made to fail, the key is
    // closed all the same.
    const bool failed = fail("reg_close_key");
    const bool open = key == HKEY_LOCAL_MACHINE || keys_.erase(key) > 0;
    if (failed) return static_cast<std::int32_t>(last_error_);
    return open ? ERROR_SUCCESS : static_cast<std::int32_t>(ERROR_INVALID_HANDLE);
}

}  // namespace zep::sim
