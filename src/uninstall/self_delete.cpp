// A running program cannot delete its own file. Windows NT deletes it at the next start
// when asked with MoveFileEx; Windows 95 carries out the [rename] list of WININIT.INI.
#include "base/text.h"
#include "engine/file_transfer.h"
#include "shell/environment.h"
#include "uninstall/uninstaller.h"

namespace zep {

namespace {

constexpr std::uint32_t kMaxWininit = 32768;  // a list Windows 95 reads in real mode

bool Write(Installer& in, Hfile file, const char* text, std::uint32_t length) {
    return length == 0 || in.os.files.lwrite(file, text, length) == length;
}

bool Write(Installer& in, Hfile file, const char* text) {
    return Write(in, file, text, static_cast<std::uint32_t>(TextLength(text)));
}

// Where a line goes into the [rename] section: right after its header; the end of the
// text when there is no such section (header then says so).
std::uint32_t RenameListStart(const char* text, std::uint32_t size, bool& header) {
    header = false;
    for (std::uint32_t line = 0; line < size;) {
        std::uint32_t end = line;
        while (end < size && text[end] != '\n') ++end;
        std::uint32_t p = line;
        while (p < end && (text[p] == ' ' || text[p] == '\t')) ++p;
        if (end - p >= 8 && StartsWithIgnoringAsciiCase(text + p, "[rename]", 8)) {
            p += 8;
            while (p < end && (text[p] == ' ' || text[p] == '\t' || text[p] == '\r')) ++p;
            if (p == end) {
                header = true;
                return end < size ? end + 1 : size;
            }
        }
        line = end + 1;
    }
    return size;
}

bool AddToExisting(Installer& in, Hfile file, const char* line) {
    platform::Files& files = in.os.files;
    platform::System& sys = in.os.system;
    const std::uint32_t size = files.get_file_size(file);
    if (size > kMaxWininit) return false;
    Hglobal block = sys.global_alloc(GMEM_MOVEABLE, size + 1);
    if (block == 0) return false;
    bool done = false;
    if (auto* text = static_cast<char*>(sys.global_lock(block))) {
        if (files.lread(file, text, size) == size) {
            bool header = false;
            const std::uint32_t at = RenameListStart(text, size, header);
            const bool open_line = at > 0 && text[at - 1] != '\n';
            const char* lead = header ? (open_line ? "\r\n" : "") : (open_line ? "\r\n[rename]\r\n" : "[rename]\r\n");
            // The text after the insertion is written again behind the new line.
            done = files.llseek(file, static_cast<std::int32_t>(at), FILE_BEGIN) == static_cast<std::int32_t>(at) &&
                   Write(in, file, lead) && Write(in, file, line) && Write(in, file, text + at, size - at);
        }
        sys.global_unlock(block);
    }
    sys.global_free(block);
    return done;
}

}  // namespace

bool AddWininitDeletion(Installer& in, const char* path) {
    char wininit[260], line[272];
    if (!RootPath(in, wininit, "WININIT.INI", kWindowsDir)) return false;
    if (FormatText(line, sizeof line, "NUL=%s\r\n", path) >= static_cast<int>(sizeof line) - 1) return false;
    if (OpenPath(in, wininit, OF_EXIST) == HFILE_ERROR) {
        Hfile file = OpenPath(in, wininit, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        if (file == HFILE_ERROR) return false;
        const bool done = Write(in, file, "[rename]\r\n") && Write(in, file, line);
        in.os.files.lclose(file);
        if (!done) in.os.files.delete_file(wininit);
        return done;
    }
    Hfile file = OpenPath(in, wininit, OF_READWRITE | OF_SHARE_EXCLUSIVE);
    if (file == HFILE_ERROR) return false;
    const bool done = AddToExisting(in, file, line);
    in.os.files.lclose(file);
    return done;
}

void DeleteUninstaller(Uninstaller& u) {
    Installer& in = u.in;
    platform::Files& files = in.os.files;
    if ((in.env.platform_class & kWindowsNt) != 0) {
        if (!files.move_file_ex(u.own_path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            Keep(u, u.own_path, kReasonNotDeleted);
            return;
        }
        // Its folder follows at the same restart, if nothing else is left in it by then.
        char folder[260];
        CopyText(folder, in.script.basic.target_dir);
        const std::size_t n = TextLength(folder);
        if (n > 3) {  // never a drive's root
            folder[n - 1] = '\0';
            files.move_file_ex(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
        return;
    }
    // WININIT.INI is read before long names exist: it needs the short form.
    char short_path[260];
    const std::uint32_t n = files.get_short_path_name(u.own_path, short_path, sizeof short_path);
    if (!AddWininitDeletion(in, n > 0 && n < sizeof short_path ? short_path : u.own_path)) {
        Keep(u, u.own_path, kReasonNotDeleted);
    }
}

}  // namespace zep
