#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with ThreadSanitizer into ./build-tsan (or $BUILD_DIR) and runs the unit and bus
# tests under it; a test fails when the sanitizer reports anything. Arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build-tsan}
SANITIZE=thread BUILD_DIR=$build "$root/scripts/build.sh"
export TSAN_OPTIONS="suppressions=$root/tests/sanitizer/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --test-dir "$build" --output-on-failure -L '^(unit|bus)$' "$@"
