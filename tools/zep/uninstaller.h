// The uninstaller zep pack gives a product that has none: uninst.exe with the product's
// script and the size and time stamp of every file it installs into the target, installed
// by one more line of the script's last disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zep/product.h"
#include "uninstall/make_uninstall_data.h"

namespace zep::tool {

// The line zep pack adds: the uninstaller's name on the disk and where it is installed.
inline constexpr char kUninstallerSource[] = "UNINST.EX_";
inline constexpr char kUninstallerTarget[] = "UNINST.EXE";

// Whether the product needs it: the script writes an uninstall entry (UninstallName) or
// the author asks for it, and no [Disk n] line installs Target\UNINST.EXE already (the
// author's own uninstaller is never replaced).
bool WantsUninstaller(const std::string& script, const ProductScript& product, bool asked);

// The script with the uninstaller's line added after the last line of its last disk, so
// that no other file's resource id moves; line: its number in the new script. False with
// a reason when that disk already has a line of that name.
bool AddUninstallerLine(const std::string& script, int last_disk, std::string& out, int& line, std::string& error);

// A [Disk n] line as the uninstaller's data records it, with the size its file expands
// to; the time stamp is the caller's.
PackedLine LineOf(const ProductFile& f, std::uint64_t expanded_size);

// uninst.exe (the stub, PE32 or PE32+) carrying the product's data as resource 256/13000;
// ways: the product's lines as each way of shipping it gives them sizes and time stamps.
bool MakeUninstaller(const std::vector<std::uint8_t>& stub, const std::string& script,
                     const std::vector<std::vector<PackedLine>>& ways, std::vector<std::uint8_t>& out,
                     std::string& error);

}  // namespace zep::tool
