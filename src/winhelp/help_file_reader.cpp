#include <string_view>

#include "winhelp/help_file.h"
#include "winhelp/help_format.h"

namespace zep::winhelp {

using namespace format;

namespace {

struct Range {
    std::size_t begin = 0, end = 0;
};

struct FontInfo {
    bool bold;
    unsigned half_points;
};

class Parser {
public:
    Parser(const Bytes& file, HelpFileContents& out, std::string& error) : f_(file), out_(out), error_(error) {}

    bool run() {
        if (!HasHelpFileSignature(f_.data(), f_.size())) return fail("not a help file: it does not start with 3F 5F 03 00");
        std::uint32_t directory = 0, size = 0;
        if (!u32(4, directory) || !u32(12, size)) return fail("the file's header is cut short");
        if (size > f_.size()) {
            return fail("the file is cut short: its header says " + std::to_string(size) + " bytes, it has " +
                        std::to_string(f_.size()));
        }
        Range dir;
        if (!internal_file(directory, "the directory", dir)) return false;
        bool listed = each_leaf(dir, "the directory", Keys::kName, [this](std::size_t at, std::size_t end) -> std::size_t {
            std::string name;
            std::size_t n = string_at(at, end, name);
            std::uint32_t offset = 0;
            if (n == 0 || !u32(at + n, offset) || at + n + 4 > end) return 0;
            Range r;
            if (!internal_file(offset, name, r)) return 0;
            files_[name] = r;
            out_.files[name] = {offset, 0, static_cast<std::uint32_t>(r.end - r.begin)};
            u32(offset, out_.files[name].reserved);
            return n + 4;
        });
        if (!listed) return false;
        return system() && fonts() && topics() && context_map() && contexts() && titles();
    }

private:
    bool fail(std::string why) {
        if (error_.empty()) error_ = std::move(why);
        return false;
    }

    bool u16(std::size_t at, std::uint32_t& v) const {
        if (at > f_.size() || f_.size() - at < 2) return false;
        v = f_[at] | f_[at + 1] << 8;
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& v) const {
        std::uint32_t lo = 0, hi = 0;
        if (!u16(at, lo) || !u16(at + 2, hi)) return false;
        v = lo | hi << 16;
        return true;
    }
    // The length of the NUL-terminated string at `at` with its NUL, or 0 when none ends before `end`.
    std::size_t string_at(std::size_t at, std::size_t end, std::string& s) const {
        for (std::size_t i = at; i < end && i < f_.size(); ++i) {
            if (f_[i] == 0) {
                s.assign(f_.begin() + static_cast<std::ptrdiff_t>(at), f_.begin() + static_cast<std::ptrdiff_t>(i));
                return i - at + 1;
            }
        }
        return 0;
    }

    bool internal_file(std::uint32_t at, const std::string& name, Range& r) {
        std::uint32_t reserved = 0, used = 0;
        if (!u32(at, reserved) || !u32(at + 4, used) || used > f_.size() || at + kFileHeader > f_.size() - used ||
            reserved < used + kFileHeader) {
            return fail(name + " does not fit in the file");
        }
        r = {at + kFileHeader, at + kFileHeader + used};
        return true;
    }

    // How a tree's keys are compared: names as strings, or four-byte numbers.
    enum class Keys { kName, kSigned, kUnsigned };

    struct Tree {
        std::size_t first;  // page 0
        std::uint32_t page_size, root, pages, levels;
    };

    std::size_t key_length(std::size_t at, std::size_t end, Keys keys) const {
        if (keys != Keys::kName) return end - at >= 4 ? 4 : 0;
        std::string ignored;
        return string_at(at, end, ignored);
    }

    int compare(std::size_t a, std::size_t b, Keys keys) const {
        std::uint32_t x = 0, y = 0;
        if (keys == Keys::kName) {
            while (f_[a] != 0 && f_[a] == f_[b]) ++a, ++b;  // both end within their pages
            return f_[a] < f_[b] ? -1 : f_[a] > f_[b] ? 1 : 0;
        }
        u32(a, x);
        u32(b, y);
        if (keys == Keys::kSigned) return static_cast<std::int32_t>(x) < static_cast<std::int32_t>(y) ? -1 : x == y ? 0 : 1;
        return x < y ? -1 : x == y ? 0 : 1;
    }

    // The leaf page that a viewer's search for the key at `key` reaches through the index
    // pages, or 0xFFFFFFFF when an index page is bad.
    std::uint32_t find_leaf(const Tree& t, Keys keys, std::size_t key) const {
        std::uint32_t page = t.root;
        for (std::uint32_t level = 1; level < t.levels; ++level) {
            if (page >= t.pages) return kNone;
            const std::size_t at = t.first + page * t.page_size, end = at + t.page_size;
            std::uint32_t count = 0, child = 0;
            u16(at + 2, count);
            u16(at + 4, child);
            std::size_t p = at + kIndexHeader;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::size_t n = key_length(p, end, keys);
                if (n == 0 || end - p < n + 2) return kNone;
                if (compare(p, key, keys) > 0) break;
                u16(p + n, child);
                p += n + 2;
            }
            page = child;
        }
        return page;
    }

    // Calls entry(at, end) for each leaf entry in order; it returns the entry's length, 0
    // when bad. Every entry must also be found the way a viewer searches.
    template <typename Entry>
    bool each_leaf(const Range& r, const std::string& name, Keys keys, Entry&& entry) {
        std::uint32_t magic = 0;
        Tree t{r.begin + kBTreeHeader, 0, 0, 0, 0};
        if (!u16(r.begin, magic) || magic != kBTreeMagic || r.end - r.begin < kBTreeHeader) {
            return fail(name + " is not a B+ tree");
        }
        u16(r.begin + 4, t.page_size);
        u16(r.begin + 26, t.root);
        u16(r.begin + 30, t.pages);
        u16(r.begin + 32, t.levels);
        if (t.page_size < kLeafHeader || (r.end - t.first) / t.page_size < t.pages || t.levels > t.pages) {
            return fail(name + ": its pages do not fit");
        }
        std::uint32_t page = t.root;
        for (std::uint32_t level = 1; level < t.levels; ++level) {
            if (page >= t.pages || !u16(t.first + page * t.page_size + 4, page)) return fail(name + ": a bad index page");
        }
        std::vector<std::pair<std::uint32_t, std::size_t>> found;  // leaf page, entry
        for (std::uint32_t visited = 0; page != 0xFFFF; ++visited) {
            if (page >= t.pages || visited == t.pages) return fail(name + ": a bad leaf page");
            const std::size_t at = t.first + page * t.page_size, end = at + t.page_size;
            std::uint32_t count = 0;
            u16(at + 2, count);
            std::size_t e = at + kLeafHeader;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::size_t n = entry(e, end);
                if (n == 0 || key_length(e, end, keys) == 0) return fail(name + ": a bad entry");
                found.emplace_back(page, e);
                e += n;
            }
            u16(at + 6, page);
        }
        for (const auto& [leaf, at] : found) {
            if (find_leaf(t, keys, at) != leaf) return fail(name + ": its index pages do not lead to every entry");
        }
        return true;
    }

    bool file(const char* name, Range& r, bool required) {
        auto it = files_.find(name);
        if (it == files_.end()) return !required || fail(std::string("no internal file ") + name);
        r = it->second;
        return true;
    }

    bool system() {
        Range r;
        if (!file("|SYSTEM", r, true)) return false;
        std::uint32_t magic = 0, minor = 0, major = 0, flags = 0;
        if (!u16(r.begin, magic) || !u16(r.begin + 2, minor) || !u16(r.begin + 4, major) || !u16(r.begin + 10, flags) ||
            r.end - r.begin < 12 || magic != kSystemMagic || major != 1) {
            return fail("|SYSTEM has no valid header");
        }
        if (minor <= 16 || (flags != 4 && flags != 8)) {
            return fail("only WinHelp 3.1 files with LZ77-coded topics are read (version " + std::to_string(minor) +
                        ", flags " + std::to_string(flags) + ")");
        }
        block_size_ = flags == 4 ? 4096 : 2048;
        for (std::size_t at = r.begin + 12; at + 4 <= r.end;) {
            std::uint32_t type = 0, size = 0;
            u16(at, type);
            u16(at + 2, size);
            const std::size_t data = at + 4;
            if (size > r.end - data) return fail("|SYSTEM: a record does not fit");
            if (type == kSystemTitle && string_at(data, data + size, out_.title) == 0) return fail("|SYSTEM: a bad title");
            if (type == kSystemContents && (size != 4 || !u32(data, out_.contents))) return fail("|SYSTEM: a bad contents topic");
            at = data + size;
        }
        return true;
    }

    bool fonts() {
        Range r;
        if (!file("|FONT", r, true)) return false;
        std::uint32_t count = 0, at = 0;
        if (!u16(r.begin + 2, count) || !u16(r.begin + 6, at) || at + count * kFontDescriptorSize > r.end - r.begin) {
            return fail("|FONT: the fonts do not fit");
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            std::size_t d = r.begin + at + i * kFontDescriptorSize;
            fonts_.push_back({(f_[d] & 1) != 0, f_[d + 1]});
        }
        if (fonts_.empty()) return fail("|FONT has no fonts");
        return true;
    }

    // One block's data expanded: a flag byte, then for each of its bits from the lowest a
    // literal byte (0) or a two-byte back-reference (1): 12 bits of distance - 1, 4 of length - 3.
    bool expand(std::size_t at, std::size_t end, Bytes& out) {
        while (at < end && out.size() < kExpandedBlock) {
            const std::uint8_t flags = f_[at++];
            for (int bit = 0; bit < 8 && at < end && out.size() < kExpandedBlock; ++bit) {
                if ((flags & (1 << bit)) == 0) {
                    out.push_back(f_[at++]);
                    continue;
                }
                std::uint32_t code = 0;
                if (!u16(at, code) || at + 2 > end) return true;
                at += 2;
                const std::size_t distance = (code & 0xFFF) + 1;
                if (distance > out.size()) return fail("|TOPIC: a back-reference before the block's start");
                for (std::uint32_t n = (code >> 12) + 3; n > 0 && out.size() < kExpandedBlock; --n) {
                    out.push_back(out[out.size() - distance]);
                }
            }
        }
        return true;
    }

    bool topics() {
        Range r;
        if (!file("|TOPIC", r, true)) return false;
        for (std::size_t at = r.begin; at < r.end; at += block_size_) {
            blocks_.emplace_back();
            if (r.end - at < kBlockHeader) break;
            if (!expand(at + kBlockHeader, std::min(r.end, at + block_size_), blocks_.back())) return false;
        }
        std::uint32_t characters = 0;
        std::size_t last_block = blocks_.size();
        for (std::uint32_t pos = kBlockHeader; pos != kNone && pos != 0;) {
            const std::size_t block = (pos - kBlockHeader) / kPosPerBlock, at = (pos - kBlockHeader) % kPosPerBlock;
            if (pos < kBlockHeader || block >= blocks_.size()) return fail("|TOPIC: a link outside the topics");
            const Bytes& b = blocks_[block];
            std::uint32_t size = 0, text_size = 0, next = 0, data1 = 0;
            if (!get32(b, at, size) || !get32(b, at + 4, text_size) || !get32(b, at + 12, next) ||
                !get32(b, at + 16, data1) || data1 < kLinkHeader || size < data1 || size > b.size() - at) {
                return fail("|TOPIC: a link that does not fit its block");
            }
            if (text_size != size - data1) return fail("|TOPIC: phrase-compressed text is not read");
            if (block != last_block) {
                characters = 0;
                last_block = block;
            }
            const Range d1{at + kLinkHeader, at + data1}, d2{at + data1, at + size};
            const std::uint8_t type = b[at + 20];
            if (type == kTopicHeader) {
                HelpFileTopic t;
                t.offset = static_cast<std::uint32_t>(block * kOffsetPerBlock + characters);
                std::size_t end = d2.begin;
                while (end < d2.end && b[end] != 0) ++end;
                t.title.assign(b.begin() + static_cast<std::ptrdiff_t>(d2.begin), b.begin() + static_cast<std::ptrdiff_t>(end));
                out_.topics.push_back(std::move(t));
            } else if (type == kDisplayText) {
                std::uint32_t length = 0;
                if (out_.topics.empty()) return fail("|TOPIC: text before the first topic");
                if (!text_record(b, d1, d2, length)) return false;
                characters += length;
            } else {
                return fail("|TOPIC: records of type " + std::to_string(type) + " are not read");
            }
            if (next != kNone && next != 0 && next <= pos) return fail("|TOPIC: the links go backwards");
            pos = next;
        }
        // The last topic header, empty, only ends the topic before it.
        if (!out_.topics.empty() && out_.topics.back().title.empty() && out_.topics.back().paragraphs.empty() &&
            out_.topics.back().heading.empty()) {
            out_.topics.pop_back();
        }
        return true;
    }

    static bool get32(const Bytes& b, std::size_t at, std::uint32_t& v) {
        if (at > b.size() || b.size() - at < 4) return false;
        v = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
        return true;
    }

    // Packed numbers: the low bit of the first byte says whether the long form follows.
    static bool packed(const Bytes& b, std::size_t& at, std::size_t end, bool wide, std::uint32_t& v) {
        if (at >= end) return false;
        const bool long_form = (b[at] & 1) != 0;
        std::size_t n = (wide ? 2 : 1) * (long_form ? 2 : 1);
        if (n > end - at) return false;
        v = 0;
        for (std::size_t k = 0; k < n; ++k) v |= static_cast<std::uint32_t>(b[at + k]) << 8 * k;
        at += n;
        v >>= 1;
        return true;
    }

    bool text_record(const Bytes& b, Range d1, const Range& d2, std::uint32_t& length) {
        std::uint32_t v = 0, bits = 0;
        std::size_t& at = d1.begin;
        if (!packed(b, at, d1.end, true, v) || !packed(b, at, d1.end, false, length) || d1.end - at < 6) {
            return fail("|TOPIC: a text record without its paragraph format");
        }
        bits = b[at + 4] | b[at + 5] << 8;
        at += 6;
        bool ok = (bits & 1) == 0 || packed(b, at, d1.end, true, v);
        for (unsigned bit : {kSpaceAbove, kSpaceBelow, kLineSpacing, kLeftIndent, kRightIndent, kFirstLineIndent}) {
            if ((bits & bit) != 0) ok = ok && packed(b, at, d1.end, false, v);
        }
        if ((bits & kBorder) != 0) at += 3;
        if ((bits & kTabs) != 0 && ok) {
            std::uint32_t tab = 0;
            const bool long_form = at < d1.end && (b[at] & 1) != 0;
            ok = packed(b, at, d1.end, false, tab);
            const std::int32_t tabs = static_cast<std::int32_t>(tab) - (long_form ? 16384 : 64);  // signed: biased
            for (std::int32_t i = 0; ok && i < tabs; ++i) {
                ok = packed(b, at, d1.end, false, tab) && ((tab & 0x4000) == 0 || packed(b, at, d1.end, false, v));
            }
        }
        if (!ok || at > d1.end) return fail("|TOPIC: a bad paragraph format");

        struct Piece {
            std::string text;
            std::uint16_t font;
        };
        std::vector<Piece> pieces;
        std::uint16_t font = 0;
        std::size_t text = d2.begin;
        for (;;) {
            std::size_t end = text;
            while (end < d2.end && b[end] != 0) ++end;
            if (end == d2.end || at >= d1.end) return fail("|TOPIC: text without its end");
            if (end > text) pieces.push_back({std::string(b.begin() + static_cast<std::ptrdiff_t>(text), b.begin() + static_cast<std::ptrdiff_t>(end)), font});
            text = end + 1;
            const std::uint8_t command = b[at++];
            if (command == kCommandEnd) break;
            if (command == kCommandFont) {
                if (d1.end - at < 2 || (b[at] | b[at + 1] << 8) >= static_cast<int>(fonts_.size())) {
                    return fail("|TOPIC: a font that |FONT does not have");
                }
                font = static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
                at += 2;
            } else if (command == kCommandParagraphEnd) {
                add_paragraph(pieces, (bits & kLeftIndent) != 0);
                pieces.clear();
            } else if (command == kCommandLineBreak || command == kCommandTab) {
                pieces.push_back({command == kCommandTab ? "\t" : "\n", font});
            } else {
                return fail("|TOPIC: formatting command " + std::to_string(command) + " is not read");
            }
        }
        add_paragraph(pieces, (bits & kLeftIndent) != 0);
        return true;
    }

    template <typename Pieces>
    void add_paragraph(const Pieces& pieces, bool indented) {
        if (pieces.empty()) return;
        HelpFileTopic& t = out_.topics.back();
        bool heading = t.paragraphs.empty() && t.heading.empty();
        Paragraph p;
        for (const auto& piece : pieces) {
            const FontInfo& f = fonts_[piece.font];
            heading = heading && f.half_points > fonts_[0].half_points;
            if (!p.spans.empty() && p.spans.back().bold == f.bold) {
                p.spans.back().text += piece.text;
            } else {
                p.spans.push_back({piece.text, f.bold});
            }
        }
        if (heading) {
            for (const Span& s : p.spans) t.heading += s.text;
            return;
        }
        const std::string_view bullet(kBullet);
        if (indented && !p.spans[0].bold && std::string_view(p.spans[0].text).substr(0, bullet.size()) == bullet) {
            p.list_item = true;
            p.spans[0].text.erase(0, bullet.size());
            if (p.spans[0].text.empty()) p.spans.erase(p.spans.begin());
        }
        if (!p.spans.empty()) t.paragraphs.push_back(std::move(p));
    }

    bool context_map() {
        Range r;
        if (!file("|CTXOMAP", r, false)) return false;
        if (r.end == r.begin) return true;  // none, or empty
        std::uint32_t count = 0;
        if (r.end - r.begin < 2 || !u16(r.begin, count) || count > (r.end - r.begin - 2) / 8) {
            return fail("|CTXOMAP: its entries do not fit");
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t context = 0, offset = 0;
            u32(r.begin + 2 + i * 8, context);
            u32(r.begin + 6 + i * 8, offset);
            out_.map[context] = offset;
        }
        return true;
    }

    bool contexts() {
        Range r;
        if (!file("|CONTEXT", r, true)) return false;
        return each_leaf(r, "|CONTEXT", Keys::kSigned, [this](std::size_t at, std::size_t end) -> std::size_t {
            std::uint32_t hash = 0, offset = 0;
            if (end - at < 8 || !u32(at, hash) || !u32(at + 4, offset)) return 0;
            out_.hashes[static_cast<std::int32_t>(hash)] = offset;
            return 8;
        });
    }

    bool titles() {
        Range r;
        if (!file("|TTLBTREE", r, false)) return false;
        if (r.end == r.begin) return true;
        return each_leaf(r, "|TTLBTREE", Keys::kUnsigned, [this](std::size_t at, std::size_t end) -> std::size_t {
            std::uint32_t offset = 0;
            std::string title;
            if (end - at < 5 || !u32(at, offset)) return 0;
            std::size_t n = string_at(at + 4, end, title);
            if (n == 0) return 0;
            out_.titles[offset] = title;
            return 4 + n;
        });
    }

    const Bytes& f_;
    HelpFileContents& out_;
    std::string& error_;
    std::map<std::string, Range> files_;
    std::vector<FontInfo> fonts_;
    std::size_t block_size_ = 4096;
    std::vector<Bytes> blocks_;
};

}  // namespace

bool HasHelpFileSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 4 && (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24) == kHelpFileMagic;
}

const HelpFileTopic* HelpFileContents::topic_at(std::uint32_t offset) const {
    for (const HelpFileTopic& t : topics) {
        if (t.offset == offset) return &t;
    }
    return nullptr;
}

bool ReadHelpFile(const std::vector<std::uint8_t>& file, HelpFileContents& out, std::string& error) {
    out = {};
    error.clear();
    Parser parser(file, out, error);
    return parser.run() && error.empty();
}

}  // namespace zep::winhelp
