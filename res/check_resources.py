#!/usr/bin/env python3
"""Checks the compiled resources of Yarrowmeld against what the program
expects of them, byte for byte where it matters.

Reads either a .res file (windres -O res) or the linked Yarrowmeld.exe and
compares the dialog templates (styles, fonts and character sets, control
order, ids, classes, texts in UTF-16 that round-trip through code page
932), the accelerator rows and flag bytes, the two icons (format and
picture), the version block and the manifest, and that every resource is in
the Japanese language 0x0411.

Usage: check_resources.py FILE.res|FILE.exe
       check_resources.py            (compiles res/yarrowmeld.rc with windres)
Exit status 0 when every check passes; each failure is printed.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import time
from xml.etree import ElementTree

RT_ICON, RT_DIALOG, RT_ACCELERATOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 9, 14, 16, 24
LANG_JA = 0x0411

# Window and control styles used below (values from the Windows headers).
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_SYSMODAL, DS_3DLOOK, DS_SETFONT, DS_MODALFRAME = 0x02, 0x04, 0x40, 0x80
DS_SETFOREGROUND, DS_CENTER = 0x200, 0x800
WS_EX_CLIENTEDGE, WS_EX_STATICEDGE = 0x200, 0x20000
WS_EX_APPWINDOW, WS_EX_TOOLWINDOW = 0x40000, 0x80
BS_DEFPUSHBUTTON, BS_CENTER, BS_VCENTER, BS_FLAT = 0x1, 0x300, 0xC00, 0x8000
SS_CENTER, SS_CENTERIMAGE, SS_SUNKEN = 0x1, 0x200, 0x1000
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
CV = WS_CHILD | WS_VISIBLE
FLAT = BS_FLAT | BS_CENTER | BS_VCENTER
PGOTHIC = "ＭＳ Ｐゴシック"

# name: (style, exstyle, (x, y, cx, cy), caption, (points, weight, italic, charset, face),
#        [(id, class, style, exstyle, (x, y, cx, cy), text), ...] in template order)
DIALOGS = {
    "IDD_SETTINGDLG": (
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK
        | DS_SYSMODAL, WS_EX_APPWINDOW | WS_EX_TOOLWINDOW, (0, 0, 159, 64), "",
        (9, 0, 0, 1, PGOTHIC),
        [
            (1007, STATIC, CV, 0, (7, 3, 60, 10), "ウインドウタイトル(&T)"),
            (1104, EDIT, CV | WS_BORDER | WS_TABSTOP, 0, (7, 16, 145, 12), ""),
            (1008, STATIC, CV, 0, (7, 31, 51, 8), "更新時間（秒）(&U)"),
            (1105, EDIT, CV | WS_BORDER | WS_TABSTOP, 0, (7, 43, 50, 12), ""),
            (1106, EDIT, CV | WS_BORDER | WS_TABSTOP, 0, (60, 43, 51, 12), ""),
            (1009, STATIC, CV | WS_GROUP, 0, (61, 31, 50, 8), "発言時間（秒）(&N)"),
            (1107, EDIT, CV | WS_BORDER | WS_TABSTOP, 0, (113, 43, 39, 12), ""),
            (1115, BUTTON, CV | FLAT, 0, (68, 1, 29, 14), "開始(&S)"),
            (1103, BUTTON, CV | FLAT, 0, (97, 1, 29, 14), "終了(&X)"),
            (1010, STATIC, CV | WS_GROUP, 0, (115, 31, 37, 10), "発言文字(&C)"),
            (1006, BUTTON, CV | FLAT, 0, (126, 1, 30, 14), "設定(&E)"),
        ]),
    "IDD_STATUS": (
        WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_SYSMODAL
        | DS_SETFOREGROUND, WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, (0, 0, 139, 35), "",
        (9, 0, 0, 1, PGOTHIC),
        [
            (0xFFFFFFFF, STATIC, CV | WS_GROUP, 0, (7, 7, 51, 8), "ウインドウタイトル"),
            (0xFFFFFFFF, STATIC, CV | WS_GROUP, 0, (7, 20, 35, 8), "更新時間残"),
            (0xFFFFFFFF, STATIC, CV | WS_GROUP, 0, (70, 20, 36, 8), "発言時間残"),
            (1011, STATIC, CV | SS_SUNKEN, WS_EX_STATICEDGE, (60, 7, 70, 10), ""),
            (1012, STATIC, CV | SS_CENTER | SS_SUNKEN, WS_EX_STATICEDGE, (42, 20, 24, 8), ""),
            (1013, STATIC, CV | SS_CENTER | SS_SUNKEN, WS_EX_STATICEDGE, (106, 20, 24, 8), ""),
            (1014, BUTTON, CV | BS_DEFPUSHBUTTON | BS_CENTER | BS_VCENTER, 0, (131, 0, 7, 8),
             "X"),
        ]),
    "IDD_ABOUTDLG": (
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK
        | DS_SYSMODAL | DS_CENTER, WS_EX_APPWINDOW, (0, 0, 119, 65), "Yarrowmeld について",
        (11, 0, 0, 1, "Times New Roman"),
        [
            (1108, STATIC, CV | SS_CENTER | SS_CENTERIMAGE | WS_GROUP, 0, (1, 31, 117, 12), ""),
            (1, BUTTON, CV | BS_DEFPUSHBUTTON | BS_FLAT, 0, (43, 46, 33, 12), "OK"),
            (1110, STATIC, CV | SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN, 0, (32, 19, 56, 8), ""),
            (1111, STATIC, CV | SS_CENTER | SS_CENTERIMAGE, 0, (33, 6, 53, 8), ""),
            (1112, STATIC, CV | SS_CENTER | WS_GROUP, 0, (10, 10, 20, 20), ""),
        ]),
    "IDD_README": (
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT
        | DS_3DLOOK, WS_EX_APPWINDOW, (0, 0, 287, 277), "Yarrowmeld - Readme.txt",
        (9, 0, 0, 1, PGOTHIC),
        [
            (1, BUTTON, CV | BS_DEFPUSHBUTTON | BS_FLAT | WS_TABSTOP, 0, (118, 256, 50, 14),
             "OK"),
        ]),
}

# (flags, key, command) in table order; 0x80 marks the last row.
ACCELERATORS = [
    (0x13, 0x43, 1010), (0x13, 0x45, 1006), (0x13, 0x4E, 1009), (0x13, 0x53, 1115),
    (0x13, 0x54, 1007), (0x13, 0x55, 1008), (0x03, 0x1B, 1113), (0x03, 0x1B, 2),
    (0x03, 0x0D, 1109), (0x03, 0x0D, 1020), (0x03, 0x0D, 1), (0x93, 0x58, 1103),
]

# Colour indices of the standard 16-colour palette.
RED, BLUE, WHITE = 9, 12, 15


class Checker:
    def __init__(self):
        self.failures = 0
        self.passes = 0

    def eq(self, what, got, want):
        if got == want:
            self.passes += 1
        else:
            self.failures += 1
            print("FAIL %s: got %r, want %r" % (what, got, want))

    def true(self, what, cond):
        self.eq(what, bool(cond), True)


# ---------------------------------------------------------------- readers

def read_res(data):
    """(type, name, lang, bytes) of every entry of a .res file."""
    out = []
    pos = 0

    def id_or_name(p):
        if struct.unpack_from("<H", data, p)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, p + 2)[0], p + 4
        end = p
        while struct.unpack_from("<H", data, end)[0] != 0:
            end += 2
        return data[p:end].decode("utf-16-le"), end + 2

    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = id_or_name(pos + 8)
        name, p = id_or_name(p)
        p = (p + 3) & ~3
        lang = struct.unpack_from("<H", data, p + 6)[0]
        body = data[pos + header:pos + header + size]
        if not (rtype == 0 and size == 0):
            out.append((rtype, name, lang, body))
        pos = (pos + header + size + 3) & ~3
    return out


def read_pe(data):
    """(type, name, lang, bytes) of every resource of a PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    opt_size = struct.unpack_from("<H", data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, dirs + 2 * 8)[0]
    table = opt + opt_size
    spans = []
    for i in range(sections):
        s = table + 40 * i
        vsize, va, rsize, rptr = struct.unpack_from("<IIII", data, s + 8)
        spans.append((va, max(vsize, rsize), rptr))

    def at(rva):
        for va, size, rptr in spans:
            if va <= rva < va + size:
                return rva - va + rptr
        raise ValueError("rva %x outside the sections" % rva)

    base = at(rsrc_rva)

    def name_of(entry_name):
        if entry_name & 0x80000000:
            p = base + (entry_name & 0x7FFFFFFF)
            n = struct.unpack_from("<H", data, p)[0]
            return data[p + 2:p + 2 + 2 * n].decode("utf-16-le")
        return entry_name

    def entries(offset):
        named, ids = struct.unpack_from("<HH", data, base + offset + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + offset + 16 + 8 * i)

    out = []
    for tname, toff in entries(0):
        for nname, noff in entries(toff & 0x7FFFFFFF):
            for lang, loff in entries(noff & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + loff)
                p = at(rva)
                out.append((name_of(tname), name_of(nname), lang, data[p:p + size]))
    return out


def pe_header_facts(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic, = struct.unpack_from("<H", data, pe + 24)
    subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
    return machine, magic, subsystem


# ------------------------------------------------------------- templates

def sz_or_ord(data, p):
    first = struct.unpack_from("<H", data, p)[0]
    if first == 0:
        return "", p + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, p + 2)[0], p + 4
    end = p
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[p:end].decode("utf-16-le"), end + 2


def parse_dialogex(data):
    ver, sig, _help, exstyle, style, count, x, y, cx, cy = struct.unpack_from(
        "<HHIIIHhhhh", data, 0)
    assert ver == 1 and sig == 0xFFFF, "not a DIALOGEX template"
    p = 26
    menu, p = sz_or_ord(data, p)
    klass, p = sz_or_ord(data, p)
    caption, p = sz_or_ord(data, p)
    font = None
    if style & DS_SETFONT:
        points, weight, italic, charset = struct.unpack_from("<HHBB", data, p)
        face, p = sz_or_ord(data, p + 6)
        font = (points, weight, italic, charset, face)
    items = []
    for _ in range(count):
        p = (p + 3) & ~3
        _help, iex, istyle, ix, iy, icx, icy, iid = struct.unpack_from("<IIIhhhhI", data, p)
        iclass, p = sz_or_ord(data, p + 24)
        text, p = sz_or_ord(data, p)
        extra = struct.unpack_from("<H", data, p)[0]
        p += 2 + extra
        items.append((iid, iclass, istyle, iex, (ix, iy, icx, icy), text))
    return style, exstyle, (x, y, cx, cy), caption, font, menu, klass, items


def check_dialogs(c, res):
    for name, (style, exstyle, rect, caption, font, items) in DIALOGS.items():
        found = [r for r in res if r[0] == RT_DIALOG and r[1] == name]
        c.eq("%s present once" % name, len(found), 1)
        if not found:
            continue
        _t, _n, lang, body = found[0]
        c.eq("%s language" % name, lang, LANG_JA)
        gstyle, gex, grect, gcap, gfont, gmenu, gclass, gitems = parse_dialogex(body)
        c.eq("%s style" % name, hex(gstyle), hex(style))
        c.eq("%s extended style" % name, hex(gex), hex(exstyle))
        c.eq("%s rectangle" % name, grect, rect)
        c.eq("%s caption" % name, gcap, caption)
        c.eq("%s font" % name, gfont, font)
        c.eq("%s menu and class" % name, (gmenu, gclass), ("", ""))
        c.eq("%s control count" % name, len(gitems), len(items))
        for i, (want, got) in enumerate(zip(items, gitems)):
            what = "%s control #%d (id %d)" % (name, i + 1, want[0] & 0xFFFF)
            c.eq(what + " id", got[0], want[0])
            c.eq(what + " class atom", got[1], want[1])
            c.eq(what + " style", hex(got[2]), hex(want[2]))
            c.eq(what + " extended style", hex(got[3]), hex(want[3]))
            c.eq(what + " rectangle", got[4], want[4])
            c.eq(what + " text", got[5], want[5])
            # GetWindowTextA under code page 932 must give these bytes back.
            try:
                got[5].encode("cp932")
                c.true(what + " text in code page 932", True)
            except (UnicodeEncodeError, AttributeError):
                c.true(what + " text in code page 932", False)
    # Spot checks of the code page 932 bytes the program compares against.
    c.eq("ideographic bracket in cp932", "（秒）".encode("cp932"), b"\x81i\x95b\x81j")


def check_accelerators(c, res):
    found = [r for r in res if r[0] == RT_ACCELERATOR]
    c.eq("one accelerator table", len(found), 1)
    if not found:
        return
    _t, name, lang, body = found[0]
    c.eq("accelerator table id", name, 1102)
    c.eq("accelerator language", lang, LANG_JA)
    rows = [struct.unpack_from("<HHHH", body, i)[:3] for i in range(0, len(body), 8)]
    c.eq("accelerator rows", rows, ACCELERATORS)


def ico_image(c, what, dib):
    """Checks a 32 x 32 4-bit DIB with mask; returns rows of colour indices
    (None where the mask makes the pixel transparent)."""
    (size, width, height, planes, bits, comp, image_size) = struct.unpack_from("<IiiHHII", dib, 0)
    c.eq(what + " header", (size, width, height, planes, bits, comp), (40, 32, 64, 1, 4, 0))
    c.eq(what + " length", len(dib), 40 + 64 + 512 + 128)
    palette = [struct.unpack_from("<BBBB", dib, 40 + 4 * i) for i in range(16)]
    c.eq(what + " red and blue in the palette",
         (palette[RED][:3], palette[BLUE][:3], palette[WHITE][:3]),
         ((0, 0, 255), (255, 0, 0), (255, 255, 255)))
    xor = dib[104:104 + 512]
    mask = dib[616:616 + 128]
    rows = []
    for y in range(32):
        src = 31 - y  # bottom-up
        bits = struct.unpack_from(">I", mask, 4 * src)[0]
        row = []
        for x in range(32):
            byte = xor[16 * src + x // 2]
            colour = byte >> 4 if x % 2 == 0 else byte & 0xF
            transparent = bits & (1 << (31 - x))
            row.append(None if transparent else colour)
        rows.append(row)
    return rows


def count(rows, top, bottom, colour):
    return sum(1 for y in range(top, bottom) for v in rows[y] if v == colour)


def check_icons(c, res):
    groups = {r[1]: r for r in res if r[0] == RT_GROUP_ICON}
    images = {r[1]: r for r in res if r[0] == RT_ICON}
    pictures = {}
    for gid in (1100, 1101):
        c.true("icon group %d present" % gid, gid in groups)
        if gid not in groups:
            continue
        body = groups[gid][3]
        c.eq("icon group %d language" % gid, groups[gid][2], LANG_JA)
        reserved, rtype, n = struct.unpack_from("<HHH", body, 0)
        c.eq("icon group %d holds one icon image" % gid, (reserved, rtype, n), (0, 1, 1))
        w, h, colours, _r, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", body, 6)
        c.eq("icon group %d entry" % gid, (w, h, colours, planes, bits), (32, 32, 16, 1, 4))
        if image_id in images:
            dib = images[image_id][3]
            c.eq("icon %d size in its group" % gid, size, len(dib))
            pictures[gid] = ico_image(c, "icon %d" % gid, dib)
    if 1100 in pictures:
        on = pictures[1100]
        # Red panel with white letters in the upper half, none below.
        c.true("running icon: red panel in the upper half", count(on, 0, 16, RED) > 100)
        c.eq("running icon: no red in the lower half", count(on, 16, 32, RED), 0)
        c.true("running icon: white letters on the red panel",
               count_on_panel(on, 0, 16, RED, WHITE) > 15)
        c.eq("running icon: no blue", count(on, 0, 32, BLUE), 0)
        c.true("running icon: transparent corners", on[0][0] is None and on[31][31] is None)
    if 1101 in pictures:
        off = pictures[1101]
        c.true("stopped icon: blue panel in the lower half", count(off, 16, 32, BLUE) > 100)
        c.eq("stopped icon: no blue in the upper half", count(off, 0, 16, BLUE), 0)
        c.true("stopped icon: white letters on the blue panel",
               count_on_panel(off, 16, 32, BLUE, WHITE) > 20)
        c.eq("stopped icon: no red", count(off, 0, 32, RED), 0)
        c.true("stopped icon: transparent corners", off[0][0] is None and off[31][31] is None)
    if 1100 in pictures and 1101 in pictures:
        c.eq("both icons share the outline (same mask)",
             [[v is None for v in r] for r in pictures[1100]],
             [[v is None for v in r] for r in pictures[1101]])


def count_on_panel(rows, top, bottom, panel, colour):
    """Pixels of colour lying between panel pixels on their row."""
    n = 0
    for y in range(top, bottom):
        row = rows[y]
        cols = [x for x, v in enumerate(row) if v == panel]
        if cols:
            n += sum(1 for x in range(cols[0], cols[-1]) if row[x] == colour)
    return n


# ---------------------------------------------------------- version block

def parse_version_node(data, p):
    length, value_len, vtype = struct.unpack_from("<HHH", data, p)
    key, q = sz_or_ord(data, p + 6)
    q = (q + 3) & ~3
    value_bytes = value_len * 2 if vtype == 1 else value_len
    value = data[q:q + value_bytes]
    q = (q + value_bytes + 3) & ~3
    children = []
    while q < p + length:
        child, q2 = parse_version_node(data, q)
        children.append(child)
        q = (q2 + 3) & ~3
    return (key, vtype, value, children), p + length


def check_version(c, res):
    found = [r for r in res if r[0] == RT_VERSION]
    c.eq("one version block", len(found), 1)
    if not found:
        return
    c.eq("version block language", found[0][2], LANG_JA)
    root, _ = parse_version_node(found[0][3], 0)
    c.eq("version root key", root[0], "VS_VERSION_INFO")
    fixed = struct.unpack_from("<13I", root[2], 0)
    c.eq("fixed info signature", hex(fixed[0]), hex(0xFEEF04BD))
    kids = {k[0]: k for k in root[3]}
    strings = {}
    sfi = kids.get("StringFileInfo")
    c.true("StringFileInfo present", sfi)
    if sfi:
        c.eq("string tables", [t[0] for t in sfi[3]], ["041104b0"])
        for node in sfi[3][0][3]:
            strings[node[0]] = node[2].decode("utf-16-le").rstrip("\0")
    c.true("FileVersion is a dotted version", strings.get("FileVersion", "").count(".") == 3)
    c.eq("ProductName", strings.get("ProductName"), "Yarrowmeld")
    # The year comes from the build (the commit's); a year written into the
    # script again would show here as a stale or malformed line.
    c.true("LegalCopyright is \"(C) <year> Yarrowmeld Project\" (%r)" % strings.get("LegalCopyright"),
           re.fullmatch(r"\(C\) (19[89]\d|2\d{3}) Yarrowmeld Project",
                        strings.get("LegalCopyright", "")))
    for key, text in strings.items():
        try:
            text.encode("cp932")
            c.true("%s in code page 932" % key, True)
        except UnicodeEncodeError:
            c.true("%s in code page 932" % key, False)
    vfi = kids.get("VarFileInfo")
    c.true("VarFileInfo present", vfi)
    if vfi:
        translation = vfi[3][0]
        c.eq("Translation key", translation[0], "Translation")
        c.eq("Translation value", struct.unpack("<HH", translation[2]), (0x0411, 1200))


# The systems the program declares it was tested on, Windows 7 to 11
# (10 and 11 share one id).
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WINSET = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"


def check_manifest(c, res):
    found = [r for r in res if r[0] == RT_MANIFEST]
    c.eq("one manifest", len(found), 1)
    if not found:
        return
    c.eq("manifest id", found[0][1], 1)
    try:
        root = ElementTree.fromstring(found[0][3])
    except ElementTree.ParseError as e:
        c.true("manifest is well-formed XML (%s)" % e, False)
        return
    c.eq("manifest root", root.tag, ASM_V1 + "assembly")
    c.eq("manifest version", root.get("manifestVersion"), "1.0")
    controls = [a.attrib for a in root.iter(ASM_V1 + "assemblyIdentity")
                if a.get("name") == "Microsoft.Windows.Common-Controls"]
    c.eq("one dependency on the common controls", len(controls), 1)
    if controls:
        c.eq("common controls identity",
             tuple(controls[0].get(k) for k in
                   ("type", "version", "processorArchitecture", "publicKeyToken")),
             ("win32", "6.0.0.0", "x86", "6595b64144ccf1df"))
    # A missing or misspelt level makes Windows treat the program as an old
    # installer and redirect its writes beside itself to the VirtualStore.
    levels = [e.attrib for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    c.eq("one requestedExecutionLevel", len(levels), 1)
    if levels:
        c.eq("execution level", (levels[0].get("level"), levels[0].get("uiAccess")),
             ("asInvoker", "false"))
        path = [ASM_V3 + "trustInfo", ASM_V3 + "security", ASM_V3 + "requestedPrivileges",
                ASM_V3 + "requestedExecutionLevel"]
        c.true("execution level under trustInfo/security/requestedPrivileges",
               root.find("/".join(path)) is not None)
    ids = [e.get("Id", "").lower() for e in
           root.findall("%scompatibility/%sapplication/%ssupportedOS" % (COMPAT, COMPAT, COMPAT))]
    c.eq("supported systems", sorted(SUPPORTED_OS[i] if i in SUPPORTED_OS else i for i in ids),
         sorted(SUPPORTED_OS.values()))
    aware = root.findall("%sapplication/%swindowsSettings/%sdpiAware" % (ASM_V3, ASM_V3, WINSET))
    c.eq("one dpiAware setting", len(aware), 1)
    if aware:
        c.eq("dpiAware", (aware[0].text or "").strip().lower(), "true")
    # Per-monitor awareness would promise layouts the dialogs do not make.
    c.eq("no per-monitor awareness",
         [e.tag for e in root.iter() if e.tag.endswith("}dpiAwareness")], [])


def check_languages(c, res):
    others = [(r[0], r[1], hex(r[2])) for r in res if r[2] != LANG_JA]
    c.eq("resources outside language 0x0411", others, [])


def write_version_header(root, folder):
    """Writes version.h as the build makes it from the project version."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"project\(Yarrowmeld\s+VERSION\s+([0-9.]+)", f.read())
    parts = (m.group(1).split(".") + ["0"] * 4)[:4]
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        try:
            epoch = subprocess.check_output(["git", "-C", root, "log", "-1", "--format=%ct"],
                                            stderr=subprocess.DEVNULL).decode().strip()
        except (OSError, subprocess.CalledProcessError):
            epoch = None
    year = time.gmtime(int(epoch) if epoch else None).tm_year
    with open(os.path.join(folder, "version.h"), "w", encoding="ascii") as f:
        f.write("#define YARROW_VERSION_COMMAS %s\n" % ", ".join(parts))
        f.write('#define YARROW_VERSION_TEXT "%s"\n' % m.group(1))
        f.write('#define YARROW_COPYRIGHT_TEXT "(C) %d Yarrowmeld Project"\n' % year)


def main(argv):
    if len(argv) > 1:
        path = argv[1]
        with open(path, "rb") as f:
            data = f.read()
    else:
        here = os.path.dirname(os.path.abspath(__file__))
        root = os.path.dirname(here)
        with tempfile.TemporaryDirectory() as tmp:
            write_version_header(root, tmp)
            path = os.path.join(tmp, "yarrowmeld.res")
            subprocess.check_call([
                os.environ.get("WINDRES", "i686-w64-mingw32-windres"), "--codepage=65001",
                "-I", os.path.join(root, "src"), "-I", here, "-I", tmp, "-O", "res",
                os.path.join(here, "yarrowmeld.rc"), path])
            with open(path, "rb") as f:
                data = f.read()
    c = Checker()
    if data[:2] == b"MZ":
        machine, magic, subsystem = pe_header_facts(data)
        c.eq("PE machine i386", hex(machine), hex(0x14C))
        c.eq("PE32 optional header", hex(magic), hex(0x10B))
        c.eq("GUI subsystem", subsystem, 2)
        res = read_pe(data)
    else:
        res = read_res(data)
    check_dialogs(c, res)
    check_accelerators(c, res)
    check_icons(c, res)
    check_version(c, res)
    check_manifest(c, res)
    check_languages(c, res)
    print("%d passed, %d failed" % (c.passes, c.failures))
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
