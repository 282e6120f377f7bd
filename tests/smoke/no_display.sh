#!/bin/sh
# Without a display the client does not run invisibly: unless SDL_VIDEODRIVER
# asks for one, only drivers that show a window count, and with none the
# window creation fails as the game reports it (its box on standard error),
# the process ends at once with status 2 and its sentence.
# Usage: no_display.sh path/to/vsk-client path/to/demo
set -u
client=$1
demo=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp -r "$demo/." "$dir/" || exit 1
cd "$dir" || exit 1
export XDG_STATE_HOME="$dir/state" SDL_AUDIODRIVER=dummy
fail() { echo "no display: $1"; cat said.txt; exit 1; }
# presenter argument | display | the box's text
while IFS='|' read -r arg display box; do
  if [ -n "$display" ]; then
    env -u SDL_VIDEODRIVER DISPLAY="$display" timeout 5 "$client" $arg >log.txt 2>said.txt
  else
    env -u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY timeout 5 "$client" $arg >log.txt 2>said.txt
  fi
  status=$?
  case="${arg:-DirectDraw}, DISPLAY=${display:-(none)}"
  [ "$status" -ne 124 ] || fail "$case: still running after 5 seconds"
  [ "$status" -eq 2 ] || fail "$case: exit status $status, expected 2"
  grep -qx "ERROR: $box" said.txt || fail "$case: no box \"$box\""
  grep -qx "vsk-client: the .* window could not be made: $box" said.txt || fail "$case: no sentence"
  [ "$(tail -n 1 log.txt)" = "Veskaria END " ] || fail "$case: the log does not end with its end line"
  echo "no display ($case): status 2, box \"$box\""
done <<'CASES'
|:987|(DX) Window Creation Error.
-gl|:987|(GL) Window Creation Error.
||(DX) Window Creation Error.
-gl||(GL) Window Creation Error.
CASES
