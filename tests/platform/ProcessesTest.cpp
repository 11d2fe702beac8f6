#include <filesystem>

#include <gtest/gtest.h>

#include "TestMachine.h"

using namespace platform;
using testmachine::TestMachine;

TEST(Processes, StartsAHostProgramInItsWorkingFolderWithArguments) {
    TestMachine m;
    m.makeFolders("C:\\DRO2015");
    m.writeScript("C:\\Setup\\Mono.exe",
                  "pwd > out.txt\nfor a in \"$@\"; do echo \"[$a]\" >> out.txt; done\nexit 3\n");
    auto p = m.win().createProcess("C:\\setup\\MONO.EXE one \"two words\" 3", "C:\\dro2015",
                                   kSwShowNormal);
    ASSERT_TRUE(p);
    EXPECT_EQ((*p)->wait(), 3u);
    EXPECT_EQ(m.readFile("C:\\DRO2015\\out.txt"),
              m.host("C:\\DRO2015") + "\n[one]\n[two words]\n[3]\n");
}

TEST(Processes, NeverGoesThroughAShell) {
    TestMachine m;
    m.makeFolders("C:\\W");
    m.writeScript("C:\\W\\p.exe", "echo \"$1\" > arg.txt\n");
    auto p = m.win().createProcess("C:\\W\\p.exe \"; touch hacked $(touch hacked2)\"", "C:\\W", 1);
    ASSERT_TRUE(p);
    (*p)->wait();
    EXPECT_EQ(m.readFile("C:\\W\\arg.txt"), "; touch hacked $(touch hacked2)\n");
    EXPECT_FALSE(m.exists("C:\\W\\hacked"));
    EXPECT_FALSE(m.exists("C:\\W\\hacked2"));
}

TEST(Processes, StartFailuresAreReportedAsOnWindows) {
    TestMachine m;
    m.makeFolders("C:\\W");
    EXPECT_EQ(m.win().createProcess("C:\\W\\none.exe", "C:\\W", 1).error(), kErrorFileNotFound);
    EXPECT_EQ(m.win().createProcess("C:\\none\\x.exe", "C:\\W", 1).error(), kErrorPathNotFound);
    m.writeFile("C:\\W\\plain.exe", "not a program");
    EXPECT_EQ(m.win().createProcess("C:\\W\\plain.exe", "C:\\W", 1).error(), kErrorBadExeFormat);
    m.writeScript("C:\\W\\ok.exe", "true\n");
    EXPECT_EQ(m.win().createProcess("C:\\W\\ok.exe", "C:\\nowhere", 1).error(), kErrorDirectory);
    if (testmachine::runHostCommand("command -v wine").status != 0) {
        m.writeFile("C:\\W\\win.exe", "MZ\x90");
        EXPECT_EQ(m.win().createProcess("C:\\W\\win.exe", "C:\\W", 1).error(), kErrorBadExeFormat);
    }
}

// An unquoted path with blanks: the first prefix ending at a blank that is a
// program wins (C:\Program.exe), the rest being its arguments; a quoted path
// is taken whole.
TEST(Processes, UnquotedPathWithBlanksIsSearchedAsOnWindows) {
    TestMachine m;
    m.makeFolders("C:\\W");
    m.writeScript("C:\\Program Files\\DRO\\Mono.exe", "echo \"Mono [$*]\" > out.txt\n");
    m.writeScript("C:\\Program.exe", "echo \"Program [$*]\" > out.txt\n");
    const auto started = [&](const std::string& line) {
        auto p = m.win().createProcess(line, "C:\\W", 1);
        EXPECT_TRUE(p) << line;
        if (p)
            (*p)->wait();
        return m.readFile("C:\\W\\out.txt");
    };
    EXPECT_EQ(started("C:\\Program Files\\DRO\\Mono.exe x"), "Program [Files\\DRO\\Mono.exe x]\n");
    EXPECT_EQ(started("\"C:\\Program Files\\DRO\\Mono.exe\" x"), "Mono [x]\n");
    ASSERT_EQ(m.win().deleteFile("C:\\Program.exe"), kErrorSuccess);
    EXPECT_EQ(started("C:\\Program Files\\DRO\\Mono.exe x"), "Mono [x]\n");
    EXPECT_EQ(m.win().createProcess("C:\\Program Files\\DRO\\none.exe x", "C:\\W", 1).error(),
              kErrorFileNotFound);
}

TEST(Processes, ShellExecuteStartsProgramsWithoutWaiting) {
    TestMachine m;
    m.makeFolders("C:\\T");
    m.writeScript("C:\\T\\Tavel.exe", "pwd > started.txt\n");
    // A relative program name is taken in the default folder.
    EXPECT_GT(m.win().shellExecute("", "Tavel.exe", "", "C:\\T", 1), 32);
    // A default folder that is a file gives way to the program's own folder.
    m.writeScript("C:\\T\\Ikon.exe", "pwd > ikon.txt\n");
    m.writeFile("C:\\T\\Ikon.ini", "");
    EXPECT_GT(m.win().shellExecute("", "C:\\T\\Ikon.exe", "", "C:\\T\\Ikon.ini", 1), 32);
    EXPECT_EQ(m.win().shellExecute("", "C:\\T\\none.exe", "", "", 1), kSeErrFnf);
    for (int i = 0; i < 2000 && !(m.exists("C:\\T\\started.txt") && m.exists("C:\\T\\ikon.txt"));
         ++i)
        ::usleep(10000);
    EXPECT_EQ(m.readFile("C:\\T\\started.txt"), m.host("C:\\T") + "\n");
    EXPECT_EQ(m.readFile("C:\\T\\ikon.txt"), m.host("C:\\T") + "\n");
}

TEST(Processes, FindExecutableOfAProgramAndOfAMissingFile) {
    TestMachine m;
    m.writeScript("C:\\T\\SETUPCP.EXE", "true\n");
    std::string program;
    EXPECT_GT(m.win().findExecutable("c:\\t\\setupcp.exe", "", program), 32);
    EXPECT_EQ(program, "C:\\t\\setupcp.exe");
    EXPECT_EQ(m.win().findExecutable("C:\\T\\none.pdf", "", program), kSeErrFnf);
    EXPECT_TRUE(program.empty());
}

// Windows knows no execute permission: a program file copied by a Windows
// program (a host script without the execute bit) still starts.
TEST(Processes, ScriptWithoutExecuteBitStartsThroughItsInterpreter) {
    TestMachine m;
    m.makeFolders("C:\\P");
    m.writeFile("C:\\P\\Lan.exe", "#! /bin/sh -e\r\necho \"$0 $1\" > ran.txt\n");
    auto p = m.win().createProcess("C:\\P\\Lan.exe arg", "C:\\P", 1);
    ASSERT_TRUE(p);
    EXPECT_EQ((*p)->wait(), 0u);
    EXPECT_EQ(m.readFile("C:\\P\\ran.txt"), m.host("C:\\P\\Lan.exe") + " arg\n");
}
