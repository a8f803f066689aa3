#!/usr/bin/env bash
# Keys across the game's dialogs, pop-up menu and focus changes, on a bare X server (no window
# manager): see window_keys.bash.
WM=none exec bash "$(dirname "$0")/window_keys.bash"
