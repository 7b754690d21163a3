#include "system/program_groups.h"

#include "base/text.h"

namespace zep {

namespace {

constexpr int kStatusLine = 1001;
const char kProgman[] = "PROGMAN";

// Answers what DDEML asks a client instance: no data and "not processed" for what only
// a server would handle, yes to everything else.
std::uintptr_t DdeAnswer(std::uint32_t type) {
    switch (type) {
        case XTYP_ADVREQ:
        case XTYP_REQUEST:
        case XTYP_WILDCONNECT:
        case XTYP_ADVDATA:
        case XTYP_EXECUTE:
        case XTYP_POKE: return 0;
        default: return 1;
    }
}

// Queues the command in the scratch buffer; nothing waits for the server to carry it out.
bool Execute(Installer& in, Hconv conversation) {
    const char* command = in.dialogs.scratch;
    return in.os.dde.dde_client_transaction(command, static_cast<std::uint32_t>(TextLength(command) + 1),
                                            conversation, 0, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC,
                                            nullptr) != 0;
}

// An argument as the shell's DDE syntax wants it: in double quotes when it holds a
// comma, a parenthesis or a bracket (which would end it early) or a blank at either end
// (which would be dropped). False for one that holds a double quote: no quoting can
// carry it, and sent as it is it could name another group.
bool Argument(const char* text, char (&out)[260]) {
    const std::size_t n = TextLength(text);
    bool quote = n > 0 && (text[0] == ' ' || text[n - 1] == ' ');
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '"') return false;
        if (*p == ',' || *p == '(' || *p == ')' || *p == '[' || *p == ']') quote = true;
    }
    if (!quote) return CopyText(out, text);
    return CopyText(out, "\"") && AppendText(out, text) && AppendText(out, "\"");
}

void SendDeleteGroup(Installer& in, Hconv conversation) {
    char group[260];
    Argument(in.script.group_name, group);  // ScriptMakesGroup refused a name that cannot be sent
    FormatText(in.dialogs.scratch, sizeof in.dialogs.scratch, "[DeleteGroup(%s)]", group);
    Execute(in, conversation);
}

void SendCommands(Installer& in, Hconv conversation) {
    platform::System& sys = in.os.system;
    ScriptTables& t = in.script;
    char* command = in.dialogs.scratch;
    const std::size_t capacity = sizeof in.dialogs.scratch;
    char group[260];
    for (std::uint32_t i = 0; i < t.old_group_count && i < kMaxOldGroups; ++i) {
        char version[64] = {}, name[128] = {};
        // A version or name that cannot be read back never deletes a group: an empty one
        // would match the empty replaced version of a first installation.
        if (sys.get_atom_name(t.old_groups[i].version, version, sizeof version) == 0) continue;
        if (sys.lstrcmpi_a(version, in.dialogs.replaced_version) != 0 || t.old_groups[i].group == 0) continue;
        if (sys.get_atom_name(t.old_groups[i].group, name, sizeof name) == 0 || !Argument(name, group)) continue;
        FormatText(command, capacity, "[DeleteGroup(%s)]", group);
        Execute(in, conversation);
    }
    SendDeleteGroup(in, conversation);
    Argument(t.group_name, group);
    FormatText(command, capacity, "[CreateGroup(%s)]", group);
    Execute(in, conversation);
    for (const GroupItem& item : t.group_items) {
        if (item.program == 0 || item.title == 0) break;
        if ((item.platforms & in.env.platform_mask) == 0) continue;
        char program[64] = {}, title[128] = {}, path[260], path_argument[260], title_argument[260];
        if (sys.get_atom_name(item.program, program, sizeof program) == 0 ||
            sys.get_atom_name(item.title, title, sizeof title) == 0) {
            continue;  // an item without its program would name the target directory itself
        }
        CopyText(path, in.script.basic.target_dir);
        AppendText(path, program);
        sys.char_lower_buff(path, static_cast<std::uint32_t>(TextLength(path)));
        if (!Argument(path, path_argument) || !Argument(title, title_argument)) continue;
        FormatText(command, capacity, "[AddItem(%s, %s)]", path_argument, title_argument);
        Execute(in, conversation);
    }
}

// Runs commands over a conversation with Program Manager, which ends with them.
void WithProgman(Installer& in, void (*commands)(Installer&, Hconv)) {
    platform::Dde& dde = in.os.dde;
    if (in.dde_instance == 0) {
        std::uint32_t instance = 0;
        if (dde.dde_initialize(instance, DdeAnswer, APPCMD_CLIENTONLY) != DMLERR_NO_ERROR) return;
        in.dde_instance = instance;
    }
    Hsz service = dde.dde_create_string_handle(in.dde_instance, kProgman, CP_WINANSI);
    Hsz topic = dde.dde_create_string_handle(in.dde_instance, kProgman, CP_WINANSI);
    Hconv conversation = 0;
    if (service != 0 && topic != 0) conversation = dde.dde_connect(in.dde_instance, service, topic);
    if (conversation != 0) {
        commands(in, conversation);
        dde.dde_disconnect(conversation);
    }
    if (topic != 0) dde.dde_free_string_handle(in.dde_instance, topic);
    if (service != 0) dde.dde_free_string_handle(in.dde_instance, service);
}

}  // namespace

bool ScriptMakesGroup(const Installer& in) {
    const ScriptTables& t = in.script;
    char group[260];
    return t.group_name[0] != '\0' && t.group_items[0].program != 0 && t.group_items[0].title != 0 &&
           Argument(t.group_name, group);
}

void GroupStep(Installer& in) {
    if (!ScriptMakesGroup(in)) return;
    // Every item names a program in the target directory; without one (fonts only) the
    // group would only be replaced by an empty one, losing the installed product's.
    if (in.script.basic.target_dir[0] == '\0') return;
    const char* status = in.shell.strings[kGroupStatus];
    in.os.ui.set_dlg_item_text(in.copy.progress_dialog, kStatusLine, status != nullptr ? status : "");
    WithProgman(in, SendCommands);
}

void DeleteProgramGroup(Installer& in) {
    if (ScriptMakesGroup(in)) WithProgman(in, SendDeleteGroup);
}

void ReleaseDdeInstance(Installer& in) {
    if (in.dde_instance != 0) in.os.dde.dde_uninitialize(in.dde_instance);
    in.dde_instance = 0;
}

}  // namespace zep
