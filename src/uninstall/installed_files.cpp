// The files the script installed into the target, and the folders they and the script's
// target subdirectories made. A file goes only when it is still the one installed; a
// folder only when it is empty.
#include "base/text.h"
#include "engine/file_transfer.h"
#include "shell/environment.h"
#include "uninstall/uninstaller.h"

namespace zep {

namespace {

constexpr std::int64_t kSecond = 10000000;  // in FILETIME's 100-nanosecond ticks
constexpr std::int64_t kFatSlack = 2 * kSecond;
constexpr std::int64_t kQuarterHour = 900 * kSecond;
constexpr std::int64_t kFarthestZone = 14 * 3600 * kSecond;

std::int64_t Ticks(const FileTime& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.high) << 32) | t.low);
}

bool SameName(const FileRecord& a, const FileRecord& b) {
    if (a.length != b.length) return false;
    for (std::uint32_t i = 0; i < a.length; ++i) {
        if (AsciiUpper(a.name[i]) != AsciiUpper(b.name[i])) return false;
    }
    return true;
}

// Whether a record before `at` names the same file: each file is looked at once.
bool SeenBefore(const Uninstaller& u, const std::uint8_t* at, const FileRecord& record) {
    FileRecord other;
    for (const std::uint8_t* p = u.data.records; p != at;) {
        p = NextFileRecord(p, other);
        if (SameName(other, record)) return true;
    }
    return false;
}

bool MatchesAny(Uninstaller& u, const std::uint8_t* at, std::uint32_t size, const FileTime& written) {
    FileRecord first, other;
    NextFileRecord(at, first);
    for (const std::uint8_t* p = at; p != u.data.end;) {
        p = NextFileRecord(p, other);
        if (SameName(other, first) && MatchesRecord(u.in, size, written, other)) return true;
    }
    return false;
}

bool IsGone(std::uint32_t error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void RemoveFile(Uninstaller& u, const std::uint8_t* at, const FileRecord& record) {
    Installer& in = u.in;
    char name[260], path[260];
    CopyText(name, sizeof name, record.name, record.length);
    // A path the installer could not have formed either names nothing it installed.
    if (!RootPath(in, path, name, kTargetDir)) return;
    // The running uninstaller goes its own way, at the next restart.
    if (in.os.system.lstrcmpi_a(path, u.own_path) == 0) return;
    Hfile file = OpenPath(in, path, OF_READ | OF_SHARE_DENY_NONE);
    if (file == HFILE_ERROR) {
        if (!IsGone(in.os.system.get_last_error())) Keep(u, path, kReasonNotDeleted);
        return;
    }
    FileTime written{};
    const std::uint32_t size = in.os.files.get_file_size(file);
    const bool timed = in.os.files.get_file_time(file, nullptr, nullptr, &written);
    in.os.files.lclose(file);
    if (!timed || size == INVALID_FILE_SIZE) {
        Keep(u, path, kReasonNotDeleted);
    } else if (!MatchesAny(u, at, size, written)) {
        Keep(u, path, kReasonChanged);
    } else if (!in.os.files.delete_file(path) && !IsGone(in.os.system.get_last_error())) {
        Keep(u, path, kReasonNotDeleted);
    }
}

// --- Folders. ---

// Where folders come from: the script's target subdirectories, then the folder part of
// each record. Source n as a plain relative path in out; false when it has none.
bool FolderSource(Uninstaller& u, std::uint32_t n, const std::uint8_t*& record, char (&out)[260]) {
    const ScriptTables& t = u.in.script;
    std::uint32_t length = 0;
    out[0] = '\0';
    if (n < t.subdirectory_count) {
        u.in.os.system.get_atom_name(t.subdirectories[n], out, sizeof out);
        out[sizeof out - 1] = '\0';
        length = static_cast<std::uint32_t>(TextLength(out));
        while (length > 0 && out[length - 1] == '\\') out[--length] = '\0';
    } else {
        FileRecord r;
        record = NextFileRecord(record, r);
        for (std::uint32_t i = 0; i < r.length; ++i) {
            if (r.name[i] == '\\') length = i;
        }
        CopyText(out, sizeof out, r.name, length);
    }
    return IsPlainRelativePath(out, length);
}

// The first `depth` parts of a relative path; false when it has fewer.
bool Leading(const char* path, std::uint32_t depth, char (&out)[260]) {
    std::uint32_t parts = 1, i = 0;
    for (; path[i] != '\0'; ++i) {
        if (path[i] == '\\' && parts++ == depth) break;
    }
    if (parts < depth) return false;
    CopyText(out, sizeof out, path, i);
    return true;
}

std::uint32_t Depth(const char* path) {
    std::uint32_t parts = 1;
    for (const char* p = path; *p != '\0'; ++p) parts += *p == '\\';
    return parts;
}

// Folder `folder` at `depth` came from an earlier source already.
bool FolderSeenBefore(Uninstaller& u, std::uint32_t source, std::uint32_t depth, const char* folder) {
    const std::uint8_t* record = u.data.records;
    char path[260], leading[260];
    for (std::uint32_t n = 0; n < source; ++n) {
        if (FolderSource(u, n, record, path) && Leading(path, depth, leading) &&
            EqualsIgnoringAsciiCase(leading, folder)) {
            return true;
        }
    }
    return false;
}

void RemoveFolder(Uninstaller& u, const char* folder) {
    Installer& in = u.in;
    char path[260];
    if (!RootPath(in, path, folder, kTargetDir) || in.os.files.remove_directory(path)) return;
    const std::uint32_t error = in.os.system.get_last_error();
    if (IsGone(error)) return;
    Keep(u, path, error == ERROR_DIR_NOT_EMPTY ? kReasonNotEmpty : kReasonNotDeleted);
}

}  // namespace

bool MatchesRecord(Installer& in, std::uint32_t size, const FileTime& written, const FileRecord& record) {
    FileTime local{}, installed{};
    if (size != record.size ||
        !in.os.files.dos_date_time_to_file_time(record.dos_date, record.dos_time, local) ||
        !in.os.files.local_file_time_to_file_time(local, installed)) {
        return false;
    }
    // The record is a local time. A file copied from a folder (not a FAT disk) keeps the
    // moment it had where it was packed, which another time zone, or a daylight-saving
    // change since, shows as a whole number of quarter hours off: still the installed file.
    std::int64_t apart = Ticks(written) - Ticks(installed);
    if (apart < 0) apart = -apart;
    if (apart > kFarthestZone + kFatSlack) return false;
    const std::int64_t off = apart % kQuarterHour;
    return off <= kFatSlack || kQuarterHour - off <= kFatSlack;
}

void RemoveInstalledFiles(Uninstaller& u) {
    FileRecord record;
    for (const std::uint8_t* at = u.data.records; at != u.data.end;) {
        const std::uint8_t* next = NextFileRecord(at, record);
        if (!SeenBefore(u, at, record)) RemoveFile(u, at, record);
        at = next;
    }
}

// Deepest first, so that a folder is emptied of its folders before its own turn.
void RemoveTargetFolders(Uninstaller& u) {
    const std::uint32_t sources = u.in.script.subdirectory_count + u.data.file_count;
    char path[260], folder[260];
    std::uint32_t deepest = 0;
    const std::uint8_t* record = u.data.records;
    for (std::uint32_t n = 0; n < sources; ++n) {
        if (FolderSource(u, n, record, path) && Depth(path) > deepest) deepest = Depth(path);
    }
    for (std::uint32_t depth = deepest; depth > 0; --depth) {
        record = u.data.records;
        for (std::uint32_t n = 0; n < sources; ++n) {
            if (!FolderSource(u, n, record, path) || !Leading(path, depth, folder)) continue;
            if (!FolderSeenBefore(u, n, depth, folder)) RemoveFolder(u, folder);
        }
    }
}

}  // namespace zep
