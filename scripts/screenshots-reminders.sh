#!/usr/bin/env bash
# Takes the reminder screenshot kept in docs/: a fresh program folder with a reminder due in the
# current minute (added with `tvmail remind add`), then under Xvfb the program started on it,
# captured just after the reminder window slid in at the top edge.
#   scripts/screenshots-reminders.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/ci}")
work=$(mktemp -d /tmp/tenvel-reminders.XXXXXX)
trap 'rm -rf "$work"' EXIT
program="$work/program"
mkdir -p "$program"
cp -r "$build/app/tenvel" "$build/app/Images" "$build/app/Sound" "$build/app/POPSmtp.ini" \
  "$program/"
# The program needs a few seconds to start: leave enough of the minute for it.
while [ "$(date +%-S)" -gt 40 ]; do sleep 1; done
"$build/tools/tvmail/tvmail" remind add --program-folder "$program" --date "$(date +%F)" \
  --time "$(date +%H:%M)" "下午三点和市场部开会，记得带上季度报告和预算表。" >/dev/null
cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
"$program" & pid=$!
for _ in $(seq 1 40); do
  xdotool search --name "事件提醒" >/dev/null 2>&1 && break
  sleep 0.25
done
sleep 1.5
xwd -root -silent >"$out/s.xwd" && convert "$out/s.xwd" "$out/reminder-full.png"
kill "$pid"
SESSION
export QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox
# A runtime folder of its own, so a copy of the program running elsewhere is not the one found.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
xvfb-run -a -s "-screen 0 1280x860x24" bash "$work/session.sh" "$program/tenvel" "$work" \
  >"$work/session.log" 2>&1 || { cat "$work/session.log"; exit 1; }
# The reminder window at the top left corner, with the main window's corner behind it.
convert "$work/reminder-full.png" -crop 640x360+0+0 docs/reminder.png
echo "reminder.png"
