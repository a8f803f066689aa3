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
