// Our compressor's files expanded by the other decoders people use (msexpand, libmspack,
// 7-Zip), and files made by mscompress expanded by our expander as libmspack does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support.h"
#include "szdd/szdd.h"

namespace zep::szdd::test {
namespace {

bool HaveCommand(const char* name) {
    return RunCommand(std::string("command -v ") + name).status == 0;
}

Bytes OurExpansion(const Bytes& file) {
    MemorySource source(file);
    auto e = std::make_unique<Expander>();
    EXPECT_EQ(e->init(source), 0);
    VectorSink sink;
    EXPECT_GE(e->copy(sink), 0);
    return sink.bytes;
}

// The corpus and our compressed form of each file, written once for all peer tests.
class SzddPeers : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        corpus_ = new std::vector<CorpusFile>(MakeCorpus());
        for (const CorpusFile& f : *corpus_) {
            WriteFile(PackedPath(f), Packed(f.data));
        }
    }
    static void TearDownTestSuite() {
        delete corpus_;
        delete dir_;
    }
    static std::string PackedPath(const CorpusFile& f) { return *dir_ / (f.name + ".sz_"); }
    static std::string Expanded(const CorpusFile& f, const char* peer) {
        return *dir_ / (f.name + "." + peer);
    }

    static TempDir* dir_;
    static std::vector<CorpusFile>* corpus_;
};

TempDir* SzddPeers::dir_ = nullptr;
std::vector<CorpusFile>* SzddPeers::corpus_ = nullptr;

TEST_F(SzddPeers, MsexpandExpandsOurFiles) {
    ASSERT_TRUE(HaveCommand("msexpand")) << "msexpand is missing: apt-get install mscompress";
    for (const CorpusFile& f : *corpus_) {
        CommandResult r =
            RunCommand("msexpand < " + Quoted(PackedPath(f)) + " > " + Quoted(Expanded(f, "msexpand")));
        EXPECT_EQ(r.status, 0) << f.name << ": " << r.output;
        EXPECT_TRUE(ReadFile(Expanded(f, "msexpand")) == f.data) << f.name;
    }
}

TEST_F(SzddPeers, LibmspackExpandsOurFiles) {
    std::string helper = ZEP_MSPACK_EXPAND;
    ASSERT_FALSE(helper.empty()) << "libmspack was not found when configuring: "
                                    "apt-get install libmspack-dev, then configure again";
    std::string command = Quoted(helper);
    for (const CorpusFile& f : *corpus_)
        command += " " + Quoted(PackedPath(f)) + " " + Quoted(Expanded(f, "mspack"));
    CommandResult r = RunCommand(command);
    EXPECT_EQ(r.status, 0) << r.output;
    for (const CorpusFile& f : *corpus_)
        EXPECT_TRUE(ReadFile(Expanded(f, "mspack")) == f.data) << f.name;
}

TEST_F(SzddPeers, SevenZipExpandsOurFiles) {
    ASSERT_TRUE(HaveCommand("7zz")) << "7zz is missing: apt-get install 7zip";
    for (const CorpusFile& f : *corpus_) {
        std::string out = Expanded(f, "7z");
        CommandResult r = RunCommand("7zz x -tMsLZ -y " + Quoted("-o" + out) + " " + Quoted(PackedPath(f)));
        ASSERT_EQ(r.status, 0) << f.name << ": " << r.output;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            files.push_back(entry.path());
        ASSERT_EQ(files.size(), 1u) << f.name;
        EXPECT_TRUE(ReadFile(files[0].string()) == f.data) << f.name;
    }
}

TEST_F(SzddPeers, MscompressFilesExpandAsLibmspackExpandsThem) {
    ASSERT_TRUE(HaveCommand("mscompress")) << "mscompress is missing: apt-get install mscompress";
    std::string helper = ZEP_MSPACK_EXPAND;
    ASSERT_FALSE(helper.empty()) << "libmspack was not found when configuring: "
                                    "apt-get install libmspack-dev, then configure again";
    TempDir work;
    std::string command = Quoted(helper);
    for (const CorpusFile& f : *corpus_) {
        WriteFile(work / f.name, f.data);
        CommandResult r = RunCommand("cd " + Quoted(work.path()) + " && mscompress " + Quoted(f.name));
        ASSERT_EQ(r.status, 0) << f.name << ": " << r.output;
        command += " " + Quoted(work / (f.name + "_")) + " " + Quoted(work / (f.name + ".mspack"));
    }
    CommandResult r = RunCommand(command);
    EXPECT_EQ(r.status, 0) << r.output;
    for (const CorpusFile& f : *corpus_) {
        Bytes ours = OurExpansion(ReadFile(work / (f.name + "_")));
        EXPECT_TRUE(ours == ReadFile(work / (f.name + ".mspack"))) << f.name;
        // mscompress itself damages files under 16 bytes; both decoders then agree on the damage.
        if (f.data.size() >= 16) {
            EXPECT_TRUE(ours == f.data) << f.name;
        }
    }
}

}  // namespace
}  // namespace zep::szdd::test
