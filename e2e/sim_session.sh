# shellcheck shell=bash
# Sourced by scripts/e2e and scripts/demo: a private Wine prefix with the
# simulated camera registered as a capture device, a display, and the
# commands that run the real korvane.exe against the camera and read its
# window through korvane_driver.exe.
#
# sim_display [auto|xvfb]   the caller's display if reachable (auto), else Xvfb
# sim_init BUILD WORK       the Windows build folder and a folder for files
# sim_configure HWID SCENARIO...
#                           HWID yes|no: SetupAPI lists each camera's own
#                           device; one capture device per scenario file, in order
# sim_start [WRAPPER...]    starts korvane.exe (SIM_PID), its output in WORK/korvane.log
# sim_driver ARGS...        runs korvane_driver.exe
# sim_screenshot PNG        the update window, cropped from the screen
# sim_wait_exit SECS        waits for korvane.exe to end
# sim_reset                 ends every Wine process of the prefix
# sim_keep_server           starts the prefix's server and services to stay
#                           between programs (sim_reset ends them too)
# sim_cleanup               ends Wine and Xvfb, removes the prefix

# The video input category, whose devices DirectShow lists, and our filter.
SIM_VIDEO_CATEGORY='{860BB310-5D01-11D0-BD3B-00A0C911CE86}'
SIM_FILTER_CLSID='{C1405374-D6ED-4485-AEA3-B331FC70CD78}'
SIM_IMAGING_CLASS='{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}'
SIM_HWID_KEY='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USB\VID_4271&PID_03D5'
SIM_MAX_CAMERAS=4
SIM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SIM_XVFB_PID=
SIM_PID=

# A Unix path as Windows programs under Wine name it (drive Z: is /).
sim_winpath() {
  local p=$1
  printf 'Z:%s' "${p//\//\\}"
}

# A .reg file needs its backslashes doubled inside quoted strings.
sim_reg_string() {
  local s=$1
  s=${s//\\/\\\\}
  printf '"%s"' "${s//\"/\\\"}"
}

# REG_MULTI_SZ in a REGEDIT4 file: the strings' ANSI bytes, each ended by
# a NUL, then one more NUL.
sim_reg_multi_sz() {
  local bytes
  bytes=$( { printf '%s\0' "$@"; printf '\0'; } | od -An -v -tx1 | tr -s ' \n' ',')
  bytes=${bytes#,}
  printf 'hex(7):%s' "${bytes%,}"
}

sim_reg_import() {
  wine regedit /S "$(sim_winpath "$1")" >/dev/null 2>&1
}

# DIR: where the next run's files go.
sim_workdir() {
  SIM_WORK=$1
}

sim_init() {
  SIM_BUILD=$(cd "$1" && pwd)
  SIM_WORK=$2
  mkdir -p "$SIM_WORK"
  SIM_EXE=$SIM_BUILD/app/korvane.exe
  SIM_DRIVER=$SIM_BUILD/e2e/korvane_driver.exe
  SIM_DLL=$SIM_BUILD/e2e/simcam_server.dll
  local f
  for f in "$SIM_EXE" "$SIM_DRIVER" "$SIM_DLL"; do
    [ -f "$f" ] || { echo "missing $f (build the Windows build first)" >&2; return 1; }
  done
  unset WINEPREFIX
  # shellcheck source=/dev/null
  source "$SIM_ROOT/scripts/wine-env"
  cat >"$SIM_WORK/server.reg" <<EOF
REGEDIT4

[HKEY_CLASSES_ROOT\\CLSID\\$SIM_FILTER_CLSID]
@="Korvane simulated camera"

[HKEY_CLASSES_ROOT\\CLSID\\$SIM_FILTER_CLSID\\InprocServer32]
@=$(sim_reg_string "$(sim_winpath "$SIM_DLL")")
"ThreadingModel"="Both"

; Classic controls, as Windows draws a program without a common-controls 6
; manifest; Wine would otherwise theme them and hide the bar's colour.
[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]
"ThemeActive"="0"
EOF
  sim_reg_import "$SIM_WORK/server.reg"
  # Wine's desktop process keeps the display it started with; the next
  # program starts it afresh on ours.
  sim_reset
}

sim_display_up() {
  xdpyinfo -display "$1" >/dev/null 2>&1
}

sim_display() {
  if [ "${1:-auto}" = auto ] && [ -n "${DISPLAY:-}" ] && sim_display_up "$DISPLAY"; then
    return 0
  fi
  # One Xvfb per session: a second case asking for one shares it, so that
  # none is left running when the session ends.
  if [ -n "${SIM_XVFB_PID:-}" ] && kill -0 "$SIM_XVFB_PID" 2>/dev/null && sim_display_up "$DISPLAY"; then
    return 0
  fi
  # Xvfb picks a free display itself, so that sessions started together
  # never reach for the same one.
  local chosen
  chosen=$(mktemp)
  Xvfb -displayfd 3 -ac -nolisten tcp -screen 0 800x600x24 3>"$chosen" >/dev/null 2>&1 &
  SIM_XVFB_PID=$!
  for _ in $(seq 50); do
    if [ -s "$chosen" ] && sim_display_up ":$(cat "$chosen")"; then
      DISPLAY=":$(cat "$chosen")"
      export DISPLAY
      rm -f "$chosen"
      return 0
    fi
    kill -0 "$SIM_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$chosen"
  kill "$SIM_XVFB_PID" 2>/dev/null || true
  SIM_XVFB_PID=
  echo "cannot start Xvfb" >&2
  return 1
}

# KEY SCENARIO DEFAULT: a "key value" line's value in the scenario file.
sim_scenario_value() {
  local value
  value=$(awk -v k="$1" '$1 == k { print $2; exit }' "$2")
  printf '%s' "${value:-$3}"
}

# Each camera is an interface of a USB device of its own, named by its
# device path as Windows gives it; with HWID yes SetupAPI lists that device
# (its hardware IDs, its hub and port). The scenario may say the device's
# USB IDs (usb_id), serial number and port.
SIM_ENUM_KEYS=()
SIM_INTERFACE_CLASS='{65e8773d-8f56-11d0-a3b9-00a0c9223196}'

sim_configure() {
  local hwid=$1
  shift
  local reg=$SIM_WORK/devices.reg i key scenario usb vid pid serial port id instance path
  {
    printf 'REGEDIT4\n\n'
    for i in $(seq 0 $((SIM_MAX_CAMERAS - 1))); do
      printf '[-HKEY_CLASSES_ROOT\\CLSID\\%s\\Instance\\KorvaneSim%d]\n' "$SIM_VIDEO_CATEGORY" "$i"
    done
    printf '[-%s]\n' "$SIM_HWID_KEY"
    for key in "${SIM_ENUM_KEYS[@]}"; do printf '[-%s]\n' "$key"; done
    printf '\n'
    SIM_ENUM_KEYS=()
    i=0
    for scenario in "$@"; do
      usb=$(sim_scenario_value usb_id "$scenario" 4271:03D5)
      vid=${usb%%:*} pid=${usb##*:}
      serial=$(sim_scenario_value serial "$scenario" "")
      port=$(sim_scenario_value port "$scenario" $((i + 1)))
      if [ -n "$serial" ]; then
        id="VID_$vid&PID_$pid" instance=$serial
      else
        id="VID_$vid&PID_$pid&MI_00" instance="7&2A5E0C1&0&000$i"
      fi
      path="\\\\?\\usb#${id,,}#${instance,,}#$SIM_INTERFACE_CLASS\\global"
      printf '[HKEY_CLASSES_ROOT\\CLSID\\%s\\Instance\\KorvaneSim%d]\n' "$SIM_VIDEO_CATEGORY" "$i"
      printf '"FriendlyName"="Korvane simulated camera %d"\n' "$i"
      printf '"CLSID"="%s"\n' "$SIM_FILTER_CLSID"
      printf '"DevicePath"=%s\n' "$(sim_reg_string "$path")"
      printf '"Scenario"=%s\n\n' "$(sim_reg_string "$(sim_winpath "$scenario")")"
      if [ "$hwid" = yes ]; then
        key="HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\USB\\$id"
        SIM_ENUM_KEYS+=("$key")
        printf '[%s\\%s]\n' "$key" "$instance"
        printf '"ClassGUID"="%s"\n' "$SIM_IMAGING_CLASS"
        printf '"HardwareID"=%s\n' "$(sim_reg_multi_sz "USB\\$id&REV_0100" "USB\\$id")"
        printf '"LocationInformation"="Port_#%04d.Hub_#0001"\n' "$port"
        printf '"DeviceDesc"="USB Video Device"\n\n'
      fi
      i=$((i + 1))
    done
  } >"$reg"
  sim_reg_import "$reg"
}

# shellcheck disable=SC2120
sim_start() {
  "$@" wine "$SIM_EXE" >"$SIM_WORK/korvane.log" 2>&1 &
  SIM_PID=$!
}

sim_driver() {
  wine "$SIM_DRIVER" "$@" 2>>"$SIM_WORK/driver.log"
}

sim_screenshot() {
  local rect x y w h
  rect=$(sim_driver state | sed -n 's/^rect: //p')
  if [ -n "$rect" ]; then
    read -r x y w h <<<"$rect"
    import -display "$DISPLAY" -window root -crop "${w}x$h+$x+$y" +repage "$1"
  else
    import -display "$DISPLAY" -window root "$1"
  fi
}

sim_wait_exit() {
  local ticks=$(($1 * 10))
  while kill -0 "$SIM_PID" 2>/dev/null; do
    ticks=$((ticks - 1))
    [ "$ticks" -gt 0 ] || return 1
    sleep 0.1
  done
  wait "$SIM_PID" 2>/dev/null || true
}

sim_reset() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  SIM_PID=
}

# Starting Wine's server and its services costs seconds of processor time;
# programs run one after another share them.
sim_keep_server() {
  wineserver -p 2>/dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

sim_cleanup() {
  sim_reset
  if [ -n "$SIM_XVFB_PID" ]; then
    kill "$SIM_XVFB_PID" 2>/dev/null || true
    wait "$SIM_XVFB_PID" 2>/dev/null || true
    SIM_XVFB_PID=
  fi
  if [ -n "${KORVANE_WINE_TMP:-}" ]; then
    rm -rf "$KORVANE_WINE_TMP"
  fi
}
