// The resources of a PE image as a flat list (type, name, language, bytes), read from the
// .rsrc tree and written back as one: directories sorted as FindResource's binary search
// needs them (named entries first, by name, then numbered ones, by number), then the
// data entries, the names, and the data, each resource aligned to 8 bytes and recorded
// with its exact size. Host only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pe/pe_image.h"

namespace zep::pe {

inline constexpr std::uint16_t kStringType = 6;  // RT_STRING: blocks of 16 strings
inline constexpr std::uint16_t kDialogType = 5;

// A resource type or name: a number, or a name (stored as UTF-16).
struct ResourceId {
    std::uint16_t id = 0;
    std::u16string name;  // not empty: a named one

    static ResourceId Number(std::uint16_t n) { return {n, {}}; }
    bool named() const { return !name.empty(); }
    bool operator==(const ResourceId& o) const { return id == o.id && name == o.name; }
    // The order of a resource directory: names first, then numbers.
    bool operator<(const ResourceId& o) const;
};

using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

struct Resource {
    ResourceId type, name;
    std::uint16_t language = 0;
    std::uint32_t code_page = 0;
    Bytes data;
};

class ResourceTree {
public:
    // Reads the image's resources; false with one line saying why. An image without
    // resources gives an empty tree.
    bool read(const Image& image, std::string& error);

    const std::vector<Resource>& resources() const { return resources_; }
    // The numbered resource of any language (the first one there is).
    const Resource* find(std::uint16_t type, std::uint16_t id) const;
    // Adds, or replaces the one of the same type, name and language.
    void put(Resource resource);
    // Removes every resource the predicate picks.
    template <typename Pred>
    void remove_if(Pred pred) {
        std::erase_if(resources_, pred);
    }

    // A string of the string table, as stored; nullopt when it is missing or empty.
    std::optional<std::u16string> string(std::uint16_t id) const;
    // Sets one string; the other 15 of its block stay as they are. An empty text removes
    // it (a block left empty goes).
    void set_string(std::uint16_t id, const std::u16string& text, std::uint16_t language);

    // The size of the resource section for this tree; more than 4 GB gives 0xFFFFFFFF.
    std::uint32_t size() const;
    // The section's contents when it lies at `rva`: the directories (kept in `storage`)
    // and each resource's bytes, as chunks for the rewriter.
    std::vector<Chunk> build(std::uint32_t rva, std::vector<std::uint8_t>& storage) const;

private:
    std::vector<Resource> resources_;
};

// Text of a string resource as 8-bit text (characters past 255 become '?').
std::string Narrow(const std::u16string& text);
std::u16string Widen(const std::string& text);

}  // namespace zep::pe
