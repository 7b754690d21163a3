// One simulated process on a simulated machine: every operation of the seam, answered
// as Windows would, with fault injection and a scripted user.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/faults.h"
#include "platform/sim/machine.h"
#include "platform/sim/profile_text.h"
#include "platform/sim/res_file.h"
#include "platform/sim/scripted_user.h"
#include "szdd/szdd.h"

namespace zep::sim {

class SimPlatform final : public platform::System,
                          public platform::Files,
                          public platform::Expansion,
                          public platform::Profiles,
                          public platform::Registry,
                          public platform::Resources,
                          public platform::Ui,
                          public platform::Fonts,
                          public platform::Dde {
public:
    // module: the program's full path, such as C:\SETUP\SETUP.EXE. The process starts
    // with the module's directory current.
    SimPlatform(Machine& machine, std::string module);
    ~SimPlatform();
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    platform::Platform services() { return {*this, *this, *this, *this, *this, *this, *this, *this, *this}; }
    // The installer whose window and dialog procedures this process calls back.
    void set_context(Installer* installer) { context_ = installer; }

    Machine& machine() { return machine_; }
    ResourceSet resources;  // the module's resources
    Faults faults;
    ScriptedUser user;

    // --- Looking at and acting on the process's windows, for tests. ---
    Hwnd find_dialog(std::uint16_t template_id);
    std::string item_text(Hwnd dialog, int id);
    bool item_enabled(Hwnd dialog, int id);
    // Posts a mouse click on a control, as input that waits in the queue.
    void post_click(Hwnd dialog, int id);
    std::uint32_t thread_id() const { return thread_; }
    std::uint32_t error_mode() const { return error_mode_; }
    std::size_t open_file_count() const { return files_.size(); }
    std::size_t atom_count() const;
    std::size_t global_block_count() const { return blocks_.size(); }
    const CurrentDirectories& current_directories() const { return cwd_; }
    Hcursor current_cursor() const { return cursor_; }
    Hwnd capture() const { return capture_; }
    bool filter_hook_installed() const { return filter_ != nullptr; }
    std::size_t queued_messages() const { return queue_.size(); }

    // System
    bool get_version_ex(OsVersion& out) override;
    std::uint32_t get_windows_directory(char* buf, std::uint32_t size) override;
    std::uint32_t get_system_directory(char* buf, std::uint32_t size) override;
    std::uint32_t get_module_file_name(char* buf, std::uint32_t size) override;
    std::uint32_t set_error_mode(std::uint32_t mode) override;
    std::uint32_t get_last_error() override;
    void set_last_error(std::uint32_t code) override;
    std::uint32_t format_message_from_system(std::uint32_t code, std::uint32_t lang, char* buf,
                                             std::uint32_t size) override;
    Atom add_atom(const char* text) override;
    std::uint32_t get_atom_name(Atom atom, char* buf, int size) override;
    Atom delete_atom(Atom atom) override;
    Hglobal global_alloc(std::uint32_t flags, std::uint32_t bytes) override;
    void* global_lock(Hglobal mem) override;
    bool global_unlock(Hglobal mem) override;
    Hglobal global_free(Hglobal mem) override;
    int lstrcmp_a(const char* a, const char* b) override;
    int lstrcmpi_a(const char* a, const char* b) override;
    std::uint32_t char_upper_buff(char* text, std::uint32_t length) override;
    std::uint32_t char_lower_buff(char* text, std::uint32_t length) override;
    bool oem_to_char(const char* from, char* to) override;

    // Files
    Hfile open_file(const char* path, std::uint32_t mode) override;
    Hfile lopen(const char* path, std::uint32_t mode) override;
    Hfile lcreat(const char* path, int attributes) override;
    std::uint32_t lread(Hfile file, void* buf, std::uint32_t count) override;
    std::uint32_t lwrite(Hfile file, const void* buf, std::uint32_t count) override;
    std::int32_t llseek(Hfile file, std::int32_t offset, int origin) override;
    Hfile lclose(Hfile file) override;
    bool delete_file(const char* path) override;
    bool set_file_attributes(const char* path, std::uint32_t attributes) override;
    std::uint32_t get_file_attributes(const char* path) override;
    std::uint32_t get_file_size(Hfile file) override;
    bool get_file_time(Hfile file, FileTime* created, FileTime* accessed,
                       FileTime* written) override;
    bool set_file_time(Hfile file, const FileTime* created, const FileTime* accessed,
                       const FileTime* written) override;
    bool dos_date_time_to_file_time(std::uint16_t date, std::uint16_t time,
                                    FileTime& out) override;
    bool local_file_time_to_file_time(const FileTime& local, FileTime& out) override;
    bool create_directory(const char* path) override;
    bool remove_directory(const char* path) override;
    bool move_file_ex(const char* from, const char* to, std::uint32_t flags) override;
    std::uint32_t get_short_path_name(const char* path, char* buf, std::uint32_t size) override;
    bool get_disk_free_space(const char* root, std::uint32_t& sectors_per_cluster,
                             std::uint32_t& bytes_per_sector, std::uint32_t& free_clusters,
                             std::uint32_t& total_clusters) override;
    std::uint32_t get_drive_type(const char* root) override;
    bool set_current_directory(const char* path) override;
    std::uint32_t get_current_directory(std::uint32_t size, char* buf) override;

    // Expansion
    std::int32_t lz_init(Hfile source) override;
    std::int32_t lz_read(std::int32_t handle, void* buf, std::int32_t count) override;
    std::int32_t lz_copy(Hfile source, Hfile destination) override;
    void lz_close(std::int32_t handle) override;
    std::size_t open_expansions() const;

    // Profiles
    std::uint32_t get_private_profile_string(const char* section, const char* key,
                                             const char* fallback, char* buf, std::uint32_t size,
                                             const char* file) override;
    std::uint32_t get_private_profile_int(const char* section, const char* key, int fallback,
                                          const char* file) override;
    bool write_private_profile_string(const char* section, const char* key, const char* value,
                                      const char* file) override;
    bool write_profile_string(const char* section, const char* key, const char* value) override;

    // Registry
    std::int32_t reg_open_key(Hkey key, const char* subkey, Hkey& out) override;
    std::int32_t reg_create_key(Hkey key, const char* subkey, Hkey& out) override;
    std::int32_t reg_enum_key(Hkey key, std::uint32_t index, char* name, std::uint32_t size) override;
    std::int32_t reg_query_value_ex(Hkey key, const char* name, std::uint32_t* type, void* data,
                                    std::uint32_t* size) override;
    std::int32_t reg_set_value_ex(Hkey key, const char* name, std::uint32_t type, const void* data,
                                  std::uint32_t size) override;
    std::int32_t reg_delete_value(Hkey key, const char* name) override;
    std::int32_t reg_delete_key(Hkey key, const char* subkey) override;
    std::int32_t reg_close_key(Hkey key) override;
    std::size_t open_keys() const { return keys_.size(); }

    // Resources
    Hrsrc find_resource(std::uint16_t id, std::uint16_t type) override;
    Hglobal load_resource(Hrsrc res) override;
    const void* lock_resource(Hglobal data) override;
    std::uint32_t sizeof_resource(Hrsrc res) override;
    bool free_resource(Hglobal data) override;
    int load_string(std::uint32_t id, char* buf, int size) override;
    Hgdiobj load_bitmap(std::uint16_t id) override;
    bool get_bitmap_size(Hgdiobj bitmap, std::int32_t& width, std::int32_t& height) override;
    bool delete_object(Hgdiobj object) override;

    // Ui
    bool register_class(const WindowClass& cls) override;
    Hwnd create_window(const char* cls, const char* title, std::uint32_t style, int x, int y,
                       int width, int height, Hwnd parent) override;
    bool destroy_window(Hwnd window) override;
    std::intptr_t def_window_proc(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                  std::intptr_t lparam) override;
    Hwnd find_window(const char* cls, const char* title) override;
    Hwnd get_window(Hwnd window, std::uint32_t cmd) override;
    std::uint32_t get_window_thread_process_id(Hwnd window) override;
    std::uint32_t get_window_style(Hwnd window) override;
    Hwnd get_parent(Hwnd window) override;
    bool bring_window_to_top(Hwnd window) override;
    bool show_window(Hwnd window, int cmd) override;
    bool set_window_text(Hwnd window, const char* text) override;
    int get_window_text(Hwnd window, char* buf, int size) override;
    int get_window_text_length(Hwnd window) override;
    Hwnd get_dlg_item(Hwnd dialog, int id) override;
    bool set_dlg_item_text(Hwnd dialog, int id, const char* text) override;
    std::uint32_t get_dlg_item_text(Hwnd dialog, int id, char* buf, int size) override;
    bool enable_window(Hwnd window, bool enable) override;
    bool is_window_enabled(Hwnd window) override;
    bool get_window_rect(Hwnd window, Rect& out) override;
    bool get_client_rect(Hwnd window, Rect& out) override;
    bool screen_to_client(Hwnd window, Point& pt) override;
    bool set_window_pos(Hwnd window, Hwnd after, int x, int y, int cx, int cy,
                        std::uint32_t flags) override;
    int get_system_metrics(int index) override;
    std::int32_t get_dialog_base_units() override;
    std::intptr_t dialog_box_indirect_param(const void* tmpl, Hwnd parent, DialogProc proc,
                                            std::intptr_t param) override;
    Hwnd create_dialog_param(std::uint16_t id, Hwnd owner, DialogProc proc,
                             std::intptr_t param) override;
    bool end_dialog(Hwnd dialog, std::intptr_t result) override;
    bool is_dialog_message(Hwnd dialog, Msg& msg) override;
    bool peek_message(Msg& msg, Hwnd window, std::uint32_t first, std::uint32_t last,
                      std::uint32_t remove) override;
    bool translate_message(const Msg& msg) override;
    std::intptr_t dispatch_message(const Msg& msg) override;
    bool post_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                      std::intptr_t lparam) override;
    void post_quit_message(int code) override;
    std::intptr_t send_message(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                               std::intptr_t lparam) override;
    std::intptr_t send_message_timeout(Hwnd window, std::uint32_t msg, std::uintptr_t wparam,
                                       std::intptr_t lparam, std::uint32_t flags, std::uint32_t timeout,
                                       std::uintptr_t* result) override;
    Hhook set_windows_hook(int id, MsgFilterProc proc) override;
    bool unhook_windows_hook(int id, MsgFilterProc proc) override;
    std::intptr_t call_next_hook_ex(Hhook hook, int code, std::uintptr_t wparam,
                                    Msg* msg) override;
    Hwnd set_capture(Hwnd window) override;
    bool release_capture() override;
    Hcursor load_cursor(std::uint32_t id) override;
    Hcursor set_cursor(Hcursor cursor) override;
    bool win_help(Hwnd window, const char* file, std::uint32_t command,
                  std::uintptr_t data) override;
    std::uint32_t win_exec(const char* command_line, int show) override;
    bool sh_get_malloc() override;
    Pidl sh_browse_for_folder(const BrowseInfo& info) override;
    bool sh_get_path_from_id_list(Pidl list, char* path) override;
    void sh_malloc_free(Pidl list) override;
    void sh_malloc_release() override;
    Hwnd get_desktop_window() override;
    bool is_window_visible(Hwnd window) override;
    std::uintptr_t set_timer(Hwnd window, std::uintptr_t id, std::uint32_t ms) override;
    bool kill_timer(Hwnd window, std::uintptr_t id) override;
    Hdc get_dc(Hwnd window) override;
    int release_dc(Hwnd window, Hdc dc) override;
    int get_device_caps(Hdc dc, int index) override;
    Hdc create_compatible_dc(Hdc dc) override;
    Hgdiobj select_object(Hdc dc, Hgdiobj object) override;
    bool bit_blt(Hdc dst, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
                 std::uint32_t rop) override;
    bool delete_dc(Hdc dc) override;
    bool invalidate_rect(Hwnd window, const Rect* rect, bool erase) override;
    bool update_window(Hwnd window) override;
    Hdc begin_paint(Hwnd window, PaintInfo& paint) override;
    bool end_paint(Hwnd window, const PaintInfo& paint) override;
    Hgdiobj get_stock_object(int index) override;
    int frame_rect(Hdc dc, const Rect& rect, Hgdiobj brush) override;
    Colorref set_bk_color(Hdc dc, Colorref color) override;
    Colorref set_text_color(Hdc dc, Colorref color) override;
    bool get_text_extent_point(Hdc dc, const char* text, int length, Size& out) override;
    bool ext_text_out(Hdc dc, int x, int y, std::uint32_t options, const Rect* rect,
                      const char* text, std::uint32_t length) override;

    // Drawing calls, in order, for tests of what a window paints.
    std::vector<std::string> paint_log;

    // Fonts
    int add_font_resource(const char* path) override;
    bool remove_font_resource(const char* path) override;
    bool create_scalable_font_resource(std::uint32_t hidden, const char* font_resource, const char* font_file,
                                       const char* current_path) override;

    // Dde
    std::uint32_t dde_initialize(std::uint32_t& instance, DdeCallback callback, std::uint32_t flags) override;
    bool dde_uninitialize(std::uint32_t instance) override;
    Hsz dde_create_string_handle(std::uint32_t instance, const char* text, int code_page) override;
    bool dde_free_string_handle(std::uint32_t instance, Hsz text) override;
    Hconv dde_connect(std::uint32_t instance, Hsz service, Hsz topic) override;
    bool dde_disconnect(Hconv conversation) override;
    Hddedata dde_client_transaction(const void* data, std::uint32_t size, Hconv conversation, Hsz item,
                                    std::uint32_t format, std::uint32_t type, std::uint32_t timeout,
                                    std::uint32_t* result) override;
    // What the process holds of DDEML, for tests of its release.
    std::size_t dde_instances() const { return dde_instances_.size(); }
    std::size_t dde_string_handles() const { return dde_strings_.size(); }
    std::size_t dde_conversations() const { return dde_conversations_.size(); }

private:
    struct OpenFile {
        std::FILE* stream = nullptr;
        std::string full;  // the Windows path it was opened by
        std::filesystem::path host;
        Machine::OpenRecord record;
        Drive* drive = nullptr;
    };
    // One LZ32 handle: an expander reading a file handle.
    struct LzHandle final : szdd::Source {
        LzHandle(SimPlatform& os, Hfile file) : os(os), file(file) {}
        std::int32_t read(void* buf, std::uint32_t count) override;
        SimPlatform& os;
        Hfile file;
        szdd::Expander expander;
    };
    struct AtomEntry {
        std::string name;
        unsigned references = 0;
    };
    struct Block {
        std::vector<std::uint8_t> bytes;
        unsigned locks = 0;
        bool moveable = false;
    };

    // Fault check for an operation; on a hit the last error is set and true returned.
    bool fail(const char* op, std::string_view arg = {});
    bool fail_with(std::uint32_t error);  // sets the last error, returns false for chaining
    ResolvedPath resolve(const char* path) { return machine_.resolve(path ? path : "", cwd_); }
    ResolvedPath profile_path(const char* file);
    // A profile parsed, read again only when the file changed since the last read.
    const Profile& profile(const ResolvedPath& where);
    struct ProfileCache {
        std::string host;
        std::optional<std::int64_t> stamp;
        std::uint64_t size = 0;
        std::shared_ptr<const Profile> parsed;
    } profile_cache_;
    OpenFile* file(Hfile h);
    Hfile open_host(const ResolvedPath& where, std::uint32_t mode, bool create);
    std::int32_t start_expansion(Hfile source);  // LZInit without the fault hook, as LZCopy uses it

    SimWindow* window(Hwnd h) { return machine_.window(h); }
    SimWindow* make_dialog(std::uint16_t template_id, const void* data, std::size_t size,
                           Hwnd owner, DialogProc proc);
    std::intptr_t deliver(SimWindow& w, std::uint32_t msg, std::uintptr_t wparam,
                          std::intptr_t lparam);
    std::intptr_t default_dialog(SimWindow& dialog, std::uint32_t msg, std::uintptr_t wparam,
                                 std::intptr_t lparam);
    std::intptr_t default_control(SimWindow& control, std::uint32_t msg, std::uintptr_t wparam,
                                  std::intptr_t lparam);
    bool filter(Msg& msg);  // the message-filter hook, as CallMsgFilter(MSGF_DIALOGBOX) runs it
    bool process_one(Hwnd dialog);  // one queued message in a modal loop; false when none
    void perform(Hwnd dialog, const UserAction& action);
    void press_key(Hwnd dialog, std::uint32_t vk, bool repeat);
    void record_shown(Hwnd dialog);
    bool is_within(Hwnd window, Hwnd ancestor);
    Rect dialog_units(const Rect& r) const;

    Machine& machine_;
    Installer* context_ = nullptr;
    std::string module_;
    std::uint32_t thread_;
    CurrentDirectories cwd_;
    std::uint32_t last_error_ = 0;
    std::uint32_t error_mode_ = 0;
    std::vector<AtomEntry> atoms_;
    std::map<std::string, std::size_t> atom_index_;  // upper-case name -> slot
    std::map<Hglobal, Block> blocks_;
    Hglobal next_block_ = 0x1000;
    std::map<Hfile, OpenFile> files_;
    std::unique_ptr<LzHandle> expansions_[16];  // LZ32 allows 16 at once
    Hfile next_file_ = 3;
    std::map<std::string, WindowClass> classes_;  // by upper-case name
    std::deque<Msg> queue_;
    std::uint32_t message_time_ = 0;
    unsigned peeks_ = 0;
    MsgFilterProc filter_ = nullptr;
    Hhook hook_ = 0;
    Hwnd capture_ = 0;
    Hcursor cursor_ = IDC_ARROW;
    std::map<Hgdiobj, std::uint16_t> bitmaps_;  // loaded bitmap -> resource id
    struct DcState {
        Hgdiobj bitmap;
        Colorref background = 0xFFFFFF, text = 0;
    };
    std::map<Hdc, DcState> dcs_;                // device contexts
    Colorref swap_color(Hdc dc, Colorref DcState::*colour, Colorref value);
    std::map<Hwnd, bool> invalid_;              // windows waiting to be painted: erase or not
    std::uintptr_t next_gdi_ = 0x2000;
    int modal_depth_ = 0;
    std::map<Hkey, std::string> keys_;  // open registry keys: their path below HKLM
    Hkey next_key_ = 0x200;
    std::map<Pidl, std::string> pidls_;  // folders the browser handed out
    Pidl next_pidl_ = 0x300;
    bool shell_malloc_ = false;
    std::map<std::uint32_t, DdeCallback> dde_instances_;
    std::map<Hsz, std::pair<std::uint32_t, std::string>> dde_strings_;  // instance, text
    std::map<Hconv, std::uint32_t> dde_conversations_;                   // -> instance
    std::uintptr_t next_dde_ = 0x400;

    RegistryKey* key_of(Hkey key, std::string* path = nullptr);
    // RegOpenKey, or RegCreateKey when create is set.
    std::int32_t open_key(const char* op, Hkey key, const char* subkey, bool create, Hkey& out);
};

}  // namespace zep::sim
