#include "tools/zep/uninstaller.h"

#include <algorithm>
#include <memory>

#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "platform/sim/profile_text.h"
#include "tools/zep/script_text.h"

namespace zep::tool {

namespace {

constexpr std::uint16_t kDataType = 256;
constexpr std::uint16_t kDataId = 13000;
constexpr std::uint16_t kQuestionDialog = 3100;  // every uninst.exe has it

}  // namespace

bool WantsUninstaller(const std::string& script, const ProductScript& product, bool asked) {
    for (const ProductFile& f : product.files) {
        if (f.role == ProductFile::Role::kDisk && f.kind == 0 && SameName(f.installed, kUninstallerTarget)) {
            return false;
        }
    }
    char name[64] = {};
    sim::ProfileGetString(&script, "Basic Information", "UninstallName", "", name, sizeof name);
    return asked || name[0] != '\0';
}

bool AddUninstallerLine(const std::string& script, int last_disk, std::string& out, int& line, std::string& error) {
    ScriptText text(script);
    const std::string section = "Disk " + std::to_string(last_disk);
    const int header = text.section(section);
    if (header < 0) {
        error = "has no [" + section + "] for the uninstaller";
        return false;
    }
    if (text.key(section, kUninstallerSource) >= 0) {
        error = "[" + section + "] has a line " + kUninstallerSource + " already: the uninstaller cannot be added";
        return false;
    }
    const std::vector<ScriptText::Entry> entries = text.entries(section);
    const int after = entries.empty() ? header : entries.back().index;
    // Inserted into the bytes as they are, with that line's own line end, so that the
    // packed script differs from the author's by this line alone.
    std::size_t at = 0;
    for (int ends = 0; at < script.size() && ends <= after; ++at) {
        if (script[at] == '\n' || (script[at] == '\r' && (at + 1 == script.size() || script[at + 1] != '\n'))) ++ends;
    }
    std::size_t end_start = at;
    while (end_start > 0 && (script[end_start - 1] == '\r' || script[end_start - 1] == '\n')) --end_start;
    const std::string added = std::string(kUninstallerSource) + "=Target\\" + kUninstallerTarget;
    const std::string ending = end_start < at ? script.substr(end_start, at - end_start) : "\r\n";
    out = script.substr(0, at) + (end_start < at ? "" : ending) + added + (end_start < at ? ending : "") +
          script.substr(at);
    line = after + 2;
    return true;
}

PackedLine LineOf(const ProductFile& f, std::uint64_t expanded_size) {
    PackedLine line;
    line.resource_id = f.resource_id;
    line.source = f.name;
    line.kind = f.kind;
    line.flags = f.flags;
    line.destination = f.installed;
    line.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(expanded_size, 0xFFFFFFFF));
    return line;
}

bool MakeUninstaller(const std::vector<std::uint8_t>& stub, const std::string& script,
                     const std::vector<std::vector<PackedLine>>& ways, std::vector<std::uint8_t>& out,
                     std::string& error) {
    auto data = std::make_shared<std::vector<std::uint8_t>>();
    if (!MakeUninstallData(script, ways, *data, error)) return false;
    pe::Image image;
    pe::ResourceTree tree;
    if (!image.parse(stub, error) || !tree.read(image, error)) return false;
    const pe::Resource* question = tree.find(pe::kDialogType, kQuestionDialog);
    if (question == nullptr) {
        error = "not a ZepInstall uninst.exe (it has no dialog 3100)";
        return false;
    }
    if (tree.find(kDataType, kDataId) != nullptr) {
        error = "already carries a product (resource 13000); give a plain uninst.exe";
        return false;
    }
    tree.put({pe::ResourceId::Number(kDataType), pe::ResourceId::Number(kDataId), question->language, 0, data});
    pe::Rewriter rewriter(image);
    if (!rewriter.plan(tree.size(), error)) return false;
    std::vector<std::uint8_t> storage;
    out = pe::Join(rewriter.write(tree.build(rewriter.resource_rva(), storage)));
    return true;
}

}  // namespace zep::tool
