#!/bin/sh
# The benchmarks of Listar2 beside the tools a user would pick instead, in
# one run: wall time (median of the runs), output size, peak memory, and
# our ratio to each peer. `make bench` runs it with the build folder as $1.
#
# Cases
#   report    1,000 pages of 60 lines of 78 characters (code page 852, Czech
#             letters, box lines, many bold words) on a template
#   listing   1,000 pages of a listing of receivables (dates, numbers, names
#             in columns, a bold heading), the text written apart from the
#             report's
#   invoices  1,000 forms on one template with a watermark, every tenth with
#             a continuation page
#   items     1,000 one-page invoices of 22 to 28 item lines on a template
#             that Ghostscript makes
#   one page  the report's first page, a job of its own (20 jobs in a row)
#   growth    the report at 10, 100, 1,000 and 10,000 pages, 10,000 also with
#             a password; 100,000 pages for Listar2 alone (one run)
# Peers get the same text in UTF-8: cups-filters' texttopdf; enscript piped
# into Ghostscript's ps2pdf; for the invoices, texttopdf followed by
# qpdf --underlay with the template on every page. The page content of the
# report and the listing is also compressed page by page with zlib and
# libdeflate at every level (bench_deflate streams). The per-page floor is
# what one compressed stream per page cannot go below: the template plus each
# page's bare text compressed alone (zlib level 9; bench_deflate floor).
# The halves: the report's and the listing's job beside the same job with its
# page content set aside instead of compressed (drawing), and that content
# compressed alone with the library's deflater (bench_halves).
set -eu

BUILD=$(cd "${1:-build}" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${BENCH_RUNS:-3}
OUT="$BUILD/bench-results"
IN="$OUT/inputs"
LISTAR2="$BUILD/pdfforms/Listar2"
TEXTTOPDF=/usr/lib/cups/filter/texttopdf

# The peers and the measuring tool, from Debian.
missing=""
for p in cups-filters enscript ghostscript qpdf time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

rm -rf "$OUT"
mkdir -p "$IN"
"$BUILD/bench/bench_inputs" "$IN" "$ROOT/examples/tisk" 100000
ps2pdf "$IN/invoice-form.ps" "$IN/faktura-gs.pdf"
cp "$IN/faktura-gs.pdf" "$IN/faktura-gs2.pdf"
export WINEPREFIX="$OUT/wine"
LOAD_START=$(cut -d' ' -f1-3 /proc/loadavg)

# measure NAME OUTPUT COMMAND...: runs the command RUNS times and appends
# "name seconds bytes peak-MB" (median time, largest peak) to the results.
measure() {
    name=$1; output=$2; shift 2
    times=""; peak=0
    i=0
    while [ $i -lt "$RUNS" ]; do
        rm -f "$output"
        /usr/bin/time -f "%e %M" -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/stderr.txt" || {
            echo "bench: $name failed:" >&2; cat "$OUT/stderr.txt" >&2; return 1; }
        read -r t m < "$OUT/time.txt"
        times="$times $t"
        [ "$m" -gt "$peak" ] && peak=$m
        i=$((i + 1))
    done
    median=$(echo "$times" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    size=$(stat -c %s "$output")
    echo "$name $median $size $peak" >> "$OUT/results.txt"
    printf '  %-28s %8ss %12s bytes %6s MB\n' "$name" "$median" "$size" "$((peak / 1024))"
}

: > "$OUT/results.txt"
for text in report listing; do
    echo "Plain $text, 1,000 pages:"
    measure "$text/Listar2" "$IN/${text}1000.pdf" "$LISTAR2" '$' "$IN/${text}1000.par"
    measure "$text/texttopdf" "$OUT/$text-texttopdf.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/${text}1000.utf8.txt' > '$OUT/$text-texttopdf.pdf'"
    measure "$text/enscript+ps2pdf" "$OUT/$text-enscript.pdf" sh -c "iconv -f UTF-8 -t LATIN2//TRANSLIT '$IN/${text}1000.utf8.txt' | enscript -q -B -X latin2 -f Courier10 -o - | ps2pdf - '$OUT/$text-enscript.pdf'"
done

for form in invoices items; do
    tmpl=faktura.pdf; [ $form = items ] && tmpl=faktura-gs.pdf
    echo "${form}, 1,000 forms:"
    measure "$form/Listar2" "$IN/$form.pdf" "$LISTAR2" '$' "$IN/$form.par"
    measure "$form/texttopdf+qpdf" "$OUT/$form-underlay.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/$form.utf8.txt' > '$OUT/$form-text.pdf' && qpdf --underlay '$IN/$tmpl' --repeat=1 -- '$OUT/$form-text.pdf' '$OUT/$form-underlay.pdf'"
done

echo "One page, 20 jobs:"
measure "onepage/Listar2x20" "$IN/report1.pdf" sh -c "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do '$LISTAR2' '\$' '$IN/report1.par'; done"

echo "Growth:"
for n in 10 100 1000 10000; do
    measure "growth/Listar2/$n" "$IN/report$n.pdf" "$LISTAR2" '$' "$IN/report$n.par"
    measure "growth/texttopdf/$n" "$OUT/growth-texttopdf-$n.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/report$n.utf8.txt' > '$OUT/growth-texttopdf-$n.pdf'"
done
measure "growth/Listar2/10000+password" "$IN/report10000pw.pdf" "$LISTAR2" '$' "$IN/report10000pw.par"
RUNS=1 measure "growth/Listar2/100000" "$IN/report100000.pdf" "$LISTAR2" '$' "$IN/report100000.par"
rm -f "$IN/report100000.txt" "$IN/report100000.pdf"
LOAD_END=$(cut -d' ' -f1-3 /proc/loadavg)

echo "Page content compressed page by page:"
for text in report listing; do
    echo "  $text:"
    "$BUILD/bench/bench_deflate" streams "$IN/${text}1000.pdf" | sed 's/^/  /' | tee "$OUT/deflate-$text.txt"
done

echo "The job beside its halves, drawing and compressing, each alone (one process, median of 5):"
for text in report listing; do
    echo "  $text:"
    "$BUILD/bench/bench_halves" "$IN/${text}1000.par" 5 | sed 's/^/    /' | tee "$OUT/halves-$text.txt"
done
halves() { awk '/longer half/ {print $NF}' "$OUT/halves-$1.txt"; }

gz6() { gzip -6c "$1" | wc -c; }
floor() { "$BUILD/bench/bench_deflate" floor "$1" | cut -d' ' -f1; }
size() { stat -c %s "$@" | awk '{s += $1} END {print s}'; }
awk -v halvesreport="$(halves report)" -v halveslisting="$(halves listing)" \
    -v gzreport="$(gz6 "$IN/report1000.txt")" -v gzlisting="$(gz6 "$IN/listing1000.txt")" \
    -v floorreport="$(($(floor "$IN/report1000.txt") + $(size "$IN/sestava.pdf")))" \
    -v floorlisting="$(($(floor "$IN/listing1000.txt") + $(size "$IN/sestava.pdf")))" \
    -v floorinvoices="$(($(floor "$IN/invoices.txt") + $(size "$IN/faktura.pdf" "$IN/faktura2.pdf" "$IN/vodoznak.png")))" \
    -v flooritems="$(($(floor "$IN/items.txt") + $(size "$IN/faktura-gs.pdf")))" '
    { t[$1] = $2; s[$1] = $3; m[$1] = $4 / 1024 }
    function row(name, peer) {
        printf "| %s | %.2f s | %d | %.0f MB | %s |\n", name, t[name], s[name], m[name],
               peer == "" ? "" : sprintf("%.2f × time, %.2f × size", t[name] / t[peer], s[name] / s[peer])
    }
    function target(what, value, limit, unit) {
        printf "| %s | %.2f%s | | | target ≤ %s%s: %s |\n", what, value, unit, limit, unit,
               value <= limit ? "met" : "NOT met"
    }
    END {
        print ""
        print "| case / tool | time (median) | output bytes | peak memory | Listar2 against it |"
        print "|---|---|---|---|---|"
        for (i = 1; i <= 2; ++i) {
            text = i == 1 ? "report" : "listing"
            gz = i == 1 ? gzreport : gzlisting
            row(text "/Listar2", ""); row(text "/texttopdf", ""); row(text "/enscript+ps2pdf", "")
            target(text ": Listar2 / texttopdf, time", t[text "/Listar2"] / t[text "/texttopdf"], 0.4, " ×")
            target(text ": job / the longer of drawing and compressing alone",
                   i == 1 ? halvesreport : halveslisting, 1.3, " ×")
            target(text ": output / gzip -6 of the text (" gz " bytes)", s[text "/Listar2"] / gz, 1.5, " ×")
            target(text ": output / enscript+ps2pdf output", s[text "/Listar2"] / s[text "/enscript+ps2pdf"], 0.99, " ×")
            fl = i == 1 ? floorreport : floorlisting
            printf "| %s: output / per-page floor (%d bytes; the floor / gzip -6: %.2f ×) | %.2f × | | | |\n",
                   text, fl, fl / gz, s[text "/Listar2"] / fl
        }
        for (i = 1; i <= 2; ++i) {
            form = i == 1 ? "invoices" : "items"
            fl = i == 1 ? floorinvoices : flooritems
            row(form "/Listar2", ""); row(form "/texttopdf+qpdf", "")
            target(form ": Listar2 / texttopdf+qpdf, time", t[form "/Listar2"] / t[form "/texttopdf+qpdf"], 0.25, " ×")
            target(form ": output / per-page floor (" fl " bytes)", s[form "/Listar2"] / fl, 1.25, " ×")
        }
        target("one-page job (20 in a row: " t["onepage/Listar2x20"] " s)", 1000 * t["onepage/Listar2x20"] / 20, 20, " ms")
        for (n = 10; n <= 10000; n *= 10) {
            row("growth/Listar2/" n, "growth/texttopdf/" n); row("growth/texttopdf/" n, "")
        }
        row("growth/Listar2/100000", "")
        row("growth/Listar2/10000+password", "growth/Listar2/10000")
        target("growth: 10,000 pages, peak memory", m["growth/Listar2/10000"], 48, " MB")
        target("growth: memory per page, 1,000 to 10,000 pages",
               (m["growth/Listar2/10000"] - m["growth/Listar2/1000"]) * 1024 / 9000, 3, " KB")
        target("growth: memory per page, 10,000 to 100,000 pages",
               (m["growth/Listar2/100000"] - m["growth/Listar2/10000"]) * 1024 / 90000, 3, " KB")
        target("growth: 100,000 pages, peak memory", m["growth/Listar2/100000"], 350, " MB")
        target("growth: password costs", 100 * (t["growth/Listar2/10000+password"] / t["growth/Listar2/10000"] - 1), 20, " %")
    }' "$OUT/results.txt" | tee "$OUT/table.md"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load average $LOAD_START at the start, $LOAD_END at the end" | tee -a "$OUT/table.md"
