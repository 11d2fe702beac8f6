// Writes the inputs of the benchmarks: FAND texts in code page 852 with
// printer control codes, the same texts in UTF-8 for the other tools, and
// the parameter files of the print jobs.
//
//   bench_inputs <output folder> <examples/tisk folder>
#include <array>
#include <cstdio>
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
constexpr std::array<Glyph, 20> kCzech = {{{0xA0, "á"}, {0x9F, "č"}, {0xD4, "ď"}, {0x82, "é"},
                                           {0xD8, "ě"}, {0xA1, "í"}, {0xE5, "ň"}, {0xA2, "ó"},
                                           {0xFD, "ř"}, {0xE7, "š"}, {0x9C, "ť"}, {0xA3, "ú"},
                                           {0x85, "ů"}, {0xEC, "ý"}, {0xA7, "ž"}, {0xAC, "Č"},
                                           {0xFC, "Ř"}, {0xE6, "Š"}, {0xA6, "Ž"}, {0xB7, "Ě"}}};
constexpr Glyph kVertical{0xB3, "│"};
constexpr Glyph kHorizontal{0xC4, "─"};
constexpr Glyph kCross{0xC5, "┼"};

const char* const kWords[] = {"faktura", "dodavatel", "odběratel", "částka", "splatnost",
                              "účet", "množství", "cena", "sklad", "zboží", "Brno", "Jihlava"};

// A text in both encodings at once.
struct Text {
    std::string fand, utf8;
    void ascii(const std::string& s) {
        fand += s;
        utf8 += s;
    }
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_inputs <output folder> <examples/tisk folder>\n");
        return 2;
    }
    const fs::path dir = fs::absolute(argv[1]);
    const fs::path examples = fs::absolute(argv[2]);
    fs::create_directories(dir);
    for (const char* f : {"sestava.pdf", "sestava2.pdf", "faktura.pdf", "faktura2.pdf", "vodoznak.png"})
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
    return 0;
}
