// zep help as an author runs it, and zep check's look at the help file a script names.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "dialogs/dialog_table.h"
#include "szdd/szdd.h"
#include "tools/zep/help_command.h"
#include "tools/zep/script_check.h"
#include "winhelp/help_file.h"
#include "winhelp/help_source.h"

namespace zep::tool {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/zep-help-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Result {
    int status;
    std::string output;  // stdout and stderr
};

Result Zep(const TempDir& dir, const std::string& args) {
    std::string command = "cd '" + dir.path() + "' && '" ZEP_TOOL "' " + args + " 2>&1";
    Result r{-1, {}};
    std::FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(Help, TheTemplateHasATopicForEveryHelpContextTheInstallerOpens) {
    std::set<std::uint32_t> wanted = {kHelpReadme, kHelpTargetIsInstalled, kHelpTargetIsSource};
    for (const DialogRow& row : kDialogTable) {
        if (row.help_context != kNoHelp) wanted.insert(row.help_context);
    }
    winhelp::HelpSource s;
    std::vector<winhelp::SourceError> errors;
    ASSERT_TRUE(winhelp::ReadHelpSource(HelpTemplate(), s, errors)) << errors[0].line << ": " << errors[0].message;
    std::set<std::uint32_t> got;
    for (const winhelp::Topic& t : s.topics) got.insert(t.context);
    EXPECT_EQ(got, wanted);
    EXPECT_EQ(s.topics.size(), wanted.size());
    EXPECT_EQ(s.topics[0].context, kHelpReadme);  // what the viewer shows first
    for (const InstallerHelpTopic& t : InstallerHelpTopics()) {
        EXPECT_NE(t.title, "Help") << "no words of its own for help context " << t.context;
    }
}

TEST(Help, WritesAHelpFileOrNothing) {
    TempDir dir;
    Put(dir / "good.txt", "Good Help\r\n# 3904 Read me\r\nHello **you**.\r\n");
    Put(dir / "bad.txt", "Bad Help\n# 3904 Read me\n# Choosing\nText\n# 3904 Again\nCaf\xC3\xA9\n");
    Put(dir / "keep.hlp", "an older file");
    struct Case {
        const char* args;
        int status;
        const char* output;  // what it starts with
    };
    const Case cases[] = {
        {"help --help", 0, "usage: zep help SOURCE -o FILE.HLP\n"},
        {"help", 2, "usage: zep help"},
        {"help good.txt", 2, "usage: zep help"},
        {"help good.txt -o out.hlp --bogus", 2, "zep help: unexpected argument '--bogus'"},
        {"help missing.txt -o out.hlp", 2, "zep help: missing.txt: cannot read: No such file or directory\n"},
        {"help good.txt -o good.txt", 2, "zep help: good.txt: the help file would replace its source\n"},
        {"help bad.txt -o keep.hlp", 1,
         "bad.txt:2: error: topic 3904 (Read me) has no text\n"
         "bad.txt:3: error: heading without a context number: write '# NUMBER TITLE', such as '# 3904 Read me'\n"
         "bad.txt:5: error: context 3904 is used twice: its topic is on line 2\n"
         "bad.txt:6: error: \"\xC3\xA9\" is UTF-8, not 8-bit ANSI: save the source as Windows-1252 (ANSI)\n"},
        {"help good.txt -o out.hlp", 0, "good.txt: warning: no topic for the help contexts 256 (dialog 1000), 512"},
        {"help --template -o keep.hlp", 1, "zep help: keep.hlp exists; the template replaces no file\n"},
        {"help --template -o help.txt", 0, "template -> help.txt (22 topics)\n"},
        {"help --template", 0, "Installation help\n\n# 3904 Read me\n"},
    };
    for (const Case& c : cases) {
        Result r = Zep(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_EQ(r.output.substr(0, std::string(c.output).size()), c.output) << c.args;
    }
    EXPECT_EQ(Read(dir / "keep.hlp"), "an older file");
    EXPECT_FALSE(fs::exists(dir / "keep.hlp.zep-partial"));

    const std::string written = Read(dir / "out.hlp");
    winhelp::HelpFileContents contents;
    std::string error;
    ASSERT_TRUE(winhelp::ReadHelpFile({written.begin(), written.end()}, contents, error)) << error;
    EXPECT_EQ(contents.title, "Good Help");
    EXPECT_EQ(contents.topic_at(contents.map.at(3904))->title, "Read me");
    EXPECT_EQ(Zep(dir, "help help.txt -o from-template.hlp").status, 0);  // the template as it comes
}

TEST(Help, CheckWarnsWhenTheHelpFileIsNotInTheHelpFormat) {
    TempDir dir;
    const std::string script =
        "[Basic Information]\r\nCaption=C\r\nHelpFileName=H.HL_,H.HLP\r\nProductName=P\r\nDefaultTargetDir=C:\\P\r\n"
        "TotalDisks=1\r\nDiskSpace=100000\r\n[Disk 1]\r\nDiskName=D\r\n";
    winhelp::HelpSource source;
    std::vector<winhelp::SourceError> errors;
    std::vector<std::uint8_t> real, fake = {'N', 'o', 't', ' ', 'h', 'e', 'l', 'p'};
    std::string why;
    ASSERT_TRUE(winhelp::ReadHelpSource("# 3904 Read me\nText.\n", source, errors));
    ASSERT_TRUE(winhelp::WriteHelpFile(source, real, why));
    CheckOptions options;
    options.platforms = {KnownPlatforms()[0]};
    options.displays = {1};
    options.folder = dir.path();
    struct Case {
        const char* what;
        const std::vector<std::uint8_t>& file;
        bool compressed, warned;
    };
    const Case cases[] = {
        {"a text file", fake, false, true},
        {"a compressed text file", fake, true, true},
        {"a help file", real, false, false},
        {"a compressed help file", real, true, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = c.file;
        if (c.compressed) {
            ASSERT_TRUE(szdd::Compress(c.file.data(), c.file.size(), 'P', bytes));
        }
        Put(dir / "H.HL_", std::string(bytes.begin(), bytes.end()));
        int warnings = 0;
        for (const Finding& f : CheckScript(script, options)) {
            if (f.message.find("not in the WinHelp format") == std::string::npos) continue;
            ++warnings;
            EXPECT_EQ(f.line, 3);
            EXPECT_EQ(f.message, "the help file H.HL_ is not in the WinHelp format: F1, Help and the readme button "
                                 "show an error instead of a topic; make it with 'zep help'");
        }
        EXPECT_EQ(warnings, c.warned ? 1 : 0) << c.what;
    }
}

}  // namespace
}  // namespace zep::tool
