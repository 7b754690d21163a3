#include <algorithm>
#include <set>
#include <utility>

#include "winhelp/help_file.h"
#include "winhelp/help_format.h"

namespace zep::winhelp {

using namespace format;

namespace {

void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
void Put16(Bytes& b, unsigned v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Set16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}
void PutString(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// The packed numbers of paragraph records: an even first byte (or word) is the short form.
void PutPackedUnsigned16(Bytes& b, unsigned v) {
    if (v < 0x80) {
        Put8(b, v * 2);
    } else {
        Put16(b, v * 2 + 1);
    }
}
// Only the one-byte form (-64 to 63): some readers decode the negative two-byte form wrongly.
void PutPackedSigned16(Bytes& b, int v) { Put8(b, static_cast<unsigned>((v + 64) * 2)); }
void PutPackedSigned32(Bytes& b, std::int32_t v) {
    if (v >= -16384 && v < 16384) {
        Put16(b, static_cast<unsigned>((v + 16384) * 2));
    } else {
        Put32(b, (static_cast<std::uint32_t>(v) + 0x40000000u) * 2 + 1);
    }
}

struct ParagraphFormat {
    int above, below, left, first_line;  // spacing and indents, in half points
};
constexpr ParagraphFormat kHeadingFormat{0, 12, 0, 0};
constexpr ParagraphFormat kTextFormat{12, 0, 0, 0};
constexpr ParagraphFormat kListFormat{6, 0, 36, -24};

struct Run {
    std::string text;
    std::uint16_t font;
};

struct Link {
    std::uint8_t type;
    Bytes data1;  // after the link's own header
    Bytes data2;
    // Where the layout put it:
    std::size_t block = 0;
    std::uint32_t pos = 0;     // TOPICPOS
    std::uint32_t offset = 0;  // TOPICOFFSET
    std::size_t size() const { return kLinkHeader + data1.size() + data2.size(); }
};

Link TextLink(const std::vector<Run>& runs, const ParagraphFormat& f) {
    Link link{kDisplayText, {}, {}};
    // Strings and formatting commands alternate, a string first: "" font s0 font s1 ... sN
    // end-of-paragraph "" end.
    Bytes commands;
    link.data2.push_back(0);
    for (const Run& r : runs) {
        Put8(commands, kCommandFont);
        Put16(commands, r.font);
        PutString(link.data2, r.text);
    }
    Put8(commands, kCommandParagraphEnd);
    link.data2.push_back(0);
    Put8(commands, kCommandEnd);

    const std::uint32_t text_size = static_cast<std::uint32_t>(link.data2.size());
    PutPackedSigned32(link.data1, static_cast<std::int32_t>(text_size));
    PutPackedUnsigned16(link.data1, text_size);  // characters, NULs included: what TOPICOFFSETs count
    Put8(link.data1, 0x00);
    Put8(link.data1, 0x80);
    Put16(link.data1, 0);  // paragraph id
    unsigned bits = (f.above != 0 ? kSpaceAbove : 0) | (f.below != 0 ? kSpaceBelow : 0) |
                    (f.left != 0 ? kLeftIndent : 0) | (f.first_line != 0 ? kFirstLineIndent : 0);
    Put16(link.data1, bits);
    if (f.above != 0) PutPackedSigned16(link.data1, f.above);
    if (f.below != 0) PutPackedSigned16(link.data1, f.below);
    if (f.left != 0) PutPackedSigned16(link.data1, f.left);
    if (f.first_line != 0) PutPackedSigned16(link.data1, f.first_line);
    Append(link.data1, commands);
    return link;
}

Link HeaderLink(const std::string& title) {
    Link link{kTopicHeader, Bytes(kTopicHeaderSize, 0), {}};
    PutString(link.data2, title);
    return link;
}

std::vector<Run> Runs(const Paragraph& p) {
    std::vector<Run> runs;
    if (p.list_item) runs.push_back({kBullet, kPlain});
    for (const Span& s : p.spans) {
        std::uint16_t font = s.bold ? kBold : kPlain;
        if (!runs.empty() && runs.back().font == font) {
            runs.back().text += s.text;
        } else {
            runs.push_back({s.text, font});
        }
    }
    return runs;
}

// Every block's links LZ77-coded as plain literals: a zero flag byte before each eight bytes.
Bytes Literals(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 8) {
        out.push_back(0);
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(std::min(i + 8, data.size())));
    }
    return out;
}

class TopicWriter {
public:
    bool build(const HelpSource& source, std::string& error) {
        for (const Topic& t : source.topics) {
            headers_.push_back(links_.size());
            links_.push_back(HeaderLink(t.title));
            links_.push_back(TextLink({{t.title, kHeading}}, kHeadingFormat));
            for (const Paragraph& p : t.paragraphs) links_.push_back(TextLink(Runs(p), p.list_item ? kListFormat : kTextFormat));
        }
        // A last, empty topic header ends the last topic.
        headers_.push_back(links_.size());
        links_.push_back(HeaderLink(""));
        return place(error);
    }

    std::uint32_t topic_offset(std::size_t topic) const { return links_[headers_[topic]].offset; }

    Bytes file() {
        fill_headers();
        Bytes out;
        std::size_t first = 0;
        for (std::size_t block = 0; first < links_.size(); ++block) {
            std::size_t end = first;
            Bytes data;
            while (end < links_.size() && links_[end].block == block) append_link(data, end++);
            std::uint32_t last_header = kNone;
            for (std::size_t h : headers_) {
                if (h < first) last_header = links_[h].pos;
            }
            Bytes b;
            Put32(b, first == 0 ? kNone : links_[first - 1].pos);
            Put32(b, links_[first].pos);
            Put32(b, last_header);
            Append(b, Literals(data));
            b.resize(end < links_.size() ? kBlockSize : std::max(b.size(), kMinLastBlock), 0);
            Append(out, b);
            first = end;
        }
        return out;
    }

private:
    bool place(std::string& error) {
        std::size_t block = 0, used = 0;
        std::uint32_t characters = 0;
        for (Link& link : links_) {
            if (link.size() > kBlockData) {
                error = "a paragraph takes " + std::to_string(link.size()) + " bytes; a topic block holds " +
                        std::to_string(kBlockData);
                return false;
            }
            if (used + link.size() > kBlockData) {
                ++block;
                used = 0;
                characters = 0;
            }
            link.block = block;
            link.pos = static_cast<std::uint32_t>(block * kPosPerBlock + kBlockHeader + used);
            link.offset = static_cast<std::uint32_t>(block * kOffsetPerBlock + characters);
            used += link.size();
            if (link.type == kDisplayText) characters += static_cast<std::uint32_t>(link.data2.size());
        }
        if (block >= 0x8000) {
            error = "the topics need more than 32768 blocks";
            return false;
        }
        return true;
    }

    void fill_headers() {
        for (std::size_t i = 0; i < headers_.size(); ++i) {
            std::size_t at = headers_[i];
            std::size_t next = i + 1 < headers_.size() ? headers_[i + 1] : links_.size();
            std::uint32_t size = 0;
            for (std::size_t k = at; k < next; ++k) size += static_cast<std::uint32_t>(links_[k].size());
            Bytes& d = links_[at].data1;
            Set32(d, 0, size);
            Set32(d, 4, kNone);  // no browse sequence
            Set32(d, 8, kNone);
            Set32(d, 12, static_cast<std::uint32_t>(i));
            Set32(d, 16, kNone);  // no non-scrolling region
            Set32(d, 20, at + 1 < next ? links_[at + 1].pos : kNone);
            Set32(d, 24, i + 1 < headers_.size() ? links_[next].pos : kNone);
        }
    }

    void append_link(Bytes& data, std::size_t i) const {
        const Link& l = links_[i];
        Put32(data, static_cast<std::uint32_t>(l.size()));
        Put32(data, static_cast<std::uint32_t>(l.data2.size()));
        Put32(data, i == 0 ? kNone : links_[i - 1].pos);
        Put32(data, i + 1 == links_.size() ? kNone : links_[i + 1].pos);
        Put32(data, static_cast<std::uint32_t>(kLinkHeader + l.data1.size()));
        Put8(data, l.type);
        Append(data, l.data1);
        Append(data, l.data2);
    }

    std::vector<Link> links_;
    std::vector<std::size_t> headers_;  // indexes of the topic headers in links_
};

struct TreeEntry {
    Bytes leaf;
    Bytes key;  // what index pages repeat of it
};

// A B+ tree: leaves in order, then as many levels of index pages as it takes to reach
// one root. Pages are numbered in the order written.
Bytes BTree(std::uint16_t flags, std::uint16_t page_size, const char* structure, const std::vector<TreeEntry>& entries) {
    struct Child {
        std::uint16_t page;
        const Bytes* key;
    };
    std::vector<Bytes> pages;
    std::vector<Child> level;
    std::size_t i = 0;
    do {
        Bytes page(kLeafHeader, 0);
        std::size_t first = i;
        while (i < entries.size() && page.size() + entries[i].leaf.size() <= page_size) Append(page, entries[i++].leaf);
        Set16(page, 0, static_cast<unsigned>(page_size - page.size()));
        Set16(page, 2, static_cast<unsigned>(i - first));
        level.push_back({static_cast<std::uint16_t>(pages.size()), first < entries.size() ? &entries[first].key : nullptr});
        pages.push_back(std::move(page));
    } while (i < entries.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        Set16(pages[p], 4, p == 0 ? 0xFFFF : static_cast<unsigned>(p - 1));
        Set16(pages[p], 6, p + 1 == pages.size() ? 0xFFFF : static_cast<unsigned>(p + 1));
    }
    unsigned levels = 1;
    while (level.size() > 1) {
        std::vector<Child> up;
        for (std::size_t c = 0; c < level.size();) {
            Bytes page(kIndexHeader, 0);
            Set16(page, 4, level[c].page);  // keys below the first entry's
            up.push_back({static_cast<std::uint16_t>(pages.size()), level[c].key});
            unsigned count = 0;
            for (++c; c < level.size() && page.size() + level[c].key->size() + 2 <= page_size; ++c, ++count) {
                Append(page, *level[c].key);
                Put16(page, level[c].page);
            }
            Set16(page, 0, static_cast<unsigned>(page_size - page.size()));
            Set16(page, 2, count);
            pages.push_back(std::move(page));
        }
        level = std::move(up);
        ++levels;
    }
    Bytes tree;
    Put16(tree, kBTreeMagic);
    Put16(tree, flags);
    Put16(tree, page_size);
    Bytes name(16, 0);
    std::copy(structure, structure + std::char_traits<char>::length(structure), name.begin());
    Append(tree, name);
    Put16(tree, 0);
    Put16(tree, 0);  // page splits
    Put16(tree, level[0].page);
    Put16(tree, 0xFFFF);
    Put16(tree, static_cast<unsigned>(pages.size()));
    Put16(tree, levels);
    Put32(tree, static_cast<std::uint32_t>(entries.size()));
    for (Bytes& page : pages) {
        page.resize(page_size, 0);
        Append(tree, page);
    }
    return tree;
}

Bytes SystemFile(const HelpSource& source, std::uint32_t contents) {
    Bytes b;
    Put16(b, kSystemMagic);
    Put16(b, kVersion31);
    Put16(b, 1);
    Put32(b, 0);  // when it was made: left out, so the same source gives the same file
    Put16(b, kFlagsLz77Blocks4k);
    if (!source.title.empty()) {
        Put16(b, kSystemTitle);
        Put16(b, static_cast<unsigned>(source.title.size() + 1));
        PutString(b, source.title);
    }
    Put16(b, kSystemContents);
    Put16(b, 4);
    Put32(b, contents);
    return b;
}

Bytes FontFile() {
    Bytes b;
    Put16(b, 1);  // face names
    Put16(b, 3);  // fonts
    Put16(b, kFontHeader);
    Put16(b, kFontHeader + kFaceNameSize);
    Bytes face(kFaceNameSize, 0);
    std::copy(kFaceName, kFaceName + std::char_traits<char>::length(kFaceName), face.begin());
    Append(b, face);
    // Attributes (1 bold), size in half points, family (3 swiss), face, colour, background.
    const std::uint8_t fonts[3][2] = {{0, 20}, {1, 20}, {1, 28}};  // kPlain, kBold, kHeading
    for (const auto& f : fonts) {
        Put8(b, f[0]);
        Put8(b, f[1]);
        Put8(b, 3);
        Put16(b, 0);
        b.insert(b.end(), {0, 0, 0, 0xFF, 0xFF, 0xFF});
    }
    return b;
}

}  // namespace

std::string ContextName(std::uint32_t context) { return "IDH_" + std::to_string(context); }

std::int32_t ContextHash(const std::string& name) {
    std::uint32_t hash = 0;
    for (char c : name) {
        unsigned v = 0;
        if (c >= 'A' && c <= 'Z') v = static_cast<unsigned>(c - 'A') + 17;
        if (c >= 'a' && c <= 'z') v = static_cast<unsigned>(c - 'a') + 17;
        if (c >= '1' && c <= '9') v = static_cast<unsigned>(c - '0');
        if (c == '0') v = 10;
        if (c == '.') v = 12;
        if (c == '_') v = 13;
        hash = hash * 43 + v;
    }
    return static_cast<std::int32_t>(hash);
}

bool WriteHelpFile(const HelpSource& source, std::vector<std::uint8_t>& out, std::string& error) {
    out.clear();
    if (source.topics.empty() || source.topics.size() > kMaxTopics) {
        error = "a help file holds 1 to " + std::to_string(kMaxTopics) + " topics";
        return false;
    }
    TopicWriter topics;
    if (!topics.build(source, error)) return false;

    std::vector<std::pair<std::uint32_t, std::uint32_t>> map;  // context -> offset
    std::vector<std::pair<std::int32_t, std::uint32_t>> hashes;
    std::set<std::int32_t> used;
    for (std::size_t i = 0; i < source.topics.size(); ++i) {
        std::uint32_t context = source.topics[i].context;
        map.emplace_back(context, topics.topic_offset(i));
        // Two names with one hash cannot both be found: the rare second one gets a suffix.
        std::string name = ContextName(context);
        for (int n = 2; !used.insert(ContextHash(name)).second; ++n) name = ContextName(context) + "." + std::to_string(n);
        hashes.emplace_back(ContextHash(name), topics.topic_offset(i));
    }
    std::sort(map.begin(), map.end());
    std::sort(hashes.begin(), hashes.end());

    std::vector<TreeEntry> context_entries, title_entries;
    for (const auto& [hash, offset] : hashes) {
        TreeEntry e;
        Put32(e.key, static_cast<std::uint32_t>(hash));
        e.leaf = e.key;
        Put32(e.leaf, offset);
        context_entries.push_back(std::move(e));
    }
    for (std::size_t i = 0; i < source.topics.size(); ++i) {  // offsets grow in file order
        TreeEntry e;
        Put32(e.key, topics.topic_offset(i));
        e.leaf = e.key;
        PutString(e.leaf, source.topics[i].title);
        title_entries.push_back(std::move(e));
    }
    Bytes ctxomap;
    Put16(ctxomap, static_cast<unsigned>(map.size()));
    for (const auto& [context, offset] : map) {
        Put32(ctxomap, context);
        Put32(ctxomap, offset);
    }

    const std::vector<std::pair<std::string, Bytes>> files = {
        {"|SYSTEM", SystemFile(source, topics.topic_offset(0))},
        {"|TOPIC", topics.file()},
        {"|FONT", FontFile()},
        {"|CONTEXT", BTree(kTreeFlags, kTreePageSize, "L4", context_entries)},
        {"|CTXOMAP", ctxomap},
        {"|TTLBTREE", BTree(kTreeFlags, kTreePageSize, "Lz", title_entries)},
    };
    Bytes body;
    std::vector<TreeEntry> directory;
    auto put_file = [&body](const Bytes& content) {
        Put32(body, static_cast<std::uint32_t>(content.size() + kFileHeader));  // reserved: exactly what is used
        Put32(body, static_cast<std::uint32_t>(content.size()));
        Put8(body, kFileFlags);
        Append(body, content);
    };
    for (const auto& [name, content] : files) {
        TreeEntry e;
        PutString(e.key, name);
        e.leaf = e.key;
        Put32(e.leaf, static_cast<std::uint32_t>(kFileStart + body.size()));
        directory.push_back(std::move(e));
        put_file(content);
    }
    std::sort(directory.begin(), directory.end(), [](const TreeEntry& a, const TreeEntry& b) { return a.key < b.key; });
    const std::uint32_t directory_at = static_cast<std::uint32_t>(kFileStart + body.size());
    put_file(BTree(kDirectoryFlags, kDirectoryPageSize, "z4", directory));

    Put32(out, kHelpFileMagic);
    Put32(out, directory_at);
    Put32(out, kNone);  // no free blocks
    Put32(out, static_cast<std::uint32_t>(kFileStart + body.size()));
    Append(out, body);
    return true;
}

}  // namespace zep::winhelp
