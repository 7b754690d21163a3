#include "winhelp/help_source.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace zep::winhelp {

namespace {

bool Blank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

std::string_view Trim(std::string_view s) {
    std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Bytes that a Windows-1252 reader has no character for.
bool UndefinedIn1252(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

// The length of a UTF-8 sequence at s[i] of two bytes or more, or 0. Text that holds one
// was written as UTF-8: as Windows-1252 it would read as two or three odd characters.
std::size_t Utf8Sequence(std::string_view s, std::size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    }
    return n;
}

// The first reason a line is not 8-bit ANSI text, or "".
std::string EncodingProblem(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", c);
        if (c < 0x20 && c != '\t') return std::string("control character ") + hex + ": not text";
        if (std::size_t n = Utf8Sequence(line, i); n > 0) {
            return "\"" + std::string(line.substr(i, n)) +
                   "\" is UTF-8, not 8-bit ANSI: save the source as Windows-1252 (ANSI)";
        }
        if (UndefinedIn1252(c)) return std::string("byte ") + hex + " is no Windows-1252 character";
    }
    return {};
}

class Reader {
public:
    Reader(HelpSource& out, std::vector<SourceError>& errors) : out_(out), errors_(errors) {}

    void line(int number, std::string_view text) {
        if (std::string why = EncodingProblem(text); !why.empty()) error(number, why);
        if (Blank(text)) {
            end_paragraph();
            return;
        }
        if (text[0] == '#') {
            heading(number, text);
            return;
        }
        std::string_view body = Trim(text);
        if (current() == nullptr) {
            before_topics(number, body);
            return;
        }
        if (body.size() >= 2 && body[0] == '-' && body[1] == ' ') {
            end_paragraph();
            start_paragraph(number, true);
            raw_ += Trim(body.substr(2));
        } else if (raw_line_ == 0) {
            start_paragraph(number, false);
            raw_ += body;
        } else {
            raw_ += ' ';
            raw_ += body;
        }
    }

    void finish() {
        end_topic();
        if (out_.topics.empty() && !saw_heading_) {
            error(0, "no topics: a topic starts with a line '# NUMBER TITLE', such as '# 3904 Read me'");
        }
    }

private:
    void error(int line, std::string message) { errors_.push_back({line, std::move(message)}); }

    void before_topics(int number, std::string_view body) {
        if (title_line_ != 0) {
            error(number, "text before the first topic: only one line, the help file's title, may come before "
                          "the first '# NUMBER TITLE'");
            return;
        }
        title_line_ = number;
        if (body.size() > kMaxTitle) {
            error(number, "the title has " + std::to_string(body.size()) + " characters; at most " +
                              std::to_string(kMaxTitle));
        }
        out_.title = body;
    }

    void heading(int number, std::string_view text) {
        end_topic();
        saw_heading_ = true;
        topic_ = kNone;
        std::string_view rest = Trim(text.substr(1));
        std::size_t digits = 0;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
        if (digits == 0 || (digits < rest.size() && rest[digits] != ' ' && rest[digits] != '\t')) {
            error(number, "heading without a context number: write '# NUMBER TITLE', such as '# 3904 Read me'");
            dropped_ = {};
            dropped_.line = number;
            topic_ = kDropped;
            return;
        }
        std::uint64_t context = 0;
        for (std::size_t i = 0; i < digits && context <= kMaxContext; ++i) context = context * 10 + (rest[i] - '0');
        std::string_view title = Trim(rest.substr(digits));
        bool ok = true;
        if (context == 0 || context > kMaxContext) {
            error(number, "context number " + std::string(rest.substr(0, digits)) + " is out of range: 1 to " +
                              std::to_string(kMaxContext));
            ok = false;
        } else if (auto [at, fresh] = lines_.emplace(static_cast<std::uint32_t>(context), number); !fresh) {
            error(number, "context " + std::to_string(context) + " is used twice: its topic is on line " +
                              std::to_string(at->second));
            ok = false;
        }
        if (title.empty()) {
            error(number, "heading without a title: write '# " + std::to_string(context) + " TITLE'");
            ok = false;
        } else if (title.size() > kMaxTitle) {
            error(number, "the title has " + std::to_string(title.size()) + " characters; at most " +
                              std::to_string(kMaxTitle));
            ok = false;
        }
        if (ok && out_.topics.size() == kMaxTopics) {
            error(number, "more than " + std::to_string(kMaxTopics) + " topics");
            ok = false;
        }
        Topic t;
        t.context = static_cast<std::uint32_t>(context);
        t.title = title;
        t.line = number;
        if (ok) {
            out_.topics.push_back(std::move(t));
            topic_ = static_cast<int>(out_.topics.size()) - 1;
        } else {
            dropped_ = std::move(t);  // its text is still read, so errors in it are found too
            topic_ = kDropped;
        }
    }

    void start_paragraph(int number, bool list_item) {
        raw_line_ = number;
        list_item_ = list_item;
        raw_.clear();
    }

    // Turns the paragraph's text into spans: "**" switches bold, a backslash makes the
    // next \ * # or - plain.
    void end_paragraph() {
        if (raw_line_ == 0) return;
        Paragraph p;
        p.list_item = list_item_;
        bool bold = false;
        std::string text;
        std::size_t length = 0;
        auto flush = [&] {
            if (text.empty()) return;
            if (!p.spans.empty() && p.spans.back().bold == bold) {
                p.spans.back().text += text;
            } else {
                p.spans.push_back({text, bold});
            }
            text.clear();
        };
        for (std::size_t i = 0; i < raw_.size(); ++i) {
            char c = raw_[i];
            if (c == '\\' && i + 1 < raw_.size() && std::string_view("\\*#-").find(raw_[i + 1]) != std::string_view::npos) {
                text += raw_[++i];
            } else if (c == '*' && i + 1 < raw_.size() && raw_[i + 1] == '*') {
                flush();
                bold = !bold;
                ++i;
                continue;
            } else {
                text += c == '\t' ? ' ' : c;
            }
            ++length;
        }
        flush();
        if (bold) error(raw_line_, "'**' starts bold text that this paragraph does not end");
        std::size_t bold_spans = std::count_if(p.spans.begin(), p.spans.end(), [](const Span& s) { return s.bold; });
        if (bold_spans > kMaxBoldSpans) {
            error(raw_line_, "the paragraph has " + std::to_string(bold_spans) + " bold passages; at most " +
                                 std::to_string(kMaxBoldSpans));
        }
        if (length > kMaxParagraph) {
            error(raw_line_, "the paragraph has " + std::to_string(length) + " characters; at most " +
                                 std::to_string(kMaxParagraph) + ": split it with a blank line");
        }
        if (!p.spans.empty()) current()->paragraphs.push_back(std::move(p));
        raw_line_ = 0;
    }

    void end_topic() {
        end_paragraph();
        const Topic* t = current();
        if (t != nullptr && topic_ != kDropped && t->paragraphs.empty()) {
            error(t->line, "topic " + std::to_string(t->context) + " (" + t->title + ") has no text");
        }
    }

    HelpSource& out_;
    std::vector<SourceError>& errors_;
    static constexpr int kNone = -1, kDropped = -2;
    Topic* current() { return topic_ == kNone ? nullptr : topic_ == kDropped ? &dropped_ : &out_.topics[topic_]; }

    int topic_ = kNone;  // the topic being read: an index into out_.topics, or kNone, or kDropped
    Topic dropped_;      // a topic whose heading has errors
    bool saw_heading_ = false;
    int title_line_ = 0;
    std::map<std::uint32_t, int> lines_;  // context -> line of its heading
    int raw_line_ = 0;                    // first line of the paragraph being read, 0 for none
    bool list_item_ = false;
    std::string raw_;
};

}  // namespace

bool ReadHelpSource(std::string_view text, HelpSource& out, std::vector<SourceError>& errors) {
    out = {};
    errors.clear();
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
        errors.push_back({0, "the file is UTF-16, not 8-bit ANSI: save the source as Windows-1252 (ANSI)"});
        return false;
    }
    if (text.find('\0') != std::string_view::npos) {
        errors.push_back({0, "the file holds NUL bytes: it is not a text file"});
        return false;
    }
    Reader reader(out, errors);
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        reader.line(++number, line);
        start = end + 1;
    }
    reader.finish();
    std::stable_sort(errors.begin(), errors.end(),
                     [](const SourceError& a, const SourceError& b) { return a.line < b.line; });
    return errors.empty();
}

}  // namespace zep::winhelp
