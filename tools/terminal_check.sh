#!/bin/sh
# Runs the installed program in a text terminal under tmux and checks it the
# way a user would: the main menu box on rows 10 to 14 with the current
# option highlighted, Down and a first letter moving the highlight, Enter
# into a series menu and Esc back, Esc and "s" ending the program, and a
# shell that works normally afterwards; option 4 opens the manual in the
# text reader in the same terminal, and the menu comes back when the reader
# is closed; Ctrl+\ ends the program at once.
#
# Usage: tools/terminal_check.sh [BUILD-FOLDER]   (default: build)
# Needs tmux. Prints one line per check and ends with status 0 when all
# passed.
set -u

build=${1:-build}
if ! command -v tmux >/dev/null 2>&1; then
  echo "terminal_check: tmux is not installed (apt-get install tmux)" >&2
  exit 2
fi
if [ ! -x "$build/ligafala" ]; then
  echo "terminal_check: no program in $build; build it first" >&2
  exit 2
fi

work=$(mktemp -d)
drive="$work/drive"
socket="ligafala-check-$$"
failures=0
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

cmake --install "$build" --prefix "$drive" >/dev/null || exit 2

# Until the installation carries a voice, the built-in synthesizer is given
# a silent one under each name the settings file asks for, and the rule
# files it needs, so the program starts and says nothing.
voices="$drive/talmar/som/difones"
mkdir -p "$voices" "$drive/talmar/som/letras"
for file in regras.rgr portug.exc; do
  [ -e "$voices/$file" ] || : >"$voices/$file"
done
names=$(grep -a '^DIFONES[0-9]*=' "$drive/windows/SONTRA.INI" 2>/dev/null | cut -d= -f2 | tr -d '\r' | sort -u)
for name in "" $names; do
  if ! ls "$voices" | grep -qix -- "$name.ind"; then
    : >"$voices/$name.IND"
    : >"$voices/$name.DIF"
  fi
done

pass() { echo "ok   - $1"; }
fail() {
  echo "FAIL - $1"
  failures=$((failures + 1))
}
screen() { tmux -L "$socket" capture-pane -t check -p; }
coloured() { tmux -L "$socket" capture-pane -t check -p -e; }
row() { screen | sed -n "${1}p"; }
keys() { tmux -L "$socket" send-keys -t check "$@"; }
# Waits up to 20 s for the screen to show the text (a grep pattern).
wait_for() {
  tries=0
  while [ $tries -lt 200 ]; do
    if screen | grep -q -- "$1"; then return 0; fi
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}
# The row (1-25) whose text is drawn in the highlight colour, yellow.
highlighted_row() {
  coloured | awk '/\033\[(93|38;2;255;255;0)m/ { print NR; exit }'
}
expect_highlight() {
  tries=0
  while [ $tries -lt 50 ]; do
    [ "$(highlighted_row)" = "$1" ] && break
    sleep 0.1
    tries=$((tries + 1))
  done
  if [ "$(highlighted_row)" = "$1" ]; then pass "$2"; else fail "$2 (highlight on row $(highlighted_row))"; fi
}

tmux -L "$socket" -f /dev/null new-session -d -s check -x 100 -y 30 \
  "env -i HOME=\"$work\" PATH=\"$PATH\" TERM=xterm-256color PS1='$ ' sh"
tmux -L "$socket" set-option -t check remain-on-exit on >/dev/null
sleep 0.3
keys "TALMAR_DRIVE_C='$drive' TALMAR_VIDEO=terminal TALMAR_AUDIO=null TALMAR_AUDIO_PACE=20 '$drive/talmar/ligafala'; echo EXIT=\$?" Enter

if wait_for "Terminar o programa"; then pass "the main menu comes up"; else fail "the main menu comes up"; fi
menu_ok=1
n=10
for option in "Brasileir.o s.rie A" "Brasileir.o s.rie B" "Brasileir.o s.rie C" "Manual do programa" "Terminar o programa"; do
  row "$n" | grep -q -- "$option" || menu_ok=0
  n=$((n + 1))
done
if [ $menu_ok = 1 ]; then pass "the five options stand on rows 10 to 14"; else fail "the five options stand on rows 10 to 14"; screen; fi
expect_highlight 10 "the first option is highlighted"
keys Down
expect_highlight 11 "Down highlights the second option"
keys t
expect_highlight 14 "a first letter highlights its option"
keys Home Enter
if wait_for "Ver tabela de classifica"; then pass "Enter opens the series menu"; else fail "Enter opens the series menu"; fi
keys Escape
if wait_for "Terminar o programa" && ! screen | grep -q "Ver tabela de classifica"; then
  pass "Esc goes back to the main menu"
else
  fail "Esc goes back to the main menu"
fi

# Option 4: the manual opens in the text reader in this same terminal, and
# the menu is drawn again when the reader is closed.
keys m
expect_highlight 13 "m highlights the manual"
keys Enter
if wait_for "MANUAL DO PROGRAMA" && ! screen | grep -q "Terminar o programa"; then
  pass "the manual opens in the text reader"
else
  fail "the manual opens in the text reader"
  screen
fi
keys Down
sleep 0.5
keys Escape
if wait_for "Terminar o programa" && ! screen | grep -q "MANUAL DO PROGRAMA"; then
  pass "the menu comes back when the reader is closed"
else
  fail "the menu comes back when the reader is closed"
  screen
fi

keys Escape
sleep 1
keys s
if wait_for "EXIT=0"; then pass "Esc and s end the program with status 0"; else fail "Esc and s end the program with status 0"; screen; fi
sleep 0.5
keys "echo terminal-is-sane" Enter
if wait_for '^\$ echo terminal-is-sane' && wait_for '^terminal-is-sane'; then
  pass "the shell echoes and reads lines again"
else
  fail "the shell echoes and reads lines again"
  screen
fi
keys "stty -a" Enter
sleep 0.5
if screen | grep -q -- " icanon" && screen | grep -q -- " echo "; then
  pass "the terminal is back in line mode with echo"
else
  fail "the terminal is back in line mode with echo"
fi

# Ctrl+\ stands for Ctrl+Break: the program ends at once with status 255,
# and the terminal is given back all the same.
keys "clear" Enter
keys "TALMAR_DRIVE_C='$drive' TALMAR_VIDEO=terminal TALMAR_AUDIO=null '$drive/talmar/ligafala'; echo EXIT=\$?" Enter
wait_for "Terminar o programa" >/dev/null
keys 'C-\'
if wait_for "EXIT=255"; then pass "Ctrl+\\ ends the program with status 255"; else fail "Ctrl+\\ ends the program with status 255"; screen; fi
keys "stty -a" Enter
sleep 0.5
if screen | grep -q -- " icanon" && screen | grep -q -- " echo "; then
  pass "the terminal is back in line mode after Ctrl+\\"
else
  fail "the terminal is back in line mode after Ctrl+\\"
fi

if [ $failures -eq 0 ]; then
  echo "terminal_check: all checks passed"
  exit 0
fi
echo "terminal_check: $failures checks failed"
exit 1
