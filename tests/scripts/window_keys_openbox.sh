#!/usr/bin/env bash
# Keys across the game's dialogs, pop-up menu and focus changes, under the openbox window manager:
# see window_keys.bash.
WM=openbox exec bash "$(dirname "$0")/window_keys.bash"
