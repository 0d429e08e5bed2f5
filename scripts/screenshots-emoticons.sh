#!/usr/bin/env bash
# Takes docs/emoticon-picker.png: under Xvfb, a new mail on the compose page (写信) with a
# recipient, a subject, a line of text and one emoticon already pasted, and the picker opened
# again from the 表情 button with the mouse on its first picture.
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
start_program
xdotool mousemove $((X + 69)) $((Y + 46)) click 1; sleep 3                  # 写信
xdotool mousemove $((X + 300)) $((Y + 82)) click 1; sleep 1                 # TO field
xdotool type --delay 30 "li.jing@example.com"
xdotool mousemove $((X + 300)) $((Y + 111)) click 1; sleep 1                # 主题
xdotool type --delay 60 "新年快乐"
xdotool mousemove $((X + 400)) $((Y + 330)) click 1; sleep 1                # the editor
xdotool type --delay 60 "李静，新年快乐！"
# The picker opens over the button; its first picture lies just left of the button's place.
first_x=$((X + EMOTICON_X - 6)) first_y=$((Y + EMOTICON_Y - 1))
xdotool mousemove $((X + EMOTICON_X)) $((Y + EMOTICON_Y)) click 1; sleep 2  # 表情
xdotool mousemove "$first_x" "$first_y" click 1; sleep 2                    # b1.gif pasted
xdotool type --delay 60 " 明年见"
xdotool mousemove $((X + EMOTICON_X)) $((Y + EMOTICON_Y)) click 1; sleep 2  # 表情 again
# The picture under the mouse is raised; the shot comes before its hint would show (a hint
# window is drawn black on a display without a compositor).
xdotool mousemove $((first_x + 2)) $((first_y + 2)); sleep 0.3
shot picker.png
kill "$pid"
SESSION
export EMOTICON_X=${EMOTICON_X:-192} EMOTICON_Y=${EMOTICON_Y:-200}
shots_session
cp "$work/picker.png" docs/emoticon-picker.png
echo emoticon-picker.png
