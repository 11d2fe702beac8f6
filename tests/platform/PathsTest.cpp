#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "TestMachine.h"
#include "linux/PathMapper.h"
#include "platform/Host.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/WinPath.h"
#include "platform/linux/Emulation.h"

using namespace platform;
using testmachine::TestMachine;
namespace fs = std::filesystem;

TEST(FullPath, ResolvesLikeGetFullPathName) {
    const std::string cwd = "C:\\DRO\\WORK";
    EXPECT_EQ(*makeFullPath("x.txt", cwd), "C:\\DRO\\WORK\\x.txt");
    EXPECT_EQ(*makeFullPath("..\\a\\.\\b", cwd), "C:\\DRO\\a\\b");
    EXPECT_EQ(*makeFullPath("\\Windows", cwd), "C:\\Windows");
    EXPECT_EQ(*makeFullPath("c:/dro/x", cwd), "C:\\dro\\x");
    EXPECT_EQ(*makeFullPath("C:x", cwd), "C:\\DRO\\WORK\\x");
    EXPECT_EQ(*makeFullPath("D:x", cwd), "D:\\x");
    EXPECT_EQ(*makeFullPath("C:\\b\\", cwd), "C:\\b\\");
    EXPECT_EQ(*makeFullPath("C:\\..\\..", cwd), "C:\\");
    EXPECT_EQ(*makeFullPath("C:\\name. \\x", cwd), "C:\\name\\x");
    EXPECT_EQ(*makeFullPath("\\\\server\\share\\a\\..\\b", cwd), "\\\\server\\share\\b");
    EXPECT_FALSE(makeFullPath("", cwd));
}

TEST(FullPath, PartsAsTheRuntimeExtractsThem) {
    struct Case {
        const char *path, *drive, *folder, *dir, *name;
    };
    for (const Case& c : {Case{"C:\\DRO\\x.txt", "C:", "C:\\DRO\\", "C:\\DRO", "x.txt"},
                          Case{"C:\\x.txt", "C:", "C:\\", "C:\\", "x.txt"},
                          Case{"C:x.txt", "C:", "C:", "C:", "x.txt"},
                          Case{"\\\\srv\\share\\a\\b", "\\\\srv\\share", "\\\\srv\\share\\a\\",
                               "\\\\srv\\share\\a", "b"},
                          Case{"\\\\srv", "", "\\\\", "\\\\", "srv"}, Case{"x", "", "", "", "x"}}) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(extractFileDrive(c.path), c.drive);
        EXPECT_EQ(extractFilePath(c.path), c.folder);
        EXPECT_EQ(extractFileDir(c.path), c.dir);
        EXPECT_EQ(extractFileName(c.path), c.name);
    }
}

class PathMapperTest : public ::testing::Test {
protected:
    TestMachine m;
    PathMapper mapper{m.prefix()};
};

TEST_F(PathMapperTest, DrivesComeFromDosdevices) {
    EXPECT_EQ(*mapper.toHost("C:\\"), m.prefix() + "/drive_c");
    EXPECT_EQ(*mapper.toHost("Z:\\etc"), "/etc");
    EXPECT_EQ(mapper.toHost("Q:\\x").error(), kErrorPathNotFound);
    EXPECT_EQ(mapper.toHost("\\\\server\\share\\x").error(), kErrorBadNetPath);
    EXPECT_EQ(mapper.toHost("C:\\a<b").error(), kErrorInvalidName);

    // Another drive is a link to any host folder.
    fs::create_directories(m.root() + "/data");
    fs::create_symlink(m.root() + "/data", m.prefix() + "/dosdevices/d:");
    EXPECT_EQ(*mapper.toHost("d:\\x.txt"), m.root() + "/data/x.txt");
    EXPECT_EQ(mapper.toWindows(m.root() + "/data/sub/new.txt"), "D:\\sub\\new.txt");
}

TEST_F(PathMapperTest, WithoutDosdevicesLinksCIsDriveCAndZIsTheRoot) {
    fs::remove(m.prefix() + "/dosdevices/c:");
    fs::remove(m.prefix() + "/dosdevices/z:");
    EXPECT_EQ(*mapper.toHost("C:\\windows"), m.prefix() + "/drive_c/windows");
    EXPECT_EQ(*mapper.toHost("Z:\\tmp"), "/tmp");
    EXPECT_EQ(mapper.toWindows(m.prefix() + "/drive_c/users"), "C:\\users");
    EXPECT_EQ(mapper.toWindows("/usr/share/doc"), "Z:\\usr\\share\\doc");
}

TEST_F(PathMapperTest, ExistingNamesAreFoundInAnyCase) {
    fs::create_directories(m.prefix() + "/drive_c/DRO/{rt42}");
    std::ofstream(m.prefix() + "/drive_c/DRO/{rt42}/Fand.CFG") << "x";
    EXPECT_EQ(*mapper.toHost("C:\\dro\\{RT42}\\FAND.cfg"),
              m.prefix() + "/drive_c/DRO/{rt42}/Fand.CFG");
    // A new name keeps the case it was written in, below the matched folders.
    EXPECT_EQ(*mapper.toHost("C:\\dro\\New\\Sub.txt"), m.prefix() + "/drive_c/DRO/New/Sub.txt");
    std::ofstream(m.prefix() + "/drive_c/Účty.txt") << "x";
    EXPECT_EQ(*mapper.toHost("C:\\úČTY.TXT"), m.prefix() + "/drive_c/Účty.txt");
}

TEST(Prefix, MissingPrefixIsCreatedAsWineLaysItOut) {
    const testmachine::TempFolder folder("dro-prefix");
    const std::string tmpl = folder.path();
    const std::string prefix = tmpl + "/new-prefix";
    ScriptedUserInterface ui;
    HostOptions o;
    o.ui = &ui;
    EmulationOptions e;
    e.prefix = prefix;
    e.user = "jana";
    e.runtimeDir = std::string(tmpl) + "/run";
    auto win = makeEmulatedWindows(o, e);
    EXPECT_TRUE(fs::is_directory(prefix + "/drive_c/windows/system32"));
    EXPECT_TRUE(fs::is_directory(prefix + "/drive_c/users/jana/Desktop"));
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/c:"), "../drive_c");
    EXPECT_EQ(fs::read_symlink(prefix + "/dosdevices/z:"), "/");
    EXPECT_EQ(*win->desktopDirectory(), "C:\\users\\jana\\Desktop");
    EXPECT_EQ(*win->systemDirectory(), "C:\\windows\\system32");
    // A host path is seen under its Windows name.
    EXPECT_EQ(*win->fullPathName(prefix + "/drive_c/x.txt"), "C:\\x.txt");
    EXPECT_EQ(*win->fullPathName("/usr/bin"), "Z:\\usr\\bin");
    win.reset();
}

TEST(Prefix, DefaultPrefixFollowsWineprefix) {
    const char* old = std::getenv("WINEPREFIX");
    const std::string saved = old ? old : "";
    ::setenv("WINEPREFIX", "/somewhere/prefix", 1);
    EXPECT_EQ(defaultWinePrefix(), "/somewhere/prefix");
    ::unsetenv("WINEPREFIX");
    EXPECT_EQ(defaultWinePrefix(), std::string(std::getenv("HOME")) + "/.wine");
    if (old)
        ::setenv("WINEPREFIX", saved.c_str(), 1);
}

// A symbolic link keeps the folder it was reached through: a link to a
// program placed beside a package is seen in the package's folder.
TEST_F(PathMapperTest, LinksKeepTheFolderTheyWereReachedThrough) {
    fs::create_directories(m.root() + "/bin");
    std::ofstream(m.root() + "/bin/Instal") << "x";
    fs::create_directories(m.prefix() + "/drive_c/Setup");
    fs::create_symlink(m.root() + "/bin/Instal", m.prefix() + "/drive_c/Setup/Instal");
    EXPECT_EQ(mapper.toWindows(m.prefix() + "/drive_c/Setup/Instal"), "C:\\Setup\\Instal");
    EXPECT_EQ(mapper.toWindows(m.prefix() + "/dosdevices/c:/Setup/../Setup/Instal"),
              "C:\\Setup\\Instal");
    fs::create_symlink(m.prefix() + "/drive_c/Setup", m.root() + "/setup-link");
    EXPECT_EQ(mapper.toWindows(m.root() + "/setup-link/x"), "C:\\Setup\\x");
}
