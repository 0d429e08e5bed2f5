#!/usr/bin/env bash
# Takes docs/emoticon-picker.png: under Xvfb, a new mail on the compose page (写信) with a
# recipient, a subject, a line of text and one emoticon already pasted, and the picker opened
# again from the 表情 button with the mouse resting on its first picture.
#   scripts/screenshots-emoticons.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool, sqlite3)
# The button's place on the page can be given as EMOTICON_X / EMOTICON_Y (from the window's
# top-left corner).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare emoticons "${1:-}"
shots_account

cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
shot() { xwd -root -silent >"$out/s.xwd" && convert "$out/s.xwd" "$out/$1"; }
"$program" & pid=$!
# A loaded machine may take a while to show the window.
win=$(timeout 60 xdotool search --sync --onlyvisible --name "Tenvel 202" | head -1)
sleep 3
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 69)) $((Y + 46)) click 1; sleep 3                  # 写信
xdotool mousemove $((X + 300)) $((Y + 82)) click 1; sleep 1                 # TO field
xdotool type --delay 30 "li.jing@example.com"
xdotool mousemove $((X + 300)) $((Y + 111)) click 1; sleep 1                # 主题
xdotool type --delay 30 "Happy New Year"
xdotool mousemove $((X + 400)) $((Y + 330)) click 1; sleep 1                # the editor
xdotool type --delay 30 "Happy new year, see you soon "
xdotool mousemove $((X + EMOTICON_X)) $((Y + EMOTICON_Y)) click 1; sleep 2  # 表情
shot probe.png
xdotool mousemove $((X + EMOTICON_X + 7)) $((Y + EMOTICON_Y + 190)) click 1; sleep 2
xdotool mousemove $((X + EMOTICON_X)) $((Y + EMOTICON_Y)) click 1; sleep 2  # 表情 again
xdotool mousemove $((X + EMOTICON_X + 7)) $((Y + EMOTICON_Y + 190)); sleep 3
shot picker.png
kill "$pid"
SESSION
export EMOTICON_X=${EMOTICON_X:-183} EMOTICON_Y=${EMOTICON_Y:-200}
shots_session
cp "$work/picker.png" "$work/probe.png" /tmp/ 2>/dev/null || true
cp "$work/picker.png" docs/emoticon-picker.png
echo emoticon-picker.png
