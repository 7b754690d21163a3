// The simulated computer: drives mapped onto host folders, the Windows version and the
// display, and the windows of every simulated process. Processes (SimPlatform) share it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace zep::sim {

class SimPlatform;

struct Drive {
    std::filesystem::path host;  // the folder the drive's root maps onto
    std::uint32_t type = DRIVE_FIXED;
    bool ready = true;           // false: a removable drive with no disk in it
    std::uint64_t free_bytes = 512ull << 20;
    std::uint64_t total_bytes = 2ull << 30;
    std::uint32_t bytes_per_sector = 512;
    std::uint32_t sectors_per_cluster = 8;
};

// A Windows path resolved against a process's current directories.
struct ResolvedPath {
    std::uint32_t error = 0;      // a system error code when the path cannot name anything
    std::string full;             // canonical "C:\DIR\NAME" (or "\\SERVER\SHARE\..."), as typed
    std::string root;             // "C:\" or "\\SERVER\SHARE\"
    Drive* drive = nullptr;
    std::filesystem::path host;   // the host path, existing components in their host spelling
    bool is_root = false;
};

// The current directory state of one process.
struct CurrentDirectories {
    std::string current = "C:\\";       // full path, no trailing backslash except at a root
    std::map<char, std::string> per_drive;  // each drive's own current directory
};

// A window of any process (or of a pretend program a test puts on the screen).
struct SimWindow {
    Hwnd handle = 0;
    SimPlatform* process = nullptr;  // null for a pretend program's window
    std::uint32_t thread = 0;
    std::string cls;
    std::string text;
    std::uint32_t style = 0;
    std::uint32_t exstyle = 0;
    Hwnd parent = 0;  // the owner of a popup, the parent of a child
    int id = 0;
    Rect rect{};      // screen coordinates
    Rect client{};    // client area in screen coordinates
    bool visible = false;
    bool enabled = true;
    bool topmost = false;
    int text_limit = 0;  // EM_LIMITTEXT; 0 = none
    std::map<std::uintptr_t, std::uint32_t> timers;  // SetTimer: id -> period in ms
    std::vector<Hwnd> children;
    // Procedures: a registered class's window procedure or a dialog's procedure.
    WindowProc window_proc = nullptr;
    DialogProc dialog_proc = nullptr;
    bool is_dialog = false;
    std::uint16_t template_id = 0;
    std::optional<std::uint16_t> icon;  // SS_ICON statics
    bool ended = false;                 // EndDialog was called
    std::intptr_t result = 0;
    Hwnd focus = 0;
    // For a pretend program's window: what it does with a message sent to it.
    std::function<std::intptr_t(std::uint32_t, std::uintptr_t, std::intptr_t)> handler;
    bool hung = false;  // its program no longer takes messages: a sent one never returns
};

// A registry key of the simulated machine, below HKEY_LOCAL_MACHINE.
struct RegistryKey {
    struct Value {
        std::string name;  // as first written
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::string name;
    std::map<std::string, std::unique_ptr<RegistryKey>> subkeys;  // by upper-case name: sorted
    std::map<std::string, Value> values;                          // by upper-case name
};

// A program started with WinExec.
struct StartedProgram {
    std::string command_line;
    std::string current_directory;
};

struct HelpCall {
    std::uint32_t process_id;
    std::string file;
    std::uint32_t command;
    std::uintptr_t data;
};

class Machine {
public:
    // Drives live in sub-folders of sandbox, which is created when missing.
    explicit Machine(std::filesystem::path sandbox);
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    ~Machine();

    // --- Configuration a test sets before processes start. ---
    Drive& add_drive(char letter, std::uint32_t type = DRIVE_FIXED);  // folder sandbox/<letter>
    Drive& map_drive(char letter, const std::filesystem::path& folder, std::uint32_t type = DRIVE_FIXED);
    Drive* drive(char letter);
    void add_share(const std::string& unc, std::uint32_t type = DRIVE_REMOTE);  // "\\SERVER\SHARE"
    OsVersion version{4, 0, 950, VER_PLATFORM_WIN32_WINDOWS};
    std::string windows_dir = "C:\\WINDOWS";
    std::string system_dir = "C:\\WINDOWS\\SYSTEM";
    int pixels_per_inch = 96;
    int screen_width = 640;
    int screen_height = 480;
    bool display_dc = true;  // false: GetDC of the desktop fails
    int num_colors = -1;     // GetDeviceCaps(NUMCOLORS); 2 for a monochrome device
    int base_unit_x = 6, base_unit_y = 13;     // of the dialogs' 8-point font
    int system_base_x = 8, system_base_y = 16;  // GetDialogBaseUnits
    int frame_x = 3, frame_y = 3, caption = 18;
    int local_minus_utc_minutes = 0;  // the time zone: local time = UTC + this

    void set_windows_95() { version = {4, 0, 950, VER_PLATFORM_WIN32_WINDOWS}; }
    void set_nt(std::uint32_t major, std::uint32_t minor) {
        version = {major, minor, 1381, VER_PLATFORM_WIN32_NT};
    }

    // --- Paths and files. ---
    ResolvedPath resolve(const std::string& path, const CurrentDirectories& cwd);
    // The host path of a Windows path, resolved from the root (for tests).
    std::filesystem::path host_path(const std::string& windows_path);
    // Creates a file (and its folders) with the given bytes; for tests.
    void put_file(const std::string& windows_path, const std::string& bytes);
    std::optional<std::string> read_file(const std::string& windows_path);
    bool exists(const std::string& windows_path);

    // Attributes and time stamps, which host files cannot hold faithfully.
    std::uint32_t attributes(const std::filesystem::path& host);
    // The same for a path known to be a file, without asking the host again.
    std::uint32_t file_attributes(const std::filesystem::path& host) const;
    void set_attributes(const std::filesystem::path& host, std::uint32_t attributes);
    struct Times {
        FileTime created, accessed, written;
    };
    Times times(const std::filesystem::path& host);
    void set_times(const std::filesystem::path& host, const Times& t);
    void forget(const std::filesystem::path& host);  // after a delete
    void created(const std::filesystem::path& host);  // after a file or folder was made

    // Which handles of which process hold a file open, for sharing rules.
    struct OpenRecord {
        std::uint32_t access;  // bit 1 read, bit 2 write
        std::uint32_t share;   // bit 1 others may read, bit 2 others may write
    };
    std::multimap<std::string, OpenRecord*> open_files;

    // --- Windows of all processes. ---
    SimWindow& new_window(SimPlatform* process, std::uint32_t thread);
    SimWindow* window(Hwnd h);
    void destroy(Hwnd h);
    // Top-level windows, front first.
    std::vector<Hwnd> z_order;
    void bring_to_top(Hwnd h);
    // A window of a pretend program, for tests of what the installer does to others.
    SimWindow& add_foreign_window(const std::string& cls, const std::string& title,
                                  std::uint32_t style = 0, Hwnd owner = 0, std::uint32_t thread = 77);
    std::uint32_t next_thread_id() { return next_thread_++; }

    std::vector<HelpCall> help_calls;

    // The registry; a path is relative to HKEY_LOCAL_MACHINE ("SOFTWARE\\Microsoft").
    RegistryKey registry;
    RegistryKey* registry_key(const std::string& path, bool create = false);
    // A REG_SZ value as text; nullopt when the key or value is missing.
    std::optional<std::string> registry_text(const std::string& path, const std::string& name);

    // Font resources loaded into the running system: upper-case full path -> times added.
    std::map<std::string, int> loaded_fonts;
    int font_loads(const std::string& windows_path) const;
    // Messages sent to every top-level window, with the text an lparam pointed to.
    struct Broadcast {
        std::uint32_t message;
        std::string text;
    };
    std::vector<Broadcast> broadcasts;
    // The shell's DDE server for "PROGMAN": the commands it was sent, in order; with
    // answers false no server takes a conversation.
    struct ProgmanServer {
        bool answers = true;
        std::vector<std::string> commands;
    } progman;

    // What Windows NT was asked to do at its next start (MoveFileEx with
    // MOVEFILE_DELAY_UNTIL_REBOOT), in order; an empty destination deletes.
    struct PendingMove {
        std::string from, to;
    };
    std::vector<PendingMove> pending_moves;
    // A restart: the pending moves are carried out (a folder goes only when empty), and on
    // Windows 95 the [rename] list of WININIT.INI, which then becomes WININIT.BAK.
    // Every process must have ended.
    void restart();

    // Programs started, and which command lines can start (a file that exists can).
    std::vector<StartedProgram> started;
    std::vector<Hwnd> raised;  // windows brought to the top, in order
    std::uint64_t waited_ms = 0;  // time spent waiting on programs that did not answer

    const std::filesystem::path& sandbox() const { return sandbox_; }

private:
    std::filesystem::path sandbox_;
    std::map<char, Drive> drives_;
    std::map<std::string, Drive> shares_;  // keyed by upper-case "\\SERVER\SHARE"
    std::map<std::string, std::uint32_t> attributes_;
    std::map<std::string, Times> times_;
    // The names in each host folder looked at, by upper-case name: finding a name without
    // regard to case would otherwise read the whole folder each time.
    std::map<std::string, std::map<std::string, std::string>> folders_;
    const std::map<std::string, std::string>& folder(const std::filesystem::path& dir);
    std::map<Hwnd, std::unique_ptr<SimWindow>> windows_;
    Hwnd next_handle_ = 0x10010;
    std::uint32_t next_thread_ = 100;
};

}  // namespace zep::sim
