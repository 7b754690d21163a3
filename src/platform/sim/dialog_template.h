// A dialog template (DLGTEMPLATE and its items) as the dialog manager reads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zep::sim {

struct TemplateItem {
    std::uint32_t style;
    std::uint32_t exstyle;
    int x, y, cx, cy;             // dialog units
    std::uint16_t id;             // 0xFFFF for a static without id
    std::string cls;              // "Button", "Edit", "Static", ... or a registered class
    std::string text;             // empty when the title is an ordinal
    std::optional<std::uint16_t> ordinal;  // resource ordinal of an icon static
};

struct DialogTemplate {
    std::uint32_t style;
    std::uint32_t exstyle;
    int x, y, cx, cy;
    std::string menu;
    std::string cls;
    std::string title;
    int point_size = 0;
    std::string font;
    std::vector<TemplateItem> items;
};

// nullopt for anything that is not a well-formed template of that size.
std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size);

}  // namespace zep::sim
