#include "shell/installer.h"

#include "base/text.h"

namespace zep {

Installer::Installer(const platform::Platform& platform) : os(platform) {
    CopyText(script.basic.caption, "Install");
    dialogs.help_context = kNoHelp;
}

}  // namespace zep
