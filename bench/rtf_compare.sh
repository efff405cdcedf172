#!/usr/bin/env bash
# Reading the same RTF files with our reader (quillbox-cli rtf-text), unrtf, pandoc and
# LibreOffice headless (its start-up, measured on an empty document, subtracted). Also the
# RTF inside editor_bench's two notes (10000 characters formatted, 1 MB with pictures), to
# set beside that bench's open times.
# Each time is the fastest of RUNS runs (default 1): a busy machine only ever adds to one.
# LibreOffice's empty document is timed in turn with each file, so that both see the same
# load; with COPIES=n it converts n copies of the file in one start and the time is per copy
# (the cost of a small file is otherwise lost in the noise of its start-up).
# Needs: apt-get install unrtf pandoc libreoffice-writer-nogui.
# Usage: [COPIES=n] bench/rtf_compare.sh [RUNS [FILE...]], e.g. bench/rtf_compare.sh 5 note10kchars
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
runs=${1:-1}
shift $(($# > 0 ? 1 : 0))
files=${*:-text1mb pictures1mb text10mb pictures10mb note10kchars note1mbpictures}
copies=${COPIES:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
$build/bench/rtf_bench --write-samples "$work"
$build/bench/editor_bench --write-samples "$work"
printf '{\\rtf1\\ansi x}' > "$work/empty.rtf"
export HOME=$work # a profile of LibreOffice's own, made once below

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
least() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
fastest() {
    local best='' i
    for ((i = 0; i < runs; i++)); do best=$(least "$best" "$(seconds "$@")"); done
    echo "$best"
}
office() { (cd "$work" && soffice --headless --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/out" "$@"); }
# LibreOffice's seconds for one copy of $1 beyond its start-up, then that start-up.
office_cost() {
    local batch=() empty='' full='' i
    for ((i = 1; i <= copies; i++)); do
        cp "$work/$1.rtf" "$work/$1-$i.rtf"
        batch+=("$1-$i.rtf")
    done
    for ((i = 0; i < runs; i++)); do
        empty=$(least "$empty" "$(seconds office empty.rtf)")
        full=$(least "$full" "$(seconds office "${batch[@]}")")
    done
    printf '%.3f %.2f' "$(echo "scale=4; ($full - $empty) / $copies" | bc)" "$empty"
}

have() { command -v "$1" >/dev/null 2>&1; }
have soffice && office empty.rtf >/dev/null 2>&1 # makes its profile
printf '%-18s %10s %10s %10s %12s %12s\n' file quillbox unrtf pandoc libreoffice 'lo start-up'
for f in $files; do
    ours=$(fastest $build/cli/quillbox-cli rtf-text "$work/$f.rtf")
    u=-; p=-; l='- -'
    # unrtf writes every picture it meets into the current folder: keep them in $work.
    have unrtf && u=$(cd "$work" && fastest unrtf --text "$f.rtf")
    have pandoc && p=$(fastest pandoc -f rtf -t plain "$work/$f.rtf")
    have soffice && l=$(office_cost "$f")
    read -r lcost lstart <<<"$l"
    printf '%-18s %10.2f %10s %10s %12s %12s\n' "$f" "$ours" "$u" "$p" "$lcost" "$lstart"
done
