// What zep pack writes, as Windows' own calls find it: a product of several hundred files
// and one over 16 MB, packed into the x86-64 stub (loaded as a program), the i686 stub
// and a stub whose .rsrc cannot grow in place (both read as image resources), each asked
// for every resource with FindResource, LoadResource, SizeofResource and LoadString by
// resource_probe.exe under Wine. One Wine run serves every test here.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "../szdd/support.h"
#include "szdd/szdd.h"
#include "tools/zep/product.h"

namespace zep::tool {
namespace {

namespace fs = std::filesystem;
using szdd::test::CommandResult;
using szdd::test::ReadFile;
using szdd::test::RunCommand;
using szdd::test::TempDir;
using szdd::test::WriteFile;
using Data = std::vector<std::uint8_t>;

constexpr int kFiles = 600;
constexpr std::size_t kBig = (17u << 20) + 3;
const char* const kStubs[] = {"x86-64", "i686", "moved"};

Data Words(std::size_t size, std::uint32_t seed) {
    static const char* const words[] = {"setup ", "disk ", "file ", "the ", "of ", "install\r\n", "window ", "data "};
    Data d;
    while (d.size() < size) {
        seed = seed * 1103515245 + 12345;
        const char* w = words[(seed >> 16) % 8];
        d.insert(d.end(), w, w + std::strlen(w));
    }
    d.resize(size);
    return d;
}

struct WineRun {
    TempDir dir;
    std::string problem;
    bool no_wine = false;
    std::map<std::uint16_t, Data> expected;  // stored bytes by resource id
    std::map<std::string, std::string> lines[3];  // "resource 12002" -> the probe's line, per stub
    std::map<std::string, Data> outputs[3];

    WineRun() {
        for (const char* f : {ZEP_RESOURCE_PROBE, ZEP_STUB_WIN32, ZEP_STUB_WIN64}) {
            if (!fs::exists(f)) {
                problem = std::string(f) + " is missing: build the Windows builds first (scripts/build.sh)";
                return;
            }
        }
        const std::string product = dir / "product";
        fs::create_directory(product);
        std::string script =
            "[Basic Information]\r\nCaption=Many\r\nHelpFileName=MANY.HLP\r\nProductName=Many\r\n"
            "DefaultTargetDir=C:\\MANY\r\nTotalDisks=3\r\nDiskSpace=30000000\r\n";
        WriteFile(product + "/MANY.HLP", Words(100, 1));
        for (int i = 1; i <= kFiles; ++i) {
            if ((i - 1) % 200 == 0) script += "[Disk " + std::to_string((i - 1) / 200 + 1) + "]\r\nDiskName=D\r\n";
            char name[16];
            std::snprintf(name, sizeof name, "F%03d.DA", i);
            script += std::string(name) + "_=Target\\" + name + "T\r\n";
            WriteFile(product + "/" + name + "T", Words(static_cast<std::size_t>(i * 37 % 5000), i));
        }
        script += "BIG.BIN=Target\r\nEMPTY.DAT=Target\r\nEMPTY.DA_=Target\\EMPTY2.DAT\r\n";
        Data big(kBig);
        std::uint32_t seed = 7;
        for (auto& b : big) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
        WriteFile(product + "/BIG.BIN", big);
        WriteFile(product + "/EMPTY.DAT", {});
        WriteFile(product + "/EMPTY2.DAT", {});
        WriteFile(product + "/INSTALL.INI", Data(script.begin(), script.end()));

        ProductScript read;
        std::string error;
        if (!ReadProductScript(script, "INSTALL.INI", read, error)) {
            problem = error;
            return;
        }
        const ProductFolder folder(product);
        for (const ProductFile& f : read.files) {
            Data stored;
            if (f.role == ProductFile::Role::kScript) {
                szdd::Compress(reinterpret_cast<const std::uint8_t*>(script.data()), script.size(), 'I', stored);
            } else if (!LoadStored(folder.origin(f.name, f.installed), stored, error)) {
                problem = error;
                return;
            }
            expected[f.resource_id] = stored;
        }

        // A stub whose relocations may not move: the new resources go into a section of
        // their own at the end.
        Data moved = ReadFile(ZEP_STUB_WIN64);
        const std::size_t pe = moved[0x3C] | moved[0x3D] << 8;
        std::fill_n(moved.begin() + static_cast<std::ptrdiff_t>(pe + 24 + 112 + 8 * 5), 8, 0);
        WriteFile(dir / "moved.exe", moved);
        const std::string stubs[] = {ZEP_STUB_WIN64, ZEP_STUB_WIN32, dir / "moved.exe"};
        std::string probes;
        const std::string last = std::to_string(kFirstFileId + expected.size() - 3);
        for (int s = 0; s < 3; ++s) {
            const std::string exe = dir / (std::string(kStubs[s]) + ".exe");
            CommandResult pack = RunCommand("'" + std::string(ZEP_TOOL) + "' pack '" + product + "' --embedded '" + exe +
                                            "' --stub '" + stubs[s] + "' --stamp '2026-12-08 01:01'");
            if (pack.status != 0) {
                problem = "zep pack failed:\n" + pack.output;
                return;
            }
            fs::create_directory(dir / kStubs[s]);
            probes += std::string(" && echo stub ") + kStubs[s] + " && \"$WINE\" \"" + ZEP_RESOURCE_PROBE + "\" " +
                      (s == 0 ? "image" : "data") + " " + Windows(exe) + " " + Windows(dir / kStubs[s]) + " 11999 " + last;
        }
        CommandResult run = RunCommand("'" + std::string(ZEP_WINE_RUN) + "' -- sh -c 'true" + probes + "'");
        if (run.status == 77) {
            no_wine = true;
            return;
        }
        if (run.status != 0) problem = "the Wine run failed (" + std::to_string(run.status) + "):\n" + run.output;
        std::istringstream in(run.output);
        int s = -1;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("stub ", 0) == 0) {
                for (int k = 0; k < 3; ++k) s = line == std::string("stub ") + kStubs[k] ? k : s;
                continue;
            }
            std::istringstream words(line);
            std::string verb, id;
            words >> verb >> id;
            if (s >= 0) lines[s][verb + " " + id] = line;
        }
        for (int k = 0; k < 3; ++k) {
            for (const auto& e : fs::directory_iterator(dir / kStubs[k])) {
                outputs[k][e.path().filename().string()] = ReadFile(e.path().string());
            }
        }
    }

    static std::string Windows(const std::string& path) {
        std::string w = "Z:" + path;
        for (char& c : w) c = c == '/' ? '\\' : c;
        return "\"" + w + "\"";
    }
};

WineRun& Shared() {
    static WineRun run;
    return run;
}

class PackUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shared().no_wine) GTEST_SKIP() << "Wine is not installed";
        ASSERT_TRUE(Shared().problem.empty()) << Shared().problem;
    }
};

TEST_F(PackUnderWine, EveryStubLoadsAndShowsTheStamp) {
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(kStubs[s]);
        EXPECT_EQ(Shared().lines[s]["loaded "], "loaded");
        EXPECT_EQ(Shared().lines[s]["string 8000"], "string 8000 INSTALL.INI");
        EXPECT_EQ(Shared().lines[s]["string 8001"], "string 8001 23944");
        EXPECT_EQ(Shared().lines[s]["string 8002"], "string 8002 2080");
    }
}

TEST_F(PackUnderWine, WindowsFindsEveryResourceWithItsExactBytes) {
    ASSERT_GT(Shared().expected.size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(Shared().expected.rbegin()->first, kFirstFileId + kFiles + 2);  // ids through the 12600s
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(kStubs[s]);
        EXPECT_EQ(Shared().lines[s]["resource 11999"], "resource 11999 missing");
        for (const auto& [id, data] : Shared().expected) {
            const std::string key = std::to_string(id);
            ASSERT_EQ(Shared().lines[s]["resource " + key], "resource " + key + " size=" + std::to_string(data.size()));
            EXPECT_TRUE(Shared().outputs[s][key] == data) << id;
            // Sizes are exact, so no byte-count string is needed, and none is there.
            const std::string count = std::to_string(id - 2000);
            EXPECT_EQ(Shared().lines[s]["count " + count], "count " + count + " none");
        }
    }
    EXPECT_GT(Shared().expected.at(kFirstFileId + kFiles).size(), 16u << 20);  // BIG.BIN, stored as it is
    EXPECT_EQ(Shared().expected.at(kFirstFileId + kFiles + 1).size(), 0u);     // EMPTY.DAT
}

}  // namespace
}  // namespace zep::tool
