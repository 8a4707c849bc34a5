#!/usr/bin/python3
"""Writes the seed corpora of the social client's fuzz targets: JSON texts,
zip archives (theme-like, hostile names, stored and deflated entries),
desktop keychain files, Set-Cookie lines and the social data store's file. The same bytes on every run.

Usage: tools/make_social_fuzz_seeds.py [repository root]
"""
import io
import os
import plistlib
import sys
import zipfile

ROOT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
DATE = (2021, 6, 15, 12, 34, 56)


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data.encode("utf-8") if isinstance(data, str) else data)


def json_seeds():
    seeds = {
        "object.json": '{"meta":{"type":"page","timestamp":1700000000},"data":{"items":[{"id":"background",'
                       '"x":0,"y":0,"w":320,"h":44}],"title":"Gr\\u00fc\\u00dfe \\ud83d\\ude00 \u017c\u00f3\u0142w"}}',
        "numbers.json": "[0,-0,12,-7,9223372036854775807,9223372036854775808,0.1,-0.5E+3,1e308,1e-400,5e-324]",
        "escapes.json": '["\\"\\\\\\/\\b\\f\\n\\r\\t","\\u0000\\u001f","\\uD83D\\uDE00"]',
        "commas.json": '[1 2 {"a":1 "b":2}]',
        "whitespace.json": "\v\f [ true , false , null ] \r\n",
        "repeated_key.json": '{"a":1,"b":2,"a":3}',
        "nested.json": "[" * 40 + "]" * 40,
        "bad_surrogate.json": '["\\uD83D\\uD83D"]',
        "bad_utf8.json": b'["\xc0\xaf\xed\xa0\x80"]',
        "trailing_comma.json": '{"a":[1,],}',
        "nul.json": b'[1]\x00[2]',
        "scalar.json": '"just a string"',
    }
    for name, text in seeds.items():
        write("json_parser", name, text)


def zip_bytes(entries, method=zipfile.ZIP_DEFLATED):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, DATE)
            info.compress_type = method
            archive.writestr(info, data)
    return buffer.getvalue()


def zip_seeds():
    theme = [("theme/", b""), ("theme/master.ctd", b'{"background":"102030"}'),
             ("theme/pulltab/config.ctd", b'{"items":[]}'), ("theme/images/tab.png", bytes(range(64)))]
    write("zip_archive", "theme.zip", zip_bytes(theme))
    write("zip_archive", "stored.zip", zip_bytes(theme, zipfile.ZIP_STORED))
    write("zip_archive", "backslashes.zip", zip_bytes([("theme\\", b""), ("theme\\images\\a.png", b"a")]))
    write("zip_archive", "hostile.zip", zip_bytes([("../x", b"x"), ("a/../../y", b"y"), ("/tmp/z", b"z"),
                                                   ("C:\\w", b"w"), ("ok.txt", b"ok")]))
    write("zip_archive", "file_first.zip", zip_bytes([("readme.txt", b"hello"), ("theme/", b"")]))


def keychain_seeds():
    items = {"items": [
        {"account": "zandovar", "service": "uniqueid", "accessGroup": "7ZQ4M2KX9A.sharedstore",
         "value": b"<plist/>"},
        {"account": "zandovar", "service": "gameconfig", "value": bytes(range(32))},
    ]}
    write("keychain_file", "two_items.plist", plistlib.dumps(items, fmt=plistlib.FMT_XML, sort_keys=False))
    write("keychain_file", "empty.plist", plistlib.dumps({"items": []}, fmt=plistlib.FMT_XML))
    write("keychain_file", "not_a_list.plist", plistlib.dumps({"items": "none"}, fmt=plistlib.FMT_XML))


def cookie_seeds():
    write("set_cookie", "usual.txt", "JSESSIONID=abc123; Path=/; Secure; HttpOnly\n"
                                     "pref=1; Domain=.s.example; Path=/lite; Max-Age=3600\n"
                                     "old=x; Expires=Wed, 21 Oct 2015 07:28:00 GMT\n")
    write("set_cookie", "odd.txt", "=nameless\nnovalue\na=b; Domain=other.example\nc=d; Max-Age=-1; Path=rel\n"
                                   "e=f; Expires=Wednesday, 21-Oct-15 07:28:00 GMT; Domain=10.0.0.1\n")


def store_archive(entries):
    """A "DataStore" file: a keyed archive whose root is one dictionary."""
    keys = [key for key, _ in entries]
    objects = [value for _, value in entries]
    archive = {"$archiver": "MosswickKeyedArchive", "$version": 1,
               "$top": {"root": {"$class": "NSDictionary", "NS.keys": keys, "NS.objects": objects}}}
    return plistlib.dumps(archive, fmt=plistlib.FMT_XML, sort_keys=False)


def data_store_seeds():
    null = {"$class": "$null"}
    usage = [1700000000.5, "UI_START", null, null, null, null, "LUMORASLIMLINE_PULLTAB"]
    impression = ["banner", 7, 3, null, "x", [1700000000.0, 1700000005.0], null]
    write("social_data_store", "first_start.plist", store_archive([
        ("userid", {"$class": "CCUniqueId", "CCUniqueId_uid": "0A1B2C3D-0000-4000-8000-000000000001"}),
        ("lastviewedtime", 1700000000.0),
        ("firstrun", "YES"),
        ("appinstalldate", __import__("datetime").datetime(2023, 11, 14, 22, 13, 20)),
    ]))
    write("social_data_store", "logs_and_tokens.plist", store_archive([
        ("currentusagedata", [usage, usage]),
        ("currentimpressiondata", [impression]),
        ("uireplacement", {"$class": "NSDictionary", "NS.keys": ["coins_title"], "NS.objects": ["Gold"]}),
        ("loginHandlerTosAccepted", True),
        ("sessioncountsinceappinstall", "7"),
    ]))
    write("social_data_store", "empty.plist", store_archive([]))


def pull_tab_seeds():
    """A pull tab's configuration skin and overlay position skin, split at a
    NUL byte: the shipped shape, missing and odd numbers, huge values."""
    device = ('{"contentwidth":320,"contentheight":320,"bordersize":4,"tabsize":40,'
              '"translations":{"offscreen":0,"tabvisible":44,"news":104,"fullvisibility":364},'
              '"keyboard_portrait":{"height":216,"offset":0,"offset_bottom":20,"offset_right":0,'
              '"offset_top":0,"offset_left":0},"keyboard_landscape":{"height":162}}')
    frames = ('[{"id":"portrait","x":0,"y":480,"w":320,"h":364},{"id":"portraitup","x":0,"y":480,"w":320,"h":364},'
              '{"id":"landscapeleft","x":0,"y":320,"w":480,"h":364},{"id":"landscaperight","x":0,"y":320,"w":480,"h":364}]')
    seeds = {
        "shipped": '{"iPhone":%s,"iPad":%s}\0{"iPhoneFrames":%s,"iPadFrames":%s}' % (device, device, frames, frames),
        "strings": '{"iPhone":{"contentheight":"320","bordersize":"x","translations":{"news":"104"}}}\0'
                   '{"iPhoneFrames":[{"id":"portrait","x":"0","y":null}]}',
        "huge": '{"iPhone":{"contentwidth":1e308,"contentheight":-1e308,"tabsize":1e39,'
                '"translations":{"fullvisibility":1e300,"news":-5}}}\0{"iPhoneFrames":[{"id":"portrait",'
                '"x":1e200,"y":-1e200,"w":1e39,"h":3.4e38}]}',
        "empty": "{}\0{}",
        "wrong_kinds": '{"iPhone":[1,2],"iPad":"x"}\0{"iPhoneFrames":{"id":"portrait"}}',
    }
    for name, text in seeds.items():
        write("pull_tab_geometry", name, text)


if __name__ == "__main__":
    json_seeds()
    zip_seeds()
    keychain_seeds()
    cookie_seeds()
    data_store_seeds()
    pull_tab_seeds()
