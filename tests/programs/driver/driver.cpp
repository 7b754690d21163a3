// Drives setup.exe as a person would: reads a list of steps, finds the installer's
// dialogs on the screen, reads what they say, types, clicks, and takes screenshots.
// A dialog is recognised by comparing the window with the templates of setup.exe itself.
//
//   driver.exe STEPS.TXT
//
// Steps, one per line (# starts a comment; TEXT runs to the end of the line, <LF> and <CR>
// in it are a line feed and a carriage return, forms no Windows path can hold):
//   let NAME VALUE                $NAME in later steps stands for VALUE, taken verbatim to
//                                 the end of the line; it is put in after the step is split
//                                 into words and its escapes are read, so a path with
//                                 spaces or backslash sequences arrives as it is
//   start NAME EXE [DIR]          start a program; NAME names it for later steps
//   wait-dialog ID [MS]           wait for dialog ID of a started program; it becomes current
//   expect-text CTRL TEXT         the current dialog's control shows exactly TEXT
//   expect-contains CTRL TEXT     ... shows a text containing TEXT
//   expect-enabled CTRL | expect-disabled CTRL
//   type CTRL TEXT                select the field's text and type TEXT over it
//   click CTRL [in DIALOG]        click a button (fails when it is greyed); with "in", a
//                                 button of another dialog on screen, at once
//   key NAME                      press a key in the current dialog: F1, ESCAPE, RETURN, TAB
//   shot FILE.bmp [screen]        screenshot of the current dialog, or of the whole screen
//   wait-closed [MS]              wait until the current dialog is gone
//   wait-exit NAME [MS]           wait until a started program ends
//   expect-exit NAME CODE         ... with this exit code
//   suspend NAME | resume NAME    stop a started program's main thread, or let it go on;
//                                 while it is stopped, only shot and click work on it
//   expect-window CLASS STATE     a top-level window of CLASS is hidden, visible or absent
//   winhelp CONTEXT FILE          ask WinHelp for a help file's topic, as programs do
//   expect-help TITLE             the help viewer shows the topic TITLE (its first line);
//                                 "(none)": the viewer is open and shows no topic
//   expect-help-caption TEXT      the help viewer's caption contains TEXT
//   shot-help FILE.bmp            screenshot of the help viewer
//   expect-top ID                 dialog ID is in front of every other window
//   wait-window TITLE             wait until a visible top-level window of any program has
//                                 this title (such as the shell's window of a new group)
//   cover                         put a window of the driver's in front of everything
//   copy FROM TO                  copy a file (as a person inserting a disk would)
//   mkdir DIR                     create a folder
//   delete FILE                   delete a file (to make room on a full disk), or an empty
//                                 folder
//   rename FROM TO                rename a file or folder
//   readonly FILE                 give a file the read-only attribute
//   hold FILE | release FILE      keep a file open with no sharing, as a program that has
//                                 it open would, until it is released
//   expect-missing FILE           no file or folder of that name exists
//   expect-size FILE BYTES        the file exists and has this many bytes
//   stopwatch start | stopwatch LABEL   start timing, or print the time since the start
//   sleep MS
// The driver prints what it sees and does; it exits with 0 when every step held. With
// ZEP_DRIVER_DEBUG set it also prints how each window compared with each template.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/dialog_template.h"

namespace {

using zep::sim::DialogTemplate;

struct Program {
    PROCESS_INFORMATION info{};
    std::string exe;
};

std::map<std::string, Program> g_programs;
std::map<std::string, HANDLE> g_held;  // files the driver keeps open, by the name given
std::map<int, DialogTemplate> g_templates;
RECT g_units{0, 0, 4, 8};  // 4 x 8 dialog units in pixels, for the templates' font
HWND g_dialog = nullptr;
int g_dialog_id = 0;
int g_failures = 0;
DWORD g_stopwatch = 0;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

bool Fail(const std::string& why) {
    Say("FAIL: " + why);
    ++g_failures;
    return false;
}

std::map<std::string, std::string> g_vars;

// Control characters in a step's own text, in a form no path can hold; never read from a
// value put in for $NAME.
struct Escape {
    const char* form;
    char c;
};
constexpr Escape kEscapes[] = {{"<LF>", '\n'}, {"<CR>", '\r'}};

// A step's word or text with its escapes read and $NAME replaced by its value.
std::string Expand(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const Escape* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                       [&](const Escape& x) { return s.compare(i, 4, x.form) == 0; });
        if (e != std::end(kEscapes)) {
            out += e->c;
            i += 4;
            continue;
        }
        if (s[i] == '$') {
            std::size_t end = i + 1;
            while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_')) ++end;
            auto var = g_vars.find(s.substr(i + 1, end - i - 1));
            if (var != g_vars.end()) {
                out += var->second;
                i = end;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

// A text as a step would write it.
std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        const Escape* e = std::find_if(std::begin(kEscapes), std::end(kEscapes), [&](const Escape& x) { return x.c == c; });
        if (e != std::end(kEscapes)) out += e->form;
        else out += c;
    }
    return out;
}

// Waits while keeping the driver's own windows answering, so other programs never
// block on them.
void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        Sleep(ms < 20 ? ms : 20);
    } while (GetTickCount() - start < ms);
}

std::string WindowText(HWND w) {
    char buf[4096] = {};
    SendMessageA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::string ClassOf(HWND w) {
    char buf[256] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

void LoadTemplates(const std::string& exe) {
    if (!g_templates.empty()) return;
    HMODULE m = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (m == nullptr) {
        Fail("cannot read the dialogs of " + exe);
        return;
    }
    EnumResourceNamesA(
        m, MAKEINTRESOURCEA(5),
        [](HMODULE module, LPCSTR, LPSTR name, LONG_PTR) -> BOOL {
            if (!IS_INTRESOURCE(name)) return TRUE;
            HRSRC r = FindResourceA(module, name, MAKEINTRESOURCEA(5));
            auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, r)));
            auto t = zep::sim::ParseDialogTemplate(data, SizeofResource(module, r));
            if (t) g_templates[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))] = *t;
            // MapDialogRect answers only in the dialog's own process: measure the
            // templates' font with a hidden dialog of the driver's own.
            if (reinterpret_cast<ULONG_PTR>(name) == 1900) {
                HWND probe = CreateDialogIndirectParamA(
                    GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(data), nullptr,
                    [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
                if (probe != nullptr) {
                    MapDialogRect(probe, &g_units);
                    DestroyWindow(probe);
                }
            }
            return TRUE;
        },
        0);
    FreeLibrary(m);
}

bool Ours(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    for (const auto& [name, p] : g_programs) {
        if (p.info.dwProcessId == pid) return true;
    }
    return false;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> out;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

// The template that matches a window: the same control ids and fixed texts, then the
// least difference in the controls' places and sizes.
int Recognise(HWND dialog) {
    std::vector<HWND> children = Children(dialog);
    std::vector<int> ids;
    std::vector<std::string> fixed;
    for (HWND c : children) {
        int id = GetDlgCtrlID(c) & 0xFFFF;
        ids.push_back(id);
        bool icon = (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (id == 0xFFFF && ClassOf(c) == "Static" && !icon && !WindowText(c).empty()) {
            fixed.push_back(WindowText(c));
        }
    }
    std::sort(ids.begin(), ids.end());
    std::sort(fixed.begin(), fixed.end());
    int best = 0;
    long best_distance = 0;
    for (const auto& [id, t] : g_templates) {
        std::vector<int> want;
        std::vector<std::string> want_fixed;
        for (const auto& item : t.items) {
            want.push_back(item.id);
            if (item.id == 0xFFFF && item.cls == "Static" && !item.ordinal && !item.text.empty()) {
                want_fixed.push_back(item.text);
            }
        }
        std::sort(want.begin(), want.end());
        std::sort(want_fixed.begin(), want_fixed.end());
        if (want != ids || want_fixed != fixed) continue;
        long distance = 0;
        for (const auto& item : t.items) {
            HWND c = item.id != 0xFFFF ? GetDlgItem(dialog, item.id) : nullptr;
            if (c == nullptr) continue;
            RECT r{item.x * g_units.right / 4, item.y * g_units.bottom / 8,
                   (item.x + item.cx) * g_units.right / 4, (item.y + item.cy) * g_units.bottom / 8};
            RECT live{};
            GetWindowRect(c, &live);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&live), 2);
            distance += labs(r.left - live.left) + labs(r.top - live.top) +
                        labs(r.right - live.right) + labs(r.bottom - live.bottom);
            if (getenv("ZEP_DRIVER_DEBUG")) {
                char b[160];
                std::snprintf(b, sizeof b, "    %d: want %ld,%ld,%ld,%ld live %ld,%ld,%ld,%ld", item.id,
                              r.left, r.top, r.right, r.bottom, live.left, live.top, live.right, live.bottom);
                Say(b);
            }
        }
        if (getenv("ZEP_DRIVER_DEBUG")) Say("  candidate " + std::to_string(id) + " distance " + std::to_string(distance));
        if (best == 0 || distance < best_distance) {
            best = id;
            best_distance = distance;
        }
    }
    return best;
}

std::vector<HWND> OurDialogs() {
    std::vector<HWND> all;
    EnumWindows(
        [](HWND w, LPARAM list) -> BOOL {
            if (IsWindowVisible(w) && ClassOf(w) == "#32770" && Ours(w)) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

void Describe(HWND dialog, int id) {
    Say("dialog " + std::to_string(id) + " \"" + WindowText(dialog) + "\"");
    for (HWND c : Children(dialog)) {
        std::string text = WindowText(c);
        bool icon = ClassOf(c) == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (text.empty() || icon) continue;
        int cid = GetDlgCtrlID(c) & 0xFFFF;
        Say("  " + (cid == 0xFFFF ? std::string("-") : std::to_string(cid)) + ": " + Escaped(text) +
            (IsWindowEnabled(c) ? "" : " (greyed)"));
    }
}

HWND Control(int id) {
    HWND c = g_dialog != nullptr ? GetDlgItem(g_dialog, id) : nullptr;
    if (c == nullptr) Fail("dialog " + std::to_string(g_dialog_id) + " has no control " + std::to_string(id));
    return c;
}

bool WaitDialog(int id, DWORD timeout) {
    DWORD start = GetTickCount();
    do {
        for (HWND d : OurDialogs()) {
            if (Recognise(d) == id) {
                Pump(150);  // let it finish painting
                g_dialog = d;
                g_dialog_id = id;
                Describe(d, id);
                return true;
            }
        }
        Pump(50);
    } while (GetTickCount() - start < timeout);
    std::string seen;
    for (HWND d : OurDialogs()) {
        seen += " " + std::to_string(Recognise(d));
        for (HWND c : Children(d)) {
            seen += " [" + std::to_string(GetDlgCtrlID(c) & 0xFFFF) + " " + ClassOf(c) + " \"" +
                    Escaped(WindowText(c)) + "\"]";
        }
    }
    return Fail("dialog " + std::to_string(id) + " did not appear (on screen:" + (seen.empty() ? " none" : seen) + ")");
}

// A screenshot of a window, or of the whole screen when window is null.
void Screenshot(const std::string& file, HWND window) {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr &&
        (!IsWindow(window) || !GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top)) {
        Say("screenshot skipped: the window has closed");
        return;
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bmp);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    DWORD row = ((w * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + row * h;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(row * h));
    SelectObject(memory, old);
    DeleteObject(bmp);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    Say("screenshot " + file);
}

// The help viewer's window (winhlp32's main window) and the text of the topic it shows.
HWND HelpViewer(std::string* topic = nullptr) {
    HWND viewer = FindWindowA("MS_WINHELP", nullptr);
    if (viewer == nullptr || !IsWindowVisible(viewer)) return nullptr;
    if (topic != nullptr) {
        topic->clear();
        for (HWND c = GetWindow(viewer, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            std::string cls = ClassOf(c);
            std::transform(cls.begin(), cls.end(), cls.begin(), [](unsigned char ch) { return std::tolower(ch); });
            if (cls.find("richedit") != std::string::npos) *topic = WindowText(c);
        }
    }
    return viewer;
}

bool ExpectHelp(const std::string& title) {
    DWORD start = GetTickCount();
    std::string topic;
    HWND viewer = nullptr;
    for (;;) {
        viewer = HelpViewer(&topic);
        std::string first = topic.substr(0, topic.find_first_of("\r\n"));
        if (viewer != nullptr && (title == "(none)" ? topic.empty() : first == title)) break;
        if (GetTickCount() - start > 20000) {
            std::string seen;
            for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
                if (IsWindowVisible(w)) seen += " [" + ClassOf(w) + " \"" + WindowText(w) + "\"]";
            }
            return Fail("the help viewer does not show \"" + title + "\"" +
                        (viewer == nullptr ? " (no viewer; on screen:" + seen + ")" : " but \"" + Escaped(topic.substr(0, 200)) + "\""));
        }
        Pump(100);
    }
    Say("help viewer \"" + WindowText(viewer) + "\" shows \"" + Escaped(topic.substr(0, 300)) + "\"");
    return true;
}

UINT KeyCode(const std::string& name) {
    if (name == "F1") return VK_F1;
    if (name == "ESCAPE") return VK_ESCAPE;
    if (name == "RETURN") return VK_RETURN;
    if (name == "TAB") return VK_TAB;
    return static_cast<UINT>(std::stoul(name, nullptr, 0));
}

// Keys go through the dialog's own message loop, as typed keys do.
void PressKey(UINT vk) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    DWORD thread = GetWindowThreadProcessId(g_dialog, nullptr);
    HWND target = GetGUIThreadInfo(thread, &gui) && gui.hwndFocus != nullptr ? gui.hwndFocus : g_dialog;
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

void TypeText(HWND field, const std::string& text) {
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_CLEAR, 0, 0);
    for (unsigned char c : text) SendMessageA(field, WM_CHAR, c, 1);
}

HDDEDATA CALLBACK DdeIgnore(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// The stream of a step's words, each read as written and then expanded.
class Words {
public:
    explicit Words(const std::string& line) : in_(line) {}
    Words& operator>>(std::string& word) {
        if (in_ >> word) word = Expand(word);
        return *this;
    }
    Words& operator>>(long& number) {
        in_ >> number;
        return *this;
    }
    explicit operator bool() const { return static_cast<bool>(in_); }
    // The rest of the line after one blank, expanded.
    std::string rest() {
        std::string r;
        std::getline(in_, r);
        std::size_t start = r.find_first_not_of(' ');
        return start == std::string::npos ? std::string() : Expand(r.substr(start));
    }

private:
    std::istringstream in_;
};

bool Run(const std::string& line) {
    Words in(line);
    std::string verb;
    in >> verb;
    auto rest = [&] { return in.rest(); };
    auto number = [&](long fallback) {
        long v = fallback;
        if (!(in >> v)) v = fallback;
        return v;
    };
    Say("> " + line);
    if (verb == "let") {
        std::size_t name_at = line.find_first_not_of(' ', line.find("let") + 3);
        std::size_t value_at = name_at == std::string::npos ? name_at : line.find(' ', name_at);
        if (value_at == std::string::npos) return Fail("let NAME VALUE");
        g_vars[line.substr(name_at, value_at - name_at)] = line.substr(value_at + 1);
        return true;
    }
    if (verb == "start") {
        std::string name, exe, dir;
        in >> name >> exe >> dir;
        Program p;
        p.exe = exe;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir.empty() ? nullptr : dir.c_str(), &si, &p.info)) {
            return Fail("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");
        }
        g_programs[name] = p;
        LoadTemplates(exe);
        return true;
    }
    if (verb == "wait-dialog") {
        int id = static_cast<int>(number(0));
        return WaitDialog(id, static_cast<DWORD>(number(20000)));
    }
    if (verb == "expect-text" || verb == "expect-contains") {
        HWND c = Control(static_cast<int>(number(0)));
        std::string want = rest();
        if (c == nullptr) return false;
        std::string got = WindowText(c);
        bool ok = verb == "expect-text" ? got == want : got.find(want) != std::string::npos;
        return ok || Fail("control shows \"" + Escaped(got) + "\", expected " +
                          (verb == "expect-text" ? "" : "it to contain ") + "\"" + Escaped(want) + "\"");
    }
    if (verb == "expect-enabled" || verb == "expect-disabled") {
        HWND c = Control(static_cast<int>(number(0)));
        if (c == nullptr) return false;
        bool enabled = IsWindowEnabled(c) != 0;
        return enabled == (verb == "expect-enabled") || Fail(verb + " does not hold");
    }
    if (verb == "type") {
        HWND c = Control(static_cast<int>(number(0)));
        if (c != nullptr) TypeText(c, rest());
        return c != nullptr;
    }
    if (verb == "click") {
        int id = static_cast<int>(number(0));
        std::string in_word;
        HWND c = nullptr;
        if (in >> in_word && in_word == "in") {
            // Another dialog than the current one, clicked without waiting for it to
            // settle, so the current one can be acted on the moment this click is taken.
            int dialog = static_cast<int>(number(0));
            for (HWND d : OurDialogs()) {
                if (Recognise(d) == dialog) c = GetDlgItem(d, id);
            }
            if (c == nullptr) {
                return Fail("no dialog " + std::to_string(dialog) + " with control " + std::to_string(id));
            }
        } else {
            c = Control(id);
        }
        if (c == nullptr) return false;
        if (!IsWindowEnabled(c)) return Fail("the button is greyed");
        PostMessageA(c, BM_CLICK, 0, 0);
        return true;
    }
    if (verb == "key") {
        std::string key;
        in >> key;
        PressKey(KeyCode(key));
        return true;
    }
    if (verb == "shot") {
        std::string file, what;
        in >> file >> what;
        Screenshot(file, what == "screen" ? nullptr : g_dialog);
        return true;
    }
    if (verb == "wait-closed") {
        DWORD timeout = static_cast<DWORD>(number(20000)), start = GetTickCount();
        while (IsWindow(g_dialog) && IsWindowVisible(g_dialog)) {
            if (GetTickCount() - start > timeout) return Fail("the dialog did not close");
            Pump(50);
        }
        return true;
    }
    if (verb == "wait-exit" || verb == "expect-exit") {
        std::string name;
        in >> name;
        auto it = g_programs.find(name);
        if (it == g_programs.end()) return Fail("no program named " + name);
        if (verb == "wait-exit") {
            DWORD timeout = static_cast<DWORD>(number(20000)), start = GetTickCount();
            while (WaitForSingleObject(it->second.info.hProcess, 0) == WAIT_TIMEOUT) {
                if (GetTickCount() - start > timeout) return Fail(name + " is still running");
                Pump(20);
            }
            Say(name + " ended after " + std::to_string(GetTickCount() - start) + " ms");
            return true;
        }
        DWORD code = 0;
        GetExitCodeProcess(it->second.info.hProcess, &code);
        Say("exit code of " + name + ": " + std::to_string(code));
        return static_cast<long>(code) == number(0) || Fail("unexpected exit code");
    }
    if (verb == "suspend" || verb == "resume") {
        std::string name;
        in >> name;
        auto it = g_programs.find(name);
        if (it == g_programs.end()) return Fail("no program named " + name);
        HANDLE thread = it->second.info.hThread;
        DWORD previous = verb == "suspend" ? SuspendThread(thread) : ResumeThread(thread);
        return previous != static_cast<DWORD>(-1) || Fail("cannot " + verb + " " + name);
    }
    if (verb == "expect-window") {
        std::string cls, state;
        in >> cls >> state;
        HWND w = FindWindowA(cls.c_str(), nullptr);
        std::string got = w == nullptr ? "absent" : IsWindowVisible(w) ? "visible" : "hidden";
        return got == state || Fail("window " + cls + " is " + got);
    }
    if (verb == "wait-window") {
        std::string title = rest();
        for (DWORD start = GetTickCount(); FindWindowA(nullptr, title.c_str()) == nullptr ||
                                           !IsWindowVisible(FindWindowA(nullptr, title.c_str()));) {
            if (GetTickCount() - start > 20000) return Fail("no window \"" + title + "\" appeared");
            Pump(50);
        }
        return true;
    }
    if (verb == "winhelp") {
        unsigned long context = static_cast<unsigned long>(number(0));
        std::string file = rest();
        return WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, context) || Fail("WinHelp refused " + file);
    }
    if (verb == "expect-help") return ExpectHelp(rest());
    if (verb == "expect-help-caption") {
        std::string want = rest();
        HWND viewer = HelpViewer();
        std::string got = viewer == nullptr ? "" : WindowText(viewer);
        return (viewer != nullptr && got.find(want) != std::string::npos) ||
               Fail("the help viewer's caption is \"" + got + "\", not one with \"" + want + "\"");
    }
    if (verb == "shot-help") {
        // In front of the installer's dialogs and painted afresh: the shot is of the screen.
        std::string file;
        in >> file;
        HWND viewer = HelpViewer();
        SetWindowPos(viewer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        Pump(700);
        Screenshot(file, viewer);
        return true;
    }
    if (verb == "expect-top") {
        int id = static_cast<int>(number(0));
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            if (!IsWindowVisible(w)) continue;
            int got = ClassOf(w) == "#32770" ? Recognise(w) : 0;
            if (got == id) return true;
            for (HWND z = GetTopWindow(nullptr); z != nullptr; z = GetWindow(z, GW_HWNDNEXT)) {
                char line[256];
                std::snprintf(line, sizeof line, "  z-order: %p %s style %08lx thread %lu \"%s\"",
                              static_cast<void*>(z), ClassOf(z).c_str(),
                              static_cast<unsigned long>(GetWindowLongA(z, GWL_STYLE)),
                              static_cast<unsigned long>(GetWindowThreadProcessId(z, nullptr)),
                              WindowText(z).c_str());
                Say(line);
            }
            return Fail("in front is " + ClassOf(w) + " \"" + WindowText(w) + "\" " + std::to_string(got));
        }
        return Fail("no window is visible");
    }
    if (verb == "copy") {
        std::string from, to;
        in >> from >> to;
        return CopyFileA(from.c_str(), to.c_str(), FALSE) || Fail("cannot copy " + from);
    }
    if (verb == "stopwatch") {
        std::string what;
        in >> what;
        if (what == "start") {
            g_stopwatch = GetTickCount();
        } else {
            Say("stopwatch " + what + ": " + std::to_string(GetTickCount() - g_stopwatch) + " ms");
        }
        return true;
    }
    if (verb == "wait-dde" || verb == "dde") {
        // wait-dde SERVICE [TIMEOUT]: until a server takes a conversation (the shell is up).
        // dde SERVICE COMMAND: an execute transaction, as a program would send it.
        std::string service, command;
        in >> service;
        if (verb == "dde") command = rest();
        DWORD timeout = verb == "dde" ? 5000 : static_cast<DWORD>(number(20000)), start = GetTickCount();
        DWORD instance = 0;
        if (DdeInitializeA(&instance, DdeIgnore, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
            return Fail("DdeInitialize failed");
        }
        HSZ name = DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
        HCONV conversation = nullptr;
        while ((conversation = DdeConnect(instance, name, name, nullptr)) == nullptr &&
               GetTickCount() - start < timeout) {
            Pump(200);
        }
        bool done = conversation != nullptr;
        if (done && !command.empty()) {
            done = DdeClientTransaction(reinterpret_cast<BYTE*>(command.data()),
                                        static_cast<DWORD>(command.size() + 1), conversation, nullptr,
                                        CF_TEXT, XTYP_EXECUTE, 10000, nullptr) != nullptr;
        }
        if (conversation != nullptr) DdeDisconnect(conversation);
        DdeFreeStringHandle(instance, name);
        DdeUninitialize(instance);
        if (conversation == nullptr) return Fail("no DDE server answers " + service);
        if (!done) return Fail(service + " did not take " + command);
        Say(service + (command.empty() ? " answers" : " took " + command));
        return true;
    }
    if (verb == "expect-font") {
        // A process started now sees the fonts the system has now.
        std::string face = rest(), state;
        std::size_t cut = face.find_last_of(' ');
        if (cut == std::string::npos) return Fail("expect-font FACE present|absent");
        state = face.substr(cut + 1);
        face.resize(cut);
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string command = "\"" + std::string(self) + "\" --font \"" + face + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            return Fail("cannot start the font probe");
        }
        WaitForSingleObject(pi.hProcess, 20000);
        DWORD code = 2;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        std::string got = code == 0 ? "present" : "absent";
        Say("font " + face + ": " + got);
        return got == state || Fail("font " + face + " is " + got);
    }
    if (verb == "mkdir") {
        std::string dir;
        in >> dir;
        return CreateDirectoryA(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ||
               Fail("cannot create " + dir);
    }
    if (verb == "delete") {
        std::string file;
        in >> file;
        return DeleteFileA(file.c_str()) || RemoveDirectoryA(file.c_str()) || Fail("cannot delete " + file);
    }
    if (verb == "rename") {
        std::string from, to;
        in >> from >> to;
        return MoveFileA(from.c_str(), to.c_str()) || Fail("cannot rename " + from);
    }
    if (verb == "readonly") {
        std::string file;
        in >> file;
        return SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY) || Fail("cannot make " + file + " read-only");
    }
    if (verb == "hold") {
        std::string file;
        in >> file;
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Fail("cannot hold " + file);
        g_held[file] = h;
        Say("holding " + file);
        return true;
    }
    if (verb == "release") {
        std::string file;
        in >> file;
        auto it = g_held.find(file);
        if (it == g_held.end()) return Fail(file + " is not held");
        CloseHandle(it->second);
        g_held.erase(it);
        return true;
    }
    if (verb == "expect-size") {
        std::string file;
        in >> file;
        const long long want = number(-1);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return Fail(file + " is missing");
        const long long got = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        Say(file + ": " + std::to_string(got) + " bytes");
        return got == want || Fail(file + " has " + std::to_string(got) + " bytes, not " + std::to_string(want));
    }
    if (verb == "expect-missing") {
        std::string file;
        in >> file;
        return GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES || Fail(file + " exists");
    }
    if (verb == "sleep") {
        Pump(static_cast<DWORD>(number(100)));
        return true;
    }
    if (verb == "cover") {
        // A window of the driver's own in front of everything, so that raising can be seen.
        CreateWindowExA(0, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                        nullptr, nullptr);
        Pump(200);
        return true;
    }
    return Fail("unknown step: " + verb);
}

int CALLBACK FontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// driver --font FACE: exit code 0 when a font of that face is installed, else 1.
int ProbeFont(const std::string& face) {
    LOGFONTA want{};
    want.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(want.lfFaceName, face.c_str(), LF_FACESIZE);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExA(dc, &want, FontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--font") return ProbeFont(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: driver STEPS.TXT\n");
        return 2;
    }
    std::ifstream steps(argv[1]);
    if (!steps) {
        std::fprintf(stderr, "driver: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string line;
    while (std::getline(steps, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!Run(line)) break;  // later steps depend on this one
    }
    for (auto& [name, p] : g_programs) {
        if (WaitForSingleObject(p.info.hProcess, 0) == WAIT_TIMEOUT) {
            Fail(name + " was still running at the end; ended by the driver");
            TerminateProcess(p.info.hProcess, 99);
        }
    }
    Say(g_failures == 0 ? "PASS" : "FAILED");
    return g_failures == 0 ? 0 : 1;
}
