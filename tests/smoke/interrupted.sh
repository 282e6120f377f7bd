#!/bin/sh
# Ctrl+C (SIGINT) and SIGTERM end a running client in order within a second:
# status 0 as for a closed window, the log complete with its end line, and
# the preferences' running mark still set (its screen was interrupted).
# Usage: interrupted.sh path/to/vsk-client path/to/demo
set -u
client=$1
demo=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_STATE_HOME="$dir/state" SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fail() { echo "interrupted: $1"; cat "$dir/said.txt"; exit 1; }
running() { od -An -tu1 -j228 -N1 "$dir/game/data/prefs.vsk" | tr -d ' '; }
for signal in INT TERM; do
  for arg in "" -gl; do
    rm -rf "$dir/game" && cp -r "$demo" "$dir/game" || exit 1
    # A background job of a script starts with SIGINT ignored: the client
    # gets the terminal's default, as a player's would.
    (cd "$dir/game" && exec env --default-signal=INT,TERM "$client" $arg >"$dir/log.txt" 2>"$dir/said.txt") &
    pid=$!
    # The game thread marks the preferences "running" when its screens start.
    tries=0
    until [ "$(running)" = 1 ]; do
      tries=$((tries + 1))
      [ $tries -le 300 ] || { kill -9 $pid; fail "SIG$signal ${arg:-DirectDraw}: the screens never started"; }
      sleep 0.1
    done
    kill -s "$signal" $pid
    tries=0
    while kill -0 $pid 2>/dev/null; do
      tries=$((tries + 1))
      [ $tries -le 20 ] || { kill -9 $pid; fail "SIG$signal ${arg:-DirectDraw}: still running 2 seconds later"; }
      sleep 0.1
    done
    wait $pid
    status=$?
    [ "$status" -eq 0 ] || fail "SIG$signal ${arg:-DirectDraw}: exit status $status, expected 0"
    [ "$(tail -n 1 "$dir/log.txt")" = "Veskaria END " ] || fail "SIG$signal ${arg:-DirectDraw}: the log lacks its end line"
    [ "$(running)" = 1 ] || fail "SIG$signal ${arg:-DirectDraw}: the running mark was cleared"
    echo "interrupted by SIG$signal (${arg:-DirectDraw}): ended in order, running mark kept"
  done
done
