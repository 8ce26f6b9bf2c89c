#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test; then builds again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test under them.
# Arguments go to both ctest runs. SANITIZED_PASS=0 skips the second pass.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
SANITIZE=0 "$root/scripts/build.sh"
ctest --test-dir "${BUILD_DIR:-$root/build}" --output-on-failure "$@"

[ "${SANITIZED_PASS:-1}" = 0 ] && exit 0
sanitize_build=${SANITIZE_BUILD_DIR:-$root/build-sanitize}
SANITIZE=1 BUILD_DIR=$sanitize_build "$root/scripts/build.sh"
# The end-to-end tests preload libfaketime, which the sanitizer runtime must tolerate
# coming first.
export ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$sanitize_build" --output-on-failure "$@"
