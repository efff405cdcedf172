#!/usr/bin/env bash
# Builds Quillbox and runs what exists so far: the command-line tool's round trip of a note.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
cli=build/default/cli/quillbox-cli
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '{\\rtf1\\ansi Hello from Quillbox, hello from Quillbox.\\par}\n' > "$dir/hello.rtf"
printf 'demo key\n' > "$dir/key"
"$cli" wrap --name Demo --key-file "$dir/key" -o "$dir/hello.env" "$dir/hello.rtf"
echo "Envelope text of a note:"; cat "$dir/hello.env"; echo
echo "Unwrapped again:"; "$cli" unwrap --key-file "$dir/key" "$dir/hello.env"
