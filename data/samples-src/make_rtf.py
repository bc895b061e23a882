#!/usr/bin/env python3
"""Turns a test written as plain UTF-8 lines into the RTF a rich-edit control streams out.

Each line is one paragraph. Inline marks: **bold**, __underline__, {r}red{/}, {b}blue{/}.
A line starting with "@en " is set in Times New Roman 12 pt (English passages); other lines
are in the Japanese UI font at 11 pt. A tab starts an indent level, as the editor writes it.

    make_rtf.py IN.txt OUT.rtf
Then pack it: ruvo-tool doc pack OUT.rtf TEST.ruvo
"""
import re
import sys

JP_FONT = "ＭＳ Ｐゴシック"


def esc(text):
    out = []
    for ch in text:
        if ch == "\\":
            out.append("\\\\")
        elif ch in "{}":
            out.append("\\" + ch)
        elif ch == "\t":
            out.append("\\tab ")
        elif ord(ch) < 0x80:
            out.append(ch)
        else:
            try:
                b = ch.encode("cp932")
                out.append("".join("\\'%02x" % x for x in b))
            except UnicodeEncodeError:
                out.append("\\u%d?" % (ord(ch) if ord(ch) < 0x8000 else ord(ch) - 0x10000))
    return "".join(out)


TOKEN = re.compile(r"(\*\*|__|\{r\}|\{b\}|\{/\})")


def para(line):
    font, size = ("\\f0", "\\fs22")
    marker = ""
    m = re.match(r"^(\?[!?*]?)?@en (.*)$", line)
    if m:
        marker, line = m.group(1) or "", m.group(2)
        font, size = ("\\f1", "\\fs24")
    out = [font + size + " " + marker]
    bold = under = False
    for part in TOKEN.split(line):
        if part == "**":
            bold = not bold
            out.append("\\b " if bold else "\\b0 ")
        elif part == "__":
            under = not under
            out.append("\\ul " if under else "\\ulnone ")
        elif part == "{r}":
            out.append("\\cf1 ")
        elif part == "{b}":
            out.append("\\cf2 ")
        elif part == "{/}":
            out.append("\\cf0 ")
        elif part:
            out.append(esc(part))
    if bold:
        out.append("\\b0 ")
    if under:
        out.append("\\ulnone ")
    return "".join(out) + "\\par\n"


def main():
    src, dst = sys.argv[1], sys.argv[2]
    with open(src, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    rtf = ["{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl"
           "{\\f0\\fswiss\\fprq2\\fcharset128 " + esc(JP_FONT) + ";}"
           "{\\f1\\froman\\fprq2\\fcharset0 Times New Roman;}}\n"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
           "\\viewkind4\\uc1\\pard\\lang1041"]
    for line in lines:
        rtf.append(para(line))
    rtf.append("}\n")
    with open(dst, "wb") as f:
        f.write("".join(rtf).encode("ascii"))


if __name__ == "__main__":
    main()
