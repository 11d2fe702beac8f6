// Changing an existing shell link through the shell's link object: what any
// implementation of the layer must leave in the saved link, and where it
// reports a failure.
#include <gtest/gtest.h>

#include "Sandbox.h"
#include "platform/Encoding.h"

using namespace platform;
using contract::Sandbox;

namespace {

// A link with nothing but its header (LinkCLSID, Unicode strings, shown
// normally) and the terminal block: the least a link file can be.
std::string emptyLink() {
    std::string link(76 + 4, '\0');
    link[0] = 0x4C;
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    link.replace(4, 16, reinterpret_cast<const char*>(clsid), 16);
    link[0x14] = static_cast<char>(0x80); // IsUnicode
    link[0x3C] = 1;                       // SW_SHOWNORMAL
    return link;
}

// True when the link's bytes hold the text in UTF-16 or in the ANSI code page.
bool holds(const std::string& bytes, const std::string& text) {
    std::string utf16;
    for (char16_t c : utf8ToUtf16(text)) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    return bytes.find(utf16) != std::string::npos ||
           bytes.find(utf8ToCp1250(text)) != std::string::npos;
}

std::int32_t iconIndexOf(const std::string& link) {
    return static_cast<std::int32_t>(static_cast<unsigned char>(link[0x38]) |
                                     static_cast<unsigned char>(link[0x39]) << 8 |
                                     static_cast<unsigned char>(link[0x3A]) << 16 |
                                     static_cast<unsigned char>(link[0x3B]) << 24);
}

} // namespace

TEST(ShellLinkContract, TheChangedTargetFolderAndIconAreSaved) {
    Sandbox sb;
    sb.writeFile("Dro.lnk", emptyLink());
    sb.writeFile("DRO2015\\Dro2015.bat", "@echo off\r\n");
    sb.writeFile("DRO2015\\DRO2015.ico", std::string(64, '\0'));

    ShellLinkChange change;
    change.path = sb.path("DRO2015\\Dro2015.bat");
    change.workingDirectory = sb.path("DRO2015");
    change.iconLocation = sb.path("DRO2015\\DRO2015.ico");
    change.iconIndex = 2;
    const ShellLinkOutcome outcome = sb.win().updateShellLink(sb.path("Dro.lnk"), change);
    EXPECT_EQ(outcome.result, kSOk);
    EXPECT_EQ(outcome.step, "");

    const std::string link = sb.readFile("Dro.lnk");
    ASSERT_GE(link.size(), 76u);
    EXPECT_EQ(link.substr(0, 20), emptyLink().substr(0, 20));
    EXPECT_TRUE(holds(link, change.path));
    EXPECT_TRUE(holds(link, change.workingDirectory));
    EXPECT_TRUE(holds(link, change.iconLocation));
    EXPECT_EQ(iconIndexOf(link), 2);

    // Pointed elsewhere, with the target's item list dropped first: the new
    // target is saved over the old.
    sb.writeFile("DRO2016\\Dro2016.bat", "@echo off\r\n");
    change.clearIdList = true;
    change.path = sb.path("DRO2016\\Dro2016.bat");
    change.workingDirectory = sb.path("DRO2016");
    change.iconIndex = 0;
    EXPECT_EQ(sb.win().updateShellLink(sb.path("Dro.lnk"), change).result, kSOk);
    const std::string changed = sb.readFile("Dro.lnk");
    EXPECT_TRUE(holds(changed, change.path));
    EXPECT_TRUE(holds(changed, change.workingDirectory));
    EXPECT_TRUE(holds(changed, change.iconLocation));
    EXPECT_EQ(iconIndexOf(changed), 0);
}

TEST(ShellLinkContract, ALinkThatCannotBeLoadedFailsAtLoadAndStaysAsItWas) {
    Sandbox sb;
    ShellLinkChange change;
    change.path = sb.path("Dro2015.bat");
    change.workingDirectory = sb.root();
    change.iconLocation = sb.path("DRO2015.ico");

    const ShellLinkOutcome missing = sb.win().updateShellLink(sb.path("Missing.lnk"), change);
    EXPECT_LT(missing.result, 0);
    EXPECT_EQ(missing.step, "IPersistFile::Load");
    EXPECT_FALSE(sb.exists("Missing.lnk"));

    const std::string text = "not a shell link\r\n";
    sb.writeFile("Text.lnk", text);
    const ShellLinkOutcome notLink = sb.win().updateShellLink(sb.path("Text.lnk"), change);
    EXPECT_LT(notLink.result, 0);
    EXPECT_EQ(notLink.step, "IPersistFile::Load");
    EXPECT_EQ(sb.readFile("Text.lnk"), text);
}
