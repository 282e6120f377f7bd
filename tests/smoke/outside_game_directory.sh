#!/bin/sh
# The client started outside a game directory: it ends with status 2 and says
# on standard error, in one sentence, what is wrong and where to start it;
# the log on standard output stays free of that sentence and ends as always.
# The same log, byte for byte, is in the state directory's veskaria.log, and
# four runs leave the last three logs. A state directory that cannot be made
# costs the log file only, said in one line. --version and --help answer
# without a display and without touching the logs.
# Usage: outside_game_directory.sh path/to/vsk-client
set -u
client=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
export XDG_STATE_HOME="$dir/state"
logs="$XDG_STATE_HOME/veskaria"
expected='vsk-client: no game data here (./data/path is missing); start it in the game directory'
fail() { echo "outside the game directory: $1"; cat said.txt; exit 1; }
for run in 1 2 3 4; do
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$client" >log.txt 2>said.txt
  status=$?
  [ "$status" -eq 2 ] || fail "exit status $status, expected 2"
  [ "$(cat said.txt)" = "$expected" ] || fail "standard error is not the one sentence"
  grep -q 'vsk-client:' log.txt && fail "the sentence went to the log"
  [ "$(tail -n 1 log.txt)" = "Veskaria END " ] || fail "the log does not end with its end line"
  cmp -s log.txt "$logs/veskaria.log" || fail "run $run: veskaria.log is not standard output"
  echo "$run" >>"$logs/veskaria.log"  # marks this run's file for the rotation check
done
[ "$(ls "$logs" | tr '\n' ' ')" = "veskaria.1.log veskaria.2.log veskaria.log " ] || fail "kept logs: $(ls "$logs")"
[ "$(tail -n 1 "$logs/veskaria.1.log")" = 3 ] && [ "$(tail -n 1 "$logs/veskaria.2.log")" = 2 ] ||
  fail "the kept logs are not the last three runs"

: >blocked
XDG_STATE_HOME="$dir/blocked" SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$client" >log.txt 2>said.txt
status=$?
[ "$status" -eq 2 ] || fail "without a log directory: exit status $status, expected 2"
head -n 1 said.txt | grep -q '^vsk-client: no log file (cannot make .*blocked/veskaria' ||
  fail "without a log directory: no line that says so"
[ "$(tail -n 1 said.txt)" = "$expected" ] || fail "without a log directory: the sentence is missing"
[ "$(tail -n 1 log.txt)" = "Veskaria END " ] || fail "without a log directory: the log is incomplete"
version=$(env -u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY "$client" --version 2>said.txt) ||
  fail "--version: exit status $?"
[ "$version" = '$VER: VsK-Client 3D V0.03Beta (04.06.2005)' ] || fail "--version: \"$version\""
env -u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY "$client" --help >help.txt 2>said.txt || fail "--help: exit status $?"
grep -q '^Usage: vsk-client \[-gl\]$' help.txt && grep -q 'veskaria.log' help.txt || fail "--help: no usage"
[ ! -s said.txt ] && [ "$(tail -n 1 "$logs/veskaria.1.log")" = 3 ] || fail "--version or --help touched the logs"
echo "outside the game directory: status 2, $expected; log file equal, three kept; --version, --help"
