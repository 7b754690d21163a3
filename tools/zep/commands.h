// The zep commands; each takes its own argv (argv[0] is the command's name) and returns
// the process exit status: 0 success, 1 failure, 2 usage error.
#pragma once

namespace zep::tool {

int CompressCommand(int argc, char** argv);  // zep compress: files into SZDD form
int ExpandCommand(int argc, char** argv);    // zep expand: SZDD files back
int CheckCommand(int argc, char** argv);     // zep check: an install script, as setup.exe reads it
int PackCommand(int argc, char** argv);      // zep pack: a product folder into setup.exe and disks
int ListCommand(int argc, char** argv);      // zep list: what an embedded setup.exe carries
int UnpackCommand(int argc, char** argv);    // zep unpack: an embedded setup.exe back into a folder
int HelpCommand(int argc, char** argv);      // zep help: the installer's help file from plain text

}  // namespace zep::tool
