#!/usr/bin/env bash
# Checks that the include arrows between the folders run one way:
#  - the engine and the libraries under it (engine/, gfx/, sound/, data/, core/) include nothing
#    from platform/: the interface the engine needs from outside is engine/host.h, and the
#    platforms implement it;
#  - the script machine (engine/script/) includes only the data layer, the common core (core/)
#    and itself, and nothing it includes, followed through every project header, reaches
#    engine/engine.h: the machine stays a unit of its own that tests link alone;
#  - the common core (core/) includes nothing from the engine or the platforms;
#  - outside engine/ and tests/, only the platforms (platform/, the window build's app/) and the
#    runner (tools/run_command.cpp) include engine/engine.h.
# Prints each arrow that runs the wrong way and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

failed=0
fail() {
    echo "layering: $*" >&2
    failed=1
}

# The C++ sources under the given folders (paths relative to the source tree, build trees left out).
sources() {
    find "$@" -type f \( -name '*.h' -o -name '*.cpp' \) -not -path '*/build*' 2>/dev/null | sed 's#^\./##' | sort
}

# Project headers a file includes ("dir/file.h" forms only; system headers use <>).
project_includes() {
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"
}

# 1. Nothing below the platforms includes a platform header.
for file in $(sources engine gfx sound data core); do
    while read -r included; do
        case "$included" in
            platform/*) fail "$file includes $included (the engine's outside interface is engine/host.h)" ;;
        esac
    done < <(project_includes "$file")
done

# 2. The script machine includes only the data layer, the core and itself; the core nothing above it.
for file in $(sources engine/script); do
    while read -r included; do
        case "$included" in
            data/* | core/* | engine/script/*) ;;
            *) fail "$file includes $included (the script machine may include data/, core/ and engine/script/)" ;;
        esac
    done < <(project_includes "$file")
done
for file in $(sources core); do
    while read -r included; do
        case "$included" in
            engine/* | platform/*) fail "$file includes $included (the core sits below the engine)" ;;
        esac
    done < <(project_includes "$file")
done

# 3. The script machine's includes, followed through every project header, never reach engine.h.
declare -A seen=()
queue=()
for file in $(sources engine/script); do
    queue+=("$file")
done
while ((${#queue[@]})); do
    file="${queue[0]}"
    queue=("${queue[@]:1}")
    [[ -n "${seen[$file]:-}" ]] && continue
    seen[$file]=1
    while read -r included; do
        [[ -f "$included" ]] || continue
        if [[ "$included" == engine/engine.h ]]; then
            fail "$file includes engine/engine.h, which the script machine must not reach"
        elif [[ -z "${seen[$included]:-}" ]]; then
            queue+=("$included")
        fi
    done < <(project_includes "$file")
done

# 4. Outside the engine and its tests, only the platforms and the runner include engine.h.
while read -r file; do
    case "$file" in
        engine/* | tests/* | platform/* | app/* | tools/run_command.cpp) ;;
        *) fail "$file includes engine/engine.h (only the platforms and the runner may)" ;;
    esac
done < <(sources . | xargs grep -l '#include "engine/engine.h"' || true)

if ((failed)); then
    exit 1
fi
echo "layering: every include arrow runs the right way"
