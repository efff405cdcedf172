#!/usr/bin/env bash
# The real executable: wrap a file with a key file, unwrap it, compare the bytes; a wrong
# key must fail with a one-line error and a non-zero status.
set -eu
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '{\\rtf1\\ansi Quillbox round trip, round trip, round trip \\par}\n' > "$dir/note.rtf"
printf 'key text\n' > "$dir/key"
printf 'other\n' > "$dir/bad"
"$cli" wrap --name Test --key-file "$dir/key" -o "$dir/note.env" "$dir/note.rtf"
"$cli" unwrap --key-file "$dir/key" -o "$dir/back.rtf" "$dir/note.env"
cmp "$dir/note.rtf" "$dir/back.rtf"
if "$cli" unwrap --key-file "$dir/bad" "$dir/note.env" 2> "$dir/err"; then
    echo "unwrap with a wrong key succeeded"; exit 1
fi
[ "$(wc -l < "$dir/err")" -eq 1 ] || { echo "error is not one line"; cat "$dir/err"; exit 1; }
if "$cli" wrap --name T --key secret "$dir/note.rtf" 2>/dev/null; then
    echo "a key on the command line was accepted"; exit 1
fi
"$cli" token --account kiwi | grep -Eq '^[A-Za-z0-9_-]+=+$'
"$cli" setting --ini "$dir/q.ini" Server 127.0.0.1:9
[ "$("$cli" setting --ini "$dir/q.ini" Server)" = "127.0.0.1:9" ] || { echo "setting not kept"; exit 1; }
echo "cli round trip ok"
