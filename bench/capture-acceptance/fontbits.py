"""Small font file helpers: read/write sfnt, WOFF 1.0, EOT, and an icon font
made by mapping private-use code points onto glyphs of a system font."""

import struct
import zlib


def _checksum(data):
    data = data + b"\0" * ((4 - len(data) % 4) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def read_sfnt(data):
    flavor = data[:4]
    (count,) = struct.unpack(">H", data[4:6])
    tables = {}
    for i in range(count):
        tag, _cs, off, length = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag] = data[off:off + length]
    return flavor, tables


def write_sfnt(flavor, tables):
    tags = sorted(tables)
    n = len(tags)
    es = n.bit_length() - 1
    sr = (1 << es) * 16
    header = struct.pack(">4sHHHH", flavor, n, sr, es, n * 16 - sr)
    tables = dict(tables)
    if b"head" in tables:
        head = bytearray(tables[b"head"])
        head[8:12] = b"\0\0\0\0"
        tables[b"head"] = bytes(head)
    offset = 12 + 16 * n
    entries, body, head_at = b"", b"", None
    for tag in tags:
        d = tables[tag]
        if tag == b"head":
            head_at = offset + len(body)
        entries += struct.pack(">4sIII", tag, _checksum(d), offset + len(body), len(d))
        body += d + b"\0" * ((4 - len(d) % 4) % 4)
    font = bytearray(header + entries + body)
    if head_at is not None:
        adj = (0xB1B0AFBA - _checksum(bytes(font))) & 0xFFFFFFFF
        font[head_at + 8:head_at + 12] = struct.pack(">I", adj)
    return bytes(font)


def cmap_lookup(cmap):
    """Code point -> glyph id from a format 4 or 12 Windows subtable."""
    (_v, count) = struct.unpack(">HH", cmap[:4])
    best = None
    for i in range(count):
        pid, eid, off = struct.unpack(">HHI", cmap[4 + 8 * i:12 + 8 * i])
        (fmt,) = struct.unpack(">H", cmap[off:off + 2])
        if pid == 3 and fmt == 12:
            best = (12, off)
        elif pid == 3 and eid == 1 and fmt == 4 and best is None:
            best = (4, off)
    fmt, off = best
    out = {}
    if fmt == 12:
        (_f, _r, _len, _lang, groups) = struct.unpack(">HHIII", cmap[off:off + 16])
        for g in range(groups):
            start, end, gid = struct.unpack(">III", cmap[off + 16 + 12 * g:off + 28 + 12 * g])
            for cp in range(start, end + 1):
                out[cp] = gid + cp - start
        return out
    (_f, _len, _lang, segx2) = struct.unpack(">HHHH", cmap[off:off + 8])
    seg = segx2 // 2
    p = off + 14
    ends = struct.unpack(">%dH" % seg, cmap[p:p + segx2])
    p += segx2 + 2
    starts = struct.unpack(">%dH" % seg, cmap[p:p + segx2])
    p += segx2
    deltas = struct.unpack(">%dh" % seg, cmap[p:p + segx2])
    p += segx2
    ro_base = p
    ranges = struct.unpack(">%dH" % seg, cmap[p:p + segx2])
    for s in range(seg):
        for cp in range(starts[s], ends[s] + 1):
            if cp == 0xFFFF:
                continue
            if ranges[s] == 0:
                gid = (cp + deltas[s]) & 0xFFFF
            else:
                at = ro_base + 2 * s + ranges[s] + 2 * (cp - starts[s])
                (gid,) = struct.unpack(">H", cmap[at:at + 2])
                if gid:
                    gid = (gid + deltas[s]) & 0xFFFF
            if gid:
                out[cp] = gid
    return out


def cmap_format4(mapping):
    """A cmap table with one (3,1) format 4 subtable, one segment per code point."""
    cps = sorted(mapping)
    seg = len(cps) + 1
    ends = cps + [0xFFFF]
    starts = cps + [0xFFFF]
    deltas = [(mapping[c] - c) & 0xFFFF for c in cps] + [1]
    es = seg.bit_length() - 1
    sr = (1 << es) * 2
    body = struct.pack(">HHHH", seg * 2, sr, es, seg * 2 - sr)
    body += struct.pack(">%dH" % seg, *ends) + b"\0\0"
    body += struct.pack(">%dH" % seg, *starts)
    body += struct.pack(">%dH" % seg, *deltas)
    body += struct.pack(">%dH" % seg, *([0] * seg))
    sub = struct.pack(">HHH", 4, 6 + len(body), 0) + body
    return struct.pack(">HHHHI", 0, 1, 3, 1, 12) + sub


def _name_table(family):
    recs, strings = [], b""
    for nid, text in ((1, family), (2, "Regular"), (4, family), (6, family.replace(" ", ""))):
        s = text.encode("utf-16-be")
        recs.append(struct.pack(">HHHHHH", 3, 1, 0x409, nid, len(s), len(strings)))
        strings += s
    return struct.pack(">HHH", 0, len(recs), 6 + 12 * len(recs)) + b"".join(recs) + strings


def icon_font(source_ttf, glyphs, family):
    """TrueType font whose private-use code points (keys) show the glyphs of
    the source font's code points (values)."""
    flavor, tables = read_sfnt(source_ttf)
    src = cmap_lookup(tables[b"cmap"])
    mapping = {pua: src[cp] for pua, cp in glyphs.items() if cp in src}
    mapping[0x20] = src[0x20]
    tables[b"cmap"] = cmap_format4(mapping)
    tables[b"name"] = _name_table(family)
    for drop in (b"GSUB", b"GPOS", b"GDEF", b"kern", b"MATH"):
        tables.pop(drop, None)
    return write_sfnt(flavor, tables)


def woff(sfnt):
    flavor, tables = read_sfnt(sfnt)
    tags = sorted(tables)
    n = len(tags)
    offset = 44 + 20 * n
    entries, body = b"", b""
    total = 12 + 16 * n
    for tag in tags:
        d = tables[tag]
        total += len(d) + (4 - len(d) % 4) % 4
        z = zlib.compress(d, 9)
        stored = z if len(z) < len(d) else d
        entries += struct.pack(">4sIIII", tag, offset + len(body), len(stored), len(d), _checksum(d))
        body += stored + b"\0" * ((4 - len(stored) % 4) % 4)
    length = offset + len(body)
    header = struct.pack(">4s4sIHHIHHIIIII", b"wOFF", flavor, length, n, 0, total, 1, 0, 0, 0, 0, 0, 0)
    return header + entries + body


def eot(sfnt, family):
    """Embedded OpenType (version 0x00020001) wrapper, uncompressed."""
    _flavor, tables = read_sfnt(sfnt)
    os2 = tables.get(b"OS/2", b"\0" * 96)
    head = tables[b"head"]
    panose = os2[32:42]
    weight = struct.unpack(">H", os2[4:6])[0]
    fstype = struct.unpack(">H", os2[8:10])[0]
    ranges = struct.unpack(">IIII", os2[42:58])
    codepages = struct.unpack(">II", os2[78:86]) if len(os2) >= 86 else (1, 0)
    adj = struct.unpack(">I", head[8:12])[0]

    def s(text):
        b = text.encode("utf-16-le")
        return struct.pack("<H", len(b)) + b

    names = (b"\0\0" + s(family) + b"\0\0" + s("Regular") + b"\0\0" + s("Version 1.0")
             + b"\0\0" + s(family) + b"\0\0" + struct.pack("<H", 0))
    fixed = (struct.pack("<III", len(sfnt), 0x00020001, 0) + panose + struct.pack("<BB", 1, 0)
             + struct.pack("<IHH", weight, fstype, 0x504C) + struct.pack("<IIII", *ranges)
             + struct.pack("<II", *codepages) + struct.pack("<I", adj) + b"\0" * 16)
    body = fixed + names + sfnt
    return struct.pack("<I", len(body) + 4) + body


def svg_font(font_id, glyphs):
    out = ['<?xml version="1.0" standalone="no"?>',
           '<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd">',
           '<svg xmlns="http://www.w3.org/2000/svg">',
           '<metadata>Generated for the icon set</metadata>',
           '<defs>',
           '<font id="%s" horiz-adv-x="1000">' % font_id,
           '<font-face units-per-em="1000" ascent="850" descent="-150" />',
           '<missing-glyph horiz-adv-x="500" />']
    for i, pua in enumerate(sorted(glyphs)):
        w = 120 + 40 * (i % 5)
        out.append('<glyph unicode="&#x%x;" d="M%d 0h%dv700h-%dz" />' % (pua, w, 1000 - 2 * w, 1000 - 2 * w))
    out += ["</font>", "</defs>", "</svg>", ""]
    return "\n".join(out).encode()
