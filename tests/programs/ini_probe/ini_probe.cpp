// Asks the real private-profile functions and writes down every answer, so the host tests
// can hold our profile reader and writer to them without Wine.
//
//   ini_probe DIR QUERIES ANSWERS OUTDIR
//
// Every file a query names lives in DIR (given as a Windows path); a name not there is a
// missing file. QUERIES holds one query a line, fields separated by TABs; '#' starts a
// comment line. A field "~" is a null pointer; otherwise \t \n \r \\ and \xHH stand for
// those bytes.
//
//   get   FILE SECTION KEY FALLBACK SIZES   GetPrivateProfileStringA once per size in the
//                                           comma-separated SIZES
//   scan  FILE SIZES                        get of the section list, of each section's key
//                                           list and of each listed key (fallback "x"),
//                                           at each size; and int of each listed key
//   int   FILE SECTION KEY DEFAULT          GetPrivateProfileIntA
//   reset WORK SOURCE                       WORK becomes a copy of SOURCE ("~": no file)
//   write WORK SECTION KEY VALUE            WritePrivateProfileStringA
//   save  WORK SNAPSHOT                     copies WORK to OUTDIR\SNAPSHOT when it exists
//
// ANSWERS gets each query back with its result appended, fields written as above (bytes
// below 0x20 and above 0x7E escaped): get becomes one line per size,
// "get FILE SECTION KEY FALLBACK SIZE RETURN HEX" where HEX is the buffer (filled with 0xA5
// before the call) up to its last byte that is not 0xA5; int and write get the return
// value; save gets "exists" or "missing". Comment lines are copied. Exit status 0 when
// every query made sense and no call wrote past its buffer, 2 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/probe_notation.h"

namespace {

using zep::probe::Escape;
using zep::probe::Field;
using zep::probe::RunQueries;
using zep::probe::Split;
using zep::probe::Unescape;

constexpr unsigned char kFill = 0xA5;
constexpr std::size_t kGuard = 64;

std::vector<unsigned long> Sizes(const std::string& list) {
    std::vector<unsigned long> out;
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        out.push_back(std::strtoul(list.substr(at, comma - at).c_str(), nullptr, 10));
        at = comma + 1;
    }
    return out;
}

// The NUL-separated names of a list as fields.
std::vector<Field> Names(const char* list) {
    std::vector<Field> out;
    for (const char* p = list; *p != 0; p += std::strlen(p) + 1) out.push_back(Field{false, p});
    return out;
}

// A buffer up to its last byte that is not the fill.
std::string Hex(const unsigned char* p, std::size_t n) {
    while (n > 0 && p[n - 1] == kFill) --n;
    return zep::probe::Hex(p, n);
}

class Probe {
public:
    Probe(std::string dir, std::string outdir, std::FILE* answers)
        : dir_(std::move(dir)), outdir_(std::move(outdir)), answers_(answers) {}

    bool Run(const std::string& line) {
        std::vector<std::string> raw = Split(line);
        const std::string& op = raw[0];
        std::vector<Field> f;
        for (std::size_t i = 1; i < raw.size(); ++i) f.push_back(Unescape(raw[i]));
        if (op == "get" && f.size() == 5) return Get(f);
        if (op == "scan" && f.size() == 2) return Scan(f);
        if (op == "int" && f.size() == 4) return Int(line, f);
        if (op == "reset" && f.size() == 2) return Reset(line, f);
        if (op == "write" && f.size() == 4) return Write(line, f);
        if (op == "save" && f.size() == 2) return Save(line, f);
        return false;
    }

private:
    std::string Path(const Field& name) const { return dir_ + "\\" + name.text; }

    // Wine keeps parsed files cached; each query starts from the bytes on disk.
    void Forget(const std::string& path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); }

    bool Get(const std::vector<Field>& f) {
        bool ok = true;
        for (unsigned long size : Sizes(f[4].text)) ok = GetOne(f[0], f[1], f[2], f[3], size) && ok;
        return ok;
    }

    // False when the call wrote past the buffer.
    bool GetOne(const Field& file, const Field& section, const Field& key, const Field& fallback,
                unsigned long size) {
        std::string path = Path(file);
        std::vector<unsigned char> buf(size + kGuard, kFill);
        Forget(path);
        DWORD r = GetPrivateProfileStringA(section.ptr(), key.ptr(), fallback.ptr(),
                                           reinterpret_cast<char*>(buf.data()), size, path.c_str());
        std::string query = "get\t" + Escape(file) + "\t" + Escape(section) + "\t" + Escape(key) +
                            "\t" + Escape(fallback);
        std::fprintf(answers_, "%s\t%lu\t%lu\t%s\n", query.c_str(), size, static_cast<unsigned long>(r),
                     Hex(buf.data(), size).c_str());
        for (std::size_t i = size; i < buf.size(); ++i)
            if (buf[i] != kFill) return false;
        return true;
    }

    // Every section and key the file lists, so that no name is left unasked.
    bool Scan(const std::vector<Field>& f) {
        std::string path = Path(f[0]);
        std::vector<unsigned long> sizes = Sizes(f[1].text);
        std::vector<char> list(1 << 16);
        const Field null{true, ""}, x{false, "x"};
        bool ok = true;
        Forget(path);
        GetPrivateProfileStringA(nullptr, nullptr, "", list.data(), list.size(), path.c_str());
        for (unsigned long size : sizes) ok = GetOne(f[0], null, null, x, size) && ok;
        for (const Field& section : Names(list.data())) {
            std::vector<char> keys(1 << 16);
            Forget(path);
            GetPrivateProfileStringA(section.ptr(), nullptr, "", keys.data(), keys.size(), path.c_str());
            for (unsigned long size : sizes) ok = GetOne(f[0], section, null, x, size) && ok;
            for (const Field& key : Names(keys.data())) {
                for (unsigned long size : sizes) ok = GetOne(f[0], section, key, x, size) && ok;
                Forget(path);
                UINT r = GetPrivateProfileIntA(section.ptr(), key.ptr(), 7, path.c_str());
                std::fprintf(answers_, "int\t%s\t%s\t%s\t7\t%lu\n", Escape(f[0]).c_str(),
                             Escape(section).c_str(), Escape(key).c_str(), static_cast<unsigned long>(r));
            }
        }
        return ok;
    }

    bool Int(const std::string& line, const std::vector<Field>& f) {
        std::string path = Path(f[0]);
        Forget(path);
        UINT r = GetPrivateProfileIntA(f[1].ptr(), f[2].ptr(), std::atoi(f[3].text.c_str()), path.c_str());
        std::fprintf(answers_, "%s\t%lu\n", line.c_str(), static_cast<unsigned long>(r));
        return true;
    }

    bool Reset(const std::string& line, const std::vector<Field>& f) {
        std::string work = Path(f[0]);
        Forget(work);
        DeleteFileA(work.c_str());
        if (!f[1].null && !CopyFileA(Path(f[1]).c_str(), work.c_str(), FALSE)) return false;
        std::fprintf(answers_, "%s\n", line.c_str());
        return true;
    }

    bool Write(const std::string& line, const std::vector<Field>& f) {
        std::string path = Path(f[0]);
        Forget(path);
        BOOL r = WritePrivateProfileStringA(f[1].ptr(), f[2].ptr(), f[3].ptr(), path.c_str());
        Forget(path);
        std::fprintf(answers_, "%s\t%d\n", line.c_str(), r ? 1 : 0);
        return true;
    }

    bool Save(const std::string& line, const std::vector<Field>& f) {
        std::string path = Path(f[0]);
        Forget(path);
        bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        std::string snapshot = outdir_ + "\\" + f[1].text;
        DeleteFileA(snapshot.c_str());
        if (exists && !CopyFileA(path.c_str(), snapshot.c_str(), FALSE)) return false;
        std::fprintf(answers_, "%s\t%s\n", line.c_str(), exists ? "exists" : "missing");
        return true;
    }

    std::string dir_;
    std::string outdir_;
    std::FILE* answers_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: ini_probe DIR QUERIES ANSWERS OUTDIR\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[2], "rb");
    std::FILE* out = std::fopen(argv[3], "wb");
    if (in == nullptr || out == nullptr) {
        std::fprintf(stderr, "ini_probe: cannot open %s or %s\n", argv[2], argv[3]);
        return 2;
    }
    Probe probe(argv[1], argv[4], out);
    return RunQueries(in, out, "ini_probe: bad query", [&](const std::string& line) { return probe.Run(line); });
}
