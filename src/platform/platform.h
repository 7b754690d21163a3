// The seam between the installer's logic and Windows. Each operation is one Win32 call,
// taking and returning what that call would (snake_case of its name; the ANSI form).
// platform/win32 forwards to the real call; platform/sim answers from a simulated machine.
//
// Adding an operation: declare it in its service below, forward it in win32/, answer it
// in sim/ (call fault() first so tests can make it fail).
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/win_types.h"

namespace zep::platform {

// GetVersionEx, the system directories, the module, errors, atoms, movable memory and
// the text functions whose results depend on the system's code page.
class System {
public:
    virtual bool get_version_ex(OsVersion& out) = 0;
    virtual std::uint32_t get_windows_directory(char* buf, std::uint32_t size) = 0;
    virtual std::uint32_t get_system_directory(char* buf, std::uint32_t size) = 0;
    virtual std::uint32_t get_module_file_name(char* buf, std::uint32_t size) = 0;
    virtual std::uint32_t set_error_mode(std::uint32_t mode) = 0;
    virtual std::uint32_t get_last_error() = 0;
    virtual void set_last_error(std::uint32_t code) = 0;
    // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, lang, buf, size, nullptr)
    virtual std::uint32_t format_message_from_system(std::uint32_t code, std::uint32_t lang,
                                                     char* buf, std::uint32_t size) = 0;

    virtual Atom add_atom(const char* text) = 0;
    virtual std::uint32_t get_atom_name(Atom atom, char* buf, int size) = 0;
    virtual Atom delete_atom(Atom atom) = 0;  // 0 when deleted, else the atom

    virtual Hglobal global_alloc(std::uint32_t flags, std::uint32_t bytes) = 0;
    virtual void* global_lock(Hglobal mem) = 0;
    virtual bool global_unlock(Hglobal mem) = 0;
    virtual Hglobal global_free(Hglobal mem) = 0;  // 0 when freed

    virtual int lstrcmp_a(const char* a, const char* b) = 0;
    virtual int lstrcmpi_a(const char* a, const char* b) = 0;
    virtual std::uint32_t char_upper_buff(char* text, std::uint32_t length) = 0;
    virtual std::uint32_t char_lower_buff(char* text, std::uint32_t length) = 0;
    virtual bool oem_to_char(const char* from, char* to) = 0;

protected:
    ~System() = default;
};

// The 16-bit-compatible file calls and the directory and drive calls.
class Files {
public:
    virtual Hfile open_file(const char* path, std::uint32_t mode) = 0;  // OpenFile
    virtual Hfile lopen(const char* path, std::uint32_t mode) = 0;      // _lopen
    virtual Hfile lcreat(const char* path, int attributes) = 0;         // _lcreat
    virtual std::uint32_t lread(Hfile file, void* buf, std::uint32_t count) = 0;  // -1 on failure
    virtual std::uint32_t lwrite(Hfile file, const void* buf, std::uint32_t count) = 0;
    virtual std::int32_t llseek(Hfile file, std::int32_t offset, int origin) = 0;
    virtual Hfile lclose(Hfile file) = 0;  // 0 on success
    virtual bool delete_file(const char* path) = 0;
    virtual bool set_file_attributes(const char* path, std::uint32_t attributes) = 0;
    virtual std::uint32_t get_file_attributes(const char* path) = 0;
    virtual std::uint32_t get_file_size(Hfile file) = 0;
    virtual bool get_file_time(Hfile file, FileTime* created, FileTime* accessed,
                               FileTime* written) = 0;
    virtual bool set_file_time(Hfile file, const FileTime* created, const FileTime* accessed,
                               const FileTime* written) = 0;
    virtual bool dos_date_time_to_file_time(std::uint16_t date, std::uint16_t time,
                                            FileTime& out) = 0;
    virtual bool local_file_time_to_file_time(const FileTime& local, FileTime& out) = 0;
    virtual bool create_directory(const char* path) = 0;
    virtual bool remove_directory(const char* path) = 0;
    // MoveFileExA; with MOVEFILE_DELAY_UNTIL_REBOOT and no destination, a delete at the
    // next restart (Windows NT only: Windows 95 has the function but fails it).
    virtual bool move_file_ex(const char* from, const char* to, std::uint32_t flags) = 0;
    virtual std::uint32_t get_short_path_name(const char* path, char* buf, std::uint32_t size) = 0;
    virtual bool get_disk_free_space(const char* root, std::uint32_t& sectors_per_cluster,
                                     std::uint32_t& bytes_per_sector,
                                     std::uint32_t& free_clusters,
                                     std::uint32_t& total_clusters) = 0;
    virtual std::uint32_t get_drive_type(const char* root) = 0;
    virtual bool set_current_directory(const char* path) = 0;
    virtual std::uint32_t get_current_directory(std::uint32_t size, char* buf) = 0;

protected:
    ~Files() = default;
};

// LZ32: expansion of SZDD files, passing other files through unchanged. Handles are
// LZ32's INTs: an expansion handle, or a file handle for a file that is not compressed.
class Expansion {
public:
    virtual std::int32_t lz_init(Hfile source) = 0;  // negative: an LZERROR_ code
    virtual std::int32_t lz_read(std::int32_t handle, void* buf, std::int32_t count) = 0;
    virtual std::int32_t lz_copy(Hfile source, Hfile destination) = 0;  // bytes, or negative
    virtual void lz_close(std::int32_t handle) = 0;

protected:
    ~Expansion() = default;
};

// The private-profile functions and win.ini.
class Profiles {
public:
    virtual std::uint32_t get_private_profile_string(const char* section, const char* key,
                                                     const char* fallback, char* buf,
                                                     std::uint32_t size, const char* file) = 0;
    virtual std::uint32_t get_private_profile_int(const char* section, const char* key,
                                                  int fallback, const char* file) = 0;
    virtual bool write_private_profile_string(const char* section, const char* key,
                                              const char* value, const char* file) = 0;
    virtual bool write_profile_string(const char* section, const char* key,
                                      const char* value) = 0;

protected:
    ~Profiles() = default;
};

// The registry: HKEY_LOCAL_MACHINE and below. Results are Win32 error codes (0 = done).
class Registry {
public:
    virtual std::int32_t reg_open_key(Hkey key, const char* subkey, Hkey& out) = 0;
    virtual std::int32_t reg_create_key(Hkey key, const char* subkey, Hkey& out) = 0;
    virtual std::int32_t reg_enum_key(Hkey key, std::uint32_t index, char* name, std::uint32_t size) = 0;
    virtual std::int32_t reg_query_value_ex(Hkey key, const char* name, std::uint32_t* type,
                                            void* data, std::uint32_t* size) = 0;
    virtual std::int32_t reg_set_value_ex(Hkey key, const char* name, std::uint32_t type,
                                          const void* data, std::uint32_t size) = 0;
    virtual std::int32_t reg_delete_value(Hkey key, const char* name) = 0;
    virtual std::int32_t reg_delete_key(Hkey key, const char* subkey) = 0;
    virtual std::int32_t reg_close_key(Hkey key) = 0;

protected:
    ~Registry() = default;
};

// The installer's own module: type-256 data, strings, templates, images.
class Resources {
public:
    virtual Hrsrc find_resource(std::uint16_t id, std::uint16_t type) = 0;
    virtual Hglobal load_resource(Hrsrc res) = 0;
    virtual const void* lock_resource(Hglobal data) = 0;
    virtual std::uint32_t sizeof_resource(Hrsrc res) = 0;
    virtual bool free_resource(Hglobal data) = 0;
    virtual int load_string(std::uint32_t id, char* buf, int size) = 0;
    virtual Hgdiobj load_bitmap(std::uint16_t id) = 0;
    // GetObjectA of a BITMAP: its width and height.
    virtual bool get_bitmap_size(Hgdiobj bitmap, std::int32_t& width, std::int32_t& height) = 0;
    virtual bool delete_object(Hgdiobj object) = 0;

protected:
    ~Resources() = default;
};

// Windows, dialogs, the message queue, hooks, cursor, help and screen metrics.
class Ui {
public:
    virtual bool register_class(const WindowClass& cls) = 0;
    virtual Hwnd create_window(const char* cls, const char* title, std::uint32_t style, int x,
                               int y, int width, int height, Hwnd parent) = 0;
    virtual bool destroy_window(Hwnd window) = 0;
    virtual std::intptr_t def_window_proc(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                          std::intptr_t lparam) = 0;
    virtual Hwnd find_window(const char* cls, const char* title) = 0;
    virtual Hwnd get_window(Hwnd window, std::uint32_t cmd) = 0;
    virtual std::uint32_t get_window_thread_process_id(Hwnd window) = 0;  // the thread id
    virtual std::uint32_t get_window_style(Hwnd window) = 0;  // GetWindowLong(GWL_STYLE)
    virtual Hwnd get_parent(Hwnd window) = 0;
    virtual bool is_window_visible(Hwnd window) = 0;
    virtual std::uintptr_t set_timer(Hwnd window, std::uintptr_t id, std::uint32_t ms) = 0;
    virtual bool kill_timer(Hwnd window, std::uintptr_t id) = 0;
    virtual bool bring_window_to_top(Hwnd window) = 0;
    virtual bool show_window(Hwnd window, int cmd) = 0;
    virtual bool set_window_text(Hwnd window, const char* text) = 0;
    virtual int get_window_text(Hwnd window, char* buf, int size) = 0;
    virtual int get_window_text_length(Hwnd window) = 0;
    virtual Hwnd get_dlg_item(Hwnd dialog, int id) = 0;
    virtual bool set_dlg_item_text(Hwnd dialog, int id, const char* text) = 0;
    virtual std::uint32_t get_dlg_item_text(Hwnd dialog, int id, char* buf, int size) = 0;
    virtual bool enable_window(Hwnd window, bool enable) = 0;
    virtual bool is_window_enabled(Hwnd window) = 0;
    virtual bool get_window_rect(Hwnd window, Rect& out) = 0;
    virtual bool get_client_rect(Hwnd window, Rect& out) = 0;
    virtual bool screen_to_client(Hwnd window, Point& pt) = 0;
    virtual bool set_window_pos(Hwnd window, Hwnd after, int x, int y, int cx, int cy,
                                std::uint32_t flags) = 0;
    virtual int get_system_metrics(int index) = 0;
    virtual std::int32_t get_dialog_base_units() = 0;

    // DialogBoxIndirectParamA and CreateDialogParamA of the installer's module; the
    // procedure receives WM_INITDIALOG with param as its lparam.
    virtual std::intptr_t dialog_box_indirect_param(const void* tmpl, Hwnd parent,
                                                    DialogProc proc, std::intptr_t param) = 0;
    virtual Hwnd create_dialog_param(std::uint16_t id, Hwnd owner, DialogProc proc,
                                     std::intptr_t param) = 0;
    virtual bool end_dialog(Hwnd dialog, std::intptr_t result) = 0;
    virtual bool is_dialog_message(Hwnd dialog, Msg& msg) = 0;

    virtual bool peek_message(Msg& msg, Hwnd window, std::uint32_t first, std::uint32_t last,
                              std::uint32_t remove) = 0;
    virtual bool translate_message(const Msg& msg) = 0;
    virtual std::intptr_t dispatch_message(const Msg& msg) = 0;
    virtual bool post_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                              std::intptr_t lparam) = 0;
    virtual void post_quit_message(int code) = 0;
    virtual std::intptr_t send_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                       std::intptr_t lparam) = 0;
    // SendMessageTimeoutA: nonzero when the window handled the message within timeout
    // milliseconds (result gets its answer); 0 when it gave up, with the last error set.
    virtual std::intptr_t send_message_timeout(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                               std::intptr_t lparam, std::uint32_t flags,
                                               std::uint32_t timeout, std::uintptr_t* result) = 0;

    // SetWindowsHookA, UnhookWindowsHook and CallNextHookEx for WH_MSGFILTER.
    virtual Hhook set_windows_hook(int id, MsgFilterProc proc) = 0;
    virtual bool unhook_windows_hook(int id, MsgFilterProc proc) = 0;
    virtual std::intptr_t call_next_hook_ex(Hhook hook, int code, std::uintptr_t wparam,
                                            Msg* msg) = 0;

    virtual Hwnd set_capture(Hwnd window) = 0;
    virtual bool release_capture() = 0;
    virtual Hcursor load_cursor(std::uint32_t id) = 0;  // a system cursor
    virtual Hcursor set_cursor(Hcursor cursor) = 0;

    virtual bool win_help(Hwnd window, const char* file, std::uint32_t command,
                          std::uintptr_t data) = 0;
    virtual std::uint32_t win_exec(const char* command_line, int show) = 0;

    // The folder browser: SHGetMalloc, SHBrowseForFolderA, SHGetPathFromIDListA, and the
    // allocator's Free and Release.
    virtual bool sh_get_malloc() = 0;
    virtual Pidl sh_browse_for_folder(const BrowseInfo& info) = 0;
    virtual bool sh_get_path_from_id_list(Pidl list, char* path) = 0;
    virtual void sh_malloc_free(Pidl list) = 0;
    virtual void sh_malloc_release() = 0;

    virtual Hwnd get_desktop_window() = 0;
    virtual Hdc get_dc(Hwnd window) = 0;
    virtual int release_dc(Hwnd window, Hdc dc) = 0;
    virtual int get_device_caps(Hdc dc, int index) = 0;
    virtual Hdc create_compatible_dc(Hdc dc) = 0;
    virtual Hgdiobj select_object(Hdc dc, Hgdiobj object) = 0;
    virtual bool bit_blt(Hdc dst, int x, int y, int width, int height, Hdc src, int src_x,
                         int src_y, std::uint32_t rop) = 0;
    virtual bool delete_dc(Hdc dc) = 0;

    // Painting.
    virtual bool invalidate_rect(Hwnd window, const Rect* rect, bool erase) = 0;
    virtual bool update_window(Hwnd window) = 0;
    virtual Hdc begin_paint(Hwnd window, PaintInfo& paint) = 0;
    virtual bool end_paint(Hwnd window, const PaintInfo& paint) = 0;
    virtual Hgdiobj get_stock_object(int index) = 0;
    virtual int frame_rect(Hdc dc, const Rect& rect, Hgdiobj brush) = 0;
    virtual Colorref set_bk_color(Hdc dc, Colorref color) = 0;
    virtual Colorref set_text_color(Hdc dc, Colorref color) = 0;
    virtual bool get_text_extent_point(Hdc dc, const char* text, int length, Size& out) = 0;
    virtual bool ext_text_out(Hdc dc, int x, int y, std::uint32_t options, const Rect* rect,
                              const char* text, std::uint32_t length) = 0;

protected:
    ~Ui() = default;
};

// GDI's font resources: the fonts loaded into the running system.
class Fonts {
public:
    virtual int add_font_resource(const char* path) = 0;  // fonts added; 0 on failure
    virtual bool remove_font_resource(const char* path) = 0;
    virtual bool create_scalable_font_resource(std::uint32_t hidden, const char* font_resource,
                                               const char* font_file, const char* current_path) = 0;

protected:
    ~Fonts() = default;
};

// DDEML, as a client.
class Dde {
public:
    virtual std::uint32_t dde_initialize(std::uint32_t& instance, DdeCallback callback,
                                         std::uint32_t flags) = 0;  // a DMLERR_ code
    virtual bool dde_uninitialize(std::uint32_t instance) = 0;
    virtual Hsz dde_create_string_handle(std::uint32_t instance, const char* text, int code_page) = 0;
    virtual bool dde_free_string_handle(std::uint32_t instance, Hsz text) = 0;
    virtual Hconv dde_connect(std::uint32_t instance, Hsz service, Hsz topic) = 0;  // no context
    virtual bool dde_disconnect(Hconv conversation) = 0;
    virtual Hddedata dde_client_transaction(const void* data, std::uint32_t size, Hconv conversation,
                                            Hsz item, std::uint32_t format, std::uint32_t type,
                                            std::uint32_t timeout, std::uint32_t* result) = 0;

protected:
    ~Dde() = default;
};

// Every service, as the logic reaches them.
struct Platform {
    System& system;
    Files& files;
    Expansion& expansion;
    Profiles& profiles;
    Registry& registry;
    Resources& resources;
    Ui& ui;
    Fonts& fonts;
    Dde& dde;
};

}  // namespace zep::platform
