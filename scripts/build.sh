#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the project into ./build (or $BUILD_DIR).
# SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer, without the
# benchmarks, into ./build-sanitize (or $BUILD_DIR).
# SANITIZE=thread builds with ThreadSanitizer, without the benchmarks, into ./build-tsan
# (or $BUILD_DIR); arguments name the targets to build (all when none).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ "${SANITIZE:-0}" = 1 ]; then
    build=${BUILD_DIR:-$root/build-sanitize}
    flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    options+=(-DNWT_BUILD_BENCHMARKS=OFF "-DCMAKE_CXX_FLAGS=$flags"
        "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
elif [ "${SANITIZE:-0}" = thread ]; then
    build=${BUILD_DIR:-$root/build-tsan}
    options+=(-DNWT_BUILD_BENCHMARKS=OFF -DNWT_THREAD_SANITIZER=ON)
else
    build=${BUILD_DIR:-$root/build}
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build "$build" -j"${JOBS:-2}" "${targets[@]}"
