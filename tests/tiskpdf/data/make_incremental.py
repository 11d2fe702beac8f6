"""Appends an incremental update to a PDF with a classic xref table.

The update adds a content stream (a red rule near the bottom of the page)
and a new revision of the first page object that refers to it. Usage:
make_incremental.py base.pdf out.pdf
"""
import re
import sys

base = open(sys.argv[1], "rb").read()
objs = {int(m.group(1)): m.group(2)
        for m in re.finditer(rb"(?s)\n(\d+) 0 obj\n(.*?)\nendobj", base)}
page_num = next(n for n, body in sorted(objs.items())
                if re.search(rb"/Type /Page\b(?!s)", body))
page = objs[page_num]
trailer = base[base.rindex(b"trailer"):]
size = int(re.search(rb"/Size (\d+)", trailer).group(1))
root = re.search(rb"/Root (\d+ \d+ R)", trailer).group(1)
prev = int(base[base.rindex(b"startxref") + 9:].split()[0])

stream_num = size
content = b"q 1 0 0 RG 2 w 40 60 m 572 60 l S Q\n"
page = re.sub(rb"/Contents (\d+ 0 R)", rb"/Contents [\1 %d 0 R]" % stream_num, page, count=1)

out = bytearray(base)
if not out.endswith(b"\n"):
    out += b"\n"
offsets = {}
offsets[stream_num] = len(out)
out += b"%d 0 obj\n<< /Length %d >>\nstream\n" % (stream_num, len(content)) + content + b"endstream\nendobj\n"
offsets[page_num] = len(out)
out += b"%d 0 obj\n" % page_num + page + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 1\n0000000000 65535 f \n"
for n in sorted(offsets):
    out += b"%d 1\n%010d 00000 n \n" % (n, offsets[n])
out += b"trailer << /Size %d /Root %s /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (size + 1, root, prev, xref)
open(sys.argv[2], "wb").write(bytes(out))
