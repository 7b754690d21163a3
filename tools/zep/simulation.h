// zep simulate: the installer's own code run on a simulated Windows made for one
// platform and display, with a person who answers each dialog (by default, or as an
// answers file says), and what the machine holds afterwards compared with before.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/dialog_template.h"
#include "tools/zep/product_input.h"
#include "tools/zep/scratch_installer.h"

namespace zep::tool {

// One step of a scripted answer, in the words of the scenario tests.
struct AnswerStep {
    enum class Kind { kClick, kType, kKey, kClose, kInsert };
    Kind kind = Kind::kClick;
    int id = 0;           // the control clicked or typed into; the disk inserted
    std::string text;     // typed text; the key's name
    std::uint32_t vk = 0;
};

// "2400: type 1701 D:\TOOLS; click 1". Several lines for one dialog answer its showings
// in turn; the last one answers every later showing.
struct Answers {
    std::map<std::uint16_t, std::vector<std::vector<AnswerStep>>> by_dialog;
    std::map<std::uint16_t, std::vector<int>> lines;  // where each answer was written
};

// Reads an answers file; false with "FILE:LINE: reason".
bool ParseAnswers(const std::string& text, const std::string& file, Answers& out, std::string& error);

// Dialog templates by id: the controls an answer may name.
struct TemplateControl {
    int id;
    std::string cls;
};
using DialogControls = std::map<std::uint16_t, std::vector<TemplateControl>>;

// Checks every answer against the dialogs that can be shown; false with one line.
bool CheckAnswers(const Answers& answers, const DialogControls& dialogs, const std::string& file,
                  std::string& error);

struct SimulateOptions {
    CheckPlatform platform;
    int display = 1;            // 0 EGA, 1 VGA, 2 8514
    std::string from;           // "A:" or "C:\SETUP"; empty: what the input implies
    std::string windows = "C:\\WINDOWS";
    std::string installed_dir;  // an earlier copy; empty: none
    std::string installed_version;
    std::optional<std::uint64_t> free_kb;  // on the target drive
    Answers answers;
    std::string answers_file;
    bool then_uninstall = false;
};

struct ControlState {
    int id;
    std::string cls, text;
    bool enabled, visible;
};

struct DialogRecord {
    std::uint16_t id = 0;
    std::string caption;
    bool modal = true;
    std::string program;  // "setup" or "uninstall"
    std::vector<ControlState> controls;  // as the person saw them
    std::vector<std::string> actions;    // what the person did, in words
    std::string answered_by;             // "default", "answers FILE:LINE", "loop"
    std::intptr_t result = 0;
};

// One change of the machine.
struct FileChange {
    char change;  // '+' created, '~' replaced or changed, '-' deleted
    std::string path;
    bool folder = false;
    std::uint64_t size = 0;
    std::string time;          // last write, local time "YYYY-MM-DD HH:MM:SS"
    std::uint32_t attributes = 0;
};
struct IniChange {
    char change;
    std::string file, section, key, value, old_value;
};
struct RegistryChange {
    char change;
    std::string key, name;  // name empty for a key itself
    std::string type, value, old_value;
};

struct MachineChanges {
    std::vector<FileChange> files;
    std::vector<IniChange> ini;
    std::vector<RegistryChange> registry;
    std::vector<std::string> fonts_loaded, fonts_unloaded;
    std::vector<std::string> group_commands;
    std::vector<std::pair<std::string, std::string>> started;  // command line, directory
    std::vector<std::string> windows_left;  // files added to the Windows directory
    std::vector<std::string> at_restart;    // what the system was asked to do at its next start
};

struct SimulationRun {
    std::vector<DialogRecord> dialogs;
    bool completed = false;
    std::string outcome;  // one line
    MachineChanges changes;
    std::vector<std::string> notes;
};

struct SimulationResult {
    std::string mode;  // "disks" or "embedded"
    std::string from;
    SimulationRun install;
    std::optional<SimulationRun> uninstall;
    int exit_status = 0;
};

// Runs the installation (and the uninstallation when asked); false with one line when the
// product cannot be laid out.
bool Simulate(const ProductInput& input, const SimulateOptions& options, SimulationResult& out, std::string& error);

// Every dialog template of setup.exe (and of uninst.exe), by id; the pseudo ids 2301 and
// 2302 show 2300's.
std::map<std::uint16_t, sim::DialogTemplate> DialogTemplates(const ProductInput& input, bool with_uninstaller);
// The controls of every dialog template of setup.exe (and of uninst.exe), by id.
DialogControls SetupDialogControls(const ProductInput& input, bool with_uninstaller);

std::string SimulationText(const SimulationResult& result, const std::string& label, const SimulateOptions& options);
std::string SimulationJson(const SimulationResult& result, const std::string& label, const SimulateOptions& options);
// One HTML page: each dialog drawn from its template, in dialog units, then the changes.
std::string SimulationHtml(const SimulationResult& result, const std::string& label, const SimulateOptions& options,
                           const ProductInput& input);

}  // namespace zep::tool
