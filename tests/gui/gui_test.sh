#!/usr/bin/env bash
# Drives the interactive program as a user would, on a private X server:
# chooses a file in its open dialog, reads and answers the error box, and
# checks the files and the exit code.
#   gui_test.sh CASE WORDHEX A11Y_PROBE
set -euo pipefail
case_name=$1 wordhex=$2 probe=$3

good=':0400100001020304E2\r\n:00000001FF\r\n'
# case          input                                  output before  box text (none: no box)          answered by
table="
valid           $good                                  -              -                                 -
damaged         :0400100001020304E2\r\n:04001\r\n      old            HEX файл повреждён.               Return
checksum        :0400100001020304E3\r\n:00000001FF\r\n old            Ошибка контрольной суммы.         click
cannot-create   $good                                  directory      Не удалось создать файл x_I16.hex! Return
cancel          $good                                  -              -                                 Escape
"
row=$(grep "^$case_name " <<<"$table") || { echo "no case $case_name" >&2; exit 2; }
read -r _ input before rest <<<"$row"
answer=${rest##* } text=${rest% *}
text=${text%"${text##*[! ]}"}

work=$(mktemp -d "${TMPDIR:-/tmp}/wordhex-gui.XXXXXX")
app_pid=
# shellcheck source=tests/gui/session.sh
source "$(dirname "$0")/session.sh"
finish() {
  local status=$?
  if [ -n "$app_pid" ] && ! ended "$app_pid"; then kill "$app_pid" 2>/dev/null || true; fi
  if [ "$status" -ne 0 ]; then
    grep -hv '^$' "$work/wordhex.log" "$work/dbus.log" 2>/dev/null | sed 's/^/  log: /' >&2 || true
  fi
  stop_session
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL [$case_name]: $*" >&2
  exit 1
}

files="$work/files"
mkdir -p "$files"
printf '%b' "$input" >"$files/x.hex"
case $before in
  old) printf 'an older output\r\n' >"$files/x_I16.hex" ;;
  directory) mkdir "$files/x_I16.hex" && echo kept >"$files/x_I16.hex/inside" ;;
esac
listing() { (cd "$files" && find . -printf '%p %y %s\n' | sort && cat x.hex) | md5sum; }
initial=$(listing)

start_session 1280x1024
(cd "$files" && exec "$wordhex") >"$work/wordhex.log" 2>&1 &
app_pid=$!

on_screen() {
  local w
  for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    printf '%s "%s" (%s); ' "$w" "$(xdotool getwindowname "$w" 2>/dev/null)" "$(xprop -id "$w" _NET_WM_PID 2>/dev/null)"
  done
  ended "$app_pid" && printf 'the program has ended'
  return 0
}
dialog=$(one_window "$app_pid") || fail "no open dialog appeared; on screen: $(on_screen)"
if [ "$answer" = Escape ]; then
  xdotool windowfocus --sync "$dialog"
  press_until_closed "$app_pid" "$dialog" Escape || fail "the open dialog did not close on Escape"
else
  choose_file "$app_pid" "$dialog" "$files/x.hex" || fail "the open dialog did not take $files/x.hex"
fi

if [ "$text" != - ]; then
  box=$(one_window "$app_pid") || fail "expected the error box alone; on screen: $(on_screen)"
  [ "$box" != "$dialog" ] || fail "the open dialog is still on screen"
  title=$(xdotool getwindowname "$box")
  [ "$title" = "Ошибка!" ] || fail "box titled '$title'"
  shown() { "$probe" "$app_pid" 2>/dev/null >"$work/probe" && grep -qxF "label	$text" "$work/probe"; }
  wait_until 10 shown || fail "box text not '$text'; accessibility shows: $(cat "$work/probe")"
  case $before in
    old)
      [ -f "$files/x_I16.hex" ] || fail "the output is gone while the box is shown"
      ! grep -q 'an older output' "$files/x_I16.hex" || fail "the older output was not replaced"
      ;;
    directory) [ "$(listing)" = "$initial" ] || fail "the directory in the output's place was touched" ;;
  esac
  if [ "$answer" = click ]; then
    read -r _ _ x y < <(grep -m 1 '^button' "$work/probe") || fail "no button in the box"
    xdotool mousemove --sync "$x" "$y" click 1
  else
    xdotool windowfocus --sync "$box" key Return
  fi
fi

wait_until 10 ended "$app_pid" || fail "still running; on screen: $(on_screen)"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "exit code $status"

case $case_name in
  valid)
    printf ':0400080001020304EA\r\n:00000001FF\r\n' >"$work/expected"
    cmp "$work/expected" "$files/x_I16.hex" || fail "output differs"
    [ "$(ls "$files")" = "$(printf 'x.hex\nx_I16.hex')" ] || fail "files: $(ls "$files")"
    ;;
  damaged | checksum) [ "$(ls "$files")" = x.hex ] || fail "left behind: $(ls "$files")" ;;
  *) [ "$(listing)" = "$initial" ] || fail "files changed: $(ls -R "$files")" ;;
esac
echo "PASS [$case_name]"
