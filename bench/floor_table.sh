#!/usr/bin/env bash
# The whole table against the floor, for a quiet machine: quorvex-check on a valid file of a
# million records and on the same file with an error in every 100th and every 10th RW record
# (the error limit at its highest, 25,000), on two threads and on one, against the floor
# (the bare insert of the same rows), five alternating rounds each, with the files and the
# logs on disk and then on tmpfs; medians, ranges, ratios, peak memory and the timeline of
# one run.
#
#   bench/floor_table.sh [BUILD_DIR]        (default: build)
#
# DISK_DIR (default /var/tmp/quorvex-floor) and SHM_DIR (default /dev/shm/quorvex-floor) hold
# the files, about 1.5 GB each; the tmpfs copies are removed at the end, the disk ones kept
# for the next time (delete DISK_DIR to get rid of them). REPEAT sets the rounds (default 5),
# FLOOR_EXE a floor program (floor_insert FILE DB) to use instead of the built-in one.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
disk="${DISK_DIR:-/var/tmp/quorvex-floor}"
shm="${SHM_DIR:-/dev/shm/quorvex-floor}"
repeat="${REPEAT:-5}"
floor=()
[ -n "${FLOOR_EXE:-}" ] && floor=(--floor-exe "$FLOOR_EXE")
gen="$build/bench/generate_submission"
bench="$build/bench/bench_check"
[ -x "$bench" ] && [ -x "$gen" ] || { echo "floor_table: build $bench and $gen first" >&2; exit 1; }

mkdir -p "$disk"
for f in valid:0 faults100:100 faults10:10; do
    name="${f%%:*}" every="${f##*:}"
    [ -s "$disk/$name.txt" ] && continue
    if [ "$every" = 0 ]; then "$gen" --records 1000000 --employers 100 "$disk/$name.txt"
    else "$gen" --records 1000000 --employers 100 --fault-every "$every" "$disk/$name.txt"; fi
done

measure() {  # DIR LABEL
    echo "=== $2: files and logs in $1 ==="
    "$bench" --file "$1/valid.txt" --second-file "$1/faults100.txt" --second-file "$1/faults10.txt" \
        --limit 25000 --compare-threads --repeat "$repeat" --work-dir "$1" "${floor[@]}"
}

measure "$disk" disk
mkdir -p "$shm"
trap 'rm -rf "$shm"' EXIT
cp "$disk"/valid.txt "$disk"/faults100.txt "$disk"/faults10.txt "$shm"/
measure "$shm" tmpfs
if [ -x "$build/bench/bench_gui" ]; then
    echo "=== the desktop program against the command line (valid file on tmpfs) ==="
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_gui" "$shm/valid.txt" --repeat "$repeat"
fi
