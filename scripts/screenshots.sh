#!/usr/bin/env bash
# Takes the screenshots kept in docs/: the inbox page and the reading page showing a Chinese
# HTML mail with two attachments, received for real from the loopback Dovecot by tvmail and
# shown by the desktop program under Xvfb; then the compose page with a draft holding a
# picture and two attachments, the sending page while the draft goes to a slow SMTP sink on
# loopback, and the sent box with that success and a cancelled (failed) second send.
#   scripts/screenshots.sh BUILD_DIR    (e.g. build/ci; needs xvfb-run, xwd, convert, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/ci}")
work=$(mktemp -d /tmp/tenvel-shots.XXXXXX)
state="$work/servers.env"
slow_pid=
trap 'scripts/test-servers/stop.sh "$state" >/dev/null 2>&1 || true; [ -z "$slow_pid" ] || kill "$slow_pid"; rm -rf "$work"' EXIT

scripts/test-servers/start.sh "$state" >/dev/null
# shellcheck disable=SC1090
source "$state"
# The plain POP3 port offers STLS: the client upgrades and checks the test authority's
# certificate.
export SSL_CERT_FILE=$TV_CA_FILE
maildir="$TV_MAIL_ROOT/box01/Maildir/new"
mkdir -p "$maildir"

b64() { base64 -w 76; }
n=0
message() {  # subject, from, date, html, [attachments...]
  local subject=$1 from=$2 date=$3 html=$4
  shift 4
  n=$((n + 1))
  {
    printf 'From: %s\r\nTo: box01@example.com\r\nSubject: =?UTF-8?B?%s?=\r\n' "$from" \
      "$(printf '%s' "$subject" | base64 -w 0)"
    printf 'Date: %s\r\nMessage-ID: <shot%d@example.com>\r\nMIME-Version: 1.0\r\n' "$date" "$n"
    printf 'Content-Type: multipart/mixed; boundary="MIX"\r\n\r\n'
    printf -- '--MIX\r\nContent-Type: text/html; charset=gb2312\r\n'
    printf 'Content-Transfer-Encoding: base64\r\n\r\n'
    printf '%s' "$html" | iconv -f UTF-8 -t GB18030 | b64 | sed 's/$/\r/'
    for file in "$@"; do
      local name
      name=$(basename "$file")
      printf -- '--MIX\r\nContent-Type: application/octet-stream; name="=?UTF-8?B?%s?="\r\n' \
        "$(printf '%s' "$name" | base64 -w 0)"
      printf 'Content-Disposition: attachment\r\nContent-Transfer-Encoding: base64\r\n\r\n'
      b64 <"$file" | sed 's/$/\r/'
    done
    printf -- '--MIX--\r\n'
  } >"$maildir/$n.shot:2,"
}

mkdir -p "$work/files"
head -c 182000 /dev/urandom >"$work/files/季度报告.pdf"
head -c 24000 /dev/urandom >"$work/files/预算表.xlsx"
# Larger than the socket's send buffer, so the sending page is seen before the end.
head -c 6000000 /dev/urandom >"$work/files/2027年预算说明.pdf"
message "项目周会纪要 📅" '"市场部 小王" <wang@example.com>' "Mon, 07 Dec 2026 09:12:00 +0800" \
  "<p>各位同事：</p><p>附件是本周项目周会的<b>纪要</b>和预算表，请在周五前查看并回复意见。</p><ul><li>第一阶段已完成</li><li>第二阶段下周开始</li></ul><p>谢谢！<br>小王</p>"
message "关于年终总结的通知" '"人事部" <hr@example.com>' "Tue, 08 Dec 2026 14:30:00 +0800" \
  "<h3>年终总结</h3><p>请各部门于12月20日前提交年终总结。</p>"
message "季度报告与预算表 🎉" '"财务部 李静" <li.jing@example.com>' "Wed, 09 Dec 2026 10:05:00 +0800" \
  "<h2 style='color:#1a5fb4'>第四季度报告</h2><p>张经理您好：</p><p>第四季度的<b>财务报告</b>和明年的<span style='color:#c01c28'>预算表</span>已整理完毕，见附件。</p><table border=1 cellpadding=4><tr><th>项目</th><th>金额（万元）</th></tr><tr><td>收入</td><td>1,280</td></tr><tr><td>支出</td><td>960</td></tr></table><p>如有问题请随时联系。</p><p>李静<br>财务部</p>" \
  "$work/files/季度报告.pdf" "$work/files/预算表.xlsx"
message "Re: 下周出差安排" '"Zhang San" <zhang@example.com>' "Wed, 09 Dec 2026 11:40:00 +0800" \
  "<p>好的，我周二出发。</p>"

# The SMTP sink the account sends through reads slowly, so the sending page is seen mid-way.
slow_port=$((20000 + RANDOM % 20000))
python3 scripts/slow_smtp.py "$slow_port" 400000 & slow_pid=$!

program="$work/program"
mkdir -p "$program"
cp -r "$build/app/tenvel" "$build/app/Images" "$build/app/Sound" "$build/app/POPSmtp.ini" \
  "$program/"
printf '%s' "$TV_POP3_PASSWORD" >"$work/password"
"$build/tools/tvmail/tvmail" account add --program-folder "$program" --user box01 \
  --domain example.com --password-file "$work/password" --nickname 张经理 \
  --pop3 "127.0.0.1:$TV_POP3_PORT" --smtp "127.0.0.1:$slow_port" --keep >/dev/null
"$build/tools/tvmail/tvmail" receive --program-folder "$program" --account box01@example.com

# A draft to open on the compose page: Chinese HTML with a picture and two attachments.
convert -size 360x120 gradient:'#1a5fb4-#99c1f1' -fill white -pointsize 40 -gravity center \
  -annotate 0 'Q4 2026' "$work/files/chart.png"
draft_html="<p>李静您好：</p><p>报告已经看过，<b>第四季度</b>的数字很清楚。下面是我做的<span style='color:#c01c28'>对比图</span>：</p><p><img src=\"file://$work/files/chart.png\" ></p><p>预算表我改了两处，见附件。</p><p>张经理</p>"
sqlite3 "$program/DB/MsgEx.mdb" "insert into MailOutlineBox (Sender, Receiver, SendDateTime,
  Content, MessageKind, FuJianPath, FilePath, Mailcc, MailBcc, MailSubject, Fujian) values
  ('box01@example.com', 'li.jing@example.com', '2026-12-09 10:30:00',
  '<body>${draft_html//\'/\'\'}</body>', 'MailOutline',
  '$work/files/2027年预算说明.pdf*$work/files/预算表.xlsx*', '', 'wang@example.com', 'no',
  'Re: 季度报告与预算表', 'F')"

# The session under Xvfb: start the program, open the inbox, preview the newest message, open
# it on the reading page, and take the whole screen after each step.
cat >"$work/session.sh" <<'SESSION'
set -eu
program=$1 out=$2
shot() { xwd -root -silent >"$out/s.xwd" && convert "$out/s.xwd" "$out/$1"; }
"$program" & pid=$!
sleep 8
win=$(xdotool search --name "Tenvel 202" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 207)) $((Y + 46)) click 1; sleep 3   # 收件箱
xdotool mousemove $((X + 300)) $((Y + ROW)) click 1; sleep 3   # the newest message: preview
shot box-page.png
xdotool mousemove $((X + 300)) $((Y + ROW)) click --repeat 2 --delay 80 1; sleep 4   # reading page
shot reading-page.png
drafts() {  # 其他邮箱 -> 草稿箱, then open the draft
  xdotool mousemove $((X + 325)) $((Y + 46)) mousedown 1 mouseup 1; sleep 1
  xdotool key Down Down Return; sleep 2
  xdotool mousemove $((X + 300)) $((Y + 159)) click --repeat 2 --delay 80 1; sleep 4
}
drafts
shot compose-page.png
xdotool mousemove $((X + 650)) $((Y + 111)) click 1; sleep 3   # SEND
shot sending-page.png
sleep 25
drafts
xdotool mousemove $((X + 650)) $((Y + 111)) click 1; sleep 2   # SEND again, then 取消发送
xdotool mousemove $((X + CANCEL_X)) $((Y + CANCEL_Y)) click 1; sleep 5
xdotool mousemove $((X + 263)) $((Y + 46)) click 1; sleep 3   # 发件箱
shot sent-box.png
kill "$pid"
SESSION
export QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox ROW=${ROW:-179} CANCEL_X=${CANCEL_X:-350}
export CANCEL_Y=${CANCEL_Y:-506}
xvfb-run -a -s "-screen 0 1280x860x24" bash "$work/session.sh" "$program/tenvel" "$work" \
  >"$work/session.log" 2>&1
shots="box-page.png reading-page.png compose-page.png sending-page.png sent-box.png"
for shot in $shots; do cp "$work/$shot" docs/; done
echo "$shots"
