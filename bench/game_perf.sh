#!/usr/bin/env bash
# The window build's running costs, measured the way a player feels them: the game is started
# under Xvfb in a benchmark copy of the sample game (the sample's pictures and music, with a scene
# of its own: the title at once, "はじめから", a message, then 1000 ms fades and wipes for ever),
# and the process is watched from /proc. One line per figure, the goal beside it:
#   startup   ms from process start to the first presented frame of the title, and the CPU time
#             the game used until then (on a busy machine the difference is mostly waiting to run);
#             for a later start and for the very first one, which also writes the save files
#   wait      CPU (fraction of one core) while the game waits at a message, 10 s
#   fades     CPU while fades and wipes run, 10 s; presented frames per second (mean, and the
#             most in any one second), against the display's refresh
#   memory    peak resident memory with the largest piece of music playing
#   allocs    heap allocations per frame tick while waiting and during the fades
#   xvfb      the X server's CPU in both periods (work the game causes outside itself)
#
# usage: bench/game_perf.sh [BUILD_DIR]
#   BUILD_DIR holds (or receives) the harukaze and harukaze-tool programs; default: build-bench in
#   the repository. GAME_DIR=DIR reuses a sample game already made by `harukaze-tool demo`.
#   Needs xvfb-run, xdotool and a C compiler (for the counting allocator; without one the
#   allocation line says so). PROFILE=DIR also records `perf record -g` profiles of the two
#   periods into DIR (wait.data, fades.data); the CPU figures of such a run include perf's own cost.
set -euo pipefail
trap 'echo "game_perf: failed at line $LINENO" >&2' ERR

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build-bench}
# The game runs from its own folder: the build directory must not be relative to this one.
mkdir -p "$build"
build=$(cd "$build" && pwd)

if [[ -z "${HK_PERF_INNER:-}" ]]; then
    if [[ -n "${PROFILE:-}" ]]; then
        command -v perf >/dev/null || { echo "game_perf: PROFILE needs perf" >&2; exit 2; }
        mkdir -p "$PROFILE"
        PROFILE=$(cd "$PROFILE" && pwd)
        export PROFILE
    fi
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || { echo "game_perf: $tool is needed" >&2; exit 2; }
    done
    if [[ ! -x "$build/app/harukaze" || ! -x "$build/tools/harukaze-tool" ]]; then
        echo "game_perf: building harukaze and harukaze-tool in $build" >&2
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$build" -j2 --target harukaze harukaze-tool >/dev/null
    fi
    export HK_PERF_INNER=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
fi

app=$build/app/harukaze
tool=$build/tools/harukaze-tool
work=$(mktemp -d "${TMPDIR:-/tmp}/game_perf.XXXXXX")
game_pid=
cleanup() {
    [[ -n "$game_pid" ]] && kill "$game_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# ---- the benchmark game ----
game=$work/game
if [[ -n "${GAME_DIR:-}" ]]; then
    mkdir -p "$game"
    cp -r "$GAME_DIR/GRP.IFP" "$GAME_DIR/Sound" "$game/"
    [[ -d "$GAME_DIR/VOICE" ]] && cp -r "$GAME_DIR/VOICE" "$game/"
else
    echo "game_perf: making the sample game (a few minutes on a busy machine)" >&2
    "$tool" demo "$game" --source "$repo/demo" --quiet
fi
largest=$(ls -S "$game"/Sound/M*.ogg | head -n 1)
music=$(basename "$largest" .ogg)
music=$((10#${music#M}))
mkdir -p "$work/scr"
cat >"$work/scr/scene0001.txt" <<SCENE
    system title
    system cursor, 1
    system contextmenu, 1
    bgm $music, 1
    char 0
    bg 101
    effect 1, 500
    message "計測中です。クリックするとフェードとワイプが続きます。"
loop:
    bg 100
    effect 1, 1000
    bg 101
    effect 41, 1000, 6
    jump loop, 1
    end
SCENE
rm -f "$game/SCR.IFP"
"$tool" scr asm "$work/scr" "$game/SCR.IFP" >/dev/null

# ---- a counting allocator, preloaded into the game only ----
preload=
if command -v cc >/dev/null; then
    cat >"$work/count_alloc.c" <<'CODE'
#include <stddef.h>
#include <stdint.h>
extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
static uint64_t count;
uint64_t hk_bench_alloc_count(void) { return __atomic_load_n(&count, __ATOMIC_RELAXED); }
void* malloc(size_t n) { __atomic_fetch_add(&count, 1, __ATOMIC_RELAXED); return __libc_malloc(n); }
void* calloc(size_t a, size_t b) { __atomic_fetch_add(&count, 1, __ATOMIC_RELAXED); return __libc_calloc(a, b); }
void* realloc(void* p, size_t n) { __atomic_fetch_add(&count, 1, __ATOMIC_RELAXED); return __libc_realloc(p, n); }
CODE
    cc -O2 -shared -fPIC -o "$work/count_alloc.so" "$work/count_alloc.c" && preload=$work/count_alloc.so
fi

# ---- helpers ----
clk_tck=$(getconf CLK_TCK)
cpu_ticks() { # utime + stime of a process, in clock ticks
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    set -- $stat
    echo $((${12} + ${13}))
}
now_ms() { date +%s%3N; }
log=$work/frames.log
# Waits (up to $2 seconds) for a presented frame whose task is one of the codes in $1.
wait_task() {
    local deadline=$(($(now_ms) + $2 * 1000))
    while (($(now_ms) < deadline)); do
        if [[ -f "$log" ]] && grep -qE "^[0-9]+ ($1) " "$log"; then return 0; fi
        kill -0 "$game_pid" 2>/dev/null || {
            echo "game_perf: the game ended early; its output:" >&2
            sed 's/^/  /' "$work/game.out" >&2
            exit 1
        }
        sleep 0.05
    done
    echo "game_perf: timed out waiting for task $1" >&2
    exit 1
}
xvfb_pid=$(pgrep -n -x Xvfb || true)
# Measures $1 seconds (named $2): sets wall (ms), cpu (cores), xcpu (X server cores), frames, peak
# (most frames in a second), allocs per tick.
measure() {
    local seconds=$1 c0 c1 x0=0 x1=0 t0 t1
    c0=$(cpu_ticks "$game_pid"); [[ -n "$xvfb_pid" ]] && x0=$(cpu_ticks "$xvfb_pid")
    t0=$(now_ms)
    if [[ -n "${PROFILE:-}" ]]; then
        perf record -q -g -o "$PROFILE/$2.data" -p "$game_pid" -- sleep "$seconds" >/dev/null 2>&1 ||
            echo "game_perf: perf record failed" >&2
    else
        sleep "$seconds"
    fi
    c1=$(cpu_ticks "$game_pid"); [[ -n "$xvfb_pid" ]] && x1=$(cpu_ticks "$xvfb_pid")
    t1=$(now_ms)
    wall=$((t1 - t0))
    cpu=$(awk -v c=$((c1 - c0)) -v k="$clk_tck" -v w="$wall" 'BEGIN { printf "%.4f", c / k / (w / 1000) }')
    xcpu=$(awk -v c=$((x1 - x0)) -v k="$clk_tck" -v w="$wall" 'BEGIN { printf "%.4f", c / k / (w / 1000) }')
    read -r frames peak allocs tick_rate < <(awk -v a="$t0" -v b="$t1" '
        $1 !~ /^#/ && $1 >= a && $1 < b {
            n++; s = int(($1 - a) / 1000); per[s]++
            if (first == "") { first = $1; t_first = $3; a_first = $4 }
            last = $1; t_last = $3; a_last = $4
        }
        END {
            m = 0; for (s in per) if (per[s] > m) m = per[s]
            al = "n/a"; tr = "n/a"
            if (n > 1 && a_first >= 0 && t_last > t_first) al = sprintf("%.2f", (a_last - a_first) / (t_last - t_first))
            if (n > 1 && last > first) tr = sprintf("%.0f", (t_last - t_first) / ((last - first) / 1000))
            printf "%d %d %s %s\n", n, m, al, tr
        }' "$log")
}

# ---- the run ----
mkdir -p "$work/run"
chmod 700 "$work/run"
# Starts the game and waits for the title's first frame; sets game_pid, startup (ms), startup_cpu
# (ms) and startup_load.
start_game() {
    rm -f "$log"
    local start_ms title_line
    start_ms=$(now_ms)
    (
        cd "$game"
        exec env XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" HARUKAZE_FRAME_LOG="$log" SDL_AUDIODRIVER=dummy \
            ${preload:+LD_PRELOAD="$preload"} "$app"
    ) >"$work/game.out" 2>&1 &
    game_pid=$!
    wait_task "00700101|00002091|00700102" 30
    title_line=$(grep -m1 -E "^[0-9]+ (00700101|00002091|00700102) " "$log")
    startup=$(($(cut -d' ' -f1 <<<"$title_line") - start_ms))
    startup_cpu=$(cut -d' ' -f5 <<<"$title_line")
    startup_load=$(cut -d' ' -f1 /proc/loadavg)
}
stop_game() {
    kill -TERM "$game_pid"
    for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.05; done
    game_pid=
}

# The first start in a fresh folder also writes the system file and the thirty empty slots; the
# measured run is a later start, as a player mostly sees it.
start_game
first_startup=$startup first_startup_cpu=$startup_cpu first_startup_load=$startup_load
stop_game
start_game
wait_task "00700102" 30
sleep 0.3
window=$(xdotool search --sync --onlyvisible --pid "$game_pid" --name "radadu" | head -n 1)
xdotool mousemove --window "$window" 700 390 click 1
wait_task "00006002" 30
sleep 1
measure 10 wait
wait_cpu=$cpu wait_x=$xcpu wait_frames=$frames wait_allocs=$allocs wait_ticks=$tick_rate

xdotool mousemove --window "$window" 400 300 click 1
wait_task "00002001|00002011" 30
sleep 1
measure 10 fades
fade_cpu=$cpu fade_x=$xcpu fade_fps=$(awk -v f="$frames" -v w="$wall" 'BEGIN { printf "%.1f", f / (w / 1000) }') fade_peak=$peak
fade_allocs=$allocs
peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$game_pid/status")
refresh=$(awk '/^# refresh / { print $3; exit }' "$log")

stop_game

printf 'startup  first title frame %5d ms after start, %s ms of it on the CPU, load %s (goal <= 1300 ms; 1000 ms are the start-up sleeps)\n' \
    "$startup" "${startup_cpu:-?}" "$startup_load"
printf 'startup  the very first start (save files written): %d ms, %s ms on the CPU, load %s\n' \
    "$first_startup" "${first_startup_cpu:-?}" "$first_startup_load"
printf 'wait     cpu %.4f cores at a message, %d frames in 10 s, %s ticks/s   (goal <= 0.01)\n' \
    "$wait_cpu" "$wait_frames" "$wait_ticks"
printf 'fades    cpu %.4f cores                                 (goal <= 0.15)\n' "$fade_cpu"
printf 'fades    %s presented frames/s, at most %d in one second  (goal >= 55, never above the display'"'"'s %s Hz)\n' \
    "$fade_fps" "$fade_peak" "$refresh"
printf 'memory   peak resident %.1f MiB with %s playing      (goal <= 100 MiB)\n' \
    "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')" "$(basename "$largest")"
printf 'allocs   %s per tick while waiting, %s per tick in the fades (goal 0)\n' "$wait_allocs" "$fade_allocs"
printf 'xvfb     X server cpu %.4f cores while waiting, %.4f in the fades\n' "$wait_x" "$fade_x"
