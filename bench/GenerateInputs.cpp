// Writes the inputs of the benchmarks: FAND texts in code page 852 with
// printer control codes, the same texts in UTF-8 for the other tools, and
// the parameter files of the print jobs. Two kinds of text: a report of
// words with Czech letters, box lines and many bold words, and, written
// apart from it, a listing of receivables and invoices of item lines as an
// accounting package prints them (numbers, dates, names, columns), the
// invoices on a template that Ghostscript makes from invoice-form.ps.
//
//   bench_inputs <output folder> <examples/tisk folder> [100000]
//
// With 100000, also the report of 100,000 pages (FAND text only, 487 MB).
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Code page 852 bytes of the characters the texts use, with their Unicode.
struct Glyph {
    unsigned char cp852;
    const char* utf8;
};
constexpr std::array<Glyph, 20> kCzech = {
    {{0xA0, "á"}, {0x9F, "č"}, {0xD4, "ď"}, {0x82, "é"}, {0xD8, "ě"}, {0xA1, "í"}, {0xE5, "ň"},
     {0xA2, "ó"}, {0xFD, "ř"}, {0xE7, "š"}, {0x9C, "ť"}, {0xA3, "ú"}, {0x85, "ů"}, {0xEC, "ý"},
     {0xA7, "ž"}, {0xAC, "Č"}, {0xFC, "Ř"}, {0xE6, "Š"}, {0xA6, "Ž"}, {0xB7, "Ě"}}};
constexpr Glyph kVertical{0xB3, "│"};
constexpr Glyph kHorizontal{0xC4, "─"};
constexpr Glyph kCross{0xC5, "┼"};

const char* const kWords[] = {"faktura",   "dodavatel", "odběratel", "částka",
                              "splatnost", "účet",      "množství",  "cena",
                              "sklad",     "zboží",     "Brno",      "Jihlava"};

// A text in both encodings at once.
struct Text {
    std::string fand, utf8;
    void ascii(const std::string& s) {
        fand += s;
        utf8 += s;
    }
    // UTF-8 text of ASCII and the letters of kCzech.
    void text(const std::string& s);
    void glyph(const Glyph& g) {
        fand += static_cast<char>(g.cp852);
        utf8 += g.utf8;
    }
    void control(char c) { fand += c; } // printer codes the other tools do not know
    void newline() {
        fand += "\r\n";
        utf8 += "\n";
    }
    void formFeed() {
        fand += '\f';
        utf8 += '\f';
    }
};

void Text::text(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ascii(std::string(1, s[i++]));
            continue;
        }
        bool known = false;
        for (const Glyph& g : kCzech)
            if (s.compare(i, std::strlen(g.utf8), g.utf8) == 0) {
                glyph(g);
                i += std::strlen(g.utf8);
                known = true;
                break;
            }
        if (!known) {
            std::fprintf(stderr, "bench_inputs: no code page 852 letter for %s\n", s.c_str() + i);
            std::exit(1);
        }
    }
}

// One line of exactly `width` characters: words with Czech letters, a table
// column of box lines, now and then a bold word.
void reportLine(Text& t, int n, int width) {
    int used = 0;
    if (n % 10 == 0) {
        for (; used < width; ++used)
            t.glyph(used % 13 == 12 ? kCross : kHorizontal);
        return;
    }
    unsigned seed = static_cast<unsigned>(n) * 2654435761u;
    while (used < width) {
        seed = seed * 1103515245u + 12345u;
        if (used % 26 == 25) {
            t.glyph(kVertical);
            ++used;
            continue;
        }
        const bool bold = (seed >> 20) % 17 == 0;
        if (bold)
            t.control('\x02');
        const std::string word = kWords[(seed >> 16) % 12];
        for (std::size_t i = 0; i < word.size() && used < width; ++i, ++used) {
            const unsigned char c = static_cast<unsigned char>(word[i]);
            if (c < 0x80) {
                t.ascii(std::string(1, word[i]));
            } else {
                t.glyph(kCzech[(seed >> 8) % kCzech.size()]);
                ++i; // the second byte of the UTF-8 letter
            }
        }
        if (bold)
            t.control('\x02');
        if (used < width) {
            t.ascii(" ");
            ++used;
        }
    }
}

Text report(int pages) {
    Text t;
    for (int p = 0; p < pages; ++p) {
        for (int l = 0; l < 60; ++l) {
            reportLine(t, p * 60 + l, 78);
            t.newline();
        }
        t.formFeed();
    }
    return t;
}

// Invoices: most take one page, every tenth a continuation page too; a form
// feed followed by the new-form marker starts the next one.
Text invoices(int forms) {
    Text t;
    for (int f = 0; f < forms; ++f) {
        if (f > 0) {
            t.formFeed();
            t.fand += static_cast<char>(0xB0);
            t.utf8 += ' ';
        }
        const int lines = f % 10 == 9 ? 70 : 35;
        for (int l = 0; l < lines; ++l) {
            if (l == 50)
                t.formFeed();
            reportLine(t, f * 100 + l, 70);
            t.newline();
        }
    }
    t.formFeed();
    return t;
}

// The independent kind: a small linear congruential generator, so that the
// texts are the same on every machine.
struct Random {
    unsigned long long state;
    unsigned next(unsigned n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((state >> 33) % n);
    }
};

const char* const kCustomers[] = {
    "Novák s.r.o.",   "Dvořák a syn",      "Černý Jiří",      "Procházka Eduard", "Kučera Tomáš",
    "Veselý Petr",    "Horák Martin",      "Němec Josef",     "Pokorný Jan",      "Marek Zdeněk",
    "Pospíšil Karel", "Hájek Oldřich",     "Jelínek Aleš",    "Růžička Radek",    "Beneš Vojtěch",
    "Fiala Ondřej",   "Sedláček Miloslav", "Doležal Jaroslav"};
const char* const kItems[] = {
    "Šroub M8x40 pozink", "Matice M8",         "Podložka 8,4",      "Hmoždinka 10x60",
    "Vrut do dřeva 4x40", "Lepidlo Chemoprén", "Silikon sanitární", "Kartáč ocelový",
    "Pilka na železo",    "Metr skládací 2 m", "Páska izolační",    "Žárovka LED 9 W",
    "Kabel CYKY 3x2,5",   "Zásuvka dvojitá",   "Spínač řazení 1",   "Trubka Cu 15x1",
    "Koleno 90 st. 15",   "Ventil kulový 1/2", "Barva email bílá",  "Ředidlo C 6000"};
const char* const kStates[] = {"zaplaceno", "po splatnosti", "částečně", "upomínka"};

// An amount as the package prints it: thousands apart, decimal comma.
std::string amount(unsigned long long hundredths) {
    // Built by appending: GCC 12's -Wrestrict misreads insert() here.
    const std::string digits = std::to_string(hundredths / 100);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ' ';
        text += digits[i];
    }
    char cents[8];
    std::snprintf(cents, sizeof cents, ",%02llu", hundredths % 100);
    text += cents;
    return text;
}

// Pads UTF-8 text with blanks to `width` characters.
std::string padded(const std::string& s, std::size_t width, bool right = false) {
    std::size_t chars = 0;
    for (unsigned char c : s)
        chars += (c & 0xC0) != 0x80;
    const std::string blanks(chars < width ? width - chars : 0, ' ');
    return right ? blanks + s : s + blanks;
}

// A listing of receivables: a bold heading with the page number, column
// heads between rules, then one line per document; 60 lines a page.
Text listing(int pages) {
    Text t;
    Random r{7};
    for (int p = 0; p < pages; ++p) {
        t.control('\x02');
        t.text(padded("Přehled pohledávek k 31.12.2024", 66) + "strana " +
               padded(std::to_string(p + 1), 5, true));
        t.control('\x02');
        t.newline();
        const std::string rule(78, '-');
        t.text(rule);
        t.newline();
        t.text("Datum      Doklad   Odběratel                        Částka     Stav");
        t.newline();
        t.text(rule);
        t.newline();
        for (int l = 4; l < 59; ++l) {
            char head[32];
            std::snprintf(head, sizeof head, "%02u.%02u.2024 FV%06u ", 1 + r.next(28),
                          1 + r.next(12), r.next(1000000));
            std::string line = head + padded(kCustomers[r.next(18)], 24) + " " +
                               padded(amount(1000 + r.next(25000000)), 14, true) + " Kč " +
                               kStates[r.next(4)];
            t.text(padded(line, 78));
            t.newline();
        }
        t.text(rule);
        t.newline();
        t.formFeed();
    }
    return t;
}

// Invoices of 22 to 28 item lines, one page each, a bold total at the end.
Text itemInvoices(int forms) {
    Text t;
    Random r{11};
    for (int f = 0; f < forms; ++f) {
        if (f > 0) {
            t.formFeed();
            t.fand += static_cast<char>(0xB0);
            t.utf8 += ' ';
        }
        for (int l = 0; l < 8; ++l)
            t.newline();
        char number[16];
        std::snprintf(number, sizeof number, "2024%05d", f + 1);
        t.text(std::string("      Faktura - daňový doklad č. ") + number);
        t.newline();
        t.text(std::string("      Odběratel: ") + kCustomers[r.next(18)]);
        t.newline();
        t.newline();
        unsigned long long total = 0;
        const unsigned lines = 22 + r.next(7);
        for (unsigned i = 1; i <= lines; ++i) {
            const unsigned quantity = 1 + r.next(500), price = 100 + r.next(90000);
            total += static_cast<unsigned long long>(quantity) * price;
            t.text("  " + padded(std::to_string(i), 3, true) + "  " +
                   padded(kItems[r.next(20)], 30) + " " +
                   padded(std::to_string(quantity), 5, true) + " ks " +
                   padded(amount(price), 10, true) + " " +
                   padded(amount(static_cast<unsigned long long>(quantity) * price), 12, true));
            t.newline();
        }
        t.newline();
        t.control('\x02');
        t.text("      Celkem k úhradě: " + padded(amount(total), 14, true) + " Kč");
        t.control('\x02');
        t.newline();
    }
    t.formFeed();
    return t;
}

// The invoice template, drawn as PostScript for Ghostscript's ps2pdf.
constexpr const char* kInvoiceForm = R"(%!PS
<< /PageSize [595 842] >> setpagedevice
/Helvetica-Bold findfont 16 scalefont setfont
40 790 moveto (FAKTURA - DANOVY DOKLAD) show
/Helvetica findfont 9 scalefont setfont
40 770 moveto (Dodavatel: Stavebniny Vysocina s.r.o., Jihlavska 12, 586 01 Jihlava) show
0.5 setlinewidth
30 30 535 780 rectstroke
30 740 moveto 565 740 lineto stroke
30 120 moveto 565 120 lineto stroke
40 100 moveto (Bankovni spojeni: 123456789/0800) show
40 85 moveto (Dekujeme za Vasi objednavku.) show
showpage
)";

void write(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string params(const std::string& type, const fs::path& text, const fs::path& tmpl,
                   const fs::path& out, const std::string& watermark, const std::string& password) {
    return type + "\r\n" + text.string() + "\r\n" + tmpl.string() + "\r\n" + out.string() +
           "\r\n\r\n0 0 0\r\n" + watermark + "\r\n\r\n" + password + "\r\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "100000")) {
        std::fprintf(stderr,
                     "usage: bench_inputs <output folder> <examples/tisk folder> [100000]\n");
        return 2;
    }
    const bool hundredThousand = argc == 4;
    const fs::path dir = fs::absolute(argv[1]);
    const fs::path examples = fs::absolute(argv[2]);
    fs::create_directories(dir);
    for (const char* f :
         {"sestava.pdf", "sestava2.pdf", "faktura.pdf", "faktura2.pdf", "vodoznak.png"})
        fs::copy_file(examples / f, dir / f, fs::copy_options::overwrite_existing);

    for (int pages : {10, 100, 1000, 10000}) {
        const std::string name = "report" + std::to_string(pages);
        const Text t = report(pages);
        write(dir / (name + ".txt"), t.fand);
        write(dir / (name + ".utf8.txt"), t.utf8);
        write(dir / (name + ".par"), params("BLANK", dir / (name + ".txt"), dir / "sestava.pdf",
                                            dir / (name + ".pdf"), "", ""));
    }
    write(dir / "report10000pw.par", params("BLANK", dir / "report10000.txt", dir / "sestava.pdf",
                                            dir / "report10000pw.pdf", "", "heslo"));
    const Text inv = invoices(1000);
    write(dir / "invoices.txt", inv.fand);
    write(dir / "invoices.utf8.txt", inv.utf8);
    write(dir / "invoices.par", params("FAKT", dir / "invoices.txt", dir / "faktura.pdf",
                                       dir / "invoices.pdf", (dir / "vodoznak.png").string(), ""));

    // A one-page job, and the report at 100,000 pages (Listar2 alone).
    const Text one = report(1);
    write(dir / "report1.txt", one.fand);
    write(dir / "report1.par",
          params("BLANK", dir / "report1.txt", dir / "sestava.pdf", dir / "report1.pdf", "", ""));
    if (hundredThousand) {
        std::ofstream big(dir / "report100000.txt", std::ios::binary | std::ios::trunc);
        const Text block = report(1000);
        for (int i = 0; i < 100; ++i)
            big << block.fand;
        write(dir / "report100000.par",
              params("BLANK", dir / "report100000.txt", dir / "sestava.pdf",
                     dir / "report100000.pdf", "", ""));
    }

    const Text list = listing(1000);
    write(dir / "listing1000.txt", list.fand);
    write(dir / "listing1000.utf8.txt", list.utf8);
    write(dir / "listing1000.par", params("BLANK", dir / "listing1000.txt", dir / "sestava.pdf",
                                          dir / "listing1000.pdf", "", ""));
    const Text items = itemInvoices(1000);
    write(dir / "items.txt", items.fand);
    write(dir / "items.utf8.txt", items.utf8);
    write(dir / "invoice-form.ps", kInvoiceForm);
    write(dir / "items.par",
          params("FAKT", dir / "items.txt", dir / "faktura-gs.pdf", dir / "items.pdf", "", ""));
    return 0;
}
