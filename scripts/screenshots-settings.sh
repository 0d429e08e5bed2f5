#!/usr/bin/env bash
# Takes the start-up lock and personal settings screenshots kept in docs/: a fresh program
# folder with one account whose PersonalSet row has the lock on (written with sqlite3), then
# under Xvfb the lock as the program starts, with a password typed, and after it opens the
# settings window from 设置 → 基本设置 → 个人设置.
#   scripts/screenshots-settings.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool, sqlite3)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare settings "${1:-}"
shots_account
sqlite3 "$program/DB/MailCheck.mdb" \
  "update PersonalSet set SetPassword='True', PasswordPWsys='secret', IsAutoRecMail='n';"
cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
"$program" & pid=$!
sleep 8
xdotool type --delay 100 "secret"; sleep 1
shot lock.png
xdotool key Return; sleep 2
win=$(xdotool search --name "Tenvel 202" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 675)) $((Y + 46)) mousedown 1 mouseup 1; sleep 1   # 设置
xdotool key Down Right Return; sleep 2                                      # 个人设置
shot settings.png
kill "$pid"
SESSION
shots_session
# Without a window manager the main window sits centred on the screen: only it is kept.
for shot in lock settings; do
  convert "$work/$shot.png" -crop 700x550+290+155 +repage "docs/$shot-window.png"
done
echo "lock-window.png settings-window.png"
