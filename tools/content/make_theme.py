#!/usr/bin/python3
"""Writes resources/mosswick_01.lumoratheme, the social client's theme.

A theme is a zip archive with one root folder: the folder's own entry comes
first (the client takes the first entry, when it is a folder, as the root),
then the skin descriptions under it, each a JSON object in "<skin id>.ctd".
This much is what activating the social session needs: the master skin, a
non-empty object of the table colours. The pull tab's and the pages' skins
and images are added here as the screens that use them arrive.

Deterministic: entries in a fixed order with a fixed date, so the same
script gives the same bytes.
"""

import json
import os
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True

THEME = "mosswick_01"
ROOT_FOLDER = THEME + "/"
FIXED_DATE = (2012, 1, 1, 0, 0, 0)

# Table colours of the moss-green village palette; the client reads these
# names from the master skin.
MASTER = {
    "tablebackgroundcolor": "F3EFD9",
    "tablegroupheadercolor": "4E6B2F",
    "tableitemshaveseparator": 1,
    "tableitemseparatorcolor": "C9C0A0",
    "tablegroupheaderheight": 24,
    "tablescrollindicatorcolor": "black",
}

SKINS = [
    ("master.ctd", MASTER),
]


def entry(name):
    info = zipfile.ZipInfo(name, date_time=FIXED_DATE)
    info.create_system = 3  # Unix
    if name.endswith("/"):
        info.external_attr = (0o40755 << 16) | 0x10
    else:
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    out = os.path.join(ROOT, "resources", THEME + ".lumoratheme")
    with zipfile.ZipFile(out, "w") as archive:
        archive.writestr(entry(ROOT_FOLDER), b"")
        for name, content in SKINS:
            text = json.dumps(content, indent=1, sort_keys=True) + "\n"
            archive.writestr(entry(ROOT_FOLDER + name), text.encode("utf-8"))
    print("wrote", os.path.relpath(out, ROOT))


if __name__ == "__main__":
    main()
