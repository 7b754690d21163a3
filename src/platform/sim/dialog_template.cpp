#include "platform/sim/dialog_template.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/sim/code_pages.h"

namespace zep::sim {

namespace {

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t at() const { return at_; }
    void align4() { at_ = (at_ + 3) & ~std::size_t{3}; }
    void skip(std::size_t n) {
        if (at_ + n > size_) ok_ = false;
        at_ += n;
    }

    std::uint16_t u16() {
        if (at_ + 2 > size_) {
            ok_ = false;
            return 0;
        }
        std::uint16_t v = static_cast<std::uint16_t>(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return v;
    }
    std::uint32_t u32() {
        std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    int i16() { return static_cast<std::int16_t>(u16()); }

    std::string text() {
        std::string s;
        for (std::uint16_t c = u16(); ok_ && c != 0; c = u16()) {
            s.push_back(static_cast<char>(UnicodeToAnsi(c)));
        }
        return s;
    }
    // A name or an ordinal (0xFFFF followed by a number).
    std::string text_or_ordinal(std::optional<std::uint16_t>& ordinal) {
        if (at_ + 2 <= size_ && data_[at_] == 0xFF && data_[at_ + 1] == 0xFF) {
            u16();
            ordinal = u16();
            return {};
        }
        return text();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::string ClassName(const std::string& name, const std::optional<std::uint16_t>& atom) {
    if (!atom) {
        // Resource compilers may spell the predefined classes as names, in any case.
        for (const char* known : {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"}) {
            if (name.size() == std::strlen(known) &&
                std::equal(name.begin(), name.end(), known, [](char a, char b) {
                    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
                })) {
                return known;
            }
        }
        return name;
    }
    switch (*atom) {
        case 0x80: return "Button";
        case 0x81: return "Edit";
        case 0x82: return "Static";
        case 0x83: return "ListBox";
        case 0x84: return "ScrollBar";
        case 0x85: return "ComboBox";
        default: return "#" + std::to_string(*atom);
    }
}

constexpr std::uint32_t kSetFont = 0x40;

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size) {
    Reader r(data, size);
    DialogTemplate t{};
    t.style = r.u32();
    if ((t.style & 0xFFFF) == 1 && (t.style >> 16) == 0xFFFF) return std::nullopt;  // DLGTEMPLATEEX
    t.exstyle = r.u32();
    std::uint16_t count = r.u16();
    t.x = r.i16();
    t.y = r.i16();
    t.cx = r.i16();
    t.cy = r.i16();
    std::optional<std::uint16_t> ordinal;
    t.menu = r.text_or_ordinal(ordinal);
    ordinal.reset();
    t.cls = ClassName(r.text_or_ordinal(ordinal), ordinal);
    t.title = r.text();
    if ((t.style & kSetFont) != 0) {
        t.point_size = r.u16();
        t.font = r.text();
    }
    for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
        r.align4();
        TemplateItem item{};
        item.style = r.u32();
        item.exstyle = r.u32();
        item.x = r.i16();
        item.y = r.i16();
        item.cx = r.i16();
        item.cy = r.i16();
        item.id = r.u16();
        std::optional<std::uint16_t> cls_atom;
        std::string cls = r.text_or_ordinal(cls_atom);
        item.cls = ClassName(cls, cls_atom);
        item.text = r.text_or_ordinal(item.ordinal);
        std::uint16_t extra = r.u16();  // bytes of creation data, which the installer never uses
        r.skip(extra);
        t.items.push_back(std::move(item));
    }
    if (!r.ok()) return std::nullopt;
    return t;
}

}  // namespace zep::sim
