#!/usr/bin/env python3
"""Writes the example print jobs of Listar2 into tisk/ (the package's print
folder {tisk}): templates and continuation templates, an attachment, a
watermark picture, FAND texts in code page 852 with CR LF lines and printer
control codes, and the parameter files that name them.

Only the Python standard library is needed. Run it from this folder:
    python3 make-examples.py
"""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tisk")

# Printer control codes of a FAND text.
B = "\x02"    # bold on/off
I = "\x17"    # italic on/off
P12 = "\x01"  # 12 characters per inch on/off
P17 = "\x05"  # 17 characters per inch on/off
W2 = "\x11"   # double width on/off
FF = "\x0c"   # next page of the same form
NEW = "\x0c\u2591"  # next form: form feed and the light-shade marker


# --- PDF files -------------------------------------------------------------

def pdf(pages, path):
    """A PDF file with A4 pages; each page is a content stream (str)."""
    objs = []

    def add(body):
        objs.append(body)
        return len(objs)

    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
               b"/Encoding /WinAnsiEncoding >>")
    bold = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold "
               b"/Encoding /WinAnsiEncoding >>")
    pages_id = len(objs) + 1 + 2 * len(pages)
    kids = []
    for content in pages:
        data = content.encode("latin-1")
        c = add(b"<< /Length %d >>\nstream\n" % len(data) + data + b"\nendstream")
        kids.append(add(b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 595 842] "
                        b"/Resources << /Font << /F1 %d 0 R /F2 %d 0 R >> >> "
                        b"/Contents %d 0 R >>" % (pages_id, font, bold, c)))
    add(b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % k for k in kids) +
        b"] /Count %d >>" % len(kids))
    catalog = add(b"<< /Type /Catalog /Pages %d 0 R >>" % pages_id)
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for n, body in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % n + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += (b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n"
            % (len(objs) + 1, catalog, xref))
    with open(path, "wb") as f:
        f.write(out)


def text(x, y_from_top, size, s, font="F1", gray=0.35):
    return ("BT %.2f g /%s %d Tf %.1f %.1f Td (%s) Tj ET\n"
            % (gray, font, size, x, 842 - y_from_top, s))


def form_page(title, subtitle, color):
    """A pre-printed form page: a coloured band with the title above the
    first text line, a rule, and the footer of the company."""
    r, g, b = color
    return (
        "%.2f %.2f %.2f rg 0 824 595 18 re f\n" % (r, g, b) +
        "BT 1 g /F2 10 Tf 330 829 Td (%s) Tj ET\n" % title +
        "BT 1 g /F1 8 Tf 20 829 Td (%s) Tj ET\n" % subtitle +
        "%.2f %.2f %.2f RG 0.6 w 0 807 m 595 807 l S\n" % (r, g, b) +
        "0.8 G 14 30 m 581 30 l S\n" +
        text(20, 822, 7, "Dro - ucetni system pro male firmy  |  tel. 800 123 456  |  "
                         "www.bilko.cz") +
        text(470, 822, 7, "Vytvoreno programem Listar2"))


def report_page(title):
    return (text(40, 826, 7, title) + "0.75 G 0.4 w 40 30 m 555 30 l S\n")


# --- Watermark picture -----------------------------------------------------

def png(path, width, height, dpi, pixel):
    """An RGB PNG with its resolution (pHYs) in dots per inch."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows += bytes(pixel(x, y))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    ppm = round(dpi / 0.0254)
    data = (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"pHYs", struct.pack(">IIB", ppm, ppm, 1)) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) +
            chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


# Block letters of "DRO" on a 5 x 7 grid.
LETTERS = {
    "D": ["1110.", "1..1.", "1...1", "1...1", "1...1", "1..1.", "1110."],
    "R": ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    "O": [".111.", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
}


def watermark_pixel(x, y):
    """A faint stamp: pale background, a frame and the letters DRO."""
    cell = 20
    paper = (255, 255, 255)
    frame = (222, 230, 246)
    ink = (210, 222, 244)
    if x < 8 or y < 8 or x >= 392 or y >= 192:
        return frame
    gx, gy = (x - 40) // cell, (y - 30) // cell
    if 0 <= gy < 7 and 0 <= gx < 17:
        letter, col = divmod(gx, 6)
        if col < 5 and letter < 3:
            if LETTERS["DRO"[letter]][gy][col] == "1":
                return ink
    return paper


# --- FAND texts ------------------------------------------------------------

def fand(body, indent=0):
    """Code page 852 bytes with CR LF line ends (the body uses \\n); every
    line after a line end may be indented, as the package's forms are."""
    return body.replace("\n", "\r\n" + " " * indent).encode("cp852")


def invoice(number, customer, items, pages_of_items):
    lines = [
        W2 + B + "FAKTURA - DAŇOVÝ DOKLAD č. %s" % number + B + W2,
        "",
        B + "Dodavatel:" + B + "                              " + B + "Odběratel:" + B,
        "Bílkova účetní s.r.o.                   " + customer[0],
        "Žižkova 12, 586 01 Jihlava              " + customer[1],
        "IČ: 12345678  DIČ: CZ12345678           " + customer[2],
        "",
        "Datum vystavení: 08.12.2015   Datum splatnosti: 22.12.2015",
        I + "Forma úhrady: převodním příkazem, č. ú. 123456789/0800" + I,
        "",
        "┌────┬────────────────────────────────┬───────┬──────────┬────────────┐",
        "│" + B + "Pol." + B + "│" + B + "Označení dodávky                " + B + "│" +
        B + "Množst." + B + "│" + B + "Cena/ks   " + B + "│" + B + "Celkem Kč   " + B + "│",
        "├────┼────────────────────────────────┼───────┼──────────┼────────────┤",
    ]
    total = 0
    out = []
    for page, chunk in enumerate(pages_of_items):
        for n, (name, qty, price) in chunk:
            total += qty * price
            lines.append("│%3d │%-32s│%6d │%9.2f │%11.2f │" % (n, name, qty, price, qty * price))
        if page + 1 < len(pages_of_items):
            lines.append("└────┴────────────────────────────────┴───────┴──────────┴────────────┘")
            lines.append(P17 + I + "Pokračování na další straně" + I + P17)
            out.append("\n".join(lines) + "\n" + FF)
            lines = [
                B + "Faktura č. %s - pokračování" % number + B,
                "",
                "┌────┬────────────────────────────────┬───────┬──────────┬────────────┐",
            ]
    lines += [
        "└────┴────────────────────────────────┴───────┴──────────┴────────────┘",
        "",
        "                                 Základ DPH 21 %%:   %12.2f Kč" % (total / 1.21),
        "                                 DPH 21 %%:          %12.2f Kč" % (total - total / 1.21),
        B + "                                 Celkem k úhradě:   %12.2f Kč" % total + B,
        "",
        P17 + "Dodavatel je zapsán v obchodním rejstříku vedeném Krajským soudem v Brně, "
              "oddíl C, vložka 12345.",
        "Převzetím zboží odběratel souhlasí s obchodními podmínkami, které jsou přílohou "
        "této faktury." + P17,
        "",
        P12 + "Vystavil: Věra Šťastná          Převzal: ....................." + P12,
    ]
    out.append("\n".join(lines) + "\n")
    return "".join(out)


def faktura_text():
    goods = ["Šroub M8 × 40 pozinkovaný", "Matice M8 nerez", "Podložka prům. 8,4 mm",
             "Hmoždinka 10 × 60", "Kotva chemická 300 ml", "Pilový list ocel/dřevo",
             "Vrták SDS-plus 12 × 160", "Řetěz 6 mm, metr", "Lano polyesterové 10 mm",
             "Žebřík hliníkový 3 × 9", "Úhelník 50 × 50 × 35", "Pant čepový 100 mm"]
    first = invoice("2015/0412",
                    ["Stavebniny Čížek a syn", "Údolní 7, 602 00 Brno", "IČ: 87654321"],
                    None, [[(1, ("Montážní práce - hodina", 6, 450.0)),
                            (2, ("Cestovné Brno - Jihlava", 2, 890.0))]])
    items = [(i + 1, (goods[i % len(goods)], 5 + 3 * i, 12.5 + 7.25 * i)) for i in range(60)]
    second = invoice("2015/0413",
                     ["Železářství Ďáblice", "Kostelecká 18, 182 00 Praha 8", "IČ: 11223344"],
                     None, [items[:40], items[40:]])
    return first + NEW + second + FF


def dodaci_list_text():
    rows = [("Ovesné vločky 500 g", 120, "ks"), ("Žitná mouka hladká 1 kg", 80, "ks"),
            ("Cukr krupice 1 kg", 200, "ks"), ("Med květový 950 g", 24, "sklo"),
            ("Čaj zelený sypaný", 15, "kg"), ("Káva zrnková Ďábelská", 30, "kg")]
    lines = [W2 + B + "DODACÍ LIST č. DL-0815" + B + W2, "",
             "Příjemce: Pekárna U Řeky, Nábřeží 3, Český Krumlov",
             "Dopravce: vlastní vozidlo 2J3 4567", P12,
             "┌──────────────────────────────────────┬──────────┬──────┐",
             "│ Zboží                                │ Množství │ MJ   │",
             "├──────────────────────────────────────┼──────────┼──────┤"]
    for name, qty, unit in rows:
        lines.append("│ %-36s │ %8d │ %-4s │" % (name, qty, unit))
    lines += ["└──────────────────────────────────────┴──────────┴──────┘" + P12, "",
              I + "Zboží převzal v pořádku a bez výhrad:" + I,
              "", "Dne ............   Podpis ....................."]
    return "\n".join(lines) + "\n" + FF


def objednavka_text():
    lines = [W2 + B + "OBJEDNÁVKA č. OBJ-15-077" + B + W2, "",
             "Objednáváme u Vás dodání následujícího zboží:", "",
             "╔══════════════════════════════════════════════╗",
             "║ " + B + "Kancelářský papír A4, 80 g/m2, 500 listů" + B + "     ║",
             "╚══════════════════════════════════════════════╝",
             "", "  1. Papír A4 bílý ............................ 40 balíků",
             "  2. Obálky C5 samolepicí ........................ 500 ks",
             "  3. Pořadač pákový 75 mm, modrý ................... 30 ks",
             "  4. Toner pro tiskárnu HP LaserJet ................. 4 ks", "",
             I + "Termín dodání: do 15. prosince 2015" + I,
             "Místo dodání: sklad Přerov, Škodova 2", "",
             P17 + "Objednávka je platná s podpisem a razítkem objednatele. "
                   "Fakturujte prosím se splatností 14 dní." + P17, "",
             B + I + "Děkujeme za spolupráci." + I + B]
    return "\n".join(lines) + "\n" + FF


def zasilky_text():
    places = ["Brno", "Ostrava", "Plzeň", "Liberec", "Olomouc", "České Budějovice",
              "Hradec Králové", "Ústí nad Labem", "Pardubice", "Zlín", "Kladno", "Most"]
    names = ["Novák Jiří", "Svobodová Eva", "Dvořák Petr", "Černá Marie", "Procházka Tomáš",
             "Kučerová Jana", "Veselý Martin", "Horáková Lenka", "Němec Pavel", "Pokorná Žaneta"]
    head = [B + "SEZNAM PODANÝCH ZÁSILEK" + B + "   podací pošta: 586 01 Jihlava   "
            "datum: 08.12.2015", "",
            P17 + "┌─────┬─────────────────┬──────────────────────────────┬──────────────────────┬──────────┬────────┐",
            "│ Poř.│ Podací číslo    │ Adresát                      │ Místo určení         │ Hmotnost │ Dobírka│",
            "├─────┼─────────────────┼──────────────────────────────┼──────────────────────┼──────────┼────────┤"]
    out = []
    lines = list(head)
    for i in range(90):
        if i and i % 55 == 0:
            lines.append("└─────┴─────────────────┴──────────────────────────────┴──────────────────────┴──────────┴────────┘" + P17)
            out.append("\n".join(lines) + "\n" + FF)
            lines = [B + "SEZNAM PODANÝCH ZÁSILEK - pokračování" + B, ""] + head[2:]
        lines.append("│ %3d │ RR%09dCZ │ %-28s │ %-20s │ %6.2f kg │ %6s │"
                     % (i + 1, 123400000 + i * 7, names[i % len(names)],
                        places[i % len(places)], 0.35 + (i * 0.73) % 9,
                        "%d" % (150 + 10 * i) if i % 3 == 0 else ""))
    lines.append("└─────┴─────────────────┴──────────────────────────────┴──────────────────────┴──────────┴────────┘" + P17)
    lines += ["", "Celkem zásilek: 90", "", "Podal: Bílkova účetní s.r.o."]
    out.append("\n".join(lines) + "\n")
    return "".join(out) + FF


def report_text():
    header = ".ti Přehled pohledávek po splatnosti\n.po 4\n"
    firms = ["Stavebniny Čížek", "Železářství Ďáblice", "Pekárna U Řeky", "Autodíly Šťastný",
             "Zahradnictví Růže", "Účetní kancelář Hájek", "Tiskárna Žďár", "Kovovýroba Ústí"]
    lines = []
    total = 0
    for page in range(3):
        lines.append(B + "PŘEHLED POHLEDÁVEK PO SPLATNOSTI" + B + "         k 08.12.2015    strana %d" % (page + 1))
        lines.append("═" * 74)
        lines.append("Doklad       Odběratel                  Splatnost     Částka Kč  Dní")
        lines.append("─" * 74)
        for i in range(45):
            n = page * 45 + i
            amount = 1200 + (n * 977) % 48000
            total += amount
            lines.append("FV2015/%04d  %-26s %02d.%02d.2015  %10.2f  %3d"
                         % (100 + n, firms[n % len(firms)], 1 + n % 28, 1 + n % 11, amount,
                            5 + (n * 13) % 200))
        if page < 2:
            lines.append(FF.rstrip("\n"))
    lines.append("─" * 74)
    lines.append(B + "Celkem po splatnosti:%45.2f" % total + B)
    lines.append(I + "Sestavu vytiskl program Dro." + I)
    body = "\n".join(lines).replace("\n" + FF + "\n", "\n" + FF)
    return header + body + "\n" + FF


# --- Parameter files -------------------------------------------------------

def params(typ, text, template, output, save, color, watermark, attachment, password):
    values = [typ, text, template, output, save, color, watermark, attachment, password]
    return ("\n".join(values) + "\n").replace("\n", "\r\n").encode("cp852")


def main():
    os.makedirs(OUT, exist_ok=True)

    def put(name, data):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)

    blue, green, red, brown = (0.13, 0.27, 0.55), (0.1, 0.45, 0.25), (0.6, 0.12, 0.1), (0.45, 0.3, 0.1)
    pdf([form_page("FAKTURA", "Bilkova ucetni s.r.o.", blue)], os.path.join(OUT, "faktura.pdf"))
    pdf([form_page("FAKTURA - pokracovani", "Bilkova ucetni s.r.o.", blue)],
        os.path.join(OUT, "faktura2.pdf"))
    pdf([form_page("DODACI LIST", "Bilkova ucetni s.r.o.", green)], os.path.join(OUT, "dodlist.pdf"))
    pdf([form_page("DODACI LIST - pokracovani", "Bilkova ucetni s.r.o.", green)],
        os.path.join(OUT, "dodlist2.pdf"))
    # The order's template has a cover page; the text goes onto its last page.
    cover = (text(60, 120, 22, "OBJEDNAVKA", "F2", 0.2) +
             text(60, 150, 11, "Pruvodni list objednavky - vyplnte podle pokynu na druhe strane."))
    pdf([cover, form_page("OBJEDNAVKA", "Bilkova ucetni s.r.o.", red)],
        os.path.join(OUT, "objednavka.pdf"))
    pdf([form_page("OBJEDNAVKA - pokracovani", "Bilkova ucetni s.r.o.", red)],
        os.path.join(OUT, "objednavka2.pdf"))
    pdf([form_page("SEZNAM ZASILEK", "Ceska posta - podaci arch", brown)],
        os.path.join(OUT, "zasilky.pdf"))
    pdf([form_page("SEZNAM ZASILEK - pokracovani", "Ceska posta - podaci arch", brown)],
        os.path.join(OUT, "zasilky2.pdf"))
    pdf([report_page("Dro - tiskova sestava")], os.path.join(OUT, "sestava.pdf"))
    pdf([report_page("Dro - tiskova sestava (pokracovani)")], os.path.join(OUT, "sestava2.pdf"))
    pdf([text(60, 80, 16, "Obchodni podminky", "F2", 0.1) +
         "".join(text(60, 120 + 16 * i, 10, s) for i, s in enumerate([
             "1. Zbozi zustava do uplneho zaplaceni majetkem dodavatele.",
             "2. Reklamace se uplatnuji pisemne do 14 dnu od prevzeti zbozi.",
             "3. Pri prodleni s platbou se uctuje urok 0,05 % denne.",
             "4. Tyto podminky jsou nedilnou soucasti kazde faktury."]))],
        os.path.join(OUT, "podminky.pdf"))
    png(os.path.join(OUT, "vodoznak.png"), 400, 200, 150, watermark_pixel)

    put("faktura.txt", fand(faktura_text(), 2))
    put("dodlist.txt", fand(dodaci_list_text(), 2))
    put("objednav.txt", fand(objednavka_text(), 2))
    put("zasilky.txt", fand(zasilky_text()))
    put("sestava.txt", fand(report_text()))

    tisk = "C:\\DRO2015\\{TISK}\\"
    pdfs = "C:\\DRO2015\\PDF\\"
    put("faktura.par", params("FAKT", tisk + "FAKTURA.TXT", tisk + "FAKTURA.PDF",
                              pdfs + "Faktura 2015-0412.pdf", "", "0 0 96",
                              tisk + "VODOZNAK.PNG", tisk + "PODMINKY.PDF", ""))
    put("dodlist.par", params("dodl ", tisk + "dodlist.txt", tisk + "dodlist.pdf",
                              pdfs + "Dodací list DL-0815.pdf", "", "", "", "",
                              "dro2015"))
    put("objednav.par", params(" Obje", tisk + "objednav.txt", tisk + "Objednavka.pdf",
                               pdfs + "Objednávka OBJ-15-077.pdf", "", "150 0 0", "", "", ""))
    put("zasilky.par", params("SZAS", tisk + "zasilky.txt", tisk + "zasilky.pdf",
                              pdfs + "Seznam zásilek.pdf", "", "", "", "", ""))
    put("sestava.par", params("BLANK", tisk + "sestava.txt", tisk + "sestava.pdf",
                              pdfs + "Pohledávky.pdf", "", "0 0 0", "", "", ""))


if __name__ == "__main__":
    main()
