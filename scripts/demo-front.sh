#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The demo's front, run inside the private buses: the client's live view or, with --window,
# the desktop window. Without a display the window draws offscreen and leaves a picture of
# itself in $DEMO_SCREENSHOT.
# Usage (inside with-private-buses.sh, BUILD_DIR set): demo-front.sh [--window] [other options]
set -u
build=$BUILD_DIR
case " $* " in
*" --window "*) ;;
*) exec "$build/tools/traffic-client/nimbra-warden-traffic" watch ;;
esac

window=$build/window/nimbra-warden-traffic-window
[ -n "${DEMO_DISPLAY:-}" ] && export DISPLAY=$DEMO_DISPLAY
[ -n "${DEMO_WAYLAND_DISPLAY:-}" ] && export WAYLAND_DISPLAY=$DEMO_WAYLAND_DISPLAY
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$window"
fi
echo "No display: a picture of the window goes to $DEMO_SCREENSHOT in 20 seconds."
QT_QPA_PLATFORM=offscreen "$window" --screenshot "$DEMO_SCREENSHOT" --screenshot-delay 20 &&
    echo "Written: $DEMO_SCREENSHOT"
