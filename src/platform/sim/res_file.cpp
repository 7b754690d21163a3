#include "platform/sim/res_file.h"

#include <fstream>
#include <iterator>

#include "platform/sim/code_pages.h"

namespace zep::sim {

namespace {

constexpr std::uint16_t kStringType = 6;

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A name or ordinal field of a resource header: returns false for names (not numbers).
bool ReadOrdinal(const std::vector<std::uint8_t>& b, std::size_t& at, std::size_t end,
                 std::uint16_t& out) {
    if (at + 4 <= end && Read16(b, at) == 0xFFFF) {
        out = Read16(b, at + 2);
        at += 4;
        return true;
    }
    while (at + 2 <= end && Read16(b, at) != 0) at += 2;
    at += 2;
    return false;
}

}  // namespace

bool ResourceSet::load_res_file(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    return load_res_bytes(bytes.data(), bytes.size(), error);
}

bool ResourceSet::load_res_bytes(const std::uint8_t* data, std::size_t size, std::string* error) {
    const std::vector<std::uint8_t> b(data, data + size);
    std::size_t at = 0;
    while (at + 32 <= b.size()) {
        std::uint32_t data_size = Read32(b, at);
        std::uint32_t header_size = Read32(b, at + 4);
        if (header_size < 16 || at + header_size + data_size > b.size()) {
            if (error) *error = "damaged .res data";
            return false;
        }
        std::size_t field = at + 8;
        std::size_t header_end = at + header_size;
        std::uint16_t type = 0, id = 0;
        bool numeric = ReadOrdinal(b, field, header_end, type);
        numeric = ReadOrdinal(b, field, header_end, id) && numeric;
        if (numeric && data_size > 0) {
            auto first = b.begin() + static_cast<std::ptrdiff_t>(header_end);
            add(type, id, std::vector<std::uint8_t>(first, first + data_size));
        }
        at = (header_end + data_size + 3) & ~std::size_t{3};
    }
    return true;
}

void ResourceSet::add(std::uint16_t type, std::uint16_t id, std::vector<std::uint8_t> data) {
    remove(type, id);
    resources_.push_back({type, id, std::move(data)});
}

void ResourceSet::remove(std::uint16_t type, std::uint16_t id) {
    for (auto it = resources_.begin(); it != resources_.end(); ++it) {
        if (it->type == type && it->id == id) {
            resources_.erase(it);
            return;
        }
    }
}

const Resource* ResourceSet::find(std::uint16_t type, std::uint16_t id) const {
    for (const Resource& r : resources_) {
        if (r.type == type && r.id == id) return &r;
    }
    return nullptr;
}

std::optional<std::size_t> ResourceSet::index_of_data(const void* p) const {
    const auto* q = static_cast<const std::uint8_t*>(p);
    for (std::size_t i = 0; i < resources_.size(); ++i) {
        const auto& d = resources_[i].data;
        if (!d.empty() && q >= d.data() && q < d.data() + d.size()) return i;
    }
    return std::nullopt;
}

std::optional<std::string> ResourceSet::string(std::uint16_t id) const {
    const Resource* block = find(kStringType, static_cast<std::uint16_t>((id >> 4) + 1));
    if (block == nullptr) return std::nullopt;
    const auto& b = block->data;
    std::size_t at = 0;
    for (int i = 0; i < 16 && at + 2 <= b.size(); ++i) {
        std::uint16_t length = Read16(b, at);
        at += 2;
        if (i == (id & 15)) {
            if (length == 0) return std::nullopt;
            std::string text;
            for (std::uint16_t k = 0; k < length && at + 2 <= b.size(); ++k, at += 2) {
                text.push_back(static_cast<char>(UnicodeToAnsi(Read16(b, at))));
            }
            return text;
        }
        at += 2 * std::size_t{length};
    }
    return std::nullopt;
}

void ResourceSet::set_string(std::uint16_t id, const std::string& text) {
    const std::uint16_t block_id = static_cast<std::uint16_t>((id >> 4) + 1);
    std::string entries[16];
    bool present[16] = {};
    for (int i = 0; i < 16; ++i) {
        auto s = string(static_cast<std::uint16_t>(((block_id - 1) << 4) + i));
        if (s) {
            entries[i] = *s;
            present[i] = true;
        }
    }
    entries[id & 15] = text;
    present[id & 15] = true;
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 16; ++i) {
        std::size_t n = present[i] ? entries[i].size() : 0;
        data.push_back(static_cast<std::uint8_t>(n & 0xFF));
        data.push_back(static_cast<std::uint8_t>(n >> 8));
        for (std::size_t k = 0; k < n; ++k) {
            std::uint16_t u = AnsiToUnicode(static_cast<std::uint8_t>(entries[i][k]));
            data.push_back(static_cast<std::uint8_t>(u & 0xFF));
            data.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    }
    add(kStringType, block_id, std::move(data));
}

}  // namespace zep::sim
