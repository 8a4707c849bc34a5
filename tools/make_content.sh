#!/usr/bin/env bash
# Rebuilds every generated resource (game data, strings, sounds, art) from the
# generators in tools/. Deterministic: running it twice changes nothing. The
# output is committed, so ./play and ./test never need this or its packages
# (tools/generator-packages.txt).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
py=/usr/bin/python3
for generator in content/make_gamedata.py content/make_strings.py content/make_sounds.py content/make_theme.py \
                 art/make_board_art.py art/make_village_art.py art/make_gui_art.py; do
    echo "== $generator"
    "$py" "$top/tools/$generator"
done
