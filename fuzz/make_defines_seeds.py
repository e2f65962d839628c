#!/usr/bin/env python3
"""Writes the seed corpus of defines_fuzz (fuzz/corpus/defines): UTF-16LE text made of a defines
document, a U+0000 and a text to expand, one seed per define command and a few of the
expansion's traps (self-reference, a lone "%", "##", nested commands, a Fail in the fatal
caption)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "defines")


def document(defines):
    body = "".join("<Define><Name>%s</Name><Value>%s</Value></Define>" % d for d in defines)
    return "<Defines>" + body + "</Defines>"


SEEDS = {
    "registry": ([("P", "#Registry HKLM\\SOFTWARE\\Vendor\\Game,Path|none")],
                 "%P% #Registry HKLM\\SOFTWARE\\Vendor\\Game,Cut"),
    "registry_missing": ([("K", "HKCU\\Nothing")], "#Registry %K%,x|absent"),
    "ifbool": ([("B", "#Registry HKLM\\SOFTWARE\\Vendor\\Game,Flag")], "#IfBool %B%,yes|no"),
    "ifset_ifeq": ([("A", "1"), ("E", "")], "#IfSet %A%,#IfEq %A%,1,one|other|unset"),
    "ifcontains_uppercase": ([("N", "Game")], "#IfContains %N%,am,#Uppercase %N%|x"),
    "iffileexists": ([("D", "C:\\Games")], "#IfFileExists %D%\\game.exe,found|missing"),
    "fail": ([("FATAL_POPUP_TITLE", "#Fail again")], "#Fail %InstallName% broke|x"),
    "self_reference": ([("A", "%A%%A%"), ("P", "50%")], "%P% of %A% ##x %% %"),
    "invalid_command": ([("FATAL_POPUP_TITLE", "#Bogus|t")], "#X a,,b|e"),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, (defines, text) in SEEDS.items():
        data = (document(defines) + "\0" + text).encode("utf-16-le")
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
