"""The species tree picture of --svg as other programs see it: Python's XML parser reads it as plain SVG 1.1 holding
every leaf name once and the title with the report's cost, and rsvg-convert renders it to a PNG of the picture's size
whose ink fills the picture without touching its edges (no name cut). Usage: check_svg.py DLSPECIES DLSIM WORKDIR;
exits 77 (skip) without rsvg-convert."""
import os, re, shutil, struct, subprocess, sys, zlib
import xml.etree.ElementTree as ET

if shutil.which("rsvg-convert") is None:
    print("skipped: rsvg-convert not found (Debian: librsvg2-bin)")
    sys.exit(1 if os.environ.get("DLS_REQUIRE_INTEROP") else 77)

program, dlsim, work = sys.argv[1:4]
NS = "{http://www.w3.org/2000/svg}"


def inked(pixel):
    """Whether the RGB or RGBA pixel, shown on white, is visibly darker than white."""
    alpha = pixel[3] if len(pixel) == 4 else 255
    return any(255 - (255 - c) * alpha // 255 < 250 for c in pixel[:3])


def png_ink(data):
    """Width, height, number of inked pixels and their bounding box, of an 8-bit RGB(A) PNG."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[pos + 8:pos + 21])
        elif kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + length]
        pos += 12 + length
    assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
    bpp = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * bpp
    low, high = int.from_bytes(b"\x7f" * stride, "big"), int.from_bytes(b"\x80" * stride, "big")
    above, ink, box = bytearray(stride), 0, [width, height, -1, -1]
    for y in range(height):
        start = y * (stride + 1) + 1
        kind, line = raw[start - 1], bytearray(raw[start:start + stride])
        if kind == 2:  # the PNG filters: none, sub, up (bytewise sums without carries), average, Paeth
            a, b = int.from_bytes(line, "big"), int.from_bytes(above, "big")
            line = bytearray((((a & low) + (b & low)) ^ ((a ^ b) & high)).to_bytes(stride, "big"))
        elif kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif kind == 3:
            for i in range(stride):
                line[i] = (line[i] + ((line[i - bpp] if i >= bpp else 0) + above[i]) // 2) & 255
        elif kind == 4:
            for i in range(stride):
                left, up = (line[i - bpp], above[i - bpp]) if i >= bpp else (0, 0)
                p = left + above[i] - up
                pa, pb, pc = abs(p - left), abs(p - above[i]), abs(p - up)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else above[i] if pb <= pc else up)) & 255
        xs = [x for x in range(width) if inked(line[bpp * x:bpp * x + bpp])] if line.count(255) != stride else []
        if xs:
            ink += len(xs)
            box = [min(box[0], xs[0]), min(box[1], y), max(box[2], xs[-1]), max(box[3], y)]
        above = line
    return width, height, ink, box


def check(name, text, leaves, args=(), zoom=1.0):
    """Draws the species tree given first in text (with gene trees after it) as the program scores it."""
    trees, svg, png = (os.path.join(work, name + suffix) for suffix in (".nwk", ".svg", ".png"))
    with open(trees, "wb") as out:
        out.write(text.encode("utf-8", "surrogateescape"))
    report = subprocess.run([program, "-q", "-g", "0", "--evaluate", "-i", trees, "--svg", svg, *args], check=True,
                            capture_output=True).stdout.decode(errors="surrogateescape")
    cost = re.search(r"\[Weighted reconciliation cost: ([^\]]+)\]", report)[1]
    title = "dlspecies: weighted cost %s, %d species" % (cost, len(leaves))
    root = ET.parse(svg).getroot()
    assert root.tag == NS + "svg" and root.get("version") == "1.1", (name, root.tag)
    for element in root.iter():
        assert element.tag[len(NS):] in {"svg", "title", "rect", "text", "tspan", "g", "path", "circle"}, element.tag
        assert not any("href" in key or "url(" in value for key, value in element.attrib.items()), element.attrib
    texts = ["".join(t.itertext()) for t in root.iter(NS + "text")]
    assert root.find(NS + "title").text == title and title in texts, (name, title)
    for leaf in leaves:
        assert texts.count(leaf) == 1, (name, leaf, texts.count(leaf))
    subprocess.run(["rsvg-convert", "--zoom", str(zoom), "-o", png, svg], check=True)
    width, height, ink, box = png_ink(open(png, "rb").read())
    expected = (float(root.get("width")) * zoom, float(root.get("height")) * zoom)
    assert abs(width - expected[0]) <= 1 and abs(height - expected[1]) <= 1, (name, width, height, expected)
    # Ink on 1 % to 30 % of the picture, from near its top to near its bottom, clear of its edges.
    margin = 3 * zoom
    assert 0.01 < ink / (width * height) < 0.3, (name, ink, width, height)
    assert box[0] > margin and box[1] > margin and box[2] < width - margin and box[3] < height - margin, (name, box)
    # Texts are given room by generous estimates of their width: a picture as wide as its legend ends in blank.
    assert box[3] - box[1] > 0.75 * height and box[2] - box[0] > 0.65 * width, (name, box, width, height)
    print(name, "parsed and rendered:", width, "x", height, "pixels,", ink, "inked, in", box)


for species, zoom in ((20, 1.0), (500, 0.2)):
    name = "species%d" % species
    text = subprocess.run([dlsim, "-n", str(species), "-m", "40", "--seed", "7", "--species-tree"], check=True,
                          capture_output=True, text=True).stdout
    check(name, text, re.findall(r"S\d+", text.splitlines()[0]), ["--support", "families"], zoom)

# Names of any character: XML's own, the widest letters, beyond ASCII, a control character and a byte that is
# not UTF-8 (both drawn as U+FFFD).
odd = {"'a<b&c>\"\"d''e'": "a<b&c>\"d'e", "'" + "W" * 40 + "'": "W" * 40, "'Ünïcödé'": "Ünïcödé",
       "'x\x01y\udcffz'": "x\ufffdy\ufffdz"}
tree = "((%s,(%s,%s)),%s);\n" % tuple(odd)
check("names", tree + tree, list(odd.values()))
