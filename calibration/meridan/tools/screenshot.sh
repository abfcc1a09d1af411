#!/bin/sh
# Makes docs/meridan-main-window.png: the simulated wall of the default scene,
# its project configuration in a scratch home, and the main window after
# connecting, under a virtual X server; then docs/meridan-calibration-progress.png
# and docs/meridan-calibration-end.png, a Calibration under way and its end
# message, and docs/meridan-boundary-automatic.png, the Boundary dialog after
# Automatic. Usage: screenshot.sh BUILD_DIR
set -eu
build=${1:?usage: screenshot.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/../../.." && pwd)
home=$(mktemp -d)
mkdir -m 700 "$home/run"
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
export WALLSIM_CAMERA_SOCKET="$home/run/camera.sock" VANTIS_DELAY_SCALE=0.01
"$build/bin/wallsim" config "$root/sim/scenes/blend-2x1080.json" --home "$home" >/dev/null
"$build/bin/wallsim" run "$root/sim/scenes/blend-2x1080.json" --camera-socket "$WALLSIM_CAMERA_SOCKET" >/dev/null &
wall=$!
trap 'kill $wall 2>/dev/null; wait $wall 2>/dev/null; rm -rf "$home"' EXIT
sleep 3
xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/meridan_screenshot" "$root/docs/meridan-main-window.png" \
    "$root/docs/meridan-calibration-progress.png" "$root/docs/meridan-calibration-end.png"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/meridan_screenshot" --boundary \
    "$root/docs/meridan-boundary-automatic.png"
