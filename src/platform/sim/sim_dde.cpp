// DDEML of the simulated machine, client side, with the shell's "PROGMAN" server taking
// execute commands.
#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"

namespace zep::sim {

namespace {

constexpr std::uint32_t kDmlErrSysError = 0x400F;

}  // namespace

std::uint32_t SimPlatform::dde_initialize(std::uint32_t& instance, DdeCallback callback, std::uint32_t) {
    if (instance != 0 || callback == nullptr || fail("dde_initialize")) return kDmlErrSysError;
    instance = static_cast<std::uint32_t>(next_dde_++);
    dde_instances_[instance] = callback;
    return DMLERR_NO_ERROR;
}

bool SimPlatform::dde_uninitialize(std::uint32_t instance) {
    if (dde_instances_.erase(instance) == 0) return false;
    std::erase_if(dde_strings_, [&](const auto& s) { return s.second.first == instance; });
    std::erase_if(dde_conversations_, [&](const auto& c) { return c.second == instance; });
    return true;
}

Hsz SimPlatform::dde_create_string_handle(std::uint32_t instance, const char* text, int code_page) {
    if (fail("dde_create_string_handle", text ? text : "")) return 0;
    if (dde_instances_.count(instance) == 0 || text == nullptr || code_page != CP_WINANSI) return 0;
    Hsz h = next_dde_++;
    dde_strings_[h] = {instance, text};
    return h;
}

bool SimPlatform::dde_free_string_handle(std::uint32_t instance, Hsz text) {
    auto it = dde_strings_.find(text);
    if (it == dde_strings_.end() || it->second.first != instance) return false;
    dde_strings_.erase(it);
    return true;
}

Hconv SimPlatform::dde_connect(std::uint32_t instance, Hsz service, Hsz topic) {
    if (fail("dde_connect")) return 0;
    auto s = dde_strings_.find(service), t = dde_strings_.find(topic);
    if (dde_instances_.count(instance) == 0 || s == dde_strings_.end() || t == dde_strings_.end()) return 0;
    // Service and topic names compare without regard to case, as DDE atoms do.
    if (!machine_.progman.answers || !SameAnsiName(s->second.second, "PROGMAN") ||
        !SameAnsiName(t->second.second, "PROGMAN")) {
        return 0;
    }
    Hconv h = next_dde_++;
    dde_conversations_[h] = instance;
    return h;
}

bool SimPlatform::dde_disconnect(Hconv conversation) {
    return dde_conversations_.erase(conversation) != 0;
}

Hddedata SimPlatform::dde_client_transaction(const void* data, std::uint32_t size, Hconv conversation, Hsz item,
                                             std::uint32_t format, std::uint32_t type, std::uint32_t timeout,
                                             std::uint32_t* result) {
    if (result != nullptr) *result = 0;
    if (fail("dde_client_transaction") || dde_conversations_.count(conversation) == 0) return 0;
    // Program Manager takes text commands only, each a string with its terminating zero.
    const auto* bytes = static_cast<const char*>(data);
    if (type != XTYP_EXECUTE || format != CF_TEXT || item != 0 || bytes == nullptr || size == 0 ||
        bytes[size - 1] != '\0') {
        return 0;
    }
    machine_.progman.commands.emplace_back(bytes);
    if (timeout != TIMEOUT_ASYNC) return 1;
    const std::uint32_t id = static_cast<std::uint32_t>(next_dde_++);
    if (result != nullptr) *result = id;
    return id;
}

}  // namespace zep::sim
