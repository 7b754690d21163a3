// The resources setup.exe ships, checked against the dialogs as they must look: every
// template's size, controls, texts, positions and the styles users see.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/sim/dialog_template.h"
#include "platform/sim/res_file.h"

namespace zep {
namespace {

using sim::DialogTemplate;
using sim::ResourceSet;

const ResourceSet& Shipped() {
    static ResourceSet set = [] {
        ResourceSet s;
        std::string error;
        EXPECT_TRUE(s.load_res_file(ZEP_SETUP_RES, &error)) << error;
        return s;
    }();
    return set;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// One line per control: id@x,y,cx x cy "text" and what a user would notice of its style.
std::string Describe(const DialogTemplate& t) {
    std::ostringstream out;
    out << t.cx << "x" << t.cy;
    for (const sim::TemplateItem& c : t.items) {
        out << " | ";
        int id = c.id == 0xFFFF ? -1 : c.id;
        if (c.ordinal) {
            out << "icon" << *c.ordinal << "@" << c.x << "," << c.y;
            continue;
        }
        out << id << "@" << c.x << "," << c.y << "," << c.cx << "x" << c.cy;
        if (!c.text.empty()) out << " \"" << c.text << "\"";
        const std::uint32_t kind = c.style & 0xF;
        if (c.cls == "Button" && kind == 1) out << " default";
        if (c.cls == "Button" && kind == 0xB) out << " owner-drawn";
        if (c.cls == "Static" && (c.style & 0x80) != 0) out << " noprefix";
        if (c.cls == "Static" && kind == 5) out << " grey-rule";
        if (c.cls == "Edit") out << " edit";
        if (c.cls != "Button" && c.cls != "Static" && c.cls != "Edit") out << " " << Upper(c.cls);
        if ((c.style & 0x08000000) != 0) out << " disabled";
    }
    return out.str();
}

struct Expected {
    std::uint16_t id;
    const char* layout;
};

const Expected kDialogs[] = {
    {1000, "160x50 | icon32513@5,4 | 1001@28,4,126x16 \"Drive %c does not exist; please enter another drive and directory.\" | 1@30,32,36x14 \"OK\" default | 1002@94,32,36x14 \"&Help\""},
    {1100, "224x76 | -1@6,4,30x8 \"Section:\" | -1@6,12,30x8 \"Line:\" | 1101@36,4,186x8 noprefix | 1102@36,12,186x8 noprefix | -1@0,24,224x1 grey-rule | icon32513@5,30 | 1001@28,30,190x16 \"The above line from %s contains an error; installation will be aborted.\" | 2@52,58,36x14 \"Cancel\" default | 1002@136,58,36x14 \"&Help\""},
    {1200, "160x50 | icon32513@5,4 | -1@28,4,126x16 \"Directory does not exist; please enter another directory.\" | 1@30,32,36x14 \"OK\" default | 1002@94,32,36x14 \"&Help\""},
    {1300, "240x74 | icon32513@5,4 | 1001@28,8,210x32 \"Copy error\" | 1@14,56,36x14 \"&Retry\" default | 2@102,56,36x14 \"Cancel\" | 1002@190,56,36x14 \"&Help\""},
    {1400, "192x58 | icon32513@5,4 | 1001@28,4,158x16 \"Unable to create %s\" | -1@28,20,158x8 \"Please enter another directory.\" | 1@40,40,36x14 \"OK\" default | 1002@116,40,36x14 \"&Help\""},
    {1500, "208x66 | icon32513@5,4 | 1001@28,4,174x16 \"Drive %c has only %luK of free disk space; %luK is needed to install %s.\" | -1@28,24,174x16 \"Please delete files to make more space, or enter another drive and directory.\" | 1@46,48,36x14 \"OK\" default | 1002@126,48,36x14 \"&Help\""},
    {1550, "200x100 | 1551@4,4,40x48 owner-drawn disabled | 1@60,4,76x18 \"&Install fonts\" default | 1003@60,24,76x18 \"&View font information\" | 2@60,44,76x18 \"Cancel\" | 1002@60,64,76x18 \"&Help\""},
    {1600, "200x60 | icon32513@5,4 | 1001@28,4,166x16 \"The \"%s=\" line is missing from the \"[%s]\" section of INSTALL.INI.\" | -1@28,24,166x8 \"Installation will be aborted.\" | 2@44,42,36x14 \"Cancel\" default | 1002@120,42,36x14 \"&Help\""},
    {1700, "200x74 | icon3000@5,4 | 1001@28,4,166x24 \"Please insert %s or enter another directory where this disk's files can be found.\" | 1701@6,36,188x12 edit | 1@22,56,36x14 \"OK\" default | 2@82,56,36x14 \"Cancel\" | 1002@142,56,36x14 \"&Help\""},
    {1800, "200x66 | icon32515@5,4 | 1001@28,4,166x16 \"Unable to locate %s, please enter a directory where this file can be found.\" | 1701@6,28,188x12 edit | 1@22,48,36x14 \"OK\" default | 2@82,48,36x14 \"Cancel\" | 1002@142,48,36x14 \"&Help\""},
    {1900, "192x50 | icon32513@5,4 | 1001@28,8,158x16 \"Unable to open %s\" | 1@40,32,36x14 \"&Retry\" default | 2@116,32,36x14 \"Cancel\""},
    {2000, "200x50 | icon32513@5,4 | -1@28,8,170x8 \"Out of memory; installation will be aborted.\" | 2@36,32,36x14 \"Cancel\" default | 1002@108,32,36x14 \"&Help\""},
    {2100, "200x66 | icon32516@5,4 | 1001@28,8,166x8 noprefix | 2101@6,28,188x12 ZEPINSTALLGAUGE | 2@82,48,36x14 \"Cancel\" default"},
    {2200, "192x50 | icon32513@5,4 | 1001@28,8,162x8 \"Error: unable to start %s.\" noprefix | 1@22,32,36x14 \"&Retry\" default | 2@78,32,36x14 \"Cancel\" | 1002@134,32,36x14 \"&Help\""},
    {2201, "188x50 | icon32516@5,4 | -1@28,8,158x8 \"Installation has been successfully completed.\" | 1@38,32,36x14 \"OK\" default | 1002@114,32,36x14 \"&Help\""},
    {2202, "200x74 | icon32516@5,6 | -1@28,4,166x8 \"Installation has been successfully completed.\" | 1001@28,16,166x32 noprefix | 1@18,56,36x14 \"OK\" default | 2@82,56,36x14 \"Cancel\" | 1002@146,56,36x14 \"&Help\""},
    {2203, "192x58 | icon32514@5,6 | -1@28,4,162x8 \"Installation has been successfully completed.\" | 1001@28,16,158x16 noprefix | 1@18,40,36x14 \"&Yes\" default | 2@78,40,36x14 \"&No\" | 1002@138,40,36x14 \"&Help\""},
    {2300, "208x54 | icon32513@5,4 | 1001@28,4,174x24 noprefix | 1@46,36,36x14 \"OK\" default | 1002@126,36,36x14 \"&Help\""},
    {2400, "212x66 | 1001@6,4,200x16 \"Enter the directory where you want to install %s.\" noprefix | 1701@6,28,120x12 edit | 2403@170,27,36x14 \"Bro&wse\" | 1@6,48,36x14 \"&Begin\" default | 1003@52,48,62x14 \"&View readme file\" | 2@124,48,36x14 \"Cancel\" | 1002@170,48,36x14 \"&Help\""},
    {2401, "212x90 | 1001@6,4,200x40 \"%s %s was previously installed in %s.\n\nIf you do not wish to overwrite this copy, enter a different directory below.\" | -1@6,54,34x8 \"&Install to:\" | 1701@42,52,120x12 edit | 2403@170,51,36x14 \"Bro&wse\" | 1@6,72,36x14 \"&Begin\" default | 1003@52,72,62x14 \"&View readme file\" | 2@124,72,36x14 \"Cancel\" | 1002@170,72,36x14 \"&Help\""},
    {2402, "240x70 | 1001@6,4,188x40 \"%s %s is currently installed in %s.\n\nClick Begin to upgrade this copy or Cancel to exit.\" | 1@6,48,36x14 \"&Begin\" default | 1003@48,48,62x14 \"&View readme file\" | 2@116,48,36x14 \"Cancel\" | 1002@158,48,36x14 \"&Help\""},
    {2500, "200x58 | icon32513@5,4 | 1001@28,4,170x8 \"You cannot have more than %u installation disks.\" | -1@28,16,170x8 \"Installation will be aborted.\" | 2@36,40,36x14 \"Cancel\" default | 1002@108,40,36x14 \"&Help\""},
    {2700, "200x50 | icon32513@5,8 | 1001@28,4,170x24 \"Unable to find an installed copy of %s %s to upgrade.\" | 2@44,32,36x14 \"Cancel\" default | 1002@120,32,36x14 \"&Help\""},
    {2800, "200x58 | icon32513@5,8 | 1001@28,4,170x32 \"%s requires Windows version %u.%u or later. You cannot install it under Windows %u.%u.\" | 2@44,40,36x14 \"Cancel\" default | 1002@120,40,36x14 \"&Help\""},
};

TEST(Resources, EveryDialogHasItsControlsTextsAndGeometry) {
    for (const Expected& e : kDialogs) {
        const sim::Resource* r = Shipped().find(5, e.id);
        ASSERT_NE(r, nullptr) << "dialog " << e.id;
        auto t = sim::ParseDialogTemplate(r->data.data(), r->data.size());
        ASSERT_TRUE(t) << "dialog " << e.id;
        EXPECT_EQ(Describe(*t), e.layout) << "dialog " << e.id;
        // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, nothing else.
        EXPECT_EQ(t->style, 0x80C800C0u) << "dialog " << e.id;
        EXPECT_EQ(t->title, "") << "dialog " << e.id;
        EXPECT_EQ(t->font, "MS Sans Serif") << "dialog " << e.id;
        EXPECT_EQ(t->point_size, 8) << "dialog " << e.id;
    }
}

TEST(Resources, DirectoryFieldsScrollAndConvertToOem) {
    for (std::uint16_t id : {1700, 1800, 2400, 2401}) {
        const sim::Resource* r = Shipped().find(5, id);
        auto t = sim::ParseDialogTemplate(r->data.data(), r->data.size());
        ASSERT_TRUE(t);
        for (const sim::TemplateItem& c : t->items) {
            if (c.id != 1701) continue;
            EXPECT_EQ(c.style & 0x480u, 0x480u) << id;         // ES_AUTOHSCROLL | ES_OEMCONVERT
            EXPECT_EQ(c.style & 0x00810000u, 0x00810000u) << id;  // WS_BORDER | WS_TABSTOP
        }
    }
}

TEST(Resources, StringTableIconAndBitmap) {
    const ResourceSet& r = Shipped();
    const std::pair<std::uint16_t, const char*> strings[] = {
        {8000, "INSTALL.INI"},
        {8003, "Select the directory where you wish to install %s."},
        {8004, "Copying %s..."},
        {8005, "Installing Fonts..."},
        {8007, "%u%%"},
        {8008, "Creating Program Manager Items..."},
        {8009, "Creating Taskbar Shortcuts..."},
        {8010, "%s is being installed in %s; please enter a different directory."},
        {8011, "%s is being used for installation disks; please enter a different directory."},
    };
    for (const auto& [id, text] : strings) EXPECT_EQ(r.string(id).value_or("(missing)"), text) << id;
    // The stamp: an MS-DOS date and time as decimal numbers.
    EXPECT_GT(std::stoi(r.string(8001).value()), 0);
    EXPECT_GE(std::stoi(r.string(8002).value()), 0);
    EXPECT_NE(r.find(14, 3000), nullptr);  // RT_GROUP_ICON
    EXPECT_NE(r.find(2, 500), nullptr);    // RT_BITMAP
}

}  // namespace
}  // namespace zep
