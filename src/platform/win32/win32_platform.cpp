#include "platform/win32/win32_platform.h"

#include <lzexpand.h>


namespace zep::win32 {

namespace {

// What Win32 forces to be global: the way back from a callback to the installer.
Installer* g_installer = nullptr;

HWND W(Hwnd h) { return reinterpret_cast<HWND>(h); }
Hwnd H(HWND h) { return reinterpret_cast<Hwnd>(h); }
HDC D(Hdc h) { return reinterpret_cast<HDC>(h); }
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void ToMsg(const MSG& m, Msg& out) {
    out = {H(m.hwnd), m.message, m.wParam, m.lParam, m.time, {m.pt.x, m.pt.y}};
}

MSG FromMsg(const Msg& m) {
    MSG out{};
    out.hwnd = W(m.hwnd);
    out.message = m.message;
    out.wParam = m.wparam;
    out.lParam = m.lparam;
    out.time = m.time;
    out.pt.x = m.pt.x;
    out.pt.y = m.pt.y;
    return out;
}

// --- Dialog procedures: the logic's procedure rides in on WM_INITDIALOG and is kept in
// DWLP_USER; messages before it (WM_SETFONT) get FALSE. ---

struct DialogStart {
    DialogProc proc;
    std::intptr_t param;
};

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    DialogProc proc;
    if (msg == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lparam);
        proc = start->proc;
        lparam = start->param;
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(proc));
    } else {
        proc = reinterpret_cast<DialogProc>(GetWindowLongPtrA(dialog, DWLP_USER));
    }
    if (proc == nullptr || g_installer == nullptr) return FALSE;
    DrawItem item;
    if (msg == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        item = {d->CtlType, d->CtlID, d->itemID, d->itemAction, d->itemState, H(d->hwndItem),
                reinterpret_cast<Hdc>(d->hDC),
                {d->rcItem.left, d->rcItem.top, d->rcItem.right, d->rcItem.bottom},
                d->itemData};
        lparam = reinterpret_cast<LPARAM>(&item);
    }
    return proc(*g_installer, H(dialog), msg, wparam, lparam);
}

// --- Window classes: one trampoline per registered class. ---

constexpr int kClassSlots = 4;
WindowProc g_window_procs[kClassSlots] = {};

template <int N>
LRESULT CALLBACK WindowTrampoline(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (g_installer == nullptr) return DefWindowProcA(window, msg, wparam, lparam);
    return g_window_procs[N](*g_installer, H(window), msg, wparam, lparam);
}

constexpr WNDPROC kWindowTrampolines[kClassSlots] = {WindowTrampoline<0>, WindowTrampoline<1>,
                                                     WindowTrampoline<2>, WindowTrampoline<3>};

// --- The folder browser's callback. ---

BrowseCallbackProc g_browse = nullptr;

int CALLBACK BrowseTrampoline(HWND window, UINT msg, LPARAM lparam, LPARAM data) {
    if (g_browse == nullptr || g_installer == nullptr) return 0;
    return g_browse(*g_installer, H(window), msg, lparam, data);
}

// --- The message filter hook. ---

MsgFilterProc g_filter = nullptr;
LPARAM g_filter_original = 0;  // the MSG the system handed to the running filter
Msg g_filter_msg = {};

LRESULT CALLBACK FilterTrampoline(int code, WPARAM wparam, LPARAM lparam) {
    if (g_filter == nullptr || g_installer == nullptr || lparam == 0) {
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    ToMsg(*reinterpret_cast<const MSG*>(lparam), g_filter_msg);
    g_filter_original = lparam;
    LRESULT result = g_filter(*g_installer, code, wparam, &g_filter_msg);
    g_filter_original = 0;
    return result;
}

// --- DDEML's callback: the logic answers by transaction type alone. ---

DdeCallback g_dde = nullptr;

HDDEDATA CALLBACK DdeTrampoline(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return reinterpret_cast<HDDEDATA>(g_dde != nullptr ? g_dde(type) : 0);
}

}  // namespace

void SetCallbackContext(Installer* installer) {
    g_installer = installer;
}

// --- System ---

bool Win32Platform::get_version_ex(OsVersion& out) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;  // 148
    if (!GetVersionExA(&v)) return false;
    out = {v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, v.dwPlatformId};
    return true;
}
std::uint32_t Win32Platform::get_windows_directory(char* buf, std::uint32_t size) {
    return GetWindowsDirectoryA(buf, size);
}
std::uint32_t Win32Platform::get_system_directory(char* buf, std::uint32_t size) {
    return GetSystemDirectoryA(buf, size);
}
std::uint32_t Win32Platform::get_module_file_name(char* buf, std::uint32_t size) {
    return GetModuleFileNameA(nullptr, buf, size);
}
std::uint32_t Win32Platform::set_error_mode(std::uint32_t mode) {
    return SetErrorMode(mode);
}
std::uint32_t Win32Platform::get_last_error() {
    return GetLastError();
}
void Win32Platform::set_last_error(std::uint32_t code) {
    SetLastError(code);
}
std::uint32_t Win32Platform::format_message_from_system(std::uint32_t code, std::uint32_t lang,
                                                        char* buf, std::uint32_t size) {
    // Without IGNORE_INSERTS a text with %1 would read arguments that are not there.
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                          code, lang, buf, size, nullptr);
}
Atom Win32Platform::add_atom(const char* text) {
    return AddAtomA(text);
}
std::uint32_t Win32Platform::get_atom_name(Atom atom, char* buf, int size) {
    return GetAtomNameA(atom, buf, size);
}
Atom Win32Platform::delete_atom(Atom atom) {
    return DeleteAtom(atom);
}
Hglobal Win32Platform::global_alloc(std::uint32_t flags, std::uint32_t bytes) {
    return reinterpret_cast<Hglobal>(GlobalAlloc(flags, bytes));
}
void* Win32Platform::global_lock(Hglobal mem) {
    return GlobalLock(reinterpret_cast<HGLOBAL>(mem));
}
bool Win32Platform::global_unlock(Hglobal mem) {
    return GlobalUnlock(reinterpret_cast<HGLOBAL>(mem)) != 0;
}
Hglobal Win32Platform::global_free(Hglobal mem) {
    return reinterpret_cast<Hglobal>(GlobalFree(reinterpret_cast<HGLOBAL>(mem)));
}
int Win32Platform::lstrcmp_a(const char* a, const char* b) {
    return lstrcmpA(a, b);
}
int Win32Platform::lstrcmpi_a(const char* a, const char* b) {
    return lstrcmpiA(a, b);
}
std::uint32_t Win32Platform::char_upper_buff(char* text, std::uint32_t length) {
    return CharUpperBuffA(text, length);
}
std::uint32_t Win32Platform::char_lower_buff(char* text, std::uint32_t length) {
    return CharLowerBuffA(text, length);
}
bool Win32Platform::oem_to_char(const char* from, char* to) {
    return OemToCharA(from, to) != 0;
}

// --- Files ---

Hfile Win32Platform::open_file(const char* path, std::uint32_t mode) {
    OFSTRUCT of{};
    return OpenFile(path, &of, mode);
}
Hfile Win32Platform::lopen(const char* path, std::uint32_t mode) {
    return _lopen(path, static_cast<int>(mode));
}
Hfile Win32Platform::lcreat(const char* path, int attributes) {
    return _lcreat(path, attributes);
}
std::uint32_t Win32Platform::lread(Hfile file, void* buf, std::uint32_t count) {
    return _lread(file, buf, count);
}
std::uint32_t Win32Platform::lwrite(Hfile file, const void* buf, std::uint32_t count) {
    return _lwrite(file, static_cast<LPCCH>(buf), count);
}
std::int32_t Win32Platform::llseek(Hfile file, std::int32_t offset, int origin) {
    return _llseek(file, offset, origin);
}
Hfile Win32Platform::lclose(Hfile file) {
    return _lclose(file);
}
bool Win32Platform::delete_file(const char* path) {
    return DeleteFileA(path) != 0;
}
bool Win32Platform::set_file_attributes(const char* path, std::uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0;
}
std::uint32_t Win32Platform::get_file_attributes(const char* path) {
    return GetFileAttributesA(path);
}
std::uint32_t Win32Platform::get_file_size(Hfile file) {
    return GetFileSize(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)), nullptr);
}
bool Win32Platform::get_file_time(Hfile file, FileTime* created, FileTime* accessed,
                                  FileTime* written) {
    return GetFileTime(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)),
                       reinterpret_cast<FILETIME*>(created), reinterpret_cast<FILETIME*>(accessed),
                       reinterpret_cast<FILETIME*>(written)) != 0;
}
bool Win32Platform::set_file_time(Hfile file, const FileTime* created, const FileTime* accessed,
                                  const FileTime* written) {
    return SetFileTime(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file)),
                       reinterpret_cast<const FILETIME*>(created),
                       reinterpret_cast<const FILETIME*>(accessed),
                       reinterpret_cast<const FILETIME*>(written)) != 0;
}
bool Win32Platform::dos_date_time_to_file_time(std::uint16_t date, std::uint16_t time,
                                               FileTime& out) {
    return DosDateTimeToFileTime(date, time, reinterpret_cast<FILETIME*>(&out)) != 0;
}
bool Win32Platform::local_file_time_to_file_time(const FileTime& local, FileTime& out) {
    return LocalFileTimeToFileTime(reinterpret_cast<const FILETIME*>(&local),
                                   reinterpret_cast<FILETIME*>(&out)) != 0;
}
bool Win32Platform::create_directory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}
bool Win32Platform::remove_directory(const char* path) {
    return RemoveDirectoryA(path) != 0;
}
// These two are looked up when called, so the import table stays one that every system
// loads: Windows 95 has only a failing MoveFileExA, and early NT no GetShortPathNameA.
bool Win32Platform::move_file_ex(const char* from, const char* to, std::uint32_t flags) {
    using Fn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("KERNEL32"), "MoveFileExA")));
    if (fn == nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    return fn(from, to, flags) != 0;
}
std::uint32_t Win32Platform::get_short_path_name(const char* path, char* buf, std::uint32_t size) {
    using Fn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("KERNEL32"), "GetShortPathNameA")));
    if (fn == nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return fn(path, buf, size);
}
bool Win32Platform::get_disk_free_space(const char* root, std::uint32_t& sectors_per_cluster,
                                        std::uint32_t& bytes_per_sector,
                                        std::uint32_t& free_clusters,
                                        std::uint32_t& total_clusters) {
    DWORD spc = 0, bps = 0, fc = 0, tc = 0;
    BOOL ok = GetDiskFreeSpaceA(root, &spc, &bps, &fc, &tc);
    sectors_per_cluster = spc;
    bytes_per_sector = bps;
    free_clusters = fc;
    total_clusters = tc;
    return ok != 0;
}
std::uint32_t Win32Platform::get_drive_type(const char* root) {
    return GetDriveTypeA(root);
}
bool Win32Platform::set_current_directory(const char* path) {
    return SetCurrentDirectoryA(path) != 0;
}
std::uint32_t Win32Platform::get_current_directory(std::uint32_t size, char* buf) {
    return GetCurrentDirectoryA(size, buf);
}

// --- Expansion ---

std::int32_t Win32Platform::lz_init(Hfile source) {
    return LZInit(source);
}
std::int32_t Win32Platform::lz_read(std::int32_t handle, void* buf, std::int32_t count) {
    return LZRead(handle, static_cast<LPSTR>(buf), count);
}
std::int32_t Win32Platform::lz_copy(Hfile source, Hfile destination) {
    return LZCopy(source, destination);
}
void Win32Platform::lz_close(std::int32_t handle) {
    LZClose(handle);
}

// --- Profiles ---

std::uint32_t Win32Platform::get_private_profile_string(const char* section, const char* key,
                                                        const char* fallback, char* buf,
                                                        std::uint32_t size, const char* file) {
    return GetPrivateProfileStringA(section, key, fallback, buf, size, file);
}
std::uint32_t Win32Platform::get_private_profile_int(const char* section, const char* key,
                                                     int fallback, const char* file) {
    return GetPrivateProfileIntA(section, key, fallback, file);
}
bool Win32Platform::write_private_profile_string(const char* section, const char* key,
                                                 const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}
bool Win32Platform::write_profile_string(const char* section, const char* key,
                                         const char* value) {
    return WriteProfileStringA(section, key, value) != 0;
}

// --- Registry ---

static HKEY K(Hkey key) { return reinterpret_cast<HKEY>(key); }

std::int32_t Win32Platform::reg_open_key(Hkey key, const char* subkey, Hkey& out) {
    HKEY h = nullptr;
    LONG r = RegOpenKeyA(K(key), subkey, &h);
    out = reinterpret_cast<Hkey>(h);
    return r;
}
std::int32_t Win32Platform::reg_create_key(Hkey key, const char* subkey, Hkey& out) {
    HKEY h = nullptr;
    LONG r = RegCreateKeyA(K(key), subkey, &h);
    out = reinterpret_cast<Hkey>(h);
    return r;
}
std::int32_t Win32Platform::reg_enum_key(Hkey key, std::uint32_t index, char* name, std::uint32_t size) {
    return RegEnumKeyA(K(key), index, name, size);
}
std::int32_t Win32Platform::reg_query_value_ex(Hkey key, const char* name, std::uint32_t* type,
                                               void* data, std::uint32_t* size) {
    DWORD t = 0, n = size != nullptr ? *size : 0;
    LONG r = RegQueryValueExA(K(key), name, nullptr, &t, static_cast<BYTE*>(data), size != nullptr ? &n : nullptr);
    if (type != nullptr) *type = t;
    if (size != nullptr) *size = n;
    return r;
}
std::int32_t Win32Platform::reg_set_value_ex(Hkey key, const char* name, std::uint32_t type,
                                             const void* data, std::uint32_t size) {
    return RegSetValueExA(K(key), name, 0, type, static_cast<const BYTE*>(data), size);
}
std::int32_t Win32Platform::reg_delete_value(Hkey key, const char* name) {
    return RegDeleteValueA(K(key), name);
}
std::int32_t Win32Platform::reg_delete_key(Hkey key, const char* subkey) {
    return RegDeleteKeyA(K(key), subkey);
}
std::int32_t Win32Platform::reg_close_key(Hkey key) {
    return RegCloseKey(K(key));
}

// --- Resources ---

Hrsrc Win32Platform::find_resource(std::uint16_t id, std::uint16_t type) {
    return reinterpret_cast<Hrsrc>(FindResourceA(Instance(), MAKEINTRESOURCEA(id),
                                                 MAKEINTRESOURCEA(type)));
}
Hglobal Win32Platform::load_resource(Hrsrc res) {
    return reinterpret_cast<Hglobal>(LoadResource(Instance(), reinterpret_cast<HRSRC>(res)));
}
const void* Win32Platform::lock_resource(Hglobal data) {
    return LockResource(reinterpret_cast<HGLOBAL>(data));
}
std::uint32_t Win32Platform::sizeof_resource(Hrsrc res) {
    return SizeofResource(Instance(), reinterpret_cast<HRSRC>(res));
}
bool Win32Platform::free_resource(Hglobal data) {
    return FreeResource(reinterpret_cast<HGLOBAL>(data)) != 0;
}
int Win32Platform::load_string(std::uint32_t id, char* buf, int size) {
    return LoadStringA(Instance(), id, buf, size);
}
Hgdiobj Win32Platform::load_bitmap(std::uint16_t id) {
    return reinterpret_cast<Hgdiobj>(LoadBitmapA(Instance(), MAKEINTRESOURCEA(id)));
}
bool Win32Platform::get_bitmap_size(Hgdiobj bitmap, std::int32_t& width, std::int32_t& height) {
    BITMAP b{};
    if (GetObjectA(reinterpret_cast<HGDIOBJ>(bitmap), sizeof b, &b) == 0) return false;
    width = b.bmWidth;
    height = b.bmHeight;
    return true;
}
bool Win32Platform::delete_object(Hgdiobj object) {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(object)) != 0;
}

// --- Ui ---

bool Win32Platform::register_class(const WindowClass& cls) {
    int slot = 0;
    while (slot < kClassSlots && g_window_procs[slot] != nullptr) ++slot;
    if (slot == kClassSlots) return false;
    WNDCLASSA wc{};
    wc.style = cls.style;
    wc.lpfnWndProc = kWindowTrampolines[slot];
    wc.hInstance = Instance();
    wc.hCursor = cls.cursor != 0 ? LoadCursorA(nullptr, MAKEINTRESOURCEA(cls.cursor)) : nullptr;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(cls.background));
    wc.lpszClassName = cls.name;
    g_window_procs[slot] = cls.proc;
    if (RegisterClassA(&wc) != 0) return true;
    g_window_procs[slot] = nullptr;
    return false;
}
Hwnd Win32Platform::create_window(const char* cls, const char* title, std::uint32_t style, int x,
                                  int y, int width, int height, Hwnd parent) {
    return H(CreateWindowA(cls, title, style, x, y, width, height, W(parent), nullptr, Instance(),
                           nullptr));
}
bool Win32Platform::destroy_window(Hwnd window) {
    return DestroyWindow(W(window)) != 0;
}
std::intptr_t Win32Platform::def_window_proc(Hwnd window, std::uint32_t msg,
                                             std::uintptr_t wparam, std::intptr_t lparam) {
    return DefWindowProcA(W(window), msg, wparam, lparam);
}
Hwnd Win32Platform::find_window(const char* cls, const char* title) {
    return H(FindWindowA(cls, title));
}
Hwnd Win32Platform::get_window(Hwnd window, std::uint32_t cmd) {
    return H(GetWindow(W(window), cmd));
}
std::uint32_t Win32Platform::get_window_thread_process_id(Hwnd window) {
    return GetWindowThreadProcessId(W(window), nullptr);
}
std::uint32_t Win32Platform::get_window_style(Hwnd window) {
    return static_cast<std::uint32_t>(GetWindowLongA(W(window), GWL_STYLE));
}
Hwnd Win32Platform::get_parent(Hwnd window) {
    return H(GetParent(W(window)));
}
bool Win32Platform::bring_window_to_top(Hwnd window) {
    return BringWindowToTop(W(window)) != 0;
}
bool Win32Platform::show_window(Hwnd window, int cmd) {
    return ShowWindow(W(window), cmd) != 0;
}
bool Win32Platform::set_window_text(Hwnd window, const char* text) {
    return SetWindowTextA(W(window), text) != 0;
}
int Win32Platform::get_window_text(Hwnd window, char* buf, int size) {
    return GetWindowTextA(W(window), buf, size);
}
int Win32Platform::get_window_text_length(Hwnd window) {
    return GetWindowTextLengthA(W(window));
}
Hwnd Win32Platform::get_dlg_item(Hwnd dialog, int id) {
    return H(GetDlgItem(W(dialog), id));
}
bool Win32Platform::set_dlg_item_text(Hwnd dialog, int id, const char* text) {
    return SetDlgItemTextA(W(dialog), id, text) != 0;
}
std::uint32_t Win32Platform::get_dlg_item_text(Hwnd dialog, int id, char* buf, int size) {
    return GetDlgItemTextA(W(dialog), id, buf, size);
}
bool Win32Platform::enable_window(Hwnd window, bool enable) {
    return EnableWindow(W(window), enable) != 0;
}
bool Win32Platform::is_window_enabled(Hwnd window) {
    return IsWindowEnabled(W(window)) != 0;
}
bool Win32Platform::get_window_rect(Hwnd window, Rect& out) {
    return GetWindowRect(W(window), reinterpret_cast<RECT*>(&out)) != 0;
}
bool Win32Platform::get_client_rect(Hwnd window, Rect& out) {
    return GetClientRect(W(window), reinterpret_cast<RECT*>(&out)) != 0;
}
bool Win32Platform::screen_to_client(Hwnd window, Point& pt) {
    return ScreenToClient(W(window), reinterpret_cast<POINT*>(&pt)) != 0;
}
bool Win32Platform::set_window_pos(Hwnd window, Hwnd after, int x, int y, int cx, int cy,
                                   std::uint32_t flags) {
    return SetWindowPos(W(window), W(after), x, y, cx, cy, flags) != 0;
}
int Win32Platform::get_system_metrics(int index) {
    return GetSystemMetrics(index);
}
std::int32_t Win32Platform::get_dialog_base_units() {
    return static_cast<std::int32_t>(GetDialogBaseUnits());
}
std::intptr_t Win32Platform::dialog_box_indirect_param(const void* tmpl, Hwnd parent,
                                                       DialogProc proc, std::intptr_t param) {
    DialogStart start{proc, param};
    return DialogBoxIndirectParamA(Instance(), static_cast<LPCDLGTEMPLATEA>(tmpl), W(parent),
                                   DialogTrampoline, reinterpret_cast<LPARAM>(&start));
}
Hwnd Win32Platform::create_dialog_param(std::uint16_t id, Hwnd owner, DialogProc proc,
                                        std::intptr_t param) {
    DialogStart start{proc, param};
    return H(CreateDialogParamA(Instance(), MAKEINTRESOURCEA(id), W(owner), DialogTrampoline,
                                reinterpret_cast<LPARAM>(&start)));
}
bool Win32Platform::end_dialog(Hwnd dialog, std::intptr_t result) {
    return EndDialog(W(dialog), result) != 0;
}
bool Win32Platform::is_dialog_message(Hwnd dialog, Msg& msg) {
    MSG m = FromMsg(msg);
    return IsDialogMessageA(W(dialog), &m) != 0;
}
bool Win32Platform::peek_message(Msg& msg, Hwnd window, std::uint32_t first, std::uint32_t last,
                                 std::uint32_t remove) {
    MSG m{};
    if (!PeekMessageA(&m, W(window), first, last, remove)) return false;
    ToMsg(m, msg);
    return true;
}
bool Win32Platform::translate_message(const Msg& msg) {
    MSG m = FromMsg(msg);
    return TranslateMessage(&m) != 0;
}
std::intptr_t Win32Platform::dispatch_message(const Msg& msg) {
    MSG m = FromMsg(msg);
    return DispatchMessageA(&m);
}
bool Win32Platform::post_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
    return PostMessageA(W(window), msg, wparam, lparam) != 0;
}
void Win32Platform::post_quit_message(int code) {
    PostQuitMessage(code);
}
std::intptr_t Win32Platform::send_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                          std::intptr_t lparam) {
    return SendMessageA(W(window), msg, wparam, lparam);
}
std::intptr_t Win32Platform::send_message_timeout(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                                  std::intptr_t lparam, std::uint32_t flags,
                                                  std::uint32_t timeout, std::uintptr_t* result) {
    DWORD_PTR answer = 0;
    LRESULT done = SendMessageTimeoutA(W(window), msg, wparam, lparam, flags, timeout, &answer);
    if (result != nullptr) *result = answer;
    return done;
}
Hhook Win32Platform::set_windows_hook(int id, MsgFilterProc proc) {
    g_filter = proc;
    return reinterpret_cast<Hhook>(SetWindowsHookA(id, FilterTrampoline));
}
bool Win32Platform::unhook_windows_hook(int id, MsgFilterProc) {
    bool done = UnhookWindowsHook(id, FilterTrampoline) != 0;
    if (done) g_filter = nullptr;
    return done;
}
std::intptr_t Win32Platform::call_next_hook_ex(Hhook hook, int code, std::uintptr_t wparam,
                                               Msg* msg) {
    MSG copy{};
    LPARAM lparam = 0;
    if (msg == &g_filter_msg && g_filter_original != 0) {
        lparam = g_filter_original;
    } else if (msg != nullptr) {
        copy = FromMsg(*msg);
        lparam = reinterpret_cast<LPARAM>(&copy);
    }
    return CallNextHookEx(reinterpret_cast<HHOOK>(hook), code, wparam, lparam);
}
Hwnd Win32Platform::set_capture(Hwnd window) {
    return H(SetCapture(W(window)));
}
bool Win32Platform::release_capture() {
    return ReleaseCapture() != 0;
}
Hcursor Win32Platform::load_cursor(std::uint32_t id) {
    return reinterpret_cast<Hcursor>(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)));
}
Hcursor Win32Platform::set_cursor(Hcursor cursor) {
    return reinterpret_cast<Hcursor>(SetCursor(reinterpret_cast<HCURSOR>(cursor)));
}
bool Win32Platform::win_help(Hwnd window, const char* file, std::uint32_t command,
                             std::uintptr_t data) {
    return WinHelpA(W(window), file, command, data) != 0;
}
std::uint32_t Win32Platform::win_exec(const char* command_line, int show) {
    return WinExec(command_line, show);
}
bool Win32Platform::sh_get_malloc() {
    return SHGetMalloc(&malloc_) == S_OK && malloc_ != nullptr;
}
Pidl Win32Platform::sh_browse_for_folder(const BrowseInfo& info) {
    BROWSEINFOA bi{};
    bi.hwndOwner = W(info.owner);
    bi.pszDisplayName = info.display_name;
    bi.lpszTitle = info.title;
    bi.ulFlags = info.flags;
    bi.lpfn = BrowseTrampoline;
    bi.lParam = info.data;
    g_browse = info.callback;
    return reinterpret_cast<Pidl>(SHBrowseForFolderA(&bi));
}
bool Win32Platform::sh_get_path_from_id_list(Pidl list, char* path) {
    return SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(list), path) != 0;
}
void Win32Platform::sh_malloc_free(Pidl list) {
    if (malloc_ != nullptr) malloc_->Free(reinterpret_cast<void*>(list));
}
void Win32Platform::sh_malloc_release() {
    if (malloc_ != nullptr) malloc_->Release();
    malloc_ = nullptr;
}
Hwnd Win32Platform::get_desktop_window() {
    return H(GetDesktopWindow());
}

bool Win32Platform::is_window_visible(Hwnd window) {
    return IsWindowVisible(W(window)) != 0;
}

std::uintptr_t Win32Platform::set_timer(Hwnd window, std::uintptr_t id, std::uint32_t ms) {
    return SetTimer(W(window), id, ms, nullptr);
}

bool Win32Platform::kill_timer(Hwnd window, std::uintptr_t id) {
    return KillTimer(W(window), id) != 0;
}
Hdc Win32Platform::get_dc(Hwnd window) {
    return reinterpret_cast<Hdc>(GetDC(W(window)));
}
int Win32Platform::release_dc(Hwnd window, Hdc dc) {
    return ReleaseDC(W(window), D(dc));
}
int Win32Platform::get_device_caps(Hdc dc, int index) {
    return GetDeviceCaps(D(dc), index);
}
Hdc Win32Platform::create_compatible_dc(Hdc dc) {
    return reinterpret_cast<Hdc>(CreateCompatibleDC(D(dc)));
}
Hgdiobj Win32Platform::select_object(Hdc dc, Hgdiobj object) {
    return reinterpret_cast<Hgdiobj>(SelectObject(D(dc), reinterpret_cast<HGDIOBJ>(object)));
}
bool Win32Platform::bit_blt(Hdc dst, int x, int y, int width, int height, Hdc src, int src_x,
                            int src_y, std::uint32_t rop) {
    return BitBlt(D(dst), x, y, width, height, D(src), src_x, src_y, rop) != 0;
}
bool Win32Platform::delete_dc(Hdc dc) {
    return DeleteDC(D(dc)) != 0;
}
bool Win32Platform::invalidate_rect(Hwnd window, const Rect* rect, bool erase) {
    return InvalidateRect(W(window), reinterpret_cast<const RECT*>(rect), erase) != 0;
}
bool Win32Platform::update_window(Hwnd window) {
    return UpdateWindow(W(window)) != 0;
}
static_assert(sizeof(PAINTSTRUCT) <= sizeof(PaintInfo::data));
Hdc Win32Platform::begin_paint(Hwnd window, PaintInfo& paint) {
    return reinterpret_cast<Hdc>(BeginPaint(W(window), reinterpret_cast<PAINTSTRUCT*>(paint.data)));
}
bool Win32Platform::end_paint(Hwnd window, const PaintInfo& paint) {
    return EndPaint(W(window), reinterpret_cast<const PAINTSTRUCT*>(paint.data)) != 0;
}
Hgdiobj Win32Platform::get_stock_object(int index) {
    return reinterpret_cast<Hgdiobj>(GetStockObject(index));
}
int Win32Platform::frame_rect(Hdc dc, const Rect& rect, Hgdiobj brush) {
    return FrameRect(D(dc), reinterpret_cast<const RECT*>(&rect), reinterpret_cast<HBRUSH>(brush));
}
Colorref Win32Platform::set_bk_color(Hdc dc, Colorref color) {
    return SetBkColor(D(dc), color);
}
Colorref Win32Platform::set_text_color(Hdc dc, Colorref color) {
    return SetTextColor(D(dc), color);
}
bool Win32Platform::get_text_extent_point(Hdc dc, const char* text, int length, Size& out) {
    return GetTextExtentPointA(D(dc), text, length, reinterpret_cast<SIZE*>(&out)) != 0;
}
bool Win32Platform::ext_text_out(Hdc dc, int x, int y, std::uint32_t options, const Rect* rect,
                                 const char* text, std::uint32_t length) {
    return ExtTextOutA(D(dc), x, y, options, reinterpret_cast<const RECT*>(rect), text, length,
                       nullptr) != 0;
}

// --- Fonts ---

int Win32Platform::add_font_resource(const char* path) {
    return AddFontResourceA(path);
}
bool Win32Platform::remove_font_resource(const char* path) {
    return RemoveFontResourceA(path) != 0;
}
bool Win32Platform::create_scalable_font_resource(std::uint32_t hidden, const char* font_resource,
                                                  const char* font_file, const char* current_path) {
    return CreateScalableFontResourceA(hidden, font_resource, font_file, current_path) != 0;
}

// --- Dde ---

static HSZ S(Hsz h) { return reinterpret_cast<HSZ>(h); }
static HCONV C(Hconv h) { return reinterpret_cast<HCONV>(h); }

std::uint32_t Win32Platform::dde_initialize(std::uint32_t& instance, DdeCallback callback, std::uint32_t flags) {
    g_dde = callback;
    DWORD id = instance;
    UINT r = DdeInitializeA(&id, DdeTrampoline, flags, 0);
    instance = id;
    return r;
}
bool Win32Platform::dde_uninitialize(std::uint32_t instance) {
    return DdeUninitialize(instance) != 0;
}
Hsz Win32Platform::dde_create_string_handle(std::uint32_t instance, const char* text, int code_page) {
    return reinterpret_cast<Hsz>(DdeCreateStringHandleA(instance, text, code_page));
}
bool Win32Platform::dde_free_string_handle(std::uint32_t instance, Hsz text) {
    return DdeFreeStringHandle(instance, S(text)) != 0;
}
Hconv Win32Platform::dde_connect(std::uint32_t instance, Hsz service, Hsz topic) {
    return reinterpret_cast<Hconv>(DdeConnect(instance, S(service), S(topic), nullptr));
}
bool Win32Platform::dde_disconnect(Hconv conversation) {
    return DdeDisconnect(C(conversation)) != 0;
}
Hddedata Win32Platform::dde_client_transaction(const void* data, std::uint32_t size, Hconv conversation,
                                               Hsz item, std::uint32_t format, std::uint32_t type,
                                               std::uint32_t timeout, std::uint32_t* result) {
    DWORD r = 0;
    HDDEDATA h = DdeClientTransaction(static_cast<BYTE*>(const_cast<void*>(data)), size, C(conversation),
                                      S(item), format, type, timeout, result != nullptr ? &r : nullptr);
    if (result != nullptr) *result = r;
    return reinterpret_cast<Hddedata>(h);
}

}  // namespace zep::win32
