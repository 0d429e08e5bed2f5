#!/usr/bin/env bash
# Takes the reminder screenshot kept in docs/: a fresh program folder with a reminder due in the
# current minute (added with `tvmail remind add`), then under Xvfb the program started on it,
# captured just after the reminder window slid in at the top edge.
#   scripts/screenshots-reminders.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare reminders "${1:-}"
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
shots_session
# The reminder window at the top left corner, with the main window's corner behind it.
convert "$work/reminder-full.png" -crop 640x360+0+0 docs/reminder.png
echo "reminder.png"
