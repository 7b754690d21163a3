#include "tools/zep/simulation.h"

#include "tools/zep/machine_changes.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

#include "dialogs/dialog_table.h"
#include "platform/sim/dialog_template.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile_text.h"
#include "platform/sim/sim_platform.h"
#include "shell/shell.h"
#include "szdd/szdd.h"
#include "tools/zep/embedded_setup.h"
#include "tools/zep/product.h"
#include "tools/zep/stamp.h"
#include "tools/zep/stub.h"
#include "tools/zep/uninstaller.h"
#include "uninstall/uninstaller.h"

extern const std::uint8_t kSetupRes[];
extern const std::size_t kSetupRes_size;

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

constexpr int kRepeatLimit = 3;  // the same dialog, unchanged, this often: it loops
constexpr int kStopLimit = 6;    // and still back after Cancel: the run is stopped

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Describe(const AnswerStep& s) {
    switch (s.kind) {
        case AnswerStep::Kind::kClick: return "click " + std::to_string(s.id);
        case AnswerStep::Kind::kType: return "type " + std::to_string(s.id) + " \"" + s.text + "\"";
        case AnswerStep::Kind::kKey: return "key " + s.text;
        case AnswerStep::Kind::kClose: return "close box";
        case AnswerStep::Kind::kInsert: return "insert disk " + std::to_string(s.id);
    }
    return {};
}

std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// --- The person at the machine ---

class Person {
public:
    Person(sim::SimPlatform& os, const SimulateOptions& options, const std::vector<fs::path>& disks,
           const std::vector<std::string>& disk_names, std::string program, std::vector<DialogRecord>& records,
           std::vector<std::string>& notes)
        : os_(os), options_(options), disks_(disks), disk_names_(disk_names), program_(std::move(program)),
          records_(records), notes_(notes) {}

    std::vector<sim::UserAction> answer(std::uint16_t id) {
        const sim::ShownDialog& shown = os_.user.shown.back();
        DialogRecord r;
        r.id = id;
        r.caption = shown.title;
        r.program = program_;
        const std::size_t index = records_.size();
        shown_index_.push_back(os_.user.shown.size() - 1);
        std::vector<sim::UserAction> actions = {sim::Call([this, index](sim::SimPlatform& os, Hwnd dialog) {
            look(os, dialog, records_[index]);
        })};
        // The same dialog with the same texts again and again: the answer changes nothing.
        std::string signature = std::to_string(id) + '\n' + shown.title;
        for (const auto& [control, text] : shown.texts) signature += '\n' + std::to_string(control) + '=' + text;
        repeats_ = signature == last_signature_ ? repeats_ + 1 : 1;
        last_signature_ = signature;
        if (repeats_ >= kStopLimit) {
            stopped_ = "dialog " + std::to_string(id) + " came back " + std::to_string(repeats_) +
                       " times with nothing changed, even after Cancel: zep simulate stopped the run";
            throw Stopped{};
        }
        if (repeats_ >= kRepeatLimit) {
            if (repeats_ == kRepeatLimit) {
                notes_.push_back("dialog " + std::to_string(id) + " came back " + std::to_string(repeats_) +
                                 " times with nothing changed: zep simulate answered Cancel to end the loop");
            }
            r.answered_by = "loop";
            if (shown.texts.count(IDCANCEL) > 0) {
                r.actions.push_back("click 2");
                actions.push_back(sim::Click(IDCANCEL));
            } else {
                r.actions.push_back("key ESCAPE");
                actions.push_back(sim::Key(VK_ESCAPE));
            }
            records_.push_back(std::move(r));
            return actions;
        }
        auto scripted = options_.answers.by_dialog.find(id);
        if (scripted != options_.answers.by_dialog.end()) {
            std::size_t& used = used_[id];
            const std::size_t k = std::min(used, scripted->second.size() - 1);
            ++used;
            r.answered_by = "answers " + options_.answers_file + ":" + std::to_string(options_.answers.lines.at(id)[k]);
            for (const AnswerStep& step : scripted->second[k]) {
                r.actions.push_back(Describe(step));
                actions.push_back(action(step));
            }
        } else {
            r.answered_by = "default";
            if (id == kErrInsertDisk && !disks_.empty()) {
                const int disk = wanted_disk(shown);
                AnswerStep insert{AnswerStep::Kind::kInsert, disk, {}, 0};
                r.actions.push_back(Describe(insert));
                actions.push_back(action(insert));
            }
            r.actions.push_back("key ENTER");
            actions.push_back(sim::Key(VK_RETURN));
        }
        records_.push_back(std::move(r));
        return actions;
    }

    struct Stopped {};
    const std::string& stopped() const { return stopped_; }
    // For each record, the index of its ShownDialog.
    const std::vector<std::size_t>& shown_index() const { return shown_index_; }

private:
    static void look(sim::SimPlatform& os, Hwnd dialog, DialogRecord& r) {
        sim::SimWindow* d = os.machine().window(dialog);
        if (d == nullptr) return;
        r.controls.clear();
        for (Hwnd h : d->children) {
            sim::SimWindow* w = os.machine().window(h);
            if (w != nullptr) r.controls.push_back({w->id == 0xFFFF ? -1 : w->id, w->cls, w->text, w->enabled, w->visible});
            // Enter clicks the default button: say which.
            if (w != nullptr && w->cls == "Button" && (w->style & 0xF) == BS_DEFPUSHBUTTON && !r.actions.empty() &&
                r.actions.back() == "key ENTER") {
                r.actions.back() += " (the default button: " + std::to_string(w->id) + " " + w->text +
                                    (w->enabled ? ")" : ", greyed)");
            }
        }
    }

    // The disk a prompt names (the longest name it holds), else the next one.
    int wanted_disk(const sim::ShownDialog& shown) {
        std::string text;
        for (const auto& [id, t] : shown.texts) text += t + "\n";
        int best = 0;
        std::size_t best_length = 0;
        for (std::size_t i = 0; i < disk_names_.size(); ++i) {
            if (!disk_names_[i].empty() && text.find(disk_names_[i]) != std::string::npos &&
                disk_names_[i].size() > best_length) {
                best = static_cast<int>(i) + 1;
                best_length = disk_names_[i].size();
            }
        }
        return best != 0 ? best : std::min<int>(inserted_ + 1, static_cast<int>(disks_.size()));
    }

    sim::UserAction action(const AnswerStep& step) {
        switch (step.kind) {
            case AnswerStep::Kind::kClick: return sim::Click(step.id);
            case AnswerStep::Kind::kType: return sim::Type(step.id, step.text);
            case AnswerStep::Kind::kKey: return sim::Key(step.vk);
            case AnswerStep::Kind::kClose: return sim::CloseBox();
            case AnswerStep::Kind::kInsert: {
                const int disk = step.id;
                return sim::Call([this, disk](sim::SimPlatform& os, Hwnd) {
                    if (disk < 1 || disk > static_cast<int>(disks_.size())) return;
                    sim::Drive* a = os.machine().drive('A');
                    if (a == nullptr) return;
                    a->host = disks_[static_cast<std::size_t>(disk - 1)];
                    a->ready = true;
                    inserted_ = disk;
                });
            }
        }
        return sim::Key(VK_RETURN);
    }

    sim::SimPlatform& os_;
    const SimulateOptions& options_;
    const std::vector<fs::path>& disks_;
    const std::vector<std::string>& disk_names_;
    std::string program_;
    std::vector<DialogRecord>& records_;
    std::vector<std::string>& notes_;
    std::vector<std::size_t> shown_index_;
    std::map<std::uint16_t, std::size_t> used_;
    std::string last_signature_;
    int repeats_ = 0;
    int inserted_ = 1;
    std::string stopped_;
};

// Joins what the person did to every dialog shown, the modeless ones too.
void CollectDialogs(sim::SimPlatform& os, const Person& person, std::vector<DialogRecord>& answered,
                    const std::string& program, std::vector<DialogRecord>& out) {
    std::map<std::size_t, std::size_t> by_shown;
    for (std::size_t i = 0; i < answered.size(); ++i) by_shown[person.shown_index()[i]] = i;
    for (std::size_t i = 0; i < os.user.shown.size(); ++i) {
        const sim::ShownDialog& s = os.user.shown[i];
        auto it = by_shown.find(i);
        DialogRecord r;
        if (it != by_shown.end()) {
            r = std::move(answered[it->second]);
        } else {
            r.id = s.id;
            r.caption = s.title;
            r.modal = false;
            r.program = program;
        }
        if (r.controls.empty()) {
            for (const auto& [id, text] : s.texts) r.controls.push_back({id < 0 ? -1 : id, "", text, true, true});
        }
        r.result = s.result;
        out.push_back(std::move(r));
    }
}

// --- Laying the product out ---

struct Layout {
    std::string module;             // setup.exe's path on the machine
    std::vector<fs::path> disks;    // host folders of the floppy disks, when from one
    std::vector<std::string> disk_names;
    std::vector<std::string> notes;
};

bool WriteHost(sim::Machine& m, const fs::path& host, const std::uint8_t* data, std::size_t size,
               std::optional<fs::file_time_type> time, std::string& error) {
    std::error_code ec;
    fs::create_directories(host.parent_path(), ec);
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        error = host.string() + ": cannot write";
        return false;
    }
    out.close();
    if (time) fs::last_write_time(host, *time, ec);
    m.forget(host);
    return true;
}

std::string DriveOf(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' ? Upper(path.substr(0, 1)) : "C";
}

bool IsFloppy(const std::string& from) {
    const std::string d = DriveOf(from);
    return d == "A" || d == "B";
}

// The host folder a Windows folder of the source lies in: the disk folder for a floppy.
bool LayOut(const ProductInput& input, sim::Machine& m, const std::string& from, const fs::path& staging,
            Layout& out, std::string& error) {
    const bool floppy = IsFloppy(from);
    std::string folder = from;
    if (folder.size() == 2) folder += "\\";
    if (folder.back() != '\\') folder += "\\";
    out.module = folder + "SETUP.EXE";
    // The disks: one host folder each; from a hard disk they all lie in one.
    std::vector<fs::path> disk_hosts;
    std::size_t disk_count = 1;
    ProductScript product;
    std::string load_error;
    const bool loads = input.kind == ProductInput::Kind::kEmbedded
                           ? !input.setup->script.files.empty()
                           : ReadProductScript(input.script, "INSTALL.INI", product, load_error);
    if (input.kind == ProductInput::Kind::kEmbedded) product = input.setup->script;
    out.disk_names = product.disk_names;
    if (input.kind == ProductInput::Kind::kDiskSet) disk_count = std::max(input.folders.size(), product.disk_names.size());
    else if (loads) disk_count = std::max<std::size_t>(1, product.disk_names.size());
    if (input.kind == ProductInput::Kind::kEmbedded) disk_count = 1;
    for (std::size_t d = 0; d < disk_count; ++d) {
        disk_hosts.push_back(floppy ? staging / ("DISK" + std::to_string(d + 1)) : m.host_path(folder));
        fs::create_directories(disk_hosts.back());
    }
    // On a floppy, the folder below the root of each disk (A:\SETUP holds the files).
    std::string below = floppy ? folder.substr(3) : std::string();
    std::replace(below.begin(), below.end(), '\\', '/');
    if (floppy) {
        m.map_drive(DriveOf(from)[0], disk_hosts[0], DRIVE_REMOVABLE);
        out.disks = disk_hosts;
    }
    const fs::path root = floppy ? disk_hosts[0] / below : disk_hosts[0];
    auto host_of = [&](int disk, const std::string& name) {
        std::string rel = name;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        const std::size_t d = std::min<std::size_t>(static_cast<std::size_t>(std::max(disk, 1) - 1), disk_hosts.size() - 1);
        if (!floppy) return m.host_path(folder + name);
        return disk_hosts[d] / below / rel;
    };
    if (input.kind == ProductInput::Kind::kEmbedded) {
        return WriteHost(m, root / "SETUP.EXE", input.exe.data(), input.exe.size(), std::nullopt, error);
    }
    if (kStub_size > 0) {
        if (!WriteHost(m, root / "SETUP.EXE", kStub, kStub_size, std::nullopt, error)) return false;
    } else {
        const std::string stand_in = "setup.exe";
        if (!WriteHost(m, root / "SETUP.EXE", reinterpret_cast<const std::uint8_t*>(stand_in.data()), stand_in.size(),
                       std::nullopt, error)) {
            return false;
        }
    }
    if (input.kind == ProductInput::Kind::kDiskSet) {
        for (std::size_t d = 0; d < input.folders.size(); ++d) {
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(input.folders[d], ec); it != fs::recursive_directory_iterator();
                 it.increment(ec)) {
                if (!it->is_regular_file(ec)) continue;
                const std::string rel = fs::relative(it->path(), input.folders[d], ec).string();
                std::string name = rel;
                std::replace(name.begin(), name.end(), '/', '\\');
                if (Upper(name) == "SETUP.EXE") continue;
                const std::string bytes = ReadHost(it->path());
                if (!WriteHost(m, host_of(static_cast<int>(d) + 1, name), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               bytes.size(), fs::last_write_time(it->path(), ec), error)) {
                    return false;
                }
            }
        }
        return true;
    }
    // A product folder: each file as a disk holds it, compressed on the way where its
    // name says so.
    std::error_code ec;
    if (!loads && !WriteHost(m, host_of(1, "INSTALL.INI"), reinterpret_cast<const std::uint8_t*>(input.script.data()),
                             input.script.size(), fs::last_write_time(input.script_path, ec), error)) {
        return false;
    }
    if (!loads) return true;  // the installer shows why
    ProductFolder source(input.folders[0]);
    const ProductFile* uninstaller = nullptr;
    std::string script = input.script;
    if (WantsUninstaller(script, product, false)) {
        // As zep pack makes it: one more line on the last disk, and uninst.exe with the
        // product's data.
        std::string with_line;
        int line = 0;
        if (kUninstStub_size == 0) {
            out.notes.push_back("this zep carries no uninst.exe: the uninstaller zep pack adds is left out");
        } else if (AddUninstallerLine(script, static_cast<int>(product.disk_names.size()), with_line, line, error) &&
                   ReadProductScript(with_line, "INSTALL.INI", product, error)) {
            script = std::move(with_line);
            for (const ProductFile& f : product.files) {
                if (f.line == line) uninstaller = &f;
            }
            out.notes.push_back("zep pack adds its uninstaller: UNINST.EX_=Target\\UNINST.EXE on disk " +
                                std::to_string(product.disk_names.size()));
        } else {
            out.notes.push_back("the uninstaller zep pack adds cannot be added: " + error);
            error.clear();
        }
    }
    if (!WriteHost(m, host_of(1, "INSTALL.INI"), reinterpret_cast<const std::uint8_t*>(script.data()), script.size(),
                   fs::last_write_time(input.script_path, ec), error)) {
        return false;
    }
    std::vector<PackedLine> lines;
    fs::file_time_type newest = fs::last_write_time(input.script_path, ec);  // zep pack's stamp
    for (const ProductFile& f : product.files) {
        if (f.role == ProductFile::Role::kScript || &f == uninstaller) continue;
        const Origin o = source.origin(f.name, f.installed);
        if (o.kind != Origin::Kind::kMissing) newest = std::max(newest, o.time);
        if (f.role == ProductFile::Role::kDisk && o.kind != Origin::Kind::kMissing) {
            PackedLine l = LineOf(f, o.expanded_size);
            Stamp on_disk;  // the simulated machine keeps UTC as its local time
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::file_clock::to_sys(o.time).time_since_epoch()).count();
            if (StampFromSeconds(seconds, true, false, on_disk, error)) {
                l.dos_date = on_disk.dos_date;
                l.dos_time = on_disk.dos_time;
            }
            lines.push_back(l);
        }
        if (o.kind == Origin::Kind::kMissing) {
            out.notes.push_back(f.name + " is not in " + input.folders[0].string() +
                                ": the installer will not find it");
            continue;
        }
        std::vector<std::uint8_t> stored;
        if (!LoadStored(o, stored, error)) return false;
        if (!WriteHost(m, host_of(f.disk, f.name), stored.data(), stored.size(), o.time, error)) return false;
    }
    if (uninstaller != nullptr) {
        std::vector<std::uint8_t> exe, stored;
        const std::vector<std::uint8_t> stub(kUninstStub, kUninstStub + kUninstStub_size);
        if (!MakeUninstaller(stub, script, {lines}, exe, error)) {
            error = "the uninstaller zep pack adds: " + error;
            return false;
        }
        szdd::Compress(exe.data(), exe.size(), 'E', stored);
        if (!WriteHost(m, host_of(uninstaller->disk, uninstaller->name), stored.data(), stored.size(), newest, error)) {
            return false;
        }
    }
    return true;
}

// Every numbered resource of a PE, for the simulated process.
void LoadPeResources(const pe::ResourceTree& tree, sim::ResourceSet& set) {
    for (const pe::Resource& r : tree.resources()) {
        if (r.type.named() || r.name.named() || !r.data) continue;
        set.add(r.type.id, r.name.id, *r.data);
    }
}

// A stored file as the installer expands it (a plain one passes through).
std::string Expand(const std::vector<std::uint8_t>& stored) {
    std::string text;
    return ExpandStored(stored.data(), stored.size(), text, std::string().max_size()) ? text : std::string();
}

// The stored bytes of a product's file, wherever the input keeps them.
std::optional<std::vector<std::uint8_t>> StoredFile(const ProductInput& input, const ProductFile& f) {
    if (input.kind == ProductInput::Kind::kEmbedded) {
        pe::Bytes b = input.setup->stored(f.resource_id);
        if (!b) return std::nullopt;
        return *b;
    }
    const std::size_t d = input.kind == ProductInput::Kind::kDiskSet
                              ? std::min<std::size_t>(static_cast<std::size_t>(std::max(f.disk, 1) - 1), input.folders.size() - 1)
                              : 0;
    const Origin o = ProductFolder(input.folders[d]).origin(f.name, f.installed);
    std::vector<std::uint8_t> out;
    std::string error;
    if (o.kind == Origin::Kind::kMissing || !LoadStored(o, out, error)) return std::nullopt;
    return out;
}

// An earlier copy: the product INI that names it, and the files the script installs
// into the target directory.
void PutInstalledCopy(sim::Machine& m, const ProductInput& input, const SimulateOptions& o) {
    char ini[260] = {}, version[64] = {};
    sim::ProfileGetString(&input.script, "Basic Information", "Product.INI", "", ini, sizeof ini);
    sim::ProfileGetString(&input.script, "Basic Information", "ProductVersion", "", version, sizeof version);
    std::string dir = o.installed_dir;
    while (dir.size() > 3 && dir.back() == '\\') dir.pop_back();
    std::error_code ec;
    fs::create_directories(m.host_path(dir), ec);
    if (ini[0] != '\0') {
        const std::string v = o.installed_version.empty() ? version : o.installed_version;
        m.put_file(o.windows + "\\" + ini, "[Settings]\r\nDirectory=" + dir + "\r\nVersion=" + v + "\r\n");
    }
    ProductScript product;
    std::string error;
    if (input.kind == ProductInput::Kind::kEmbedded) product = input.setup->script;
    else if (!ReadProductScript(input.script, "INSTALL.INI", product, error)) return;
    for (const ProductFile& f : product.files) {
        if (f.role != ProductFile::Role::kDisk || f.kind != 0) continue;
        auto stored = StoredFile(input, f);
        if (!stored) continue;
        const std::string path = (dir.back() == '\\' ? dir : dir + "\\") + f.installed;
        const std::string earlier = (f.flags & kFlagAppend) != 0 ? m.read_file(path).value_or("") : "";
        m.put_file(path, earlier + Expand(*stored));
    }
}

void SetUpMachine(sim::Machine& m, const SimulateOptions& o) {
    m.version = {o.platform.major, o.platform.minor, o.platform.platform_id == VER_PLATFORM_WIN32_NT ? 1381u : 950u,
                 o.platform.platform_id};
    m.pixels_per_inch = kPixelsPerInch[o.display];
    const bool nt = o.platform.platform_id == VER_PLATFORM_WIN32_NT;
    std::error_code ec;
    for (const char* made : {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\FONTS", "C:\\WINDOWS"}) {
        fs::remove(m.host_path(made), ec);  // the default folders, empty; made again below
    }
    m.add_drive('D');
    m.windows_dir = o.windows;
    m.system_dir = o.windows + (nt ? "\\SYSTEM32" : "\\SYSTEM");
    fs::create_directories(m.host_path(m.system_dir), ec);
    fs::create_directories(m.host_path(o.windows + "\\FONTS"), ec);
    m.put_file(o.windows + "\\WIN.INI", "[windows]\r\nload=\r\nrun=\r\n\r\n[fonts]\r\n");
    m.put_file(o.windows + "\\SYSTEM.INI", "[boot]\r\nshell=" + std::string(o.platform.major == 3 ? "progman.exe" : "Explorer.exe") + "\r\n");
    m.registry_key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", true);
    m.registry_key(nt ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
                      : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts",
                   true);
}

std::string TargetDrive(const std::string& script) {
    char dir[260] = {};
    sim::ProfileGetString(&script, "Basic Information", "DefaultTargetDir", "", dir, sizeof dir);
    return DriveOf(dir);
}

}  // namespace

std::map<std::uint16_t, sim::DialogTemplate> DialogTemplates(const ProductInput& input, bool with_uninstaller) {
    sim::ResourceSet set;
    if (input.kind == ProductInput::Kind::kEmbedded) LoadPeResources(input.setup->stub.resources, set);
    else set.load_res_bytes(kSetupRes, kSetupRes_size);
    std::map<std::uint16_t, sim::DialogTemplate> out;
    auto add = [&](const sim::ResourceSet& s) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            const sim::Resource& r = s.at(i);
            if (r.type != 5) continue;
            auto t = sim::ParseDialogTemplate(r.data.data(), r.data.size());
            if (!t) continue;
            out[r.id] = *t;
            // The pseudo dialogs show the template of 2300.
            if (r.id == kDlgDirectoryInUse) out[kErrTargetIsInstalled] = out[kErrTargetIsSource] = *t;
        }
    };
    add(set);
    if (with_uninstaller && kUninstStub_size > 0) {
        pe::Image image;
        pe::ResourceTree tree;
        std::string error;
        sim::ResourceSet uninst;
        if (image.parse(std::vector<std::uint8_t>(kUninstStub, kUninstStub + kUninstStub_size), error) &&
            tree.read(image, error)) {
            LoadPeResources(tree, uninst);
            add(uninst);
        }
    }
    return out;
}

DialogControls SetupDialogControls(const ProductInput& input, bool with_uninstaller) {
    DialogControls out;
    for (const auto& [id, t] : DialogTemplates(input, with_uninstaller)) {
        auto& controls = out[id];
        for (const sim::TemplateItem& item : t.items) controls.push_back({item.id, item.cls});
    }
    return out;
}

namespace {

// One program of the product run to its end on the machine: its dialogs, how it ended.
template <typename LoadResources>
void RunProgram(sim::Machine& m, const std::string& module, const std::string& program, const SimulateOptions& o,
                const Layout& layout, SimulationRun& run, LoadResources load) {
    sim::SimPlatform os(m, module);
    load(os.resources);
    Installer in(os.services());
    os.set_context(&in);
    std::vector<DialogRecord> answered;
    Person person(os, o, layout.disks, layout.disk_names, program, answered, run.notes);
    os.user.responder = [&person](std::uint16_t id) { return person.answer(id); };
    bool stopped = false;
    try {
        if (program == "setup") RunInstaller(in);
        else RunUninstaller(in);
    } catch (const Person::Stopped&) {
        stopped = true;
    }
    CollectDialogs(os, person, answered, program, run.dialogs);
    for (const std::string& e : os.user.errors) run.notes.push_back(e);
    for (const DialogRecord& d : run.dialogs) {
        if (d.id >= kDlgCompleted && d.id <= kDlgCompleted + 2) run.completed = true;
    }
    if (stopped) {
        run.completed = false;
        run.outcome = person.stopped();
        return;
    }
    if (run.completed) {
        run.outcome = "completed";
        return;
    }
    const DialogRecord* last = nullptr;
    for (const DialogRecord& d : run.dialogs) {
        if (d.modal) last = &d;
    }
    if (last == nullptr) {
        run.outcome = "ended without a dialog";
        return;
    }
    std::string text;
    for (const ControlState& c : last->controls) {
        if (c.id == 1001) text = c.text;
    }
    std::replace(text.begin(), text.end(), '\n', ' ');
    run.outcome = "ended at dialog " + std::to_string(last->id) + " \"" + last->caption + "\"" +
                  (text.empty() ? "" : ": " + text);
}

// The uninstaller a person would start: the uninstall entry's command, else uninst.exe
// in the directory the product INI names.
std::string UninstallerPath(sim::Machine& m, const std::string& script, const SimulateOptions& o) {
    char name[64] = {}, ini[260] = {};
    sim::ProfileGetString(&script, "Basic Information", "UninstallName", "", name, sizeof name);
    sim::ProfileGetString(&script, "Basic Information", "Product.INI", "", ini, sizeof ini);
    if (name[0] != '\0') {
        auto command = m.registry_text(std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + name,
                                       "UninstallString");
        if (command && !command->empty()) return *command;
    }
    if (ini[0] == '\0') return {};
    auto text = m.read_file(o.windows + "\\" + ini);
    if (!text) return {};
    char dir[260] = {};
    sim::ProfileGetString(&*text, "Settings", "Directory", "", dir, sizeof dir);
    std::string d = dir;
    if (d.empty()) return {};
    if (d.back() != '\\') d += '\\';
    return d + "UNINST.EXE";
}

}  // namespace

bool Simulate(const ProductInput& input, const SimulateOptions& o, SimulationResult& result, std::string& error) {
    result = {};
    result.mode = input.disk_mode() ? "disks" : "embedded";
    result.from = o.from;
    if (result.from.empty()) result.from = input.kind == ProductInput::Kind::kDiskSet ? "A:" : "C:\\SETUP";
    ScratchFolder scratch("simulate");
    const fs::path sandbox = scratch.next();
    sim::Machine m(sandbox / "machine");
    SetUpMachine(m, o);
    Layout layout;
    if (!LayOut(input, m, result.from, sandbox / "disks", layout, error)) return false;
    if (o.free_kb) {
        if (sim::Drive* d = m.drive(TargetDrive(input.script)[0])) d->free_bytes = *o.free_kb * 1024;
    }
    if (!o.installed_dir.empty()) PutInstalledCopy(m, input, o);

    SimulationRun& run = result.install;
    run.notes = layout.notes;
    MachineState before = CaptureMachine(m);
    RunProgram(m, layout.module, "setup", o, layout, run, [&](sim::ResourceSet& set) {
        if (input.kind == ProductInput::Kind::kEmbedded) LoadPeResources(input.setup->stub.resources, set);
        else set.load_res_bytes(kSetupRes, kSetupRes_size);
    });
    MachineState after = CaptureMachine(m);
    run.changes = CompareMachine(before, after, m);
    result.exit_status = run.completed ? 0 : 1;
    if (o.then_uninstall) {
        result.uninstall.emplace();
        SimulationRun& u = *result.uninstall;
        pe::Image image;
        pe::ResourceTree tree;
        std::string why;
        const std::string path = UninstallerPath(m, input.script, o);
        const std::optional<std::string> bytes = path.empty() ? std::nullopt : m.read_file(path);
        if (!bytes) {
            u.outcome = path.empty() ? "not run: the installation left no uninstall entry nor product INI"
                                     : "not run: " + path + " is not there";
        } else if (!image.parse(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), why) || !tree.read(image, why) ||
                   tree.find(pe::kDialogType, kDlgConfirmRemoval) == nullptr) {
            u.outcome = "not run: " + path + " is not zep's uninstaller";
        } else {
            RunProgram(m, path, "uninstall", o, layout, u, [&](sim::ResourceSet& set) { LoadPeResources(tree, set); });
            u.changes = CompareMachine(after, CaptureMachine(m), m);
            u.completed = false;
            for (const DialogRecord& d : u.dialogs) {
                if (d.id == kDlgRemoved || d.id == kDlgRemovedExcept) u.completed = true;
            }
            if (u.outcome == "ended without a dialog" || u.outcome.empty()) u.outcome = "ended";
            if (u.completed) u.outcome = "completed";
        }
        if (!u.completed) result.exit_status = 1;
    }
    return true;
}

// --- Output ---

namespace {

std::string Indent(const std::string& text, const std::string& pad) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n') out += pad;
    }
    return out;
}

void TextRun(const SimulationRun& run, std::string& out) {
    out += "Dialogs:\n";
    for (const DialogRecord& d : run.dialogs) {
        out += "  " + std::to_string(d.id) + " \"" + d.caption + "\"" + (d.modal ? "" : " (modeless)") + "\n";
        std::string buttons;
        for (const ControlState& c : d.controls) {
            if (!c.visible || c.text.empty()) continue;
            if (c.cls == "Button") {
                buttons += (buttons.empty() ? "" : "  ") + std::string("[") + std::to_string(c.id) + " " + c.text +
                           (c.enabled ? "" : " (grey)") + "]";
            } else {
                std::string label = c.cls == "Edit" ? "edit " + std::to_string(c.id) : c.id < 0 ? "-" : std::to_string(c.id);
                out += "    " + label + ": " + Indent(c.text, "      ") + "\n";
            }
        }
        if (!buttons.empty()) out += "    " + buttons + "\n";
        if (d.modal) {
            std::string acts;
            for (const std::string& a : d.actions) acts += (acts.empty() ? "" : "; ") + a;
            const std::string by = d.answered_by == "default" ? "by default" : d.answered_by == "loop" ? "to end a loop" : "from " + d.answered_by.substr(8);
            out += "    -> " + acts + " [" + by + "]; result " + std::to_string(d.result) + "\n";
        }
    }
    out += "Result: " + run.outcome + "\n";
    const MachineChanges& c = run.changes;
    out += "\nFiles:\n";
    if (c.files.empty()) out += "  (none)\n";
    for (const FileChange& f : c.files) {
        out += "  " + std::string(1, f.change) + " " + f.path + (f.folder ? "\\" : "");
        if (!f.folder && f.change != '-') {
            out += "  " + std::to_string(f.size) + " bytes  " + f.time;
            if (f.attributes & 0x6) out += (f.attributes & 0x2) ? "  hidden" : "  system";
        }
        out += "\n";
    }
    out += "INI entries:\n";
    if (c.ini.empty()) out += "  (none)\n";
    for (const IniChange& i : c.ini) {
        out += "  " + std::string(1, i.change) + " " + i.file + " [" + i.section + "] " + i.key;
        if (i.change == '-') out += " (was " + i.old_value + ")";
        else out += "=" + i.value + (i.change == '~' ? " (was " + i.old_value + ")" : "");
        out += "\n";
    }
    out += "Registry (HKEY_LOCAL_MACHINE):\n";
    if (c.registry.empty()) out += "  (none)\n";
    for (const RegistryChange& r : c.registry) {
        out += "  " + std::string(1, r.change) + " " + r.key;
        if (!r.name.empty()) {
            out += " : " + r.name + " " + r.type;
            out += r.change == '-' ? " (was " + r.old_value + ")" : " = " + r.value;
            if (r.change == '~') out += " (was " + r.old_value + ")";
        }
        out += "\n";
    }
    out += "Fonts:\n";
    if (c.fonts_loaded.empty() && c.fonts_unloaded.empty()) out += "  (none)\n";
    for (const std::string& f : c.fonts_loaded) out += "  loaded " + f + "\n";
    for (const std::string& f : c.fonts_unloaded) out += "  unloaded " + f + "\n";
    out += "Program Manager commands:\n";
    if (c.group_commands.empty()) out += "  (none)\n";
    for (const std::string& g : c.group_commands) out += "  " + g + "\n";
    out += "Programs started:\n";
    if (c.started.empty()) out += "  (none)\n";
    for (const auto& [command, dir] : c.started) out += "  " + command + " (in " + dir + ")\n";
    out += "Left in the Windows directory:\n";
    if (c.windows_left.empty()) out += "  (nothing)\n";
    for (const std::string& f : c.windows_left) out += "  " + f + "\n";
    if (!c.at_restart.empty()) {
        out += "At the next restart:\n";
        for (const std::string& r : c.at_restart) out += "  " + r + "\n";
    }
    if (!run.notes.empty()) {
        out += "Notes:\n";
        for (const std::string& n : run.notes) out += "  " + n + "\n";
    }
}

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c >= 0x80) {  // ANSI (code page 1252) as UTF-8, near enough: Latin-1
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Change(char c) {
    return c == '+' ? "\"added\"" : c == '-' ? "\"removed\"" : "\"changed\"";
}

template <typename T, typename F>
std::string Array(const std::vector<T>& items, F each) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + each(items[i]);
    return out + "]";
}

std::string JsonRun(const SimulationRun& run) {
    const MachineChanges& c = run.changes;
    std::string out = "{\"completed\":" + std::string(run.completed ? "true" : "false") + ",\"outcome\":" + Json(run.outcome);
    out += ",\"dialogs\":" + Array(run.dialogs, [](const DialogRecord& d) {
        std::string s = "{\"id\":" + std::to_string(d.id) + ",\"caption\":" + Json(d.caption) +
                        ",\"modal\":" + (d.modal ? "true" : "false") + ",\"program\":" + Json(d.program);
        s += ",\"controls\":" + Array(d.controls, [](const ControlState& k) {
            return "{\"id\":" + std::to_string(k.id) + ",\"class\":" + Json(k.cls) + ",\"text\":" + Json(k.text) +
                   ",\"enabled\":" + (k.enabled ? "true" : "false") + ",\"visible\":" + (k.visible ? "true" : "false") + "}";
        });
        if (d.modal) {
            s += ",\"actions\":" + Array(d.actions, [](const std::string& a) { return Json(a); });
            s += ",\"answered_by\":" + Json(d.answered_by) + ",\"result\":" + std::to_string(d.result);
        }
        return s + "}";
    });
    out += ",\"files\":" + Array(c.files, [](const FileChange& f) {
        std::string s = "{\"change\":" + Change(f.change) + ",\"path\":" + Json(f.path) +
                        ",\"folder\":" + (f.folder ? "true" : "false");
        if (!f.folder && f.change != '-') {
            s += ",\"size\":" + std::to_string(f.size) + ",\"time\":" + Json(f.time) +
                 ",\"attributes\":" + std::to_string(f.attributes);
        }
        return s + "}";
    });
    out += ",\"ini\":" + Array(c.ini, [](const IniChange& i) {
        return "{\"change\":" + Change(i.change) + ",\"file\":" + Json(i.file) + ",\"section\":" + Json(i.section) +
               ",\"key\":" + Json(i.key) + ",\"value\":" + Json(i.value) + ",\"old\":" + Json(i.old_value) + "}";
    });
    out += ",\"registry\":" + Array(c.registry, [](const RegistryChange& r) {
        return "{\"change\":" + Change(r.change) + ",\"key\":" + Json(r.key) + ",\"name\":" + Json(r.name) +
               ",\"type\":" + Json(r.type) + ",\"value\":" + Json(r.value) + ",\"old\":" + Json(r.old_value) + "}";
    });
    auto strings = [](const std::vector<std::string>& v) { return Array(v, [](const std::string& s) { return Json(s); }); };
    out += ",\"fonts_loaded\":" + strings(c.fonts_loaded) + ",\"fonts_unloaded\":" + strings(c.fonts_unloaded);
    out += ",\"group_commands\":" + strings(c.group_commands);
    out += ",\"programs_started\":" + Array(c.started, [](const std::pair<std::string, std::string>& p) {
        return "{\"command\":" + Json(p.first) + ",\"directory\":" + Json(p.second) + "}";
    });
    out += ",\"left_in_windows\":" + strings(c.windows_left) + ",\"at_restart\":" + strings(c.at_restart);
    out += ",\"notes\":" + strings(run.notes);
    return out + "}";
}

}  // namespace

std::string SimulationText(const SimulationResult& r, const std::string& label, const SimulateOptions& o) {
    std::string out = "zep simulate: " + label + " (" + (r.mode == "disks" ? "disk mode" : "embedded") + ") on " +
                      o.platform.name + ", " + kDisplayNames[o.display] + ", from " + r.from + "\n\n";
    TextRun(r.install, out);
    if (r.uninstall) {
        out += "\nThen the uninstaller, run from the uninstall entry:\n\n";
        TextRun(*r.uninstall, out);
    }
    return out;
}

std::string SimulationJson(const SimulationResult& r, const std::string& label, const SimulateOptions& o) {
    std::string out = "{\"product\":" + Json(label) + ",\"mode\":" + Json(r.mode) + ",\"platform\":" +
                      Json(o.platform.name) + ",\"display\":" + Json(kDisplayNames[o.display]) + ",\"from\":" +
                      Json(r.from) + ",\"exit_status\":" + std::to_string(r.exit_status);
    out += ",\"install\":" + JsonRun(r.install);
    if (r.uninstall) out += ",\"uninstall\":" + JsonRun(*r.uninstall);
    return out + "}\n";
}

}  // namespace zep::tool
