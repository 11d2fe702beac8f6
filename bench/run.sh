#!/bin/sh
# The benchmarks of Listar2 beside the tools a user would pick instead, in
# one run: wall time (median of the runs), output size, peak memory, and
# our ratio to each peer. `make bench` runs it with the build folder as $1.
#
# Cases
#   report    1,000 pages of 60 lines of 78 characters (code page 852, Czech
#             letters, box lines, some bold) on a template
#   invoices  1,000 forms on one template with a watermark, every tenth with
#             a continuation page
#   growth    the report at 10, 100, 1,000 and 10,000 pages; 10,000 also
#             with a password
# Peers get the same text in UTF-8: cups-filters' texttopdf; enscript piped
# into Ghostscript's ps2pdf; for the invoices, texttopdf followed by
# qpdf --underlay with the template on every page.
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
"$BUILD/bench/bench_inputs" "$IN" "$ROOT/examples/tisk"
export WINEPREFIX="$OUT/wine"

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
    echo "$name $median $size $((peak / 1024))" >> "$OUT/results.txt"
    printf '  %-28s %8ss %12s bytes %6s MB\n' "$name" "$median" "$size" "$((peak / 1024))"
}

: > "$OUT/results.txt"
echo "Plain report, 1,000 pages:"
measure "report/Listar2" "$IN/report1000.pdf" "$LISTAR2" '$' "$IN/report1000.par"
measure "report/texttopdf" "$OUT/report-texttopdf.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/report1000.utf8.txt' > '$OUT/report-texttopdf.pdf'"
measure "report/enscript+ps2pdf" "$OUT/report-enscript.pdf" sh -c "iconv -f UTF-8 -t LATIN2//TRANSLIT '$IN/report1000.utf8.txt' | enscript -q -B -X latin2 -f Courier10 -o - | ps2pdf - '$OUT/report-enscript.pdf'"

echo "Invoices, 1,000 forms:"
measure "invoices/Listar2" "$IN/invoices.pdf" "$LISTAR2" '$' "$IN/invoices.par"
measure "invoices/texttopdf+qpdf" "$OUT/invoices-underlay.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/invoices.utf8.txt' > '$OUT/text-only.pdf' && qpdf --underlay '$IN/faktura.pdf' --repeat=1 -- '$OUT/text-only.pdf' '$OUT/invoices-underlay.pdf'"

echo "Growth:"
for n in 10 100 1000 10000; do
    measure "growth/Listar2/$n" "$IN/report$n.pdf" "$LISTAR2" '$' "$IN/report$n.par"
    measure "growth/texttopdf/$n" "$OUT/growth-texttopdf-$n.pdf" sh -c "CHARSET=utf-8 $TEXTTOPDF 1 b b 1 '' '$IN/report$n.utf8.txt' > '$OUT/growth-texttopdf-$n.pdf'"
done
measure "growth/Listar2/10000+password" "$IN/report10000pw.pdf" "$LISTAR2" '$' "$IN/report10000pw.par"

gz() { gzip -9c "$1" | wc -c; }
tmpl=$(stat -c %s "$IN/faktura.pdf")
awk -v gzreport="$(gz "$IN/report1000.txt")" -v gzinv="$(gz "$IN/invoices.txt")" -v tmpl="$tmpl" '
    { t[$1] = $2; s[$1] = $3; m[$1] = $4 }
    function row(name, peer) {
        printf "| %s | %.2f s | %d | %d MB | %s |\n", name, t[name], s[name], m[name],
               peer == "" ? "" : sprintf("%.2f × time, %.2f × size", t[name] / t[peer], s[name] / s[peer])
    }
    END {
        print ""
        print "| case / tool | time (median) | output bytes | peak memory | Listar2 against it |"
        print "|---|---|---|---|---|"
        row("report/Listar2", "")
        row("report/texttopdf", ""); row("report/enscript+ps2pdf", "")
        printf "| report: Listar2 / texttopdf | %.2f × | | | target ≤ 0.5 × time |\n", t["report/Listar2"] / t["report/texttopdf"]
        printf "| report: Listar2 / enscript+ps2pdf | %.2f × | | | |\n", t["report/Listar2"] / t["report/enscript+ps2pdf"]
        printf "| report: output / gzip -9 of the text | %.2f × (%d bytes) | | | target ≤ 1.5 × |\n", s["report/Listar2"] / gzreport, gzreport
        row("invoices/Listar2", ""); row("invoices/texttopdf+qpdf", "")
        printf "| invoices: Listar2 / texttopdf+qpdf | %.2f × | | | target ≤ 0.25 × time |\n", t["invoices/Listar2"] / t["invoices/texttopdf+qpdf"]
        printf "| invoices: output / (template + 2 × gzip -9 of the text) | %.2f × (%d bytes) | | | target ≤ 1 × |\n", s["invoices/Listar2"] / (tmpl + 2 * gzinv), tmpl + 2 * gzinv
        for (n = 10; n <= 10000; n *= 10) {
            row("growth/Listar2/" n, "growth/texttopdf/" n); row("growth/texttopdf/" n, "")
        }
        row("growth/Listar2/10000+password", "growth/Listar2/10000")
        printf "| growth: password costs | %+.0f %% time | | | target ≤ +20 %% |\n", 100 * (t["growth/Listar2/10000+password"] / t["growth/Listar2/10000"] - 1)
    }' "$OUT/results.txt" | tee "$OUT/table.md"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')" | tee -a "$OUT/table.md"
