#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TestMachine.h"

using namespace platform;
using testmachine::TestMachine;
namespace fs = std::filesystem;

namespace {

std::string readAll(File& f) {
    std::string out;
    char buf[100];
    while (true) {
        auto n = f.read(buf, sizeof buf);
        if (!n || *n == 0)
            break;
        out.append(buf, *n);
    }
    return out;
}

} // namespace

TEST(Files, DispositionsBehaveAsOnWindows) {
    TestMachine m;
    auto& win = m.win();
    EXPECT_EQ(
        win.createFile("C:\\a.txt", Access::Read, kShareRead, Disposition::OpenExisting).error(),
        kErrorFileNotFound);
    EXPECT_EQ(
        win.createFile("C:\\missing\\a.txt", Access::Write, 0, Disposition::CreateAlways).error(),
        kErrorPathNotFound);

    auto f = win.createFile("C:\\a.txt", Access::Write, 0, Disposition::CreateNew);
    ASSERT_TRUE(f);
    EXPECT_EQ(*(*f)->write("hello", 5), 5u);
    EXPECT_EQ((*f)->close(), kErrorSuccess);
    EXPECT_EQ(win.createFile("c:\\A.TXT", Access::Write, 0, Disposition::CreateNew).error(),
              kErrorFileExists);

    // CreateAlways replaces the content of the file found in another case.
    auto g = win.createFile("C:\\A.TXT", Access::Write, 0, Disposition::CreateAlways);
    ASSERT_TRUE(g);
    EXPECT_TRUE((*g)->write("x", 1));
    EXPECT_EQ((*g)->close(), kErrorSuccess);
    EXPECT_EQ(m.readFile("C:\\a.txt"), "x");
    EXPECT_FALSE(fs::exists(m.prefix() + "/drive_c/A.TXT"));

    auto r = win.createFile("C:\\a.txt", Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(r);
    EXPECT_EQ(readAll(**r), "x");

    EXPECT_EQ(
        win.createFile("C:\\windows", Access::Read, kShareRead, Disposition::OpenExisting).error(),
        kErrorAccessDenied);
}

TEST(Files, SharingModesAreEnforcedBetweenOpenFiles) {
    TestMachine m;
    auto& win = m.win();
    m.writeFile("C:\\src.bin", "data");
    // Open for reading, denying others write access.
    auto reader =
        win.createFile("C:\\src.bin", Access::Read, kShareRead, Disposition::OpenExisting);
    ASSERT_TRUE(reader);
    EXPECT_EQ(win.createFile("C:\\src.bin", Access::Write, kShareRead | kShareWrite,
                             Disposition::OpenExisting)
                  .error(),
              kErrorSharingViolation);
    EXPECT_TRUE(win.createFile("C:\\src.bin", Access::Read, kShareRead, Disposition::OpenExisting));
    // A refused CreateAlways must not have emptied the file.
    EXPECT_EQ(win.createFile("C:\\src.bin", Access::Write, 0, Disposition::CreateAlways).error(),
              kErrorSharingViolation);
    EXPECT_EQ(m.readFile("C:\\src.bin"), "data");
    EXPECT_EQ((*reader)->close(), kErrorSuccess);
    EXPECT_TRUE(win.createFile("C:\\src.bin", Access::Write, 0, Disposition::OpenExisting));
}

TEST(Files, AttributesAndTheReadOnlyRule) {
    TestMachine m;
    auto& win = m.win();
    m.writeFile("C:\\DRO\\ro.cfg", "keep");
    m.writeFile("C:\\DRO\\.hidden", "");
    fs::permissions(m.host("C:\\DRO\\ro.cfg"), fs::perms::owner_read | fs::perms::group_read);

    EXPECT_EQ(*win.fileAttributes("C:\\dro"), kFileAttributeDirectory);
    EXPECT_EQ(*win.fileAttributes("C:\\DRO\\RO.CFG"),
              kFileAttributeArchive | kFileAttributeReadOnly);
    EXPECT_TRUE(*win.fileAttributes("C:\\DRO\\.hidden") & kFileAttributeHidden);
    EXPECT_EQ(win.fileAttributes("C:\\DRO\\none").error(), kErrorFileNotFound);
    EXPECT_EQ(win.fileAttributes("C:\\NONE\\none").error(), kErrorPathNotFound);

    // A read-only file refuses writing and deleting, also to the superuser.
    EXPECT_EQ(
        win.createFile("C:\\DRO\\ro.cfg", Access::Write, 0, Disposition::CreateAlways).error(),
        kErrorAccessDenied);
    EXPECT_EQ(win.deleteFile("C:\\DRO\\ro.cfg"), kErrorAccessDenied);
    EXPECT_EQ(m.readFile("C:\\DRO\\ro.cfg"), "keep");
}

TEST(Files, FindFilesMatchesPatternsWithoutRegardToCase) {
    TestMachine m;
    auto& win = m.win();
    m.writeFile("C:\\T\\Cihelp.000", "12345");
    m.writeFile("C:\\T\\Cibhelp.T00", "");
    m.writeFile("C:\\T\\other.txt", "");
    m.makeFolders("C:\\T\\Sub");

    auto one = win.findFiles("c:\\t\\CIHELP.000");
    ASSERT_TRUE(one);
    ASSERT_EQ(one->size(), 1u);
    EXPECT_EQ(one->front().name, "Cihelp.000");
    EXPECT_EQ(one->front().size, 5u);
    EXPECT_GT(one->front().lastWriteTime, 116444736000000000ULL);

    auto many = win.findFiles("C:\\T\\ci*help.?00");
    ASSERT_TRUE(many);
    EXPECT_EQ(many->size(), 2u);
    auto sub = win.findFiles("C:\\T\\sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->front().attributes, kFileAttributeDirectory);
    EXPECT_EQ(win.findFiles("C:\\T\\*.pdf").error(), kErrorFileNotFound);
    EXPECT_EQ(win.findFiles("C:\\NONE\\*.pdf").error(), kErrorPathNotFound);
}

TEST(Files, FoldersMovesAndDeletes) {
    TestMachine m;
    auto& win = m.win();
    EXPECT_EQ(win.createDirectory("C:\\DRO"), kErrorSuccess);
    EXPECT_EQ(win.createDirectory("C:\\dro"), kErrorAlreadyExists);
    EXPECT_EQ(win.createDirectory("C:\\X\\Y"), kErrorPathNotFound);
    m.writeFile("C:\\DRO\\a", "new");
    m.writeFile("C:\\DRO\\b", "old");
    EXPECT_EQ(win.removeDirectory("C:\\DRO"), kErrorDirNotEmpty);
    EXPECT_EQ(win.moveFile("C:\\DRO\\a", "C:\\DRO\\B", false), kErrorAlreadyExists);
    EXPECT_EQ(win.moveFile("C:\\DRO\\a", "C:\\DRO\\B", true), kErrorSuccess);
    EXPECT_EQ(m.readFile("C:\\DRO\\b"), "new");
    EXPECT_EQ(win.deleteFile("C:\\DRO\\b"), kErrorSuccess);
    EXPECT_EQ(win.deleteFile("C:\\DRO\\b"), kErrorFileNotFound);
    EXPECT_EQ(win.deleteFile("C:\\DRO"), kErrorAccessDenied);
    EXPECT_EQ(win.removeDirectory("C:\\DRO"), kErrorSuccess);
}

TEST(Files, CurrentFolderAnchorsRelativeNames) {
    TestMachine m;
    auto& win = m.win();
    m.writeFile("C:\\Users\\tester\\job\\Param.txt", "p");
    EXPECT_EQ(win.setCurrentDirectory("c:\\users\\TESTER\\job\\"), kErrorSuccess);
    EXPECT_EQ(win.currentDirectory(), "C:\\users\\TESTER\\job");
    EXPECT_EQ(*win.fullPathName("param.txt"), "C:\\users\\TESTER\\job\\param.txt");
    EXPECT_EQ(m.readFile("param.txt"), "p");
    EXPECT_EQ(win.setCurrentDirectory("C:\\nowhere"), kErrorFileNotFound);
    EXPECT_EQ(win.setCurrentDirectory("C:\\Users\\tester\\job\\Param.txt"), kErrorDirectory);
}

TEST(Files, InjectedFaultsReachTheCaller) {
    TestMachine m;
    auto& win = m.win();
    m.failWritesTo("full.bin", 10);
    auto f = win.createFile("C:\\full.bin", Access::Write, 0, Disposition::CreateAlways);
    ASSERT_TRUE(f);
    EXPECT_EQ(*(*f)->write("0123456789", 10), 10u);
    EXPECT_EQ((*f)->write("x", 1).error(), kErrorDiskFull);
}
