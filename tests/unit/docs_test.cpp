// The author's documentation holds to the code: the script reference's key index names
// exactly the sections and keys the loader reads (the loader is run on every platform and
// display with scripts that reach every branch, and the names it asks the profile functions
// for are compared with the index), and the dialog gallery shows every dialog.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "dialogs/dialog_table.h"
#include "script/loader.h"
#include "shell/environment.h"
#include "tests/support/sim_install.h"

namespace zep::test {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "Disk 12" is "disk n", "File3" is "filen": the index writes numbered names with n.
std::string Numbered(std::string s) {
    std::size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
    if (digits < s.size()) s.replace(digits, std::string::npos, "n");
    return Lower(s);
}

// Forwards to the simulated process and notes each name asked for in the install script.
// A key that the section's own key list offered is the author's, noted as "(any)".
class ReadingProfiles final : public platform::Profiles {
public:
    ReadingProfiles(platform::Profiles& inner, std::set<std::string>& read) : inner_(inner), read_(read) {}

    std::uint32_t get_private_profile_string(const char* section, const char* key, const char* fallback,
                                             char* buf, std::uint32_t size, const char* file) override {
        std::uint32_t n = inner_.get_private_profile_string(section, key, fallback, buf, size, file);
        if (!IsScript(file) || section == nullptr) return n;
        if (key == nullptr) {
            for (std::uint32_t i = 0; i < n; i += static_cast<std::uint32_t>(std::string(buf + i).size()) + 1) {
                listed_.insert(Lower(section) + "|" + Lower(buf + i));
            }
        } else {
            Note(section, key);
        }
        return n;
    }
    std::uint32_t get_private_profile_int(const char* section, const char* key, int fallback,
                                          const char* file) override {
        if (IsScript(file)) Note(section, key);
        return inner_.get_private_profile_int(section, key, fallback, file);
    }
    bool write_private_profile_string(const char* section, const char* key, const char* value,
                                      const char* file) override {
        return inner_.write_private_profile_string(section, key, value, file);
    }
    bool write_profile_string(const char* section, const char* key, const char* value) override {
        return inner_.write_profile_string(section, key, value);
    }

private:
    static bool IsScript(const char* file) {
        std::string f = Lower(file != nullptr ? file : "");
        return f.size() >= 11 && f.compare(f.size() - 11, 11, "install.ini") == 0;
    }
    void Note(const char* section, const char* key) {
        bool offered = listed_.count(Lower(section) + "|" + Lower(key)) != 0;
        read_.insert(Numbered(section) + "|" + (offered ? "(any)" : Numbered(key)));
    }

    platform::Profiles& inner_;
    std::set<std::string>& read_;
    std::set<std::string> listed_;
};

// Every key, so that each branch of the loader is taken somewhere.
std::string EveryKey(bool disk_space, bool platform_run_keys) {
    std::string s =
        "[Basic Information]\r\nHelpFileName=SAMPLE.HL_,SAMPLE.HLP\r\nCaption=Setup\r\n"
        "ViewButtonText=&Read me\r\nProduct.INI=SAMPLE.INI\r\nOldProduct.INI=OLD.INI\r\n"
        "ProductVersion=2.0\r\nVersionToPatch=\r\nProductName=Sample\r\nOldProductName=Old\r\n"
        "OldProductVersion=1.0\r\nUninstallName=Sample\r\nWindowsVersion=3.10\r\nFontsOnly=0\r\n"
        "DefaultTargetDir=C:\\SAMPLE\r\nTotalDisks=2\r\n";
    s += disk_space ? "DiskSpace=1000\r\n" : "EGADiskSpace=1\r\nVGADiskSpace=2\r\n8514DiskSpace=3\r\n";
    s += "[fonts]\r\nSample=SAMPLE.TTF\r\n[EGA Fonts]\r\nE=E.FON\r\n[VGA Fonts]\r\nV=V.FON\r\n"
         "[8514 Fonts]\r\nL=L.FON\r\n[Exit List]\r\nSampleWindow=Sample\r\n"
         "[Delete List]\r\nFile1=Target\\OLD.EXE\r\nFile2=Windows\\OLD.INI\r\n"
         "[Target Subdirectories]\r\nSubdirectory1=DATA\r\n"
         "[Program Manager Group]\r\nGroupName=Sample\r\nSAMPLE.EXE=Sample\r\n"
         "[Old Program Manager Groups]\r\n1.0=Old\r\n[Run]\r\n";
    if (platform_run_keys) s += "Win31File=S31.EXE\r\nWin95File=S95.EXE\r\nWinNTFile=SNT.EXE\r\n";
    s += "File=SAMPLE.EXE\r\nButtons=Yes/No\r\nMessage=Start?\r\nName=Sample\r\n"
         "[Disk 1]\r\nDiskName=Disk 1\r\nSAMPLE.EX_=Target\\SAMPLE.EXE\r\n"
         "[Disk 2]\r\nDiskName=Disk 2\r\nDATA.2=Target\\DATA\\SAMPLE.DAT,,Append\r\n";
    return s;
}

std::set<std::string> KeysTheLoaderReads() {
    std::set<std::string> read;
    struct Machine {
        bool nt;
        std::uint32_t major, minor;
        bool as_win31;  // the platform word Win31 is never the running system; forced
    };
    const Machine machines[] = {{false, 4, 0, false}, {true, 3, 51, false}, {true, 4, 0, false}, {false, 4, 0, true}};
    for (const Machine& m : machines) {
        for (int ppi : {72, 96, 120}) {
            for (int variant = 0; variant < 3; ++variant) {
                Sandbox sandbox;
                sim::Machine machine(sandbox.path());
                if (m.nt) machine.set_nt(m.major, m.minor);
                machine.pixels_per_inch = ppi;
                sim::SimPlatform os(machine, "C:\\SETUP\\SETUP.EXE");
                std::string error;
                if (!os.resources.load_res_file(ZEP_SETUP_RES, &error)) ADD_FAILURE() << error;
                ReadingProfiles profiles(os, read);
                Installer in({os, os, os, profiles, os, os, os, os, os});
                os.set_context(&in);
                machine.put_file("C:\\SETUP\\INSTALL.INI", EveryKey(variant != 1, variant != 2));
                ProbeVersion(in);
                if (m.as_win31) in.env.platform_mask = 1;
                ComputeRoots(in);
                ProbeDisplay(in);
                EXPECT_EQ(LoadInstallScript(in), 0) << "platform " << m.major << "." << m.minor << ", "
                                                    << ppi << " dpi, variant " << variant;
                ReleaseScriptTables(in);
            }
        }
    }
    return read;
}

std::set<std::string> KeysTheReferenceNames() {
    std::ifstream doc(ZEP_DOCS "/script-reference.md");
    EXPECT_TRUE(doc) << "cannot read " ZEP_DOCS "/script-reference.md";
    std::set<std::string> named;
    std::string line;
    bool in_index = false;
    while (std::getline(doc, line)) {
        if (line.rfind("## ", 0) == 0) in_index = line == "## Key index";
        if (!in_index || line.rfind("| ", 0) != 0 || line == "| Section | Key |") continue;
        std::size_t bar = line.find(" | ", 2);
        if (bar == std::string::npos) continue;
        std::string section = line.substr(2, bar - 2);
        std::string key = line.substr(bar + 3, line.rfind(" |") - bar - 3);
        if (key.size() > 1 && key.front() == '`' && key.back() == '`') key = key.substr(1, key.size() - 2);
        named.insert(Lower(section) + "|" + Lower(key));
    }
    return named;
}

TEST(ScriptReference, NamesExactlyTheKeysTheLoaderReads) {
    std::set<std::string> read = KeysTheLoaderReads();
    std::set<std::string> named = KeysTheReferenceNames();
    ASSERT_FALSE(named.empty()) << "the reference has no key index";
    for (const std::string& k : read) EXPECT_TRUE(named.count(k)) << "the loader reads " << k << ", the reference does not name it";
    for (const std::string& k : named) EXPECT_TRUE(read.count(k)) << "the reference names " << k << ", the loader never reads it";
}

// Every row of the dialog table (2300 as the two ids that show it) and the progress dialog.
TEST(DialogGallery, ShowsEveryDialog) {
    std::ifstream doc(ZEP_DOCS "/dialogs.md");
    std::string text((std::istreambuf_iterator<char>(doc)), {});
    ASSERT_FALSE(text.empty()) << "cannot read " ZEP_DOCS "/dialogs.md";
    std::vector<int> ids = {2100, 2301, 2302};
    for (const DialogRow& row : kDialogTable) {
        if (row.id != 2300) ids.push_back(row.id);
    }
    for (int id : ids) {
        std::string image = "dialogs/" + std::to_string(id) + ".png";
        EXPECT_NE(text.find("](" + image + ")"), std::string::npos) << "the gallery does not show " << id;
        EXPECT_TRUE(std::filesystem::is_regular_file(ZEP_DOCS "/" + image)) << image << " is missing";
    }
}

}  // namespace
}  // namespace zep::test
