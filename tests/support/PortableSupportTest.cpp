// The support routines that need no emulated machine, on whatever machine
// the tests run: the emulation on Linux, the real system under Windows.
#include <gtest/gtest.h>

#include "FaultInjectingWindows.h"
#include "Sandbox.h"
#include "support/Errors.h"
#include "support/LaunchScripts.h"
#include "support/Utilities.h"

using namespace support;

TEST(PortableSupport, CopyFileToAFolderOrAFileName) {
    contract::Sandbox m;
    platform::Windows& win = m.win();
    m.writeFile("a\\x.exe", "program");
    m.writeFile("b\\old.txt", "");
    CopyFileTo(win, m.path("a\\x.exe"), m.path("b"));
    EXPECT_EQ(m.readFile("b\\x.exe"), "program");
    CopyFileTo(win, m.path("a\\x.exe"), m.path("B") + "\\");
    CopyFileTo(win, m.path("a\\x.exe"), m.path("c"));
    EXPECT_EQ(m.readFile("c"), "program");
    // Against the current folder.
    ASSERT_EQ(win.setCurrentDirectory(m.path("b")), platform::kErrorSuccess);
    CopyFileTo(win, "..\\a\\x.exe", "y.exe");
    EXPECT_EQ(m.readFile("b\\y.exe"), "program");
    // A copy over an existing file replaces it whole; no temporary file stays.
    m.writeFile("b\\x.exe", std::string(20000, 'o'));
    CopyFileTo(win, m.path("a\\x.exe"), m.path("b\\x.exe"));
    EXPECT_EQ(m.readFile("b\\x.exe"), "program");
    auto entries = win.findFiles(m.path("b\\*"));
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 3u); // old.txt, x.exe, y.exe
    EXPECT_THROW(CopyFileTo(win, m.path("a\\none.exe"), m.path("d.exe")), EFOpenError);
    EXPECT_FALSE(m.exists("d.exe"));
}

// A copy that fails midway is reported, and the file that was at the
// destination is still there, whole, with nothing beside it.
TEST(PortableSupport, FailedCopyKeepsTheOldDestination) {
    using platform::kErrorSuccess;
    contract::Sandbox m;
    testmachine::FaultInjectingWindows win(m.win());
    m.writeFile("a\\big", std::string(100000, 'n'));
    m.writeFile("cfg\\fand.cfg", "user settings");
    const std::string big = *win.nativePath(m.path("a\\big"));
    const std::string cfg = *win.nativePath(m.path("cfg\\fand.cfg"));
    win.writeFault = [&](const std::string& path, std::uint64_t offset, std::size_t size) {
        return path == cfg && offset + size > 20000 ? platform::kErrorDiskFull : kErrorSuccess;
    };
    try {
        CopyFileTo(win, m.path("a\\big"), m.path("cfg\\fand.cfg"));
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
    }
    EXPECT_EQ(m.readFile("cfg\\fand.cfg"), "user settings");

    win.writeFault = nullptr;
    win.readFault = [&](const std::string& path, std::uint64_t offset, std::size_t) {
        return path == big && offset >= 30000 ? platform::kErrorReadFault : kErrorSuccess;
    };
    EXPECT_THROW(CopyFileTo(win, m.path("a\\big"), m.path("cfg\\fand.cfg")), EInOutError);
    EXPECT_EQ(m.readFile("cfg\\fand.cfg"), "user settings");
    EXPECT_THROW(CopyFileTo(win, m.path("a\\big"), m.path("cfg\\new")), EInOutError);
    auto entries = win.findFiles(m.path("cfg\\*"));
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, "fand.cfg");
}

// A copy is held as it was copied, and only as it was copied.
TEST(PortableSupport, HeldCopyIsCheckedAndKeptUntilItStarts) {
    contract::Sandbox m;
    platform::Windows& win = m.win();
    const std::string source = m.programCopy("setup\\Mono.exe");
    ASSERT_EQ(win.createDirectory(m.path("target")), platform::kErrorSuccess);
    const std::string copy = m.path("target\\Mono.exe");
    CopyFileTo(win, source, copy);
    auto hold = HoldCopy(win, source, copy);
    EXPECT_EQ(win.deleteFile(copy), platform::kErrorSharingViolation);
    m.writeFile("other.exe", "another program");
    EXPECT_THROW(CopyFileTo(win, m.path("other.exe"), copy), InstallerError);
    hold.reset();
    EXPECT_EQ(win.deleteFile(copy), platform::kErrorSuccess);

    // A copy that was changed before the hold began is refused.
    m.writeFile("target\\Mono.exe", m.readFile("setup\\Mono.exe") + "!");
    try {
        HoldCopy(win, source, copy);
        FAIL();
    } catch (const InstallerError& e) {
        EXPECT_EQ(std::string(e.what()), "Soubor " + copy + " se liší od " + source);
    }
    EXPECT_THROW(HoldCopy(win, source, m.path("target\\none.exe")), EFOpenError);
}

TEST(PortableSupport, FileQueriesAndTextFiles) {
    contract::Sandbox m;
    platform::Windows& win = m.win();
    m.writeFile("empty", "");
    m.writeFile("five", "12345");
    m.writeFile("dir\\inside", "");
    EXPECT_EQ(FileSizeOf(win, m.path("none")), -1);
    EXPECT_EQ(FileSizeOf(win, m.path("empty")), 0);
    EXPECT_EQ(FileSizeOf(win, m.path("FIVE")), 5);
    EXPECT_TRUE(FileHasAttributes(win, m.path("dir"), 16));
    EXPECT_FALSE(FileHasAttributes(win, m.path("five"), 16));
    EXPECT_FALSE(FileHasAttributes(win, m.path("none"), 16));
    EXPECT_EQ(FileDateOf(win, m.path("none")), 0.0);
    EXPECT_GT(FileDateOf(win, m.path("five")), 40000.0); // after 2009

    // Letters that code pages 1250 and 1252 share, so the bytes are the
    // same on a Czech system and on Wine's default one.
    WriteOneLineFile(win, m.path("dir\\KdeJeZas.ttx"), "C:\\Údaje\\áéíóúý.lnk");
    EXPECT_EQ(m.readFile("dir\\KdeJeZas.ttx"), "C:\\\xDA"
                                               "daje\\\xE1\xE9\xED\xF3\xFA\xFD.lnk\r\n");
}

TEST(FolderNames, NormalizeFolderName) {
    EXPECT_EQ(FirstNonBlankPos(""), 1);
    EXPECT_EQ(FirstNonBlankPos("   "), 4);
    EXPECT_EQ(FirstNonBlankPos("  x"), 3);
    EXPECT_EQ(FirstNonBlankPos(std::string(400, ' ')), 255);
    EXPECT_EQ(NormalizeFolderName(""), "");
    EXPECT_EQ(NormalizeFolderName("    "), "");
    EXPECT_EQ(NormalizeFolderName("  DRO2015"), "DRO2015");
    EXPECT_EQ(NormalizeFolderName("DRO2015 x"), "DRO2015");
    EXPECT_EQ(NormalizeFolderName("C:\\Program Files\\DRO"), "C:\\Program");
    EXPECT_EQ(NormalizeFolderName("\tDRO"), "\tDRO");
    EXPECT_EQ(NormalizeFolderName(std::string(300, ' ') + "DRO"), "DRO");
}

TEST(FolderNames, StripTrailingFolder) {
    EXPECT_EQ(StripTrailingFolder("DRO2015", "C:\\DRO2015\\"), "C:");
    EXPECT_EQ(StripTrailingFolder("DRO2015", "C:\\DRO2015"), "C:");
    EXPECT_EQ(StripTrailingFolder("DRO2015", "C:\\Data"), "C:\\Data");
    EXPECT_EQ(StripTrailingFolder("dro2015", "C:\\DRO2015"), "C:\\DRO2015");
    EXPECT_EQ(StripTrailingFolder("DRO2015", "C:\\DRO\\DRO2015"), "C:\\DRO");
    EXPECT_EQ(StripTrailingFolder("DRO2015", "DRO2015"), "");
    // An empty sub-folder name gives the base folder back.
    EXPECT_EQ(StripTrailingFolder("", "C:\\DRO\\"), "C:\\DRO");
    EXPECT_EQ(StripTrailingFolder("  ", "C:\\DRO"), "C:\\DRO");
}

TEST(Errors, RuntimeTextsOfInputOutputErrors) {
    EXPECT_EQ(inOutErrorMessage(2), "File not found");
    EXPECT_EQ(inOutErrorMessage(5), "File access denied");
    EXPECT_EQ(inOutErrorMessage(101), "Disk full");
    EXPECT_EQ(inOutErrorMessage(32), "I/O error 32");
    EXPECT_EQ(inOutCodeFor(platform::kErrorDiskFull), 101);
    EXPECT_EQ(inOutCodeFor(platform::kErrorHandleDiskFull), 101);
}

TEST(PortableSupport, WorkMarkerAndFandConfiguration) {
    contract::Sandbox m;
    platform::Windows& win = m.win();
    const std::string dro = m.root();
    ASSERT_EQ(win.createDirectory(dro + "\\{rt42}"), platform::kErrorSuccess);
    EXPECT_FALSE(IsPackageRunning(win, dro));
    m.writeFile("{rt42}\\fandwork.$$$", "");
    EXPECT_TRUE(IsPackageRunning(win, dro));

    // No fand.cfg: an older backup stays as it was.
    m.writeFile("{rt42}\\fandcfg.dro", "older backup");
    BackupFandConfig(win, dro);
    EXPECT_EQ(m.readFile("{rt42}\\fandcfg.dro"), "older backup");
    // The package brings its own fand.cfg; the backup from an earlier
    // installation is restored over it and stays.
    m.writeFile("{rt42}\\fand.cfg", "from the package");
    RestoreFandConfig(win, dro);
    EXPECT_EQ(m.readFile("{rt42}\\fand.cfg"), "older backup");
    EXPECT_TRUE(m.exists("{rt42}\\fandcfg.dro"));

    m.writeFile("{rt42}\\fand.cfg", "user's own");
    BackupFandConfig(win, dro);
    EXPECT_EQ(m.readFile("{rt42}\\fandcfg.dro"), "user's own");

    // Without {rt42} nothing is made.
    ASSERT_EQ(win.createDirectory(m.path("X")), platform::kErrorSuccess);
    BackupFandConfig(win, m.path("X"));
    RestoreFandConfig(win, m.path("X"));
    EXPECT_FALSE(m.exists("X\\{rt42}"));
}

TEST(PortableSupport, LaunchScriptsReplaceWhatWasThere) {
    contract::Sandbox m;
    m.writeFile("Demo2015.bat", std::string(5000, 'x'));
    WriteLaunchScript(m.win(), m.root(), "Demo2015.bat", "DroDemo.exe");
    WriteLaunchScript(m.win(), m.root(), "S64.bat", "Mono.exe");
    const std::string native = m.readFile("Demo2015.bat");
    const std::string dosBox = m.readFile("S64.bat");
    EXPECT_EQ(native.size(), 341u); // the template and the last line end
    EXPECT_EQ(native.substr(0, 11), "@echo off\r\n");
    EXPECT_EQ(dosBox.size(), 227u);
    EXPECT_THROW(WriteLaunchScript(m.win(), m.path("none"), "S64.bat", "Mono.exe"), EInOutError);
}
