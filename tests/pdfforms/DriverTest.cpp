// The job of Listar2 on an emulated Windows in a temporary prefix, with a
// recording document object and a scripted user.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "ProgIdRegistry.h"
#include "RecordingDocument.h"
#include "TestMachine.h"
#include "linux/LinuxConsoleUserInterface.h"
#include "mdlAPI.h"
#include "mdlGlob.h"
#include "platform/ScriptedUserInterface.h"

namespace pdfforms {
namespace {

namespace fs = std::filesystem;
using mdlGlob::Job;
using mdlGlob::JobOutcome;

class DriverTest : public ::testing::Test {
protected:
    static testmachine::MachineSetup listar2Machine() {
        testmachine::MachineSetup setup;
        setup.program = "C:\\DRO\\{tisk}\\Listar2.exe";
        return setup;
    }
    void SetUp() override {
        m.makeFolders("C:\\DRO\\{tisk}");
        ASSERT_EQ(windows.setCurrentDirectory("C:\\DRO\\{tisk}"), platform::kErrorSuccess);
        write("DRO/{tisk}/faktura.pdf", "%PDF template");
        write("DRO/{tisk}/text.txt", "Faktura \x9f. 1\r\n");

        registry.Register(kPdfDocumentProgId, [this](const PdfDocumentHost& h) {
            host = h;
            auto doc = std::make_unique<test::RecordingDocument>();
            doc->failCall = failCall;
            doc->failNumber = failNumber;
            doc->onCall = [this](const std::string& c) { calls.push_back(c); };
            return doc;
        });
    }
    // Writes a file below C:\ of the prefix (relative path, host separators).
    void write(const std::string& relative, const std::string& bytes) {
        const fs::path p = prefix + "/drive_c/" + relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    void params(const std::string& bytes) { write("DRO/{tisk}/param.txt", bytes); }

    JobOutcome run(const std::string& commandLine = "$ C:\\DRO\\{tisk}\\param.txt") {
        Job job(windows, registry);
        return job.Main(commandLine);
    }
    std::string onlyMessage() {
        EXPECT_EQ(ui.shown().size(), 1u);
        return ui.shown().empty() ? "" : ui.shown().back().text;
    }
    static std::string general(const std::string& line2) {
        return "Chyba programu Listar2:\r" + line2 + "\rTiskopis se nevytvoří.";
    }

    testmachine::TestMachine m{listar2Machine()};
    const std::string root = m.root(), prefix = m.prefix();
    platform::ScriptedUserInterface& ui = m.ui;
    platform::Windows& windows = m.win();
    ProgIdRegistry registry;
    PdfDocumentHost host;
    std::vector<std::string> calls;
    std::string failCall;
    int failNumber = 70;
};

const std::string kGoodParams = "faKt \r\ntext.txt\r\nC:\\DRO\\{TISK}\\FAKTURA.PDF\r\n"
                                "C:\\DRO\\out.pdf\r\n\r\n\r\n\r\n\r\n\r\n";

TEST_F(DriverTest, ParameterFileValues) {
    write("DRO/{tisk}/vodoznak.png", "png");
    write("DRO/{tisk}/p\xc5\x99\xc3\xadloha.pdf", "%PDF");
    // Line 5 "N" still means true; a quoted value keeps its comma; an
    // unquoted comma splits; code page 852 paths are converted.
    params(" blank\r\n  text.txt \r\nfaktura.pdf\r\n\"C:\\out,1.pdf\"\r\nN\r\n255  0\r\n"
           "vodoznak.png\r\np\xfd\xa1loha.pdf\r\nheslo,zbytek\r\n");
    Job job(windows, registry);
    ASSERT_TRUE(job.CtiParametry("$ param.txt"));
    EXPECT_EQ(job.TypTiskopisu, "BLANK");
    EXPECT_EQ(job.FandFile, "text.txt");
    EXPECT_EQ(job.PDFFile, "C:\\out,1.pdf");
    EXPECT_TRUE(job.SaveFlag);
    EXPECT_EQ(job.TextColor, (std::vector<std::string>{"255", "", "0"}));
    EXPECT_EQ(job.PrilohaFile, "příloha.pdf");
    EXPECT_EQ(job.Heslo, "heslo");

    // Lines ended by LF alone or by CR alone read the same.
    for (const char* end : {"\n", "\r"}) {
        std::string text = kGoodParams;
        for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;)
            text.replace(at, 2, end);
        params(text);
        ASSERT_TRUE(job.CtiParametry("$ param.txt"));
        EXPECT_EQ(job.TypTiskopisu, "FAKT");
        EXPECT_EQ(job.PDFFile, "C:\\DRO\\out.pdf");
        EXPECT_EQ(job.Heslo, "");
    }

    params(kGoodParams);
    ASSERT_TRUE(job.CtiParametry("$ param.txt"));
    EXPECT_FALSE(job.SaveFlag);
    EXPECT_EQ(job.TextColor, (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(job.Heslo, "");
}

TEST_F(DriverTest, BadCommandLinesEndSilently) {
    params(kGoodParams);
    for (const char* line : {"", "$", "$  param.txt", "# param.txt", "$ param.txt x"}) {
        EXPECT_EQ(run(line), JobOutcome::EndedSilently) << line;
    }
    EXPECT_TRUE(ui.shown().empty());
    EXPECT_TRUE(calls.empty());
}

TEST_F(DriverTest, ParameterErrorsShowTheirMessage) {
    struct Case {
        std::string params;
        std::string line2;
    };
    const std::vector<Case> cases = {
        {"FAKTURA\r\n", " 601: Nepodporovaný tiskopis."},
        {"FAKT\r\ntext.txt\r\n\r\nout.pdf\r\n\r\n\r\n\r\n\r\n\r\n",
         " 602: Chybí soubor předlohy ()."},
        {"FAKT\r\ntext.txt\r\nC:\\DRO\\{tisk}\\n\xa0vrh.pdf\r\n", " 602: Chybí soubor předlohy "
                                                                  "(C:\\DRO\\{tisk}\\návrh.pdf)."},
        {"FAKT\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\nznak.png\r\n\r\n\r\n",
         " 603: Chybí soubor s obrázkem (znak.png)."},
        {"FAKT\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\n\r\nC:\\DRO\r\n\r\n",
         " 604: Chybí soubor přílohy (C:\\DRO)."},
        {"FAKT\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\n\r\n\r\n",
         " 62: Chyba při čtení parametrů."},
        {std::string("FAKT\r\ntext\0.txt\r\n", 16), " 9: Chyba při čtení parametrů."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        ui.clearShown();
        params(c.params);
        EXPECT_EQ(run(), JobOutcome::Failed);
        EXPECT_EQ(onlyMessage(), general(c.line2));
        EXPECT_EQ(ui.shown().back().title, "Hlášení programu Listar2...");
        EXPECT_EQ(ui.shown().back().style, platform::kMbOk | platform::kMbIconInformation);
        EXPECT_TRUE(calls.empty()); // no document object was created
    }
    ui.clearShown();
    EXPECT_EQ(run("$ C:\\DRO\\chybi.txt"), JobOutcome::Failed);
    EXPECT_EQ(onlyMessage(), general(" 53: Chyba při čtení parametrů."));
}

TEST_F(DriverTest, JobErrorsAfterTheDocumentWasCreated) {
    struct Case {
        std::string params;
        std::string text;
        std::string failCall;
        std::string line2;
    };
    const std::string fakt = "FAKT\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n";
    const std::vector<Case> cases = {
        {"FAKT\r\nchybi.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\n\r\n\r\n\r\n", "", "",
         " 53: Chyba při čtení Fand souboru (CtiFandFile)."},
        {fakt + "\r\n\r\n\r\n\r\n", ".po x\r\nbody", "",
         " 13: Chyba při čtení Fand souboru (CtiFandFile)."},
        {"V\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\n\r\n\r\n\r\n", "text", "",
         " 91: Proměnná objektu nebo proměnná bloku With není nastavena."},
        {fakt + "255 0\r\n\r\n\r\n\r\n", "text", "",
         " 9: Chyba při generování PDF souboru (MakePDF)."},
        {fakt + "\r\n\r\n\r\n\r\n", "text", "DrawText",
         " 70: Chyba při generování PDF souboru (MakePDF)."},
        {fakt + "\r\n\r\n\r\n\r\n", "text", "SaveDocument", " 70: failure of SaveDocument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        ui.clearShown();
        calls.clear();
        params(c.params);
        write("DRO/{tisk}/text.txt", c.text);
        failCall = c.failCall;
        EXPECT_EQ(run(), JobOutcome::Failed);
        EXPECT_EQ(onlyMessage(), general(c.line2));
        EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::string& call) {
            return call.starts_with("SaveDocument");
        }));
    }
}

// Failures that are no numbered error (memory exhausted while reading a
// file, an indent that would multiply a large printout) get the text of the
// procedure they happened in, with number 7.
TEST_F(DriverTest, MemoryFailuresGetTheProcedureText) {
    const std::string fakt = "FAKT\r\ntext.txt\r\nfaktura.pdf\r\nout.pdf\r\n\r\n\r\n\r\n\r\n\r\n";
    std::string printout = ".po 32767\r\n";
    for (int i = 0; i < 40000; ++i)
        printout += "x\r\n";
        // A file of a terabyte (sparse) that the job tries to read whole. Under
        // AddressSanitizer a failed allocation ends the process instead.
#if defined(__SANITIZE_ADDRESS__)
    const bool canFailAllocation = false;
#else
    const bool canFailAllocation = true;
#endif
    const auto huge = [this](const std::string& relative) {
        write(relative, "");
        fs::resize_file(prefix + "/drive_c/" + relative, std::uintmax_t{1} << 40);
    };
    struct Case {
        std::function<void()> setUp;
        std::string line2;
    };
    const std::vector<Case> cases = {
        {[&] { huge("DRO/{tisk}/param.txt"); }, " 7: Chyba při čtení parametrů."},
        {[&] {
             params(fakt);
             huge("DRO/{tisk}/text.txt");
         },
         " 7: Chyba při čtení Fand souboru (CtiFandFile)."},
        {[&] {
             params(fakt);
             write("DRO/{tisk}/text.txt", printout);
         },
         " 7: Chyba při čtení Fand souboru (CtiFandFile)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        if (!canFailAllocation && &c != &cases.back())
            continue;
        ui.clearShown();
        calls.clear();
        c.setUp();
        EXPECT_EQ(run(), JobOutcome::Failed);
        EXPECT_EQ(onlyMessage(), general(c.line2));
        EXPECT_TRUE(std::none_of(calls.begin(), calls.end(),
                                 [](const std::string& call) { return call.starts_with("Draw"); }));
    }
    // Below the limit the large printout is indented line by line.
    std::string text = ".po 900\r\n" + printout.substr(printout.find('x'));
    mdlGlob::ApplyDotCommands(text);
    EXPECT_EQ(text.size(), 40001u * 900 + 40000 * 3);
    EXPECT_EQ(text.substr(901, 902), "\r\n" + std::string(900, ' '));
}

TEST_F(DriverTest, SuccessfulJobRendersAndSaves) {
    params("DODL\r\ntext.txt\r\nfaktura.pdf\r\nC:\\DRO\\Out.pdf\r\nA\r\n\r\n\r\n\r\nheslo\r\n");
    write("DRO/{tisk}/text.txt", ".po 2\r\nA\r\n");
    EXPECT_EQ(run(), JobOutcome::Saved);
    EXPECT_TRUE(ui.shown().empty());
    // The ".po 2" header is gone and every line is indented by two.
    ASSERT_GE(calls.size(), 9u);
    EXPECT_EQ(calls.front(), "OpenPdf(faktura.pdf,)");
    const std::vector<std::string> tail(calls.end() - 9, calls.end());
    const std::vector<std::string> expected = {
        "SetPassword(heslo)", "DrawText( )",        "DrawText( )",
        "DrawText(A)",        "MoveTextTo(1,34.4)", "DrawText( )",
        "DrawText( )",        "FinishDocument",     "SaveDocument(C:\\DRO\\Out.pdf,1)"};
    EXPECT_EQ(tail, expected);

    // The document resolves the package's paths on this machine: relative to
    // the current folder, and the upper-cased continuation template too.
    write("DRO/{tisk}/faktura2.pdf", "%PDF");
    EXPECT_TRUE(fs::equivalent(host.resolvePath("FAKTURA.PDF"),
                               prefix + "/drive_c/DRO/{tisk}/faktura.pdf"));
    EXPECT_TRUE(fs::equivalent(host.resolvePath("C:\\DRO\\{TISK}\\FAKTURA2.PDF"),
                               prefix + "/drive_c/DRO/{tisk}/faktura2.pdf"));
    EXPECT_EQ(host.resolvePath("/etc/hostname"), "/etc/hostname");

    // The flag opens only a PDF: the shell would run an output named .exe
    // (here a program that leaves a mark).
    const std::string program = prefix + "/drive_c/DRO/Out.exe";
    std::ofstream(program) << "#!/bin/sh\ntouch '" << root << "/started'\n";
    fs::permissions(program, fs::perms::owner_all);
    host.openInViewer(program);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(root + "/started"));
}

TEST(DotCommandsTest, IndentationAndHeaders) {
    const auto apply = [](std::string text) {
        mdlGlob::ApplyDotCommands(text);
        return text;
    };
    EXPECT_EQ(apply(".po 5\r\nA\r\nB"), "     A\r\n     B");
    EXPECT_EQ(apply(".ti Nadpis\r\n.po 4\r\nA\r\n"), "    A\r\n    ");
    EXPECT_EQ(apply(".ti Nadpis\r\nA\r\n"), ".ti Nadpis\r\nA\r\n");
    EXPECT_EQ(apply(".po 5\r\n"), "     ");
    EXPECT_EQ(apply(".po 1\r\n.po 2\r\nA"), std::string(12, ' ') + "A");
    EXPECT_EQ(apply(".po 0\r\nA\r\nB"), "A\r\nB");
    // A dot line that starts after character 50 is body text.
    const std::string longTitle = ".ti " + std::string(50, 'x') + "\r\n";
    EXPECT_EQ(apply(longTitle + ".po 3\r\nA"), longTitle + ".po 3\r\nA");
    EXPECT_TRUE(mdlGlob::StartsWithDotCommand(".po 1"));
    EXPECT_FALSE(mdlGlob::StartsWithDotCommand(".PO 1"));
    EXPECT_FALSE(mdlGlob::StartsWithDotCommand(".po"));
}

TEST(DotCommandsTest, BadValuesFailWithTheirNumbers) {
    const auto errorOf = [](std::string text) {
        try {
            mdlGlob::ApplyDotCommands(text);
        } catch (const NumberedError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(".po 5"), 13); // no line end at all
    EXPECT_EQ(errorOf(".po x\r\nA"), 13);
    EXPECT_EQ(errorOf(".po 5\r\n.xx\r\nA"), 13); // other dot-commands join the number
    EXPECT_EQ(errorOf(".po 40000\r\nA"), 6);
    EXPECT_EQ(errorOf(".po 99999999999999999999\r\nA"), 6);
    EXPECT_EQ(errorOf(".po -2\r\nA"), 5);
}

class LibrarySetupTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        registry = ProgIdRegistry(); // the library is not installed
        params(kGoodParams);
        fs::create_directories(root + "/bin");
        oldPath = std::getenv("PATH");
        setenv("PATH", (root + "/bin:" + oldPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath.c_str(), 1); }
    void viewer(bool present) {
        std::ofstream(root + "/bin/xdg-mime") << "#!/bin/sh\n"
                                              << (present ? "echo okular.desktop\n" : "exit 0\n");
        fs::permissions(root + "/bin/xdg-mime", fs::perms::owner_all);
    }
    void setupProgram() {
        const std::string path = prefix + "/drive_c/DRO/{tisk}/SETUPCP.EXE";
        std::ofstream(path) << "#!/bin/sh\ntouch '" << root << "/started'\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    bool started() {
        for (int i = 0; i < 100 && !fs::exists(root + "/started"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return fs::exists(root + "/started");
    }
    std::vector<std::string> texts() {
        std::vector<std::string> t;
        for (const auto& s : ui.shown()) {
            t.push_back(s.text);
        }
        return t;
    }

    std::string oldPath;
    const std::string question = "Před prvním spuštěním programu na tvorbu PDF \r"
                                 "tiskopisů je nutné nainstalovat do systému \r"
                                 "nezbytnou podporu. Chcete to provést hned? \r"
                                 "(Instaluje se pouze jeden soubor.)";
    const std::string noViewer = "V systému ještě chybí program k prohlížení a tisku\r"
                                 "PDF souborů. Ten si můžete doinstalovat z našeho\r"
                                 "distribučního CD nebo ze stránek www.bilko.cz\r"
                                 "z odkazu /Ke stažení (Program Adobe Reader).";
    const std::string noSetup = "Nelze spustit instalaci TiskPDF\r"
                                "protože chybí soubor {TISK}\\SETUPCP.EXE.\r"
                                "Zavolejte hot-line bilko.";
};

TEST_F(LibrarySetupTest, AnswerNoShowsNothingMore) {
    setupProgram();
    ui.answer("Ne");
    EXPECT_EQ(run(), JobOutcome::Failed);
    EXPECT_EQ(texts(), std::vector<std::string>{question});
    EXPECT_EQ(ui.shown()[0].title, "Dotaz...");
    EXPECT_EQ(ui.shown()[0].style,
              platform::kMbYesNo | platform::kMbIconQuestion | platform::kMbSystemModal);
    EXPECT_FALSE(fs::exists(root + "/started"));
}

TEST_F(LibrarySetupTest, NoViewerIsToldThenTheInstallerStarts) {
    viewer(false);
    setupProgram();
    ui.answer("Ano");
    EXPECT_EQ(run(), JobOutcome::Failed);
    EXPECT_EQ(texts(), (std::vector<std::string>{question, noViewer}));
    EXPECT_TRUE(started());
}

TEST_F(LibrarySetupTest, WithViewerAndWithoutInstaller) {
    viewer(true);
    ui.answer("Ano");
    // The text file is missing too: the document object comes first.
    write("DRO/{tisk}/text.txt", "");
    fs::remove(prefix + "/drive_c/DRO/{tisk}/text.txt");
    EXPECT_EQ(run(), JobOutcome::Failed);
    EXPECT_EQ(texts(), (std::vector<std::string>{question, noSetup}));
    EXPECT_EQ(ui.shown()[1].title, "Hlášení programu Listar2...");
}

TEST_F(LibrarySetupTest, MissingTemplateIsReportedBeforeTheLibraryIsNeeded) {
    params("FAKT\r\ntext.txt\r\nchybi.pdf\r\nout.pdf\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(run(), JobOutcome::Failed);
    EXPECT_EQ(texts(),
              std::vector<std::string>{general(" 602: Chybí soubor předlohy (chybi.pdf).")});
}

TEST(MdlApiTest, TrimNull) {
    EXPECT_EQ(mdlAPI::TrimNull(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(mdlAPI::TrimNull("abc"), "abc");
    EXPECT_EQ(mdlAPI::TrimNull(std::string("\0", 1)), "");
}

TEST(ConsoleUserInterfaceTest, WritesTitleAndLinesAndAsksOnlyOnATerminal) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    std::vector<std::string> replies{"možná", "Ano"};
    ConsoleUserInterface terminal(out, true, [&]() -> std::optional<std::string> {
        if (replies.empty()) {
            return std::nullopt;
        }
        std::string r = replies.front();
        replies.erase(replies.begin());
        return r;
    });
    EXPECT_EQ(terminal.messageBox("a\rb", "Titul", platform::kMbOk), platform::kIdOk);
    EXPECT_EQ(terminal.messageBox("?", "Dotaz...", platform::kMbYesNo), platform::kIdYes);
    EXPECT_EQ(terminal.messageBox("?", "Dotaz...", platform::kMbYesNo), platform::kIdNo); // EOF
    ConsoleUserInterface pipe(out, false, [] { return std::optional<std::string>("Ano"); });
    EXPECT_EQ(pipe.messageBox("?", "Dotaz...", platform::kMbYesNo), platform::kIdNo);
    std::fclose(out);
    EXPECT_EQ(std::string(buffer, size), "Titul\na\nb\nDotaz...\n?\n[Ano/Ne] [Ano/Ne] "
                                         "Dotaz...\n?\n[Ano/Ne] \nDotaz...\n?\n");
    std::free(buffer);
}

} // namespace
} // namespace pdfforms
