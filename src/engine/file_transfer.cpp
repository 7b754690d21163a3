#include "engine/file_transfer.h"

#include <climits>

#include "base/text.h"
#include "dialogs/dialog_table.h"
#include "engine/progress_gauge.h"
#include "shell/environment.h"

namespace zep {

namespace {

constexpr std::uint32_t kWholeFileLimit = 0x10000;
constexpr std::uint32_t kLargestBuffer = 31744;
constexpr std::uint32_t kSmallestBuffer = 5120;
constexpr std::uint32_t kBufferStep = 1024;
constexpr std::size_t kOpenFilePathLimit = 128;

// The root of a path, as GetDriveType wants it: "C:\" or "\\server\share\". Asking
// about the full path gets "no root directory" on NT for anything that is not a folder.
void RootOfPath(const char* path, char (&root)[260]) {
    root[0] = '\0';
    if (path[0] != '\0' && path[1] == ':') {
        const char drive[] = {path[0], ':', '\\', '\0'};
        CopyText(root, drive);
        return;
    }
    if (path[0] == '\\' && path[1] == '\\') {
        std::size_t n = 2;
        for (int separators = 0; path[n] != '\0' && separators < 2; ++n) {
            if (path[n] == '\\') ++separators;
        }
        CopyText(root, sizeof root, path, n);
        AddTrailingBackslash(root, sizeof root);
    }
}

std::uint32_t AttributesFor(const Installer& in, std::uint8_t flags) {
    const Environment& e = in.env;
    if ((e.platform_class & kNewShell) == 0) return 0;
    std::uint32_t attributes = 0;
    if ((flags & (kFlagHiddenFont | kFlagSystemFont)) != 0) attributes |= FILE_ATTRIBUTE_HIDDEN;
    // Only Windows 95 itself: 98 (4.10) and Me (4.90) normalise to 4.1 and 4.9.
    if ((flags & kFlagSystemFont) != 0 && e.platform_class == kNewShell && e.major == 4 && e.minor == 0) {
        attributes |= FILE_ATTRIBUTE_SYSTEM;
    }
    return attributes;
}

// The source's time stamps, read while its handle is good: LZCopy closes a compressed
// source, so reading them after the copy would get nothing but the time of last writing.
struct TimeStamps {
    bool known = false;
    FileTime created{}, accessed{}, written{};
};

TimeStamps ReadTimeStamps(Installer& in, Hfile file) {
    TimeStamps t;
    t.known = in.os.files.get_file_time(file, &t.created, &t.accessed, &t.written);
    return t;
}

void SetTimeStamps(Installer& in, Hfile file, const TimeStamps& t) {
    if (t.known) in.os.files.set_file_time(file, &t.created, &t.accessed, &t.written);
}

// A movable block for the block-wise copy, as large as can be had; else the scratch buffer.
struct CopyBuffer {
    Hglobal handle = 0;
    char* data = nullptr;
    std::uint32_t size = 0;
};

CopyBuffer GetCopyBuffer(Installer& in) {
    platform::System& sys = in.os.system;
    for (std::uint32_t size = kLargestBuffer; size >= kSmallestBuffer; size -= kBufferStep) {
        Hglobal h = sys.global_alloc(GMEM_MOVEABLE, size);
        if (h == 0) continue;
        if (void* p = sys.global_lock(h)) return {h, static_cast<char*>(p), size};
        sys.global_free(h);
    }
    return {0, in.dialogs.scratch, sizeof in.dialogs.scratch};
}

void ReleaseCopyBuffer(Installer& in, const CopyBuffer& b) {
    if (b.handle == 0) return;
    in.os.system.global_unlock(b.handle);
    in.os.system.global_free(b.handle);
}

// The source could not be opened: a disk to insert, a file to find, or a copy error.
std::uint16_t SourceMissing(Installer& in, const char* source, const char* source_path,
                            std::uint32_t open_error) {
    char root[260];
    RootOfPath(source_path, root);
    std::uint32_t type = in.os.files.get_drive_type(root[0] != '\0' ? root : nullptr);
    if (type != DRIVE_FIXED && type != DRIVE_REMOTE) return kErrInsertDisk;
    CopyText(in.dialogs.message_arg, source);
    if (!in.loader.embedded) return kErrFileNotFound;
    in.dialogs.copy_error.code = open_error;
    CopyText(in.dialogs.copy_error.file, source_path);
    return kErrCopy;
}

// The length a copy must produce: what an SZDD source's header names, or the size of a
// source that is not compressed. LZ32 reports success for a file cut short or with a
// damaged header, writing what it could decode or nothing, and for a source it could
// not read at all (its LZCopy then answers 0); the length lets the copy see that.
struct Promise {
    bool known = false;         // false: the source could not be read; recorded
    bool szdd = false;
    bool known_method = false;  // mode 'A', the only one there is
    std::uint32_t length = 0;
};

// Reads the header of the source, which is left at its start, where LZ32 begins too.
Promise ReadPromise(Installer& in, Hfile source, std::uint32_t size, const char* source_path) {
    static constexpr std::uint8_t kSignature[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
    platform::Files& files = in.os.files;
    Promise p;
    std::uint8_t header[14] = {};
    std::uint32_t n = 0;
    if (size == INVALID_FILE_SIZE || (n = files.lread(source, header, sizeof header)) == static_cast<std::uint32_t>(HFILE_ERROR) ||
        files.llseek(source, 0, FILE_BEGIN) != 0) {
        RecordFailure(in, source_path);
        return p;
    }
    p.known = true;
    p.length = size;
    if (n != sizeof header) return p;
    for (std::size_t i = 0; i < sizeof kSignature; ++i) {
        if (header[i] != kSignature[i]) return p;
    }
    p.szdd = true;
    p.known_method = header[8] == 'A';
    p.length = std::uint32_t{header[10]} | std::uint32_t{header[11]} << 8 | std::uint32_t{header[12]} << 16 |
               std::uint32_t{header[13]} << 24;
    return p;
}

// A copy that did not produce the promised length is a copy error of the source.
std::uint16_t CheckLength(Installer& in, const Promise& p, std::int64_t installed, const char* source_path) {
    if ((!p.szdd || p.known_method) && installed == p.length) return kOk;
    in.os.system.set_last_error(p.szdd && !p.known_method ? ERROR_INVALID_DATA
                                : installed < p.length    ? ERROR_HANDLE_EOF
                                                          : ERROR_INVALID_DATA);
    RecordFailure(in, source_path);
    return kErrCopy;
}

// LZ32's own failures leave the system's last error as it was (Wine's can be a stale
// one from long before); the error cleared before the call, the record then names what
// LZ32 said instead of an unrelated message.
void RecordLzFailure(Installer& in, const char* path, std::int32_t lz_error) {
    // By LZ32's error, -1 to -8: a bad source handle, a bad destination handle, a read, a
    // write, memory twice, a bad value, an unknown compression.
    static constexpr std::uint8_t kErrors[8] = {ERROR_READ_FAULT,        ERROR_DISK_FULL,
                                                ERROR_READ_FAULT,        ERROR_DISK_FULL,
                                                ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY,
                                                ERROR_INVALID_DATA,      ERROR_INVALID_DATA};
    const std::uint32_t index = static_cast<std::uint32_t>(-1 - lz_error);
    if (in.os.system.get_last_error() == 0) in.os.system.set_last_error(index < 8 ? kErrors[index] : ERROR_INVALID_DATA);
    RecordFailure(in, path);
}

// A path that does not fit its 260-character buffer fails as the system would fail it.
std::uint16_t PathTooLong(Installer& in, const char* name) {
    in.os.system.set_last_error(ERROR_FILENAME_EXCED_RANGE);
    RecordFailure(in, name);
    return kErrCopy;
}

}  // namespace

Hfile OpenPath(Installer& in, const char* path, std::uint32_t mode) {
    platform::Files& files = in.os.files;
    if (TextLength(path) < kOpenFilePathLimit) return files.open_file(path, mode);
    if ((mode & OF_DELETE) != 0) return files.delete_file(path) ? 1 : HFILE_ERROR;
    const std::uint32_t access_and_sharing = mode & 0x73;
    if ((mode & OF_CREATE) != 0) {
        Hfile created = files.lcreat(path, 0);
        if (created == HFILE_ERROR) return HFILE_ERROR;
        files.lclose(created);
    }
    Hfile file = files.lopen(path, access_and_sharing);
    if (file != HFILE_ERROR && (mode & OF_EXIST) != 0) {
        files.lclose(file);
        return 1;
    }
    return file;
}

void QuietDelete(Installer& in, const char* path) {
    std::uint32_t mode = in.os.system.set_error_mode(SEM_FAILCRITICALERRORS);
    // OpenFile may fail where the file itself could go (its search, its 128-byte buffer,
    // a passing failure): DeleteFile is asked as well. It fails for a file that is
    // missing or kept, so nothing is deleted that OpenFile would have kept.
    if (OpenPath(in, path, OF_DELETE) == HFILE_ERROR) in.os.files.delete_file(path);
    in.os.system.set_error_mode(mode);
}

bool WriteWhole(Installer& in, Hfile file, const void* data, std::uint32_t count) {
    std::uint32_t written = in.os.files.lwrite(file, data, count);
    if (written == count) return true;
    if (written != static_cast<std::uint32_t>(HFILE_ERROR)) in.os.system.set_last_error(ERROR_DISK_FULL);
    return false;
}

void CountBytes(Installer& in, std::int32_t bytes) {
    if (in.copy.progress_dialog == 0) return;
    std::int64_t sum = std::int64_t{in.copy.copied_bytes} + bytes;
    in.copy.copied_bytes = sum > INT_MAX ? INT_MAX : static_cast<std::int32_t>(sum);
    RefreshGauge(in);
}

void RestoreCount(Installer& in, std::int32_t count) {
    if (in.copy.progress_dialog == 0) return;
    in.copy.copied_bytes = count;
    RefreshGauge(in);
}

std::uint16_t TransferFile(Installer& in, const char* destination, const char* source,
                           int destination_kind, int source_kind, std::uint8_t flags) {
    platform::Files& files = in.os.files;
    platform::Expansion& lz = in.os.expansion;
    const std::uint32_t attributes = AttributesFor(in, flags);
    const std::int32_t count_before = in.copy.copied_bytes;
    const bool append = (flags & kFlagAppend) != 0;

    char source_path[260];
    if (!RootPath(in, source_path, source, source_kind)) return PathTooLong(in, source);
    Hfile source_file = OpenPath(in, source_path, OF_READ);
    if (source_file == HFILE_ERROR) {
        return SourceMissing(in, source, source_path, in.os.system.get_last_error());
    }

    const TimeStamps stamps = ReadTimeStamps(in, source_file);
    const std::uint32_t source_size = files.get_file_size(source_file);
    const Promise promise = ReadPromise(in, source_file, source_size, source_path);
    if (!promise.known) {
        files.lclose(source_file);
        return kErrCopy;
    }
    const bool whole = !append && source_size <= kWholeFileLimit;
    std::int32_t expansion = source_file;
    if (!whole) {
        in.os.system.set_last_error(0);
        expansion = lz.lz_init(source_file);
        if (expansion < 0) {
            RecordLzFailure(in, source_path, expansion);
            files.lclose(source_file);
            return kErrCopy;
        }
    }
    auto close_source = [&] {
        if (whole) files.lclose(source_file);
        else lz.lz_close(expansion);
    };

    char destination_path[260];
    if (!RootPath(in, destination_path, destination, destination_kind)) {
        close_source();
        return PathTooLong(in, destination);
    }
    files.set_file_attributes(destination_path, FILE_ATTRIBUTE_NORMAL);
    Hfile out = append ? OpenPath(in, destination_path, OF_WRITE | OF_SHARE_EXCLUSIVE)
                       : OpenPath(in, destination_path, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    // An Append part goes after what the file holds; that length is where a failed part
    // cuts it back to.
    const std::int32_t append_from = append && out != HFILE_ERROR ? files.llseek(out, 0, FILE_END) : 0;
    if (out == HFILE_ERROR || append_from == HFILE_ERROR) {
        RecordFailure(in, destination_path);
        if (out != HFILE_ERROR) files.lclose(out);
        close_source();
        return kErrCopy;
    }
    in.copy.append_from = append_from;

    std::uint16_t result = kOk;
    if (whole) {
        in.os.system.set_last_error(0);
        const std::int32_t copied = lz.lz_copy(source_file, out);
        if (copied < 0) {
            // A read error is the source's, any other the destination's.
            RecordLzFailure(in, copied == LZERROR_READ ? source_path : destination_path, copied);
            result = kErrCopy;
        } else {
            const std::uint32_t size = files.get_file_size(out);
            if (size == INVALID_FILE_SIZE) {
                RecordFailure(in, destination_path);
                result = kErrCopy;
            } else {
                CountBytes(in, static_cast<std::int32_t>(size));
                result = CheckLength(in, promise, size, source_path);
                if (result == kOk) SetTimeStamps(in, out, stamps);
            }
        }
        files.lclose(source_file);  // already closed by LZCopy when it was compressed
        files.lclose(out);
    } else {
        CopyBuffer buffer = GetCopyBuffer(in);
        std::int64_t written = 0;
        for (;;) {
            in.os.system.set_last_error(0);
            std::int32_t n = lz.lz_read(expansion, buffer.data, static_cast<std::int32_t>(buffer.size));
            if (n < 0) {
                RecordLzFailure(in, source_path, n);
                result = kErrCopy;
                break;
            }
            if (n == 0) break;
            if (!WriteWhole(in, out, buffer.data, static_cast<std::uint32_t>(n))) {
                RecordFailure(in, destination_path);
                result = kErrCopy;
                break;
            }
            written += n;
            CountBytes(in, n);
            if (static_cast<std::uint32_t>(n) < buffer.size) break;
        }
        if (result == kOk) result = CheckLength(in, promise, written, source_path);
        if (result == kOk) SetTimeStamps(in, out, stamps);
        // A failed Append part leaves the file as it was before the part, the parts before
        // it included, so that Retry can append it again.
        if (result != kOk && append) {
            files.llseek(out, append_from, FILE_BEGIN);
            files.lwrite(out, buffer.data, 0);  // a write of no bytes ends the file there
        }
        lz.lz_close(expansion);
        files.lclose(out);
        ReleaseCopyBuffer(in, buffer);
    }

    if (result != kOk) {
        if (!append) QuietDelete(in, destination_path);
        RestoreCount(in, count_before);
        return result;
    }
    if (attributes != 0) files.set_file_attributes(destination_path, attributes);
    return kOk;
}

}  // namespace zep
