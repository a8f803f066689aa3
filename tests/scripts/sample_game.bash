# Sourced by the scripted tests of the sample game. `sample_game DEST` puts a fresh copy of the
# generated sample game in DEST. The game is generated once for each build of harukaze-tool and
# each state of demo/, into BUILD_DIR/tests/sample-game, under a lock, so scripts that run at the
# same time share one generation; every test still plays its own copy (the game writes its save
# files into its folder). SAMPLE_GAME_TOOL names another harukaze-tool to generate it with, so that
# builds for two processors can play the very same files.
sample_game() {
    local dest=$1
    local tool="${SAMPLE_GAME_TOOL:-${BUILD_DIR:?}/tools/harukaze-tool}" demo="${SOURCE_DIR:?}/demo"
    local cache="$BUILD_DIR/tests/sample-game" stamp
    stamp=$({
        sha256sum "$tool"
        (cd "$demo" && find . -type f -print0 | sort -z | xargs -0 sha256sum)
    } | sha256sum | cut -d' ' -f1)
    mkdir -p "$cache"
    (
        flock 9
        if [ ! -d "$cache/game" ] || [ "$(cat "$cache/stamp" 2>/dev/null)" != "$stamp" ]; then
            rm -rf "$cache/game" "$cache/stamp"
            "$tool" demo "$cache/game" --source "$demo" --quiet
            echo "$stamp" >"$cache/stamp"
        fi
        cp -r "$cache/game" "$dest"
    ) 9>"$cache/lock"
}

# `interface_game DEST < SCENE` makes a small game in DEST from the sample game's interface
# pictures, black and the morning sky, with no music, and one scene: the script text read from
# standard input. Its sources are left in WORK/source.
interface_game() {
    local dest=$1 src="${WORK:?}/source" demo="${SOURCE_DIR:?}/demo"
    mkdir -p "$src/scenes"
    cp "$demo/interface.txt" "$src/"
    : >"$src/music.txt"
    {
        # the message rule and frame, the parts sheet (floating window), black and the morning sky
        grep -E '^(7|8|10|100|101) ' "$demo/pictures.txt"
        for page in 1 2 3 4 5 6 7 8; do
            echo "cg-album $page - - - - - - - - - - - -"
            echo "scene-album $page - - - - - - - - - - - -"
        done
    } >"$src/pictures.txt"
    cat >"$src/scenes/scene0001.txt"
    "${SAMPLE_GAME_TOOL:-${BUILD_DIR:?}/tools/harukaze-tool}" demo "$dest" --source "$src" --quiet
}

# Prints the runner's input that plays the sample game's opening (two messages) and waits on the
# title menu, ready for a click.
runner_opening() {
    local _
    for _ in 1 2; do
        echo "until-task TASK_WAIT_MESSAGE max-ms 30000"
        echo "click 400 300"
    done
    echo "until-task TASK_WAIT_TITLE_MENU max-ms 30000"
    echo "ms 600"
}
