// zep simulate --report: one page an author opens in a browser. Each dialog is drawn from
// its template at its size in dialog units (the 8-point dialog font's 6 by 13 pixels per
// 4 by 8 units, as on a VGA screen), with the texts it showed, so that a caption that is
// too long or a text cut off by its control shows as such.
#include <cstdio>

#include "tools/zep/simulation.h"

namespace zep::tool {

namespace {

constexpr int kButtonKind = 0xF;
constexpr int kGroupBox = 7;
constexpr int kStaticKind = 0x1F;
constexpr int kIcon = 3, kCenter = 1, kRight = 2;

int X(int units) { return units * 6 / 4; }
int Y(int units) { return units * 13 / 8; }

std::string Html(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\r': break;
            default:
                if (c >= 0x80) {  // code page 1252 read as Latin-1
                    out += "&#" + std::to_string(c) + ";";
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

// A control's text with its mnemonic underlined: "&Begin", "&&" for an ampersand.
std::string Label(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            out += text[i] == '&' ? "&amp;" : "<u>" + Html(std::string(1, text[i])) + "</u>";
        } else {
            out += Html(std::string(1, text[i]));
        }
    }
    return out;
}

std::string Box(int x, int y, int cx, int cy) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "left:%dpx;top:%dpx;width:%dpx;height:%dpx", X(x), Y(y), X(cx), Y(cy));
    return buf;
}

std::string DrawDialog(const DialogRecord& d, const sim::DialogTemplate* t) {
    std::string out = "<figure><figcaption>" + std::to_string(d.id) + (d.modal ? "" : " (modeless)");
    if (d.modal) {
        std::string acts;
        for (const std::string& a : d.actions) acts += (acts.empty() ? "" : "; ") + a;
        out += ": " + Html(acts) + " <small>(" + Html(d.answered_by) + ", result " + std::to_string(d.result) + ")</small>";
    }
    out += "</figcaption>\n";
    if (t == nullptr) return out + "<p>(no template)</p></figure>\n";
    char size[64];
    std::snprintf(size, sizeof size, "width:%dpx", X(t->cx));
    out += "<div class=\"window\" style=\"" + std::string(size) + "\"><div class=\"caption\">" + Html(d.caption) +
           "</div><div class=\"client\" style=\"height:" + std::to_string(Y(t->cy)) + "px\">\n";
    // The children were made in the template's order: their state goes with its items.
    const bool same = d.controls.size() == t->items.size();
    for (std::size_t i = 0; i < t->items.size(); ++i) {
        const sim::TemplateItem& item = t->items[i];
        const ControlState* c = same ? &d.controls[i] : nullptr;
        if (c == nullptr) {
            for (const ControlState& k : d.controls) {
                if (k.id == item.id && item.id != 0xFFFF) c = &k;
            }
        }
        const std::string text = c != nullptr ? c->text : item.text;
        const bool visible = c != nullptr ? c->visible : (item.style & 0x10000000u) != 0;
        const bool enabled = c != nullptr ? c->enabled : (item.style & 0x08000000u) == 0;
        if (!visible) continue;
        std::string cls = item.cls == "Button" ? ((item.style & kButtonKind) == kGroupBox ? "group" : "button")
                          : item.cls == "Edit"  ? "edit"
                          : item.cls == "Static" ? "static"
                                                 : "other";
        std::string style = Box(item.x, item.y, item.cx, item.cy);
        if (cls == "static") {
            const int kind = static_cast<int>(item.style & kStaticKind);
            if (kind == kIcon) {
                cls = "icon";  // an icon takes its own size, 32 by 32 pixels
                char icon[64];
                std::snprintf(icon, sizeof icon, "left:%dpx;top:%dpx;width:32px;height:32px", X(item.x), Y(item.y));
                style = icon;
            }
            if (kind == kCenter) style += ";text-align:center";
            if (kind == kRight) style += ";text-align:right";
        }
        out += "<div class=\"" + cls + (enabled ? "" : " grey") + "\" style=\"" + style + "\" title=\"" +
               std::to_string(item.id == 0xFFFF ? -1 : item.id) + "\">";
        if (cls == "group") out += "<span>" + Label(text) + "</span>";
        else if (cls != "icon") out += cls == "edit" ? Html(text) : Label(text);
        out += "</div>\n";
    }
    return out + "</div></div></figure>\n";
}

const char kStyle[] =
    "body{font-family:sans-serif;background:#fff;color:#000;margin:16px}"
    "figure{margin:16px 0}figcaption{font-size:13px;margin-bottom:4px}"
    ".window{border:2px outset #c0c0c0;background:#c0c0c0;font:10px 'MS Sans Serif',Tahoma,Arial,sans-serif}"
    ".caption{background:#000080;color:#fff;font-weight:bold;height:18px;line-height:18px;padding:0 3px;"
    "white-space:nowrap;overflow:hidden}"
    ".client{position:relative;overflow:hidden}"
    ".client>div{position:absolute;overflow:hidden;box-sizing:border-box}"
    ".static{white-space:pre-wrap;word-wrap:break-word}"
    ".button{border:2px outset #e0e0e0;text-align:center;display:flex;align-items:center;justify-content:center;"
    "background:#c0c0c0}"
    ".edit{background:#fff;border:2px inset #e0e0e0;white-space:nowrap;padding:1px 2px}"
    ".group{border:1px solid #808080}.group span{position:relative;top:-8px;left:6px;background:#c0c0c0;padding:0 2px}"
    ".icon{background:#ffd700;border:1px solid #806000}"
    ".other{border:1px solid #000;background:#fff}"
    ".grey{color:#808080}"
    "pre{font-size:12px;background:#f4f4f4;padding:8px}";

void Run(const SimulationRun& run, const std::map<std::uint16_t, sim::DialogTemplate>& templates, std::string& out) {
    for (const DialogRecord& d : run.dialogs) {
        auto t = templates.find(d.id);
        out += DrawDialog(d, t == templates.end() ? nullptr : &t->second);
    }
    out += "<p><b>Result:</b> " + Html(run.outcome) + "</p>\n";
}

}  // namespace

std::string SimulationHtml(const SimulationResult& result, const std::string& label, const SimulateOptions& options,
                           const ProductInput& input) {
    const auto templates = DialogTemplates(input, result.uninstall.has_value());
    std::string out = "<!DOCTYPE html>\n<html><head><meta charset=\"iso-8859-1\"><title>zep simulate: " + Html(label) +
                      "</title><style>" + kStyle + "</style></head><body>\n<h1>zep simulate: " + Html(label) + "</h1>\n";
    out += "<p>" + Html(result.mode == "disks" ? "Disk mode" : "Embedded") + " on " + Html(options.platform.name) + ", " +
           kDisplayNames[options.display] + ", from " + Html(result.from) + ".</p>\n<h2>The installation</h2>\n";
    Run(result.install, templates, out);
    if (result.uninstall) {
        out += "<h2>Then the uninstaller</h2>\n";
        Run(*result.uninstall, templates, out);
    }
    out += "<h2>Everything, as text</h2>\n<pre>" + Html(SimulationText(result, label, options)) + "</pre>\n</body></html>\n";
    return out;
}

}  // namespace zep::tool
