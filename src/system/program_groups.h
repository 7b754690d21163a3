#pragma once

#include "shell/installer.h"

namespace zep {

// Creates the Program Manager group and its items over DDE.
void GroupStep(Installer& in);

// Whether the group step makes a group for the loaded script: a name that a command can
// carry, and a first item.
bool ScriptMakesGroup(const Installer& in);

// Deletes the group the group step made, with the command it deletes it by before making
// it anew. Nothing happens for a script that makes no group.
void DeleteProgramGroup(Installer& in);

// Ends the DDE conversation instance that the group step created, if any.
void ReleaseDdeInstance(Installer& in);

}  // namespace zep
