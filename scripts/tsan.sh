#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with ThreadSanitizer into ./build-tsan (or $BUILD_DIR) and runs the unit and bus
# tests under it. Every process writes its reports to build-tsan/tsan-reports (the service
# started by a test too); the run fails when there is any. Arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build-tsan}
SANITIZE=thread BUILD_DIR=$build "$root/scripts/build.sh"
reports=$build/tsan-reports
rm -rf "$reports"
mkdir -p "$reports"
# tsan.supp leaves out only what the uninstrumented libraries themselves do.
export TSAN_OPTIONS="suppressions=$root/tests/sanitizer/tsan.supp log_path=$reports/report ${TSAN_OPTIONS:-}"
status=0
ctest --test-dir "$build" --output-on-failure -L '^(unit|bus)$' "$@" || status=$?
count=$(cat "$reports"/report.* 2>/dev/null | grep -c '^WARNING: ThreadSanitizer' || true)
echo "ThreadSanitizer reports: $count (in $reports)"
[ "$count" = 0 ] || exit 1
exit "$status"
