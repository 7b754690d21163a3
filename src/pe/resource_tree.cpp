#include "pe/resource_tree.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <tuple>

namespace zep::pe {

namespace {

// Bounds for damaged trees, far above what any real program holds: directories may
// point back at each other, and a loop must not become a flood.
constexpr std::size_t kMaxResources = 200000;
constexpr std::size_t kMaxDirectories = 200000;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kDataAlignment = 8;

std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<std::uint8_t>(v >> 8 * k);
}

std::uint64_t AlignUp(std::uint64_t v, std::uint64_t alignment) {
    return (v + alignment - 1) / alignment * alignment;
}

class TreeReader {
public:
    TreeReader(const Image& image, std::uint32_t base, std::vector<Resource>& out, std::string& error)
        : image_(image), base_(base), out_(out), error_(error) {}

    bool walk(std::uint32_t offset, int level, ResourceId path[2]) {
        if (++directories_ > kMaxDirectories) return fail("too many resource directories (damaged?)");
        const std::uint8_t* header = at(offset, 16);
        if (header == nullptr) return fail("damaged resource directory");
        const std::uint32_t count = std::uint32_t{Get16(header + 12)} + Get16(header + 14);
        const std::uint8_t* entries = at(offset + std::uint64_t{16}, 8 * count);
        if (entries == nullptr) return fail("damaged resource directory");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t name = Get32(entries + 8 * i);
            const std::uint32_t target = Get32(entries + 8 * i + 4);
            ResourceId id;
            if ((name & kSubdirectory) != 0) {
                if (!read_name(name & ~kSubdirectory, id.name)) return false;
            } else if (name > 0xFFFF) {
                return fail("damaged resource directory (an id past 65535)");
            } else {
                id.id = static_cast<std::uint16_t>(name);
            }
            if (level < 2) {
                if ((target & kSubdirectory) == 0) return fail("damaged resource directory (data above the language level)");
                path[level] = id;
                if (!walk(target & ~kSubdirectory, level + 1, path)) return false;
                continue;
            }
            if ((target & kSubdirectory) != 0 || id.named()) return fail("damaged resource directory (more than three levels)");
            if (!leaf(target, path, id.id)) return false;
        }
        return true;
    }

private:
    const std::uint8_t* at(std::uint64_t offset, std::uint64_t size) {
        if (base_ + offset > 0xFFFFFFFFull || size > 0xFFFFFFFFull) return nullptr;
        return image_.at(static_cast<std::uint32_t>(base_ + offset), static_cast<std::uint32_t>(size));
    }

    bool fail(const char* why) {
        error_ = why;
        return false;
    }

    bool read_name(std::uint32_t offset, std::u16string& name) {
        const std::uint8_t* length = at(offset, 2);
        if (length == nullptr || Get16(length) == 0) return fail("damaged resource name");
        const std::uint8_t* text = at(offset + std::uint64_t{2}, 2ull * Get16(length));
        if (text == nullptr) return fail("damaged resource name");
        for (std::uint16_t k = 0; k < Get16(length); ++k) name.push_back(static_cast<char16_t>(Get16(text + 2 * k)));
        return true;
    }

    bool leaf(std::uint32_t offset, const ResourceId path[2], std::uint16_t language) {
        if (out_.size() >= kMaxResources) return fail("too many resources (damaged?)");
        const std::uint8_t* entry = at(offset, 16);
        if (entry == nullptr) return fail("damaged resource data entry");
        const std::uint32_t rva = Get32(entry), size = Get32(entry + 4);
        Bytes& data = cache_[{rva, size}];
        if (!data) {
            const std::uint8_t* p = image_.at(rva, size);
            if (p == nullptr) return fail("resource data lies outside the file (truncated or damaged)");
            copied_ += size;
            if (copied_ > image_.bytes().size()) return fail("resources overlap (damaged)");
            data = std::make_shared<const std::vector<std::uint8_t>>(p, p + size);
        }
        out_.push_back({path[0], path[1], language, Get32(entry + 8), data});
        return true;
    }

    const Image& image_;
    std::uint64_t base_;
    std::vector<Resource>& out_;
    std::string& error_;
    std::size_t directories_ = 0;
    std::uint64_t copied_ = 0;
    std::map<std::pair<std::uint32_t, std::uint32_t>, Bytes> cache_;
};

bool Before(const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
}

using Block = std::array<std::u16string, 16>;

Block DecodeBlock(const std::vector<std::uint8_t>& data) {
    Block block;
    std::size_t at = 0;
    for (auto& s : block) {
        if (at + 2 > data.size()) break;
        const std::size_t length = Get16(data.data() + at);
        at += 2;
        if (at + 2 * length > data.size()) break;
        for (std::size_t k = 0; k < length; ++k) s.push_back(static_cast<char16_t>(Get16(data.data() + at + 2 * k)));
        at += 2 * length;
    }
    return block;
}

// Where each part of the section goes.
struct Layout {
    std::vector<std::size_t> order;   // resources, sorted
    std::vector<std::size_t> firsts;  // index into order where each (type) and (type, name) group starts
    std::uint64_t directories = 0;    // end of the directory tables
    std::uint64_t entries = 0;        // start of the data entries
    std::uint64_t names = 0;          // start of the names
    std::uint64_t data = 0;           // start of the data
    std::vector<std::uint64_t> data_at;
    std::uint64_t end = 0;
};

}  // namespace

bool ResourceId::operator<(const ResourceId& o) const {
    if (named() != o.named()) return named();
    if (named()) return name < o.name;
    return id < o.id;
}

bool ResourceTree::read(const Image& image, std::string& error) {
    resources_.clear();
    const DataDirectory dir = image.directory(kResourceDirectory);
    if (dir.rva == 0) return true;
    ResourceId path[2];
    if (!TreeReader(image, dir.rva, resources_, error).walk(0, 0, path)) {
        resources_.clear();
        return false;
    }
    std::vector<Resource> sorted = resources_;
    std::sort(sorted.begin(), sorted.end(), Before);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (!Before(sorted[i - 1], sorted[i])) {
            resources_.clear();
            error = "damaged resource directory (a resource appears twice)";
            return false;
        }
    }
    return true;
}

const Resource* ResourceTree::find(std::uint16_t type, std::uint16_t id) const {
    for (const Resource& r : resources_) {
        if (!r.type.named() && r.type.id == type && !r.name.named() && r.name.id == id) return &r;
    }
    return nullptr;
}

void ResourceTree::put(Resource resource) {
    for (Resource& r : resources_) {
        if (r.type == resource.type && r.name == resource.name && r.language == resource.language) {
            r = std::move(resource);
            return;
        }
    }
    resources_.push_back(std::move(resource));
}

std::optional<std::u16string> ResourceTree::string(std::uint16_t id) const {
    const Resource* block = find(kStringType, static_cast<std::uint16_t>((id >> 4) + 1));
    if (block == nullptr) return std::nullopt;
    std::u16string s = DecodeBlock(*block->data)[id & 15];
    if (s.empty()) return std::nullopt;
    return s;
}

void ResourceTree::set_string(std::uint16_t id, const std::u16string& text, std::uint16_t language) {
    const ResourceId block_id = ResourceId::Number(static_cast<std::uint16_t>((id >> 4) + 1));
    const ResourceId type = ResourceId::Number(kStringType);
    Block block;
    std::uint32_t code_page = 0;
    for (const Resource& r : resources_) {
        if (r.type == type && r.name == block_id && r.language == language) {
            block = DecodeBlock(*r.data);
            code_page = r.code_page;
        }
    }
    block[id & 15] = text;
    bool empty = true;
    auto data = std::make_shared<std::vector<std::uint8_t>>();
    for (const std::u16string& s : block) {
        empty = empty && s.empty();
        const std::size_t at = data->size();
        data->resize(at + 2 + 2 * s.size());
        Put16(*data, at, static_cast<std::uint32_t>(s.size()));
        for (std::size_t k = 0; k < s.size(); ++k) Put16(*data, at + 2 + 2 * k, s[k]);
    }
    if (empty) {
        remove_if([&](const Resource& r) { return r.type == type && r.name == block_id && r.language == language; });
        return;
    }
    put({type, block_id, language, code_page, std::move(data)});
}

namespace {

Layout Plan(const std::vector<Resource>& resources) {
    Layout l;
    for (std::size_t i = 0; i < resources.size(); ++i) l.order.push_back(i);
    std::sort(l.order.begin(), l.order.end(),
              [&](std::size_t a, std::size_t b) { return Before(resources[a], resources[b]); });
    std::uint64_t types = 0, names = 0, string_bytes = 0;
    std::map<std::u16string, int> strings;
    for (std::size_t k = 0; k < l.order.size(); ++k) {
        const Resource& r = resources[l.order[k]];
        const bool new_type = k == 0 || !(resources[l.order[k - 1]].type == r.type);
        const bool new_name = new_type || !(resources[l.order[k - 1]].name == r.name);
        types += new_type;
        names += new_name;
        for (const ResourceId* id : {&r.type, &r.name}) {
            if (id->named() && strings.emplace(id->name, 0).second) string_bytes += 2 + 2 * id->name.size();
        }
    }
    // Root, one table per type and one per (type, name); each entry 8 bytes.
    l.directories = 16 + 8 * types + 16 * types + 8 * names + 16 * names + 8 * resources.size();
    l.entries = l.directories;
    l.names = l.entries + 16 * resources.size();
    l.data = AlignUp(l.names + string_bytes, kDataAlignment);
    std::uint64_t at = l.data;
    l.data_at.resize(resources.size());
    for (std::size_t k = 0; k < l.order.size(); ++k) {
        at = AlignUp(at, kDataAlignment);
        l.data_at[k] = at;
        // An empty resource still takes a byte, so that its address lies in the section.
        at += std::max<std::size_t>(resources[l.order[k]].data->size(), 1);
    }
    l.end = resources.empty() ? 16 : at;
    return l;
}

}  // namespace

std::uint32_t ResourceTree::size() const {
    const std::uint64_t end = Plan(resources_).end;
    return end > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(end);
}

std::vector<Chunk> ResourceTree::build(std::uint32_t rva, std::vector<std::uint8_t>& storage) const {
    const Layout l = Plan(resources_);
    const std::vector<Resource>& rs = resources_;
    storage.assign(static_cast<std::size_t>(l.data), 0);

    // Names, each once.
    std::map<std::u16string, std::uint32_t> name_at;
    std::uint64_t next_name = l.names;
    for (std::size_t k : l.order) {
        for (const ResourceId* id : {&rs[k].type, &rs[k].name}) {
            if (!id->named() || name_at.count(id->name) != 0) continue;
            name_at[id->name] = static_cast<std::uint32_t>(next_name);
            Put16(storage, next_name, static_cast<std::uint32_t>(id->name.size()));
            for (std::size_t c = 0; c < id->name.size(); ++c) Put16(storage, next_name + 2 + 2 * c, id->name[c]);
            next_name += 2 + 2 * id->name.size();
        }
    }
    auto id_field = [&](const ResourceId& id) {
        return id.named() ? kSubdirectory | name_at[id.name] : std::uint32_t{id.id};
    };
    // One directory table: its counts, then (id, offset) per entry.
    auto table = [&](std::uint64_t at, const std::vector<std::pair<ResourceId, std::uint32_t>>& entries) {
        std::uint32_t named = 0;
        for (const auto& e : entries) named += e.first.named();
        Put16(storage, at + 12, named);
        Put16(storage, at + 14, static_cast<std::uint32_t>(entries.size()) - named);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Put32(storage, at + 16 + 8 * i, id_field(entries[i].first));
            Put32(storage, at + 20 + 8 * i, entries[i].second);
        }
        return at + 16 + 8 * entries.size();
    };
    // Groups: types, then names within each.
    struct Group {
        std::size_t first, last;
    };
    std::vector<Group> type_groups, name_groups;
    for (std::size_t k = 0; k < l.order.size(); ++k) {
        const Resource& r = rs[l.order[k]];
        if (k == 0 || !(rs[l.order[k - 1]].type == r.type)) type_groups.push_back({k, k});
        if (k == 0 || !(rs[l.order[k - 1]].type == r.type) || !(rs[l.order[k - 1]].name == r.name)) {
            name_groups.push_back({k, k});
        }
        type_groups.back().last = name_groups.back().last = k + 1;
    }
    // Table offsets: root, types, names (breadth first).
    const std::uint64_t root_at = 0;
    std::uint64_t at = 16 + 8 * type_groups.size();
    std::vector<std::uint64_t> type_at, name_at_table;
    for (const Group& g : type_groups) {
        type_at.push_back(at);
        std::size_t names_in = 0;
        for (const Group& n : name_groups) names_in += n.first >= g.first && n.last <= g.last;
        at += 16 + 8 * names_in;
    }
    for (const Group& g : name_groups) {
        name_at_table.push_back(at);
        at += 16 + 8 * (g.last - g.first);
    }

    std::vector<std::pair<ResourceId, std::uint32_t>> entries;
    for (std::size_t t = 0; t < type_groups.size(); ++t) {
        entries.push_back({rs[l.order[type_groups[t].first]].type, kSubdirectory | static_cast<std::uint32_t>(type_at[t])});
    }
    table(root_at, entries);
    std::size_t n = 0;
    for (std::size_t t = 0; t < type_groups.size(); ++t) {
        entries.clear();
        for (; n < name_groups.size() && name_groups[n].last <= type_groups[t].last; ++n) {
            entries.push_back({rs[l.order[name_groups[n].first]].name,
                               kSubdirectory | static_cast<std::uint32_t>(name_at_table[n])});
            std::vector<std::pair<ResourceId, std::uint32_t>> languages;
            for (std::size_t k = name_groups[n].first; k < name_groups[n].last; ++k) {
                languages.push_back({ResourceId::Number(rs[l.order[k]].language),
                                     static_cast<std::uint32_t>(l.entries + 16 * k)});
            }
            table(name_at_table[n], languages);
        }
        table(type_at[t], entries);
    }
    for (std::size_t k = 0; k < l.order.size(); ++k) {
        const Resource& r = rs[l.order[k]];
        const std::uint64_t entry = l.entries + 16 * k;
        Put32(storage, entry, static_cast<std::uint32_t>(rva + l.data_at[k]));
        Put32(storage, entry + 4, static_cast<std::uint32_t>(r.data->size()));
        Put32(storage, entry + 8, r.code_page);
    }

    std::vector<Chunk> out;
    out.push_back({storage.data(), storage.size()});
    std::uint64_t written = storage.size();
    for (std::size_t k = 0; k < l.order.size(); ++k) {
        if (l.data_at[k] > written) out.push_back({nullptr, static_cast<std::size_t>(l.data_at[k] - written)});
        const auto& d = *rs[l.order[k]].data;
        out.push_back({d.data(), d.size()});
        written = l.data_at[k] + d.size();
    }
    if (l.end > written) out.push_back({nullptr, static_cast<std::size_t>(l.end - written)});
    return out;
}

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 256 ? static_cast<char>(c) : '?');
    return out;
}

std::u16string Widen(const std::string& text) {
    std::u16string out;
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace zep::pe
