# shellcheck shell=bash
# Wine for the scripts that run the Windows programs (check_windows.sh,
# check_packages.sh); sourced, not run. WINE and WINESERVER name other ones.
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

# Makes the prefix PREFIX unless it is there, which takes seconds: what
# making it starts must end before a program runs there.
wine_prefix() {  # PREFIX
  export WINEPREFIX=$1 WINEDEBUG=-all
  [ -f "$WINEPREFIX/system.reg" ] && return
  mkdir -p "$(dirname "$WINEPREFIX")"  # Wine makes the prefix, not the directory it is in
  "$wineserver" -k 2>/dev/null || true
  "$wine" wineboot.exe --init >/dev/null 2>&1 || true
  "$wineserver" -w
}

# Starts Wine in the prefix PREFIX, made there when it is not, and kept; the
# server is then kept running, so that each run is quick, until wine_stop.
wine_start() {  # PREFIX
  wine_prefix "$1"
  # A server kept from an earlier run would never end.
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -p
}
wine_stop() { "$wineserver" -k 2>/dev/null || true; }

# Runs a Windows program under Wine, its messages into LOG. Wine's loader
# now and then fails an assertion of ld.so's as the process ends, after the
# program's own work (status 127), and now and then a run ends with no
# output and a status that neither program ever gives (they end with 0, 1,
# 2 or 255); such a run is made again.
on_wine() {  # LOG PROGRAM ARGS...
  local log=$1 attempt status
  shift
  for attempt in 1 2 3; do
    status=0
    timeout 120 "$wine" "$@" >"$log" 2>&1 || status=$?
    if ! grep -q '^Inconsistency detected by ld.so' "$log"; then
      case $status in
        0 | 1 | 2 | 255) break ;;
      esac
      [ -s "$log" ] && break
    fi
    echo "-- Wine failed running $(basename "$1") (status $status, attempt $attempt); running it again"
  done
  return "$status"
}
