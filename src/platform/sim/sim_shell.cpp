// Starting programs and the folder browser of the simulated process.
#include <cstring>
#include <filesystem>

#include "platform/sim/sim_platform.h"

namespace zep::sim {

// WinExec reads an unquoted command line as CreateProcess does: the shortest leading part
// up to a blank that names a file (".exe" added to a name without extension) is the program.
std::uint32_t SimPlatform::win_exec(const char* command_line, int) {
    if (fail("win_exec", command_line ? command_line : "")) return ERROR_FILE_NOT_FOUND;
    const std::string line = command_line ? command_line : "";
    for (std::size_t end = line.find(' '); ; end = line.find(' ', end + 1)) {
        std::string program = line.substr(0, end);
        std::size_t slash = program.find_last_of('\\');
        if (program.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) program += ".exe";
        ResolvedPath where = resolve(program.c_str());
        std::error_code ec;
        if (!program.empty() && where.error == 0 && std::filesystem::is_regular_file(where.host, ec)) {
            machine_.started.push_back({line, cwd_.current});
            user.log("start " + line + " in " + cwd_.current);
            return 33;
        }
        if (end == std::string::npos) break;
    }
    return ERROR_FILE_NOT_FOUND;
}

bool SimPlatform::sh_get_malloc() {
    if (fail("sh_get_malloc")) return false;
    shell_malloc_ = true;
    return true;
}

Pidl SimPlatform::sh_browse_for_folder(const BrowseInfo& info) {
    if (fail("sh_browse_for_folder")) return 0;
    SimWindow& browser = machine_.new_window(this, thread_);
    const Hwnd handle = browser.handle;
    browser.cls = "#32770";
    browser.text = "Browse for Folder";
    browser.parent = info.owner;
    std::string preselected;
    browser.handler = [&preselected](std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) -> std::intptr_t {
        if (msg == BFFM_SETSELECTIONA && wparam != 0 && lparam != 0) {
            preselected = reinterpret_cast<const char*>(lparam);
        }
        return 0;
    };
    browser.process = nullptr;  // answered by the handler, as the shell's own window is
    if (info.callback != nullptr && context_ != nullptr) {
        info.callback(*context_, handle, BFFM_INITIALIZED, 0, info.data);
    }
    machine_.destroy(handle);
    user.log("browse \"" + std::string(info.title ? info.title : "") + "\" preselecting \"" + preselected + "\"");
    if (user.browse_answers.empty()) {
        user.errors.push_back("the folder browser opened but no answer was scripted");
        return 0;
    }
    std::optional<std::string> chosen = user.browse_answers.front();
    user.browse_answers.pop_front();
    if (!chosen) {
        user.log("  cancel");
        return 0;
    }
    user.log("  choose " + *chosen);
    if (info.display_name != nullptr) {
        std::string name = chosen->substr(chosen->find_last_of('\\') + 1);
        std::strncpy(info.display_name, name.c_str(), MAX_PATH - 1);
        info.display_name[MAX_PATH - 1] = '\0';
    }
    Pidl pidl = next_pidl_++;
    pidls_[pidl] = *chosen;
    return pidl;
}

bool SimPlatform::sh_get_path_from_id_list(Pidl list, char* path) {
    auto it = pidls_.find(list);
    if (it == pidls_.end()) {
        path[0] = '\0';
        return false;
    }
    std::strncpy(path, it->second.c_str(), MAX_PATH - 1);
    path[MAX_PATH - 1] = '\0';
    return true;
}

void SimPlatform::sh_malloc_free(Pidl list) {
    pidls_.erase(list);
}

void SimPlatform::sh_malloc_release() {
    shell_malloc_ = false;
}

}  // namespace zep::sim
