#!/usr/bin/env bash
# Takes the start-up lock and personal settings screenshots kept in docs/: a fresh program
# folder with one account whose PersonalSet row has the lock on (written with sqlite3), then
# under Xvfb the lock as the program starts, with a password typed, and after it opens the
# settings window from 设置 → 基本设置 → 个人设置.
#   scripts/screenshots-settings.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool, sqlite3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/ci}")
work=$(mktemp -d /tmp/tenvel-settings.XXXXXX)
trap 'rm -rf "$work"' EXIT
program="$work/program"
mkdir -p "$program"
cp -r "$build/app/tenvel" "$build/app/Images" "$build/app/Sound" "$build/app/POPSmtp.ini" \
  "$program/"
printf 'unused' >"$work/password"
# The account makes the program folder's databases; nothing listens on its servers' port.
"$build/tools/tvmail/tvmail" account add --program-folder "$program" --user box01 \
  --domain example.com --password-file "$work/password" --nickname 张经理 \
  --pop3 127.0.0.1:1 --smtp 127.0.0.1:1 --keep >/dev/null
sqlite3 "$program/DB/MailCheck.mdb" \
  "update PersonalSet set SetPassword='True', PasswordPWsys='secret', IsAutoRecMail='n';"
cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
shot() { xwd -root -silent >"$out/s.xwd" && convert "$out/s.xwd" "$out/$1"; }
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
export QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox
# A runtime folder of its own: a copy of the program running elsewhere for this user would
# otherwise take this start as a second one.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
xvfb-run -a -s "-screen 0 1280x860x24" bash "$work/session.sh" "$program/tenvel" "$work" \
  >"$work/session.log" 2>&1 || { cat "$work/session.log"; exit 1; }
# Without a window manager the main window sits centred on the screen: only it is kept.
for shot in lock settings; do
  convert "$work/$shot.png" -crop 700x550+290+155 +repage "docs/$shot-window.png"
done
echo "lock-window.png settings-window.png"
