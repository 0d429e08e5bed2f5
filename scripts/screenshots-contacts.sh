#!/usr/bin/env bash
# Takes the address-book and search screenshots kept in docs/: a program folder with an
# account, named groups and tiers in the address book and a few Chinese messages (written with
# sqlite3, so the index triggers queue them), then under Xvfb the address book from 设置 →
# 通讯录 and the 搜索全部邮件 window (Ctrl+F) for the query "预算".
#   scripts/screenshots-contacts.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool, sqlite3)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare contacts "${1:-}"
shots_account
sqlite3 "$program/DB/MsgEx.mdb" <<'SQL'
insert into Friend (QXHaoMa, NiCheng, GroupName, BeiZhu) values
 ('wang@example.com','市场部 小王','1',''),('zhao@example.com','赵工','1',''),
 ('qian@example.com','钱会计','1',''),('chen@example.com','陈晨','2',''),
 ('liu@example.com','刘洋','2',''),('li.jing@example.com','李静','6','财务部'),
 ('hr@example.com','人事部','6',''),('zhang@example.com','Zhang San','7',''),
 ('sun@example.com','孙老师','7',''),('zhou@example.com','','8','');
insert into Historys (Sender, Receiver, SendDateTime, Content, MessageKind, FilePath,
 MailSubject, Fujian) values
 ('"财务部 李静" <li.jing@example.com>','box01@example.com','2026-12-09 10:05:00',
  '<p>张经理您好：第四季度的财务报告和明年的预算表已整理完毕，见附件。</p>','MailUn',
  'NOHAVEExtractFile','季度报告与预算表','S'),
 ('"市场部 小王" <wang@example.com>','box01@example.com','2026-12-07 09:12:00',
  '<p>附件是本周项目周会的纪要和预算表，请在周五前查看并回复意见。</p>','Mailed',
  'NOHAVEExtractFile','项目周会纪要','S'),
 ('"人事部" <hr@example.com>','box01@example.com','2026-12-08 14:30:00',
  '<p>请各部门于12月20日前提交年终总结，包括全年预算执行情况。</p>','Mailed',
  'NOHAVEExtractFile','关于年终总结的通知','S');
insert into MailSendBox (Sender, Receiver, SendDateTime, Content, MessageKind, FilePath,
 MailSubject, Fujian) values
 ('box01@example.com','李静 <li.jing@example.com>;','2026-12-09 11:30:00',
  '<p>报告已经看过，预算表我改了两处，见附件。</p>','MailSendSucc','','Re: 季度报告与预算表','F');
SQL
cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
"$program" & pid=$!
sleep 8
win=$(xdotool search --name "Tenvel 202" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 675)) $((Y + 46)) mousedown 1 mouseup 1; sleep 1   # 设置
xdotool key Down Down Return; sleep 3                                       # 通讯录
shot address-book.png
xdotool key Escape; sleep 1
xdotool mousemove $((X + 207)) $((Y + 46)) click 1; sleep 2                 # 收件箱
xdotool key ctrl+f; sleep 2
xdotool type --delay 100 "预算"; sleep 4
shot search-results.png
kill "$pid"
SESSION
shots_session
cp "$work/address-book.png" docs/
# Without a window manager the search window sits at the screen's corner.
convert "$work/search-results.png" -crop 900x520+0+0 docs/search-results.png
echo "address-book.png search-results.png"
