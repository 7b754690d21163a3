#include "tests/support/sim_install.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "script/loader.h"
#include "shell/environment.h"
#include "shell/shell.h"

namespace zep::test {

Sandbox::Sandbox() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "zep";
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    static int count = 0;  // several machines in one test each get a folder
    path_ = std::filesystem::temp_directory_path() / ("zep-sandbox-" + std::to_string(getpid())) /
            (name + "." + std::to_string(++count));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

Sandbox::~Sandbox() {
    if (std::getenv("ZEP_KEEP_SANDBOX") == nullptr) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::remove(path_.parent_path(), ec);  // the process's folder, once empty
    }
}

SimInstall::SimInstall(const std::string& module)
    : machine(sandbox.path()), os(machine, module), in(os.services()) {
    std::string error;
    if (!os.resources.load_res_file(ZEP_SETUP_RES, &error)) ADD_FAILURE() << error;
    os.set_context(&in);
    std::filesystem::path host = machine.host_path(module);
    if (!host.empty()) std::filesystem::create_directories(host.parent_path());
}

void SimInstall::put_script(const std::string& text, const std::string& folder) {
    machine.put_file(folder + "\\INSTALL.INI", text);
}

int SimInstall::run() {
    return RunInstaller(in);
}

std::uint16_t SimInstall::load(const std::string& script) {
    put_script(script);
    ProbeVersion(in);
    ComputeRoots(in);
    ProbeDisplay(in);
    return LoadInstallScript(in);
}

std::string SimInstall::text(Atom atom) {
    char buf[256] = {};
    if (atom != 0) os.get_atom_name(atom, buf, sizeof buf);
    return buf;
}

std::string SampleScript() {
    return "[Basic Information]\r\n"
           "Caption=Sample Tool Setup\r\n"
           "HelpFileName=SAMPLE.HLP\r\n"
           "ProductName=Sample Tool\r\n"
           "ProductVersion=2.0\r\n"
           "Product.INI=SAMPLE.INI\r\n"
           "UninstallName=Sample Tool 2.0\r\n"
           "DefaultTargetDir=C:\\SAMPLE\r\n"
           "TotalDisks=1\r\n"
           "DiskSpace=500000\r\n"
           "[Exit List]\r\n"
           "SampleMainWindow=\r\n"
           "[Program Manager Group]\r\n"
           "GroupName=Sample Tool\r\n"
           "SAMPLE.EXE=Sample Tool\r\n"
           "[Run]\r\n"
           "File=SAMPLE.EXE\r\n"
           "Buttons=Yes/No\r\n"
           "Message=Start Sample Tool now?\r\n"
           "Name=Sample Tool\r\n"
           "[Disk 1]\r\n"
           "DiskName=Sample Tool Disk 1\r\n"
           "SAMPLE.EXE=Target,Program\r\n"
           "SAMPLE.FOT=Fonts,,SystemFont\r\n";
}

}  // namespace zep::test
