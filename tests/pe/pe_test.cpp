// The PE reader and resource writer on the real stubs (PE32 and PE32+), checked by pefile
// as an independent reader, and on damaged programs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "../szdd/support.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"

namespace zep::pe {
namespace {

using szdd::test::CommandResult;
using szdd::test::ReadFile;
using szdd::test::RunCommand;
using szdd::test::TempDir;
using szdd::test::WriteFile;
using Data = std::vector<std::uint8_t>;

const char* const kStubs[] = {ZEP_STUB_WIN32, ZEP_STUB_WIN64};

Data Stub(const char* path) {
    Data d = ReadFile(path);
    EXPECT_FALSE(d.empty()) << path << " is missing: build the Windows builds first (scripts/build.sh)";
    return d;
}

std::uint32_t Get32(const Data& d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

void Put32(Data& d, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) d[at + k] = static_cast<std::uint8_t>(v >> 8 * k);
}

Bytes Blob(std::size_t size, std::uint8_t seed) {
    auto b = std::make_shared<std::vector<std::uint8_t>>(size);
    for (std::size_t i = 0; i < size; ++i) (*b)[i] = static_cast<std::uint8_t>(i * 31 + seed + i / 251);
    return b;
}

// The stub's resources plus a payload: an empty one, a small one, one over 64 KB.
ResourceTree WithPayload(const ResourceTree& stub) {
    ResourceTree t = stub;
    t.put({ResourceId::Number(256), ResourceId::Number(12000), 1033, 0, Blob(0, 1)});
    t.put({ResourceId::Number(256), ResourceId::Number(12001), 1033, 0, Blob(13, 2)});
    t.put({ResourceId::Number(256), ResourceId::Number(12002), 1033, 0, Blob(70001, 3)});
    t.put({ResourceId{0, u"NAMED"}, ResourceId{0, u"ITEM"}, 0, 0, Blob(5, 4)});
    t.set_string(8001, u"23944", 1033);
    return t;
}

Data Rewrite(const Image& image, const ResourceTree& tree) {
    Rewriter r(image);
    std::string error;
    EXPECT_TRUE(r.plan(tree.size(), error)) << error;
    std::vector<std::uint8_t> storage;
    return Join(r.write(tree.build(r.resource_rva(), storage)));
}

std::map<std::string, Data> ByKey(const ResourceTree& tree) {
    std::map<std::string, Data> out;
    for (const Resource& r : tree.resources()) {
        std::string type = r.type.named() ? Narrow(r.type.name) : std::to_string(r.type.id);
        std::string name = r.name.named() ? Narrow(r.name.name) : std::to_string(r.name.id);
        out[type + "-" + name + "-" + std::to_string(r.language)] = *r.data;
    }
    return out;
}

// What pefile says of a program, and the resources it reads (numbered ones only).
struct PefileView {
    std::string summary;
    std::map<std::string, Data> resources;
};

PefileView Pefile(const Data& program) {
    TempDir dir;
    WriteFile(dir / "p.exe", program);
    std::filesystem::create_directory(dir / "out");
    CommandResult run = RunCommand(std::string(ZEP_PYTHON) + " '" + ZEP_PEFILE_DUMP + "' '" + (dir / "p.exe") + "' '" +
                                   (dir / "out") + "'");
    PefileView view;
    view.summary = run.output;
    EXPECT_EQ(run.status, 0) << "pefile (Debian package python3-pefile) failed:\n" << run.output;
    for (const auto& e : std::filesystem::directory_iterator(dir / "out")) {
        view.resources[e.path().filename().string()] = ReadFile(e.path().string());
    }
    return view;
}

TEST(Rewrite, BothStubsKeepTheirResourcesAndGainThePayload) {
    for (const char* path : kStubs) {
        SCOPED_TRACE(path);
        Image stub;
        std::string error;
        ASSERT_TRUE(stub.parse(Stub(path), error)) << error;
        ResourceTree tree;
        ASSERT_TRUE(tree.read(stub, error)) << error;
        ASSERT_EQ(Narrow(*tree.string(8000)), "INSTALL.INI");
        const ResourceTree wanted = WithPayload(tree);
        const Data out = Rewrite(stub, wanted);

        Image packed;
        ASSERT_TRUE(packed.parse(out, error)) << error;
        ResourceTree back;
        ASSERT_TRUE(back.read(packed, error)) << error;
        EXPECT_EQ(ByKey(back), ByKey(wanted));
        EXPECT_EQ(Narrow(*back.string(8001)), "23944");
        EXPECT_EQ(Narrow(*back.string(8000)), "INSTALL.INI");  // the rest of the block stays
        EXPECT_EQ(Get32(out, packed.checksum_offset()), Image::Checksum(out));

        // The code and data sections are where they were, byte for byte; the relocations
        // moved behind the grown .rsrc, and the directory followed them.
        ASSERT_EQ(packed.sections().size(), stub.sections().size());
        const auto& old_sections = stub.sections();
        const auto& new_sections = packed.sections();
        for (std::size_t i = 0; i + 2 < old_sections.size(); ++i) {
            EXPECT_EQ(new_sections[i].virtual_address, old_sections[i].virtual_address);
            EXPECT_EQ(0, std::memcmp(out.data() + new_sections[i].raw_offset,
                                     stub.bytes().data() + old_sections[i].raw_offset, old_sections[i].raw_size));
        }
        const DataDirectory old_relocs = stub.directory(kRelocationDirectory);
        const DataDirectory new_relocs = packed.directory(kRelocationDirectory);
        EXPECT_EQ(new_relocs.size, old_relocs.size);
        EXPECT_GT(new_relocs.rva, old_relocs.rva);
        EXPECT_EQ(0, std::memcmp(packed.at(new_relocs.rva, new_relocs.size), stub.at(old_relocs.rva, old_relocs.size),
                                 old_relocs.size));

        PefileView view = Pefile(out);
        const std::string sections = "sections " + std::to_string(stub.sections().size()) + " contiguous image ok\n";
        EXPECT_NE(view.summary.find("warnings 0\nchecksum ok\ntimestamp 0\n" + sections), std::string::npos)
            << view.summary;
        EXPECT_EQ(view.resources, ByKey(wanted));

        // Taking the payload out again gives a program of the stub's size.
        const Data again = Rewrite(packed, tree);
        Image plain;
        ASSERT_TRUE(plain.parse(again, error)) << error;
        EXPECT_EQ(again.size(), stub.bytes().size());
        EXPECT_NE(Pefile(again).summary.find("checksum ok\n"), std::string::npos);
    }
}

TEST(Rewrite, ANewSectionAtTheEndWhenWhatFollowsCannotMove) {
    for (const char* path : kStubs) {
        SCOPED_TRACE(path);
        // Without its relocation directory, .reloc is a section like any other: code may
        // point into it, so it must stay where it is.
        Data bytes = Stub(path);
        Image stub;
        std::string error;
        ASSERT_TRUE(stub.parse(bytes, error)) << error;
        const std::size_t directories = Get32(bytes, 0x3C) + 24 + (stub.pe32_plus() ? 112 : 96);
        Put32(bytes, directories + 8 * kRelocationDirectory, 0);
        Put32(bytes, directories + 8 * kRelocationDirectory + 4, 0);
        ASSERT_TRUE(stub.parse(bytes, error)) << error;
        ResourceTree tree;
        ASSERT_TRUE(tree.read(stub, error)) << error;
        const ResourceTree wanted = WithPayload(tree);
        const Data out = Rewrite(stub, wanted);

        Image packed;
        ASSERT_TRUE(packed.parse(out, error)) << error;
        ASSERT_EQ(packed.sections().size(), stub.sections().size() + 1);
        const Section& old_rsrc = packed.sections()[packed.sections().size() - 3];
        EXPECT_EQ(old_rsrc.name, ".rsrcold");
        EXPECT_EQ(old_rsrc.raw_size, 0u);
        EXPECT_EQ(packed.sections().back().name, ".rsrc");
        EXPECT_EQ(packed.directory(kResourceDirectory).rva, packed.sections().back().virtual_address);
        ResourceTree back;
        ASSERT_TRUE(back.read(packed, error)) << error;
        EXPECT_EQ(ByKey(back), ByKey(wanted));
        PefileView view = Pefile(out);
        const std::string sections = "sections " + std::to_string(stub.sections().size() + 1) + " contiguous image ok\n";
        EXPECT_NE(view.summary.find("warnings 0\nchecksum ok\ntimestamp 0\n" + sections), std::string::npos)
            << view.summary;
        EXPECT_EQ(view.resources, ByKey(wanted));
    }
}

TEST(Strings, ABlockKeepsItsOtherStringsAndGoesWhenEmpty) {
    ResourceTree t;
    t.set_string(10003, u"70001", 0);
    t.set_string(10000, u"12", 0);
    EXPECT_EQ(*t.string(10003), u"70001");
    EXPECT_EQ(*t.string(10000), u"12");
    EXPECT_FALSE(t.string(10001));
    EXPECT_FALSE(t.string(10016));  // the next block
    ASSERT_EQ(t.resources().size(), 1u);
    EXPECT_EQ(t.resources()[0].name.id, 10000 / 16 + 1);
    t.set_string(10000, u"", 0);
    t.set_string(10003, u"", 0);
    EXPECT_TRUE(t.resources().empty());
}

// A damaged program is refused with a reason, never read past its end.
TEST(Damage, EachDamageIsRefusedWithItsReason) {
    const Data stub = Stub(ZEP_STUB_WIN64);
    Image image;
    std::string error;
    ASSERT_TRUE(image.parse(stub, error)) << error;
    const std::uint32_t pe = Get32(stub, 0x3C);
    const DataDirectory res = image.directory(kResourceDirectory);
    const std::size_t rsrc = image.sections()[image.section_of(res.rva)].raw_offset;
    struct Case {
        const char* what;
        void (*damage)(Data&, std::uint32_t pe, std::size_t rsrc);
        const char* reason;
    };
    const Case cases[] = {
        {"empty", [](Data& d, std::uint32_t, std::size_t) { d.clear(); }, "no MZ header"},
        {"text", [](Data& d, std::uint32_t, std::size_t) { d.assign(100, 'x'); }, "no MZ header"},
        {"MS-DOS only", [](Data& d, std::uint32_t, std::size_t) { Put32(d, 0x3C, 0); }, "no PE header"},
        {"PE header past the end", [](Data& d, std::uint32_t, std::size_t) { Put32(d, 0x3C, 0x7FFFFFF0); }, "no PE header"},
        {"no PE signature", [](Data& d, std::uint32_t pe, std::size_t) { d[pe] = 'X'; }, "not a PE program"},
        {"optional header magic", [](Data& d, std::uint32_t pe, std::size_t) { d[pe + 24] = 7; }, "neither PE32 nor PE32+"},
        {"no sections", [](Data& d, std::uint32_t pe, std::size_t) { d[pe + 6] = d[pe + 7] = 0; }, "damaged section table"},
        {"cut in the headers", [](Data& d, std::uint32_t pe, std::size_t) { d.resize(pe + 40); }, "truncated"},
        {"cut in .text", [](Data& d, std::uint32_t, std::size_t) { d.resize(3000); }, "truncated: section .text"},
        {"cut in .rsrc", [](Data& d, std::uint32_t, std::size_t rsrc) { d.resize(rsrc + 100); }, "truncated: section .rsrc"},
        {"alignment", [](Data& d, std::uint32_t pe, std::size_t) { Put32(d, pe + 24 + 36, 3); }, "alignments"},
        {"countless entries",
         [](Data& d, std::uint32_t, std::size_t rsrc) { d[rsrc + 14] = d[rsrc + 15] = 0xFF; },
         "damaged resource directory"},
        {"a directory inside itself",
         [](Data& d, std::uint32_t, std::size_t rsrc) { Put32(d, rsrc + 20, 0x80000000u); },
         "more than three levels"},
        {"data past the end",
         [](Data& d, std::uint32_t, std::size_t rsrc) {
             // The first data entry follows the directories: find it by its RVA field.
             const std::uint32_t first_entry = Get32(d, rsrc + 20) & 0x7FFFFFFF;
             const std::uint32_t name_table = Get32(d, rsrc + first_entry + 20) & 0x7FFFFFFF;
             const std::uint32_t data_entry = Get32(d, rsrc + name_table + 20);
             Put32(d, rsrc + data_entry + 4, 0x7FFFFFFF);
         },
         "outside the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Data bytes = stub;
        c.damage(bytes, pe, rsrc);
        Image damaged;
        std::string why;
        ResourceTree tree;
        const bool read = damaged.parse(bytes, why) && tree.read(damaged, why);
        EXPECT_FALSE(read);
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_TRUE(tree.resources().empty());
    }
}

}  // namespace
}  // namespace zep::pe
