// setup.exe as zep sees it: a stub (the installer with its own dialogs, strings and
// images and no product), the embedded setup.exe zep pack makes of one (the product as
// resources of type 256, the stamp in strings 8001 and 8002), and a product read back
// out of such a setup.exe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "szdd/szdd.h"
#include "tools/zep/product.h"
#include "tools/zep/stamp.h"

namespace zep::tool {

// An expander's source over bytes in memory.
class MemorySource final : public szdd::Source {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::int32_t read(void* buf, std::uint32_t count) override;

private:
    const std::uint8_t* data_;
    std::size_t size_, at_ = 0;
};

// Stored bytes as the installer expands them (a file that is not SZDD passes through);
// false when they do not expand or would come to more than limit bytes.
bool ExpandStored(const std::uint8_t* data, std::size_t size, std::string& out, std::size_t limit);

inline constexpr std::uint16_t kPayloadType = 256;

struct Stub {
    pe::Image image;
    pe::ResourceTree resources;
    std::string script_name;    // string 8000: the script the installer reads
    std::uint16_t language = 0;  // of its string table; the payload takes it too
};

// A plain setup.exe; false with one line for a file that is not a PE program, a damaged
// or cut one, one that is not this installer, and one that already carries a product.
bool ReadStub(std::vector<std::uint8_t> bytes, Stub& out, std::string& error);

struct Payload {
    std::uint16_t id;
    pe::Bytes data;
};

// The embedded setup.exe of a stub and a payload: the stub's resources kept as they are,
// the payload added, the stamp set. The chunks stay valid while the writer lives.
class EmbeddedWriter {
public:
    explicit EmbeddedWriter(const Stub& stub) : stub_(stub), rewriter_(stub.image) {}
    bool build(const std::vector<Payload>& payload, const Stamp& stamp, std::string& error);
    const std::vector<pe::Chunk>& chunks() const { return chunks_; }
    std::uint64_t size() const;

private:
    const Stub& stub_;
    pe::Rewriter rewriter_;
    pe::ResourceTree tree_;
    std::vector<std::uint8_t> storage_;
    std::vector<pe::Chunk> chunks_;
};

// An embedded setup.exe read back: its product and its stamp.
struct EmbeddedSetup {
    Stub stub;  // with the payload still in its resources
    ProductScript script;
    std::uint16_t stamp_date = 0, stamp_time = 0;

    // The bytes the installer writes out for a resource id: the resource, cut to its
    // byte-count string (id - 2000) when that holds a smaller nonzero number. Null when
    // there is no such resource.
    pe::Bytes stored(std::uint16_t id) const;
    std::uint32_t resource_size(std::uint16_t id) const;
};

// False with one line for a file that is not a PE program, a damaged one, a plain stub
// (no product inside), or a product whose script does not load.
bool ReadEmbedded(std::vector<std::uint8_t> bytes, EmbeddedSetup& out, std::string& error);

// The stub again: the setup.exe without its product (payload and byte-count strings).
bool StripPayload(const EmbeddedSetup& setup, std::vector<std::uint8_t>& out, std::string& error);

}  // namespace zep::tool
