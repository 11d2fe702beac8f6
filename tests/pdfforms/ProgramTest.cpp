// Whole print jobs of the Listar2 program on the example jobs, in an
// emulated Windows of their own, checked with independent PDF tools.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "TestMachine.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string quote(const std::string& s) {
    return testmachine::shellQuote(s);
}

// A word of pdftotext -bbox: its text and where it starts on the page.
struct Word {
    std::string text;
    double x = 0;
    double y = 0;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = root + "/wine";
        tisk = prefix + "/drive_c/DRO2015/{tisk}";
        pdfDir = prefix + "/drive_c/DRO2015/PDF";
        fs::create_directories(tisk);
        fs::create_directories(pdfDir);
        for (const auto& e : fs::directory_iterator(EXAMPLES_DIR "/tisk")) {
            fs::copy(e.path(), tisk + "/" + e.path().filename().string());
        }
    }

    // Runs a shell command in the print folder with the prefix as the
    // emulated Windows, without a terminal.
    Outcome sh(const std::string& command) {
        const std::string line = "cd " + quote(tisk) + " && WINEPREFIX=" + quote(prefix) + " " +
                                 command + " </dev/null >" + quote(root + "/out") + " 2>" +
                                 quote(root + "/err");
        Outcome o;
        o.status = testmachine::runHostCommand(line).status;
        o.out = slurp(root + "/out");
        o.err = slurp(root + "/err");
        return o;
    }
    Outcome listar2(const std::string& arguments) {
        return sh(quote(LISTAR2_PATH) + " " + arguments);
    }
    Outcome job(const std::string& parFile) {
        return listar2("'$' " + quote("C:\\DRO2015\\{tisk}\\" + parFile));
    }
    // Writes a parameter file (lines joined by CR LF, code page 852 bytes).
    void params(const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream out(tisk + "/" + name, std::ios::binary);
        for (const std::string& l : lines) {
            out << l << "\r\n";
        }
    }
    std::vector<std::string> pdfsWritten() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(pdfDir)) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }
    std::vector<Word> words(const std::string& pdf, int page) {
        const Outcome o = sh("pdftotext -bbox -f " + std::to_string(page) + " -l " +
                             std::to_string(page) + " " + quote(pdf) + " -");
        std::vector<Word> result;
        static const std::regex word(
            R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">([^<]*)</word>)re");
        for (std::sregex_iterator it(o.out.begin(), o.out.end(), word), end; it != end; ++it) {
            result.push_back({(*it)[3], std::stod((*it)[1]), std::stod((*it)[2])});
        }
        return result;
    }
    static const Word* find(const std::vector<Word>& ws, const std::string& text, int nth = 0) {
        for (const Word& w : ws) {
            if (w.text == text && nth-- == 0) {
                return &w;
            }
        }
        return nullptr;
    }
    std::string layout(const std::string& pdf, const std::string& options = "") {
        return sh("pdftotext -layout " + options + " " + quote(pdf) + " -").out;
    }
    int pages(const std::string& pdf, const std::string& options = "") {
        const Outcome o = sh("pdfinfo " + options + " " + quote(pdf));
        std::smatch m;
        if (std::regex_search(o.out, m, std::regex(R"(Pages:\s+(\d+))"))) {
            return std::stoi(m[1]);
        }
        return -1;
    }
    void expectClean(const std::string& pdf, const std::string& options = "") {
        const Outcome o = sh("qpdf --check " + options + " " + quote(pdf));
        EXPECT_EQ(o.status, 0) << o.out << o.err;
        EXPECT_NE(o.out.find("No syntax or stream encoding errors"), std::string::npos) << o.out;
    }
    static std::string message(const std::string& line2) {
        return "Hlášení programu Listar2...\nChyba programu Listar2:\n" + line2 +
               "\nTiskopis se nevytvoří.\n";
    }

    testmachine::TempFolder folder{"listar2-program"};
    std::string root = folder.path(), prefix, tisk, pdfDir;
};

TEST_F(ProgramTest, CommandLineOptionsAndSilentEnds) {
    Outcome o = listar2("--help");
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.starts_with("Použití: Listar2 $ <soubor parametrů>")) << o.out;
    o = listar2("--version");
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.starts_with("Listar2 ")) << o.out;
    // Not a print job: no message, no file read, status 2.
    for (const char* args :
         {"", "'$'", "'$  faktura.par'", "'$' faktura.par x", "'#' faktura.par", "--help x"}) {
        o = listar2(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_EQ(o.err, "") << args;
    }
    EXPECT_TRUE(pdfsWritten().empty());
}

TEST_F(ProgramTest, ParameterErrorsShowTheirMessageAndWriteNoPdf) {
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    struct Case {
        std::vector<std::string> lines;
        std::string line2;
    };
    const std::vector<Case> cases = {
        {{"FAKTURA"}, " 601: Nepodporovaný tiskopis."},
        {{"FAKT", t + "faktura.txt", "", t + "..\\PDF\\x.pdf", "", "", "", "", ""},
         " 602: Chybí soubor předlohy ()."},
        {{"FAKT", t + "faktura.txt", t + "NEN\xd6.PDF", "x.pdf"},
         " 602: Chybí soubor předlohy (C:\\DRO2015\\{TISK}\\NENÍ.PDF)."},
        {{"FAKT", t + "faktura.txt", t + "faktura.pdf", "x.pdf", "", "", t + "logo.png"},
         " 603: Chybí soubor s obrázkem (C:\\DRO2015\\{TISK}\\logo.png)."},
        {{"FAKT", t + "faktura.txt", t + "faktura.pdf", "x.pdf", "", "", "", "C:\\DRO2015"},
         " 604: Chybí soubor přílohy (C:\\DRO2015)."},
        {{"FAKT", t + "faktura.txt", t + "faktura.pdf", "x.pdf", "", "", "", ""},
         " 62: Chyba při čtení parametrů."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        params("chyba.par", c.lines);
        const Outcome o = job("chyba.par");
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, message(c.line2));
    }
    const Outcome o = job("chybi.par");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, message(" 53: Chyba při čtení parametrů."));
    EXPECT_TRUE(pdfsWritten().empty());
}

TEST_F(ProgramTest, JobErrorsAfterTheParametersShowTheirMessageAndWriteNoPdf) {
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    const std::string out = "C:\\DRO2015\\PDF\\chyba.pdf";
    std::ofstream(tisk + "/po.txt", std::ios::binary) << ".po x\r\nText\r\n";
    std::ofstream(tisk + "/ff.txt", std::ios::binary) << "Strana 1\r\n\fStrana 2\r\n";
    fs::copy(tisk + "/faktura.pdf", tisk + "/jiny.pdf");
    struct Case {
        std::vector<std::string> lines;
        std::string line2; // the message's second line, or its end
    };
    const std::vector<Case> cases = {
        {{"FAKT", t + "chybi.txt", t + "faktura.pdf", out, "", "", "", "", ""},
         " 53: Chyba při čtení Fand souboru (CtiFandFile)."},
        {{"FAKT", t + "po.txt", t + "faktura.pdf", out, "", "", "", "", ""},
         " 13: Chyba při čtení Fand souboru (CtiFandFile)."},
        {{"V", t + "dodlist.txt", t + "faktura.pdf", out, "", "", "", "", ""},
         " 91: Proměnná objektu nebo proměnná bloku With není nastavena."},
        {{"FAKT", t + "dodlist.txt", t + "faktura.pdf", out, "", "255 0", "", "", ""},
         " 9: Chyba při generování PDF souboru (MakePDF)."},
        // The continuation template JINY2.PDF does not exist.
        {{"FAKT", t + "ff.txt", t + "jiny.pdf", out, "", "", "", "", ""},
         ": Chyba při generování PDF souboru (MakePDF)."},
        // The output's drive does not exist: the host finds no such file and
        // raises the document's own number for it.
        {{"FAKT", t + "dodlist.txt", t + "faktura.pdf", "Q:\\chyba.pdf", "", "", "", "", ""},
         "-2147024894: Soubor nebyl nalezen (Q:\\chyba.pdf)."},
        // The output folder does not exist: the library's save fails.
        {{"FAKT", t + "dodlist.txt", t + "faktura.pdf", "C:\\NENI\\chyba.pdf", "", "", "", "", ""},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2);
        params("chyba.par", c.lines);
        const Outcome o = job("chyba.par");
        EXPECT_EQ(o.status, 1);
        if (c.line2.starts_with(" ")) {
            EXPECT_EQ(o.err, message(c.line2));
        } else {
            EXPECT_TRUE(o.err.starts_with("Hlášení programu Listar2...\nChyba programu Listar2:\n"))
                << o.err;
            EXPECT_NE(o.err.find(c.line2 + "\nTiskopis se nevytvoří.\n"), std::string::npos)
                << o.err;
        }
    }
    EXPECT_TRUE(pdfsWritten().empty());
    EXPECT_FALSE(fs::exists(prefix + "/drive_c/NENI"));
}

TEST_F(ProgramTest, InvoicesWithWatermarkAttachmentAndContinuation) {
    const Outcome o = job("faktura.par");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const std::string pdf = pdfDir + "/Faktura 2015-0412.pdf";
    expectClean(pdf);
    // Invoice 1, terms, invoice 2, its continuation page, terms; the final
    // form feed gives no page.
    EXPECT_EQ(pages(pdf), 5);
    const std::string text = layout(pdf);
    EXPECT_NE(text.find("Datum vystavení: 08.12.2015   Datum splatnosti: 22.12.2015"),
              std::string::npos);
    EXPECT_NE(text.find("Faktura č. 2015/0413 - pokračování"), std::string::npos);
    EXPECT_NE(text.find("│Pol.│Označení dodávky                │Množst.│Cena/ks   │Celkem Kč   │"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Obchodni podminky"), std::string::npos);

    // The watermark is on the first page of every form and nowhere else.
    const Outcome images = sh("pdfimages -list " + quote(pdf));
    std::vector<int> pagesWithImage;
    std::istringstream lines(images.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int page = 0;
        if (fields >> page) {
            pagesWithImage.push_back(page);
        }
    }
    EXPECT_EQ(pagesWithImage, (std::vector<int>{1, 3})) << images.out;

    // Columns: the text starts at the left margin (1 point) in 10 characters
    // per inch, also on page 1 where the watermark changed the resolution.
    for (int page : {1, 3}) {
        const std::vector<Word> ws = words(pdf, page);
        const Word* supplier = find(ws, "Dodavatel:");
        const Word* customer = find(ws, "Odběratel:");
        ASSERT_TRUE(supplier && customer) << page;
        EXPECT_NEAR(customer->x - supplier->x, 40 * 7.2, 0.5);
        EXPECT_NEAR(supplier->x, 1 + 2 * 7.2, 0.5); // the form's lines are indented by two
        EXPECT_NEAR(supplier->y, 22.5 + 2 * 11.9, 3.0);
        // The title line; on a new form the marker before it is one blank cell.
        const double titleX = 1 + (page == 3 ? 7.2 : 0);
        EXPECT_TRUE(std::any_of(ws.begin(), ws.end(), [&](const Word& w) {
            return w.text == "FAKTURA" && std::fabs(w.x - titleX) < 0.5;
        })) << page;
    }
}

TEST_F(ProgramTest, DeliveryNoteIsProtectedByItsPassword) {
    const Outcome o = job("dodlist.par");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string pdf = pdfDir + "/Dodací list DL-0815.pdf";
    EXPECT_EQ(pages(pdf), -1); // does not open without the password
    EXPECT_EQ(pages(pdf, "-upw dro2015"), 1);
    expectClean(pdf, "--password=dro2015");
    EXPECT_NE(layout(pdf, "-upw dro2015").find("Příjemce: Pekárna U Řeky, Nábřeží 3"),
              std::string::npos);
}

TEST_F(ProgramTest, OrderTextGoesOntoTheLastTemplatePage) {
    const Outcome o = job("objednav.par");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string pdf = pdfDir + "/Objednávka OBJ-15-077.pdf";
    expectClean(pdf);
    EXPECT_EQ(pages(pdf), 2);
    EXPECT_EQ(find(words(pdf, 1), "Objednáváme"), nullptr);
    EXPECT_NE(find(words(pdf, 2), "Objednáváme"), nullptr);
}

TEST_F(ProgramTest, ConsignmentListIn17PitchOverTwoPages) {
    const Outcome o = job("zasilky.par");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string pdf = pdfDir + "/Seznam zásilek.pdf";
    expectClean(pdf);
    EXPECT_EQ(pages(pdf), 2);
    const std::vector<Word> ws = words(pdf, 1);
    const Word* first = find(ws, "RR123400000CZ");
    ASSERT_NE(first, nullptr);
    EXPECT_NEAR(first->x, 3 + 8 * 7.2 * 10 / 17, 0.5);
    EXPECT_NE(find(words(pdf, 2), "pokračování"), nullptr);
}

TEST_F(ProgramTest, PlainReportIsIndentedByItsPoLine) {
    const Outcome o = job("sestava.par");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string pdf = pdfDir + "/Pohledávky.pdf";
    expectClean(pdf);
    EXPECT_EQ(pages(pdf), 3);
    const std::vector<Word> ws = words(pdf, 1);
    const Word* a = find(ws, "FV2015/0100");
    const Word* b = find(ws, "FV2015/0101");
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(a->x, 14 + 4 * 7.2, 0.5); // left margin and four spaces
    EXPECT_NEAR(b->y - a->y, 11.9, 0.1);
    const std::string text = layout(pdf);
    EXPECT_EQ(text.find(".ti "), std::string::npos);
    EXPECT_EQ(text.find(".po "), std::string::npos);
    EXPECT_NE(text.find("Účetní kancelář Hájek"), std::string::npos);
}

} // namespace

// Broken and hostile input: each job ends with the general error message,
// leaves no PDF and no part of one, and keeps the PDF that was there.
TEST_F(ProgramTest, BrokenInputEndsWithTheMessageAndKeepsTheOldPdf) {
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    const std::string out = "C:\\DRO2015\\PDF\\stary.pdf";
    std::ofstream(pdfDir + "/stary.pdf", std::ios::binary) << "old";
    std::ofstream(tisk + "/text.pdf", std::ios::binary) << "Toto neni PDF.\r\n";
    const std::string pdfBytes = slurp(tisk + "/faktura.pdf");
    std::ofstream(tisk + "/kus.pdf", std::ios::binary) << pdfBytes.substr(0, 40);
    ASSERT_EQ(sh("qpdf --encrypt heslo vlastnik 256 -- faktura.pdf zamceny.pdf").status, 0);
    const std::string png = slurp(tisk + "/vodoznak.png");
    std::ofstream(tisk + "/kus.png", std::ios::binary) << png.substr(0, png.size() / 3);
    std::ofstream(tisk + "/obr.gif", std::ios::binary) << "GIF89a\x01\x00\x01\x00";
    std::ofstream(tisk + "/nula.txt", std::ios::binary) << std::string("Nula\0tady", 9);

    const std::vector<std::vector<std::string>> jobs = {
        {"FAKT", t + "dodlist.txt", t + "text.pdf", out, "", "", "", "", ""},
        {"FAKT", t + "dodlist.txt", t + "kus.pdf", out, "", "", "", "", ""},
        {"FAKT", t + "dodlist.txt", t + "zamceny.pdf", out, "", "", "", "", ""},
        {"FAKT", t + "dodlist.txt", t + "faktura.pdf", out, "", "", t + "kus.png", "", ""},
        {"FAKT", t + "dodlist.txt", t + "faktura.pdf", out, "", "", t + "obr.gif", "", ""},
        {"FAKT", t + "dodlist.txt", t + "faktura.pdf", out, "", "", "", t + "text.pdf", ""},
        {"FAKT", t + "nula.txt", t + "faktura.pdf", out, "", "", "", "", ""},
    };
    for (const auto& lines : jobs) {
        SCOPED_TRACE(lines[1] + " " + lines[2] + " " + lines[6] + " " + lines[7]);
        params("zly.par", lines);
        const Outcome o = job("zly.par");
        EXPECT_EQ(o.status, 1);
        EXPECT_TRUE(o.err.starts_with("Hlášení programu Listar2...\nChyba programu Listar2:\n"))
            << o.err;
        EXPECT_TRUE(o.err.ends_with("\nTiskopis se nevytvoří.\n")) << o.err;
        EXPECT_EQ(pdfsWritten(), std::vector<std::string>{"stary.pdf"});
        EXPECT_EQ(slurp(pdfDir + "/stary.pdf"), "old");
    }
}

// Every byte value but 0 is printable text: the job renders all of it.
TEST_F(ProgramTest, EveryByteValueRenders) {
    std::string text;
    for (int line = 0; line < 8; ++line) {
        for (int b = 1; b < 256; ++b)
            if (b != 12 && b != 13)
                text += static_cast<char>(b);
        text += "\r\n";
    }
    std::ofstream(tisk + "/bajty.txt", std::ios::binary) << text;
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    params("bajty.par", {"BLANK", t + "bajty.txt", t + "sestava.pdf", "C:\\DRO2015\\PDF\\b.pdf", "",
                         "", "", "", ""});
    const Outcome o = job("bajty.par");
    ASSERT_EQ(o.status, 0) << o.err;
    expectClean(pdfDir + "/b.pdf");
    EXPECT_NE(layout(pdfDir + "/b.pdf").find("0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
              std::string::npos);
}

// A disk that fills up while the PDF is written (here: the file-size limit)
// is reported; no part of the new file stays and the old file is whole.
TEST_F(ProgramTest, DiskFullDuringTheSaveKeepsTheOldPdf) {
    std::string line;
    for (int i = 0; i < 78; ++i)
        line += static_cast<char>('!' + (i * 7) % 90);
    std::string text;
    for (int page = 0; page < 200; ++page) {
        for (int l = 0; l < 60; ++l)
            text += line + "\r\n";
        text += "\f";
    }
    std::ofstream(tisk + "/velky.txt", std::ios::binary) << text;
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    params("velky.par", {"BLANK", t + "velky.txt", t + "sestava.pdf", "C:\\DRO2015\\PDF\\v.pdf", "",
                         "", "", "", ""});
    std::ofstream(pdfDir + "/v.pdf", std::ios::binary) << "old";
    const Outcome o = sh("sh -c " + quote("ulimit -f 64; exec " + quote(LISTAR2_PATH) + " '$' " +
                                          quote("C:\\DRO2015\\{tisk}\\velky.par")));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Soubor PDF nelze uložit: C:\\DRO2015\\PDF\\v.pdf"), std::string::npos)
        << o.err;
    EXPECT_EQ(pdfsWritten(), std::vector<std::string>{"v.pdf"});
    EXPECT_EQ(slurp(pdfDir + "/v.pdf"), "old");
    // Without the limit the same job is saved.
    EXPECT_EQ(job("velky.par").status, 0);
    EXPECT_EQ(pages(pdfDir + "/v.pdf"), 200);
}

// Host paths in the parameter file are matched without regard to case too,
// so the upper-cased continuation template of a host path is found.
TEST_F(ProgramTest, HostPathsFindTheContinuationTemplate) {
    std::ofstream(tisk + "/dve.txt", std::ios::binary) << "Strana 1\r\n\fStrana 2\r\n";
    params("host.par", {"BLANK", tisk + "/dve.txt", tisk + "/sestava.pdf", pdfDir + "/h.pdf", "",
                        "", "", "", ""});
    const Outcome o = job("host.par");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(pages(pdfDir + "/h.pdf"), 2);
}

// A FAND text of 50 MB (some ten thousand pages) is rendered and saved.
TEST_F(ProgramTest, FiftyMegabyteTextIsRendered) {
    std::string line;
    for (int i = 0; i < 78; ++i)
        line += static_cast<char>(i % 26 == 25 ? 0xB3 : 'a' + (i * 5) % 26);
    line += "\r\n";
    std::string page;
    for (int l = 0; l < 60; ++l)
        page += line;
    page += "\f";
    const std::size_t count = (50u << 20) / page.size() + 1;
    {
        std::ofstream out(tisk + "/velky.txt", std::ios::binary);
        for (std::size_t p = 0; p < count; ++p)
            out << page;
    }
    const std::string t = "C:\\DRO2015\\{TISK}\\";
    params("velky.par", {"BLANK", t + "velky.txt", t + "sestava.pdf", "C:\\DRO2015\\PDF\\v.pdf", "",
                         "", "", "", ""});
    const Outcome o = job("velky.par");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(pages(pdfDir + "/v.pdf"), static_cast<int>(count));
    fs::remove(tisk + "/velky.txt");
}
