// The install script loader: one pass over the sections in a fixed order, with an early
// return of the install code that reports the first problem.
#include "script/loader.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/embedded_payload.h"
#include "engine/file_transfer.h"
#include "script/key_names.h"
#include "script/keywords.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr std::uint16_t kFontsBitmap = 500;
constexpr std::uint32_t kScriptName = 8000;

// --- Small readers, all against the current section and the script path. ---

// Nothing read is an empty value, or an empty key list: whatever a failing call left in
// the buffer, no earlier value is read as this one.
std::uint32_t ReadValue(Installer& in, const char* key, char* buf, std::uint32_t size) {
    const std::uint32_t n = in.os.profiles.get_private_profile_string(in.loader.section, key, "", buf, size,
                                                                       in.loader.script_path);
    if (n == 0) buf[0] = '\0';
    return n;
}

std::uint32_t ReadKey(Installer& in, KeyName key, char* buf, std::uint32_t size) {
    return ReadValue(in, kKeyNames[key], buf, size);
}

template <std::size_t N>
std::uint32_t ReadKey(Installer& in, KeyName key, char (&buf)[N]) {
    return ReadKey(in, key, buf, N);
}

// Reads a required key; false when it is missing or empty (dialog 1600 names it).
template <std::size_t N>
bool ReadRequired(Installer& in, KeyName key, char (&buf)[N]) {
    in.loader.key_index = key;
    return ReadKey(in, key, buf) != 0;
}

void RecordLine(Installer& in, const char* key, const char* value) {
    FormatText(in.dialogs.message_arg, sizeof in.dialogs.message_arg, "%s=%s", key, value);
}

// File%u and Subdirectory%u, numbered from 1; the line is recorded as read.
std::uint32_t ReadNumberedKey(Installer& in, KeyName key, std::uint32_t number, char (&buf)[260]) {
    char name[16];
    FormatText(name, sizeof name, kKeyNames[key], number);
    std::uint32_t n = ReadValue(in, name, buf, sizeof buf);
    RecordLine(in, name, buf);
    return n;
}

// The key names of the current section into the scratch buffer, NUL-separated.
std::uint32_t ListKeys(Installer& in) {
    char* list = in.dialogs.scratch;
    std::uint32_t n = ReadValue(in, nullptr, list, sizeof in.dialogs.scratch);
    // A full buffer ends in two NULs; keep the walk inside it whatever came back.
    if (n > sizeof in.dialogs.scratch - 2) n = sizeof in.dialogs.scratch - 2;
    list[n] = '\0';
    list[n + 1] = '\0';
    return n;
}

// Walks a key list made by ListKeys.
const char* NextKey(const char* key) {
    return key + TextLength(key) + 1;
}

// A section's key list without a key just read from it was not read at all: the script
// could not be read there (a disk taken out, a read error), which an empty list would
// hide as a section without lines.
bool Listed(const char* list, const char* name) {
    for (const char* key = list; *key != '\0'; key = NextKey(key)) {
        if (EqualsIgnoringAsciiCase(key, name)) return true;
    }
    return false;
}

std::uint16_t Unreadable(Installer& in) {
    CopyText(in.dialogs.message_arg, in.loader.script_path);
    return kErrOpenScript;
}

void SetSection(Installer& in, const char* section) {
    CopyText(in.loader.section, section);
}

// Stores a string as an atom; false when it is too long or the atom table is full.
bool Store(Installer& in, const char* text, Atom& out) {
    out = 0;
    if (text[0] == '\0') return true;
    if (TextLength(text) > kMaxAtomText) return false;
    out = in.os.system.add_atom(text);
    return out != 0;
}

void Release(Installer& in, Atom& atom) {
    if (atom != 0) in.os.system.delete_atom(atom);
    atom = 0;
}

// Splits text at the first separator: text keeps the part before it, the result points
// past it, or is null when there was none.
char* SplitAt(char* text, char separator) {
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == separator) {
            *p = '\0';
            return p + 1;
        }
    }
    return nullptr;
}

// --- Names of the installer's own files in the Windows directory. ---

bool Taken(Installer& in, const char* name) {
    char path[260];
    return !RootPath(in, path, name, kWindowsDir) || !NamesNothing(in, path);
}

// The Windows directory may already hold a file of the name the installer wants for its
// help file or extracted script: another program's, a user's. That file is neither read,
// overwritten nor deleted; the installer's copy takes a free name of its own beside it,
// the name's stem cut short, "~" and a number, its extension kept (SETUP.HLP gives
// SETUP~1.HLP). In embedded mode the temporary file written first must be free too.
// False when no name up to ~99 is free.
bool FreeName(Installer& in, const char* name, char (&out)[260]) {
    auto free = [&](const char* candidate) {
        char temporary[260];
        TemporaryName(candidate, temporary);
        return !Taken(in, candidate) && !(in.loader.embedded && Taken(in, temporary));
    };
    for (std::uint32_t n = 0; n <= 99; ++n) {
        if (NumberedName(name, n, out) && free(out)) return true;
    }
    out[0] = '\0';
    return false;
}

// No free name: the copy would have to replace a file that is not the installer's.
std::uint16_t NoFreeName(Installer& in, const char* name) {
    char path[260];
    RootPath(in, path, name, kWindowsDir);
    in.os.system.set_last_error(ERROR_FILE_EXISTS);
    RecordFailure(in, path[0] != '\0' ? path : name);
    return kErrCopy;
}

// --- 1. Locate the script. ---

std::uint16_t LocateScript(Installer& in) {
    LoaderState& l = in.loader;
    l.embedded = in.os.resources.find_resource(kScriptResource, kPayloadType) != 0;
    l.script_written = false;
    char name[260] = {};
    in.os.resources.load_string(kScriptName, name, sizeof name);
    RootPath(in, l.script_path, name, l.embedded ? kWindowsDir : kInstallerDir);
    if (l.embedded) {
        // A script of that name that was there before is another product's: never read.
        char own[260];
        if (!FreeName(in, name, own)) return NoFreeName(in, name);
        RootPath(in, l.script_path, own, kWindowsDir);
        std::uint32_t mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
        std::uint16_t code = InstallEmbeddedFile(in, own, kWindowsDir, kScriptResource, 0);
        in.os.system.set_error_mode(mode);
        if (code != kOk) return code;
        l.script_written = true;
    }
    Hfile probe = OpenPath(in, l.script_path, OF_EXIST);
    if (probe == HFILE_ERROR) {
        CopyText(in.dialogs.message_arg, l.script_path);
        return kErrOpenScript;
    }
    return kOk;
}

// --- 2. [Basic Information]. ---

std::uint16_t ReadHelpFile(Installer& in) {
    SetSection(in, "Basic Information");
    char value[260];
    if (!ReadRequired(in, kKeyHelpFileName, value)) return kErrMissingKey;
    char source[260];
    CopyText(source, value);
    char* installed = SplitAt(source, ',');
    if (installed == nullptr) {
        installed = source;
    } else if (source[0] == '\0' || installed[0] == '\0') {
        RecordLine(in, kKeyNames[kKeyHelpFileName], value);
        return kErrScriptLine;
    }
    // A help file that cannot be installed does not stop the installation.
    char own[260];
    if (!FreeName(in, installed, own)) {
        RootPath(in, in.script.basic.help_file_path, installed, kWindowsDir);
        return kOk;
    }
    RootPath(in, in.script.basic.help_file_path, own, kWindowsDir);
    std::uint32_t mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
    in.loader.help_written = InstallOneFile(in, own, source, kWindowsDir, kHelpResource, 0) == kOk;
    in.os.system.set_error_mode(mode);
    return kOk;
}

std::uint16_t CheckWindowsVersion(Installer& in) {
    char value[260];
    ReadKey(in, kKeyWindowsVersion, value);
    char* minor_text = SplitAt(value, '.');
    if (minor_text == nullptr) return kOk;
    BasicInformation& b = in.script.basic;
    b.windows_major = ParseDecimal(value);
    b.windows_minor = ParseDecimal(minor_text);
    if (b.windows_minor % 10 == 0) b.windows_minor /= 10;
    if (b.windows_major < 3 || b.windows_minor < 0) return kOk;
    const std::int64_t major = b.windows_major;
    const std::int64_t minor = b.windows_minor;
    if (major > in.env.major || (major == in.env.major && minor > in.env.minor)) {
        return kErrWindowsVersion;
    }
    return kOk;
}

void LoadFontsBitmap(Installer& in) {
    BasicInformation& b = in.script.basic;
    b.fonts_bitmap = in.os.resources.load_bitmap(kFontsBitmap);
    if (b.fonts_bitmap == 0 ||
        !in.os.resources.get_bitmap_size(b.fonts_bitmap, b.bitmap_width, b.bitmap_height)) {
        b.bitmap_width = 40;
        b.bitmap_height = 100;
    }
}

std::uint16_t ReadDiskSpace(Installer& in) {
    char value[260];
    in.loader.key_index = kKeyDiskSpace;
    if (ReadKey(in, kKeyDiskSpace, value) == 0) {
        KeyName display_key = static_cast<KeyName>(kKeyEgaDiskSpace + in.env.display_class);
        if (ReadKey(in, display_key, value) == 0) return kErrMissingKey;
    }
    in.script.basic.disk_space = ParseDecimal(value);
    if (in.script.basic.disk_space <= 0) {
        RecordLine(in, kKeyNames[kKeyDiskSpace], value);
        return kErrScriptLine;
    }
    return kOk;
}

}  // namespace

std::uint16_t ReadBasicInformation(Installer& in) {
    BasicInformation& b = in.script.basic;
    SetSection(in, "Basic Information");
    if (!ReadRequired(in, kKeyCaption, b.caption)) {
        CopyText(b.caption, "Install");
        return kErrMissingKey;
    }
    in.os.ui.set_window_text(in.shell.main_window, b.caption);
    ReadKey(in, kKeyViewButtonText, b.view_button_text);
    ReadKey(in, kKeyProductIni, b.product_ini);
    ReadKey(in, kKeyOldProductIni, b.old_product_ini);
    ReadKey(in, kKeyProductVersion, b.product_version);
    ReadKey(in, kKeyVersionToPatch, b.version_to_patch);
    if (!ReadRequired(in, kKeyProductName, b.product_name)) return kErrMissingKey;
    ReadKey(in, kKeyOldProductName, b.old_product_name);
    ReadKey(in, kKeyOldProductVersion, b.old_product_version);
    ReadKey(in, kKeyUninstallName, b.uninstall_name);
    if (std::uint16_t code = CheckWindowsVersion(in); code != kOk) return code;

    b.fonts_only = static_cast<std::int32_t>(in.os.profiles.get_private_profile_int(
        in.loader.section, kKeyNames[kKeyFontsOnly], 0, in.loader.script_path));
    if (b.fonts_only != 0) {
        LoadFontsBitmap(in);
    } else if (!ReadRequired(in, kKeyDefaultTargetDir, b.target_dir)) {
        return kErrMissingKey;
    }

    in.loader.key_index = kKeyTotalDisks;
    std::uint32_t disks = in.os.profiles.get_private_profile_int(
        in.loader.section, kKeyNames[kKeyTotalDisks], 0, in.loader.script_path);
    if (disks == 0) return kErrMissingKey;
    // Taken as the profile API returns it, unsigned: a negative count is too many too.
    if (disks > kMaxDisks) return kErrTooManyDisks;
    b.total_disks = static_cast<std::int32_t>(disks);
    return ReadDiskSpace(in);
}

// --- 3. to 8. The list sections. ---

namespace {

std::uint16_t ReadFontSection(Installer& in, int& stored) {
    ListKeys(in);
    char value[260];
    for (const char* key = in.dialogs.scratch; *key != '\0' && stored < kMaxFonts;
         key = NextKey(key)) {
        if (ReadValue(in, key, value, sizeof value) == 0) continue;
        FontPair& pair = in.script.fonts[stored];
        if (!Store(in, value, pair.file) || !Store(in, key, pair.name)) return kErrOutOfMemory;
        ++stored;
    }
    return kOk;
}

std::uint16_t ReadFonts(Installer& in) {
    int stored = 0;
    SetSection(in, "fonts");
    if (std::uint16_t code = ReadFontSection(in, stored); code != kOk) return code;
    char section[64];
    FormatText(section, sizeof section, "%s Fonts", kFileFlagKeywords[in.env.display_class]);
    SetSection(in, section);
    return ReadFontSection(in, stored);
}

}  // namespace

std::uint16_t ReadExitList(Installer& in) {
    SetSection(in, "Exit List");
    ListKeys(in);
    char value[260];
    ScriptTables& t = in.script;
    for (const char* key = in.dialogs.scratch; *key != '\0' && t.exit_count < kMaxExitEntries;
         key = NextKey(key)) {
        ReadValue(in, key, value, sizeof value);
        ExitEntry& e = t.exit_list[t.exit_count];
        if (!Store(in, key, e.window_class) || !Store(in, value, e.title_prefixes)) {
            return kErrOutOfMemory;
        }
        ++t.exit_count;
    }
    return kOk;
}

namespace {

std::uint16_t ReadDeleteList(Installer& in) {
    SetSection(in, "Delete List");
    ScriptTables& t = in.script;
    char value[260];
    while (t.delete_count < kMaxDeleteEntries &&
           ReadNumberedKey(in, kKeyDeleteFile, t.delete_count + 1, value) != 0) {
        // The file lies directly in the root of its directory kind.
        char* name = nullptr;
        for (char* p = value; *p != '\0'; ++p) {
            if (*p == '\\') name = p;
        }
        if (name == nullptr) return kErrScriptLine;
        *name++ = '\0';
        int kind = FindDirectoryKeyword(value);
        if (kind == kInstallerDir || name[0] == '\0') return kErrScriptLine;
        DeleteEntry& e = t.delete_list[t.delete_count];
        if (!Store(in, name, e.file)) return kErrOutOfMemory;
        e.kind = static_cast<std::uint8_t>(kind);
        ++t.delete_count;
    }
    return kOk;
}

}  // namespace

std::uint16_t ReadTargetSubdirectories(Installer& in) {
    SetSection(in, "Target Subdirectories");
    ScriptTables& t = in.script;
    char value[260];
    while (t.subdirectory_count < kMaxSubdirectories &&
           ReadNumberedKey(in, kKeySubdirectory, t.subdirectory_count + 1, value) != 0) {
        if (!Store(in, value, t.subdirectories[t.subdirectory_count])) return kErrOutOfMemory;
        ++t.subdirectory_count;
    }
    return kOk;
}

std::uint16_t ReadProgramGroup(Installer& in) {
    SetSection(in, "Program Manager Group");
    ScriptTables& t = in.script;
    if (ReadKey(in, kKeyGroupName, t.group_name) == 0) return kOk;
    ListKeys(in);
    if (!Listed(in.dialogs.scratch, kKeyNames[kKeyGroupName])) return Unreadable(in);
    char value[260];
    int stored = 0;
    for (const char* key = in.dialogs.scratch; *key != '\0' && stored < kMaxGroupItems;
         key = NextKey(key)) {
        if (EqualsIgnoringAsciiCase(key, kKeyNames[kKeyGroupName])) continue;
        if (ReadValue(in, key, value, sizeof value) == 0) continue;
        GroupItem& item = t.group_items[stored];
        item.platforms = 0;
        char* rest = SplitAt(value, ',');
        // An item without a title is passed over; stored, it would end the list there.
        if (value[0] == '\0') continue;
        if (!Store(in, key, item.program) || !Store(in, value, item.title)) return kErrOutOfMemory;
        while (rest != nullptr) {
            char* field = rest;
            rest = SplitAt(field, ',');
            int bit = FindPlatformKeyword(field);
            if (bit >= 0) item.platforms |= 1u << bit;
        }
        if (item.platforms == 0) item.platforms = 7;
        ++stored;
    }
    return kOk;
}

namespace {

std::uint16_t ReadOldGroups(Installer& in) {
    SetSection(in, "Old Program Manager Groups");
    ListKeys(in);
    char value[260];
    ScriptTables& t = in.script;
    for (const char* key = in.dialogs.scratch; *key != '\0' && t.old_group_count < kMaxOldGroups;
         key = NextKey(key)) {
        ReadValue(in, key, value, sizeof value);
        OldGroup& g = t.old_groups[t.old_group_count];
        if (!Store(in, key, g.version) || !Store(in, value, g.group)) return kErrOutOfMemory;
        ++t.old_group_count;
    }
    return kOk;
}

// --- 9. [Run]. ---

std::uint16_t ReadRun(Installer& in) {
    SetSection(in, "Run");
    RunSettings& run = in.script.run;
    KeyName program = in.env.platform_mask == 1   ? kKeyWin31File
                      : in.env.platform_mask == 2 ? kKeyWin95File
                                                  : kKeyWinNTFile;
    if (ReadKey(in, program, run.program) == 0 && ReadKey(in, kKeyRunFile, run.program) == 0) {
        return kOk;
    }
    char buttons[260];
    in.loader.key_index = kKeyButtons;
    std::uint32_t n = ReadKey(in, kKeyButtons, buttons);
    RecordLine(in, kKeyNames[kKeyButtons], buttons);
    if (n == 0) return kErrMissingKey;
    if (EqualsIgnoringAsciiCase(buttons, "OK/Cancel")) {
        run.choice = 1;
    } else if (EqualsIgnoringAsciiCase(buttons, "Yes/No")) {
        run.choice = 2;
    } else {
        return kErrScriptLine;
    }
    if (!ReadRequired(in, kKeyMessage, run.message)) return kErrMissingKey;
    if (!ReadRequired(in, kKeyName, run.name)) return kErrMissingKey;
    return kOk;
}

// --- 10. [Disk n]. ---

void ReleaseEntry(Installer& in, FileEntry& e) {
    Release(in, e.source);
    Release(in, e.destination);
    Release(in, e.description);
}

// Parses one file line into e (source already stored); 0, 1100 or 2000.
std::uint16_t ParseFileLine(Installer& in, const char* key, char* value, FileEntry& e) {
    e.kind = kInstallerDir;
    e.flags = kDisplayFlags;
    char* rest = SplitAt(value, ',');
    char* destination = SplitAt(value, '\\');
    if (destination == nullptr) destination = const_cast<char*>(key);
    int kind = FindDirectoryKeyword(value);
    if (kind == kInstallerDir || destination[0] == '\0') return kErrScriptLine;
    e.kind = static_cast<std::uint8_t>(kind);
    if (!Store(in, destination, e.destination)) return kErrOutOfMemory;
    if (rest == nullptr) return kOk;
    char* description = rest;
    rest = SplitAt(description, ',');
    if (!Store(in, description, e.description)) return kErrOutOfMemory;
    while (rest != nullptr) {
        char* field = rest;
        rest = SplitAt(field, ',');
        int bit = FindFileFlagKeyword(field);
        if (bit < 0) continue;
        std::uint8_t flag = static_cast<std::uint8_t>(1u << bit);
        if ((flag & kDisplayFlags) != 0 && (e.flags & kDisplayFlags) == kDisplayFlags) {
            e.flags &= static_cast<std::uint8_t>(~kDisplayFlags);
        }
        e.flags |= flag;
    }
    return kOk;
}

bool AppendEntry(Installer& in, DiskRecord& disk, std::uint32_t capacity, const FileEntry& e) {
    if (disk.count >= capacity) return false;
    auto* entries = static_cast<FileEntry*>(in.os.system.global_lock(disk.entries));
    if (entries == nullptr) return false;
    entries[disk.count++] = e;
    in.os.system.global_unlock(disk.entries);
    return true;
}

std::uint16_t ReadDisk(Installer& in, DiskRecord& disk) {
    char* scratch = in.dialogs.scratch;
    in.loader.key_index = kKeyDiskName;
    if (ReadKey(in, kKeyDiskName, scratch, 260) == 0) return kErrMissingKey;
    if (!Store(in, scratch, disk.name)) return kErrOutOfMemory;

    ListKeys(in);
    if (!Listed(scratch, kKeyNames[kKeyDiskName])) return Unreadable(in);
    std::uint32_t keys = 0;
    for (const char* key = scratch; *key != '\0'; key = NextKey(key)) ++keys;
    const std::uint32_t capacity = keys > 0 ? keys - 1 : 0;
    disk.entries = in.os.system.global_alloc(GHND, capacity * sizeof(FileEntry));
    if (disk.entries == 0) return kErrOutOfMemory;
    disk.count = 0;

    char value[260];
    for (const char* key = scratch; *key != '\0'; key = NextKey(key)) {
        if (EqualsIgnoringAsciiCase(key, kKeyNames[kKeyDiskName])) continue;
        FileEntry e{};
        if (!Store(in, key, e.source)) return kErrOutOfMemory;
        ReadValue(in, key, value, sizeof value);
        RecordLine(in, key, value);
        e.resource_id = in.loader.next_resource_id++;
        std::uint16_t code = ParseFileLine(in, key, value, e);
        if (code == kOk && (e.flags & in.env.display_mask) != 0) {
            if (!AppendEntry(in, disk, capacity, e)) code = kErrOutOfMemory;
            else continue;
        }
        ReleaseEntry(in, e);
        if (code != kOk) return code;
    }
    return kOk;
}

std::uint16_t ReadDisks(Installer& in) {
    in.loader.next_resource_id = kFirstFileResource;
    for (std::int32_t n = 1; n <= in.script.basic.total_disks; ++n) {
        char section[64];
        FormatText(section, sizeof section, "Disk %u", static_cast<std::uint32_t>(n));
        SetSection(in, section);
        if (std::uint16_t code = ReadDisk(in, in.script.disks[n - 1]); code != kOk) return code;
    }
    return kOk;
}

}  // namespace

namespace {

// A load after Retry starts from nothing: what the last try stored, and the files it
// placed in the Windows directory, which are this run's own, go first, so that entries
// are not stored twice and the new copies do not take other names beside the old ones.
// (The lists' atoms are left to the end of the process, as the exit list's always are.)
void StartAfresh(Installer& in) {
    LoaderState& l = in.loader;
    if (l.help_written) QuietDelete(in, in.script.basic.help_file_path);
    if (l.embedded && l.script_written) QuietDelete(in, l.script_path);
    l.help_written = false;
    l.script_written = false;
    if (in.script.basic.fonts_bitmap != 0) in.os.resources.delete_object(in.script.basic.fonts_bitmap);
    ReleaseScriptTables(in);
    in.script = {};
}

}  // namespace

std::uint16_t LoadInstallScript(Installer& in) {
    StartAfresh(in);
    using Step = std::uint16_t (*)(Installer&);
    static constexpr Step kSteps[] = {
        LocateScript,   ReadHelpFile,   ReadBasicInformation, ReadFonts,
        ReadExitList,   ReadDeleteList, ReadTargetSubdirectories,
        ReadProgramGroup, ReadOldGroups, ReadRun,
        ReadDisks,
    };
    for (Step step : kSteps) {
        if (std::uint16_t code = step(in); code != kOk) return code;
    }
    if (in.loader.embedded && in.os.files.delete_file(in.loader.script_path)) in.loader.script_written = false;
    return kOk;
}

void ReleaseScriptTables(Installer& in) {
    ScriptTables& t = in.script;
    platform::System& sys = in.os.system;
    for (DiskRecord& disk : t.disks) {
        if (disk.name == 0) break;
        Release(in, disk.name);
        if (disk.entries == 0) continue;
        if (auto* entries = static_cast<FileEntry*>(sys.global_lock(disk.entries))) {
            for (std::uint16_t i = 0; i < disk.count; ++i) ReleaseEntry(in, entries[i]);
            sys.global_unlock(disk.entries);
        }
        sys.global_free(disk.entries);
    }
    for (FontPair& pair : t.fonts) {
        Release(in, pair.file);
        Release(in, pair.name);
    }
    for (GroupItem& item : t.group_items) {
        Release(in, item.program);
        Release(in, item.title);
    }
    for (DiskRecord& disk : t.disks) disk = {};
    for (FontPair& pair : t.fonts) pair = {};
    for (GroupItem& item : t.group_items) item = {};
}

}  // namespace zep
