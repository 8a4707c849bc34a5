#!/usr/bin/env bash
# Copies the game's fonts into resources/fonts/ from Debian's font packages,
# with their licence files. The game reads only the committed copies, so it
# never depends on the fonts a machine has installed.
#
#   NimbusSans-Regular.otf, NimbusSans-Bold.otf  (fonts-urw-base35: metric
#       twins of Helvetica; they stand in for the Helvetica faces)
#   ComicNeue-Bold.otf                           (fonts-comic-neue: a free
#       hand-lettered face; it stands in for the marker face)
#   DejaVuSans.ttf, DejaVuSans-Bold.ttf          (fonts-dejavu-core: the
#       social screens' system fonts)
#
# Which game font name uses which file is decided in engine/text/UIFont.cpp.
# Run: tools/copy_fonts.sh   (installs the two packages when missing)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$top/resources/fonts"

packages=(fonts-urw-base35 fonts-comic-neue fonts-dejavu-core)
missing=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

mkdir -p "$out"
install -m 644 /usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf "$out/"
install -m 644 /usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf "$out/"
install -m 644 /usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf "$out/"
install -m 644 /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$out/"
install -m 644 /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "$out/"
install -m 644 /usr/share/doc/fonts-dejavu-core/copyright "$out/LICENSE-DejaVu.txt"
install -m 644 /usr/share/doc/fonts-urw-base35/copyright "$out/LICENSE-NimbusSans.txt"
install -m 644 /usr/share/doc/fonts-comic-neue/copyright "$out/LICENSE-ComicNeue.txt"
