// Whole installations of the sample product on the simulated Windows, with one platform
// call made to fail: every call in turn, once and from then on, with the error that call
// gives on Windows. After each run the invariants users care about are checked, not the
// outputs: setup ends; a stop is explained by a dialog; every file is the installed one,
// the one that was there, or gone where it was replaced; nothing of setup's is left behind;
// INI lines and registry entries are old or new, never a mix; nothing is left open.
//
// ZEP_SWEEP=full sweeps every call (scripts/sweep.sh); by default every ZEP_SWEEP_EVERY-th
// call is swept, and in two scenarios every call of the transfer of the Append part.
// ZEP_SWEEP_SCENARIO picks scenarios whose name contains it; ZEP_SWEEP_SHARD=i/n takes
// every n-th scenario from the i-th, for runs side by side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "dialogs/dialog_table.h"
#include "engine/embedded_payload.h"
#include "platform/sim/profile_text.h"
#include "shell/shell.h"
#include "szdd/szdd.h"
#include "tests/support/machine_state.h"
#include "tests/support/sim_install.h"

namespace zep {
namespace {

namespace fs = std::filesystem;
using sim::Call;
using sim::Click;
using sim::UserAction;
using test::MachineState;

// --- The scenarios. ---

enum class Source { kFloppy, kEmbedded };
enum class Kind { kFresh, kReinstall, kUpgrade };

struct Scenario {
    std::string name;
    bool nt;
    Source source;
    Kind kind;
};

std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> all;
    for (bool nt : {false, true}) {
        for (Source source : {Source::kFloppy, Source::kEmbedded}) {
            for (Kind kind : {Kind::kFresh, Kind::kReinstall, Kind::kUpgrade}) {
                std::string name = std::string(nt ? "nt40" : "win95") +
                                   (source == Source::kFloppy ? " floppy" : " embedded") +
                                   (kind == Kind::kFresh       ? " fresh"
                                    : kind == Kind::kReinstall ? " reinstall"
                                                               : " upgrade");
                all.push_back({name, nt, source, kind});
            }
        }
    }
    return all;
}

// The sample product's files, in the order of its [Disk n] lines.
struct ProductFile {
    const char* name;
    int disk;
    bool compressed;
};
const ProductFile kFiles[] = {
    {"SAMPLE.EX_", 1, true}, {"README.TX_", 1, true}, {"DATA.1", 1, false},
    {"SAMPLE.TT_", 1, true}, {"DATA.2", 2, true},     {"UNINST.EX_", 2, true},
};

std::string Plain(const std::string& name) {
    static const std::string data = [] {
        std::string d;
        for (int i = 1; d.size() < 150000; ++i) d += std::to_string(100000 + i) + " data\n";
        d.resize(150000);
        return d;
    }();
    if (name == "DATA.1") return data.substr(0, 100000);  // > 64 KB: copied block by block
    if (name == "DATA.2") return data.substr(100000);     // the Append part
    if (name == "SAMPLE.HL_") return "help file";
    return "the file " + name;
}

std::string Szdd(const std::string& plain) {
    static std::map<std::string, std::string> made;
    auto it = made.find(plain);
    if (it != made.end()) return it->second;
    std::vector<std::uint8_t> out;
    szdd::Compress(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size(), 0, out);
    return made[plain] = std::string(out.begin(), out.end());
}

std::string Stored(const ProductFile& f) {
    return f.compressed ? Szdd(Plain(f.name)) : Plain(f.name);
}

// The sample's script as zep pack ships it: with the uninstaller's line on its last disk.
std::string Script(Kind kind) {
    static const std::string sample = [] {
        std::ifstream in(std::string(ZEP_SOURCE_DIR) + "/examples/sample/INSTALL.INI", std::ios::binary);
        std::string s((std::istreambuf_iterator<char>(in)), {});
        if (s.find("UNINST.EX_=") == std::string::npos) s += "UNINST.EX_=Target\\UNINST.EXE,Uninstaller\r\n";
        return s;
    }();
    if (kind != Kind::kUpgrade) return sample;
    std::string s = sample;
    const std::size_t at = s.find("ProductVersion=2.0");
    return s.insert(at, "VersionToPatch=1.0\r\n");
}

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

void PutHost(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A machine ready for one installation: the product on its disks or inside setup.exe,
// and what the machine held before (an earlier version, a user's files).
struct World {
    explicit World(const Scenario& sc)
        : sc(sc), s(sc.source == Source::kFloppy ? "A:\\SETUP.EXE" : "C:\\SETUP\\SETUP.EXE") {
        sim::Machine& m = s.machine;
        if (sc.nt) {
            m.set_nt(4, 0);
            m.system_dir = "C:\\WINDOWS\\SYSTEM32";
            fs::create_directories(m.host_path(m.system_dir));
        }
        m.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true);
        m.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", true);
        m.registry_key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", true);
        m.put_file("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=\r\n[fonts]\r\n");
        m.put_file("C:\\WINDOWS\\NOTEPAD.EXE", "notepad");
        m.put_file("C:\\MY FILES\\LETTER.TXT", "a letter");
        if (sc.kind != Kind::kFresh) Earlier();
        // A running copy of the product, which the exit list asks to close.
        m.add_foreign_window("SampleToolWindow", "Sample Tool - notes.txt");

        if (sc.source == Source::kFloppy) {
            for (int disk : {1, 2}) floppy[disk - 1] = m.sandbox() / ("FLOPPY" + std::to_string(disk));
            PutHost(floppy[0] / "SETUP.EXE", "setup.exe");
            PutHost(floppy[0] / "INSTALL.INI", Script(sc.kind));
            PutHost(floppy[0] / "SAMPLE.HL_", Szdd(Plain("SAMPLE.HL_")));
            for (const ProductFile& f : kFiles) PutHost(floppy[f.disk - 1] / f.name, Stored(f));
            m.map_drive('A', floppy[0], DRIVE_REMOVABLE);
        } else {
            m.put_file("C:\\SETUP\\SETUP.EXE", "setup.exe");
        }
        before = test::Capture(m);
        if (sc.source == Source::kEmbedded) {
            s.os.resources.add(kPayloadType, kScriptResource, Bytes(Szdd(Script(sc.kind))));
            s.os.resources.add(kPayloadType, kHelpResource, Bytes(Szdd(Plain("SAMPLE.HL_"))));
            std::uint16_t id = kFirstFileResource;
            for (const ProductFile& f : kFiles) s.os.resources.add(kPayloadType, id++, Bytes(Stored(f)));
        }
    }

    // Version 1.5 in C:\SAMPLE, with its record, its font and its uninstall entry, and what
    // the user keeps there.
    void Earlier() {
        sim::Machine& m = s.machine;
        m.put_file("C:\\WINDOWS\\SAMPLE.INI", "[Settings]\r\nVersion=1.5\r\nDirectory=C:\\SAMPLE\r\n");
        m.put_file("C:\\SAMPLE\\SAMPLE.EXE", "version 1.5");
        m.put_file("C:\\SAMPLE\\DATA\\SAMPLE.DAT", "old data");
        m.put_file("C:\\SAMPLE\\OLDTOOL.EXE", "the old tool");  // the delete list removes it
        m.put_file("C:\\SAMPLE\\DOC\\NOTES.TXT", "my notes");
        m.put_file("C:\\SAMPLE\\SAMPLE.EX_", "a file of the user's");  // a temporary name of setup's
        m.put_file("C:\\WINDOWS\\FONTS\\SAMPLE.TTF", "the font of 1.5");
        const char* fonts = sc.nt ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                                  : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
        const std::string font = "SAMPLE.TTF";
        m.registry_key(fonts, true)->values["ZEP SAMPLE (TRUETYPE)"] = {"Zep Sample (TrueType)", REG_SZ,
                                                                      {font.begin(), font.end() + 1}};
        sim::RegistryKey* entry =
            m.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool 1.5", true);
        const std::string name = "Sample Tool 1.5", uninstaller = "c:\\sample\\uninst.exe";
        entry->values["DISPLAYNAME"] = {"DisplayName", REG_SZ, {name.begin(), name.end() + 1}};
        entry->values["UNINSTALLSTRING"] = {"UninstallString", REG_SZ, {uninstaller.begin(), uninstaller.end() + 1}};
    }

    // "Inserts" the disk a prompt names into drive A.
    void Insert(const std::string& prompt) {
        if (sc.source != Source::kFloppy) return;
        const bool second = prompt.find("Disk 2") != std::string::npos;
        s.machine.map_drive('A', floppy[second ? 1 : 0], DRIVE_REMOVABLE);
    }

    Scenario sc;
    test::SimInstall s;
    fs::path floppy[2];
    MachineState before;
};

// --- The person in front of the machine. ---

// Answers whatever comes as a patient user would: Begin, Retry, OK, the disk asked for;
// a question that keeps coming back is answered Cancel after a few rounds.
struct Policy {
    World& w;
    std::map<std::uint16_t, int> rounds;

    std::vector<UserAction> operator()(sim::SimPlatform& os, std::uint16_t id) {
        const int round = ++rounds[id];
        const bool patient = round <= 3;
        switch (id) {
            case kDlgNewInstall:
            case kDlgReinstall:
            case kErrFileNotFound:
                // A refusal over the dialog leaves it open: Begin again, then give up.
                return {Click(IDOK), Click(IDOK), Click(IDOK), Click(IDCANCEL)};
            case kErrInsertDisk: {
                const std::string prompt = os.user.shown.empty() ? "" : os.user.shown.back().texts[1001];
                if (!patient) return {Click(IDCANCEL)};
                return {Call([this, prompt](sim::SimPlatform&, Hwnd) { w.Insert(prompt); }), Click(IDOK),
                        Click(IDOK), Click(IDOK), Click(IDCANCEL)};
            }
            case kDlgUpgrade:
            case kErrCopy:
            case kErrOpenScript:
            case kErrStartProgram:
                return {Click(patient ? IDOK : IDCANCEL)};
            default:  // messages with OK, and the completion dialogs: OK or Yes
                return {Click(IDOK)};
        }
    }
};

// --- One run. ---

struct Fault {
    std::size_t call = 0;  // the call of the reference run that fails; 0: none
    std::string op;
    unsigned nth = 0;      // op's how-many-th call that is
    bool persistent = false;
    std::uint32_t error = 0;
};

struct Outcome {
    bool ran_away = false;
    int exit_code = 0;
    MachineState before, after;
    std::vector<sim::ShownDialog> shown;
    std::string transcript;
    std::vector<std::string> user_errors;
    std::size_t open_files = 0, open_keys = 0, open_expansions = 0, dde = 0;
    unsigned fired = 0;
    std::vector<std::string> calls, args;
};

Outcome Run(const Scenario& sc, const Fault& fault, bool record, std::size_t limit) {
    World w(sc);
    Policy policy{w, {}};
    w.s.os.user.policy = [&policy](sim::SimPlatform& os, std::uint16_t id) { return policy(os, id); };
    if (fault.call != 0) w.s.os.faults.add({fault.op, "", fault.nth, fault.persistent, fault.error});
    w.s.os.faults.record_calls(record);
    w.s.os.faults.limit_calls(limit);
    Outcome o;
    try {
        o.exit_code = w.s.run();
    } catch (const sim::Faults::CallLimit&) {
        o.ran_away = true;
    }
    o.before = w.before;
    o.after = test::Capture(w.s.machine);
    o.shown = w.s.os.user.shown;
    o.transcript = w.s.os.user.transcript_text();
    o.user_errors = w.s.os.user.errors;
    o.open_files = w.s.os.open_file_count();
    o.open_keys = w.s.os.open_keys();
    o.open_expansions = w.s.os.open_expansions();
    o.dde = w.s.os.dde_instances();
    o.fired = w.s.os.faults.fired();
    o.calls = w.s.os.faults.calls();
    o.args = w.s.os.faults.args();
    return o;
}

// --- The errors each call gives when it fails on Windows. ---

constexpr std::uint32_t kErrorCrc = 23, kErrorSeek = 25, kErrorWriteFault = 29, kErrorReadFault = 30;
constexpr std::uint32_t kDdeAckTimeout = 0x4005, kDdeNotProcessed = 0x4009, kDdeNoConversation = 0x400A,
                        kDdeSystemError = 0x400F;

std::uint32_t ErrorFor(const std::string& op, std::size_t n) {
    static const std::map<std::string, std::vector<std::uint32_t>> errors = {
        // A file that exists is never "not found"; files that vanish are cases of their own.
        {"open_file", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
        {"lopen", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
        {"lcreat", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_DISK_FULL}},
        {"lread", {kErrorReadFault, kErrorCrc}},
        {"lwrite", {ERROR_DISK_FULL, kErrorWriteFault}},
        {"llseek", {kErrorSeek, ERROR_INVALID_HANDLE}},
        {"lclose", {ERROR_INVALID_HANDLE}},
        {"delete_file", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
        {"set_file_attributes", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}},
        // "Not found" is what an existing file never answers: the failures are these.
        {"get_file_attributes", {ERROR_ACCESS_DENIED, ERROR_NOT_READY}},
        {"create_directory", {ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_PATH_NOT_FOUND}},
        {"set_current_directory", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_NOT_READY}},
        {"get_disk_free_space", {ERROR_NOT_READY, ERROR_ACCESS_DENIED}},
        {"global_alloc", {ERROR_NOT_ENOUGH_MEMORY}},
        {"global_lock", {ERROR_NOT_ENOUGH_MEMORY}},
        {"add_atom", {ERROR_NOT_ENOUGH_MEMORY}},
        {"get_private_profile_string", {ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION}},
        {"write_private_profile_string", {ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_SHARING_VIOLATION}},
        {"write_profile_string", {ERROR_ACCESS_DENIED, ERROR_DISK_FULL, ERROR_SHARING_VIOLATION}},
        {"reg_open_key", {ERROR_ACCESS_DENIED}},
        {"reg_create_key", {ERROR_ACCESS_DENIED}},
        {"reg_set_value_ex", {ERROR_ACCESS_DENIED}},
        {"reg_delete_value", {ERROR_ACCESS_DENIED}},
        {"reg_delete_key", {ERROR_ACCESS_DENIED}},
        {"reg_query_value_ex", {ERROR_ACCESS_DENIED}},
        {"reg_enum_key", {ERROR_ACCESS_DENIED}},
        {"reg_close_key", {ERROR_INVALID_HANDLE}},
        {"dde_initialize", {kDdeSystemError}},
        {"dde_connect", {kDdeNoConversation}},
        {"dde_client_transaction", {kDdeNotProcessed, kDdeAckTimeout}},
        {"add_font_resource", {ERROR_FILE_NOT_FOUND}},
        {"win_exec", {ERROR_FILE_NOT_FOUND}},
        {"send_message_timeout", {ERROR_TIMEOUT}},
    };
    auto it = errors.find(op);
    if (it == errors.end()) return ERROR_NOT_ENOUGH_MEMORY;  // windows, dialogs, resources, the rest
    return it->second[n % it->second.size()];
}

// --- The invariants. ---

bool IsIni(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".INI") == 0;
}

using Optional = std::optional<std::string>;

Optional Find(const std::map<std::string, std::string>& m, const std::string& key) {
    auto it = m.find(key);
    return it == m.end() ? std::nullopt : Optional(it->second);
}

// The lines of every INI file: "FILE [SECTION] KEY" -> value, names in upper case.
std::map<std::string, std::string> IniLines(const MachineState& s) {
    std::map<std::string, std::string> out;
    for (const auto& [path, content] : s.files) {
        if (!IsIni(path) || content == test::kFolder) continue;
        std::vector<char> sections(65536), keys(65536), value(4096);
        sim::ProfileGetString(&content, nullptr, nullptr, "", sections.data(), 65536);
        for (const char* sec = sections.data(); *sec != '\0'; sec += std::strlen(sec) + 1) {
            sim::ProfileGetString(&content, sec, nullptr, "", keys.data(), 65536);
            for (const char* key = keys.data(); *key != '\0'; key += std::strlen(key) + 1) {
                sim::ProfileGetString(&content, sec, key, "", value.data(), 4096);
                out[path + " [" + test::Upper(sec) + "] " + test::Upper(key)] = value.data();
            }
        }
    }
    return out;
}

std::string Show(const Optional& v) {
    if (!v) return "(none)";
    if (*v == test::kFolder) return *v;
    for (char c : *v) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) {
            return std::to_string(v->size()) + " bytes";
        }
    }
    if (v->size() > 40) return std::to_string(v->size()) + " bytes";
    return "\"" + *v + "\"";
}

// What a failing call may end without any dialog: start-up's own failures, which end
// setup silently, and a dialog that cannot be shown, which ends it as Cancel does.
bool EndsSilently(const std::string& op) {
    static const std::set<std::string> silent = {
        "register_class", "create_window",   "find_resource",         "load_resource",
        "lock_resource",  "create_dialog_param", "dialog_box_indirect_param",
    };
    return silent.count(op) != 0;
}

bool IsErrorDialog(std::uint16_t id) {
    return (id >= 1000 && id <= 2000 && id != kDlgFontsOnly) || id == kErrStartProgram ||
           id == kDlgDirectoryInUse || id == kErrTooManyDisks || id == kErrNothingToUpgrade ||
           id == kErrWindowsVersion;
}

// What the installation may change: its files and folders, its record and the
// delete list's file; INI lines and registry entries are looked at one by one.
bool IsProducts(const std::string& path) {
    static const std::set<std::string> own = {
        "C\\SAMPLE",           "C\\SAMPLE\\DATA",          "C\\SAMPLE\\DOC",
        "C\\SAMPLE\\SAMPLE.EXE", "C\\SAMPLE\\DOC\\README.TXT", "C\\SAMPLE\\DATA\\SAMPLE.DAT",
        "C\\SAMPLE\\UNINST.EXE", "C\\WINDOWS\\FONTS\\SAMPLE.TTF", "C\\SAMPLE\\OLDTOOL.EXE",
    };
    return own.count(path) != 0;
}

// What no program can help when the system keeps refusing: a file of setup's own that
// cannot be deleted (OpenFile deletes through DeleteFile too), and the help file, which
// reads as held by the help viewer when every open of it is a sharing violation.
bool MayBeLeft(const std::string& path, const Fault& f) {
    if (!f.persistent) return false;
    if (f.op == "delete_file") return true;
    return f.op == "open_file" && f.error == ERROR_SHARING_VIOLATION && path == "C\\WINDOWS\\SAMPLE.HLP";
}

// Withdrawing a font takes its value out of the registry before the copy; a registry
// that refuses every change from then on cannot have it back.
bool MayLoseWithdrawnFont(const std::string& key, const std::optional<std::map<std::string, std::string>>& before,
                          const std::optional<std::map<std::string, std::string>>& after, const Fault& f) {
    if (!f.persistent || (f.op != "reg_open_key" && f.op != "reg_set_value_ex")) return false;
    if (key.size() < 6 || key.compare(key.size() - 6, 6, "\\Fonts") != 0 || !before || !after) return false;
    for (const auto& [name, data] : *after) {
        auto it = before->find(name);
        if (it == before->end() || it->second != data) return false;
    }
    return true;
}

std::vector<std::string> Breaks(const MachineState& reference, const Outcome& o, const Fault& fault) {
    const std::string& failing_op = fault.op;
    std::vector<std::string> out;
    const MachineState& b = o.before;
    const MachineState& a = o.after;
    if (o.ran_away) out.push_back("never ends: still calling after many times the calls of a whole installation");
    if (o.exit_code != 0) out.push_back("exit code " + std::to_string(o.exit_code));
    for (const std::string& e : o.user_errors) {
        if (e.find("closed by force") != std::string::npos) out.push_back(e);
    }
    if (o.open_files != 0) out.push_back(std::to_string(o.open_files) + " files left open");
    if (o.open_keys != 0) out.push_back(std::to_string(o.open_keys) + " registry keys left open");
    if (o.open_expansions != 0) out.push_back(std::to_string(o.open_expansions) + " LZ32 handles left open");
    if (o.dde != 0) out.push_back("the DDE instance is not released");

    bool completed = false, cancelled = false, error_shown = false;
    for (const sim::ShownDialog& d : o.shown) {
        completed = completed || (d.id >= kDlgCompleted && d.id <= kDlgCompleted + 2);
        cancelled = cancelled || (d.id != kDlgProgress && d.result == 0);
        error_shown = error_shown || IsErrorDialog(d.id);
    }
    if (!completed && !cancelled && !error_shown && !o.ran_away && !EndsSilently(failing_op)) {
        out.push_back("the installation stopped without a dialog");
    }

    std::set<std::string> paths;
    for (const auto* s : {&b, &a, &reference}) {
        for (const auto& [path, content] : s->files) paths.insert(path);
    }
    for (const std::string& p : paths) {
        if (IsIni(p)) continue;
        const Optional before = Find(b.files, p), after = Find(a.files, p), installed = Find(reference.files, p);
        const std::string states = ": before " + Show(before) + ", installed " + Show(installed) + ", now " + Show(after);
        if (after && after == before) continue;
        if (!IsProducts(p)) {
            if (!before && !installed && MayBeLeft(p, fault)) continue;
            out.push_back((before ? "changed " : "left behind ") + p + " (not the product's)" + states);
            continue;
        }
        if (after && after == installed) {
            continue;
        }
        if (after) {
            out.push_back((before || installed ? "damaged " : "left behind ") + p + states);
        } else if (before && (!installed || *before != *installed) && *before != test::kFolder) {
            // Replaced by the installation (the old content is gone once a copy starts), or
            // deleted by its delete list.
        } else if (before) {
            out.push_back("removed " + p + states);
        }
        if (completed && installed && installed != before && after != installed && *installed != test::kFolder) {
            out.push_back("reported complete, but " + p + states);
        }
    }

    const auto lb = IniLines(b), la = IniLines(a), lr = IniLines(reference);
    std::set<std::string> lines;
    for (const auto* s : {&lb, &la, &lr}) {
        for (const auto& [line, value] : *s) lines.insert(line);
    }
    for (const std::string& l : lines) {
        const Optional before = Find(lb, l), after = Find(la, l), installed = Find(lr, l);
        const std::string file = l.substr(0, l.find(" ["));
        if (!b.files.count(file) && !reference.files.count(file) && MayBeLeft(file, fault)) continue;
        if (after != before && after != installed) {
            out.push_back("INI line " + l + ": before " + Show(before) + ", installed " + Show(installed) +
                          ", now " + Show(after));
        }
    }

    std::set<std::string> keys;
    for (const auto* s : {&b, &a, &reference}) {
        for (const auto& [key, values] : s->keys) keys.insert(key);
    }
    for (const std::string& k : keys) {
        auto values = [&](const MachineState& s) -> std::optional<std::map<std::string, std::string>> {
            auto it = s.keys.find(k);
            if (it == s.keys.end()) return std::nullopt;
            return it->second;
        };
        const auto before = values(b), after = values(a), installed = values(reference);
        if (after != before && after != installed && !MayLoseWithdrawnFont(k, before, after, fault)) {
            std::string now;
            if (after) {
                for (const auto& [name, data] : *after) now += " " + name + "=" + data;
            }
            out.push_back("registry key " + k + " is neither as before nor as installed:" +
                          (after ? now : std::string(" (none)")));
        }
    }
    return out;
}

// --- The sweep. ---

struct Figures {
    std::size_t calls = 0;  // of the installations without a fault
    std::size_t swept = 0;  // calls made to fail
    std::size_t runs = 0, breaks = 0;
};

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? v : fallback;
}

// The calls of the Append part's transfer, the last one copied in blocks: from the
// opening of its source to the release of its copy buffer. 1-based, as rules count.
std::pair<std::size_t, std::size_t> AppendPartCalls(const Outcome& reference) {
    const auto& calls = reference.calls;
    std::size_t first = 0, last = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] == "lz_init") first = i;
    }
    for (std::size_t i = first; i < calls.size() && last == 0; ++i) {
        if (calls[i] == "global_free") last = i;
    }
    while (first > 0 && calls[first] != "open_file") --first;
    return {first + 1, last + 1};
}

void PrintBreak(const Scenario& sc, const Fault& f, const Outcome& o, const std::vector<std::string>& breaks,
                bool detailed) {
    std::ostringstream out;
    out << "BREAK " << sc.name << ", call " << f.call << " " << f.op << " (its call " << f.nth << ") fails "
        << (f.persistent ? "from then on" : "once") << " with error " << f.error << ":\n";
    for (const std::string& b : breaks) out << "  " << b << "\n";
    if (detailed) {
        out << "  dialogs:\n";
        std::istringstream t(o.transcript);
        for (std::string line; std::getline(t, line);) out << "    " << line << "\n";
        out << "  changes to the machine:\n";
        for (const std::string& d : test::Diff(o.before, o.after)) out << "    " << d << "\n";
    }
    std::fputs(out.str().c_str(), stdout);
}

Figures SweepScenario(const Scenario& sc, bool full, std::size_t every, bool whole_transfer) {
    Figures fig;
    Outcome reference = Run(sc, {}, true, 0);
    std::vector<std::string> base = Breaks(reference.after, reference, {});
    ++fig.runs;
    if (!base.empty()) {
        PrintBreak(sc, {}, reference, base, true);
        fig.breaks += base.size();
    }
    const std::size_t total = reference.calls.size();
    fig.calls = total;
    auto [first, last] = AppendPartCalls(reference);
    if (!whole_transfer) first = last + 1;
    const std::size_t limit = 20 * total + 20000;
    std::map<std::string, unsigned> seen;  // how many times each op was called before call n
    std::vector<unsigned> nth(total + 1);
    for (std::size_t n = 1; n <= total; ++n) nth[n] = ++seen[reference.calls[n - 1]];
    for (std::size_t n = 1; n <= total; ++n) {
        if (!full && n % every != 0 && (n < first || n > last)) continue;
        ++fig.swept;
        for (bool persistent : {false, true}) {
            Fault f{n, reference.calls[n - 1], nth[n], persistent, ErrorFor(reference.calls[n - 1], n)};
            Outcome o = Run(sc, f, false, limit);
            ++fig.runs;
            std::vector<std::string> breaks = Breaks(reference.after, o, f);
            if (breaks.empty()) continue;
            PrintBreak(sc, f, o, breaks, fig.breaks < 40);
            fig.breaks += breaks.size();
        }
    }
    return fig;
}

TEST(Sweep, EveryCallOfWholeInstallationsFailsInTurn) {
    const bool full = Env("ZEP_SWEEP", "sample") == "full";
    const std::size_t every = std::strtoul(Env("ZEP_SWEEP_EVERY", "53").c_str(), nullptr, 10);
    const std::string only = Env("ZEP_SWEEP_SCENARIO", "");
    const std::string shard = Env("ZEP_SWEEP_SHARD", "0/1");
    const std::size_t slash = shard.find('/');
    const std::size_t shard_index = std::strtoul(shard.c_str(), nullptr, 10);
    const std::size_t shards = slash == std::string::npos ? 1 : std::strtoul(shard.c_str() + slash + 1, nullptr, 10);
    Figures total;
    std::size_t scenarios = 0, index = 0;
    for (const Scenario& sc : AllScenarios()) {
        if (index++ % shards != shard_index) continue;
        if (!only.empty() && sc.name.find(only) == std::string::npos) continue;
        // Sampled, every call of one file transfer is swept in one scenario of each source.
        const bool whole_transfer = sc.name == "win95 floppy reinstall" || sc.name == "nt40 embedded upgrade";
        Figures f = SweepScenario(sc, full, every == 0 ? 1 : every, whole_transfer);
        std::printf("scenario %s: calls %zu, swept %zu, runs %zu, invariant breaks %zu\n", sc.name.c_str(), f.calls,
                    f.swept, f.runs, f.breaks);
        std::fflush(stdout);
        total.calls += f.calls;
        total.swept += f.swept;
        total.runs += f.runs;
        total.breaks += f.breaks;
        ++scenarios;
    }
    std::printf("sweep (%s): scenarios %zu, calls %zu, calls swept %zu, runs %zu, invariant breaks %zu\n",
                full ? "every call" : "sampled", scenarios, total.calls, total.swept, total.runs, total.breaks);
    EXPECT_EQ(total.breaks, 0u);
}

}  // namespace
}  // namespace zep
