#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages from a copy of the tree and installs them; rates the hardening of
# the installed units; runs the whole chain from the installed files alone on private buses:
# the monitor started through the installed system-bus activation file and policy, the process
# map and the service through their session activation files, and a loopback traffic source
# launched from a desktop entry, which must show up under its application's name. Then it
# purges the packages and looks for anything left behind. Installs packages and loads eBPF
# programs, so it runs as root (or through sudo). In the chain the installed client also sets a
# budget and its export is held against the service's answers; the window starts offscreen.
# Usage: scripts/package-check.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(nimbra-warden-trafficdetails nimbra-warden-trafficdetails-demo
    nimbra-warden-netmonitor nimbra-warden-procmap nimbra-warden-traffic-window)
service=com.nimbra.warden.trafficdetails
monitor_unit=/lib/systemd/system/nimbra-warden-netmonitor.service
procmap_unit=/usr/lib/systemd/user/nimbra-warden-procmap.service
highest_rating=2.5
app_name="Package check traffic"

fail() {
    echo "package check: $*" >&2
    exit 1
}

# The chain, run by the check itself in a mount namespace of its own (see below), inside a
# cgroup it made.
run_chain() { # WORK CGROUP
    local work=$1 cgroup=$2 pids=() bus_address
    stop() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
    trap stop EXIT

    # The monitor counts the check's cgroup only, loopback included. The activation file runs
    # the installed program without options, as the unit does; a drop-in would add them under
    # systemd. Here the installed program is wrapped, in this mount namespace only.
    : >"$work/netmonitor.real" # a mount point
    mount --bind /usr/sbin/nimbra-warden-netmonitor "$work/netmonitor.real"
    printf '#!/bin/sh\nexec %s --cgroup %s --loopback "$@"\n' "$work/netmonitor.real" "$cgroup" \
        >"$work/netmonitor"
    chmod 755 "$work/netmonitor"
    mount --bind "$work/netmonitor" /usr/sbin/nimbra-warden-netmonitor

    # Both buses read only what the packages installed; the system bus denies by default as
    # the machine's does, so that the installed policy is what lets the monitor in.
    cat >"$work/system.conf" <<CONF
<busconfig>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>/usr/share/dbus-1/system-services</servicedir>
  <policy context="default">
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus"
           send_interface="org.freedesktop.DBus.Introspectable"/>
  </policy>
  <includedir>/usr/share/dbus-1/system.d</includedir>
</busconfig>
CONF
    cat >"$work/session.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <servicedir>/usr/share/dbus-1/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    start_bus() { # CONFIG: sets bus_address
        local out
        out=$(dbus-daemon --config-file="$1" --fork --print-address=1 --print-pid=1)
        pids+=("$(sed -n 2p <<<"$out")")
        bus_address=$(sed -n 1p <<<"$out")
    }
    # What the buses start inherits their environment: the system bus's address, a fresh HOME
    # and the check's desktop entries.
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system_bus_socket
    export HOME=$work/home XDG_DATA_DIRS=$work/share:/usr/share
    unset XDG_RUNTIME_DIR XDG_DATA_HOME XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY
    mkdir -p "$HOME"
    start_bus "$work/system.conf"
    start_bus "$work/session.conf"
    export DBUS_SESSION_BUS_ADDRESS=$bus_address

    owner_pid() { # --system|--session NAME
        dbus-send "$1" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.GetConnectionUnixProcessID "string:$2" 2>/dev/null |
            awk '/uint32/ {print $2}'
    }
    owned() { [ -n "$(owner_pid --session $service)" ]; }
    owned && fail "the service runs before anyone asked for it"
    dbus-send --system --print-reply --dest=com.nimbra.warden.MonitorNetFlow \
        /com/nimbra/warden/MonitorNetFlow org.freedesktop.DBus.Peer.Ping >/dev/null ||
        fail "the system bus did not start the monitor"
    pids+=("$(owner_pid --system com.nimbra.warden.MonitorNetFlow)")

    # About 200 kB/s each way over loopback, in a program under a name of its own (a copy of
    # the interpreter), which the entry's Exec names; it writes its pid for the cleanup.
    mkdir -p "$work/share/applications" "$work/bin"
    cp "$(readlink -f /usr/bin/python3)" "$work/bin/nwt-check-traffic"
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s %s %s\n' "$app_name" \
        "$work/bin/nwt-check-traffic" "$root/scripts/loopback-traffic.py" "$work/traffic.pid" \
        >"$work/share/applications/nwt-check-traffic.desktop"

    # The client starts the service, which starts the process map by asking for the launcher.
    nimbra-warden-traffic apps >/dev/null || fail "the client got no answer from the activated service"
    owned || fail "the service is not on the bus after activation"
    pids+=("$(owner_pid --session $service)")
    for _ in $(seq 50); do
        [ -n "$(owner_pid --session com.nimbra.warden.analysisapp)" ] && break
        sleep 0.1
    done
    [ -n "$(owner_pid --session com.nimbra.warden.analysisapp)" ] ||
        fail "the session bus did not start the process map"
    pids+=("$(owner_pid --session com.nimbra.warden.analysisapp)")

    gio launch "$work/share/applications/nwt-check-traffic.desktop"
    for _ in $(seq 50); do [ -s "$work/traffic.pid" ] && break; sleep 0.1; done
    pids+=("$(cat "$work/traffic.pid")")
    local view=
    for _ in $(seq 30); do
        view=$(nimbra-warden-traffic watch --once --json)
        grep -q "\"name\": *\"$app_name\"" <<<"$view" && break
        sleep 1
    done
    grep -q "\"name\": *\"$app_name\"" <<<"$view" ||
        fail "\"$app_name\" is not in the live view: $view"
    echo "live view: $(grep -o "\"name\": *\"$app_name\"" <<<"$view" | head -1)"

    # A budget set and listed through the installed client.
    nimbra-warden-traffic budget set "$app_name" day 1GiB --warn 70 >/dev/null ||
        fail "the client could not set a budget"
    nimbra-warden-traffic budget list --json >"$work/budgets.json" || fail "no budget list"
    # Once a save holds the check's traffic, the export parses as OpenMetrics and gives today's
    # bytes as the Queries answer them, in KiB, through the client; taken between two equal
    # answers, so that no save falls between.
    for _ in $(seq 30); do
        nimbra-warden-traffic apps --json >"$work/totals.json"
        nimbra-warden-traffic export --openmetrics >"$work/export.txt" || fail "the export failed"
        [ "$(nimbra-warden-traffic apps --json)" = "$(cat "$work/totals.json")" ] &&
            grep -q '^nimbra_warden_traffic_received_bytes_total{desktop_id="nwt-check-traffic.desktop",period="today"} [1-9]' \
                "$work/export.txt" && break
        sleep 1
    done
    python3 - "$work" <<'CHECK' || fail "budget or export: see above"
import json, re, sys
work = sys.argv[1]
budgets = json.load(open(f"{work}/budgets.json"))
assert [(b["appname"], b["period"], b["limit"], b["warnPercent"]) for b in budgets["budgets"]] == [
    ("nwt-check-traffic.desktop", "day", 1024 * 1024, 70)], f"budgets: {budgets}"
name, label = r"[a-zA-Z_:][a-zA-Z0-9_:]*", r'[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\[\\"n])*"'
sample = re.compile(rf"({name})(?:{{((?:{label})(?:,{label})*)?}})? (\S+)(?: \S+)?")
meta = re.compile(rf"# (?:TYPE {name} (?:counter|gauge|info|stateset|unknown)|UNIT {name} \S*|HELP {name} .*)")
text = open(f"{work}/export.txt").read()
assert text.endswith("\n# EOF\n"), "the export does not end with # EOF"
exported = {}
for line in text.splitlines()[:-1]:
    match = sample.fullmatch(line)
    assert match or meta.fullmatch(line), f"not OpenMetrics: {line!r}"
    if match:
        float(match[3])
        labels = dict(re.findall(r'(\w+)="([^"]*)"', match[2] or ""))
        if labels.get("period") == "today":
            exported[labels["desktop_id"], "sent" if "_sent_" in match[1] else "received"] = int(match[3])
totals = json.load(open(f"{work}/totals.json"))
assert totals["unit"] == "KiB", totals["unit"]
answered = {}
for app in totals["applications"]:
    for key, field in (("received", "downloaded"), ("sent", "uploaded")):
        answered[app["appname"], key] = answered.get((app["appname"], key), 0) + app[field] * 1024
answered = {key: round(value) for key, value in answered.items() if value}
assert exported == answered, f"export {exported} != answers {answered}"
assert exported.get(("nwt-check-traffic.desktop", "received")), f"not exported: {exported}"
print(f"export: {len(exported)} figures of today equal the answers; budget: {budgets['budgets']}")
CHECK

    nimbra-warden-traffic quit
    for _ in $(seq 50); do owned || break; sleep 0.1; done
    owned && fail "the service did not exit"
    [ "$(nimbra-warden-traffic quit)" = "the service is not running" ] ||
        fail "quit on a stopped service said something else"
    owned && fail "quit started the stopped service"

    # The window starts offscreen, has the service activated and pictures its figures.
    QT_QPA_PLATFORM=offscreen nimbra-warden-traffic-window --screenshot "$work/window.png" \
        --screenshot-delay 3 || fail "the window did not start offscreen"
    [ -s "$work/window.png" ] || fail "the window wrote no picture"
    LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen nimbra-warden-traffic-window --help 2>/dev/null |
        grep -q Netzwerkverkehr || fail "the window does not speak German with the installed catalogue"
    owned || fail "the window did not have the service activated"
    nimbra-warden-traffic quit
    return 0
}

if [ "${1:-}" = --chain ]; then
    run_chain "$2" "$3"
    exit
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-package.XXXXXX")
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
installed=false
cgroup=
cleanup() {
    if $installed; then
        "${as_root[@]}" apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
    fi
    if [ -n "$cgroup" ]; then
        # Whatever the chain started and left is in the check's cgroup.
        for _ in $(seq 20); do
            pids=$(cat "$cgroup/cgroup.procs" 2>/dev/null) || break
            [ -z "$pids" ] && break
            for pid in $pids; do "${as_root[@]}" kill "$pid" 2>/dev/null || true; done
            sleep 0.25
        done
        "${as_root[@]}" rmdir "$cgroup" 2>/dev/null || echo "cannot remove $cgroup" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
started=$SECONDS

"$root/scripts/install-deps.sh"

echo "== building the packages"
# A copy without build folders, so that the build leaves the work tree alone.
mkdir "$work/src"
tar -C "$root" --exclude='./build*' --exclude=./demo-home --exclude=./.git \
    --exclude=./debian/build -cf - . | tar -C "$work/src" -xf -
(cd "$work/src" && DEB_BUILD_OPTIONS="noddebs nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -b \
    >"$work/build.log" 2>&1) || { tail -40 "$work/build.log"; fail "dpkg-buildpackage failed"; }
debs=()
for package in "${packages[@]}"; do debs+=("$work/${package}_"*.deb); done
echo "built: ${debs[*]##*/} ($((SECONDS - started)) s)"

echo "== installing"
installed=true
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
for file in /usr/bin/nimbra-warden-trafficdetails /usr/bin/nimbra-warden-traffic \
    /usr/share/dbus-1/services/$service.service \
    /usr/lib/systemd/user/nimbra-warden-trafficdetails.service \
    /usr/share/man/man1/nimbra-warden-trafficdetails.1.gz \
    /usr/share/man/man1/nimbra-warden-traffic.1.gz \
    /usr/share/man/man1/nimbra-warden-traffic-window.1.gz \
    /usr/share/bash-completion/completions/nimbra-warden-traffic \
    /usr/share/doc/nimbra-warden-trafficdetails/copyright \
    /usr/libexec/nimbra-warden-trafficdetails/nimbra-warden-peer-simulator \
    /usr/sbin/nimbra-warden-netmonitor "$monitor_unit" \
    /usr/share/dbus-1/system.d/com.nimbra.warden.MonitorNetFlow.conf \
    /usr/share/dbus-1/system-services/com.nimbra.warden.MonitorNetFlow.service \
    /usr/bin/nimbra-warden-procmap "$procmap_unit" \
    /usr/share/dbus-1/services/com.nimbra.warden.analysisapp.service \
    /usr/share/dbus-1/services/com.nimbra.ndesk.daemon.Launcher.service \
    /usr/bin/nimbra-warden-traffic-window \
    /usr/share/applications/com.nimbra.warden.TrafficWindow.desktop \
    /usr/share/icons/hicolor/scalable/apps/com.nimbra.warden.TrafficWindow.svg \
    /usr/share/nimbra-warden-traffic-window/translations/nimbra-warden-traffic-window_de.qm; do
    [ -e "$file" ] || fail "$file is not installed"
done
appstreamcli validate --no-net /usr/share/metainfo/com.nimbra.warden.TrafficWindow.metainfo.xml \
    >/dev/null || fail "the window's metainfo does not validate"
[ -L /etc/systemd/system/multi-user.target.wants/nimbra-warden-netmonitor.service ] ||
    fail "installing did not enable the monitor's unit"
! command -v nimbra-warden-peer-simulator >/dev/null || fail "the simulator is on the PATH"
for program in nimbra-warden-traffic nimbra-warden-netmonitor nimbra-warden-procmap \
    /usr/libexec/nimbra-warden-trafficdetails/nimbra-warden-peer-simulator; do
    "$program" --version
done
dpkg -L "${packages[@]}" | sort -u >"$work/installed-files"

echo "== hardening of the installed units (at most $highest_rating)"
rating() { # UNIT [--user]
    local runtime=$work/runtime
    mkdir -p -m 700 "$runtime"
    XDG_RUNTIME_DIR=$runtime systemd-analyze security --offline=yes ${2:-} "$1" 2>&1 |
        sed -n 's/.*Overall exposure level for .*: \([0-9.]*\) .*/\1/p'
}
for unit in "$monitor_unit" "$procmap_unit --user"; do
    value=$(rating $unit)
    echo "${unit%% *}: ${value:-no rating}"
    [ -n "$value" ] && awk -v v="$value" -v top="$highest_rating" 'BEGIN { exit !(v <= top) }' ||
        fail "${unit%% *} is rated above $highest_rating"
done

echo "== the chain from the installed files, on private buses"
# The eBPF programs attach to a cgroup of the check's own, never the machine's root cgroup.
cgroup_root=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/mounts)
[ -n "$cgroup_root" ] || fail "no cgroup v2 hierarchy is mounted"
cgroup=$cgroup_root/nwt-package-check-$$
"${as_root[@]}" mkdir "$cgroup"
"${as_root[@]}" unshare --mount --propagation private -- bash -c \
    'echo $$ >"$1/cgroup.procs" && exec "$2" --chain "$3" "$1"' chain "$cgroup" \
    "$root/scripts/package-check.sh" "$work"

echo "== removing"
"${as_root[@]}" apt-get purge -y -qq "${packages[@]}" >/dev/null
installed=false
left=()
while read -r path; do
    # Shared folders (/usr/bin, ...) stay; files, and folders of the packages' own, must go.
    if [ -e "$path" ] && { [ ! -d "$path" ] || [[ $path == *nimbra* ]]; }; then
        left+=("$path")
    fi
done <"$work/installed-files"
while read -r path; do left+=("$path"); done < <(find /etc /lib/systemd /usr/lib/systemd \
    /usr/share/dbus-1 /var/lib/systemd -name '*nimbra*' 2>/dev/null)
dpkg-query -W "${packages[@]}" >/dev/null 2>&1 && left+=("the packages' records in dpkg")
[ ${#left[@]} -eq 0 ] || fail "left after purging: ${left[*]}"
echo "package check passed ($((SECONDS - started)) s)"
