// Asks Windows' LZ32 to expand files and reports every answer, one line per file, so the
// host tests can compare it with our expander. Files are numbered from 0 in argument order.
//
//   lz32_probe read CHUNK OUTDIR FILE...
//       OpenFile + LZInit, LZRead in CHUNK-byte steps until it gives 0 or less, then twice
//       more; LZClose. Writes OUTDIR\<n>.read and prints
//       "read <n> init=<same|lz> total=<bytes> end=<r> then=<r>,<r>" (same: LZInit gave the
//       file handle back, the file is not compressed) or "read <n> init=<error code>".
//   lz32_probe copy OUTDIR FILE...
//       OpenFile both ends (as the installer does), LZCopy into OUTDIR\<n>.copy; prints
//       "copy <n> result=<r>".
//   lz32_probe handles COUNT FILE
//       LZInit COUNT handles of FILE at once, then reads from each; prints
//       "handles opened=<k> first_failure=<code> reads_ok=<m>".
//   lz32_probe unreadable OUTDIR FILE
//       The answers when every read of the source fails: FILE opened for writing only,
//       LZInit, LZRead of 100 bytes, LZClose; then opened so again and LZCopy into
//       OUTDIR\unreadable.copy. Prints "unreadable init=<same|lz|code> read=<r>
//       copy=<r> copied=<bytes>".
// Exit status 0 when the arguments made sense, 2 otherwise.
#include <windows.h>
#include <lzexpand.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool WriteWhole(const char* path, const std::vector<char>& data) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

HFILE OpenForReading(const char* path) {
    OFSTRUCT of{};
    return OpenFile(path, &of, OF_READ | OF_SHARE_DENY_NONE);
}

int Read(int chunk, const char* outdir, int first, int argc, char** argv) {
    std::vector<char> buf(static_cast<size_t>(chunk));
    for (int i = first; i < argc; ++i) {
        int n = i - first;
        HFILE file = OpenForReading(argv[i]);
        if (file == HFILE_ERROR) {
            std::printf("read %d open_failed\n", n);
            continue;
        }
        INT handle = LZInit(file);
        if (handle < 0) {
            std::printf("read %d init=%d\n", n, handle);
            _lclose(file);
            continue;
        }
        std::vector<char> out;
        INT r;
        while ((r = LZRead(handle, buf.data(), chunk)) > 0)
            out.insert(out.end(), buf.data(), buf.data() + r);
        INT then1 = LZRead(handle, buf.data(), chunk);
        INT then2 = LZRead(handle, buf.data(), chunk);
        LZClose(handle);
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%s\\%d.read", outdir, n);
        if (!WriteWhole(path, out)) std::printf("read %d write_failed\n", n);
        std::printf("read %d init=%s total=%u end=%d then=%d,%d\n", n,
                    handle == file ? "same" : "lz", static_cast<unsigned>(out.size()), r, then1,
                    then2);
    }
    return 0;
}

int Copy(const char* outdir, int first, int argc, char** argv) {
    for (int i = first; i < argc; ++i) {
        int n = i - first;
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%s\\%d.copy", outdir, n);
        OFSTRUCT of{};
        HFILE src = OpenForReading(argv[i]);
        HFILE dst = OpenFile(path, &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        if (src == HFILE_ERROR || dst == HFILE_ERROR) {
            std::printf("copy %d open_failed\n", n);
            if (src != HFILE_ERROR) _lclose(src);
            if (dst != HFILE_ERROR) _lclose(dst);
            continue;
        }
        LONG result = LZCopy(src, dst);
        _lclose(src);
        _lclose(dst);
        std::printf("copy %d result=%ld\n", n, static_cast<long>(result));
    }
    return 0;
}

int Handles(int count, const char* path) {
    std::vector<HFILE> files;
    std::vector<INT> handles;
    int first_failure = 0;
    for (int i = 0; i < count; ++i) {
        HFILE file = OpenForReading(path);
        INT handle = LZInit(file);
        if (handle < 0) {
            if (first_failure == 0) first_failure = handle;
            _lclose(file);
            continue;
        }
        handles.push_back(handle);
    }
    int reads_ok = 0;
    char buf[64];
    for (INT h : handles) {
        if (LZRead(h, buf, sizeof buf) > 0) ++reads_ok;
    }
    for (INT h : handles) LZClose(h);
    std::printf("handles opened=%u first_failure=%d reads_ok=%d\n",
                static_cast<unsigned>(handles.size()), first_failure, reads_ok);
    return 0;
}

// A handle opened for writing only: every _lread of it fails, as a read error would.
HFILE OpenWriteOnly(const char* path) {
    OFSTRUCT of{};
    return OpenFile(path, &of, OF_WRITE | OF_SHARE_DENY_NONE);
}

int Unreadable(const char* outdir, const char* path) {
    HFILE file = OpenWriteOnly(path);
    if (file == HFILE_ERROR) {
        std::printf("unreadable open_failed\n");
        return 0;
    }
    char buf[100];
    INT handle = LZInit(file);
    INT read = handle < 0 ? 0 : LZRead(handle, buf, sizeof buf);
    if (handle >= 0) LZClose(handle);
    else _lclose(file);
    char out[MAX_PATH];
    std::snprintf(out, sizeof out, "%s\\unreadable.copy", outdir);
    OFSTRUCT of{};
    HFILE src = OpenWriteOnly(path);
    HFILE dst = OpenFile(out, &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    LONG copy = LZCopy(src, dst);
    _lclose(src);
    LONG copied = _llseek(dst, 0, FILE_END);
    _lclose(dst);
    std::printf("unreadable init=%s read=%d copy=%ld copied=%ld\n",
                handle == file ? "same" : handle < 0 ? std::to_string(handle).c_str() : "lz", read,
                static_cast<long>(copy), static_cast<long>(copied));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "read") == 0)
        return Read(std::atoi(argv[2]), argv[3], 4, argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "copy") == 0) return Copy(argv[2], 3, argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "handles") == 0)
        return Handles(std::atoi(argv[2]), argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "unreadable") == 0) return Unreadable(argv[2], argv[3]);
    std::fprintf(
        stderr,
        "usage: lz32_probe read CHUNK OUTDIR FILE... | copy OUTDIR FILE... | handles COUNT FILE |\n"
        "       unreadable OUTDIR FILE\n");
    return 2;
}
