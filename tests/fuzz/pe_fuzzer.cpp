// The PE reader and resource writer over any bytes: no crash, no overrun, and a program
// that reads is rewritten with a payload and a string added, and reads back the same.
// Seeds: corpus/pe_fuzzer, written by make_pe_seeds.py.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pe/pe_image.h"
#include "pe/resource_tree.h"

using namespace zep::pe;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    Image image;
    std::string error;
    if (!image.parse(std::vector<std::uint8_t>(data, data + size), error)) return 0;
    for (const Section& s : image.sections()) image.at(s.virtual_address, s.virtual_size);
    ResourceTree tree;
    if (!tree.read(image, error)) return 0;
    tree.put({ResourceId::Number(256), ResourceId::Number(12000), 1033, 0,
              std::make_shared<const std::vector<std::uint8_t>>(size % 97, 0x5A)});
    tree.set_string(10000, u"5", 1033);
    Rewriter rewriter(image);
    if (!rewriter.plan(tree.size(), error)) return 0;
    std::vector<std::uint8_t> storage;
    const std::vector<std::uint8_t> out = Join(rewriter.write(tree.build(rewriter.resource_rva(), storage)));
    // What the writer makes, the reader takes, with the same resources and a true checksum.
    Image again;
    if (!again.parse(out, error)) std::abort();
    ResourceTree back;
    if (!back.read(again, error) || back.resources().size() != tree.resources().size()) std::abort();
    for (const Resource& r : tree.resources()) {
        bool found = false;
        for (const Resource& b : back.resources()) {
            found = found || (b.type == r.type && b.name == r.name && b.language == r.language && *b.data == *r.data);
        }
        if (!found) std::abort();
    }
    const std::uint32_t field = static_cast<std::uint32_t>(again.checksum_offset());
    const std::uint32_t stored = out[field] | out[field + 1] << 8 | out[field + 2] << 16 |
                                 static_cast<std::uint32_t>(out[field + 3]) << 24;
    if (stored != Image::Checksum(out)) std::abort();
    return 0;
}
