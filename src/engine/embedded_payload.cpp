#include "engine/embedded_payload.h"

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/file_transfer.h"
#include "shell/environment.h"

namespace zep {

namespace {

// The number of bytes to write: string (id - 2000) when it holds a smaller nonzero
// number, else the whole resource. 0 with the last error set when the size is not known.
std::uint32_t ResourceByteCount(Installer& in, Hrsrc resource, std::uint16_t id) {
    const std::uint32_t size = in.os.resources.sizeof_resource(resource);
    if (size == 0) return 0;
    char text[16] = {};
    std::uint32_t stated = 0;
    if (in.os.resources.load_string(static_cast<std::uint16_t>(id - 2000), text, sizeof text) > 0) {
        for (const char* p = text; *p >= '0' && *p <= '9' && stated < 0x19999999u; ++p) {
            stated = stated * 10 + static_cast<std::uint32_t>(*p - '0');
        }
    }
    return stated != 0 && stated < size ? stated : size;
}

void StampFile(Installer& in, Hfile file) {
    FileTime local{}, utc{};
    if (!in.os.files.dos_date_time_to_file_time(in.shell.stamp_date, in.shell.stamp_time, local)) return;
    if (!in.os.files.local_file_time_to_file_time(local, utc)) return;
    in.os.files.set_file_time(file, &utc, &utc, &utc);
}

// Writes the resource to the temporary file; 0 or 1300.
std::uint16_t WriteResource(Installer& in, const char* temporary_path, std::uint16_t id) {
    platform::Resources& res = in.os.resources;
    Hrsrc found = res.find_resource(id, kPayloadType);
    Hglobal loaded = found != 0 ? res.load_resource(found) : 0;
    const void* data = loaded != 0 ? res.lock_resource(loaded) : nullptr;
    Hfile file = HFILE_ERROR;
    bool written = false;
    if (data != nullptr) {
        // A size that cannot be had would write an empty file and install it as the
        // product's; a short write (a full disk) would leave a cut file to expand.
        in.os.system.set_last_error(0);
        const std::uint32_t count = ResourceByteCount(in, found, id);
        if (count != 0 || in.os.system.get_last_error() == 0) {
            file = OpenPath(in, temporary_path, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        }
        written = file != HFILE_ERROR && WriteWhole(in, file, data, count);
    }
    if (written) {
        StampFile(in, file);
    } else {
        RecordFailure(in, temporary_path);
    }
    if (file != HFILE_ERROR) in.os.files.lclose(file);
    if (loaded != 0) res.free_resource(loaded);
    return written ? kOk : kErrCopy;
}

}  // namespace

// A name that already ends in "_" would be its own temporary file, read and truncated at
// once; it takes "~" instead.
void TemporaryName(const char* target, char (&out)[260]) {
    CopyText(out, target);
    std::size_t n = TextLength(out);
    if (n > 0) out[n - 1] = out[n - 1] == '_' ? '~' : '_';
}

bool NumberedName(const char* name, std::uint32_t n, char (&out)[260]) {
    if (n == 0) return CopyText(out, name);
    const char* base = name;  // the last component: a name may hold a folder
    const char* dot = nullptr;
    const char* end = name;
    for (; *end != '\0'; ++end) {
        if (*end == '\\') {
            base = end + 1;
            dot = nullptr;
        } else if (*end == '.') {
            dot = end;
        }
    }
    if (dot == nullptr) dot = end;
    const std::size_t stem = static_cast<std::size_t>(dot - base);
    char suffix[16];
    const std::size_t digits = static_cast<std::size_t>(FormatText(suffix, sizeof suffix, "~%u", n));
    const std::size_t keep = stem + digits <= 8 ? stem : 8 - digits;
    out[0] = '\0';
    if (!CopyText(out, sizeof out, name, static_cast<std::size_t>(base - name) + keep)) return false;
    return AppendText(out, suffix) && AppendText(out, dot);
}

bool NamesNothing(Installer& in, const char* path) {
    if (in.os.files.get_file_attributes(path) != INVALID_FILE_ATTRIBUTES) return false;
    const std::uint32_t error = in.os.system.get_last_error();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::uint16_t InstallEmbeddedFile(Installer& in, const char* target, int kind, std::uint16_t resource_id,
                                  std::uint8_t flags) {
    char temporary[260];
    TemporaryName(target, temporary);
    // A file of the temporary name beside the target (a user's, another program's) is not
    // setup's to overwrite and delete: the temporary file takes a free name of its own.
    char name[260], temporary_path[260];
    for (std::uint32_t n = 0;; ++n) {
        if (n > 99 || !NumberedName(temporary, n, name) || !RootPath(in, temporary_path, name, kind)) {
            in.os.system.set_last_error(n > 99 ? ERROR_FILE_EXISTS : ERROR_FILENAME_EXCED_RANGE);
            RecordFailure(in, temporary);
            return kErrCopy;
        }
        if (NamesNothing(in, temporary_path)) break;
    }
    std::uint16_t result = WriteResource(in, temporary_path, resource_id);
    if (result == kOk) result = TransferFile(in, target, name, kind, kind, flags);
    QuietDelete(in, temporary_path);
    return result;
}

std::uint16_t InstallOneFile(Installer& in, const char* destination, const char* source, int kind,
                             std::uint16_t resource_id, std::uint8_t flags) {
    if (in.loader.embedded) return InstallEmbeddedFile(in, destination, kind, resource_id, flags);
    return TransferFile(in, destination, source, kind, kInstallerDir, flags);
}

}  // namespace zep
