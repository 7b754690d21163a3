#include "tools/zep/script_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "dialogs/dialog_table.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/key_names.h"
#include "script/keywords.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"
#include "szdd/szdd.h"
#include "tools/zep/help_file_check.h"
#include "tools/zep/product.h"
#include "tools/zep/script_text.h"
#include "tools/zep/uninstaller.h"

extern const std::uint8_t kSetupRes[];
extern const std::size_t kSetupRes_size;

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

constexpr int kMaxRounds = 200;
constexpr std::size_t kMaxValue = 259;
constexpr std::size_t kKeyListBytes = 4096;

std::string KeyOf(const std::string& line) {
    return line.substr(0, line.find('='));
}

// Where the error comes from, and how to get past it to look for the next one.
struct Located {
    int index = -1;  // the line in the script text, -1 for none
    bool patched = false;
};

// Each comma-separated field cut to the 255 characters a stored string may have.
std::string CutFields(const std::string& value) {
    std::string out, field;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i == value.size() || value[i] == ',') {
            out += field.substr(0, 255);
            if (i < value.size()) out += ',';
            field.clear();
        } else {
            field += value[i];
        }
    }
    return out;
}

Located LocateAndPatch(ScriptText& text, const Installer& in, std::uint16_t code) {
    const std::string section = in.loader.section;
    bool stored_strings = false;
    Located at;
    switch (code) {
        case kErrMissingKey: {
            const std::string key = kKeyNames[in.loader.key_index];
            at.index = text.section(section);
            const std::map<std::string, std::string> stand_ins = {
                {"TotalDisks", "1"},        {"DiskSpace", "1"},
                {"Buttons", "OK/Cancel"},   {"HelpFileName", "CHECK.HLP"},
                {"DefaultTargetDir", "C:\\CHECK"},
            };
            auto it = stand_ins.find(key);
            text.set(section, key, it != stand_ins.end() ? it->second : "x");
            at.patched = true;
            return at;
        }
        case kErrScriptLine: {
            const std::string key = KeyOf(in.dialogs.message_arg);
            at.index = text.key(section, key);
            if (key == "DiskSpace" && at.index < 0) {
                static const char* const display_keys[3] = {"EGADiskSpace", "VGADiskSpace", "8514DiskSpace"};
                at.index = text.key(section, display_keys[in.env.display_class]);
            }
            if (key == "DiskSpace" || key == "HelpFileName" || key == "Buttons") {
                text.set(section, key, key == "Buttons" ? "OK/Cancel" : key == "DiskSpace" ? "1" : "CHECK.HLP");
            } else if (SameName(section, "Delete List")) {
                text.replace(at.index, key + "=Windows\\CHECK.TMP");
            } else if (at.index >= 0) {
                text.replace(at.index, key + "=Target");  // keeps the resource ids of later lines
            }
            at.patched = at.index >= 0 || key == "DiskSpace" || key == "HelpFileName" || key == "Buttons";
            return at;
        }
        case kErrTooManyDisks: {
            // Go on with the disks the script has, as far as the installer would read.
            at.index = text.key("Basic Information", "TotalDisks");
            int disks = 1;
            for (const std::string& name : text.section_names()) {
                if (name.size() > 5 && SameName(name.substr(0, 5), "Disk ")) {
                    int n = std::atoi(name.c_str() + 5);
                    if (n <= kMaxDisks) disks = std::max(disks, n);
                }
            }
            text.set("Basic Information", "TotalDisks", std::to_string(disks));
            at.patched = true;
            return at;
        }
        case kErrWindowsVersion:
            at.index = text.key("Basic Information", "WindowsVersion");
            text.set("Basic Information", "WindowsVersion", "1.0");
            at.patched = true;
            return at;
        case kErrOutOfMemory:
            // A stored string of more than 255 characters cannot be kept: cut such names
            // and fields to go on. [Basic Information] and [Run] keep theirs in buffers.
            for (std::size_t i = 0; i < text.lines().size(); ++i) {
                std::string key, value, header;
                if (ScriptText::ParseHeader(text.lines()[i].text, header)) {
                    stored_strings = !SameName(header, "Basic Information") && !SameName(header, "Run");
                }
                if (!stored_strings || !ScriptText::ParseKeyLine(text.lines()[i].text, key, value)) continue;
                std::string cut = CutFields(value);
                if (key.size() <= 255 && cut == value) continue;
                if (at.index < 0) at.index = static_cast<int>(i);
                text.replace(static_cast<int>(i), key.substr(0, 255) + "=" + cut);
                at.patched = true;
            }
            return at;
        default:
            return at;
    }
}

struct ErrorKey {
    int line;
    std::uint16_t dialog;
    std::string message;
    bool operator<(const ErrorKey& o) const {
        return std::tie(line, dialog, message) < std::tie(o.line, o.dialog, o.message);
    }
};

void FindErrors(const std::string& script, const CheckOptions& options,
                std::map<ErrorKey, std::vector<std::string>>& errors) {
    ScratchFolder scratch("check");
    for (const CheckPlatform& platform : options.platforms) {
        for (int display : options.displays) {
            ScriptText text(script);
            std::set<ErrorKey> seen;
            for (int round = 0; round < kMaxRounds; ++round) {
                std::uint16_t code;
                int line;
                std::string message;
                Located at;
                {
                    ScratchInstaller run(scratch.next(), platform, display, text.bytes());
                    code = run.code();
                    if (code == kOk) break;
                    message = run.dialog_text();
                    ScriptText before = text;
                    at = LocateAndPatch(text, run.installer(), code);
                    line = before.number_of(at.index);
                    errors[{line, code, message}].push_back(platform.name + "/" + kDisplayNames[display]);
                }
                if (!at.patched || !seen.insert({line, code, message}).second) break;
            }
        }
    }
}

// --- What the installer passes over in silence. ---

class Warnings {
public:
    Warnings(const ScriptText& text, const CheckOptions& options, std::vector<Finding>& out)
        : text_(text), options_(options), out_(out) {}

    void run() {
        unknown_keys("Basic Information",
                     {"HelpFileName", "Caption", "ViewButtonText", "Product.INI", "OldProduct.INI", "ProductName",
                      "ProductVersion", "VersionToPatch", "OldProductName", "OldProductVersion", "UninstallName",
                      "WindowsVersion", "FontsOnly", "DefaultTargetDir", "TotalDisks", "DiskSpace",
                      "EGADiskSpace", "VGADiskSpace", "8514DiskSpace"});
        unknown_keys("Run", {"File", "Win31File", "Win95File", "WinNTFile", "Buttons", "Message", "Name"});
        cut_texts("Basic Information", {{"Caption", 63}, {"ViewButtonText", 31}, {"ProductName", 63},
                                        {"ProductVersion", 63}, {"VersionToPatch", 63}, {"OldProductName", 63},
                                        {"OldProductVersion", 63}, {"UninstallName", 63}});
        cut_texts("Program Manager Group", {{"GroupName", 63}});
        cut_texts("Run", {{"Message", 255}, {"Name", 63}});
        long_values();
        numbered_gaps("Delete List", "File");
        numbered_gaps("Target Subdirectories", "Subdirectory");
        group_platforms();
        group_texts();
        key_lists();
        disks();
    }

private:
    void warn(int index, const std::string& message) {
        out_.push_back({false, text_.number_of(index), 0, message, {}});
    }

    // An error the installer shows no dialog for: it passes over what the line asks.
    void refuse(int index, const std::string& message) {
        out_.push_back({true, text_.number_of(index), 0, message, {}});
    }

    void unknown_keys(const std::string& section, std::set<std::string> known) {
        for (const ScriptText::Entry& e : text_.entries(section)) {
            bool found = std::any_of(known.begin(), known.end(), [&](const std::string& k) { return SameName(k, e.key); });
            if (!found) warn(e.index, "[" + section + "] has no key \"" + e.key + "\"; the installer ignores this line");
        }
    }

    void long_values() {
        for (std::size_t i = 0; i < text_.lines().size(); ++i) {
            std::string key, value;
            if (cut_.count(static_cast<int>(i)) == 0 && ScriptText::ParseKeyLine(text_.lines()[i].text, key, value) &&
                value.size() > kMaxValue) {
                warn(static_cast<int>(i), "the value of \"" + key + "\" has " + std::to_string(value.size()) +
                                              " characters; the installer reads only the first 259");
            }
        }
    }

    // Texts read into buffers are cut silently to the buffer's size.
    void cut_texts(const std::string& section, const std::map<std::string, std::size_t>& limits) {
        for (const auto& [key, limit] : limits) {
            int at = text_.key(section, key);
            std::string k, value;
            if (at < 0 || !ScriptText::ParseKeyLine(text_.lines()[at].text, k, value)) continue;
            std::size_t read = std::min(value.size(), kMaxValue);
            if (read > limit) {
                cut_.insert(at);
                warn(at, key + " has " + std::to_string(value.size()) + " characters; the installer keeps only the first " +
                             std::to_string(limit));
            }
        }
    }

    void numbered_gaps(const std::string& section, const std::string& stem) {
        std::set<unsigned> present;
        std::map<unsigned, int> where;
        for (const ScriptText::Entry& e : text_.entries(section)) {
            if (e.key.size() <= stem.size() || !SameName(e.key.substr(0, stem.size()), stem)) continue;
            std::string digits = e.key.substr(stem.size());
            if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 6) continue;
            unsigned n = static_cast<unsigned>(std::stoul(digits));
            present.insert(n);
            where.emplace(n, e.index);
        }
        unsigned first_gap = 1;
        while (present.count(first_gap) > 0) ++first_gap;
        for (unsigned n : present) {
            if (n > first_gap) {
                warn(where[n], "[" + section + "] " + stem + std::to_string(n) + " is never read: " + stem +
                                   std::to_string(first_gap) + " is missing");
            }
        }
    }

    // Sections read as a list of their key names get that list in a 4096-byte buffer.
    void key_lists() {
        for (const std::string& name : text_.section_names()) {
            bool listed = SameName(name, "Exit List") || SameName(name, "Program Manager Group") ||
                          SameName(name, "Old Program Manager Groups") || SameName(name, "Fonts") ||
                          (name.size() > 6 && SameName(name.substr(name.size() - 6), " Fonts")) ||
                          (name.size() > 5 && SameName(name.substr(0, 5), "Disk "));
            if (!listed) continue;
            std::vector<ScriptText::Entry> keys = text_.entries(name);
            std::size_t used = 0;
            for (std::size_t i = 0; i < keys.size(); ++i) {
                used += keys[i].key.size() + 1;
                if (used <= kKeyListBytes - 1) continue;
                warn(keys[i].index, "[" + name + "] has more key names than the installer reads (" +
                                        std::to_string(kKeyListBytes) + " bytes of them): \"" + keys[i].key +
                                        "\" and the " + std::to_string(keys.size() - i - 1) +
                                        " keys after it are not seen; split the section");
                break;
            }
        }
    }

    // Program Manager commands carry names and titles as arguments: a double quote cannot
    // be sent in one, an item without a title is passed over, and a program file is read
    // into 64 characters.
    void group_texts() {
        const std::string section = "Program Manager Group";
        auto quoted = [&](int index, const std::string& what, const std::string& text) {
            if (text.find('"') == std::string::npos) return false;
            refuse(index, what + " \"" + text + "\" holds a double quote, which no Program Manager command can "
                          "carry; the installer skips it");
            return true;
        };
        int at = text_.key(section, "GroupName");
        std::string key, group;
        if (at < 0 || !ScriptText::ParseKeyLine(text_.lines()[at].text, key, group) || group.empty()) return;
        quoted(at, "the group name", group);
        for (const ScriptText::Entry& e : text_.entries(section)) {
            if (SameName(e.key, "GroupName") || e.value.empty()) continue;
            const std::string title = e.value.substr(0, e.value.find(','));
            if (title.empty()) {
                warn(e.index, "the item " + e.key + " has no title; the installer passes over it");
                continue;
            }
            if (quoted(e.index, "the item title", title)) continue;
            if (quoted(e.index, "the program file", e.key)) continue;
            if (e.key.size() > 63) {
                warn(e.index, "the program file " + e.key + " has " + std::to_string(e.key.size()) +
                                  " characters; the installer keeps only the first 63, so the item points "
                                  "to a file that is not there");
            }
        }
        for (const ScriptText::Entry& e : text_.entries("Old Program Manager Groups")) {
            quoted(e.index, "the old group name", e.value);
        }
    }

    void group_platforms() {
        const std::string section = "Program Manager Group";
        for (const ScriptText::Entry& e : text_.entries(section)) {
            if (SameName(e.key, "GroupName")) continue;
            std::size_t comma = e.value.find(',');
            while (comma != std::string::npos) {
                std::size_t next = e.value.find(',', comma + 1);
                std::string field = e.value.substr(comma + 1, next == std::string::npos ? next : next - comma - 1);
                if (FindPlatformKeyword(field.c_str()) < 0) {
                    warn(e.index, "\"" + field + "\" is not a platform (Win31, Win95, WinNT); the installer ignores it");
                }
                comma = next;
            }
        }
    }

    bool files_known() const {
        return !options_.folder.empty() || !options_.disk_folders.empty() || options_.embedded != nullptr;
    }

    // The product's file of a [Disk n] line in an embedded setup.exe.
    const ProductFile* embedded_file(int disk, const std::string& name) const {
        for (const ProductFile& f : options_.embedded->script.files) {
            if (f.role == ProductFile::Role::kDisk && f.disk == disk && SameName(f.name, name)) return &f;
        }
        return nullptr;
    }

    static std::int64_t StoredSize(const pe::Bytes& stored) {
        szdd::Header h{};
        return szdd::ParseHeader(stored->data(), stored->size(), h) ? static_cast<std::int64_t>(h.expanded_length)
                                                                     : static_cast<std::int64_t>(stored->size());
    }

    // The expanded size of an installation file, or -1 when the product neither has it
    // nor its original. A file of a disk set is looked for on its own disk; one found on
    // another disk is counted, with a warning.
    std::int64_t expanded_size(int index, int disk, const std::string& name, const std::string& installed) {
        if (options_.embedded != nullptr) {
            const ProductFile* f = embedded_file(disk, name);
            const pe::Bytes stored = f != nullptr ? options_.embedded->stored(f->resource_id) : nullptr;
            return stored ? StoredSize(stored) : -1;
        }
        if (!options_.disk_folders.empty()) {
            const std::size_t d = static_cast<std::size_t>(disk - 1);
            if (d < disk_folders_.size()) {
                const Origin o = disk_folders_[d].origin(name, installed);
                if (o.kind != Origin::Kind::kMissing) return static_cast<std::int64_t>(o.expanded_size);
            }
            for (std::size_t other = 0; other < disk_folders_.size(); ++other) {
                const Origin o = disk_folders_[other].origin(name, installed);
                if (other == d || o.kind == Origin::Kind::kMissing) continue;
                warn(index, name + " lies on disk " + std::to_string(other + 1) + " (" + options_.disk_folders[other] +
                                "), but its line is in [Disk " + std::to_string(disk) +
                                "]: the installer looks for it on disk " + std::to_string(disk));
                return static_cast<std::int64_t>(o.expanded_size);
            }
            if (d >= disk_folders_.size()) {
                warn(index, "[Disk " + std::to_string(disk) + "] has no folder: the disk set has " +
                                std::to_string(disk_folders_.size()) + " disks");
                return 0;  // told once here rather than as a missing file
            }
            return -1;
        }
        if (options_.folder.empty()) return -1;
        const Origin o = folder_.origin(name, installed);
        return o.kind == Origin::Kind::kMissing ? -1 : static_cast<std::int64_t>(o.expanded_size);
    }

    void missing(int index, int disk, const std::string& what, const std::string& name) {
        if (!files_known() || !options_.report_missing_files) return;
        if (options_.embedded != nullptr) {
            warn(index, what + name + " is not in the setup.exe (no resource for it)");
            return;
        }
        const std::string where = !options_.disk_folders.empty() && disk >= 1
                                      ? options_.disk_folders[static_cast<std::size_t>(disk - 1)]
                                      : options_.folder;
        std::string text = what + name + " is not in " + where;
        if (!name.empty() && name.back() == '_') text += ", nor its original";
        warn(index, text);
    }

    // The help file as it is, or its original when it is made on the way.
    bool help_file_is_real(const std::string& name, const std::string& installed) {
        if (options_.embedded != nullptr) {
            const pe::Bytes help = options_.embedded->stored(kHelpId);
            return !help || IsWinHelpData(help->data(), help->size());
        }
        const Origin o = folder_.origin(name, installed);
        return o.kind == Origin::Kind::kMissing || IsWinHelpFile(o.path);  // missing: reported as such
    }

    std::int64_t help_size(const std::string& source, const std::string& installed) {
        if (options_.embedded != nullptr) {
            const pe::Bytes help = options_.embedded->stored(kHelpId);
            return help ? StoredSize(help) : -1;
        }
        if (!files_known()) return -1;
        const Origin o = folder_.origin(source, installed);
        return o.kind == Origin::Kind::kMissing ? -1 : static_cast<std::int64_t>(o.expanded_size);
    }

    // The uninstall entry runs <target>\uninst.exe: something must install it.
    void uninstaller(bool installs_it) {
        using U = CheckOptions::Uninstaller;
        if (options_.uninstaller == U::kIgnore || installs_it) return;
        const int at = text_.key("Basic Information", "UninstallName");
        std::string key, name;
        if (at < 0 || !ScriptText::ParseKeyLine(text_.lines()[at].text, key, name) || name.empty()) return;
        if (options_.uninstaller == U::kPackAdds) {
            out_.push_back({false, text_.number_of(at), 0,
                            "UninstallName is set and no [Disk n] line installs Target\\UNINST.EXE: zep pack adds "
                            "its uninstaller (UNINST.EX_=Target\\UNINST.EXE on the last disk), which removes what this "
                            "script installs",
                            {}, true});
        } else {
            warn(at, "UninstallName is set, so the uninstall entry runs <target>\\uninst.exe, but no [Disk n] line "
                     "installs Target\\UNINST.EXE: the entry points at nothing (pack the product folder with zep "
                     "pack, which adds its uninstaller)");
        }
    }

    void disks() {
        std::string key, total_text, help;
        int total = 0;
        bool installs_uninstaller = false;
        int at = text_.key("Basic Information", "TotalDisks");
        if (at >= 0 && ScriptText::ParseKeyLine(text_.lines()[at].text, key, total_text)) total = std::atoi(total_text.c_str());
        int help_at = text_.key("Basic Information", "HelpFileName");
        std::string help_source, help_installed;
        if (help_at >= 0 && ScriptText::ParseKeyLine(text_.lines()[help_at].text, key, help)) {
            std::size_t comma = help.find(',');
            help_source = help.substr(0, comma);
            help_installed = comma == std::string::npos ? help : help.substr(comma + 1);
            if (!help_source.empty() && help_size(help_source, help_installed) < 0) {
                missing(help_at, 1, "the help file ", help_source);
            } else if (!help_source.empty() && files_known() && !help_file_is_real(help_source, help_installed)) {
                warn(help_at, "the help file " + help_source + " is not in the WinHelp format: F1, Help and the "
                              "readme button show an error instead of a topic; make it with 'zep help'");
            }
        }
        std::int64_t bytes_for[3] = {0, 0, 0};
        for (const std::string& name : text_.section_names()) {
            if (name.size() < 6 || !SameName(name.substr(0, 5), "Disk ")) continue;
            int n = std::atoi(name.c_str() + 5);
            int header = text_.section(name);
            if (n < 1 || n > total) {
                warn(header, "[" + name + "] is never read: TotalDisks is " + std::to_string(total));
                continue;
            }
            for (const ScriptText::Entry& e : text_.entries(name)) {
                if (SameName(e.key, "DiskName")) continue;
                installs_uninstaller = file_line(e, n, help_installed, bytes_for) || installs_uninstaller;
            }
        }
        disk_space(bytes_for);
        uninstaller(installs_uninstaller);
    }

    // True when the line installs Target\UNINST.EXE.
    bool file_line(const ScriptText::Entry& e, int disk, const std::string& help_installed, std::int64_t* bytes_for) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = e.value.find(',', start)) != std::string::npos; start = comma + 1) {
            fields.push_back(e.value.substr(start, comma - start));
        }
        fields.push_back(e.value.substr(start));
        unsigned flags = 7;
        for (std::size_t i = 2; i < fields.size(); ++i) {
            int bit = FindFileFlagKeyword(fields[i].c_str());
            if (bit < 0) {
                warn(e.index, "\"" + fields[i] + "\" is not a file flag (EGA, VGA, 8514, Append, HiddenFont, "
                              "SystemFont); the installer ignores it");
            } else if (bit < 3 && flags == 7) {
                flags = 1u << bit;
            } else {
                flags |= 1u << bit;
            }
        }
        std::string place = fields[0];
        std::size_t slash = place.find('\\');
        std::string keyword = place.substr(0, slash);
        std::string destination = slash == std::string::npos ? e.key : place.substr(slash + 1);
        if (FindDirectoryKeyword(keyword.c_str()) == kWindowsDir && !help_installed.empty() &&
            SameName(destination, help_installed)) {
            warn(e.index, destination + " is also the help file's installed name: clean-up deletes the help "
                          "file, and with it this installed copy");
        }
        const bool uninstaller = FindDirectoryKeyword(keyword.c_str()) == 0 && SameName(destination, kUninstallerTarget);
        std::int64_t size = expanded_size(e.index, disk, e.key, destination);
        if (size < 0) {
            missing(e.index, disk, "the file ", e.key);
            return uninstaller;
        }
        for (int d = 0; d < 3; ++d) {
            if ((flags & (1u << d)) != 0) bytes_for[d] += size;
        }
        return uninstaller;
    }

    void disk_space(const std::int64_t* bytes_for) {
        if (!files_known()) return;
        static const char* const keys[3] = {"EGADiskSpace", "VGADiskSpace", "8514DiskSpace"};
        for (int d : options_.displays) {
            std::string key, value;
            int at = text_.key("Basic Information", "DiskSpace");
            if (at < 0 || !ScriptText::ParseKeyLine(text_.lines()[at].text, key, value) || value.empty()) {
                at = text_.key("Basic Information", keys[d]);
                if (at < 0 || !ScriptText::ParseKeyLine(text_.lines()[at].text, key, value)) continue;
            }
            std::int64_t space = std::atoll(value.c_str());
            if (space > 0 && space < bytes_for[d]) {
                warn(at, key + "=" + value + " is less than the " + std::to_string(bytes_for[d]) + " bytes the files expand to on " +
                             kDisplayNames[d] + ": the free-space check lets through drives too small to hold them");
            }
        }
    }

    const ScriptText& text_;
    const CheckOptions& options_;
    std::vector<Finding>& out_;
    ProductFolder folder_{options_.folder};
    std::vector<ProductFolder> disk_folders_{options_.disk_folders.begin(), options_.disk_folders.end()};
    std::set<int> cut_;  // lines already reported as cut to their buffer
};

}  // namespace

std::string FormatFinding(const Finding& f, const std::string& script, std::size_t combinations) {
    std::string where = script + (f.line > 0 ? ":" + std::to_string(f.line) : std::string()) + ": ";
    if (f.note) return where + "note: " + f.message;
    if (!f.error) return where + "warning: " + f.message;
    std::string places;
    if (f.where.size() == combinations) places = "everywhere";
    for (std::size_t i = 0; i < f.where.size() && places != "everywhere"; ++i) {
        places += (i == 0 ? "" : ", ") + f.where[i];
    }
    return where + "error: dialog " + std::to_string(f.dialog) + " (" + places + "): " + f.message;
}

std::vector<Finding> CheckScript(const std::string& script, const CheckOptions& options) {
    std::vector<Finding> findings;
    std::map<ErrorKey, std::vector<std::string>> errors;
    FindErrors(script, options, errors);
    for (auto& [key, where] : errors) findings.push_back({true, key.line, key.dialog, key.message, where});
    Warnings(ScriptText(script), options, findings).run();
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}

}  // namespace zep::tool
