#!/bin/bash
# console_program_test.sh ARCH PREFIX KESTRIVANE_COM KESTRIVANE_BOX WORKDIR CONSOLE_SCREEN
#
# kestrivane.com under Wine as a user meets it in a console, against emulated boxes on
# ptys of the prefix: COM5 (and COM6, COM8 for the station). Each step says what it
# checks; the first that fails ends the test with status 1.
set -uo pipefail

arch=$1 prefix=$2 program=$3 box=$4 work=$5 screen=$6
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../../../scripts/wine-run"
rm -rf "$work" && mkdir -p "$work/record" && cd "$work" || exit 1

pids=()
stop_boxes() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done; pids=(); }
trap stop_boxes EXIT

fail() { echo "FAILED: $*" >&2; exit 1; }
kv() { "$wine_run" "$arch" "$prefix" "$program" "$@"; }
# serve COM OPTIONS...: an emulated box on COMn of the prefix, until stop_boxes.
serve() {
    local com=$1; shift
    rm -f "$prefix/dosdevices/$com"
    "$box" --link "$prefix/dosdevices/$com" --section-gap 200 "$@" >/dev/null &
    pids+=($!)
    for _ in $(seq 100); do [ -e "$prefix/dosdevices/$com" ] && return; sleep 0.05; done
    fail "the emulated box on $com did not start"
}
winepath_of() { echo "Z:$(realpath "$1" | tr / '\\')"; }  # a Unix path as Wine's programs name it
same_image() {  # same_image A B: the five section files of two images, byte for byte
    for n in 1 2 3 4 5; do cmp -s "$1.ur$n" "$2.ur$n" || fail "$1.ur$n differs from $2.ur$n"; done
}

echo "== ports lists the prefix's COM5"
serve com5 --write-image "$work/truth.dat"
kv ports | tr -d '\r' | tee ports.txt
grep -qx 'COM5' ports.txt || fail "ports does not list COM5"

echo "== a download under a name that is not ASCII, byte for byte the box's image"
kv --port COM5 download 'Sicherung-Müller.dat' || fail "download: status $?"
[ -e 'Sicherung-Müller.dat' ] || fail "no Sicherung-Müller.dat (the name came out as: $(ls))"
same_image 'Sicherung-Müller' truth

echo "== inspect: 0 for the image, 1 for a damaged copy"
kv inspect 'Sicherung-Müller.dat' >/dev/null || fail "inspect of the download: status $?"
cp 'Sicherung-Müller.ur3' damaged.ur3
printf '\x55' | dd of=damaged.ur3 bs=1 seek=200 conv=notrunc status=none
kv inspect damaged.ur3 >/dev/null
[ $? -eq 1 ] || fail "inspect of a damaged section file: not status 1"

echo "== verify: 0 against the box, 1 against a box that holds another image"
kv --port COM5 verify 'Sicherung-Müller.dat' || fail "verify against the same box: status $?"
stop_boxes
serve com5 --seed 7
kv --port COM5 verify 'Sicherung-Müller.dat'
[ $? -eq 1 ] || fail "verify against a box that differs: not status 1"
stop_boxes

echo "== an upload, recorded by the box byte for byte"
serve com5 --record "$work/record"
kv --port COM5 upload --yes 'Sicherung-Müller.dat' || fail "upload: status $?"
stop_boxes
same_image record/recorded 'Sicherung-Müller'

echo "== names Windows refuses are refused before the port"
serve com5 --fault silent
for name in CON CON.dat nul.dat aux COM1.dat 'a:b.dat' 'q?.dat' 'x.dat.'; do
    kv --port COM5 download --yes "$name" 2>refused.txt
    status=$?
    [ $status -eq 2 ] || fail "download $name: status $status, not 2"
    grep -q "cannot download to" refused.txt || fail "download $name: $(cat refused.txt)"
done
stop_boxes

echo "== a station on COM5, COM6 and COM8, two boxes each, then Ctrl-C"
for com in com5 com6 com8; do serve $com --boxes 2 --box-gap 300 --seed ${com#com}; done
kv --port COM5 --port COM6 --port COM8 station download 'img-{port}-{n}.dat' 2>station.err &
station=$!
for _ in $(seq 600); do
    [ "$(ls img-COM*-[12].dat 2>/dev/null | wc -l)" -eq 6 ] && [ "$(wc -l <station.log 2>/dev/null)" = 6 ] && break
    sleep 0.1
done
kill -INT $(pgrep -f "^$program --port COM5 --port COM6") 2>/dev/null
wait $station
status=$?
[ $status -eq 0 ] || { cat station.err >&2; fail "station: status $status"; }
python3 - <<'PY' || fail "the station's log"
import hashlib, json
lines = [json.loads(line) for line in open("station.log", encoding="utf-8")]
assert len(lines) == 6, f"{len(lines)} lines"
for line in lines:
    assert line["status"] == 0 and len(line["files"]) == 5, line
    for f in line["files"]:
        assert hashlib.sha256(open(f["path"], "rb").read()).hexdigest() == f["sha256"], f["path"]
PY
for image in img-COM*-[12].dat; do kv inspect "$image" >/dev/null || fail "inspect $image: status $?"; done
echo "== a station in a console of its own: its screen shows no sequence as text"
mkdir -p console && cd console || exit 1
serve com5 --seed 5
"$wine_run" "$arch" "$prefix" "$screen" "$(winepath_of "$program")" --port COM5 station download 'console-{n}.dat' \
    >screen.txt 2>screen.err &
shown=$!
for _ in $(seq 600); do [ -s station.log ] && break; sleep 0.1; done
kill -INT $(pgrep -f '^Z:.*station download console-') 2>/dev/null  # the station, not console_screen
wait $shown
status=$?
tr -d '\r' <screen.txt >shown.txt
[ $status -eq 0 ] || { cat shown.txt screen.err >&2; fail "station in its console: status $status"; }
if grep -q $'\033' shown.txt || grep -qF '[K' shown.txt || grep -qF '[J' shown.txt; then
    cat shown.txt >&2; fail "the console shows terminal sequences as text"
fi
grep -q 'console-1.dat' shown.txt || { cat shown.txt >&2; fail "the console does not show the station's box"; }
cd .. && stop_boxes
echo "all steps passed"
