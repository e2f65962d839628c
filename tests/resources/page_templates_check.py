#!/usr/bin/env python3
"""Checks the compiled page templates (src/setup/pages.rc) against the pages as designed.

    page_templates_check.py WINDRES SOURCE_DIR

Compiles pages.rc with the resource compiler into a .res file, reads every dialog template from it
(the extended template format: header, caption, font entry, then each control with its extended
style, style, rectangle, id, class and text) and compares it with the table below, which lists
each page exactly as designed: language 1033, style 0x80C808C0, no extended style, size, font
15 pt / weight 100 / italic / character set 1 / no face name, caption, and the controls in
template order. Prints one line per difference; exit code 0 only when there is none.
"""
import struct
import subprocess
import sys
import tempfile
import os

WS_CHILD, WS_VISIBLE, WS_TABSTOP, WS_BORDER, WS_VSCROLL = 0x40000000, 0x10000000, 0x10000, 0x800000, 0x200000
BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_MULTILINE = 0x1, 0x3, 0x2000
ES_MULTILINE, ES_AUTOHSCROLL, ES_NOHIDESEL, ES_READONLY, ES_WANTRETURN = 0x4, 0x80, 0x100, 0x800, 0x1000
WS_EX_TRANSPARENT = 0x20

BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP
STATIC = WS_CHILD | WS_VISIBLE
EDIT = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL
LICENCE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | ES_WANTRETURN
PROGRESS = WS_CHILD | WS_VISIBLE | WS_BORDER

# (id, class, (x, y, width, height), style, extended style, text)
PAGES = {
    101: ((256, 175), "%LICENSE_DIALOG_TITLE%", [
        (1001, "EDIT", (4, 72, 248, 76), LICENCE, 0, ""),
        (1014, "BUTTON", (132, 160, 120, 13), BUTTON, 0, "%BUTTON_AGREE%"),
        (2, "BUTTON", (4, 160, 120, 13), BUTTON, 0, "%BUTTON_DONT_AGREE%"),
        (1019, "STATIC", (8, 52, 159, 16), STATIC, 0, "%LICENSE_DIALOG_LINE1%")]),
    102: ((256, 175), "%OPTIONS_DIALOG_TITLE%", [
        (1014, "BUTTON", (140, 160, 52, 13), BUTTON, 0, "%BUTTON_NEXT%"),
        (2, "BUTTON", (200, 160, 52, 13), BUTTON, 0, "%BUTTON_CANCEL%"),
        (1006, "EDIT", (8, 86, 188, 12), EDIT, 0, ""),
        (1007, "BUTTON", (200, 86, 48, 12), BUTTON, 0, "%BUTTON_BROWSE%"),
        (1008, "EDIT", (8, 122, 188, 12), EDIT, 0, ""),
        (1023, "STATIC", (8, 76, 160, 8), STATIC, 0, "%OPTIONS_DIALOG_DIRECTORY%"),
        (1024, "STATIC", (8, 112, 140, 8), STATIC, 0, "%OPTIONS_DIALOG_MENU_LOCATION%"),
        (1019, "STATIC", (8, 52, 159, 16), STATIC, 0, "%OPTIONS_DIALOG_LINE1%"),
        (110, "BUTTON", (80, 160, 52, 13), BUTTON, 0, "%BUTTON_BACK%")]),
    103: ((256, 175), "%WELCOME_DIALOG_TITLE%", [
        (1014, "BUTTON", (140, 160, 52, 13), BUTTON | BS_DEFPUSHBUTTON | BS_MULTILINE, 0, "%BUTTON_NEXT%"),
        (1018, "BUTTON", (4, 160, 92, 13), BUTTON | BS_MULTILINE, 0, "%BUTTON_CHANGE_SETTINGS%"),
        (2, "BUTTON", (200, 160, 52, 13), BUTTON, 0, "%BUTTON_CANCEL%"),
        (1019, "STATIC", (8, 52, 159, 16), STATIC, WS_EX_TRANSPARENT, "%WELCOME_DIALOG_LINE1%"),
        (1025, "STATIC", (8, 104, 185, 8), STATIC, WS_EX_TRANSPARENT, "%WELCOME_DIALOG_DIRECTORY%"),
        (1020, "STATIC", (8, 112, 241, 8), STATIC, 0, "%InstallPath%"),
        (1026, "STATIC", (8, 125, 160, 8), STATIC, WS_EX_TRANSPARENT, "%WELCOME_DIALOG_MENU_LOCATION%"),
        (1021, "STATIC", (8, 133, 241, 8), STATIC, 0, "%InstallGroup%"),
        (1027, "STATIC", (8, 76, 240, 25), STATIC, 0, "%WELCOME_DIALOG_LINE2%")]),
    104: ((256, 175), "%INSTALL_DIALOG_TITLE%", [
        (2, "BUTTON", (200, 160, 52, 13), BUTTON, 0, "%BUTTON_CANCEL%"),
        (1011, "MSCTLS_PROGRESS32", (16, 128, 224, 14), PROGRESS, 0, ""),
        (1012, "MSCTLS_PROGRESS32", (16, 92, 224, 14), PROGRESS, 0, ""),
        (1013, "STATIC", (12, 80, 232, 8), STATIC, 0, "%INSTALL_DIALOG_EXTRACTING%"),
        (1028, "STATIC", (12, 116, 232, 8), STATIC, 0, "%INSTALL_DIALOG_TOTAL_PROGRESS%"),
        (1019, "STATIC", (8, 52, 157, 16), STATIC, 0, "%INSTALL_DIALOG_LINE1%")]),
    106: ((256, 175), "%ABORT_DIALOG_TITLE%", [
        (2, "BUTTON", (200, 160, 52, 13), BUTTON, 0, "%BUTTON_EXIT%"),
        (1029, "STATIC", (8, 76, 228, 20), STATIC, 0, "%ABORT_DIALOG_LINE2%"),
        (1030, "STATIC", (8, 113, 228, 24), STATIC, 0, "%ABORT_DIALOG_LINE3%"),
        (1019, "STATIC", (8, 52, 146, 16), STATIC, 0, "%ABORT_DIALOG_LINE1%")]),
    107: ((224, 29), "", [
        (1015, "MSCTLS_PROGRESS32", (8, 8, 208, 16), PROGRESS, 0, "")]),
    108: ((256, 175), "%LAUNCH_DIALOG_TITLE%", [
        (6, "BUTTON", (200, 160, 52, 13), BUTTON, 0, "%BUTTON_DONE%"),
        (1031, "STATIC", (8, 76, 208, 19), STATIC, 0, "%LAUNCH_DIALOG_LINE2%"),
        (1032, "STATIC", (8, 97, 205, 21), STATIC, 0, "%LAUNCH_DIALOG_LINE3%"),
        (8, "BUTTON", (4, 160, 90, 13), BUTTON, 0, "%BUTTON_VIEW_README%"),
        (1019, "STATIC", (8, 52, 165, 13), STATIC, 0, "%LAUNCH_DIALOG_LINE1%"),
        (1022, "BUTTON", (8, 124, 204, 10), BUTTON | BS_AUTOCHECKBOX, 0, "%LAUNCH_DIALOG_LAUNCH_CHECK%")]),
}
PAGE_STYLE, PAGE_FONT, LANGUAGE = 0x80C808C0, (15, 100, 1, 1, ""), 1033
# Atoms of the predefined control classes, as a resource compiler may store them.
CLASS_ATOMS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}


def name_or_ordinal(data, offset):
    if struct.unpack_from("<H", data, offset)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    end = offset
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def read_dialog(data):
    version, signature, _help, exstyle, style, count, _x, _y, cx, cy = struct.unpack_from("<HHIIIHhhhh", data, 0)
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("not an extended dialog template")
    offset = 26
    _menu, offset = name_or_ordinal(data, offset)
    _cls, offset = name_or_ordinal(data, offset)
    caption, offset = name_or_ordinal(data, offset)
    points, weight, italic, charset = struct.unpack_from("<HHBB", data, offset)
    face, offset = name_or_ordinal(data, offset + 6)
    controls = []
    for _ in range(count):
        offset = (offset + 3) & ~3
        _help, cex, cstyle, x, y, w, h, cid = struct.unpack_from("<IIIhhhhI", data, offset)
        cls, offset = name_or_ordinal(data, offset + 24)
        text, offset = name_or_ordinal(data, offset)
        extra = struct.unpack_from("<H", data, offset)[0]
        offset += 2 + extra
        cls = CLASS_ATOMS.get(cls, cls)
        controls.append((cid, cls.upper() if isinstance(cls, str) else cls, (x, y, w, h), cstyle, cex, text))
    return style, exstyle, (cx, cy), caption, (points, weight, italic, charset, face), controls


def read_res(path):
    data = open(path, "rb").read()
    offset, dialogs = 0, {}
    while offset < len(data):
        size, header = struct.unpack_from("<II", data, offset)
        kind, p = name_or_ordinal(data, offset + 8)
        name, p = name_or_ordinal(data, p)
        p = (p + 3) & ~3
        _data_version, _flags, language = struct.unpack_from("<IHH", data, p)
        if kind == 5:
            dialogs[name] = (language, read_dialog(data[offset + header:offset + header + size]))
        offset += (header + size + 3) & ~3
    return dialogs


def main():
    windres, source = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        res = os.path.join(folder, "pages.res")
        subprocess.run([windres, "-I", os.path.join(source, "src"), "-O", "res",
                        os.path.join(source, "src", "setup", "pages.rc"), "-o", res], check=True)
        dialogs = read_res(res)
    faults = []
    if sorted(dialogs) != sorted(PAGES):
        faults.append(f"templates {sorted(dialogs)}, expected {sorted(PAGES)}")
    for page, (size, caption, controls) in PAGES.items():
        if page not in dialogs:
            continue
        language, (style, exstyle, got_size, got_caption, font, got_controls) = dialogs[page]
        expected = (LANGUAGE, PAGE_STYLE, 0, size, caption, PAGE_FONT)
        got = (language, style, exstyle, got_size, got_caption, font)
        for what, want, have in zip(("language", "style", "extended style", "size", "caption", "font"), expected, got):
            if want != have:
                faults.append(f"{page}: {what} {have!r}, expected {want!r}")
        if len(got_controls) != len(controls):
            faults.append(f"{page}: {len(got_controls)} controls, expected {len(controls)}")
        for index, (want, have) in enumerate(zip(controls, got_controls)):
            if want != have:
                faults.append(f"{page}: control {index}: {have!r}, expected {want!r}")
    for fault in faults:
        print("FAULT", fault)
    print(f"{len(PAGES)} templates checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
