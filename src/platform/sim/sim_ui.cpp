// Windows, dialogs, the message queue and the scripted user of the simulated process.
// Dialogs are built from the same templates setup.exe carries; their procedures are the
// logic's own, called as the dialog manager calls them.
#include <cstring>
#include <utility>

#include "platform/sim/code_pages.h"
#include "platform/sim/dialog_template.h"
#include "platform/sim/sim_platform.h"

namespace zep::sim {

namespace {

constexpr Hwnd kDesktop = 0x10008;
constexpr Hhook kFilterHook = 0x4000;
constexpr Hgdiobj kStockBitmap = 0x1FFF;
constexpr std::uint32_t kSysClose = 0xF060;  // SC_CLOSE
constexpr std::uint32_t kClassAlreadyExists = 1410;
constexpr std::uint32_t kClassDoesNotExist = 1411;

std::string Upper(const char* s) {
    return AnsiUpper(std::string(s ? s : ""));
}

bool SameText(const std::string& a, const char* b) {
    return SameAnsiName(a, b ? b : "");
}

std::uintptr_t MakeWparam(int id, std::uint32_t code) {
    return (static_cast<std::uintptr_t>(id) & 0xFFFF) | (static_cast<std::uintptr_t>(code) << 16);
}

std::string Hex(std::uintptr_t v) {
    char b[24];
    std::snprintf(b, sizeof b, "%#zx", static_cast<std::size_t>(v));
    return b;
}

}  // namespace

// --- Windows ---

bool SimPlatform::register_class(const WindowClass& cls) {
    if (fail("register_class", cls.name)) return false;
    std::string key = Upper(cls.name);
    if (classes_.count(key) > 0) return fail_with(kClassAlreadyExists);
    classes_[key] = cls;
    return true;
}

Hwnd SimPlatform::create_window(const char* cls, const char* title, std::uint32_t style, int x,
                                int y, int width, int height, Hwnd parent) {
    if (fail("create_window", cls ? cls : "")) return 0;
    auto it = classes_.find(Upper(cls));
    if (it == classes_.end()) return fail_with(kClassDoesNotExist), 0;
    SimWindow& w = machine_.new_window(this, thread_);
    const Hwnd h = w.handle;
    w.cls = it->second.name;
    w.text = title ? title : "";
    w.style = style;
    w.parent = parent;
    w.rect = {x, y, x + width, y + height};
    w.client = w.rect;
    w.visible = (style & WS_VISIBLE) != 0;
    w.enabled = (style & WS_DISABLED) == 0;
    w.window_proc = it->second.proc;
    if ((style & WS_CHILD) != 0 && window(parent) != nullptr) {
        window(parent)->children.push_back(h);
    } else {
        machine_.z_order.insert(machine_.z_order.begin(), h);
    }
    if (deliver(w, WM_CREATE, 0, 0) == -1) {
        machine_.destroy(h);
        return 0;
    }
    return h;
}

bool SimPlatform::destroy_window(Hwnd h) {
    if (fail("destroy_window")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    if (w->process != this) return fail_with(ERROR_ACCESS_DENIED);
    deliver(*w, WM_DESTROY, 0, 0);
    for (Hwnd child : std::vector<Hwnd>(w->children)) {
        if (SimWindow* c = window(child)) deliver(*c, WM_DESTROY, 0, 0);
    }
    if (capture_ == h) capture_ = 0;
    machine_.destroy(h);
    return true;
}

std::intptr_t SimPlatform::def_window_proc(Hwnd h, std::uint32_t msg, std::uintptr_t,
                                           std::intptr_t) {
    if (msg == WM_CLOSE) destroy_window(h);
    return 0;
}

Hwnd SimPlatform::find_window(const char* cls, const char* title) {
    if (fail("find_window", cls ? cls : "")) return 0;
    for (Hwnd h : machine_.z_order) {
        SimWindow* w = window(h);
        if (w == nullptr) continue;
        if (cls != nullptr && !SameText(w->cls, cls)) continue;
        if (title != nullptr && !SameText(w->text, title)) continue;
        return h;
    }
    return 0;
}

Hwnd SimPlatform::get_window(Hwnd h, std::uint32_t cmd) {
    if (fail("get_window")) return 0;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE), 0;
    const std::vector<Hwnd>* list = &machine_.z_order;
    if ((w->style & WS_CHILD) != 0 && window(w->parent) != nullptr) list = &window(w->parent)->children;
    for (std::size_t i = 0; i < list->size(); ++i) {
        if ((*list)[i] != h) continue;
        if (cmd == GW_HWNDNEXT) return i + 1 < list->size() ? (*list)[i + 1] : 0;
        if (cmd == GW_HWNDPREV) return i > 0 ? (*list)[i - 1] : 0;
    }
    return 0;
}

std::uint32_t SimPlatform::get_window_thread_process_id(Hwnd h) {
    if (fail("get_window_thread_process_id")) return 0;
    SimWindow* w = window(h);
    return w != nullptr ? w->thread : 0;
}

std::uint32_t SimPlatform::get_window_style(Hwnd h) {
    if (fail("get_window_style")) return 0;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE), 0;
    std::uint32_t style = w->style & ~(WS_VISIBLE | WS_DISABLED);
    return style | (w->visible ? WS_VISIBLE : 0) | (w->enabled ? 0 : WS_DISABLED);
}

Hwnd SimPlatform::get_parent(Hwnd h) {
    if (fail("get_parent")) return 0;
    SimWindow* w = window(h);
    if (w == nullptr) return 0;
    // A child's parent, or a popup's owner; an overlapped window has neither.
    return (w->style & (WS_CHILD | WS_POPUP)) != 0 ? w->parent : 0;
}

bool SimPlatform::bring_window_to_top(Hwnd h) {
    if (fail("bring_window_to_top")) return false;
    if (window(h) == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    machine_.bring_to_top(h);
    user.log("bring to top " + Hex(h));
    return true;
}

bool SimPlatform::show_window(Hwnd h, int cmd) {
    if (fail("show_window")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return false;
    bool was = w->visible;
    w->visible = cmd != SW_HIDE;
    return was;
}

bool SimPlatform::set_window_text(Hwnd h, const char* text) {
    if (fail("set_window_text")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    w->text = text ? text : "";
    // An edit control tells its dialog that its text changed, as it does for typing.
    if (w->cls == "Edit") {
        if (SimWindow* parent = window(w->parent)) {
            deliver(*parent, WM_COMMAND, MakeWparam(w->id, EN_UPDATE), static_cast<std::intptr_t>(h));
            if ((parent = window(w->parent)) != nullptr) {
                deliver(*parent, WM_COMMAND, MakeWparam(w->id, EN_CHANGE), static_cast<std::intptr_t>(h));
            }
        }
    }
    return true;
}

int SimPlatform::get_window_text(Hwnd h, char* buf, int size) {
    if (size <= 0) return 0;
    buf[0] = '\0';  // what Windows leaves on failure: an empty text
    if (fail("get_window_text")) return 0;
    SimWindow* w = window(h);
    const std::string text = w != nullptr ? w->text : std::string();
    std::size_t n = text.size() < static_cast<std::size_t>(size) ? text.size() : size - 1;
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

int SimPlatform::get_window_text_length(Hwnd h) {
    if (fail("get_window_text_length")) return 0;
    SimWindow* w = window(h);
    return w != nullptr ? static_cast<int>(w->text.size()) : 0;
}

Hwnd SimPlatform::get_dlg_item(Hwnd dialog, int id) {
    if (fail("get_dlg_item")) return 0;
    SimWindow* d = window(dialog);
    if (d == nullptr) return 0;
    for (Hwnd c : d->children) {
        SimWindow* w = window(c);
        if (w != nullptr && (w->id & 0xFFFF) == (id & 0xFFFF)) return c;
    }
    return fail_with(1421), 0;  // ERROR_CONTROL_ID_NOT_FOUND
}

bool SimPlatform::set_dlg_item_text(Hwnd dialog, int id, const char* text) {
    Hwnd item = get_dlg_item(dialog, id);
    return item != 0 && set_window_text(item, text);
}

std::uint32_t SimPlatform::get_dlg_item_text(Hwnd dialog, int id, char* buf, int size) {
    Hwnd item = get_dlg_item(dialog, id);
    if (item == 0) {
        if (size > 0) buf[0] = '\0';
        return 0;
    }
    return static_cast<std::uint32_t>(get_window_text(item, buf, size));
}

bool SimPlatform::enable_window(Hwnd h, bool enable) {
    if (fail("enable_window")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return false;
    bool was_disabled = !w->enabled;
    w->enabled = enable;
    return was_disabled;
}

bool SimPlatform::is_window_enabled(Hwnd h) {
    SimWindow* w = window(h);
    return w != nullptr && w->enabled;
}

bool SimPlatform::get_window_rect(Hwnd h, Rect& out) {
    if (fail("get_window_rect")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    out = w->rect;
    return true;
}

bool SimPlatform::get_client_rect(Hwnd h, Rect& out) {
    if (fail("get_client_rect")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    out = {0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    return true;
}

bool SimPlatform::screen_to_client(Hwnd h, Point& pt) {
    if (fail("screen_to_client")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return false;
    pt.x -= w->client.left;
    pt.y -= w->client.top;
    return true;
}

bool SimPlatform::set_window_pos(Hwnd h, Hwnd after, int x, int y, int cx, int cy,
                                 std::uint32_t flags) {
    if (fail("set_window_pos")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    // A child is positioned in its parent's client coordinates.
    int ox = 0, oy = 0;
    if ((w->style & WS_CHILD) != 0) {
        if (SimWindow* p = window(w->parent)) {
            ox = p->client.left;
            oy = p->client.top;
        }
    }
    Rect r = w->rect;
    if ((flags & SWP_NOMOVE) == 0) {
        int dx = x + ox - r.left, dy = y + oy - r.top;
        auto shift = [&](Rect& q) { q = {q.left + dx, q.top + dy, q.right + dx, q.bottom + dy}; };
        shift(w->rect);
        shift(w->client);
        for (Hwnd c : w->children) {
            if (SimWindow* child = window(c)) {
                shift(child->rect);
                shift(child->client);
            }
        }
    }
    if ((flags & SWP_NOSIZE) == 0) {
        int dw = cx - (w->rect.right - w->rect.left), dh = cy - (w->rect.bottom - w->rect.top);
        w->rect.right += dw;
        w->rect.bottom += dh;
        w->client.right += dw;
        w->client.bottom += dh;
    }
    if ((flags & SWP_NOZORDER) == 0 && (after == HWND_TOPMOST || after == HWND_NOTOPMOST)) {
        w->topmost = after == HWND_TOPMOST;
        if (w->topmost) machine_.bring_to_top(h);
        user.log(std::string(w->topmost ? "topmost " : "not topmost ") + Hex(h));
    }
    return true;
}

int SimPlatform::get_system_metrics(int index) {
    switch (index) {
        case SM_CXSCREEN: return machine_.screen_width;
        case SM_CYSCREEN: return machine_.screen_height;
        case SM_CYCAPTION: return machine_.caption;
        case SM_CXDLGFRAME: return machine_.frame_x;
        case SM_CYDLGFRAME: return machine_.frame_y;
        default: return 0;
    }
}

std::int32_t SimPlatform::get_dialog_base_units() {
    return (machine_.system_base_y << 16) | (machine_.system_base_x & 0xFFFF);
}

// --- Dialogs ---

Rect SimPlatform::dialog_units(const Rect& r) const {
    auto px = [&](int v) { return v * machine_.base_unit_x / 4; };
    auto py = [&](int v) { return v * machine_.base_unit_y / 8; };
    return {px(r.left), py(r.top), px(r.right), py(r.bottom)};
}

SimWindow* SimPlatform::make_dialog(std::uint16_t template_id, const void* data, std::size_t size,
                                    Hwnd owner, DialogProc proc) {
    std::optional<DialogTemplate> t = ParseDialogTemplate(static_cast<const std::uint8_t*>(data), size);
    if (!t) return nullptr;
    SimWindow& d = machine_.new_window(this, thread_);
    d.cls = "#32770";
    d.is_dialog = true;
    d.dialog_proc = proc;
    d.template_id = template_id;
    d.parent = owner;
    d.text = t->title;
    d.style = t->style;
    d.exstyle = t->exstyle;
    Rect client = dialog_units({t->x, t->y, t->x + t->cx, t->y + t->cy});
    if (SimWindow* o = window(owner)) {
        client = {client.left + o->client.left, client.top + o->client.top,
                  client.right + o->client.left, client.bottom + o->client.top};
    }
    const int caption = (t->style & WS_CAPTION) == WS_CAPTION ? machine_.caption : 0;
    d.client = {client.left + machine_.frame_x, client.top + machine_.frame_y + caption,
                client.right + machine_.frame_x, client.bottom + machine_.frame_y + caption};
    d.rect = {client.left, client.top, client.right + 2 * machine_.frame_x,
              client.bottom + 2 * machine_.frame_y + caption};
    machine_.z_order.insert(machine_.z_order.begin(), d.handle);
    const Hwnd dialog = d.handle;
    for (const TemplateItem& item : t->items) {
        SimWindow& c = machine_.new_window(this, thread_);
        SimWindow& parent = *window(dialog);
        c.cls = item.cls;
        c.text = item.text;
        c.icon = item.ordinal;
        c.style = item.style | WS_CHILD;
        c.exstyle = item.exstyle;
        c.id = item.id;
        c.parent = dialog;
        Rect r = dialog_units({item.x, item.y, item.x + item.cx, item.y + item.cy});
        c.rect = {r.left + parent.client.left, r.top + parent.client.top, r.right + parent.client.left,
                  r.bottom + parent.client.top};
        c.client = c.rect;
        c.visible = (item.style & WS_VISIBLE) != 0;
        c.enabled = (item.style & WS_DISABLED) == 0;
        auto cls = classes_.find(Upper(item.cls.c_str()));
        if (cls != classes_.end()) c.window_proc = cls->second.proc;
        parent.children.push_back(c.handle);
        if (parent.focus == 0 && (item.style & WS_TABSTOP) != 0 && c.enabled) parent.focus = c.handle;
        if (c.window_proc != nullptr) deliver(c, WM_CREATE, 0, 0);
    }
    return window(dialog);
}

void SimPlatform::record_shown(Hwnd dialog) {
    SimWindow* d = window(dialog);
    ShownDialog shown;
    shown.id = d->template_id;
    shown.title = d->text;
    shown.parent = d->parent;
    std::string line = "dialog " + std::to_string(d->template_id) + " \"" + d->text + "\"";
    if (d->parent != 0) line += " over " + Hex(d->parent);
    user.log(line);
    int unnamed = 0;
    for (Hwnd c : d->children) {
        SimWindow* w = window(c);
        if (w == nullptr || w->text.empty()) continue;
        int key = w->id == 0xFFFF ? --unnamed : w->id;
        shown.texts[key] = w->text;
        std::string what = w->cls == "Button" ? "[" + std::to_string(w->id) + "] " : w->cls == "Edit" ? "edit " : "";
        if (w->cls != "Button") what += (w->id == 0xFFFF ? std::string("-") : std::to_string(w->id)) + ": ";
        user.log("  " + what + w->text + (w->enabled ? "" : " (disabled)"));
    }
    user.shown.push_back(std::move(shown));
}

std::intptr_t SimPlatform::dialog_box_indirect_param(const void* tmpl, Hwnd parent,
                                                     DialogProc proc, std::intptr_t param) {
    if (fail("dialog_box_indirect_param")) return -1;
    std::optional<std::size_t> index = tmpl ? resources.index_of_data(tmpl) : std::nullopt;
    if (!index) return fail_with(ERROR_INVALID_PARAMETER), -1;
    const Resource& res = resources.at(*index);
    std::size_t offset = static_cast<const std::uint8_t*>(tmpl) - res.data.data();
    SimWindow* made = make_dialog(res.type == RT_DIALOG ? res.id : 0, tmpl, res.data.size() - offset,
                                  parent, proc);
    if (made == nullptr) return fail_with(ERROR_RESOURCE_DATA_NOT_FOUND), -1;
    const Hwnd dialog = made->handle;
    SimWindow* owner = window(parent);
    const bool owner_was_enabled = owner != nullptr && owner->enabled;
    if (owner != nullptr) owner->enabled = false;

    const std::uint16_t id = made->template_id;
    deliver(*made, WM_INITDIALOG, made->focus, param);
    SimWindow* d = window(dialog);
    if (d == nullptr) return -1;
    if (!d->ended) d->visible = true;
    record_shown(dialog);
    const std::size_t shown_index = user.shown.size() - 1;

    ++modal_depth_;
    std::vector<UserAction> actions = user.take_answer(*this, id);
    std::size_t next = 0;
    int escapes = 0;
    for (d = window(dialog); d != nullptr && !d->ended; d = window(dialog)) {
        if (process_one(dialog)) continue;
        if ((d = window(dialog)) == nullptr || d->ended) break;
        if (next < actions.size()) {
            perform(dialog, actions[next++]);
            continue;
        }
        if (escapes++ == 0) {
            user.errors.push_back("dialog " + std::to_string(id) + " is still open after its answer");
            user.log("  (no answer left: Escape)");
            press_key(dialog, VK_ESCAPE, false);
            continue;
        }
        user.errors.push_back("dialog " + std::to_string(id) + " does not close; closed by force");
        d->ended = true;
        d->result = 0;
    }
    --modal_depth_;
    if (next < actions.size()) {
        user.errors.push_back("dialog " + std::to_string(id) + " closed before all its answer was given");
    }
    std::intptr_t result = d != nullptr ? d->result : 0;
    if (d != nullptr) {
        deliver(*d, WM_DESTROY, 0, 0);
        machine_.destroy(dialog);
    }
    if ((owner = window(parent)) != nullptr && owner_was_enabled) owner->enabled = true;
    user.log("  -> " + std::to_string(result));
    user.shown[shown_index].result = result;
    return result;
}

Hwnd SimPlatform::create_dialog_param(std::uint16_t id, Hwnd owner, DialogProc proc,
                                      std::intptr_t param) {
    if (fail("create_dialog_param")) return 0;
    const Resource* res = resources.find(RT_DIALOG, id);
    if (res == nullptr) return fail_with(ERROR_RESOURCE_NAME_NOT_FOUND), 0;
    SimWindow* made = make_dialog(id, res->data.data(), res->data.size(), owner, proc);
    if (made == nullptr) return fail_with(ERROR_RESOURCE_DATA_NOT_FOUND), 0;
    const Hwnd dialog = made->handle;
    for (Hwnd c : made->children) {
        SimWindow* w = window(c);
        if (w != nullptr && w->window_proc == nullptr && w->cls != "Button" && w->cls != "Edit" &&
            w->cls != "Static") {
            machine_.destroy(dialog);  // a control of a class nobody registered
            return fail_with(kClassDoesNotExist), 0;
        }
    }
    deliver(*made, WM_INITDIALOG, made->focus, param);
    if (SimWindow* w = window(dialog); w != nullptr && (w->style & WS_VISIBLE) != 0) w->visible = true;
    record_shown(dialog);
    return dialog;
}

bool SimPlatform::end_dialog(Hwnd dialog, std::intptr_t result) {
    // EndDialog fails only for a window that is not a dialog: made to fail, a dialog
    // ends all the same.
    const bool failed = fail("end_dialog");
    SimWindow* d = window(dialog);
    if (d == nullptr || !d->is_dialog) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    d->ended = true;
    d->result = result;
    return !failed;
}

bool SimPlatform::is_within(Hwnd h, Hwnd ancestor) {
    for (int steps = 0; h != 0 && steps < 64; ++steps) {
        if (h == ancestor) return true;
        SimWindow* w = window(h);
        if (w == nullptr || (w->style & WS_CHILD) == 0) return false;
        h = w->parent;
    }
    return false;
}

bool SimPlatform::filter(Msg& msg) {
    return filter_ != nullptr && context_ != nullptr && filter_(*context_, MSGF_DIALOGBOX, 0, &msg) != 0;
}

bool SimPlatform::is_dialog_message(Hwnd dialog, Msg& msg) {
    if (fail("is_dialog_message")) return false;
    if (filter(msg)) return true;
    SimWindow* d = window(dialog);
    if (d == nullptr || !is_within(msg.hwnd, dialog)) return false;
    if (msg.message == WM_KEYDOWN && (msg.wparam == VK_ESCAPE || msg.wparam == VK_RETURN)) {
        int id = IDCANCEL;
        if (msg.wparam == VK_RETURN) {
            id = IDOK;
            for (Hwnd c : d->children) {
                SimWindow* w = window(c);
                if (w != nullptr && w->cls == "Button" && (w->style & 0xF) == BS_DEFPUSHBUTTON) {
                    if (!w->enabled) return true;
                    id = w->id;
                    break;
                }
            }
        }
        deliver(*d, WM_COMMAND, MakeWparam(id, BN_CLICKED), static_cast<std::intptr_t>(get_dlg_item(dialog, id)));
        return true;
    }
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) return true;
    dispatch_message(msg);
    return true;
}

bool SimPlatform::process_one(Hwnd dialog) {
    if (queue_.empty()) return false;
    Msg msg = queue_.front();
    if (msg.message == WM_QUIT) {
        // The modal loop leaves WM_QUIT for the loop outside and ends the dialog.
        if (SimWindow* d = window(dialog)) d->ended = true;
        return true;
    }
    queue_.pop_front();
    if (!is_dialog_message(dialog, msg)) {
        translate_message(msg);
        dispatch_message(msg);
    }
    return true;
}

void SimPlatform::press_key(Hwnd dialog, std::uint32_t vk, bool repeat) {
    SimWindow* d = window(dialog);
    Hwnd target = d != nullptr && d->focus != 0 ? d->focus : dialog;
    Msg down{target, WM_KEYDOWN, vk, repeat ? 0x40000001 : 0x00000001, ++message_time_, {}};
    if (!is_dialog_message(dialog, down)) dispatch_message(down);
    Msg up{target, WM_KEYUP, vk, static_cast<std::intptr_t>(0xC0000001u), ++message_time_, {}};
    if (window(dialog) != nullptr && !is_dialog_message(dialog, up)) dispatch_message(up);
}

void SimPlatform::perform(Hwnd dialog, const UserAction& a) {
    Hwnd control = a.id != 0 ? get_dlg_item(dialog, a.id) : 0;
    SimWindow* c = window(control);
    switch (a.kind) {
        case UserAction::Kind::kClick: {
            if (c == nullptr) {
                user.errors.push_back("no control " + std::to_string(a.id) + " to click");
                return;
            }
            user.log("  click " + std::to_string(a.id) + " " + c->text + (c->enabled ? "" : " (disabled)"));
            Msg m{control, WM_LBUTTONUP, 0, 0, ++message_time_, {}};
            if (!is_dialog_message(dialog, m)) dispatch_message(m);
            return;
        }
        case UserAction::Kind::kType: {
            if (c == nullptr || c->cls != "Edit") {
                user.errors.push_back("no edit field " + std::to_string(a.id) + " to type into");
                return;
            }
            std::string text = a.text;
            if (c->text_limit > 0 && text.size() > static_cast<std::size_t>(c->text_limit)) {
                text.resize(static_cast<std::size_t>(c->text_limit));
            }
            user.log("  type " + std::to_string(a.id) + " \"" + text + "\"");
            if (c->enabled) set_window_text(control, text.c_str());
            return;
        }
        case UserAction::Kind::kKey:
            user.log("  key " + Hex(a.vk) + (a.repeat ? " (held)" : ""));
            press_key(dialog, a.vk, a.repeat);
            return;
        case UserAction::Kind::kClose:
            user.log("  close box");
            if (SimWindow* d = window(dialog)) deliver(*d, WM_SYSCOMMAND, kSysClose, 0);
            return;
        case UserAction::Kind::kCall:
            a.call(*this, dialog);
            return;
    }
}

std::intptr_t SimPlatform::deliver(SimWindow& w, std::uint32_t msg, std::uintptr_t wparam,
                                   std::intptr_t lparam) {
    if (w.process == nullptr) return w.handler ? w.handler(msg, wparam, lparam) : 0;
    if (w.process != this) return w.process->deliver(w, msg, wparam, lparam);
    const Hwnd h = w.handle;
    if (w.is_dialog) {
        std::intptr_t handled = w.dialog_proc != nullptr && context_ != nullptr
                                    ? w.dialog_proc(*context_, h, msg, wparam, lparam)
                                    : 0;
        SimWindow* still = window(h);
        if (handled == 0 && still != nullptr) return default_dialog(*still, msg, wparam, lparam);
        return handled;
    }
    if (w.window_proc != nullptr) {
        return context_ != nullptr ? w.window_proc(*context_, h, msg, wparam, lparam) : 0;
    }
    return default_control(w, msg, wparam, lparam);
}

std::intptr_t SimPlatform::default_dialog(SimWindow& d, std::uint32_t msg, std::uintptr_t wparam,
                                          std::intptr_t lparam) {
    switch (msg) {
        case WM_NEXTDLGCTL:
            if (lparam != 0) d.focus = static_cast<Hwnd>(wparam);
            return 0;
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) == kSysClose) return deliver(d, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE: {
            // The close box acts as Cancel, unless Cancel is greyed.
            Hwnd cancel = get_dlg_item(d.handle, IDCANCEL);
            SimWindow* c = window(cancel);
            if (c != nullptr && !c->enabled) return 0;
            return deliver(d, WM_COMMAND, MakeWparam(IDCANCEL, BN_CLICKED), static_cast<std::intptr_t>(cancel));
        }
        default:
            return 0;
    }
}

std::intptr_t SimPlatform::default_control(SimWindow& c, std::uint32_t msg, std::uintptr_t wparam,
                                           std::intptr_t) {
    if (c.cls == "Button" && msg == WM_LBUTTONUP) {
        SimWindow* parent = window(c.parent);
        const bool owner_draw = (c.style & 0xF) == BS_OWNERDRAW;
        if (c.enabled && c.visible && parent != nullptr && parent->enabled && !owner_draw) {
            return deliver(*parent, WM_COMMAND, MakeWparam(c.id, BN_CLICKED), static_cast<std::intptr_t>(c.handle));
        }
        return 0;
    }
    if (c.cls == "Edit" && msg == EM_LIMITTEXT) {
        c.text_limit = wparam != 0 ? static_cast<int>(wparam) : 30000;
        return 0;
    }
    return 0;
}

// --- The message queue ---

bool SimPlatform::peek_message(Msg& msg, Hwnd h, std::uint32_t first, std::uint32_t last,
                               std::uint32_t remove) {
    if (fail("peek_message")) return false;
    ++peeks_;
    if (user.on_peek) user.on_peek(*this, peeks_);
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (h != 0 && it->hwnd != h) continue;
        if ((first != 0 || last != 0) && (it->message < first || it->message > last)) continue;
        msg = *it;
        if ((remove & PM_REMOVE) != 0) queue_.erase(it);
        return true;
    }
    return false;
}

bool SimPlatform::translate_message(const Msg&) {
    return false;
}

std::intptr_t SimPlatform::dispatch_message(const Msg& msg) {
    if (fail("dispatch_message")) return 0;
    SimWindow* w = window(msg.hwnd);
    return w != nullptr ? deliver(*w, msg.message, msg.wparam, msg.lparam) : 0;
}

bool SimPlatform::post_message(Hwnd h, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
    if (fail("post_message")) return false;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE);
    Msg m{h, message, wparam, lparam, ++message_time_, {}};
    if (w->process == nullptr) {
        if (w->handler) w->handler(message, wparam, lparam);
        return true;
    }
    w->process->queue_.push_back(m);
    return true;
}

void SimPlatform::post_quit_message(int code) {
    queue_.push_back({0, WM_QUIT, static_cast<std::uintptr_t>(code), 0, ++message_time_, {}});
}

std::intptr_t SimPlatform::send_message(Hwnd h, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
    if (fail("send_message")) return 0;
    if (h == HWND_BROADCAST) {
        std::string text;
        if (message == WM_WININICHANGE && lparam != 0) text = reinterpret_cast<const char*>(lparam);
        machine_.broadcasts.push_back({message, text});
        const std::vector<Hwnd> top = machine_.z_order;
        for (Hwnd each : top) {
            if (SimWindow* w = window(each)) deliver(*w, message, wparam, lparam);
        }
        return 1;
    }
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE), 0;
    if (w->hung) {
        // SendMessage would wait for good: the test sees it instead of hanging.
        user.errors.push_back("SendMessage to the hung window \"" + w->text + "\" never returns");
        return 0;
    }
    return deliver(*w, message, wparam, lparam);
}

std::intptr_t SimPlatform::send_message_timeout(Hwnd h, std::uint32_t message, std::uintptr_t wparam,
                                                std::intptr_t lparam, std::uint32_t flags, std::uint32_t timeout,
                                                std::uintptr_t* result) {
    if (fail("send_message_timeout")) return 0;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE), 0;
    if (w->hung) {
        // A program that no longer takes its messages: given up at once when asked to,
        // else after the whole wait.
        if ((flags & SMTO_ABORTIFHUNG) == 0) machine_.waited_ms += timeout;
        return fail_with(ERROR_TIMEOUT), 0;
    }
    std::intptr_t answer = deliver(*w, message, wparam, lparam);
    if (result != nullptr) *result = static_cast<std::uintptr_t>(answer);
    return 1;
}

void SimPlatform::post_click(Hwnd dialog, int id) {
    Hwnd control = get_dlg_item(dialog, id);
    if (control != 0) queue_.push_back({control, WM_LBUTTONUP, 0, 0, ++message_time_, {}});
}

Hwnd SimPlatform::find_dialog(std::uint16_t template_id) {
    for (Hwnd h : machine_.z_order) {
        SimWindow* w = window(h);
        if (w != nullptr && w->process == this && w->is_dialog && w->template_id == template_id) return h;
    }
    return 0;
}

std::string SimPlatform::item_text(Hwnd dialog, int id) {
    SimWindow* w = window(get_dlg_item(dialog, id));
    return w != nullptr ? w->text : std::string();
}

bool SimPlatform::item_enabled(Hwnd dialog, int id) {
    SimWindow* w = window(get_dlg_item(dialog, id));
    return w != nullptr && w->enabled;
}

// --- Hooks, capture, cursor, help ---

Hhook SimPlatform::set_windows_hook(int id, MsgFilterProc proc) {
    if (fail("set_windows_hook")) return 0;
    if (id != WH_MSGFILTER || filter_ != nullptr) return fail_with(ERROR_INVALID_PARAMETER), 0;
    filter_ = proc;
    return kFilterHook;
}

bool SimPlatform::unhook_windows_hook(int id, MsgFilterProc proc) {
    if (fail("unhook_windows_hook")) return false;
    if (id != WH_MSGFILTER || filter_ != proc || proc == nullptr) return fail_with(1404);  // ERROR_INVALID_HOOK_HANDLE
    filter_ = nullptr;
    return true;
}

std::intptr_t SimPlatform::call_next_hook_ex(Hhook, int, std::uintptr_t, Msg*) {
    return 0;  // there is no other filter
}

Hwnd SimPlatform::set_capture(Hwnd h) {
    Hwnd previous = capture_;
    capture_ = h;
    return previous;
}

bool SimPlatform::release_capture() {
    capture_ = 0;
    return true;
}

Hcursor SimPlatform::load_cursor(std::uint32_t id) {
    if (fail("load_cursor")) return 0;
    return id;
}

Hcursor SimPlatform::set_cursor(Hcursor cursor) {
    Hcursor previous = cursor_;
    cursor_ = cursor;
    return previous;
}

bool SimPlatform::win_help(Hwnd, const char* file, std::uint32_t command, std::uintptr_t data) {
    if (fail("win_help")) return false;
    machine_.help_calls.push_back({thread_, file ? file : "", command, data});
    user.log("help " + std::string(command == HELP_QUIT ? "quit" : "context " + std::to_string(data)) +
             " " + (file ? file : ""));
    return true;
}

// --- Device contexts ---

Hwnd SimPlatform::get_desktop_window() {
    return kDesktop;
}

bool SimPlatform::is_window_visible(Hwnd h) {
    SimWindow* w = window(h);
    return w != nullptr && w->visible;
}

// Timers are kept, not run: a test sends WM_TIMER when it wants a tick.
std::uintptr_t SimPlatform::set_timer(Hwnd h, std::uintptr_t id, std::uint32_t ms) {
    if (fail("set_timer")) return 0;
    SimWindow* w = window(h);
    if (w == nullptr) return fail_with(ERROR_INVALID_WINDOW_HANDLE), 0;
    w->timers[id] = ms;
    return id;
}

bool SimPlatform::kill_timer(Hwnd h, std::uintptr_t id) {
    if (fail("kill_timer")) return false;
    SimWindow* w = window(h);
    if (w == nullptr || w->timers.erase(id) == 0) return fail_with(ERROR_INVALID_PARAMETER);
    return true;
}

Hdc SimPlatform::get_dc(Hwnd) {
    if (fail("get_dc") || !machine_.display_dc) return 0;
    Hdc dc = next_gdi_++;
    dcs_[dc] = {kStockBitmap};
    return dc;
}

int SimPlatform::release_dc(Hwnd, Hdc dc) {
    return dcs_.erase(dc) > 0 ? 1 : 0;
}

int SimPlatform::get_device_caps(Hdc dc, int index) {
    if (dcs_.count(dc) == 0) return 0;
    if (index == LOGPIXELSY) return machine_.pixels_per_inch;
    if (index == NUMCOLORS) return machine_.num_colors;
    return 0;
}

Hdc SimPlatform::create_compatible_dc(Hdc) {
    if (fail("create_compatible_dc")) return 0;
    Hdc dc = next_gdi_++;
    dcs_[dc] = {kStockBitmap};
    return dc;
}

Hgdiobj SimPlatform::select_object(Hdc dc, Hgdiobj object) {
    auto it = dcs_.find(dc);
    if (it == dcs_.end() || (object != kStockBitmap && bitmaps_.count(object) == 0)) return 0;
    Hgdiobj previous = it->second.bitmap;
    it->second.bitmap = object;
    return previous;
}

bool SimPlatform::bit_blt(Hdc dst, int x, int y, int width, int height, Hdc src, int, int,
                          std::uint32_t) {
    auto it = dcs_.find(src);
    if (it == dcs_.end() || dcs_.count(dst) == 0) return false;
    paint_log.push_back("bitblt " + std::to_string(x) + "," + std::to_string(y) + " " +
                        std::to_string(width) + "x" + std::to_string(height));
    return true;
}

bool SimPlatform::delete_dc(Hdc dc) {
    return dcs_.erase(dc) > 0;
}

// --- Painting ---

namespace {

constexpr Hgdiobj kBlackBrush = 0x1FFE;

std::string Box(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string Colour(Colorref c) {
    char b[16];
    std::snprintf(b, sizeof b, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return b;
}

}  // namespace

bool SimPlatform::invalidate_rect(Hwnd h, const Rect*, bool erase) {
    if (window(h) == nullptr) return false;
    invalid_[h] = invalid_[h] || erase;
    if (erase) paint_log.push_back("erase background");
    return true;
}

bool SimPlatform::update_window(Hwnd h) {
    auto it = invalid_.find(h);
    SimWindow* w = window(h);
    if (it == invalid_.end() || w == nullptr) return true;
    invalid_.erase(it);
    deliver(*w, WM_PAINT, 0, 0);  // painted at once, not through the queue
    return true;
}

Hdc SimPlatform::begin_paint(Hwnd h, PaintInfo&) {
    if (fail("begin_paint")) return 0;
    invalid_.erase(h);
    Hdc dc = next_gdi_++;
    dcs_[dc] = {kStockBitmap};
    return dc;
}

bool SimPlatform::end_paint(Hwnd, const PaintInfo&) {
    return true;
}

Hgdiobj SimPlatform::get_stock_object(int index) {
    return index == BLACK_BRUSH ? kBlackBrush : 0;
}

int SimPlatform::frame_rect(Hdc dc, const Rect& rect, Hgdiobj brush) {
    if (dcs_.count(dc) == 0) return 0;
    paint_log.push_back("frame " + Box(rect) + (brush == kBlackBrush ? " black" : " ?"));
    return 1;
}

// The previous colour, or CLR_INVALID for a device context that does not exist.
Colorref SimPlatform::swap_color(Hdc dc, Colorref DcState::*colour, Colorref value) {
    auto it = dcs_.find(dc);
    if (it == dcs_.end()) return 0xFFFFFFFF;
    return std::exchange(it->second.*colour, value);
}

Colorref SimPlatform::set_bk_color(Hdc dc, Colorref color) {
    return swap_color(dc, &DcState::background, color);
}

Colorref SimPlatform::set_text_color(Hdc dc, Colorref color) {
    return swap_color(dc, &DcState::text, color);
}

bool SimPlatform::get_text_extent_point(Hdc dc, const char*, int length, Size& out) {
    if (dcs_.count(dc) == 0) return false;
    out = {8 * length, 16};  // the system font's cell
    return true;
}

bool SimPlatform::ext_text_out(Hdc dc, int x, int y, std::uint32_t options, const Rect* rect,
                               const char* text, std::uint32_t length) {
    auto it = dcs_.find(dc);
    if (it == dcs_.end()) return false;
    std::string line = "text \"" + std::string(text, length) + "\" at " + std::to_string(x) + "," +
                       std::to_string(y);
    if (rect != nullptr) line += std::string((options & ETO_OPAQUE) != 0 ? " filling " : " in ") + Box(*rect);
    if ((options & ETO_CLIPPED) != 0) line += " clipped";
    line += " on " + Colour(it->second.background) + " in " + Colour(it->second.text);
    paint_log.push_back(line);
    return true;
}

}  // namespace zep::sim
