// Asks the real text functions (lstrcmpA, lstrcmpiA, CharUpperBuffA, CharLowerBuffA,
// OemToCharA) and writes down every answer, so the host tests can hold our text rules to
// them without Wine.
//
//   text_probe QUERIES ANSWERS
//
// QUERIES holds one query a line, fields separated by TABs; '#' starts a comment line,
// copied to ANSWERS. A field "~" is a null pointer; otherwise \t \n \r \\ and \xHH stand
// for those bytes.
//
//   env                    the ANSI and OEM code pages and the thread's locale
//   cmp   A B              lstrcmpA and lstrcmpiA
//   order S1 S2 ...        every pair of the strings under both, as a ranking
//   rank                   the same for the 256 one-byte strings (byte 00: the empty one)
//   map   upper|lower|oem  the function on all 256 bytes at once
//   upper TEXT LENGTH      CharUpperBuffA on the first LENGTH bytes of TEXT
//   lower TEXT LENGTH      CharLowerBuffA
//   oem   TEXT             OemToCharA into another buffer, then in place
//   key   TEXT             LCMapStringA's sort key, without and with NORM_IGNORECASE
//
// ANSWERS starts with a comment naming the Windows version that answered, then has each
// query back with its results appended, fields written as above (bytes below 0x20 and
// above 0x7E escaped):
//
//   env   ACP OEMCP LCID(hex)
//   cmp   A B LSTRCMP LSTRCMPI                 signs: -1, 0 or 1
//   order case|nocase S < S = S ...           least first; '=' joins equal strings
//   rank  case|nocase XX XX=XX ...            bytes in hex, least first, '=' joins equal ones
//   map   upper|lower|oem RETURN HEX          the 256 result bytes (oem: of 01..FF, 00 first)
//   upper TEXT LENGTH RETURN RESULT
//   oem   TEXT RETURN RESULT RETURN RESULT    into another buffer, then in place
//   key   TEXT HEX HEX
//
// After each order and rank line, "unexplained case|nocase A B SIGN" for every pair whose
// answer the ranking does not give (none when the order is total). Exit status 0 when
// every query made sense and no call wrote past its buffer, 2 otherwise.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/probe_notation.h"

namespace {

using zep::probe::Field;
using zep::probe::Hex;
using zep::probe::RunQueries;
using zep::probe::Split;
using zep::probe::kHexDigits;

constexpr unsigned char kFill = 0xA5;
constexpr std::size_t kGuard = 64;

// A buffer with guard bytes after its end, to see a call write past it.
struct Guarded {
    explicit Guarded(std::size_t size, const std::string& init = "") : bytes(size + kGuard, kFill), size(size) {
        std::copy(init.begin(), init.end(), bytes.begin());
    }
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
    bool intact() const {
        return std::all_of(bytes.begin() + size, bytes.end(), [](unsigned char c) { return c == kFill; });
    }
    std::vector<unsigned char> bytes;
    std::size_t size;
};

int Sign(int r) { return r < 0 ? -1 : r > 0 ? 1 : 0; }

class Probe {
public:
    explicit Probe(std::FILE* out) : out_(out) {}

    bool Run(const std::string& line) {
        std::vector<std::string> raw = Split(line);
        const std::string& op = raw[0];
        std::vector<Field> f;
        for (std::size_t i = 1; i < raw.size(); ++i) f.push_back(zep::probe::Unescape(raw[i]));
        if (op == "env" && f.empty()) return Env();
        if (op == "cmp" && f.size() == 2) return Cmp(f);
        if (op == "rank" && f.empty()) return RankBytes();
        if (op == "order" && f.size() >= 2) return Order(f);
        if (op == "map" && f.size() == 1) return Map(f[0].text);
        if ((op == "upper" || op == "lower") && f.size() == 2) return Case(op == "upper", f);
        if (op == "oem" && f.size() == 1 && !f[0].null) return Oem(f[0].text);
        if (op == "key" && f.size() == 1 && !f[0].null) return Key(f[0].text);
        return false;
    }

private:
    bool Env() {
        std::fprintf(out_, "env\t%u\t%u\t%04lx\n", GetACP(), GetOEMCP(),
                     static_cast<unsigned long>(GetThreadLocale()));
        return true;
    }

    bool Cmp(const std::vector<Field>& f) {
        std::fprintf(out_, "cmp\t%s\t%s\t%d\t%d\n", zep::probe::Escape(f[0]).c_str(), zep::probe::Escape(f[1]).c_str(),
                     Sign(lstrcmpA(f[0].ptr(), f[1].ptr())), Sign(lstrcmpiA(f[0].ptr(), f[1].ptr())));
        return true;
    }

    struct Ranking {
        std::vector<std::size_t> sorted;  // item indexes from least to greatest
        std::vector<int> rank;            // per item; equal items share one
        std::string unexplained;          // answer lines for what the ranking does not give
    };

    // Sorting by the function itself and then checking every pair against the result
    // proves the order total, or lists where it is not.
    static Ranking Rank(const std::vector<std::string>& items, bool ignore_case) {
        auto compare = [&](std::size_t a, std::size_t b) {
            const char* x = items[a].c_str();
            const char* y = items[b].c_str();
            return Sign(ignore_case ? lstrcmpiA(x, y) : lstrcmpA(x, y));
        };
        std::size_t n = items.size();
        Ranking r{std::vector<std::size_t>(n), std::vector<int>(n), ""};
        for (std::size_t i = 0; i < n; ++i) r.sorted[i] = i;
        std::stable_sort(r.sorted.begin(), r.sorted.end(),
                         [&](std::size_t a, std::size_t b) { return compare(a, b) < 0; });
        for (std::size_t i = 0; i < n; ++i) {
            bool same = i > 0 && compare(r.sorted[i - 1], r.sorted[i]) == 0;
            r.rank[r.sorted[i]] = same ? r.rank[r.sorted[i - 1]] : static_cast<int>(i);
        }
        for (std::size_t a = 0; a < n; ++a) {
            for (std::size_t b = 0; b < n; ++b) {
                int sign = compare(a, b);
                if (sign != Sign(r.rank[a] - r.rank[b]))
                    r.unexplained += std::string("unexplained\t") + (ignore_case ? "nocase" : "case") + "\t" +
                                     zep::probe::Escape(items[a]) + "\t" + zep::probe::Escape(items[b]) + "\t" + std::to_string(sign) + "\n";
            }
        }
        return r;
    }

    bool RankBytes() {
        std::vector<std::string> items(256);
        for (int i = 1; i < 256; ++i) items[i] = std::string(1, static_cast<char>(i));
        for (bool ignore_case : {false, true}) {
            Ranking r = Rank(items, ignore_case);
            std::string classes;
            for (std::size_t i = 0; i < 256; ++i) {
                if (i > 0) classes += r.rank[r.sorted[i]] == r.rank[r.sorted[i - 1]] ? '=' : ' ';
                classes += {kHexDigits[r.sorted[i] >> 4], kHexDigits[r.sorted[i] & 15]};
            }
            std::fprintf(out_, "rank\t%s\t%s\n%s", ignore_case ? "nocase" : "case", classes.c_str(),
                         r.unexplained.c_str());
        }
        return true;
    }

    bool Order(const std::vector<Field>& f) {
        std::vector<std::string> items;
        for (const Field& field : f) {
            if (field.null) return false;
            items.push_back(field.text);
        }
        for (bool ignore_case : {false, true}) {
            Ranking r = Rank(items, ignore_case);
            std::string line = ignore_case ? "order\tnocase" : "order\tcase";
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (i > 0) line += r.rank[r.sorted[i]] == r.rank[r.sorted[i - 1]] ? "\t=" : "\t<";
                line += "\t" + zep::probe::Escape(items[r.sorted[i]]);
            }
            std::fprintf(out_, "%s\n%s", line.c_str(), r.unexplained.c_str());
        }
        return true;
    }

    bool Map(const std::string& what) {
        Guarded buf(257);  // OemToCharA's copy of the NUL lands in the last byte
        for (int i = 0; i < 256; ++i) buf.bytes[i] = static_cast<unsigned char>(i);
        unsigned long r;
        if (what == "upper") r = CharUpperBuffA(buf.data(), 256);
        else if (what == "lower") r = CharLowerBuffA(buf.data(), 256);
        else if (what == "oem") {
            // Bytes 01..FF and the NUL that ends them, as one string.
            std::string from(buf.data() + 1, 255);
            r = OemToCharA(from.c_str(), buf.data() + 1);
        } else return false;
        std::fprintf(out_, "map\t%s\t%lu\t%s\n", what.c_str(), r, Hex(buf.bytes.data(), 256).c_str());
        return buf.intact();
    }

    bool Case(bool upper, const std::vector<Field>& f) {
        if (f[0].null) return false;
        DWORD length = std::strtoul(f[1].text.c_str(), nullptr, 10);
        Guarded buf(f[0].text.size(), f[0].text);
        DWORD r = upper ? CharUpperBuffA(buf.data(), length) : CharLowerBuffA(buf.data(), length);
        std::string result(buf.data(), f[0].text.size());
        std::fprintf(out_, "%s\t%s\t%lu\t%lu\t%s\n", upper ? "upper" : "lower", zep::probe::Escape(f[0]).c_str(),
                     static_cast<unsigned long>(length), static_cast<unsigned long>(r), zep::probe::Escape(result).c_str());
        return buf.intact();
    }

    bool Oem(const std::string& text) {
        std::size_t size = text.size() + 1;
        Guarded apart(size);
        BOOL r1 = OemToCharA(text.c_str(), apart.data());
        Guarded in_place(size, text);
        in_place.bytes[text.size()] = 0;
        BOOL r2 = OemToCharA(in_place.data(), in_place.data());
        std::fprintf(out_, "oem\t%s\t%d\t%s\t%d\t%s\n", zep::probe::Escape(text).c_str(), r1 ? 1 : 0,
                     zep::probe::Escape(std::string(apart.data())).c_str(), r2 ? 1 : 0,
                     zep::probe::Escape(std::string(in_place.data())).c_str());
        return apart.intact() && in_place.intact();
    }

    bool Key(const std::string& text) {
        std::string keys[2];
        for (int i = 0; i < 2; ++i) {
            DWORD flags = LCMAP_SORTKEY | (i ? NORM_IGNORECASE : 0);
            char buf[1024];
            int n = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.c_str(), static_cast<int>(text.size()), buf,
                                 sizeof buf);
            if (n <= 0) return false;
            keys[i].assign(buf, n);
        }
        std::fprintf(out_, "key\t%s\t%s\t%s\n", zep::probe::Escape(text).c_str(), Hex(keys[0]).c_str(), Hex(keys[1]).c_str());
        return true;
    }

    std::FILE* out_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: text_probe QUERIES ANSWERS\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    std::FILE* out = std::fopen(argv[2], "wb");
    if (in == nullptr || out == nullptr) {
        std::fprintf(stderr, "text_probe: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    // Which Windows Wine poses as, so that answers recorded as different versions can be told apart.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    std::fprintf(out, "## asked of Windows %lu.%lu build %lu, platform %lu\n", version.dwMajorVersion,
                 version.dwMinorVersion, version.dwBuildNumber & 0xFFFF, version.dwPlatformId);
    Probe probe(out);
    return RunQueries(in, out, "text_probe: bad query or overrun", [&](const std::string& line) { return probe.Run(line); });
}
