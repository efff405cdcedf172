#!/usr/bin/env bash
# quillbox-cli against a local quillbox-server: import 1000 text notes of 10 KB each, then
# export them as RTF and as envelopes (--raw). Prints notes per second for each.
# Usage: bench/cli_export_bench.sh [NOTES] [BYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
notes=${1:-1000}
bytes=${2:-10000}
source bench/lib.sh

port=$(free_port)
start_server $port "$work/bench.db"

# Words that compress as prose does, so each note stays within the shared account's limit.
python3 - "$work/in" "$notes" "$bytes" <<'PY'
import os, random, sys
root, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
words = "quill box note folder key river stone amber window paper lantern orbit meadow signal copper".split()
os.makedirs(root)
for i in range(count):
    rng = random.Random(i)
    text = ""
    while len(text) < size:
        text += rng.choice(words) + rng.choice([" ", " ", " ", ". ", ", "])
    sub = os.path.join(root, "folder%02d" % (i % 20))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "note%04d.txt" % i), "w") as f:
        f.write(text[:size])
PY
printf 'bench key\n' > "$work/key"
S="--server 127.0.0.1:$port"

timed() { # label, command...
    local label=$1; shift
    local start end
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); n=int(sys.argv[3]); print(f'{sys.argv[4]:<22} {n} notes in {s:.2f} s: {n/s:.0f} notes/s')" "$start" "$end" "$notes" "$label"
}
timed "import (text, sealed)" $cli import "$work/in" /Bench --name bench -k "$work/key" -q $S
timed "export (RTF)" $cli export /Bench "$work/rtf" -k "$work/key" -q $S
timed "export --raw" $cli export /Bench "$work/raw" --raw -q $S
timed "export (rerun, skips)" $cli export /Bench "$work/rtf" -k "$work/key" -q $S
echo "files: $(find "$work/rtf" -name '*.rtf' | wc -l) RTF, $(du -sh "$work/rtf" | cut -f1); note text on the server: $($cli ls /Bench/folder00 $S | awk '{s+=$2} END {print int(s/NR)}') bytes each"
# The same notes stored again as they are (no RTF writing, no sealing): the server's share.
timed "import --raw envelopes" $cli import "$work/raw" /Again -q $S
