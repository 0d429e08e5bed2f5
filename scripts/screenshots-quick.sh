#!/usr/bin/env bash
# Takes docs/quick-reply-manager.png: a fresh program folder with a business signature among the
# quick replies, then under Xvfb the compose page (写信), its 签名 button's menu, and the
# manager window from 快捷回复菜单 with that signature chosen in the name list.
#   scripts/screenshots-quick.sh BUILD_DIR   (needs xvfb-run, xwd, convert, xdotool, sqlite3)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/shots-common.sh
source scripts/shots-common.sh
shots_prepare quick "${1:-}"
shots_account
sqlite3 "$program/DB/MsgEx.mdb" <<'SQL'
insert into kuaihuifu (Subject, content) values ('商务签名',
 '<DIV><FONT face=宋体 size=3 color=#1a5fb4><B>张经理</B></FONT></DIV><DIV><FONT face=宋体 size=2>市场部 · 华东区</FONT></DIV><DIV><FONT face=宋体 size=2 color=#666666>电话：021-5555 0123　邮箱：box01@example.com</FONT></DIV>');
SQL
cat >"$work/session.sh" <<'SESSION'
set -u
program=$1 out=$2
start_program
xdotool mousemove $((X + 69)) $((Y + 46)) click 1; sleep 3      # 写信
xdotool mousemove $((X + 565)) $((Y + 142)) click 1; sleep 4    # 签名: the quick-reply menu
shot menu.png
xdotool mousemove $((X + 588)) $((Y + 166)) click 1; sleep 4   # 快捷回复菜单: the manager
manager=$(timeout 20 xdotool search --sync --onlyvisible --name "签名管理" | head -1)
sleep 4
# Without a window manager a new window is drawn once it is moved.
xdotool windowmove "$manager" 40 40; sleep 3
xdotool getwindowgeometry --shell "$manager" >"$out/manager.geometry"
xdotool mousemove 233 62 click 1; sleep 2                       # the name list
xdotool key Down Down Down Return; sleep 4                      # 商务签名
shot manager.png
kill "$pid"
SESSION
shots_session
# shellcheck disable=SC1091
source "$work/manager.geometry"
convert "$work/manager.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
  docs/quick-reply-manager.png
echo "quick-reply-manager.png"
