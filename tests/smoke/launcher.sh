#!/bin/sh
# The launcher of an installed game: it makes the player's game directory
# from the read-only demo (copies of the files directly in data/, links to
# the rest), runs the client there with its arguments, and on a later start
# adds what the demo gained without replacing the player's own files.
# Usage: launcher.sh path/to/packaging/veskaria path/to/demo
set -u
launcher=$1
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
fail() { echo "launcher: $1"; exit 1; }
mkdir -p "$scratch/usr/bin" "$scratch/usr/share/veskaria"
cp "$launcher" "$scratch/usr/bin/veskaria"
cp -r "$2" "$scratch/usr/share/veskaria/demo"
# A client that tells where it ran and with what.
printf '#!/bin/sh\necho "$PWD $*"\n' >"$scratch/usr/bin/vsk-client"
chmod +x "$scratch/usr/bin/vsk-client"
chmod -R a-w "$scratch/usr/share/veskaria"
game=$scratch/home/veskaria/game

said=$(XDG_DATA_HOME=$scratch/home "$scratch/usr/bin/veskaria" -gl --record run.rec) || fail "first start failed"
[ "$said" = "$game -gl --record run.rec" ] || fail "the client ran as '$said'"
[ -f "$game/data/prefs.vsk" ] && [ ! -L "$game/data/prefs.vsk" ] && [ -w "$game/data/prefs.vsk" ] ||
  fail "data/prefs.vsk is not a writable copy"
[ -L "$game/data/pics/resid08.chk" ] && [ -L "$game/fonts/kadunc1.fnt" ] || fail "pictures and fonts are not linked"
cmp -s "$game/data/path" "$2/data/path" || fail "data/path differs from the demo's"

echo changed >"$game/data/prefs.vsk"
chmod u+w "$scratch/usr/share/veskaria/demo/data"
echo new >"$scratch/usr/share/veskaria/demo/data/added.vsk"
XDG_DATA_HOME=$scratch/home "$scratch/usr/bin/veskaria" >/dev/null || fail "second start failed"
[ "$(cat "$game/data/prefs.vsk")" = changed ] || fail "the player's preferences were replaced"
[ "$(cat "$game/data/added.vsk" 2>/dev/null)" = new ] || fail "a file the demo gained was not added"

rm -rf "$scratch/usr/share/veskaria/demo/data/path"
XDG_DATA_HOME=$scratch/home "$scratch/usr/bin/veskaria" 2>"$scratch/err" && fail "started without game data"
grep -q 'veskaria: no game data in' "$scratch/err" || fail "no clear sentence without game data"
echo "launcher: made the game directory, kept the player's files, added the demo's new ones"
