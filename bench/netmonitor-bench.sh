#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cost of the network monitor per packet: loopback TCP from the tests' traffic makers (one per
# core) in a cgroup the bench makes, with the monitor counting that cgroup only. Prints the kernel time of the
# per-packet eBPF programs per run (run_time_ns / run_cnt with kernel.bpf_stats_enabled), the
# monitor's own CPU and the bytes it counted against the bytes sent. A second monitor binary,
# for example one built from an older commit, is measured in the same run for comparison.
# Needs root.
# Usage: bench/netmonitor-bench.sh BUILD_DIR [SECONDS] [OTHER_MONITOR_BINARY]
set -euo pipefail
[ -z "${NWT_BENCH_TRACE:-}" ] || set -x
build=$(cd "${1:?usage: netmonitor-bench.sh BUILD_DIR [SECONDS] [OTHER_MONITOR]}" && pwd)
seconds=${2:-10}
other=${3:-}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
monitor=$build/monitor/nimbra-warden-netmonitor
maker=$build/tests/monitor/traffic-maker
[ "$(id -u)" -eq 0 ] || { echo "needs root (eBPF, cgroups)" >&2; exit 1; }
[ -x "$monitor" ] && [ -x "$maker" ] ||
    { echo "build nimbra-warden-netmonitor and traffic-maker first" >&2; exit 1; }
# The monitor talks to a private system bus, never the machine's.
[ -n "${NWT_FIXTURE_DIR:-}" ] || exec "$root/tests/fixture/with-private-buses.sh" "$0" "$@"

mount=$(findmnt -n -t cgroup2 -o TARGET | head -1)
[ -n "$mount" ] || { echo "no cgroup v2 hierarchy is mounted" >&2; exit 1; }
cgroup=$mount/nwt-bench-$$
mkdir "$cgroup"
work=$(mktemp -d)
trap 'rmdir "$cgroup" 2>/dev/null; rm -rf "$work"' EXIT

# CPU seconds (user + system) a process has used so far.
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"
}

# Kernel time of the per-packet programs attached to the bench's cgroup: "nanoseconds runs".
packet_programs_time() {
    local ids
    ids=$(bpftool -j cgroup show "$cgroup" | python3 -c 'import json,sys
print(" ".join(str(p["id"]) for p in json.load(sys.stdin)
               if p["attach_type"] in ("cgroup_inet_ingress", "cgroup_inet_egress")))')
    bpftool -j prog show | python3 -c 'import json,sys
ids = set(int(i) for i in sys.argv[1:])
progs = [p for p in json.load(sys.stdin) if p["id"] in ids]
print(sum(p.get("run_time_ns", 0) for p in progs), sum(p.get("run_cnt", 0) for p in progs))' $ids
}

# Loopback TCP in the cgroup for $seconds from one traffic maker per core, each exchanging
# $chunk bytes per round: "bytes_sent maker_pids" (pids joined by commas).
chunk=1000000
make_traffic() {
    local makers=() i pids=() rounds=0
    for i in $(seq "$(nproc)"); do
        {
            sleep 0.5
            yes go
        } | "$maker" tcp4 "$chunk" 0 2>/dev/null | {
            read -r pid
            echo "$pid" >"$cgroup/cgroup.procs"
            echo "$pid" >"$work/maker.$i"
            cat >"$work/rounds.$i"
        } &
        makers+=("$i")
    done
    sleep "$seconds"
    for i in "${makers[@]}"; do
        pids+=("$(cat "$work/maker.$i")")
    done
    kill "${pids[@]}"
    wait
    for i in "${makers[@]}"; do
        rounds=$((rounds + $(grep -c done "$work/rounds.$i")))
    done
    echo "$((rounds * chunk)) $(IFS=,; echo "${pids[*]}")"
}

# One monitor counting the cgroup: "ns_per_run runs cpu_percent counted_bytes sent_bytes".
measure() {
    "$1" --cgroup "$cgroup" --loopback >"$work/monitor.log" 2>&1 &
    local pid=$!
    for _ in $(seq 50); do
        gdbus introspect --system -d com.nimbra.warden.MonitorNetFlow \
            -o /com/nimbra/warden/MonitorNetFlow >/dev/null 2>&1 && break
        sleep 0.1
    done
    gdbus monitor --system --dest com.nimbra.warden.MonitorNetFlow >"$work/samples.log" 2>&1 &
    local listener=$!
    sleep 1
    local stats_before cpu_start cpu_end ns_start runs_start ns_end runs_end sent maker_pid
    stats_before=$(sysctl -n kernel.bpf_stats_enabled)
    sysctl -qw kernel.bpf_stats_enabled=1
    cpu_start=$(cpu_seconds "$pid")
    read -r ns_start runs_start < <(packet_programs_time)
    read -r sent maker_pid < <(make_traffic)
    read -r ns_end runs_end < <(packet_programs_time)
    cpu_end=$(cpu_seconds "$pid")
    sysctl -qw kernel.bpf_stats_enabled="$stats_before"
    sleep 2.5
    kill "$pid" "$listener"
    wait "$pid" "$listener" 2>/dev/null || true
    local counted=0 pid kb
    for pid in ${maker_pid//,/ }; do
        kb=$(grep "'total_kb'" "$work/samples.log" | grep ", $pid, " | tail -1 |
            sed -E 's/.*\(([^,]*), ([^,]*), ([^,]*), .*/\3/')
        counted=$(awk -v a="$counted" -v b="${kb:-0}" 'BEGIN { printf "%.3f", a + b }')
    done
    awk -v ns=$((ns_end - ns_start)) -v runs=$((runs_end - runs_start)) -v c0="$cpu_start" \
        -v c1="$cpu_end" -v secs="$seconds" -v kb="$counted" -v sent="$sent" 'BEGIN {
        printf "%.0f %d %.2f %.0f %.0f\n", runs ? ns / runs : 0, runs, (c1 - c0) / secs * 100,
            kb * 1024, sent }'
}

report() {
    local name=$1 ns runs cpu counted sent
    read -r ns runs cpu counted sent < <(measure "$2")
    awk -v n="$name" -v ns="$ns" -v runs="$runs" -v cpu="$cpu" -v counted="$counted" \
        -v sent="$sent" -v secs="$seconds" 'BEGIN {
        printf "%-10s %8d ns/run %10d runs %8.2f Gbit/s %6.2f %% CPU  counted/sent %.4f\n",
            n, ns, runs, sent * 8 / secs / 1e9, cpu, sent ? counted / sent : 0 }'
}

echo "loopback TCP in $cgroup, ${seconds} s per monitor, $(nproc) cores, $(nproc) traffic makers"
report "this" "$monitor"
[ -z "$other" ] || report "other" "$other"
