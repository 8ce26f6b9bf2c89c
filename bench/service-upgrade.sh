#!/bin/bash
# SPDX-FileCopyrightText: 2026 Nimbra Warden developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The first start on a history written before the running sums existed, seen from outside.
# Runs the real service (clock set with faketime) with the simulated peers on private buses
# twice on fresh copies of the file: once with nobody asking, once with a client asking one
# application's month PAUSE seconds after each answer. Prints builtTo over time, the length
# of the build and the answer times (during and after the build) of both runs.
# Without WARDEN_DB it uses history-bench's large data set in DATA_DIR, written there once.
# Usage: bench/service-upgrade.sh BUILD_DIR [WARDEN_DB] [PAUSE] [LONGEST_SECONDS]
# BASE_BUILD_DIR, when set, is another build whose service runs the same two first, for a
# before and after from one run; the bench programs always come from BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "$1" && pwd) database=${2:-} pause=${3:-2} longest=${4:-900}
tools=$build
data=${DATA_DIR:-/work/bench-data}
start="2024-07-31 18:00:00" app=app007.desktop after=30
if [ -z "$database" ]; then
    database=$data/full-20apps-92days.db
    [ -e "$database.complete" ] || "$tools/bench/history-bench" "$data" data
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/nwt-upgrade.XXXXXX")
trap 'rm -rf "$work"' EXIT
# LOG_DIR, when set, keeps each run's raw lines.
keep() { [ -z "${LOG_DIR:-}" ] || cp "$work/$1.log" "$LOG_DIR/"; }

# One run: prints "builtTo T ROWS" lines, "built T" once complete, the asker's lines, "end T".
run() {
    local name=$1 asking=$2 home=$work/$1
    mkdir -p "$home/.nimbra-warden"
    cp "$database" "$home/.nimbra-warden/warden.db"
    NWT_HOME=$home "$root/tests/fixture/with-private-buses.sh" bash -c '
        root=$1 build=$2 tools=$3 start=$4 app=$5 pause=$6 asking=$7 longest=$8 after=$9
        db=$HOME/.nimbra-warden/warden.db
        "$build/tools/peer-simulator/nimbra-warden-peer-simulator" \
            --scenario "$root/tests/fixtures/e2e/scenario.json" >/dev/null 2>&1 &
        simulator=$!
        sleep 0.5
        faketime -f "@$start" "$build/service/nimbra-warden-trafficdetails" >"$HOME/service.log" 2>&1 &
        runner=$!
        state() {
            sqlite3 -readonly -cmd ".timeout 2000" "$db" \
                "SELECT builtTo, complete FROM flowSumState" 2>/dev/null | tr "|" " "
        }
        sleep 1
        service=$(pgrep -P "$runner")
        began=$(date +%s.%N)
        echo "began $began"
        echo "load $(cut -d" " -f1-3 /proc/loadavg)"
        since() { echo "$(date +%s.%N) - $began" | bc; }
        pid=
        [ "$asking" = yes ] && { "$tools/bench/service-asker" "$app" $((pause * 1000)) 100000 & pid=$!; }
        built=
        while :; do
            read -r to complete <<<"$(state)" || true
            t=$(since)
            printf "builtTo %.1f %s\n" "$t" "${to:-0}"
            if [ -z "$built" ] && [ "${complete:-0}" = 1 ]; then
                built=$t
                printf "built %.1f\n" "$t"
                # After the build: the asking run goes on asking, the quiet one starts now.
                [ "$asking" = yes ] || { "$tools/bench/service-asker" "$app" $((pause * 1000)) 100000 & pid=$!; }
            fi
            if [ -n "$built" ] && [ "$(echo "$t - $built > $after" | bc)" = 1 ]; then break; fi
            if [ "$(echo "$t > $longest" | bc)" = 1 ]; then break; fi
            sleep 2
        done
        printf "end %.1f\n" "$(since)"
        echo "load $(cut -d" " -f1-3 /proc/loadavg)"
        [ -n "$pid" ] && kill "$pid"
        kill "$service" "$simulator" "$runner" 2>/dev/null
        wait 2>/dev/null || true
    ' upgrade "$root" "$build" "$tools" "$start" "$app" "$pause" "$asking" "$longest" "$after" \
        >"$work/$name.log"
    rm -rf "$home"
}

# min / median / max of the answers asked (at T - MS, from "answer T MS") within the range of
# seconds since the run began.
summary() {
    local values timeouts
    values=$(awk -v from="$2" -v to="$3" '$1 == "began" { b = $2 }
        $1 == "answer" && $2 - b - $3 / 1000 >= from && $2 - b - $3 / 1000 < to { print $3 }' "$1" | sort -n)
    timeouts=$(awk -v from="$2" -v to="$3" '$1 == "began" { b = $2 }
        $1 == "timeout" && $2 - b - 120 >= from && $2 - b - 120 < to' "$1" | wc -l)
    if [ -z "$values" ]; then
        printf "none"
    else
        awk '{ v[NR] = $1 } END { printf "%.1f / %.1f / %.1f ms (%d)", v[1], v[int((NR + 1) / 2)], v[NR], NR }' <<<"$values"
    fi
    [ "$timeouts" -gt 0 ] && printf ", %d timed out" "$timeouts"
    printf "\n"
}

# Both runs on one build; `build` is seen by run().
runs() {
    local build=$1 label=$2 name asking log built
    for name in quiet asked; do
        [ $name = quiet ] && asking=no || asking=yes
        run "$label-$name" $asking
        log=$work/$label-$name.log
        keep "$label-$name"
        echo "== $label, $([ $name = quiet ] && echo "nobody asks during the build" || echo "$app's month asked ${pause} s after each answer")"
        # Other programs share the machine: its load tells how much of it the service had.
        echo "  load average at the start / end: $(awk '$1 == "load" { printf "%s%s %s %s", n++ ? " / " : "", $2, $3, $4 }' "$log")"
        # builtTo every 10 s or so, and its last value.
        awk 'BEGIN { shown = -1 } $1 == "builtTo" { if (int($2 / 10) != shown) { shown = int($2 / 10); printf "  %7.1f s  builtTo %s\n", $2, $3; last = "" } else last = sprintf("  %7.1f s  builtTo %s\n", $2, $3) }
             END { printf "%s", last }' "$log"
        built=$(awk '$1 == "built" { print $2 }' "$log")
        if [ -n "$built" ]; then
            echo "  build: $built s"
        else
            echo "  build: not finished after $(awk '$1 == "end" { print $2 }' "$log") s"
            built=1e9
        fi
        [ $name = asked ] && echo "  answers during the build: $(summary "$log" 0 "$built")"
        echo "  answers after the build: $(summary "$log" "$built" 1e9)"
    done
}

[ -z "${BASE_BUILD_DIR:-}" ] || runs "$(cd "$BASE_BUILD_DIR" && pwd)" before
runs "$build" "$([ -n "${BASE_BUILD_DIR:-}" ] && echo after || echo run)"
