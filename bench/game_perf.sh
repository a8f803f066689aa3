#!/usr/bin/env bash
# The window build's running costs, measured the way a player feels them: the game is started
# under Xvfb in a benchmark copy of the sample game (the sample's pictures and music, with a scene
# of its own: the title at once, "はじめから", a message, a choice in the message window, then
# 1000 ms fades and wipes for ever with the largest piece of music), and the process is watched
# from /proc and from its frame log. One line per figure, the goal beside it:
#   startup   ms from process start to the first presented frame of the title, and the CPU time
#             the game used until then (on a busy machine the difference is mostly waiting to run);
#             for a later start and for the very first one, which also writes the save files
#   title     CPU (fraction of one core) at the title menu with the pointer still over the window,
#             and frame ticks per second (the title's music is left out of the benchmark copy)
#   message   the same while the game waits at a message (the wait icon animates)
#   choice    the same while a choice waits in the message window, the pointer on no line
#   fades     CPU while fades and wipes run with music; presented frames per second (mean, and the
#             most in any one second), against the display's refresh
#   memory    peak resident memory (by then the largest piece of music has played)
#   allocs    heap allocations per frame tick of the game's own (Qt's handling of window events,
#             painting included, counted apart) in each idle state and in the fades
#   xvfb      the X server's CPU at the message and in the fades (work the game causes outside itself)
#   gamepad   CPU over 20 s at a waiting message in two more starts: without a pad, and with SDL's
#             virtual pad plugged in (HARUKAZE_VIRTUAL_PAD), and their ratio
#
# usage: bench/game_perf.sh [BUILD_DIR]
#   BUILD_DIR holds (or receives) the harukaze and harukaze-tool programs; default: build-bench in
#   the repository. GAME_DIR=DIR reuses a sample game already made by `harukaze-tool demo`.
#   QUICK=1 measures 2 s per period instead of 10 (for CI: it checks that every step and figure
#   comes out, not how fast). Needs xvfb-run, xdotool and a C compiler (for the counting
#   allocator; without one the allocation line says so). PROFILE=DIR also records `perf record -g`
#   profiles of the periods into DIR (title.data, message.data, choice.data, fades.data); the CPU
#   figures of such a run include perf's own cost.
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
# The title plays music 1 by itself; without it the title's figure is the game's own cost.
rm -f "$game/Sound/M01.ogg"
largest=$(ls -S "$game"/Sound/M*.ogg | head -n 1)
music=$(basename "$largest" .ogg)
music=$((10#${music#M}))
mkdir -p "$work/scr"
cat >"$work/scr/scene0001.txt" <<SCENE
    system title
    system cursor, 1
    system contextmenu, 1
    bgm 0
    char 0
    bg 101
    effect 1, 500
    message "計測中です。クリックすると選択肢が出ます。"
    select "フェードとワイプへ/こちらもフェードとワイプへ"
    bgm $music, 1
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
# hk_bench_alloc_count counts every thread's allocations, hk_bench_alloc_count_thread those of the
# calling thread (the game asks from its GUI thread).
preload=
if command -v cc >/dev/null; then
    cat >"$work/count_alloc.c" <<'CODE'
#include <stddef.h>
#include <stdint.h>
extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
static uint64_t count;
static __thread uint64_t thread_count;
uint64_t hk_bench_alloc_count(void) { return __atomic_load_n(&count, __ATOMIC_RELAXED); }
uint64_t hk_bench_alloc_count_thread(void) { return thread_count; }
static void counted(void) { __atomic_fetch_add(&count, 1, __ATOMIC_RELAXED); ++thread_count; }
void* malloc(size_t n) { counted(); return __libc_malloc(n); }
void* calloc(size_t a, size_t b) { counted(); return __libc_calloc(a, b); }
void* realloc(void* p, size_t n) { counted(); return __libc_realloc(p, n); }
CODE
    cc -O2 -shared -fPIC -ftls-model=initial-exec -o "$work/count_alloc.so" "$work/count_alloc.c" &&
        preload=$work/count_alloc.so
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
# Asks the game for a sample of its counters (SIGUSR1) and prints the sample line's fields after
# "# sample": wall ms, ticks, allocations (all threads), CPU ms, allocations of the GUI thread,
# those of them in Qt's event handling, sleeps of the loop.
sample() {
    local before after deadline
    before=$(grep -c '^# sample ' "$log" || true)
    kill -USR1 "$game_pid"
    deadline=$(($(now_ms) + 10000))
    while (($(now_ms) < deadline)); do
        after=$(grep -c '^# sample ' "$log" || true)
        if ((after > before)); then
            grep '^# sample ' "$log" | tail -n 1 | cut -d' ' -f3-
            return 0
        fi
        sleep 0.02
    done
    echo "game_perf: the game did not answer a sample request" >&2
    exit 1
}
xvfb_pid=$(pgrep -n -x Xvfb || true)
seconds=10
[[ -n "${QUICK:-}" ]] && seconds=2
# Measures $seconds seconds (named $1): sets wall (ms), cpu (cores), xcpu (X server cores),
# frames, peak (most frames in a second), tick_rate (ticks/s), allocs (the GUI thread's own
# allocations per tick, outside Qt's event handling), sleeps (of the loop per second), cpu_fine
# (cores, from the game's own CPU clock in ms rather than /proc's 10 ms ticks).
measure() {
    local c0 c1 x0=0 x1=0 s0 s1
    s0=$(sample)
    c0=$(cpu_ticks "$game_pid"); [[ -n "$xvfb_pid" ]] && x0=$(cpu_ticks "$xvfb_pid")
    if [[ -n "${PROFILE:-}" ]]; then
        perf record -q -g -o "$PROFILE/$1.data" -p "$game_pid" -- sleep "$seconds" >/dev/null 2>&1 ||
            echo "game_perf: perf record failed" >&2
    else
        sleep "$seconds"
    fi
    c1=$(cpu_ticks "$game_pid"); [[ -n "$xvfb_pid" ]] && x1=$(cpu_ticks "$xvfb_pid")
    s1=$(sample)
    read -r wall tick_rate allocs sleeps cpu_fine < <(awk -v a="$s0" -v b="$s1" 'BEGIN {
        split(a, p, " "); split(b, q, " ")
        wall = q[1] - p[1]; ticks = q[2] - p[2]
        al = "n/a"
        if (ticks > 0 && p[5] >= 0) al = sprintf("%.2f", ((q[5] - q[6]) - (p[5] - p[6])) / ticks)
        printf "%d %.1f %s %.1f %.5f\n", wall, ticks / (wall / 1000), al, (q[7] - p[7]) / (wall / 1000),
            (q[4] - p[4]) / wall
    }')
    cpu=$(awk -v c=$((c1 - c0)) -v k="$clk_tck" -v w="$wall" 'BEGIN { printf "%.4f", c / k / (w / 1000) }')
    xcpu=$(awk -v c=$((x1 - x0)) -v k="$clk_tck" -v w="$wall" 'BEGIN { printf "%.4f", c / k / (w / 1000) }')
    read -r frames peak < <(awk -v a="$(cut -d' ' -f1 <<<"$s0")" -v b="$(cut -d' ' -f1 <<<"$s1")" '
        $1 !~ /^#/ && $1 >= a && $1 < b { n++; per[int(($1 - a) / 1000)]++ }
        END { m = 0; for (s in per) if (per[s] > m) m = per[s]; printf "%d %d\n", n, m }' "$log")
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
            ${preload:+LD_PRELOAD="$preload"} ${pad_fifo:+HARUKAZE_VIRTUAL_PAD="$pad_fifo"} "$app"
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
# Waits (up to 30 s) for a presented frame of task $1, then a second for the game to settle.
settle() {
    wait_task "$1" 30
    sleep 1
}

# The first start in a fresh folder also writes the system file and the thirty empty slots; the
# measured run is a later start, as a player mostly sees it.
start_game
first_startup=$startup first_startup_cpu=$startup_cpu first_startup_load=$startup_load
stop_game
start_game
settle 00700102
window=$(xdotool search --sync --onlyvisible --pid "$game_pid" --name "radadu" | head -n 1)
# The pointer over the picture, away from the menu's entries, then left alone.
xdotool mousemove --window "$window" 200 200
sleep 1
measure title
title_cpu=$cpu title_ticks=$tick_rate title_allocs=$allocs title_sleeps=$sleeps

xdotool mousemove --window "$window" 700 390 click 1
settle 00006002
xdotool mousemove --window "$window" 400 200
sleep 1
measure message
message_cpu=$cpu message_x=$xcpu message_frames=$frames message_ticks=$tick_rate message_allocs=$allocs
message_sleeps=$sleeps

xdotool click 1
settle 00006802
measure choice
choice_cpu=$cpu choice_ticks=$tick_rate choice_allocs=$allocs choice_sleeps=$sleeps

xdotool mousemove --window "$window" 400 470 click 1
wait_task "00002001|00002011" 30
sleep 1
measure fades
fade_cpu=$cpu fade_x=$xcpu fade_fps=$(awk -v f="$frames" -v w="$wall" 'BEGIN { printf "%.1f", f / (w / 1000) }') fade_peak=$peak
fade_allocs=$allocs fade_ticks=$tick_rate
peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$game_pid/status")
refresh=$(awk '/^# refresh / { print $3; exit }' "$log")

stop_game

# ---- a gamepad: the same message, 20 s without a pad and 20 s with the virtual one ----
# Starts the game (with the pad plugged in when $1 is "pad"), starts a new game and measures the
# first message; sets pad_cpu.
measure_pad_message() {
    pad_fifo=
    if [[ $1 == pad ]]; then
        pad_fifo=$work/pad
        rm -f "$pad_fifo"
        mkfifo "$pad_fifo"
    fi
    start_game
    if [[ -n $pad_fifo ]]; then
        exec 7<>"$pad_fifo"
        echo plug >&7
    fi
    settle 00700102
    window=$(xdotool search --sync --onlyvisible --pid "$game_pid" --name "radadu" | head -n 1)
    xdotool mousemove --window "$window" 700 390 click 1
    settle 00006002
    xdotool mousemove --window "$window" 400 200
    sleep 1
    local saved=$seconds
    seconds=20
    [[ -n "${QUICK:-}" ]] && seconds=2
    measure "message-$1"
    seconds=$saved
    pad_cpu=$cpu_fine pad_sleeps=$sleeps
    if [[ -n $pad_fifo ]]; then
        grep -q "virtual pad" "$work/game.out" && { echo "game_perf: the virtual pad did not plug in" >&2; exit 1; }
        exec 7>&-
    fi
    stop_game
    pad_fifo=
}
measure_pad_message none
nopad_cpu=$pad_cpu nopad_sleeps=$pad_sleeps
measure_pad_message pad
withpad_cpu=$pad_cpu withpad_sleeps=$pad_sleeps

printf 'startup  first title frame %5d ms after start, %s ms of it on the CPU, load %s (goal <= 300 ms)\n' \
    "$startup" "${startup_cpu:-?}" "$startup_load"
printf 'startup  the very first start (save files written): %d ms, %s ms on the CPU, load %s\n' \
    "$first_startup" "${first_startup_cpu:-?}" "$first_startup_load"
printf 'title    cpu %.4f cores with the pointer still, %s ticks/s, %s sleeps/s   (goal <= 0.005)\n' \
    "$title_cpu" "$title_ticks" "$title_sleeps"
printf 'message  cpu %.4f cores at a message, %s ticks/s, %s sleeps/s, %d frames in %d s   (goal <= 0.005)\n' \
    "$message_cpu" "$message_ticks" "$message_sleeps" "$message_frames" "$seconds"
printf 'choice   cpu %.4f cores at a choice, %s ticks/s, %s sleeps/s   (goal <= 0.005)\n' \
    "$choice_cpu" "$choice_ticks" "$choice_sleeps"
printf 'fades    cpu %.4f cores, %s ticks/s                       (goal <= 0.15)\n' "$fade_cpu" "$fade_ticks"
printf 'fades    %s presented frames/s, at most %d in one second  (goal >= 55, never above the display'"'"'s %s Hz)\n' \
    "$fade_fps" "$fade_peak" "$refresh"
printf 'memory   peak resident %.1f MiB, %s played   (goal <= 64 MiB with the sample'"'"'s pictures and music)\n' \
    "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')" "$(basename "$largest")"
printf 'allocs   the game'"'"'s own per tick: %s at the title, %s at a message, %s at a choice, %s in the fades (goal 0)\n' \
    "$title_allocs" "$message_allocs" "$choice_allocs" "$fade_allocs"
printf 'xvfb     X server cpu %.4f cores at the message, %.4f in the fades\n' "$message_x" "$fade_x"
printf 'gamepad  cpu %.4f cores at a message without a pad (%s sleeps/s), %.4f with one (%s sleeps/s), ratio %s   (goal <= 1.5, and <= 0.01)\n' \
    "$nopad_cpu" "$nopad_sleeps" "$withpad_cpu" "$withpad_sleeps" \
    "$(awk -v a="$nopad_cpu" -v b="$withpad_cpu" 'BEGIN { if (a > 0) printf "%.2f", b / a; else print "(none without a pad)" }')"
