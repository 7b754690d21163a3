#include "tools/zep/embedded_setup.h"

#include <algorithm>
#include <memory>

#include "szdd/szdd.h"

namespace zep::tool {

namespace {

constexpr std::uint16_t kScriptNameString = 8000;
constexpr std::uint16_t kStampDateString = 8001;
constexpr std::uint16_t kStampTimeString = 8002;
constexpr std::uint16_t kNewInstallationDialog = 2400;
constexpr std::uint16_t kByteCountOffset = 2000;

// A number as the installer reads it from a string: its leading digits.
std::uint32_t LeadingNumber(const std::string& text) {
    std::uint32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n >= 0x19999999u) break;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return n;
}

// The installer's resources: its script name and one of its dialogs.
bool ReadSetup(std::vector<std::uint8_t> bytes, Stub& out, std::string& error) {
    if (!out.image.parse(std::move(bytes), error)) return false;
    if (!out.resources.read(out.image, error)) return false;
    const auto name = out.resources.string(kScriptNameString);
    if (!name || out.resources.find(pe::kDialogType, kNewInstallationDialog) == nullptr) {
        error = "not a ZepInstall setup.exe (it has no string 8000 or dialog 2400)";
        return false;
    }
    out.script_name = pe::Narrow(*name);
    for (const pe::Resource& r : out.resources.resources()) {
        if (!r.type.named() && r.type.id == pe::kStringType && r.name == pe::ResourceId::Number(kScriptNameString / 16 + 1)) {
            out.language = r.language;
        }
    }
    return true;
}

}  // namespace

bool ReadStub(std::vector<std::uint8_t> bytes, Stub& out, std::string& error) {
    if (!ReadSetup(std::move(bytes), out, error)) return false;
    if (out.resources.find(kPayloadType, kScriptId) != nullptr) {
        error = "already carries a product (resource 12000); give a plain setup.exe";
        return false;
    }
    return true;
}

bool EmbeddedWriter::build(const std::vector<Payload>& payload, const Stamp& stamp, std::string& error) {
    tree_ = stub_.resources;
    for (const Payload& p : payload) {
        if (p.data->size() > 0x7FFFFFFF) {
            error = "resource " + std::to_string(p.id) + " is over 2 GB, more than a 32-bit installer can load";
            return false;
        }
        tree_.put({pe::ResourceId::Number(kPayloadType), pe::ResourceId::Number(p.id), stub_.language, 0, p.data});
    }
    tree_.set_string(kStampDateString, pe::Widen(std::to_string(stamp.dos_date)), stub_.language);
    tree_.set_string(kStampTimeString, pe::Widen(std::to_string(stamp.dos_time)), stub_.language);
    const std::uint32_t size = tree_.size();
    if (size == 0xFFFFFFFFu) {
        error = "the product is larger than the 2 GB a 32-bit installer can load";
        return false;
    }
    if (!rewriter_.plan(size, error)) return false;
    chunks_ = rewriter_.write(tree_.build(rewriter_.resource_rva(), storage_));
    return true;
}

std::uint64_t EmbeddedWriter::size() const {
    std::uint64_t n = 0;
    for (const pe::Chunk& c : chunks_) n += c.size;
    return n;
}

pe::Bytes EmbeddedSetup::stored(std::uint16_t id) const {
    const pe::Resource* r = stub.resources.find(kPayloadType, id);
    if (r == nullptr) return nullptr;
    const auto count = stub.resources.string(static_cast<std::uint16_t>(id - kByteCountOffset));
    const std::uint32_t stated = count ? LeadingNumber(pe::Narrow(*count)) : 0;
    if (stated == 0 || stated >= r->data->size()) return r->data;
    return std::make_shared<const std::vector<std::uint8_t>>(r->data->begin(), r->data->begin() + stated);
}

std::uint32_t EmbeddedSetup::resource_size(std::uint16_t id) const {
    const pe::Resource* r = stub.resources.find(kPayloadType, id);
    return r == nullptr ? 0 : static_cast<std::uint32_t>(r->data->size());
}

std::int32_t MemorySource::read(void* buf, std::uint32_t count) {
    const std::size_t n = std::min<std::size_t>({std::size_t{count}, size_ - at_, std::size_t{0x7FFFFFFF}});
    std::copy(data_ + at_, data_ + at_ + n, static_cast<std::uint8_t*>(buf));
    at_ += n;
    return static_cast<std::int32_t>(n);
}

namespace {

class StringSink final : public szdd::Sink {
public:
    explicit StringSink(std::size_t limit) : limit_(limit) {}
    bool write(const void* buf, std::uint32_t count) override {
        if (count > limit_ - text.size()) return false;
        text.append(static_cast<const char*>(buf), count);
        return true;
    }
    std::string text;

private:
    std::size_t limit_;
};

}  // namespace

bool ExpandStored(const std::uint8_t* data, std::size_t size, std::string& out, std::size_t limit) {
    MemorySource source(data, size);
    auto expander = std::make_unique<szdd::Expander>();
    StringSink sink(limit);
    if (expander->init(source) < 0 || expander->copy(sink) < 0) return false;
    out = std::move(sink.text);
    return true;
}

bool ReadEmbedded(std::vector<std::uint8_t> bytes, EmbeddedSetup& out, std::string& error) {
    if (!ReadSetup(std::move(bytes), out.stub, error)) return false;
    const pe::Bytes script = out.stored(kScriptId);
    if (!script) {
        error = "a plain setup.exe: it carries no product (no resource 12000)";
        return false;
    }
    std::string text;
    if (!ExpandStored(script->data(), script->size(), text, 64u << 20)) {
        error = "its script (resource 12000) does not expand";
        return false;
    }
    if (!ReadProductScript(text, out.stub.script_name, out.script, error)) return false;
    const auto date = out.stub.resources.string(kStampDateString);
    const auto time = out.stub.resources.string(kStampTimeString);
    out.stamp_date = static_cast<std::uint16_t>(date ? LeadingNumber(pe::Narrow(*date)) : 0);
    out.stamp_time = static_cast<std::uint16_t>(time ? LeadingNumber(pe::Narrow(*time)) : 0);
    return true;
}

bool StripPayload(const EmbeddedSetup& setup, std::vector<std::uint8_t>& out, std::string& error) {
    pe::ResourceTree tree = setup.stub.resources;
    std::vector<std::uint16_t> ids;
    for (const pe::Resource& r : tree.resources()) {
        if (!r.type.named() && r.type.id == kPayloadType && !r.name.named()) ids.push_back(r.name.id);
    }
    tree.remove_if([](const pe::Resource& r) { return !r.type.named() && r.type.id == kPayloadType; });
    for (std::uint16_t id : ids) {
        if (id >= kByteCountOffset) tree.set_string(static_cast<std::uint16_t>(id - kByteCountOffset), {}, setup.stub.language);
    }
    pe::Rewriter rewriter(setup.stub.image);
    if (!rewriter.plan(tree.size(), error)) return false;
    std::vector<std::uint8_t> storage;
    out = pe::Join(rewriter.write(tree.build(rewriter.resource_rva(), storage)));
    return true;
}

}  // namespace zep::tool
