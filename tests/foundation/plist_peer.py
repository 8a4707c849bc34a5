#!/usr/bin/env python3
"""The other side of the property-list interop test: Python's plistlib.

Usage: plist_peer.py TABLE CHECK_PLIST [WRITE_PLIST]

TABLE holds one case a line, "name<TAB>Python expression". CHECK_PLIST must be
a dictionary from each name to that value: every case that is missing or
differs is printed. With WRITE_PLIST, the expected values are then written
there by plistlib. The exit status is 0 when every case matched, 1 otherwise.
"""
import datetime
import math
import plistlib
import sys


def canonical(value):
    """A form that compares kinds strictly and reals by their exact repr."""
    if isinstance(value, bool):
        return ("bool", value)
    if isinstance(value, int):
        return ("int", value)
    if isinstance(value, float):
        return ("float", repr(value))
    if isinstance(value, dict):
        return ("dict", sorted((key, canonical(item)) for key, item in value.items()))
    if isinstance(value, list):
        return ("list", [canonical(item) for item in value])
    return (type(value).__name__, value)


def read_table(path):
    expected = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            line = line.rstrip("\n")
            if line:
                name, expression = line.split("\t", 1)
                expected[name] = eval(expression, {"datetime": datetime, "math": math})
    return expected


def main(argv):
    expected = read_table(argv[1])
    with open(argv[2], "rb") as file:
        actual = plistlib.load(file)
    failures = 0
    for name, value in expected.items():
        if name not in actual:
            print(f"{name}: missing")
            failures += 1
        elif canonical(actual[name]) != canonical(value):
            print(f"{name}: read {actual[name]!r}, expected {value!r}")
            failures += 1
    for name in actual.keys() - expected.keys():
        print(f"{name}: not expected")
        failures += 1
    if len(argv) > 3:
        with open(argv[3], "wb") as file:
            plistlib.dump(expected, file, sort_keys=False)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
