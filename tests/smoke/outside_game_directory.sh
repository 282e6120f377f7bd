#!/bin/sh
# The client started outside a game directory: it ends with status 2 and says
# on standard error, in one sentence, what is wrong and where to start it;
# the log on standard output stays free of that sentence and ends as always.
# Usage: outside_game_directory.sh path/to/vsk-client
set -u
client=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$client" >log.txt 2>said.txt
status=$?
said=$(cat said.txt)
expected='vsk-client: no game data here (./data/path is missing); start it in the game directory'
fail() { echo "outside the game directory: $1"; cat said.txt; exit 1; }
[ "$status" -eq 2 ] || fail "exit status $status, expected 2"
[ "$said" = "$expected" ] || fail "standard error is not the one sentence"
grep -q 'vsk-client:' log.txt && fail "the sentence went to the log"
[ "$(tail -n 1 log.txt)" = "Veskaria END " ] || fail "the log does not end with its end line"
echo "outside the game directory: status 2, $said"
