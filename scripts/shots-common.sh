# shellcheck shell=bash
# Shared steps of the screenshot scripts, sourced after `set -euo pipefail` and a cd to the
# repository: a scratch folder removed on exit, a fresh portable program folder copied from
# the build, an account for it, and the Xvfb session.
#   shots_prepare NAME BUILD_DIR   sets build, work (mktemp), program (its program folder)
#   shots_account                  adds box01@example.com (servers on a closed port)
#   shots_session                  runs $work/session.sh PROGRAM WORK under Xvfb; prints its
#                                  log and fails when the session fails
# A session (its first line sets program=$1 out=$2) may call:
#   shot NAME                      the whole screen as $out/NAME
#   start_program                  starts $program and waits for its main window; sets pid,
#                                  win and the window's X, Y, WIDTH, HEIGHT

shots_prepare() {
  build=$(realpath "${2:-build/ci}")
  work=$(mktemp -d "/tmp/tenvel-$1.XXXXXX")
  # shellcheck disable=SC2064
  trap "rm -rf '$work'" EXIT
  program="$work/program"
  mkdir -p "$program"
  cp -r "$build/app/tenvel" "$build/app/Images" "$build/app/Sound" "$build/app/POPSmtp.ini" \
    "$program/"
}

shots_account() {
  printf 'unused' >"$work/password"
  # The account makes the program folder's databases; nothing listens on its servers' port.
  "$build/tools/tvmail/tvmail" account add --program-folder "$program" --user box01 \
    --domain example.com --password-file "$work/password" --nickname 张经理 \
    --pop3 127.0.0.1:1 --smtp 127.0.0.1:1 --keep >/dev/null
}

# shellcheck disable=SC2154  # out is set by the session
shot() { xwd -root -silent >"$out/s.xwd" && convert "$out/s.xwd" "$out/$1"; }

start_program() {
  "$program" &
  # shellcheck disable=SC2034  # the session ends the program with it
  pid=$!
  # A loaded machine may take a while to show the window.
  win=$(timeout 60 xdotool search --sync --onlyvisible --name "Tenvel 202" | head -1)
  sleep 3
  eval "$(xdotool getwindowgeometry --shell "$win")"
}

shots_session() {
  export QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox
  # A runtime folder of its own: a copy of the program running elsewhere for this user would
  # otherwise take this start as a second one, which ends at once.
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
  # The session runs in a shell of its own under Xvfb: it gets the helpers above in front.
  { declare -f shot start_program; cat "$work/session.sh"; } >"$work/session-run.sh"
  xvfb-run -a -s "-screen 0 1280x860x24" bash "$work/session-run.sh" "$program/tenvel" "$work" \
    >"$work/session.log" 2>&1 || { cat "$work/session.log"; return 1; }
}
