# shellcheck shell=bash
# Wine environment for running the Windows test programs. Source it, then call wine_env_start;
# call wine_env_cleanup when done (e.g. `trap wine_env_cleanup EXIT`).
#
#   source tools/windows/wine_env.sh
#   wine_env_start            # prefix, wineserver, warm-up process, Xvfb
#   ctest --preset windows-x64
#   wine_env_cleanup
#
# Only Wine's 64-bit loader (/usr/lib/wine/wine64) is used: on this kernel 32-bit code cannot
# run, and the plain `wine` wrapper tries the 32-bit loader first.
#
# Without a persistent wineserver each program started under Wine brings the server and its
# services up and takes them down again, about 3 s per program; with `wineserver -p` and one
# long-lived Wine process the services stay up and a test program starts in a fraction of that.
#
# WINEPREFIX: used as given if set (and created if missing); otherwise a fresh one in a temporary
# folder that wine_env_cleanup removes. DISPLAY: an Xvfb server on a free display, for the
# dialog and tray tests; Wine itself needs none for console programs.

WINE_ENV_LOADER=${WINE_ENV_LOADER:-/usr/lib/wine/wine64}
WINE_ENV_SERVER=${WINE_ENV_SERVER:-/usr/lib/wine/wineserver}

export WINEDEBUG=-all
# No .NET or HTML engine: wineboot would otherwise offer to install them (and wait for a click).
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=$WINE_ENV_LOADER
export WINESERVER=$WINE_ENV_SERVER

wine_env_log() { echo "wine_env: $*" >&2; }

# Starts Xvfb on the first free display and exports DISPLAY.
wine_env_start_xvfb() {
  if ! command -v Xvfb >/dev/null; then
    wine_env_log "Xvfb missing (apt-get install xvfb); programs that open windows will fail"
    return 0
  fi
  local display_file
  display_file=$(mktemp "${TMPDIR:-/tmp}/wine-env-display.XXXXXX")
  # -displayfd lets the server pick a free display number and tell us which it took.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  local waited=0
  while [[ ! -s $display_file ]] && ((waited < 100)); do
    sleep 0.1
    waited=$((waited + 1))
  done
  if [[ ! -s $display_file ]]; then
    wine_env_log "Xvfb did not start"
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null
    WINE_ENV_XVFB_PID=
    rm -f "$display_file"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
}

wine_env_start() {
  local started=$SECONDS
  if [[ -z ${WINEPREFIX:-} ]]; then
    WINE_ENV_TEMP=$(mktemp -d "${TMPDIR:-/tmp}/wine-env.XXXXXX")
    export WINEPREFIX=$WINE_ENV_TEMP/prefix
  fi
  wine_env_start_xvfb || return 1

  # The server first, persistent, so the prefix set-up and every later program share it.
  mkdir -p "$WINEPREFIX"
  "$WINESERVER" -p || return 1
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    "$WINE_ENV_LOADER" wineboot -i >/dev/null 2>&1 || { wine_env_log "wineboot failed"; return 1; }
  fi
  # The warm-up process: a console that waits on a pipe nobody writes to. While it lives, Wine's
  # services stay up between test programs.
  WINE_ENV_FIFO=$(mktemp -u "${TMPDIR:-/tmp}/wine-env-fifo.XXXXXX")
  mkfifo "$WINE_ENV_FIFO"
  "$WINE_ENV_LOADER" cmd.exe /q /k <"$WINE_ENV_FIFO" >/dev/null 2>&1 &
  WINE_ENV_WARM_PID=$!
  exec {WINE_ENV_FIFO_FD}>"$WINE_ENV_FIFO"
  # Wait until a trivial program gets through, so the first test does not pay the start-up.
  "$WINE_ENV_LOADER" cmd.exe /c exit >/dev/null 2>&1 || true
  wine_env_log "ready in $((SECONDS - started)) s (WINEPREFIX=$WINEPREFIX DISPLAY=${DISPLAY:-none})"
}

# Wine keeps the server's socket in a folder named after the prefix's device and inode, inside a
# temporary folder of its own (/tmp/wine-XXXXXX); it outlives the server, so we remove it.
wine_env_remove_server_dir() {
  local dev ino name dir
  read -r dev ino < <(stat -c '%d %i' "$WINEPREFIX" 2>/dev/null) || return 0
  name=$(printf 'server-%x-%x' "$dev" "$ino")
  for dir in "${TMPDIR:-/tmp}"/wine-*/"$name" /tmp/wine-*/"$name"; do
    [[ -d $dir ]] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null || true
  done
  return 0
}

# Safe under `set -e` in the caller: every step ignores its own failure (a process that already
# exited, a server that is gone), so one of them cannot stop the rest of the cleanup.
wine_env_cleanup() {
  if [[ -n ${WINEPREFIX:-} ]]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    wine_env_remove_server_dir || true
  fi
  if [[ -n ${WINE_ENV_FIFO_FD:-} ]]; then
    exec {WINE_ENV_FIFO_FD}>&- || true
    WINE_ENV_FIFO_FD=
  fi
  if [[ -n ${WINE_ENV_WARM_PID:-} ]]; then
    kill "$WINE_ENV_WARM_PID" 2>/dev/null || true
    wait "$WINE_ENV_WARM_PID" 2>/dev/null || true
    WINE_ENV_WARM_PID=
  fi
  if [[ -n ${WINE_ENV_FIFO:-} ]]; then
    rm -f "$WINE_ENV_FIFO" || true
    WINE_ENV_FIFO=
  fi
  if [[ -n ${WINE_ENV_XVFB_PID:-} ]]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=
  fi
  if [[ -n ${WINE_ENV_TEMP:-} ]]; then
    rm -rf "$WINE_ENV_TEMP" || true
    WINE_ENV_TEMP=
    unset WINEPREFIX
  fi
  return 0
}
