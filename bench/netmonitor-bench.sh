#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cost of the network monitor on bounded loopback traffic (iperf3), beside nethogs on the same
# load: throughput without a counter, with the monitor, with nethogs; each counter's CPU under
# load and when idle; the bytes the monitor counted against what iperf3 sent. Needs root.
# Usage: bench/netmonitor-bench.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$(cd "${1:?usage: netmonitor-bench.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-10}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
monitor=$build/monitor/nimbra-warden-netmonitor
[ "$(id -u)" -eq 0 ] || { echo "needs root (eBPF, nethogs)" >&2; exit 1; }
[ -x "$monitor" ] || { echo "build the monitor first: $monitor" >&2; exit 1; }
# The monitor talks to a private system bus, never the machine's.
[ -n "${NWT_FIXTURE_DIR:-}" ] || exec "$root/tests/fixture/with-private-buses.sh" "$0" "$@"

for tool in iperf3 nethogs; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ -n "${missing[*]:-}" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# CPU seconds (user + system) a process has used so far.
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"
}

# Kernel time spent in the monitor's eBPF programs so far: "nanoseconds runs".
bpf_time() {
    bpftool -j prog show | python3 -c 'import json,sys
names = {"record_socket_o", "count_ingress", "count_egress"}
progs = [p for p in json.load(sys.stdin) if p.get("name") in names]
print(sum(p.get("run_time_ns", 0) for p in progs), sum(p.get("run_cnt", 0) for p in progs))'
}

# One bounded iperf3 run over loopback; prints "bits_per_second bytes_sent client_pid".
run_iperf() {
    iperf3 -s -1 -B 127.0.0.1 -p 5299 >/dev/null 2>&1 &
    local server=$!
    sleep 0.3
    iperf3 -c 127.0.0.1 -p 5299 -t "$seconds" -J >"$work/iperf.json" 2>/dev/null &
    local client=$!
    wait "$client"
    wait "$server" 2>/dev/null || true
    python3 -c 'import json,sys
r = json.load(open(sys.argv[1]))["end"]["sum_sent"]
print(r["bits_per_second"], r["bytes"], sys.argv[2])' "$work/iperf.json" "$client"
}

# The monitor on a private system bus, with a listener of its samples as root.
measure_monitor() {
    "$monitor" --loopback >"$work/monitor.log" 2>&1 &
    local pid=$!
    for _ in $(seq 50); do
        gdbus introspect --system -d com.nimbra.warden.MonitorNetFlow \
            -o /com/nimbra/warden/MonitorNetFlow >/dev/null 2>&1 && break
        sleep 0.1
    done
    gdbus monitor --system --dest com.nimbra.warden.MonitorNetFlow >"$work/samples.log" 2>&1 &
    local listener=$!
    sleep 1
    local idle_start idle_end load_start load_end
    idle_start=$(cpu_seconds "$pid")
    sleep "$seconds"
    idle_end=$(cpu_seconds "$pid")
    load_start=$(cpu_seconds "$pid")
    local stats_before bpf_start_ns bpf_start_runs bpf_end_ns bpf_end_runs
    stats_before=$(sysctl -n kernel.bpf_stats_enabled)
    sysctl -qw kernel.bpf_stats_enabled=1
    read -r bpf_start_ns bpf_start_runs < <(bpf_time)
    read -r bps bytes client < <(run_iperf)
    read -r bpf_end_ns bpf_end_runs < <(bpf_time)
    sysctl -qw kernel.bpf_stats_enabled="$stats_before"
    load_end=$(cpu_seconds "$pid")
    sleep 1.5
    kill "$pid" "$listener"
    echo "$(( (bpf_end_ns - bpf_start_ns) )) $(( bpf_end_runs - bpf_start_runs ))" >"$work/bpf"
    local counted
    counted=$(grep "'total_kb'" "$work/samples.log" | grep ", $client, " | tail -1 |
        sed -E 's/.*\(([^,]*), ([^,]*), ([^,]*), .*/\3/')
    echo "$bps $bytes ${counted:-0} $(echo "$idle_end $idle_start $load_end $load_start $seconds" |
        awk '{ printf "%.3f %.3f", ($1 - $2) / $5 * 100, ($3 - $4) / $5 * 100 }')"
}

measure_nethogs() {
    nethogs -t -a -d 1 lo >/dev/null 2>&1 &
    local pid=$!
    sleep 1
    local idle_start idle_end load_start load_end
    idle_start=$(cpu_seconds "$pid")
    sleep "$seconds"
    idle_end=$(cpu_seconds "$pid")
    load_start=$(cpu_seconds "$pid")
    read -r bps bytes client < <(run_iperf)
    load_end=$(cpu_seconds "$pid")
    kill "$pid"
    echo "$bps $(echo "$idle_end $idle_start $load_end $load_start $seconds" |
        awk '{ printf "%.3f %.3f", ($1 - $2) / $5 * 100, ($3 - $4) / $5 * 100 }')"
}

echo "iperf3 over loopback, ${seconds} s per run, $(nproc) cores"
read -r base_bps _ _ < <(run_iperf)
read -r mon_bps mon_bytes mon_counted mon_idle mon_load < <(measure_monitor)
read -r bpf_ns bpf_runs <"$work/bpf"
read -r hogs_bps hogs_idle hogs_load < <(measure_nethogs)
read -r base2_bps _ _ < <(run_iperf)

awk -v b1="$base_bps" -v b2="$base2_bps" -v m="$mon_bps" -v h="$hogs_bps" \
    -v sent="$mon_bytes" -v kb="$mon_counted" -v mi="$mon_idle" -v ml="$mon_load" \
    -v hi="$hogs_idle" -v hl="$hogs_load" -v bns="$bpf_ns" -v bruns="$bpf_runs" \
    -v secs="$seconds" 'BEGIN {
    base = (b1 + b2) / 2
    printf "%-26s %12s %12s %12s %12s\n", "", "Gbit/s", "vs none", "CPU idle %", "CPU load %"
    printf "%-26s %12.2f %12s %12s %12s\n", "no counter (mean of 2)", base / 1e9, "1.000", "-", "-"
    printf "%-26s %12.2f %12.3f %12.2f %12.2f\n", "nimbra-warden-netmonitor", m / 1e9, m / base, mi, ml
    printf "%-26s %12.2f %12.3f %12.2f %12.2f\n", "nethogs", h / 1e9, h / base, hi, hl
    printf "monitor eBPF programs: %d runs, %.0f ns per run, %.2f %% of a core under load\n",
        bruns, bruns ? bns / bruns : 0, bns / (secs * 1e9) * 100
    printf "monitor counted %.0f B sent by the iperf3 client for %.0f B of payload: ratio %.4f\n",
        kb * 1024, sent, kb * 1024 / sent
}'
