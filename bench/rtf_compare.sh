#!/usr/bin/env bash
# Reading the same RTF files with our reader (quillbox-cli rtf-text), unrtf, pandoc and
# LibreOffice headless (its start-up, measured on an empty document, subtracted). Also the
# RTF inside editor_bench's two notes (10000 characters formatted, 1 MB with pictures), to
# set beside that bench's open times.
# Needs: apt-get install unrtf pandoc libreoffice-writer-nogui. Usage: bench/rtf_compare.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
$build/bench/rtf_bench --write-samples "$work"
$build/bench/editor_bench --write-samples "$work"
printf '{\\rtf1\\ansi x}' > "$work/empty.rtf"
export HOME=$work # a profile of LibreOffice's own, made once below

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
office() { (cd "$work" && soffice --headless --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/out" "$1"); }

have() { command -v "$1" >/dev/null 2>&1; }
if have soffice; then office empty.rtf >/dev/null 2>&1; startup=$(seconds office empty.rtf); fi
printf '%-18s %10s %10s %10s %12s\n' file quillbox unrtf pandoc libreoffice
for f in text1mb pictures1mb text10mb pictures10mb note10kchars note1mbpictures; do
    ours=$(seconds $build/cli/quillbox-cli rtf-text "$work/$f.rtf")
    u=-; p=-; l=-
    # unrtf writes every picture it meets into the current folder: keep them in $work.
    have unrtf && u=$(cd "$work" && seconds unrtf --text "$f.rtf")
    have pandoc && p=$(seconds pandoc -f rtf -t plain "$work/$f.rtf")
    have soffice && l=$(echo "$(seconds office "$f.rtf") - $startup" | bc)
    printf '%-18s %10.2f %10s %10s %12s\n' "$f" "$ours" "$u" "$p" "$l"
done
