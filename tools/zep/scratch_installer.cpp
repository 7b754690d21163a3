#include "tools/zep/scratch_installer.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "dialogs/dialog_table.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"

extern const std::uint8_t kSetupRes[];
extern const std::size_t kSetupRes_size;

namespace fs = std::filesystem;

namespace zep::tool {

const char* const kDisplayNames[3] = {"ega", "vga", "8514"};

const std::vector<CheckPlatform>& KnownPlatforms() {
    static const std::vector<CheckPlatform> platforms = {
        {"win95", 4, 0, VER_PLATFORM_WIN32_WINDOWS},
        {"nt351", 3, 51, VER_PLATFORM_WIN32_NT},
        {"nt40", 4, 0, VER_PLATFORM_WIN32_NT},
    };
    return platforms;
}

namespace {

constexpr int kPixelsPerInch[3] = {72, 96, 120};

}  // namespace

ScratchInstaller::ScratchInstaller(const fs::path& sandbox, const CheckPlatform& platform, int display,
                                   const std::string& script)
    : machine_(sandbox), os_(machine_, "C:\\SETUP\\SETUP.EXE"), in_(os_.services()) {
    machine_.version = {platform.major, platform.minor, 0, platform.platform_id};
    machine_.pixels_per_inch = kPixelsPerInch[display];
    os_.resources.load_res_bytes(kSetupRes, kSetupRes_size);
    os_.set_context(&in_);
    machine_.put_file("C:\\SETUP\\INSTALL.INI", script);
    ProbeVersion(in_);
    ComputeRoots(in_);
    ProbeDisplay(in_);
    PreloadDialogTemplates(in_);
    LoadStringPool(in_);
    code_ = LoadInstallScript(in_);
}

ScratchInstaller::~ScratchInstaller() {
    ReleaseScriptTables(in_);
    FreeDialogTemplates(in_);
}

std::string ScratchInstaller::dialog_text() {
    os_.user.answer(0, {sim::Click(IDCANCEL)});
    ShowInstallDialog(in_, code_, 0);
    if (os_.user.shown.empty()) return "(no dialog)";
    auto& texts = os_.user.shown.back().texts;
    std::string text = texts.count(1001) ? texts[1001] : texts.count(-1) ? texts[-1] : "";
    if (code_ == kErrScriptLine) {
        text = "Section: " + texts[1101] + "  Line: " + texts[1102] + "  " + text;
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::string ScratchInstaller::text(Atom atom) {
    char buf[256] = {};
    if (atom != 0) os_.get_atom_name(atom, buf, sizeof buf);
    return buf;
}

std::vector<ScratchInstaller::Entry> ScratchInstaller::entries() {
    std::vector<Entry> out;
    for (int d = 0; d < kMaxDisks && d < in_.script.basic.total_disks; ++d) {
        const DiskRecord& disk = in_.script.disks[d];
        if (disk.name == 0 || disk.entries == 0) continue;
        const auto* list = static_cast<const FileEntry*>(os_.global_lock(disk.entries));
        if (list == nullptr) continue;
        for (std::uint16_t i = 0; i < disk.count; ++i) {
            const FileEntry& e = list[i];
            out.push_back({d + 1, text(e.source), text(e.destination), e.resource_id, e.kind, e.flags});
        }
        os_.global_unlock(disk.entries);
    }
    return out;
}

std::vector<std::string> ScratchInstaller::disk_names() {
    std::vector<std::string> out;
    for (int d = 0; d < kMaxDisks && d < in_.script.basic.total_disks; ++d) {
        out.push_back(text(in_.script.disks[d].name));
    }
    return out;
}

ScratchFolder::ScratchFolder(const std::string& what) {
    static std::atomic<int> folders{0};
    base_ = fs::temp_directory_path() /
            ("zep-" + what + "-" + std::to_string(getpid()) + "-" + std::to_string(++folders));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(base_, ec);
}

fs::path ScratchFolder::next() {
    std::error_code ec;
    fs::remove_all(base_, ec);
    return base_ / std::to_string(++runs_);
}

}  // namespace zep::tool
