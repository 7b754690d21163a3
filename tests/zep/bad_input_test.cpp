// Every zep command fed what is not its input: an empty file, a sparse file of 5 GB, bytes
// that mean nothing, a file whose reads fail and a folder. Each answers in one line that
// names the file, with the exit status its help gives, and writes nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string output;  // stdout and stderr
};

Result Zep(const std::string& dir, const std::string& args) {
    const std::string command = "cd '" + dir + "' && '" ZEP_TOOL "' " + args + " 2>&1";
    Result r{-1, {}};
    std::FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) names.insert(e.path().lexically_relative(dir).string());
    return names;
}

TEST(ZepBadInput, EachCommandSaysWhatIsWrongInOneLineAndWritesNothing) {
    char name[] = "/tmp/zep-bad-input-XXXXXX";
    const std::string dir = mkdtemp(name);
    std::ofstream(dir + "/empty").flush();
    std::ofstream(dir + "/binary", std::ios::binary) << std::string("\x7f\x01\xff\x00\x10\x80garbage\xfe", 14);
    std::ofstream(dir + "/huge").flush();
    fs::resize_file(dir + "/huge", 5ull << 30);  // sparse: nothing on the disk
    fs::create_directory(dir + "/folder");
    fs::create_directory(dir + "/out");
    // Tests run as root, whom permissions do not stop: a file whose every read fails with
    // an I/O error stands in for one that cannot be read.
    const bool unreadable = fs::exists("/proc/self/mem");
    if (unreadable) fs::create_symlink("/proc/self/mem", dir + "/unreadable");

    struct Case {
        const char* args;  // FILE is replaced by the input's name
        const char* input;
        int status;
        const char* line;  // the one line, after "zep COMMAND: FILE: "
    };
    const Case cases[] = {
        {"compress -o out FILE", "huge", 1, "too large: 5368709120 bytes, more than the 4294967295 that SZDD holds"},
        {"compress -o out FILE", "unreadable", 1, "cannot read: Input/output error"},
        {"compress -o out FILE", "folder", 1, "is a directory"},
        {"expand -o out FILE", "empty", 1, "not an SZDD compressed file"},
        {"expand -o out FILE", "huge", 1, "not an SZDD compressed file"},
        {"expand -o out FILE", "binary", 1, "not an SZDD compressed file"},
        {"expand -o out FILE", "unreadable", 1, "cannot read: Input/output error"},
        {"expand -o out FILE", "folder", 1, "is a directory"},
        {"check FILE", "huge", 2, "too large: 5368709120 bytes, more than the 4294967295 a Windows program holds"},
        {"check FILE", "binary", 2, "not an install script nor a setup.exe: a binary file (it holds NUL bytes)"},
        {"check FILE", "unreadable", 2, "cannot read: Input/output error"},
        {"check FILE", "folder", 2, "holds no INSTALL.INI and no DISK1 folder"},
        {"list FILE", "empty", 1, "not a Windows program (no MZ header)"},
        {"list FILE", "huge", 2, "too large: 5368709120 bytes, more than the 4294967295 a Windows program holds"},
        {"list FILE", "binary", 1, "not a Windows program (no MZ header)"},
        {"list FILE", "unreadable", 2, "cannot read: Input/output error"},
        {"list FILE", "folder", 2, "is a directory"},
        {"unpack FILE -o out/product", "empty", 1, "not a Windows program (no MZ header)"},
        {"unpack FILE -o out/product", "huge", 2,
         "too large: 5368709120 bytes, more than the 4294967295 a Windows program holds"},
        {"unpack FILE -o out/product", "binary", 1, "not a Windows program (no MZ header)"},
        {"unpack FILE -o out/product", "unreadable", 2, "cannot read: Input/output error"},
        {"unpack FILE -o out/product", "folder", 2, "is a directory"},
        {"help FILE -o out/help.hlp", "huge", 2, "too large: 5368709120 bytes, more than the 16 MiB zep help reads"},
        {"help FILE -o out/help.hlp", "unreadable", 2, "cannot read: Input/output error"},
        {"help FILE -o out/help.hlp", "folder", 2, "is a directory"},
        {"pack FILE --flat out/flat --stub STUB", "empty", 1, "not a folder"},
        {"pack FILE --flat out/flat --stub STUB", "huge", 1, "not a folder"},
        {"pack FILE --flat out/flat --stub STUB", "unreadable", 1, "not a folder"},
        {"pack FILE --flat out/flat --stub STUB", "folder", 1, "has no INSTALL.INI"},
    };
    const std::set<std::string> before = Listing(dir);
    for (const Case& c : cases) {
        if (!unreadable && std::string(c.input) == "unreadable") continue;
        std::string args = c.args;
        args.replace(args.find("FILE"), 4, c.input);
        // A zep built without the i686 setup.exe packs only with a stub given.
        if (const std::size_t stub = args.find("STUB"); stub != std::string::npos) {
            args.replace(stub, 4, "'" ZEP_STUB_WIN64 "'");
        }
        const std::string command = args.substr(0, args.find(' '));
        const Result r = Zep(dir, args);
        EXPECT_EQ(r.status, c.status) << "zep " << args << "\n" << r.output;
        EXPECT_EQ(r.output, "zep " + command + ": " + c.input + ": " + c.line + "\n") << "zep " << args;
        EXPECT_EQ(Listing(dir), before) << "zep " << args << " wrote something";
    }
    // What is empty or means nothing to a reader of text is an input with errors, each
    // named with its file: exit status 1, and still nothing written.
    for (const char* args : {"check empty", "help empty -o out/help.hlp", "help binary -o out/help.hlp"}) {
        const Result r = Zep(dir, args);
        const std::string input = std::string(args).substr(std::string(args).find(' ') + 1);
        EXPECT_EQ(r.status, 1) << args << "\n" << r.output;
        EXPECT_EQ(r.output.rfind(input.substr(0, input.find(' ')) + ": error: ", 0), 0u) << args << "\n" << r.output;
        EXPECT_EQ(Listing(dir), before) << args << " wrote something";
    }
    fs::remove_all(dir);
    if (!unreadable) GTEST_SKIP() << "no /proc/self/mem: the unreadable file was not tried";
}

}  // namespace
