#!/bin/sh
# The harness's own test: it drives HarnessDemo.exe under Wine and its
# transcript must be the one below.
#
#   selftest.sh WINE-RUN UiHarness.exe HarnessDemo.exe
set -eu
run=$1
harness=$2
demo=$3
dir=$(cd "$(dirname "$demo")" && pwd)
windir="Z:$(printf '%s' "$dir" | tr / '\\')"

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$run" "$harness" --timeout 20 - >"$out" <<SCRIPT || { cat "$out"; exit 1; }
# Two starts: the first is closed by its button, the second answers Yes.
start $windir HarnessDemo.exe
window "Harness demo"
click Close
exit 3
start $windir HarnessDemo.exe one "two words" ""
window "Harness*" HarnessDemo
controls
type Edit:1 "abcdefghij"
text Edit:1
click Check
state Check
state #103
click Show
answer no
click Show
box
answer &Yes
exit 11
SCRIPT

sed "s|$(printf '%s' "$windir" | sed 's/\\/\\\\/g')|@DIR@|g" "$out" | diff -u - "$(dirname "$0")/selftest.expected"
