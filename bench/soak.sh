#!/usr/bin/env bash
# Long runs of the sample game, watching the process's resident memory and open file descriptors:
# from pass to pass they must stay flat once the first play-through has warmed everything up
# (each pass's peak within 2 MiB of the second pass's, the same descriptors between file reads).
#   window  the window build under Xvfb for WINDOW_MINUTES (default 30) of real time, reading in
#           automatic-advance mode: the soak starts a new game at the title, switches automatic
#           advance on at the first message and after every choice, answers each choice (the two
#           endings in turn) and the click wait; a sample every 10 s
#   runner  `harukaze-tool run` for VIRTUAL_HOURS (default 4) of virtual time, the same play in
#           automatic-advance mode, the two endings in turn; a sample every 0.5 s of real time
# One line per figure and "soak: PASS" or "soak: FAIL" at the end (exit status 1 on a failure).
#
# usage: bench/soak.sh [BUILD_DIR]
#   BUILD_DIR holds (or receives) harukaze and harukaze-tool; default: build-bench in the
#   repository. GAME_DIR=DIR reuses a sample game made by `harukaze-tool demo`; WINDOW_MINUTES=0
#   or VIRTUAL_HOURS=0 leaves a part out; OUT=DIR keeps the samples (window.csv, runner.csv).
#   Needs Xvfb and xdotool for the window part.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build-bench}
mkdir -p "$build"
build=$(cd "$build" && pwd)
window_minutes=${WINDOW_MINUTES:-30}
virtual_hours=${VIRTUAL_HOURS:-4}
app=$build/app/harukaze
tool=$build/tools/harukaze-tool
if [[ ! -x "$app" || ! -x "$tool" ]]; then
    echo "soak: building harukaze and harukaze-tool in $build" >&2
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j2 --target harukaze harukaze-tool >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/soak.XXXXXX")
out=${OUT:-$work/out}
mkdir -p "$out"
XVFB_PID="" GAME_PID="" RUNNER_PID=""
cleanup() {
    for pid in "$GAME_PID" "$RUNNER_PID" "$XVFB_PID"; do
        [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

game=$work/game
if [[ -n "${GAME_DIR:-}" ]]; then
    cp -r "$GAME_DIR" "$game"
    rm -f "$game"/Save*.dat
else
    echo "soak: making the sample game (a few minutes on a busy machine)" >&2
    "$tool" demo "$game" --source "$repo/demo" --quiet
fi

status=0
now_ms() { date +%s%3N; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }
fd_count() { ls "/proc/$1/fd" 2>/dev/null | wc -l; }
# Judges the samples in $1 (CSV: seconds,rss_kib,fds,pass) from the first sample of pass 2 on.
judge() {
    local name=$1 csv=$2
    # Within a pass the game's memory follows the play: pictures, a transition's two screens, the
    # full-screen choice's overlays and sound files come and go, so samples of one pass differ by
    # several MiB. A leak shows from pass to pass instead: each pass's peak resident memory must
    # stay within 2 MiB of the second pass's, and each pass's lowest count of open descriptors
    # (taken between file reads) must equal the second pass's.
    awk -F, -v name="$name" '
        NR == 1 { next }
        { passes = $4 }
        $4 >= 2 {
            n++
            if (!($4 in peak) || $2 > peak[$4]) peak[$4] = $2
            if (!($4 in fd_low) || $3 < fd_low[$4]) fd_low[$4] = $3
            if (n == 1 || $2 < rmin) rmin = $2
            if (n == 1 || $3 > fmax) fmax = $3
        }
        END {
            if (!(2 in peak) || !(3 in peak)) { printf "%s: fewer than three passes; run it longer\n", name; exit 1 }
            growth = 0; fd_change = 0; peaks = ""
            for (p = 2; p in peak; p++) {
                if (peak[p] - peak[2] > growth) growth = peak[p] - peak[2]
                if (fd_low[p] != fd_low[2]) fd_change = 1
                peaks = peaks sprintf("%s%.1f", p == 2 ? "" : " ", peak[p] / 1024)
            }
            flat = growth <= 2048 && !fd_change
            printf "%s: %d passes; peak resident MiB per pass after the first: %s (at most %.2f MiB above the second pass'"'"'s); within passes %.1f MiB and up; descriptors between reads %d in every pass (up to %d while a file is read), %d samples; %s\n",
                name, passes, peaks, growth / 1024, rmin / 1024, fd_low[2], fmax, n, flat ? "flat" : "NOT FLAT"
            exit !flat
        }' "$csv"
}

# ---- The window build ----
if [[ "$window_minutes" != 0 ]]; then
    # shellcheck source=tests/scripts/xvfb.bash
    source "$repo/tests/scripts/xvfb.bash"
    start_xvfb "$work" 1024x768x24
    wgame=$work/window-game
    cp -r "$game" "$wgame"
    log=$work/frames.log
    (cd "$wgame" && exec env HARUKAZE_FRAME_LOG="$log" "$app" >"$work/game.out" 2>&1) &
    GAME_PID=$!
    # The last whole paint line (read from the end: the log grows all the time).
    last_frame() { tail -n 40 "$log" 2>/dev/null | awk '!/^#/ && NF >= 6 { l = $0 } END { print l }'; }
    menu_open() {
        local id
        for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
            [[ "$(xdotool getwindowname "$id")" == harukaze ]] && return 0
        done
        return 1
    }
    for _ in $(seq 300); do [[ -n "$(last_frame)" ]] && break; sleep 0.1; done
    main=$(xdotool search --sync --onlyvisible --pid "$GAME_PID" --name "radadu" | head -n 1)
    csv=$out/window.csv
    echo "seconds,rss_kib,fds,pass" >"$csv"
    start=$(now_ms) end=$(($(now_ms) + window_minutes * 60000)) next_sample=0 pass=0
    waiting_msg="" waiting_since=0 acted_task="" acted_at=0
    while (($(now_ms) < end)); do
        kill -0 "$GAME_PID" 2>/dev/null || { echo "soak: the game ended: $(cat "$work/game.out")" >&2; exit 1; }
        t=$(now_ms)
        if ((t >= next_sample)); then
            echo "$(((t - start) / 1000)),$(rss_kib "$GAME_PID"),$(fd_count "$GAME_PID"),$pass" >>"$csv"
            next_sample=$((t + 10000))
        fi
        read -r _ task _ _ _ msg < <(last_frame)
        # Each waiting screen is answered once; a screen that stays gets answered again after 5 s.
        if [[ "$task" == "$acted_task" ]] && ((t - acted_at < 5000)); then
            sleep 0.2
            continue
        fi
        case $task in
        00700102) # the title: a new game
            pass=$((pass + 1))
            xdotool mousemove --window "$main" 700 390 click 1 ;;
        00006802) # the choices in the message window: the first line, the second on even passes
            xdotool mousemove --window "$main" 400 $((pass % 2 ? 472 : 504)) click 1 ;;
        00006902) # the full-screen choice
            xdotool mousemove --window "$main" 400 $((pass % 2 ? 360 : 300)) click 1 ;;
        00800102) # a click wait
            xdotool mousemove --window "$main" 400 300 click 1 ;;
        00006002) # a message: automatic advance on when it has waited longer than its delay
            if [[ "$msg" != "$waiting_msg" ]]; then
                waiting_msg=$msg waiting_since=$t
            elif ((t - waiting_since > 4000)); then
                xdotool mousemove --window "$main" 400 300 click 3
                for _ in $(seq 50); do menu_open && break; sleep 0.1; done
                xdotool key Down Down Down Return # ﾒｯｾｰｼﾞの自動進行
                waiting_since=$t
            fi
            sleep 0.2
            continue ;;
        *)
            sleep 0.2
            continue ;;
        esac
        acted_task=$task acted_at=$t
        sleep 0.2
    done
    judge window "$csv" || status=1
    kill -TERM "$GAME_PID"
    wait "$GAME_PID" || true
    GAME_PID=""
fi

# ---- The runner ----
if [[ "$virtual_hours" != 0 ]]; then
    rgame=$work/runner-game
    cp -r "$game" "$rgame"
    input=$work/input.txt
    auto() { printf 'until-task TASK_WAIT_MESSAGE max-ms 3600000\nticks 1\nmenu ItemMsgAuto\n'; }
    # A play-through is about six minutes of virtual time; the passes end at the title.
    passes=$(((virtual_hours * 60 + 4) / 5))
    {
        printf 'key Control down\nuntil-task TASK_WAIT_TITLE_MENU max-ms 3600000\nkey Control up\nstate start.json\n'
        for pass in $(seq "$passes"); do
            printf 'click 700 390\n'
            auto
            printf 'until-task TASK_WAIT_SELECT max-ms 3600000\nclick 400 %d\n' $((pass % 2 ? 472 : 504))
            auto
            printf 'until-task TASK_WAIT_SELECT2 max-ms 3600000\nclick 400 %d\n' $((pass % 2 ? 360 : 300))
            auto
            printf 'until-task TASK_WAIT_KEY max-ms 3600000\nclick 400 300\n'
            printf 'until-task TASK_WAIT_SELECT max-ms 3600000\nclick 400 %d\n' $((pass % 2 ? 472 : 504))
            auto
            printf 'until-task TASK_WAIT_TITLE_MENU max-ms 3600000\nstate pass%d.json\n' "$pass"
        done
    } >"$input"
    mkdir -p "$work/states"
    "$tool" run --game "$rgame" --input "$input" --out "$work/states" --quiet >"$work/runner.out" 2>&1 &
    RUNNER_PID=$!
    csv=$out/runner.csv
    echo "seconds,rss_kib,fds,pass" >"$csv"
    start=$(now_ms)
    while kill -0 "$RUNNER_PID" 2>/dev/null; do
        done_passes=$(find "$work/states" -name 'pass*.json' | wc -l)
        echo "$((($(now_ms) - start) / 1000)),$(rss_kib "$RUNNER_PID"),$(fd_count "$RUNNER_PID"),$((done_passes + 1))" >>"$csv"
        sleep 0.5
    done
    wait "$RUNNER_PID" || { echo "soak: the runner failed: $(cat "$work/runner.out")" >&2; exit 1; }
    RUNNER_PID=""
    hours=$(python3 -c "import json, sys
a = json.load(open(sys.argv[1])); b = json.load(open(sys.argv[2]))
print('%.2f' % ((b['Clock'] - a['Clock']) / 3.6e6))" "$work/states/start.json" "$work/states/pass$passes.json")
    endings=$(python3 -c "import json, sys
print(' '.join(str(json.load(open(p))['ScenarioVars'][9]) + '/' + str(json.load(open(p))['ScenarioVars'][10]) for p in sys.argv[1:3]))" \
        "$work/states/pass1.json" "$work/states/pass2.json")
    echo "runner: $passes passes in $hours hours of virtual time, $((($(now_ms) - start) / 1000)) s of real time (s10/s11 after the first two: $endings)"
    judge runner "$csv" || status=1
fi

if ((status == 0)); then echo "soak: PASS"; else echo "soak: FAIL"; fi
exit "$status"
