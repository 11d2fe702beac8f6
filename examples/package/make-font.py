#!/usr/bin/python3
"""Writes ZuvaVoza.ttf: a minimal TrueType font whose family is "Zuva Voza".

The sample package's font installer installs it, so that the installer's
font check finds the family. Only its name matters; it has one empty glyph.
Needs fontTools (Debian: python3-fonttools, see install-font-tools.sh).
"""
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

out = sys.argv[1] if len(sys.argv) > 1 else "ZuvaVoza.ttf"
fb = FontBuilder(1000, isTTF=True)
fb.setupGlyphOrder([".notdef", "space"])
fb.setupCharacterMap({0x20: "space"})
pen = TTGlyphPen(None)
fb.setupGlyf({".notdef": pen.glyph(), "space": pen.glyph()})
fb.setupHorizontalMetrics({".notdef": (500, 0), "space": (500, 0)})
fb.setupHorizontalHeader(ascent=800, descent=-200)
fb.setupNameTable({"familyName": "Zuva Voza", "styleName": "Regular"})
fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
fb.setupPost()
fb.font["head"].created = fb.font["head"].modified = 0
fb.save(out)
