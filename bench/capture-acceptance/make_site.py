#!/usr/bin/env python3
"""Builds the served corpus: expands the text files of corpus/<host>/ with the
host addresses, encodes the pages that are not UTF-8, and makes the pictures,
fonts and videos listed in corpus/assets.txt (kept between runs).

usage: make_site.py PORT OUTDIR
"""

import base64
import hashlib
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import zipfile

import fontbits

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
FONTDIR = "/usr/share/fonts/truetype"
TEXT_EXT = {".html", ".htm", ".css", ".js", ".svg", ".json", ".txt", ".xml", ".webmanifest"}

# Photo palettes: sky top, sky bottom, ground colours.
PALETTES = [
    ("#9cc3e6", "#e8eef2", "#3f6b4a-#a6b58a"),
    ("#f6b26b", "#fde3c8", "#5b3a29-#c27c4a"),
    ("#2c3e6b", "#7f9cc9", "#1d2b3a-#4b6a85"),
    ("#cfe3f3", "#ffffff", "#6d7f8c-#d5dde3"),
    ("#ffd6a5", "#fff1e0", "#7a4f2a-#e0a96d"),
    ("#b8e0d2", "#eaf4f4", "#2f5d50-#95b8a6"),
    ("#e3c6f0", "#f7eefa", "#5a3d6b-#b59ac4"),
    ("#f2e394", "#fbf6d9", "#8c6b1f-#d9b44a"),
    ("#a7c7e7", "#dbe9f6", "#254e70-#8ab6d6"),
    ("#f4cccc", "#fdf0f0", "#783f04-#c27ba0"),
]

# Icon font glyphs: private-use code point -> a symbol the source font has.
ICON_GLYPHS = {
    0xF101: 0x2605, 0xF102: 0x2713, 0xF103: 0x2709, 0xF104: 0x260E, 0xF105: 0x2699,
    0xF106: 0x2665, 0xF107: 0x2691, 0xF108: 0x270E, 0xF109: 0x2302, 0xF10A: 0x2630,
    0xF10B: 0x279C, 0xF10C: 0x2715, 0xF10D: 0x26A1, 0xF10E: 0x2601, 0xF10F: 0x263A,
    0xF110: 0x2691, 0xF111: 0x27A4, 0xF112: 0x2B06, 0xF113: 0x25B6, 0xF114: 0x2316,
}


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def load_hosts(port):
    with open(os.path.join(CORPUS, "hosts.json"), encoding="utf-8") as f:
        conf = json.load(f)
    addr = {name: "%s:%d" % (h["ip"], port) for name, h in conf["hosts"].items()}
    return conf, addr


def expand(text, addr):
    def sub(m):
        key = m.group(1)
        if key not in addr:
            raise KeyError("unknown host {{%s}}" % key)
        return addr[key]
    return re.sub(r"\{\{([a-z0-9]+)\}\}", sub, text)


def write_text_files(conf, addr, site):
    encodings = conf.get("encodings", {})
    written = {}
    for host in conf["hosts"]:
        src_root = os.path.join(CORPUS, host)
        for dirpath, _dirs, files in os.walk(src_root):
            for name in files:
                src = os.path.join(dirpath, name)
                rel = os.path.relpath(src, CORPUS)
                dst = os.path.join(site, rel)
                os.makedirs(os.path.dirname(dst), exist_ok=True)
                if os.path.splitext(name)[1].lower() in TEXT_EXT:
                    with open(src, encoding="utf-8") as f:
                        text = expand(f.read(), addr)
                    enc = encodings.get(rel.replace(os.sep, "/"), "utf-8")
                    data = text.encode(enc, errors="xmlcharrefreplace")
                    written[rel.replace(os.sep, "/")] = data
                    with open(dst, "wb") as f:
                        f.write(data)
                else:
                    shutil.copyfile(src, dst)
    # Subresource integrity: {{sri:host/path}} becomes the hash of the served file.
    for rel, data in written.items():
        if b"{{sri:" not in data:
            continue

        def sri(m):
            target = m.group(1).decode()
            with open(os.path.join(site, target), "rb") as f:
                digest = hashlib.sha384(f.read()).digest()
            return b"sha384-" + base64.b64encode(digest)
        data = re.sub(rb"\{\{sri:([^}]+)\}\}", sri, data)
        with open(os.path.join(site, rel), "wb") as f:
            f.write(data)


# ---- binary assets -------------------------------------------------------

def label_font(text, bold=True):
    if any(ord(ch) >= 0x2E80 for ch in text):
        return "/usr/share/fonts/opentype/noto/NotoSansCJK-%s.ttc" % ("Bold" if bold else "Regular")
    return "DejaVu-Sans-Bold" if bold else "DejaVu-Sans"


def photo(dst, seed, w, h, label, cache, size=None):
    """A landscape-like picture: sky gradient over a fractal ground, made at
    w x h and scaled to size (for the smaller copies a srcset offers)."""
    key = "photo-%d-%dx%d-%s.png" % (seed, w, h, hashlib.md5(label.encode()).hexdigest()[:8])
    base = os.path.join(cache, key)
    if not os.path.exists(base):
        top, bottom, ground = PALETTES[seed % len(PALETTES)]
        gh = max(2, h * (45 + (seed * 7) % 25) // 100)
        sun = max(4, min(w, h) // 5)
        cmd = ["convert", "-size", "%dx%d" % (w, h), "gradient:%s-%s" % (top, bottom),
               "(", "-size", "%dx%d" % (w, gh), "-seed", str(seed + 1), "plasma:%s" % ground,
               "-blur", "0x1.2", "-modulate", "100,45", ")", "-gravity", "south", "-composite",
               "(", "-size", "%dx%d" % (sun, sun), "xc:none", "-fill", "rgba(255,255,240,0.85)",
               "-draw", "circle %d,%d %d,%d" % (sun // 2, sun // 2, sun // 2, sun // 8), ")",
               "-gravity", "northeast", "-geometry", "+%d+%d" % (w // 8 + seed % 5 * w // 20, h // 12),
               "-composite"]
        if label:
            pt = max(9, min(w, h) // 12)
            cmd += ["-gravity", "southwest", "-font", label_font(label), "-pointsize", str(pt),
                    "-fill", "rgba(0,0,0,0.45)", "-annotate", "+%d+%d" % (pt // 2 + 2, pt // 2 + 2), label,
                    "-fill", "white", "-annotate", "+%d+%d" % (pt // 2, pt // 2), label]
        run(cmd + [base])
    if size and size != (w, h):
        tmp = dst + ".tmp.png"
        run(["convert", base, "-resize", "%dx%d!" % size, tmp])
        finish_image(tmp, dst)
        os.remove(tmp)
    else:
        finish_image(base, dst)


def texture(dst, color, w, h):
    tmp = dst + ".tmp.png"
    run(["convert", "-size", "%dx%d" % (w, h), "xc:%s" % color, "-seed", "7", "-attenuate", "0.25",
         "+noise", "Gaussian", tmp])
    finish_image(tmp, dst)
    os.remove(tmp)


def graphic(dst, color, w, h, text):
    tmp = dst + ".tmp.png"
    cmd = ["convert", "-size", "%dx%d" % (w, h), "xc:%s" % color]
    if text:
        pt = max(7, min(h * 0.45, w * 1.25 / max(1, len(text))))
        if any(ord(ch) >= 0x2E80 for ch in text):
            pt = min(h * 0.45, w * 0.8 / max(1, len(text)))
        cmd += ["-gravity", "center", "-font", label_font(text), "-pointsize", "%.1f" % pt,
                "-fill", "white", "-annotate", "+0+0", text]
    run(cmd + [tmp])
    finish_image(tmp, dst)
    os.remove(tmp)


def drawing(dst, kind, plain, size):
    """Small synthetic pictures: a relief map, a dot, a striped flag."""
    tmp = dst + ".tmp.png"
    if kind == "map":
        w, h, seed = int(plain[0]), int(plain[1]), int(plain[2])
        run(["convert", "-size", "%dx%d" % (w, h), "-seed", str(seed), "plasma:fractal", "-colorspace", "gray",
             "-blur", "0x%d" % max(2, w // 40), "-threshold", "52%", "+level-colors", "#aad3df,#f3eedc",
             "-bordercolor", "#888", "-border", "1", "-resize", "%dx%d!" % (w, h), tmp])
    elif kind == "dot":
        d = int(plain[1])
        run(["convert", "-size", "%dx%d" % (d, d), "xc:none", "-fill", plain[0], "-stroke", "white",
             "-draw", "circle %f,%f %f,%f" % ((d - 1) / 2, (d - 1) / 2, (d - 1) / 2, 0.5), tmp])
    elif kind == "flag":
        w, h = int(plain[0]), int(plain[1])
        cols = plain[2:]
        cmd = ["convert", "-size", "%dx%d" % (w, h), "xc:%s" % cols[0]]
        for i, c in enumerate(cols[1:], 1):
            cmd += ["-fill", c, "-draw", "rectangle 0,%d %d,%d" % (h * i // len(cols), w, h)]
        run(cmd + [tmp])
    elif kind == "sprite":
        d, cols = int(plain[0]), plain[1:]
        # one icon every 2*CELL pixels down, as sprite sheets leave room around each
        cmd = ["convert", "-size", "%dx%d" % (d, 2 * d * len(cols)), "xc:none"]
        for i, c in enumerate(cols):
            y = 2 * i * d
            cmd += ["-fill", c, "-draw", "roundrectangle %d,%d %d,%d 3,3" % (1, y + 1, d - 2, y + d - 2),
                    "-fill", "white", "-draw", "circle %d,%d %d,%d" % (d // 2, y + d // 2, d // 2, y + d // 2 - 3)]
        run(cmd + [tmp])
    if size:
        run(["convert", tmp, "-resize", "%dx%d!" % size, tmp])
    finish_image(tmp, dst)
    os.remove(tmp)


def finish_image(src_png, dst):
    ext = os.path.splitext(dst)[1].lower()
    if ext in (".jpg", ".jpeg"):
        run(["convert", src_png, "-strip", "-quality", "78", "jpg:" + dst])
    elif ext == ".webp":
        run(["convert", src_png, "-strip", "-quality", "75", "webp:" + dst])
    elif ext == ".avif":
        run(["convert", src_png, "-strip", "-quality", "55", "avif:" + dst])
    elif ext == ".gif":
        run(["convert", src_png, "-strip", "-colors", "64", "gif:" + dst])
    else:
        run(["convert", src_png, "-strip", "png:" + dst])


def font_bytes(source, fmt):
    if source.startswith("icons:"):
        family = source.split(":", 1)[1]
        with open(os.path.join(FONTDIR, "dejavu/DejaVuSans.ttf"), "rb") as f:
            ttf = fontbits.icon_font(f.read(), ICON_GLYPHS, family)
        if fmt == ".svg":
            return fontbits.svg_font(family.lower().replace(" ", "") + "regular", ICON_GLYPHS)
    else:
        with open(os.path.join(FONTDIR, source), "rb") as f:
            ttf = f.read()
        family = os.path.splitext(os.path.basename(source))[0]
        if fmt == ".svg":
            return fontbits.svg_font(family.lower(), ICON_GLYPHS)
    if fmt in (".ttf", ".otf", ""):
        return ttf
    if fmt == ".woff":
        return fontbits.woff(ttf)
    if fmt == ".eot":
        return fontbits.eot(ttf, family)
    if fmt == ".woff2":
        tmpdir = os.path.join(os.environ.get("TMPDIR", "/tmp"), "capture-acceptance-woff2-%d" % os.getpid())
        os.makedirs(tmpdir, exist_ok=True)
        tmp = os.path.join(tmpdir, "f.ttf")
        with open(tmp, "wb") as f:
            f.write(ttf)
        run(["woff2_compress", tmp])
        with open(os.path.join(tmpdir, "f.woff2"), "rb") as f:
            data = f.read()
        shutil.rmtree(tmpdir)
        return data
    raise ValueError("font format " + fmt)


def video(dst, w, h, secs, color):
    ext = os.path.splitext(dst)[1].lower()
    src = ["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
           "color=c=%s:s=%dx%d:d=%s,drawbox=x='mod(t*120,iw)':y=ih/3:w=iw/6:h=ih/3:color=white@0.6:t=fill"
           % (color, w, h, secs), "-r", "24"]
    if ext == ".webm":
        run(src + ["-c:v", "libvpx-vp9", "-b:v", "300k", "-an", dst])
    else:
        run(src + ["-c:v", "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart", "-an", dst])


def parse_assets():
    """Lines: HOST PATH KIND ARGS... (shell quoting for paths with spaces); a
    PATH with {w}/{h} and widths=a,b,c stands for one file per width."""
    out = []
    with open(os.path.join(CORPUS, "assets.txt"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            host, path, kind, *args = shlex.split(line)
            out.append((host, path, kind, args))
    return out


def make_assets(site, cache):
    made = 0
    for host, path, kind, args in parse_assets():
        opts = {a.split("=", 1)[0]: a.split("=", 1)[1] for a in args if "=" in a}
        plain = [a for a in args if "=" not in a]
        targets = []
        if "widths" in opts:
            at = {"photo": (1, 2), "graphic": (1, 2), "dot": (1, 1)}.get(kind, (0, 1))
            w0, h0 = int(plain[at[0]]), int(plain[at[1]])
            for w in (int(x) for x in opts["widths"].split(",")):
                h = round(h0 * w / w0)
                targets.append((path.replace("{w}", str(w)).replace("{h}", str(h)), (w, h)))
        else:
            targets.append((path, None))
        for rel, size in targets:
            dst = os.path.join(site, host, rel.lstrip("/"))
            if os.path.exists(dst):
                continue
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            made += 1
            if kind == "photo":
                photo(dst, int(plain[0]), int(plain[1]), int(plain[2]),
                      opts.get("label", "").replace("_", " "), cache, size)
            elif kind in ("map", "dot", "flag", "sprite"):
                drawing(dst, kind, plain, size)
            elif kind == "texture":
                texture(dst, plain[0], int(plain[1]), int(plain[2]))
            elif kind == "graphic":
                color, w, h = plain[0], int(plain[1]), int(plain[2])
                if size:
                    w, h = size
                graphic(dst, color, w, h, " ".join(plain[3:]).replace("_", " "))
            elif kind == "ico":
                tmp = dst + ".tmp.png"
                graphic(tmp, plain[0], 48, 48, " ".join(plain[1:]))
                run(["convert", tmp, "-define", "icon:auto-resize=48,32,16", dst])
                os.remove(tmp)
            elif kind == "zip":
                with zipfile.ZipFile(dst, "w") as z:
                    z.writestr(plain[0], "Generated archive for the documentation download.\n")
            elif kind == "spacer":
                run(["convert", "-size", "1x1", "xc:none", "gif:" + dst])
            elif kind == "font":
                data = font_bytes(plain[0], os.path.splitext(rel.split("?")[0])[1].lower())
                with open(dst, "wb") as f:
                    f.write(data)
            elif kind == "video":
                video(dst, int(plain[0]), int(plain[1]), plain[2], plain[3])
            else:
                raise ValueError("unknown asset kind %s" % kind)
    return made


def main():
    port, out = int(sys.argv[1]), os.path.abspath(sys.argv[2])
    conf, addr = load_hosts(port)
    site = os.path.join(out, "site")
    cache = os.path.join(out, "cache")
    os.makedirs(cache, exist_ok=True)
    made = make_assets(site, cache)
    write_text_files(conf, addr, site)
    resolved = {"port": port, "hosts": {}}
    for name, h in conf["hosts"].items():
        routes = json.loads(expand(json.dumps(h.get("routes", [])), addr))
        resolved["hosts"][name] = dict(h, routes=routes, root=os.path.join(site, name))
    with open(os.path.join(site, "hosts.json"), "w", encoding="utf-8") as f:
        json.dump(resolved, f, indent=1)
    with open(os.path.join(CORPUS, "pages.json"), encoding="utf-8") as f:
        pages = json.load(f)
    for p in pages:
        p["url"] = expand(p["url"], addr)
    with open(os.path.join(out, "pages.json"), "w", encoding="utf-8") as f:
        json.dump(pages, f, indent=1, ensure_ascii=False)
    print("site ready in %s (%d files made)" % (site, made))


if __name__ == "__main__":
    main()
