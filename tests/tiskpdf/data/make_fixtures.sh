#!/bin/sh
# Regenerates the committed test fixtures of tests/tiskpdf from the sources
# beside this script. Needs: ghostscript (ps2pdf, gs), librsvg2-bin
# (rsvg-convert), qpdf and python3 (standard library only).
# Run from anywhere: sh tests/tiskpdf/data/make_fixtures.sh
set -eu
cd "$(dirname "$0")"
export SOURCE_DATE_EPOCH=0

# --- templates: three independent producers -----------------------------
# Ghostscript (pdfwrite), A4, one page and two pages.
ps2pdf -dCompatibilityLevel=1.4 form_a4.ps template_a4_gs.pdf
ps2pdf -dCompatibilityLevel=1.4 form_2page.ps template_2page_gs.pdf
# cairo (rsvg-convert), Letter.
rsvg-convert -f pdf -o template_letter_cairo.pdf form_letter.svg
# qpdf rewrites: object streams + cross-reference stream; PDF 2.0; a file
# encrypted with an empty user password; an incremental update; a damaged
# cross-reference table that qpdf repairs.
qpdf --object-streams=generate template_a4_gs.pdf template_a4_objstm.pdf
qpdf --object-streams=generate --force-version=2.0 template_letter_cairo.pdf template_letter_pdf20.pdf
qpdf --encrypt "" owner 256 -- template_a4_gs.pdf template_a4_encrypted.pdf
qpdf --object-streams=disable --static-id template_letter_cairo.pdf incremental_base.tmp
python3 make_incremental.py incremental_base.tmp template_letter_incremental.pdf
rm -f incremental_base.tmp
python3 - <<'PY'
data = open("template_a4_gs.pdf", "rb").read()
i = data.rindex(b"startxref")
# Point startxref at a wrong offset: readers must rebuild the table.
open("template_a4_damaged.pdf", "wb").write(data[:i] + b"startxref\n12345\n%%EOF\n")
PY
printf 'Tohle neni PDF.\n' > not_a_pdf.pdf

# --- pictures ---------------------------------------------------------------
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -r150 -o wm_150.jpg watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeggray -r100 -o wm_gray_100.jpg watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpegcmyk -r120 -o wm_cmyk.jpg watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r200 -o wm_rgb_200.png watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r72 -o wm_gray_72.png watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png256 -r96 -o wm_palette_96.png watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pngmono -r300 -o wm_mono_300.png watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r50 -o wm_low_50.png watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bmp16m -r150 -o wm_24_150.bmp watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bmp256 -r100 -o wm_8_100.bmp watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bmp16 -r100 -o wm_4_100.bmp watermark.ps
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bmpmono -r200 -o wm_1_200.bmp watermark.ps
# (gs writes no JFIF density into its CMYK JPEG: 96 dpi is assumed.)
# Variants gs does not write: PNG with alpha / tRNS / 16 bits / interlace and
# no pHYs, 32-bit BMPs, a JPEG with Exif density only and one with none.
python3 make_pictures.py
