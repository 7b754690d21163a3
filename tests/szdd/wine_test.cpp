// Wine's LZ32 as the peer: it expands our files, and our expander answers as it does on
// damaged and foreign files. One Wine run (lz32_probe) serves every test here.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"
#include "szdd/szdd.h"

namespace zep::szdd::test {
namespace {

// What our expander answers, in the probe's words.
struct Answer {
    std::string init;  // "lz", "same" (passed through) or the error code
    Bytes read;
    std::int32_t copy = 0;
    Bytes copied;
};

Answer Ours(const Bytes& file) {
    Answer a;
    auto e = std::make_unique<Expander>();
    {
        MemorySource source(file);
        std::int32_t r = e->init(source);
        a.init = r < 0 ? std::to_string(r) : e->compressed() ? "lz" : "same";
        Bytes buf(4096);
        while (r >= 0 && (r = e->read(buf.data(), 4096)) > 0)
            a.read.insert(a.read.end(), buf.begin(), buf.begin() + r);
    }
    MemorySource source(file);
    e->init(source);
    VectorSink sink;
    a.copy = e->copy(sink);
    a.copied = sink.bytes;
    return a;
}

std::string Field(const std::string& line, const std::string& key) {
    std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return "";
    at += key.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
}

Bytes Damaged(const Bytes& packed, const std::string& kind) {
    Bytes f = packed;
    auto set_length = [&f](std::uint32_t n) {
        for (int k = 0; k < 4; ++k) f[10 + k] = static_cast<std::uint8_t>(n >> 8 * k);
    };
    if (kind == "trailing_garbage")
        f.insert(f.end(), {0xFF, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'});
    if (kind == "trailing_zeros") f.insert(f.end(), 10, 0);
    if (kind == "header_only") f.resize(kHeaderSize);
    if (kind == "cut_half") f.resize(f.size() / 2);
    if (kind == "cut_last") f.pop_back();
    if (kind == "length_bigger") set_length(9999);
    if (kind == "length_smaller") set_length(100);
    if (kind == "length_zero") set_length(0);
    if (kind == "mode_b") f[8] = 'B';
    if (kind == "header_13") f.resize(13);
    if (kind == "signature_only") f.resize(8);
    if (kind == "empty") f.clear();
    if (kind == "short") f = {'h', 'e', 'l', 'l', 'o'};
    return f;
}

const char* const kDamage[] = {
    "trailing_garbage", "trailing_zeros", "header_only", "cut_half", "cut_last",
    "length_bigger",    "length_smaller", "length_zero", "mode_b",   "header_13",
    "signature_only",   "empty",          "short"};

// One Wine run over the corpus, compressed by us, and over damaged and foreign files.
struct WineRun {
    std::string problem;  // why the run could not be made
    bool no_wine = false;
    TempDir dir;
    std::vector<std::pair<std::string, Bytes>> files;  // the corpus first
    std::vector<Bytes> originals;                      // of the corpus files
    std::map<std::string, std::string> lines;  // "read 3", "read7 3", "copy 3", "handles", "unreadable"

    WineRun() {
        const std::string probe = ZEP_LZ32_PROBE;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(probe, ec)) {
            problem = probe +
                      " is missing; build the win64 side first: cmake -S . -B build/win64 "
                      "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake && cmake --build "
                      "build/win64 -j2 --target lz32_probe (or point ZEP_WIN64_BUILD_DIR at it)";
            return;
        }
        std::string text;  // a file with content, for the handle count
        for (const CorpusFile& f : MakeCorpus()) {
            if (f.name == "text") text = " f" + std::to_string(files.size());
            files.push_back({f.name, Packed(f.data)});
            originals.push_back(f.data);
        }
        Bytes base;
        for (int i = 0; i < 200; ++i) {
            base.insert(base.end(), {'l', 'i', 'n', 'e', ' ',
                                     static_cast<std::uint8_t>('0' + i % 10), '\r', '\n'});
        }
        for (const char* kind : kDamage) files.push_back({kind, Damaged(Packed(base), kind)});
        files.push_back({"plain_text", base});

        std::string names;
        for (std::size_t n = 0; n < files.size(); ++n) {
            WriteFile(dir / ("f" + std::to_string(n)), files[n].second);
            names += " f" + std::to_string(n);
        }
        for (const char* out : {"read", "read7", "copy", "unreadable"})
            std::filesystem::create_directory(dir / out);
        std::string wine = "\"$WINE\" " + Quoted(probe);
        std::string script = "cd " + Quoted(dir.path()) + " && " + wine + " read 4096 read" + names +
                             " && " + wine + " read 7 read7" + names + " && " + wine +
                             " copy copy" + names + " && " + wine + " handles 20" + text + " && " + wine +
                             " unreadable unreadable f0";
        CommandResult run = RunCommand(Quoted(ZEP_WINE_RUN) + " -- sh -c " + Quoted(script));
        if (run.status == 77) {
            no_wine = true;
        } else if (run.status != 0) {
            problem = "the Wine run failed (" + std::to_string(run.status) + "):\n" + run.output;
        }
        std::istringstream in(run.output);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::istringstream words(line);
            std::string verb, n;
            words >> verb >> n;
            if (verb == "read" && lines.count("read " + n) != 0) verb = "read7";
            lines[verb == "handles" || verb == "unreadable" ? verb : verb + " " + n] = line;
        }
    }

    std::string Line(const std::string& key) const {
        auto it = lines.find(key);
        return it == lines.end() ? "" : it->second;
    }
};

class SzddWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { run_ = new WineRun; }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    void SetUp() override {
        if (run_->no_wine) GTEST_SKIP() << "Wine is not installed (apt-get install wine64)";
        ASSERT_EQ(run_->problem, "");
    }

    // Wine's answers for file n agree with ours, except where ours is meant to differ.
    static void ExpectSameAnswers(std::size_t n) {
        const auto& [name, file] = run_->files[n];
        SCOPED_TRACE(name);
        std::string key = std::to_string(n);
        Answer ours = Ours(file);
        std::string read = run_->Line("read " + key);
        ASSERT_FALSE(read.empty()) << "the probe said nothing of " << name;
        EXPECT_EQ(Field(read, "init"), ours.init) << read;
        if (ours.init == "lz" || ours.init == "same") {
            EXPECT_EQ(Field(read, "total"), std::to_string(ours.read.size())) << read;
            EXPECT_EQ(Field(read, "end"), "0") << read;
            EXPECT_EQ(Field(read, "then"), "0,0") << read;
            EXPECT_TRUE(ReadFile(run_->dir / ("read/" + key + ".read")) == ours.read);
            EXPECT_TRUE(ReadFile(run_->dir / ("read7/" + key + ".read")) == ours.read)
                << "in 7-byte reads";
        }
        std::string copy = run_->Line("copy " + key);
        if (ours.init == std::to_string(kLzErrorUnknownAlg)) {
            // Wine's LZCopy reports success and writes nothing; ours names the error.
            EXPECT_EQ(Field(copy, "result"), "0") << copy;
            EXPECT_EQ(ours.copy, kLzErrorUnknownAlg);
            return;
        }
        EXPECT_EQ(Field(copy, "result"), std::to_string(ours.copy)) << copy;
        EXPECT_TRUE(ReadFile(run_->dir / ("copy/" + key + ".copy")) == ours.copied);
    }

    static WineRun* run_;
};

WineRun* SzddWine::run_ = nullptr;

TEST_F(SzddWine, Lz32ExpandsOurFilesExactly) {
    for (std::size_t n = 0; n < run_->originals.size(); ++n) {
        SCOPED_TRACE(run_->files[n].first);
        const std::string key = std::to_string(n);
        EXPECT_EQ(Field(run_->Line("read " + key), "init"), "lz");
        EXPECT_TRUE(ReadFile(run_->dir / ("read/" + key + ".read")) == run_->originals[n]);
        EXPECT_TRUE(ReadFile(run_->dir / ("copy/" + key + ".copy")) == run_->originals[n]);
        ExpectSameAnswers(n);
    }
}

TEST_F(SzddWine, DamagedAndForeignFilesGetLz32sAnswers) {
    for (std::size_t n = run_->originals.size(); n < run_->files.size(); ++n) ExpectSameAnswers(n);
}

// Not our code: the limit the simulated platform must copy.
TEST_F(SzddWine, Lz32HoldsSixteenExpansionsAtOnce) {
    std::string line = run_->Line("handles");
    EXPECT_EQ(Field(line, "opened"), "16") << line;
    EXPECT_EQ(Field(line, "first_failure"), std::to_string(kLzErrorGlobalAlloc)) << line;
    EXPECT_EQ(Field(line, "reads_ok"), "16") << line;
}

// A source whose every read fails (opened for writing only): LZ32 takes it for a file
// that is not compressed, so LZInit succeeds, LZRead answers what _lread does (-1, which
// the simulated platform gives itself for such a handle) and LZCopy gives LZERROR_READ.
TEST_F(SzddWine, AnUnreadableSourceIsNotCompressedAndItsReadsFail) {
    const std::string line = run_->Line("unreadable");
    EXPECT_EQ(Field(line, "init"), "same") << line;
    EXPECT_EQ(Field(line, "read"), "-1") << line;
    EXPECT_EQ(Field(line, "copy"), std::to_string(kLzErrorRead)) << line;
    EXPECT_EQ(Field(line, "copied"), "0") << line;
    MemorySource source(run_->files[0].second, 0xFFFFFFFF, 0);
    Expander e;
    EXPECT_EQ(e.init(source), 0);
    EXPECT_FALSE(e.compressed());
    VectorSink sink;
    EXPECT_EQ(e.copy(sink), kLzErrorRead);
}

}  // namespace
}  // namespace zep::szdd::test
