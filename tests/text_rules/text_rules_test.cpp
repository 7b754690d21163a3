// Replays every answer Wine 8 gave for the corpus (record.sh) through our text rules and
// wants the same: the sign of each comparison, the order of every ranked list (each pair
// of its strings, in both directions), sort keys byte for byte, case and OEM mappings.
// One test per group of answers ("# name" lines in corpus/queries.txt).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sim/text_rules.h"
#include "tests/support/probe_notation.h"

namespace zep::sim {
namespace {

using probe::AnswerGroup;
using probe::Field;
using probe::FromHex;
using probe::Hex;
using probe::LoadAnswerGroups;
using probe::Split;
using probe::Unescape;

// Bytes in the probes' notation, quoted, for failure messages.
std::string Visible(const char* text) {
    return text == nullptr ? "(null)" : "\"" + probe::Escape(text) + "\"";
}

int Sign(int r) { return r < 0 ? -1 : r > 0 ? 1 : 0; }

class Replayer {
public:
    explicit Replayer(const std::vector<std::string>& lines) {
        // An unexplained answer overrides what the ranking before it says.
        for (const std::string& line : lines) {
            std::vector<std::string> f = Split(line);
            if (f[0] == "unexplained" && f.size() == 5)
                exceptions_[{f[1] == "nocase", Unescape(f[2]).text, Unescape(f[3]).text}] = std::stoi(f[4]);
        }
    }

    void Replay(const std::string& line) {
        std::vector<std::string> raw = Split(line);
        const std::string& op = raw[0];
        std::vector<Field> f;
        for (std::size_t i = 1; i < raw.size(); ++i) f.push_back(Unescape(raw[i]));
        if (op == "env") {
            // The rules are those of code pages 1252 and 437 under US English.
            ASSERT_EQ(f.size(), 3u);
            EXPECT_EQ(f[0].text, "1252");
            EXPECT_EQ(f[1].text, "437");
            EXPECT_EQ(f[2].text, "0409");
        } else if (op == "cmp") {
            ASSERT_EQ(f.size(), 4u);
            ExpectCompare(false, f[0].ptr(), f[1].ptr(), std::stoi(f[2].text));
            ExpectCompare(true, f[0].ptr(), f[1].ptr(), std::stoi(f[3].text));
        } else if (op == "order") {
            ASSERT_GE(f.size(), 3u);
            std::vector<std::string> items;
            std::vector<int> ranks;
            int rank = 0;
            for (std::size_t i = 1; i < f.size(); i += 2) {
                if (i > 1 && f[i - 1].text == "<") ++rank;
                items.push_back(f[i].text);
                ranks.push_back(rank);
            }
            ExpectRanking(f[0].text == "nocase", items, ranks);
        } else if (op == "rank") {
            ASSERT_EQ(f.size(), 2u);
            std::vector<std::string> items;
            std::vector<int> ranks;
            int rank = 0;
            for (std::size_t i = 0; i < f[1].text.size(); i += 3) {
                if (i > 0 && f[1].text[i - 1] == ' ') ++rank;
                std::string byte = FromHex(f[1].text.substr(i, 2));
                items.push_back(byte == std::string(1, '\0') ? "" : byte);
                ranks.push_back(rank);
            }
            ASSERT_EQ(items.size(), 256u);
            ExpectRanking(f[0].text == "nocase", items, ranks);
        } else if (op == "key") {
            ASSERT_EQ(f.size(), 3u);
            EXPECT_EQ(Hex(AnsiSortKey(f[0].ptr(), false)), f[1].text) << Visible(f[0].ptr());
            EXPECT_EQ(Hex(AnsiSortKey(f[0].ptr(), true)), f[2].text) << Visible(f[0].ptr()) << " ignoring case";
        } else if (op == "map") {
            ASSERT_EQ(f.size(), 3u);
            std::string all(257, '\0');  // OemToAnsi's NUL lands in the last byte
            for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
            if (f[0].text == "upper" || f[0].text == "lower") {
                (f[0].text == "upper" ? UpperAnsi : LowerAnsi)(all.data(), 256);
                EXPECT_EQ(f[1].text, "256") << "returns the length";
            } else {
                ASSERT_EQ(f[0].text, "oem");
                OemToAnsi(all.c_str() + 1, all.data() + 1);
                EXPECT_EQ(f[1].text, "1");
            }
            std::string wanted = FromHex(f[2].text);
            ASSERT_EQ(wanted.size(), 256u);
            for (int i = 0; i < 256; ++i) {
                EXPECT_EQ(Hex(all.substr(i, 1)), Hex(wanted.substr(i, 1)))
                    << f[0].text << " of byte " << Hex(std::string(1, static_cast<char>(i)));
            }
        } else if (op == "upper" || op == "lower") {
            ASSERT_EQ(f.size(), 4u);
            std::uint32_t length = static_cast<std::uint32_t>(std::stoul(f[1].text));
            std::string text = f[0].text;
            (op == "upper" ? UpperAnsi : LowerAnsi)(text.data(), length);
            EXPECT_EQ(f[2].text, f[1].text) << "returns the length";
            EXPECT_EQ(Visible(text.c_str()), Visible(f[3].text.c_str()))
                << op << " " << length << " of " << Visible(f[0].ptr());
            EXPECT_EQ(text.size(), f[3].text.size());
        } else if (op == "oem") {
            ASSERT_EQ(f.size(), 5u);
            std::string apart(f[0].text.size() + 1, '\xA5');
            OemToAnsi(f[0].ptr(), apart.data());
            EXPECT_EQ(f[1].text, "1");
            EXPECT_EQ(apart, f[2].text + '\0') << Visible(f[0].ptr());
            std::string in_place = f[0].text;
            OemToAnsi(in_place.c_str(), in_place.data());
            EXPECT_EQ(f[3].text, "1");
            EXPECT_EQ(in_place, f[4].text) << Visible(f[0].ptr()) << " in place";
        } else if (op != "unexplained") {
            FAIL() << "unknown answer: " << line;
        }
    }

private:
    void ExpectCompare(bool ignore_case, const char* a, const char* b, int wanted) {
        EXPECT_EQ(CompareAnsi(a, b, ignore_case), wanted)
            << (ignore_case ? "lstrcmpiA(" : "lstrcmpA(") << Visible(a) << ", " << Visible(b) << ")";
    }

    // Every ordered pair, reporting only the first few that disagree.
    void ExpectRanking(bool ignore_case, const std::vector<std::string>& items, const std::vector<int>& ranks) {
        int wrong = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            for (std::size_t j = 0; j < items.size(); ++j) {
                auto exception = exceptions_.find({ignore_case, items[i], items[j]});
                int wanted = exception != exceptions_.end() ? exception->second : Sign(ranks[i] - ranks[j]);
                int got = CompareAnsi(items[i].c_str(), items[j].c_str(), ignore_case);
                if (got != wanted && ++wrong <= 10) {
                    ADD_FAILURE() << (ignore_case ? "lstrcmpiA(" : "lstrcmpA(") << Visible(items[i].c_str())
                                  << ", " << Visible(items[j].c_str()) << ") is " << wanted << ", not " << got;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "pairs ordered differently";
    }

    std::map<std::tuple<bool, std::string, std::string>, int> exceptions_;
};

class TextAnswers : public testing::TestWithParam<AnswerGroup> {};

TEST_P(TextAnswers, Match) {
    ASSERT_FALSE(GetParam().lines.empty());
    Replayer replayer(GetParam().lines);
    for (const std::string& line : GetParam().lines) {
        SCOPED_TRACE(line.substr(0, 120));
        replayer.Replay(line);
    }
}

INSTANTIATE_TEST_SUITE_P(Wine, TextAnswers,
                         testing::ValuesIn(LoadAnswerGroups(ZEP_TEXT_CORPUS "/answers.txt")),
                         [](const testing::TestParamInfo<AnswerGroup>& info) { return info.param.name; });

}  // namespace
}  // namespace zep::sim
