// zep pack, list and unpack: the product folder's rules, what each output holds, the
// refusals, and the same bytes from the same inputs. pefile and mtools read what we write.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>

#include "../szdd/support.h"
#include "szdd/szdd.h"
#include "tools/zep/embedded_setup.h"
#include "tools/zep/product.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "tools/zep/stub.h"
#include "uninstall/uninstall_data.h"

namespace zep::tool {
namespace {

namespace fs = std::filesystem;
using szdd::test::CommandResult;
using szdd::test::ReadFile;
using szdd::test::RunCommand;
using szdd::test::TempDir;
using szdd::test::WriteFile;
using Data = std::vector<std::uint8_t>;

const std::string kStub64 = ZEP_STUB_WIN64;
const std::string kStamp = "2026-12-08 01:01";
const std::int64_t kStampSeconds = 1796691660;  // 2026-12-08 01:01:00 UTC

const char kScript[] =
    "[Basic Information]\r\nCaption=Test Setup\r\nHelpFileName=TEST.HL_,TEST.HLP\r\nProductName=Test\r\n"
    "DefaultTargetDir=C:\\TEST\r\nTotalDisks=2\r\nDiskSpace=900000\r\n"
    "[Disk 1]\r\nDiskName=Test Disk 1\r\n"
    "PROG.EX_=Target\\PROG.EXE,Program\r\n"
    "README.TX_=Target\\DOC\\README.TXT\r\n"
    "EGA.DRV=System,,EGA\r\n"  // kept on EGA only, but its id is taken everywhere
    "plain.dat=Target\r\n"
    "[Disk 2]\r\nDiskName=Test Disk 2\r\n"
    "PACKED.DAT=Target\r\n";

Data Text(const std::string& s) { return Data(s.begin(), s.end()); }

Data Pseudo(std::size_t size, std::uint32_t seed) {
    Data d(size);
    for (auto& b : d) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    return d;
}

Data Compressed(const Data& d, std::uint8_t missing) {
    Data out;
    szdd::Compress(d.data(), d.size(), missing, out);
    return out;
}

void SetTime(const std::string& path, std::int64_t seconds) {
    fs::last_write_time(path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(seconds)));
}

std::int64_t TimeOf(const std::string& path) {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::file_clock::to_sys(fs::last_write_time(path)).time_since_epoch())
        .count();
}

// The test product: originals for the '_' names (README by its path below the folder),
// a plain file under a name of another case, and a file already compressed.
struct Product {
    std::map<std::string, Data> files = {
        {"INSTALL.INI", Text(kScript)},
        {"TEST.HLP", Text("?_\x03" + std::string(1, '\0') + "help text, help text, help text\r\n")},  // as WinHelp's
        {"PROG.EXE", Pseudo(5000, 1)},
        {"DOC/README.TXT", Text(std::string(3000, 'r'))},
        {"EGA.DRV", Text("driver")},
        {"PLAIN.DAT", Text("plain, stored as it is")},
        {"PACKED.DAT", Compressed(Text("packed by its author"), 0)},
    };
    void write(const std::string& dir, std::int64_t seconds) const {
        for (const auto& [name, data] : files) {
            fs::create_directories(fs::path(dir + "/" + name).parent_path());
            WriteFile(dir + "/" + name, data);
            SetTime(dir + "/" + name, seconds);
        }
    }
};

// Times read and written in UTC, whatever the machine's zone.
CommandResult Zep(const std::string& args, const std::string& env = "") {
    return RunCommand("TZ=UTC0 " + env + " '" + std::string(ZEP_TOOL) + "' " + args);
}

std::string Q(const std::string& path) { return "'" + path + "'"; }

TEST(ProductFolder, FindsFilesAndTheirOriginals) {
    TempDir dir;
    Product().write(dir.path(), kStampSeconds);
    WriteFile(dir / "NOTES.TXT", Text("notes"));
    WriteFile(dir / "RAW.EX_", Text("a plain file under a compressed name"));
    const ProductFolder folder(dir.path());
    struct Case {
        const char* name;
        const char* installed;
        Origin::Kind kind;
        const char* path;  // below the folder
        bool szdd;
    };
    const Case cases[] = {
        {"PLAIN.DAT", "PLAIN.DAT", Origin::Kind::kAsIs, "PLAIN.DAT", false},
        {"plain.DAT", "X.DAT", Origin::Kind::kAsIs, "PLAIN.DAT", false},  // without regard to case
        {"PACKED.DAT", "PACKED.DAT", Origin::Kind::kAsIs, "PACKED.DAT", true},
        {"PROG.EX_", "PROG.EXE", Origin::Kind::kCompress, "PROG.EXE", false},
        {"README.TX_", "DOC\\README.TXT", Origin::Kind::kCompress, "DOC/README.TXT", false},  // by its path
        {"NOTES.TX_", "SUB\\NOTES.TXT", Origin::Kind::kCompress, "NOTES.TXT", false},  // by its name
        {"RAW.EX_", "RAW.EXE", Origin::Kind::kCompress, "RAW.EX_", false},  // plain: compressed too
        {"MISSING.DAT", "MISSING.DAT", Origin::Kind::kMissing, "", false},
        {"MISSING.DA_", "MISSING.DAT", Origin::Kind::kMissing, "", false},
        {"..\\INSTALL.INI", "X", Origin::Kind::kMissing, "", false},  // never outside the folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Origin o = folder.origin(c.name, c.installed);
        EXPECT_EQ(o.kind, c.kind);
        if (c.kind == Origin::Kind::kMissing) continue;
        EXPECT_EQ(fs::relative(o.path, dir.path()).string(), c.path);
        EXPECT_EQ(o.szdd, c.szdd);
    }
    EXPECT_EQ(folder.origin("PACKED.DAT", "PACKED.DAT").expanded_size, 20u);  // from its header
    EXPECT_EQ(folder.origin("PROG.EX_", "PROG.EXE").missing_char, 'E');
}

TEST(Pack, EmbeddedCarriesEveryFileUnderTheLoadersIds) {
    TempDir dir;
    const Product product;
    product.write(dir / "product", kStampSeconds - 3600);
    CommandResult run = Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "SETUP.EXE") + " --stub " +
                            Q(kStub64) + " --stamp '" + kStamp + "'");
    ASSERT_EQ(run.status, 0) << run.output;

    EmbeddedSetup setup;
    std::string error;
    ASSERT_TRUE(ReadEmbedded(ReadFile(dir / "SETUP.EXE"), setup, error)) << error;
    EXPECT_EQ(DosDateTimeText(setup.stamp_date, setup.stamp_time), "2026-12-08 01:01:00");
    EXPECT_TRUE(setup.stub.image.pe32_plus());
    const std::map<std::uint16_t, Data> expected = {
        {12000, Compressed(Text(kScript), 'I')},
        {12001, Compressed(product.files.at("TEST.HLP"), 'P')},
        {12002, Compressed(product.files.at("PROG.EXE"), 'E')},
        {12003, Compressed(product.files.at("DOC/README.TXT"), 'T')},
        {12004, product.files.at("EGA.DRV")},
        {12005, product.files.at("PLAIN.DAT")},
        {12006, product.files.at("PACKED.DAT")},
    };
    ASSERT_EQ(setup.script.files.size(), expected.size());
    for (const ProductFile& f : setup.script.files) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(expected.count(f.resource_id));
        EXPECT_EQ(*setup.stored(f.resource_id), expected.at(f.resource_id));
    }
    EXPECT_EQ(setup.script.files[6].disk, 2);

    // pefile finds the same resources, and the stub's own kept exactly.
    fs::create_directory(dir / "pefile");
    CommandResult dump = RunCommand(std::string(ZEP_PYTHON) + " " + Q(ZEP_PEFILE_DUMP) + " " + Q(dir / "SETUP.EXE") +
                                    " " + Q(dir / "pefile"));
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_NE(dump.output.find("warnings 0\nchecksum ok\ntimestamp 0\n"), std::string::npos) << dump.output;
    for (const auto& [id, data] : expected) {
        EXPECT_EQ(ReadFile(dir / ("pefile/256-" + std::to_string(id) + "-1033")), data) << id;
    }
    fs::create_directory(dir / "stub");
    ASSERT_EQ(RunCommand(std::string(ZEP_PYTHON) + " " + Q(ZEP_PEFILE_DUMP) + " " + Q(kStub64) + " " + Q(dir / "stub"))
                  .status,
              0);
    for (const auto& e : fs::directory_iterator(dir / "stub")) {
        if (e.path().filename() == "6-501-1033") continue;  // the stamp strings' block
        EXPECT_EQ(ReadFile(e.path().string()), ReadFile(dir / ("pefile/" + e.path().filename().string())))
            << e.path().filename();
    }
}

TEST(Pack, DisksFlatAndImagesHoldEveryFileWithItsTime) {
    TempDir dir;
    Product().write(dir / "product", kStampSeconds - 7200);
    SetTime(dir / "product/PLAIN.DAT", kStampSeconds + 86400);  // newer than the stamp: takes it
    CommandResult run = Zep("pack " + Q(dir / "product") + " --disks " + Q(dir / "disks") + " --flat " +
                            Q(dir / "flat") + " --images " + Q(dir / "images") + " --disk-size 1.44M --stub " +
                            Q(kStub64) + " --stamp '" + kStamp + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::map<std::string, std::vector<std::string>> disks = {
        {"DISK1", {"EGA.DRV", "INSTALL.INI", "PROG.EX_", "README.TX_", "SETUP.EXE", "TEST.HL_", "plain.dat"}},
        {"DISK2", {"PACKED.DAT"}},
    };
    std::vector<std::string> all;
    for (const auto& [disk, names] : disks) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir / ("disks/" + disk))) found.push_back(e.path().filename());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names) << disk;
        for (const std::string& n : names) {
            const std::string path = dir / ("disks/" + disk + "/" + n);
            EXPECT_EQ(ReadFile(path), ReadFile(dir / ("flat/" + n))) << n;
            const std::int64_t want = n == "plain.dat" || n == "SETUP.EXE" ? kStampSeconds : kStampSeconds - 7200;
            EXPECT_EQ(TimeOf(path), want) << n;
            EXPECT_EQ(TimeOf(dir / ("flat/" + n)), want) << n;
            all.push_back(n);
        }
    }
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(dir / "flat"), {})), all.size());

    // mdir lists each file of an image with its MS-DOS name, size and date and time.
    for (const auto& [disk, names] : disks) {
        CommandResult dir_list = RunCommand("TZ=UTC0 MTOOLS_SKIP_CHECK=1 mdir -i " + Q(dir / ("images/" + disk + ".IMG")) + " ::");
        ASSERT_EQ(dir_list.status, 0) << dir_list.output;
        EXPECT_NE(dir_list.output.find("Volume in drive : is " + disk), std::string::npos) << dir_list.output;
        for (const std::string& n : names) {
            std::string upper = n;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const std::size_t dot = upper.find('.');
            char line[64];
            std::snprintf(line, sizeof line, "%-8s %-3s %9ju %s", upper.substr(0, dot).c_str(),
                          upper.substr(dot + 1).c_str(), static_cast<std::uintmax_t>(fs::file_size(dir / ("flat/" + n))),
                          n == "plain.dat" || n == "SETUP.EXE" ? "2026-12-08   1:01" : "2026-12-07  23:01");
            EXPECT_NE(dir_list.output.find(line), std::string::npos) << line << "\n" << dir_list.output;
        }
    }
}

TEST(Pack, TheSameInputsGiveTheSameBytes) {
    TempDir dir;
    const std::string epoch = "SOURCE_DATE_EPOCH=" + std::to_string(kStampSeconds);
    Product().write(dir / "a", kStampSeconds + 100);
    Product().write(dir / "b", kStampSeconds + 99999);  // other times, all after the epoch
    for (const char* copy : {"a", "b"}) {
        CommandResult run = Zep("pack " + Q(dir / copy) + " --embedded " + Q(dir / (std::string(copy) + ".exe")) +
                                " --images " + Q(dir / (std::string(copy) + "-images")) + " --disk-size 720K --stub " +
                                Q(kStub64), epoch);
        ASSERT_EQ(run.status, 0) << run.output;
    }
    EXPECT_EQ(ReadFile(dir / "a.exe"), ReadFile(dir / "b.exe"));
    EXPECT_EQ(ReadFile(dir / "a-images/DISK1.IMG"), ReadFile(dir / "b-images/DISK1.IMG"));
    EXPECT_EQ(ReadFile(dir / "a-images/DISK2.IMG"), ReadFile(dir / "b-images/DISK2.IMG"));
}

TEST(Unpack, GivesBackAFolderThatPacksTheSame) {
    TempDir dir;
    Product().write(dir / "product", kStampSeconds - 60);
    ASSERT_EQ(Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "SETUP.EXE") + " --stub " + Q(kStub64)).status, 0);
    CommandResult list = Zep("list " + Q(dir / "SETUP.EXE"));
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("12003    1        "), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("README.TX_     Target\\DOC\\README.TXT"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("12006    2"), std::string::npos) << list.output;

    CommandResult unpack = Zep("unpack " + Q(dir / "SETUP.EXE") + " -o " + Q(dir / "back") + " --stub " + Q(dir / "STUB.EXE"));
    ASSERT_EQ(unpack.status, 0) << unpack.output;
    for (const std::string& stub : {kStub64, dir / "STUB.EXE"}) {
        SCOPED_TRACE(stub);
        fs::remove(dir / "AGAIN.EXE");
        CommandResult again = Zep("pack " + Q(dir / "back") + " --embedded " + Q(dir / "AGAIN.EXE") + " --stub " + Q(stub));
        ASSERT_EQ(again.status, 0) << again.output;
        EXPECT_EQ(ReadFile(dir / "AGAIN.EXE"), ReadFile(dir / "SETUP.EXE"));
    }
    for (const std::string& plain : {kStub64, dir / "back/INSTALL.INI"}) {
        for (const char* command : {"list ", "unpack -o x "}) {
            CommandResult refused = Zep(command + Q(plain));
            EXPECT_EQ(refused.status, 1) << refused.output;
            EXPECT_EQ(std::count(refused.output.begin(), refused.output.end(), '\n'), 1) << refused.output;
        }
    }
}

TEST(Pack, TheCarriedStubIsThei686One) {
    TempDir dir;
    Product().write(dir / "product", kStampSeconds);
    CommandResult run = Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "SETUP.EXE"));
    if (kStub_size == 0) {
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("give --stub SETUP.EXE"), std::string::npos) << run.output;
        return;
    }
    ASSERT_EQ(run.status, 0) << run.output;
    EmbeddedSetup setup;
    std::string error;
    ASSERT_TRUE(ReadEmbedded(ReadFile(dir / "SETUP.EXE"), setup, error)) << error;
    EXPECT_FALSE(setup.stub.image.pe32_plus());
    EXPECT_EQ(setup.stub.image.machine(), 0x14C);
}

// Each refusal: one line naming the problem, the right status, nothing written, and a
// good output from before left as it was.
TEST(Pack, RefusesWithOneLineAndWritesNothing) {
    struct Case {
        const char* what;
        std::function<void(const std::string& dir)> setup;
        std::string args;  // after PRODUCT; OUT is the output
        int status;
        const char* says;
        int lines = 1;  // a refused stub or layout says it in one line; an erring product reports each error
    };
    const std::string stub = " --stub " + Q(kStub64);
    const Case cases[] = {
        {"no output", nullptr, stub, 2, "no output given"},
        {"images without a size", nullptr, " --images OUT" + stub, 2, "--images needs --disk-size"},
        {"a byte count for images", nullptr, " --images OUT --disk-size 100000" + stub, 2, "needs a floppy size"},
        {"a bad stamp", nullptr, " --embedded OUT --stamp 2026-13-01" + stub, 2, "--stamp takes"},
        {"a stamp before 1980", nullptr, " --embedded OUT --stamp '1979-12-31 23:59'" + stub, 2, "1980 to 2107"},
        {"a text as stub", [](const std::string& d) { WriteFile(d + "/stub.exe", Text("MZ?")); },
         " --embedded OUT --stub STUB", 1, "no MZ header"},
        {"a cut stub",
         [](const std::string& d) {
             Data s = ReadFile(kStub64);
             s.resize(s.size() / 2);
             WriteFile(d + "/stub.exe", s);
         },
         " --embedded OUT --stub STUB", 1, "truncated"},
        {"a foreign program", [](const std::string& d) { WriteFile(d + "/stub.exe", ReadFile(ZEP_FOREIGN_EXE)); },
         " --embedded OUT --stub STUB", 1, "not a ZepInstall setup.exe"},
        {"a packed stub",
         [](const std::string& d) {
             RunCommand(std::string("'") + ZEP_TOOL + "' pack '" + d + "/product' --embedded '" + d + "/stub.exe' --stub '" +
                        kStub64 + "'");
         },
         " --embedded OUT --stub STUB", 1, "already carries a product"},
        {"a script error",
         [](const std::string& d) { WriteFile(d + "/product/INSTALL.INI", Text(std::string(kScript) + "[Run]\r\nFile=X\r\n")); },
         " --embedded OUT" + stub, 1, "error: dialog 1600", 4},
        {"a missing original", [](const std::string& d) { fs::remove(d + "/product/PROG.EXE"); },
         " --embedded OUT" + stub, 1, "INSTALL.INI:10: error: PROG.EX_ is not in", 2},
        {"a missing help file", [](const std::string& d) { fs::remove(d + "/product/TEST.HLP"); },
         " --embedded OUT" + stub, 1, "INSTALL.INI:3: error: the help file TEST.HL_ is not in", 2},
        {"a full disk", [](const std::string& d) { WriteFile(d + "/product/PLAIN.DAT", Pseudo(300000, 7)); },
         " --disks OUT --disk-size 360K" + stub, 1, "disk 1 does not fit on a 360K disk: "},
        {"a full root folder",
         [](const std::string& d) {
             std::string script = kScript;
             for (int i = 0; i < 111; ++i) {
                 const std::string name = "F" + std::to_string(i) + ".DAT";
                 script += name + "=Target\r\n";
                 WriteFile(d + "/product/" + name, Text("x"));
             }
             WriteFile(d + "/product/INSTALL.INI", Text(script));
         },
         " --disks OUT --disk-size 720K" + stub, 1, "disk 2 does not fit on a 720K disk: its root folder needs 113 entries"},
        {"a folder in use",
         [](const std::string& d) {
             fs::create_directory(d + "/OUT");
             WriteFile(d + "/OUT/keep", Text("mine"));
         },
         " --flat OUT" + stub, 1, "exists and is not empty"},
        {"the product's own folder", nullptr, " --flat PRODUCT --force" + stub, 1, "holds the product folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Product().write(dir / "product", kStampSeconds);
        if (c.setup) c.setup(dir.path());
        std::string args = c.args;
        for (auto [from, to] : {std::pair<std::string, std::string>{"OUT", Q(dir / "OUT")}, {"STUB", Q(dir / "stub.exe")},
                                  {"PRODUCT", Q(dir.path())}}) {
            for (std::size_t at = 0; (at = args.find(from, at)) != std::string::npos; at += to.size()) {
                args.replace(at, from.size(), to);
            }
        }
        const bool had_output = fs::exists(dir / "OUT");
        CommandResult run = Zep("pack " + Q(dir / "product") + args);
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
        std::smatch over;  // what a disk lacks, counted in whole clusters
        if (std::regex_search(run.output, over, std::regex(R"(: (\d+) bytes over \(its files take (\d+) of 362496 bytes)"))) {
            EXPECT_EQ(std::stoll(over[1]), std::stoll(over[2]) - 362496);
            EXPECT_EQ(std::stoll(over[2]) % 1024, 0);
        }
        if (c.status == 1) {
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), c.lines) << run.output;
        }
        EXPECT_EQ(fs::exists(dir / "OUT"), had_output);
        for (const auto& e : fs::directory_iterator(dir.path())) {
            EXPECT_EQ(e.path().filename().string().find("zep-"), std::string::npos) << e.path();
        }
    }
}

TEST(Pack, AFailedPackKeepsTheGoodOutputAndForceReplacesFolders) {
    TempDir dir;
    Product().write(dir / "product", kStampSeconds);
    const std::string stub = " --stub " + Q(kStub64);
    ASSERT_EQ(Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "OUT.EXE") + " --flat " + Q(dir / "flat") + stub).status, 0);
    const Data good = ReadFile(dir / "OUT.EXE");
    fs::remove(dir / "product/EGA.DRV");
    EXPECT_EQ(Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "OUT.EXE") + stub).status, 1);
    EXPECT_EQ(ReadFile(dir / "OUT.EXE"), good);
    // Without --force the earlier folder stays; with it, it is replaced whole.
    WriteFile(dir / "product/EGA.DRV", Text("another driver"));
    EXPECT_EQ(Zep("pack " + Q(dir / "product") + " --flat " + Q(dir / "flat") + stub).status, 1);
    EXPECT_EQ(ReadFile(dir / "flat/EGA.DRV"), Text("driver"));
    WriteFile(dir / "flat/OLD.TXT", Text("from before"));
    ASSERT_EQ(Zep("pack " + Q(dir / "product") + " --flat " + Q(dir / "flat") + " --force" + stub).status, 0);
    EXPECT_EQ(ReadFile(dir / "flat/EGA.DRV"), Text("another driver"));
    EXPECT_FALSE(fs::exists(dir / "flat/OLD.TXT"));
}

TEST(Pack, AFlatLayoutRefusesTwoFilesOfOneName) {
    TempDir dir;
    Product product;
    product.files["INSTALL.INI"] = Text(std::string(kScript) + "PROG.EX_=Target\\OLD\\PROG.EXE\r\n");
    product.files["OLD/PROG.EXE"] = Pseudo(100, 9);
    product.write(dir / "product", kStampSeconds);
    // On disks of their own the two are fine; in one folder they clash.
    EXPECT_EQ(Zep("pack " + Q(dir / "product") + " --disks " + Q(dir / "disks") + " --stub " + Q(kStub64)).status, 0);
    CommandResult run = Zep("pack " + Q(dir / "product") + " --flat " + Q(dir / "flat") + " --stub " + Q(kStub64));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("INSTALL.INI:17: PROG.EX_ is on the flat layout already (line 10), with other contents"),
              std::string::npos)
        << run.output;
}

// The uninstaller zep adds: only where the script writes an uninstall entry (or the author
// asks) and installs no uninstaller of its own; on the last disk, in the packed script
// only, carrying each target file's expanded size.
TEST(Pack, AddsTheUninstallerWhereTheProductHasNone) {
    const std::string uninst = ZEP_UNINST_WIN64;
    struct Case {
        const char* what;
        const char* basic;  // added to [Basic Information]
        const char* disk2;  // added to [Disk 2]
        const char* args;
        bool added;
        bool lf;  // the script's lines end in LF alone
    };
    const Case cases[] = {
        {"an uninstall entry", "UninstallName=Test\r\n", "", "", true, false},
        {"asked for, LF ends", "", "", " --uninstaller", true, true},
        {"neither", "", "", "", false, false},
        {"the author's own", "UninstallName=Test\r\n", "OWN.EXE=Target\\uninst.exe\r\n", " --uninstaller", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Product product;
        std::string script = kScript;
        script.insert(script.find("DefaultTargetDir"), c.basic);
        script += c.disk2;
        if (c.lf) script = std::regex_replace(script, std::regex("\r\n"), "\n");
        product.files["INSTALL.INI"] = Text(script);
        product.files["OWN.EXE"] = Text("the author's own uninstaller");
        product.write(dir / "product", kStampSeconds);
        CommandResult run = Zep("pack " + Q(dir / "product") + " --disks " + Q(dir / "disks") + " --embedded " +
                                Q(dir / "SETUP.EXE") + " --stub " + Q(kStub64) + " --uninst-stub " + Q(uninst) +
                                c.args);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(ReadFile(dir / "product/INSTALL.INI"), Text(script));
        EmbeddedSetup setup;
        std::string error;
        ASSERT_TRUE(ReadEmbedded(ReadFile(dir / "SETUP.EXE"), setup, error)) << error;
        if (!c.added) {
            EXPECT_FALSE(fs::exists(dir / "disks/DISK2/UNINST.EX_"));
            EXPECT_EQ(run.output.find("uninstaller"), std::string::npos) << run.output;
            EXPECT_EQ(ReadFile(dir / "disks/DISK1/INSTALL.INI"), Text(script));
            continue;
        }
        EXPECT_NE(run.output.find("uninstaller added"), std::string::npos) << run.output;
        // The author's bytes with one line more, ended as the author's lines are.
        const std::string end = c.lf ? "\n" : "\r\n";
        std::string want_script = script;
        want_script.insert(want_script.find("PACKED.DAT=Target") + 17 + end.size(), "UNINST.EX_=Target\\UNINST.EXE" + end);
        const Data packed_script = ReadFile(dir / "disks/DISK1/INSTALL.INI");
        EXPECT_EQ(std::string(packed_script.begin(), packed_script.end()), want_script);
        const ProductFile& added = setup.script.files.back();
        EXPECT_EQ(added.name, "UNINST.EX_");
        EXPECT_EQ(added.disk, 2);
        EXPECT_EQ(added.resource_id, 12007);
        EXPECT_EQ(*setup.stored(12007), ReadFile(dir / "disks/DISK2/UNINST.EX_"));

        fs::create_directory(dir / "x");
        ASSERT_EQ(Zep("expand " + Q(dir / "disks/DISK2/UNINST.EX_") + " -o " + Q(dir / "x")).status, 0);
        pe::Image image;
        pe::ResourceTree tree;
        ASSERT_TRUE(image.parse(ReadFile(dir / "x/UNINST.EXE"), error) && tree.read(image, error)) << error;
        const pe::Resource* resource = tree.find(256, kUninstallDataResource);
        ASSERT_NE(resource, nullptr);
        UninstallData data;
        ASSERT_TRUE(ReadUninstallData(resource->data->data(), static_cast<std::uint32_t>(resource->data->size()), data));
        EXPECT_EQ(std::string(data.script, data.script_length),
                  std::string(packed_script.begin(), packed_script.end()));
        std::map<std::string, std::uint32_t> sizes;
        const std::uint8_t* at = data.records;
        for (std::uint32_t i = 0; i < data.file_count; ++i) {
            FileRecord r;
            at = NextFileRecord(at, r);
            sizes[std::string(r.name, r.length)] = r.size;
        }
        const std::map<std::string, std::uint32_t> want = {
            {"PROG.EXE", 5000}, {"DOC\\README.TXT", 3000}, {"plain.dat", 22}, {"PACKED.DAT", 20}};
        EXPECT_EQ(sizes, want);
    }

    // A stub that is no uninstaller, or none at all: one line, nothing written.
    TempDir dir;
    Product().write(dir / "product", kStampSeconds);
    for (const std::string& stub : {kStub64, dir / "none.exe"}) {
        CommandResult run = Zep("pack " + Q(dir / "product") + " --embedded " + Q(dir / "SETUP.EXE") + " --stub " +
                                Q(kStub64) + " --uninstaller --uninst-stub " + Q(stub));
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_NE(run.output.find(stub), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(dir / "SETUP.EXE"));
    }
}

}  // namespace
}  // namespace zep::tool
