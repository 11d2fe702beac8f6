// The shell-link codec on the package's prepared links (written by Wine's
// IShellLinkW, completed with extra data blocks), checked against lnkinfo as
// an independent reader.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "LinkTestSupport.h"
#include "linux/ShellLinkFile.h"
#include "ShellLinkFormat.h"

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::shelllink;
using namespace linktest;

namespace {

LinkFile parsed(const std::string& bytes) {
    LinkFile link;
    EXPECT_EQ(LinkFile::parse(bytes, link), kSOk);
    return link;
}

class TempFolder : public ::testing::Test {
protected:
    testmachine::TempFolder folder_{"shelllink"};
    fs::path dir_ = folder_.path();

    fs::path copyFixture(const std::string& name) {
        fs::copy_file(kFixtures / name, dir_ / "link.lnk", fs::copy_options::overwrite_existing);
        return dir_ / "link.lnk";
    }
};

const ShellLinkChange kChange{false, "C:\\DRO2016\\S64.bat", "C:\\DRO2016",
                              "C:\\DRO2016\\DRO2016.ico", 0};

} // namespace

TEST(LinkFileFormat, UnchangedLinksSerializeToTheSameBytes) {
    for (const char* name :
         {"DroWin7.sss", "DroWin7.s64", "DroWin8.sss", "DroWin10.sss", "TargetBlocks.lnk"}) {
        const std::string bytes = readBytes(kFixtures / name);
        EXPECT_EQ(parsed(bytes).serialize(), bytes) << name;
    }
}

TEST(LinkFileFormat, ShortNamesFollowTheEightDotThreeRules) {
    EXPECT_EQ(shortNameOf("S64.bat"), "S64.bat");
    EXPECT_EQ(shortNameOf("DRO2015"), "DRO2015");
    EXPECT_EQ(shortNameOf("Program Files"), "PROGRA~1");
    EXPECT_EQ(shortNameOf("dro2015.config"), "DRO201~1.CON");
    EXPECT_EQ(shortNameOf("Účty.bat"), "__TY~1.BAT");
    EXPECT_EQ(shortNameOf("a.b.c"), "AB~1.C");
}

class UpdatedTemplate : public TempFolder, public ::testing::WithParamInterface<const char*> {};

TEST_P(UpdatedTemplate, PointsAtTheNewTargetAndKeepsEverythingElse) {
    const fs::path link = copyFixture(GetParam());
    const std::string before = readBytes(link);
    const LinkFile old = parsed(before);

    const ShellLinkOutcome outcome = updateLinkFile(link.string(), kChange);
    ASSERT_EQ(outcome.result, kSOk) << outcome.step;
    const std::string after = readBytes(link);
    const LinkFile now = parsed(after);

    // The header keeps its own fields: size, class, show command, hot key, reserved.
    EXPECT_EQ(after.substr(0, 0x14), before.substr(0, 0x14));
    EXPECT_EQ(after.substr(0x3C, 0x10), before.substr(0x3C, 0x10));
    EXPECT_EQ(now.flags() & ~(kHasLinkInfo | kHasLinkTargetIdList),
              old.flags() & ~(kHasLinkInfo | kHasLinkTargetIdList));
    EXPECT_EQ(now.flags() & (kHasLinkInfo | kHasLinkTargetIdList),
              kHasLinkInfo | kHasLinkTargetIdList);
    for (auto s : {LinkString::Name, LinkString::RelativePath, LinkString::Arguments})
        EXPECT_EQ(now.string(s), old.string(s));
    EXPECT_EQ(now.string(LinkString::WorkingDir), "C:\\DRO2016");
    EXPECT_EQ(now.string(LinkString::IconLocation), "C:\\DRO2016\\DRO2016.ico");
    EXPECT_EQ(now.iconIndex(), 0);
    // Every extra data block is there, byte for byte, in its order.
    ASSERT_EQ(now.extraData().size(), old.extraData().size());
    for (std::size_t i = 0; i < old.extraData().size(); ++i)
        EXPECT_EQ(now.extraData()[i].bytes, old.extraData()[i].bytes) << i;

    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Local path", "C:\\DRO2016\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Working directory", "C:\\DRO2016")) << report;
    EXPECT_TRUE(shows(report, "Icon location", "C:\\DRO2016\\DRO2016.ico")) << report;
    EXPECT_TRUE(shows(report, "Description", *old.string(LinkString::Name))) << report;
    EXPECT_TRUE(shows(report, "Command line arguments", *old.string(LinkString::Arguments)));
    EXPECT_TRUE(shows(report, "Shell folder name", "My Computer")) << report;
    EXPECT_TRUE(shows(report, "Volume name", "C:\\")) << report;
    EXPECT_TRUE(shows(report, "Long name", "DRO2016")) << report;
    EXPECT_TRUE(shows(report, "Long name", "S64.bat")) << report;
    EXPECT_TRUE(shows(report, "Number of items", "4")) << report;
    EXPECT_TRUE(shows(report, "Machine identifier", "ucetni-pc")) << report;
}

INSTANTIATE_TEST_SUITE_P(Templates, UpdatedTemplate,
                         ::testing::Values("DroWin7.sss", "DroWin7.s64", "DroWin8.sss",
                                           "DroWin10.sss"),
                         [](const auto& info) {
                             std::string n = info.param;
                             std::replace(n.begin(), n.end(), '.', '_');
                             return n;
                         });

TEST_F(TempFolder, BlocksThatNameTheOldTargetGoWithIt) {
    const fs::path link = copyFixture("TargetBlocks.lnk");
    const LinkFile old = parsed(readBytes(link));
    ASSERT_EQ(updateLinkFile(link.string(), kChange).result, kSOk);
    const LinkFile now = parsed(readBytes(link));

    EXPECT_EQ(now.flags() & (kHasExpString | kHasExpIcon), 0u);
    std::vector<std::string> kept;
    for (const auto& b : old.extraData())
        if (b.signature == kConsoleBlock || b.signature == kConsoleFeBlock ||
            b.signature == kTrackerBlock || b.signature == kPropertyStoreBlock)
            kept.push_back(b.bytes);
    ASSERT_EQ(now.extraData().size(), kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(now.extraData()[i].bytes, kept[i]);

    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Icon location", "C:\\DRO2016\\DRO2016.ico")) << report;
    EXPECT_EQ(report.find("Environment variables location"), std::string::npos) << report;
    EXPECT_EQ(report.find("%SystemDrive%"), std::string::npos) << report;
}

TEST_F(TempFolder, TargetFactsFromTheDirectorySearchAndWindowsNames) {
    const fs::path link = copyFixture("DroWin10.sss");
    const FileTime written = (1435671931ull + 11644473600ull) * 10000000ull;
    TargetLookup lookup = [&](const std::string& path) -> std::optional<FindData> {
        if (path == "C:\\Účetnictví 2016")
            return FindData{"Účetnictví 2016", kFileAttributeDirectory, 0, written};
        if (path == "C:\\Účetnictví 2016\\S64.bat")
            return FindData{"S64.bat", kFileAttributeArchive, 1234, written};
        return std::nullopt;
    };
    const ShellLinkChange change{false, "c:/Účetnictví 2016/./x/../S64.bat", "C:\\Účetnictví 2016",
                                 "C:\\Účetnictví 2016\\DRO2016.ico", 2};
    ASSERT_EQ(updateLinkFile(link.string(), change, lookup).result, kSOk);

    const LinkFile now = parsed(readBytes(link));
    EXPECT_EQ(now.iconIndex(), 2);
    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Local path", "C:\\Účetnictví 2016\\S64.bat")) << report;
    EXPECT_TRUE(shows(report, "File size", "1234 bytes")) << report;
    EXPECT_TRUE(shows(report, "Name", "__ETNI~1")) << report;
    EXPECT_TRUE(shows(report, "Long name", "Účetnictví 2016")) << report;
    EXPECT_TRUE(shows(report, "Modification time", "Jun 30, 2015 13:45:30")) << report;
}

TEST_F(TempFolder, NewItemsTakeTheLayoutOfTheTemplatesOwnItems) {
    // A template whose items Windows 10 wrote: extension version 9.
    const fs::path link = copyFixture("DroWin10.sss");
    std::string item = fileSystemItem("DRO2015", true, std::nullopt, 9);
    std::string list = readBytes(link).substr(0x4E, 0x14 + 0x19); // root and drive
    list += static_cast<char>(item.size() + 2);
    list += '\0';
    list += item;
    list += std::string(2, '\0');
    std::string bytes = readBytes(link);
    const std::size_t oldSize =
        static_cast<unsigned char>(bytes[0x4C]) | static_cast<unsigned char>(bytes[0x4D]) << 8;
    bytes.replace(0x4E, oldSize, list);
    bytes[0x4C] = static_cast<char>(list.size());
    bytes[0x4D] = 0;
    writeBytes(link, bytes);

    ASSERT_EQ(updateLinkFile(link.string(), kChange).result, kSOk);
    const auto items = parsed(readBytes(link)).idListItems();
    ASSERT_EQ(items.size(), 4u);
    for (std::size_t i = 2; i < 4; ++i) {
        const std::string& it = items[i];
        const std::size_t ext = static_cast<unsigned char>(it[it.size() - 2]) - 2u;
        EXPECT_EQ(it[ext + 2], 9) << i; // version
    }
    const std::string report = lnkinfo(link);
    EXPECT_TRUE(shows(report, "Long name", "DRO2016")) << report;
    EXPECT_TRUE(shows(report, "Long name", "S64.bat")) << report;
}

TEST_F(TempFolder, AnsiLinkIsSavedWithUnicodeStrings) {
    // Header of DroWin8.sss with only a description and arguments, in code page 1250.
    std::string bytes = readBytes(kFixtures / "DroWin8.sss").substr(0, 0x4C);
    const std::uint32_t flags = kHasName | kHasArguments;
    for (int i = 0; i < 4; ++i)
        bytes[0x14 + i] = static_cast<char>(flags >> (8 * i));
    const std::string name = "\xDA\xE8"
                             "etnictv\xED"; // "Účetnictví"
    bytes += static_cast<char>(name.size());
    bytes += '\0';
    bytes += name;
    bytes += std::string("\x02\0/m", 4);
    bytes += std::string(4, '\0');
    const fs::path link = dir_ / "ansi.lnk";
    writeBytes(link, bytes);

    ASSERT_EQ(updateLinkFile(link.string(), kChange).result, kSOk);
    const LinkFile now = parsed(readBytes(link));
    EXPECT_TRUE(now.flags() & kIsUnicode);
    EXPECT_EQ(now.string(LinkString::Name), "Účetnictví");
    EXPECT_EQ(now.string(LinkString::Arguments), "/m");
    EXPECT_TRUE(shows(lnkinfo(link), "Description", "Účetnictví"));
}

TEST_F(TempFolder, DamagedLinksAreNotLoadedAndStayAsTheyWere) {
    const std::string good = readBytes(kFixtures / "DroWin10.sss");
    const LinkFile link = parsed(good);
    const std::size_t blocks = good.size() - 4 - [&] {
        std::size_t n = 0;
        for (const auto& b : link.extraData())
            n += b.bytes.size();
        return n;
    }();
    struct Case {
        std::string what;
        std::string bytes;
        HResult expected;
    };
    std::string overrun = good;
    overrun[0x4E] = static_cast<char>(0xF0); // the root item claims more than the list
    std::vector<Case> cases = {
        {"empty", "", kLinkCorrupt},
        {"text", "[InternetShortcut]\r\nURL=http://example.com/\r\n", kLinkCorrupt},
        {"header only half", good.substr(0, 40), kLinkTruncated},
        {"inside the ID list", good.substr(0, 0x90), kLinkTruncated},
        {"inside the strings", good.substr(0, blocks - 10), kLinkTruncated},
        {"inside a block", good.substr(0, blocks + 100), kLinkTruncated},
        {"no terminal block", good.substr(0, good.size() - 4), kLinkTruncated},
        {"item overruns its list", overrun, kLinkCorrupt},
    };
    for (const Case& c : cases) {
        const fs::path p = dir_ / "damaged.lnk";
        writeBytes(p, c.bytes);
        const ShellLinkOutcome outcome = updateLinkFile(p.string(), kChange);
        EXPECT_EQ(outcome.result, c.expected) << c.what;
        EXPECT_EQ(outcome.step, "IPersistFile::Load") << c.what;
        EXPECT_EQ(readBytes(p), c.bytes) << c.what;
    }
    const ShellLinkOutcome missing = updateLinkFile((dir_ / "none.lnk").string(), kChange);
    EXPECT_EQ(missing.result, hresultFromWin32(kErrorFileNotFound));
    EXPECT_EQ(missing.step, "IPersistFile::Load");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}

TEST_F(TempFolder, FailingStepsLeaveTheLinkAsItWas) {
    const fs::path link = copyFixture("DroWin7.sss");
    const std::string before = readBytes(link);

    ShellLinkChange relative = kChange;
    relative.path = "DRO2016\\S64.bat";
    ShellLinkOutcome outcome = updateLinkFile(link.string(), relative);
    EXPECT_EQ(outcome.result, kEInvalidArg);
    EXPECT_EQ(outcome.step, "IShellLinkW::SetPath");
    ShellLinkChange wild = kChange;
    wild.path = "C:\\DRO*\\S64.bat";
    EXPECT_EQ(updateLinkFile(link.string(), wild).step, "IShellLinkW::SetPath");
    EXPECT_EQ(readBytes(link), before);

    // A read-only link cannot be saved over; no temporary file is left.
    fs::permissions(link, fs::perms::owner_read | fs::perms::group_read);
    outcome = updateLinkFile(link.string(), kChange);
    EXPECT_EQ(outcome.result, hresultFromWin32(kErrorAccessDenied));
    EXPECT_EQ(outcome.step, "IPersistFile::Save");
    EXPECT_EQ(readBytes(link), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}

TEST_F(TempFolder, SavingKeepsTheFilesPermissions) {
    const fs::path link = copyFixture("DroWin7.s64");
    fs::permissions(link, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    ASSERT_EQ(updateLinkFile(link.string(), kChange).result, kSOk);
    EXPECT_EQ(fs::status(link).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);
}
