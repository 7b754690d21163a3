#include "support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace zep::szdd::test {

namespace {

Bytes Text(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {
        "the",       "setup", "program",  "installs", "files", "into",   "your",       "Windows",
        "directory", "disk",  "insert",   "please",   "copy",  "of",     "and",        "a",
        "to",        "is",    "press",    "Continue", "Exit",  "README", "SAMPLE.EXE", "group",
        "item",      "\r\n",  "\r\n\r\n", "    ",     "LZ32"};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const char* w = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
        while (*w != '\0' && out.size() < size) out.push_back(static_cast<std::uint8_t>(*w++));
        if (out.size() < size) out.push_back(rng() % 9 == 0 ? ',' : ' ');
    }
    return out;
}

Bytes Random(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

// A random block repeated at a fixed period: every match sits at exactly that distance.
Bytes Periodic(std::size_t period, std::size_t size, std::uint32_t seed) {
    Bytes block = Random(period, seed);
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = block[i % period];
    return out;
}

void AddSystemFile(std::vector<CorpusFile>& corpus, const char* name,
                   std::initializer_list<const char*> candidates) {
    for (const char* path : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        Bytes data = ReadFile(path);
        if (data.size() > 600000) data.resize(600000);
        corpus.push_back({name, data});
        return;
    }
}

}  // namespace

std::vector<CorpusFile> MakeCorpus() {
    std::vector<CorpusFile> corpus;
    const std::string sentence = "Setup is copying files...";
    for (std::size_t n = 0; n <= 20; ++n) {
        corpus.push_back({"tiny" + std::to_string(n), {sentence.begin(), sentence.begin() + n}});
    }
    corpus.push_back({"tiny_spaces", Bytes(18, ' ')});
    corpus.push_back({"tiny_run", Bytes(19, 'a')});
    corpus.push_back({"text", Text(120000, 1)});
    corpus.push_back({"text_spaces_first", [] {
                          Bytes t(300, ' ');
                          Bytes more = Text(5000, 2);
                          t.insert(t.end(), more.begin(), more.end());
                          return t;
                      }()});
    corpus.push_back({"zeros", Bytes(100000, 0)});
    corpus.push_back({"spaces", Bytes(9000, ' ')});
    corpus.push_back({"random", Random(70000, 3)});
    for (std::size_t n : {4095, 4096, 4097, 65535, 65536, 65537}) {
        corpus.push_back({"text_" + std::to_string(n), Text(n, static_cast<std::uint32_t>(n))});
        corpus.push_back({"random_" + std::to_string(n), Random(n, static_cast<std::uint32_t>(n))});
    }
    corpus.push_back({"period3", Periodic(3, 20000, 4)});
    corpus.push_back({"period4095", Periodic(4095, 20000, 5)});
    corpus.push_back({"period4096", Periodic(4096, 20000, 6)});
    corpus.push_back({"period4097", Periodic(4097, 20000, 7)});
    // Longer than the compressor's parse block, mixing text, runs and noise.
    Bytes mixed;
    for (std::uint32_t k = 0; mixed.size() < 1200000; ++k) {
        Bytes part = k % 3 == 0   ? Text(40000, k)
                     : k % 3 == 1 ? Random(9000, k)
                                  : Bytes(k * 37 % 5000, static_cast<std::uint8_t>(k));
        mixed.insert(mixed.end(), part.begin(), part.end());
    }
    corpus.push_back({"mixed_large", mixed});
    AddSystemFile(corpus, "elf", {"/bin/ls", "/usr/bin/ls", "/bin/sh"});
    AddSystemFile(corpus, "pe",
                  {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll",
                   "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe",
                   "/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll"});
    AddSystemFile(corpus, "license",
                  {"/usr/share/common-licenses/GPL-3", "/usr/share/common-licenses/GPL"});
    return corpus;
}

Bytes ReadFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw std::runtime_error("cannot read " + path);
    Bytes data;
    std::uint8_t buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + got);
    std::fclose(f);
    return data;
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

MemorySource::MemorySource(const Bytes& data, std::uint32_t piece, std::size_t fail_at)
    : data_(data), piece_(piece), fail_at_(fail_at) {}

std::int32_t MemorySource::read(void* buf, std::uint32_t count) {
    if (pos_ >= fail_at_) return -1;
    std::size_t n = std::min<std::size_t>({count, piece_, data_.size() - pos_, fail_at_ - pos_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(pos_), n,
                static_cast<std::uint8_t*>(buf));
    pos_ += n;
    return static_cast<std::int32_t>(n);
}

bool VectorSink::write(const void* buf, std::uint32_t count) {
    if (count > room_ - bytes.size()) return false;
    auto* p = static_cast<const std::uint8_t*>(buf);
    bytes.insert(bytes.end(), p, p + count);
    return true;
}

Bytes Packed(const Bytes& data, std::uint8_t missing_char) {
    Bytes out;
    if (!Compress(data.data(), data.size(), missing_char, out))
        throw std::runtime_error("too large");
    return out;
}

CommandResult RunCommand(const std::string& command) {
    CommandResult result{-1, {}};
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buf[4096];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.output.append(buf, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zep-szdd-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace zep::szdd::test
