#include <gtest/gtest.h>

#include "TestMachine.h"
#include "support/Dialogs.h"

using namespace support;
using platform::MsgDlgType;
using platform::ScriptedUserInterface;
using testmachine::TestMachine;

TEST(AskDialogTest, CzechCaptionsAndTheDefaultButton) {
    TestMachine m;
    m.ui.answer("OK");
    EXPECT_EQ(
        AskDialog(m.win(), "Dotaz", "Instalovat?", MsgDlgType::Custom, mbOK | mbCancel, mrNo, 0),
        mrOk);
    const auto& shown = m.ui.shown().back().dialog;
    EXPECT_EQ(shown.caption, "Dotaz");
    EXPECT_EQ(shown.message, "Instalovat?");
    ASSERT_EQ(shown.buttons.size(), 2u);
    EXPECT_EQ(shown.buttons[0].caption, "OK");
    EXPECT_EQ(shown.buttons[1].caption, "&Storno");
    // Default result No: no button is the default.
    EXPECT_FALSE(shown.buttons[0].isDefault || shown.buttons[1].isDefault);

    m.ui.answer("Storno");
    EXPECT_EQ(AskDialog(m.win(), "Dotaz", "?", MsgDlgType::Custom, mbOK | mbCancel, mrOk, 0),
              mrCancel);
    const auto& second = m.ui.shown().back().dialog;
    EXPECT_TRUE(second.buttons[0].isDefault);
    EXPECT_TRUE(second.buttons[0].focused);
    EXPECT_FALSE(second.buttons[1].isDefault);

    AskDialog(m.win(), "Dotaz", "?", MsgDlgType::Confirmation,
              mbYes | mbNo | mbOK | mbCancel | mbHelp | mbNoToAll, mrYes, 0);
    std::vector<std::string> captions;
    for (const auto& b : m.ui.shown().back().dialog.buttons)
        captions.push_back(b.caption);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"&Ano", "&Ne", "OK", "&Storno", "N&o to All", "&Help"}));
}

TEST(AskDialogTest, EscapeGivesTheCancelResult) {
    TestMachine m;
    m.ui.answer("");
    EXPECT_EQ(AskDialog(m.win(), "Dotaz", "?", MsgDlgType::Custom, mbOK | mbCancel, mrNo, 0),
              mrCancel);
    m.ui.answer("");
    EXPECT_EQ(AskDialog(m.win(), "Dotaz", "?", MsgDlgType::Custom, mbYes | mbNo, mrNo, 0), mrNo);
    m.ui.answer("Ano");
    EXPECT_EQ(AskDialog(m.win(), "Dotaz", "?", MsgDlgType::Custom, mbYes | mbNo, mrNo, 0), mrYes);
}

TEST(BrowseForFolderTest, ChosenOrCancelled) {
    TestMachine m;
    std::string folder = "stale";
    m.ui.answer("");
    EXPECT_FALSE(BrowseForFolder(m.win(), "Vyberte adresář", "", folder));
    EXPECT_EQ(folder, "");
    EXPECT_TRUE(m.ui.windowsEnabled());

    m.ui.answer("D:\\");
    EXPECT_TRUE(BrowseForFolder(m.win(), "Vyberte adresář", "", folder));
    EXPECT_EQ(folder, "D:\\");
    EXPECT_EQ(m.ui.shown().back().title, "Vyberte adresář");
    EXPECT_TRUE(m.ui.windowsEnabled());
}

TEST(FontListTest, CaseSensitiveSubstringOfTheJoinedNames) {
    const std::string list = "Arial\r\nZuva Voza Bold\r\nCourier New";
    EXPECT_TRUE(FontListContains(list, "Zuva Voza"));
    EXPECT_FALSE(FontListContains(list, "zuva voza"));
    EXPECT_FALSE(FontListContains(list, "Tahoma"));
    EXPECT_FALSE(FontListContains(list, ""));

    TestMachine m;
    const std::string installed = InstalledFontList(m.win());
    EXPECT_TRUE(FontListContains(installed, "Liberation Mono"));
    EXPECT_FALSE(FontListContains(installed, "Zuva Voza"));
}
