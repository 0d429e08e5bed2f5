#!/usr/bin/env bash
# Takes docs/notes-box.png: the notes box of the desktop program under Xvfb, with three notes
# (one labelled red) and the newest shown in the preview.
#   scripts/screenshots-notes.sh BUILD_DIR    (e.g. build/ci; needs xvfb-run, xwd, convert,
#                                             xdotool, sqlite3)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare notes "${1:-}"

cat >"$work/session.sh" <<'SESSION'
set -eu
program=$1 out=$2 folder=$(dirname "$1")
# A first start creates the databases; the notes go in while the program is not running.
"$program" & pid=$!
sleep 6
kill "$pid"; wait "$pid" || true
note() {  # sender, time, subject, html, label
  sqlite3 "$folder/DB/MsgEx.mdb" "insert into BianQianBox (Sender, Receiver, SendDateTime,
    Content, MessageKind, FuJianPath, FilePath, Mailcc, MailBcc, MailSubject, Fujian, biaoqian)
    values ('$1', '', '$2', '<body>$4</body>', 'MailBianQian', '', '', 'no', 'no', '$3', 'F', '$5')"
}
note Tenv '2026-12-07 09:10:00' '周会要点' '<p>周会要点：</p><ol><li>第二阶段下周开始</li><li>预算表周五前交</li></ol>' ''
note Tenv '2026-12-08 18:20:00' '给李静的回复草稿' '<p>李静您好：报告已看过，第四季度的数字很清楚。</p>' 'MarkRed'
note Tenv '2026-12-09 21:05:00' '年终总结提纲' '<h3>年终总结提纲</h3><p>一、全年项目回顾<br>二、<b>预算执行情况</b><br>三、明年计划</p><p style="color:#c01c28">12月20日前提交</p>' ''
start_program
xdotool mousemove $((X + 325)) $((Y + 46)) mousedown 1 mouseup 1; sleep 1   # 其他邮箱
xdotool key Down Down Down Down Down Return; sleep 3                        # 便签箱
xdotool mousemove $((X + 300)) $((Y + ROW)) click 1; sleep 3                # the newest note
shot notes-box.png
kill "$pid"
SESSION
export ROW=${ROW:-159}
shots_session
cp "$work/notes-box.png" docs/
echo notes-box.png
