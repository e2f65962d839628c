#!/usr/bin/env python3
"""Writes the seed corpus of config_fuzz (fuzz/corpus/config): the first byte picks the reader
(0 XML text, 1 XML file, 2 defines, 3 properties, 4 install configuration, 5 expansion), the rest
is UTF-16LE. Seeds are the fixture folders of tests/data/config and the tricky cases of the unit
tests."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data", "config", "good")
OUT = os.path.join(HERE, "corpus", "config")

SNIPPETS = [
    (0, '<?xml version="1.0" ?><A b = "c" d><!-- note --><B/>x  "y  <z>" w</A>'),
    (0, '<A href="x/"><C b="x=y" b="2"/></A></B>&amp;lt;&cr;&x;'),
    (1, '\ufeff<A>\r\n<B>\r\n</C>'),
    (2, '<Defines><Define><Name>A</Name><Value>%B%%B%</Value></Define>'
        '<Define><Name>B</Name><Value>#IfSet %A%,x|y</Value></Define></Defines>'),
    (5, '<Defines><Define><Name>A</Name><Value>%A%%A%</Value></Define>'
        '<Define><Name>P</Name><Value>50%</Value></Define></Defines>\0%P% of %A% ##x %%'),
    (5, '<Defines><Define><Name>FATAL_POPUP_TITLE</Name><Value>#Bogus|t</Value></Define></Defines>\0#X a,,b|e'),
]


def write(name, mode, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([mode]) + data)


def main():
    os.makedirs(OUT, exist_ok=True)
    for mode, name in ((3, "props.xml"), (4, "install.xml"), (2, "defines.xml"), (1, "install.xml")):
        with open(os.path.join(DATA, name), "rb") as f:
            write("%d_%s" % (mode, name), mode, f.read())
    for i, (mode, text) in enumerate(SNIPPETS):
        write("%d_snippet%d" % (mode, i), mode, text.encode("utf-16-le"))


if __name__ == "__main__":
    main()
