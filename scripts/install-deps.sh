#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages the project needs to build, test and run its demo.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite libsqlite3-dev libqt5charts5-dev appstream
    qttools5-dev qttools5-dev-tools
    dbus dbus-bin libglib2.0-bin faketime
    debhelper dpkg-dev fakeroot fonts-dejavu-core
    clang libbpf-dev bpftool libglib2.0-dev
    # The package check: systemd-analyze rates the units; the traffic source is Python.
    systemd python3-minimal
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
