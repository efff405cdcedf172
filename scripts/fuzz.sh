#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target (or those named) for a while each.
#   scripts/fuzz.sh                 20 seconds a target
#   FUZZ_SECONDS=600 scripts/fuzz.sh fuzz_rtf_reader fuzz_notes_service
# Seeds are written afresh into build/fuzz/seeds; what a run learns stays in
# build/fuzz/corpus for the next run; crashing inputs go to build/fuzz/findings/<target>/.
# Fails when any target finds a crash, a leak, a hang or a broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

seconds="${FUZZ_SECONDS:-20}"
out=build/fuzz
bin="$out/fuzz"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_base64 fuzz_unseal fuzz_unpack_block fuzz_envelope fuzz_note_pipeline fuzz_rtf_reader
             fuzz_listing_line fuzz_request_body fuzz_notes_service)
fi

rm -rf "$out/seeds"
"$bin/fuzz_seeds" "$out/seeds"
# The RTF fixtures of the tests, as they are and as documents of the note pipeline.
for f in tests/rtf/fixtures/*/*.rtf; do
    name="fixture-$(basename "$(dirname "$f")")"
    cp "$f" "$out/seeds/fuzz_rtf_reader/$name"
    { printf '\x02'; cat "$f"; } > "$out/seeds/fuzz_note_pipeline/$name"
done

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
failed=()
for t in "${targets[@]}"; do
    mkdir -p "$out/corpus/$t" "$out/findings/$t"
    log="$out/findings/$t.log"
    echo "== $t: ${seconds}s"
    if "$bin/$t" "$out/corpus/$t" "$out/seeds/$t" -dict=fuzz/quillbox.dict -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/findings/$t/" \
        >"$log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
    else
        failed+=("$t")
        grep -E 'ERROR|SUMMARY|property failed|Test unit written' "$log" | head -5 || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found problems in: ${failed[*]} (inputs and logs in $out/findings)"
    exit 1
fi
