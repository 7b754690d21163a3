// The resources of a program, read from a compiled .res file (what the MinGW resource
// compiler makes of setup.rc) or added by a test.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zep::sim {

struct Resource {
    std::uint16_t type;
    std::uint16_t id;
    std::vector<std::uint8_t> data;
};

class ResourceSet {
public:
    // Reads every resource with a numeric type and id; false when the file cannot be read
    // or is not a .res file.
    bool load_res_file(const std::string& path, std::string* error = nullptr);
    bool load_res_bytes(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);
    void add(std::uint16_t type, std::uint16_t id, std::vector<std::uint8_t> data);
    void remove(std::uint16_t type, std::uint16_t id);
    // A string of the string table (stored as UTF-16 blocks of 16), set as ANSI text.
    void set_string(std::uint16_t id, const std::string& text);

    const Resource* find(std::uint16_t type, std::uint16_t id) const;
    // The index of the resource whose data holds this address, for templates handed back.
    std::optional<std::size_t> index_of_data(const void* p) const;
    const Resource& at(std::size_t i) const { return resources_[i]; }
    std::size_t size() const { return resources_.size(); }

    // The string table entry as ANSI text; nullopt when it is missing.
    std::optional<std::string> string(std::uint16_t id) const;

private:
    std::vector<Resource> resources_;
};

}  // namespace zep::sim
