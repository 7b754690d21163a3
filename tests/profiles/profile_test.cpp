// Replays every answer Wine 8's kernel32 gave for the corpus (record.sh) through our
// profile functions and wants the same bytes: return values, whole buffers (including
// what is left untouched) and the files writes leave behind. One test per group of
// answers ("# name" lines in corpus/queries.txt).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/profile_text.h"
#include "tests/support/probe_notation.h"

namespace zep::sim {
namespace {

namespace fs = std::filesystem;
using probe::AnswerGroup;
using probe::Field;
using probe::FromHex;
using probe::LoadAnswerGroups;
using probe::Split;
using probe::Unescape;

const fs::path kCorpus = ZEP_PROFILE_CORPUS;
constexpr unsigned char kFill = 0xA5;  // what the probe filled its buffers with
constexpr std::size_t kGuard = 64;

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A probe buffer up to its last byte that is not the fill, as the answers give it.
std::string Hex(const unsigned char* p, std::size_t n) {
    while (n > 0 && p[n - 1] == kFill) --n;
    return probe::Hex(p, n);
}

// Bytes as C would write them, for failure messages.
std::string Visible(const std::string& bytes) {
    std::string s;
    char tmp[5];
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') s += static_cast<char>(c);
        else {
            std::snprintf(tmp, sizeof tmp, "\\x%02x", c);
            s += tmp;
        }
    }
    return s;
}

// The probe's folder: the corpus files, then whatever the group's writes make of copies.
class Folder {
public:
    Folder() {
        for (const auto& entry : fs::directory_iterator(kCorpus / "files"))
            files_[entry.path().filename().string()] = ReadFile(entry.path());
    }
    std::optional<std::string>& operator[](const std::string& name) { return files_[name]; }

private:
    std::map<std::string, std::optional<std::string>> files_;
};

void Replay(Folder& folder, const std::string& line) {
    SCOPED_TRACE(Visible(line));
    std::vector<std::string> raw = Split(line);
    std::vector<Field> f;
    for (std::size_t i = 1; i < raw.size(); ++i) f.push_back(Unescape(raw[i]));
    const std::string& op = raw[0];
    if (op == "get") {
        ASSERT_GE(f.size(), 7u);
        std::optional<std::string>& file = folder[f[0].text];
        std::uint32_t size = static_cast<std::uint32_t>(std::stoul(f[4].text));
        std::vector<unsigned char> buf(size + kGuard, kFill);
        std::uint32_t r = ProfileGetString(file ? &*file : nullptr, f[1].ptr(), f[2].ptr(), f[3].ptr(),
                                           reinterpret_cast<char*>(buf.data()), size);
        const std::string& expected = f[6].text;
        EXPECT_EQ(std::to_string(r), f[5].text);
        EXPECT_EQ(Hex(buf.data(), size), expected)
            << "wanted \"" << Visible(FromHex(expected)) << "\", got \""
            << Visible(FromHex(Hex(buf.data(), size))) << "\"";
        for (std::size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], kFill) << "written past the buffer";
    } else if (op == "int") {
        ASSERT_EQ(f.size(), 5u);
        std::optional<std::string>& file = folder[f[0].text];
        EXPECT_EQ(std::to_string(ProfileGetInt(file ? &*file : nullptr, f[1].ptr(), f[2].ptr(),
                                               std::stoi(f[3].text))),
                  f[4].text);
    } else if (op == "reset") {
        ASSERT_EQ(f.size(), 2u);
        folder[f[0].text] = f[1].null ? std::nullopt : folder[f[1].text];
    } else if (op == "write") {
        ASSERT_EQ(f.size(), 5u);
        std::optional<std::string>& file = folder[f[0].text];
        std::optional<std::string> before = file;
        bool rewritten = false;
        bool r = ProfileWriteString(file, f[1].ptr(), f[2].ptr(), f[3].ptr(), &rewritten);
        EXPECT_EQ(r ? "1" : "0", f[4].text);
        if (!rewritten) {
            EXPECT_EQ(file, before) << "changed without saying so";
        }
    } else if (op == "save") {
        ASSERT_EQ(f.size(), 3u);
        std::optional<std::string> expected = ReadFile(kCorpus / "written" / f[1].text);
        ASSERT_EQ(expected.has_value(), f[2].text == "exists") << "the recorded file is missing";
        std::optional<std::string>& file = folder[f[0].text];
        ASSERT_EQ(file.has_value(), expected.has_value());
        if (file) {
            EXPECT_EQ(Visible(*file), Visible(*expected));
        }
    } else {
        FAIL() << "unknown answer";
    }
}

class RecordedAnswers : public testing::TestWithParam<AnswerGroup> {};

TEST_P(RecordedAnswers, Match) {
    ASSERT_FALSE(GetParam().lines.empty());
    Folder folder;
    for (const std::string& line : GetParam().lines) Replay(folder, line);
}

INSTANTIATE_TEST_SUITE_P(Wine, RecordedAnswers,
                         testing::ValuesIn(LoadAnswerGroups((kCorpus / "answers.txt").string())),
                         [](const testing::TestParamInfo<AnswerGroup>& info) { return info.param.name; });

// The simulated platform relies on this to leave a file's bytes and time alone.
TEST(ProfileWriteString, ReportsARewriteOnlyWhenItMakesOne) {
    std::optional<std::string> file = "[S]\nk=v\n";
    bool rewritten = false;
    EXPECT_TRUE(ProfileWriteString(file, "s", " K ", "v", &rewritten));
    EXPECT_FALSE(rewritten);
    EXPECT_TRUE(ProfileWriteString(file, "S", "gone", nullptr, &rewritten));
    EXPECT_TRUE(ProfileWriteString(file, "Gone", nullptr, nullptr, &rewritten));
    EXPECT_FALSE(rewritten);
    EXPECT_EQ(file, "[S]\nk=v\n");

    EXPECT_TRUE(ProfileWriteString(file, "S", "k", "w", &rewritten));
    EXPECT_TRUE(rewritten);
    EXPECT_EQ(file, "[S]\r\nk=w\r\n");

    std::optional<std::string> missing;
    rewritten = false;
    EXPECT_TRUE(ProfileWriteString(missing, "S", "k", nullptr, &rewritten));
    EXPECT_FALSE(missing.has_value());
    EXPECT_FALSE(rewritten);
}

}  // namespace
}  // namespace zep::sim
