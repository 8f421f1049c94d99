#!/usr/bin/env python3
"""Draws the window pictures of Vantorel into this folder.

Every picture comes from the palette below and a few drawing recipes, so the
whole skin can be remade or retuned in one run:

    skin/make_skin.py            # redraw every picture, then check the sizes
    skin/make_skin.py --check    # only check the committed pictures' sizes

Needs Python 3, ImageMagick's `convert` and `identify` (Debian: imagemagick)
and DejaVu Sans Bold (Debian: fonts-dejavu-core). The build never runs this:
it embeds the committed JPEGs.
"""

import argparse
import pathlib
import shutil
import subprocess
import sys
import tempfile

SKIN = pathlib.Path(__file__).resolve().parent
FONT = pathlib.Path("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf")

# The five colours the windows use, and the shades derived from them.
SAND = "#DAC8A9"  # window background
PANEL = "#CFB58C"  # inner panels
MAROON = "#800000"  # titles, buttons, frame
GOLD = "#D8B775"  # selection text, pressed words
GREY = "#666666"  # main window, selected rows
PALETTE = {
    "sand": SAND,
    "sand_edge": "#D4BE9B",  # between sand and panel: button corners sit on either
    "sand_shadow": "#B49E7A",
    "panel": PANEL,
    "maroon": MAROON,
    "maroon_top": "#A02A22",  # lit top of a raised button
    "maroon_bottom": "#680606",
    "maroon_highlight": "#C8675A",
    "maroon_dark": "#560000",
    "maroon_deep": "#360000",  # borders of raised buttons
    "shadow": "#260000",  # word shadows, borders of pressed buttons
    "maroon_pressed_top": "#4E0202",
    "maroon_pressed_bottom": "#781410",
    "gold": GOLD,
    "gold_light": "#EED9A6",
    "gold_dark": "#A9853F",
    "cream": "#F7EDD6",  # words on raised buttons
    "grey": GREY,
    "grey_light": "#7A7A7A",
    "grey_dark": "#686868",
}
P = PALETTE

# The large buttons share one word size: the longest word, DESTINATION, fits
# 107 pixels with a margin of 6 or more on each side.
WORDS = ["SOURCE", "DESTINATION", "AJOUTER", "MODIFIER", "SUPPRIMER", "OPTIONS",
         "VALIDER", "ANNULER", "FERMER", "OUI", "NON"]
WORD_SIZE = 12
WORD_KERNING = 0.6
LARGE = (107, 25)
SMALL = (20, 20)
SUPER = 8  # shapes are drawn this many times larger, then averaged down

# Every picture the windows load, with its size: the checked contract.
EXPECTED = {f"button_{w.lower()}{s}.jpg": LARGE for w in WORDS for s in ("", "_pressed")}
EXPECTED.update({f"small_{n}{s}.jpg": SMALL for n in ("help", "minimise", "close") for s in ("", "_pressed")})
EXPECTED.update({
    "frame_horizontal.jpg": (1000, 4),
    "frame_vertical.jpg": (4, 1000),
    "background_main.jpg": (628, 491),
    "logo.jpg": (160, 36),
    "alert.jpg": (28, 29),
    "move.jpg": (24, 24),
    "tray.jpg": (32, 32),
})

# The program's icon for menus and task bars, in the sizes desktops look for.
# The package installs it; the windows never load it.
ICONS = SKIN.parent / "packaging" / "icons"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Quality 95 and no chroma subsampling keep the small words sharp; -strip
# drops dates so a redraw of an unchanged recipe gives the same bytes.
JPEG_OPTIONS = ["-strip", "-quality", "95", "-sampling-factor", "1x1", "-colorspace", "sRGB", "-type", "TrueColor"]


def convert(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def size_of(path):
    out = subprocess.run(["identify", "-format", "%w %h", str(path)], check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[0]), int(out[1])


class Work:
    """A scratch folder for the layers of one run."""

    def __init__(self, folder):
        self.folder = pathlib.Path(folder)
        self.count = 0

    def png(self, stem):
        self.count += 1
        return self.folder / f"{self.count:03d}_{stem}.png"


# --- layers -----------------------------------------------------------------

def word_layer(work, text, size, colour, kerning=0.0):
    """The text's ink only, on transparency, trimmed to the ink box."""
    out = work.png("word")
    convert("-background", "none", "-fill", colour, "-font", FONT, "-pointsize", size,
            "-kerning", kerning, f"label:{text}", "-trim", "+repage", out)
    return out


def ink_box(path):
    """(left, top, width, height) of the non-transparent part of a picture."""
    box = subprocess.run(["identify", "-format", "%@", str(path)], check=True,
                         capture_output=True, text=True).stdout
    wh, x, y = box.split("+")
    w, h = wh.split("x")
    return int(x), int(y), int(w), int(h)


def caps_layer(work, text, size, colour, kerning):
    """A word of capitals, trimmed at its sides only, with its capitals' top and height.

    Words are centred on their capitals rather than on their ink, so that the
    tail of the J does not lift AJOUTER above the other words.
    Returns (picture, cap top within the picture, cap height).
    """
    def label(s):
        out = work.png("label")
        convert("-background", "none", "-fill", colour, "-font", FONT, "-pointsize", size,
                "-kerning", kerning, f"label:{s}", out)
        return out

    word = label(text)
    ink_x, _, ink_w, _ = ink_box(word)
    _, cap_top, _, cap_h = ink_box(label("H"))
    cropped = work.png("caps")
    convert(word, "-crop", f"{ink_w}x{size_of(word)[1]}+{ink_x}+0", "+repage", cropped)
    return cropped, cap_top, cap_h


def shape_layer(work, size, mvg):
    """Shapes drawn SUPER times larger and box-averaged down: exact coverage at the edges.

    `mvg` is a list of draw commands in picture coordinates (pixel i spans i..i+1).
    """
    w, h = size
    out = work.png("shape")
    convert("-size", f"{w * SUPER}x{h * SUPER}", "xc:none", "-draw", f"scale {SUPER},{SUPER} " + " ".join(mvg),
            "-scale", f"{w}x{h}!", out)
    return out


def tinted(work, layer, colour):
    """The same ink in another colour (for shadows)."""
    out = work.png("tint")
    convert(layer, "-fill", colour, "-colorize", "100", out)
    return out


def compose(work, base, layers):
    """Stack (picture, x, y) layers over the base, in order."""
    args = [base]
    for layer, x, y in layers:
        args += [layer, "-geometry", f"{x:+d}{y:+d}", "-composite"]
    out = work.png("stack")
    convert(*args, out)
    return out


def centred(box, layer, shift=0):
    """Top-left that centres a layer's ink box in a box of the given size."""
    w, h = size_of(layer)
    return (box[0] - w) // 2 + shift, (box[1] - h) // 2 + shift


def save(src, name):
    convert(src, *JPEG_OPTIONS, SKIN / name)


# --- button faces -----------------------------------------------------------

def button_face(work, size, pressed, soft_corners):
    """A maroon face: raised with a lit top edge, or sunk with an inner shadow.

    Soft corners blend toward sand: only for buttons that always sit on sand or
    panel colour (the title-bar buttons also sit on the main window's grey).
    """
    w, h = size
    r, b = w - 1, h - 1
    out = work.png("face")
    if not pressed:
        convert("-size", f"{w}x{h}", f"gradient:{P['maroon_top']}-{P['maroon_bottom']}", "+antialias",
                "-fill", "none",
                "-stroke", P["maroon_highlight"], "-draw", f"line 1,1 {r - 1},1",
                "-stroke", "rgba(255,235,210,0.18)", "-draw", f"line 1,2 1,{b - 1}",
                "-stroke", P["maroon_dark"], "-draw", f"line 1,{b - 1} {r - 1},{b - 1}",
                "-stroke", P["maroon_deep"], "-draw", f"rectangle 0,0 {r},{b}",
                *(corners(w, h) if soft_corners else []), out)
    else:
        convert("-size", f"{w}x{h}", f"gradient:{P['maroon_pressed_top']}-{P['maroon_pressed_bottom']}",
                "+antialias", "-fill", "none",
                "-stroke", "rgba(0,0,0,0.55)", "-draw", f"line 1,1 {r - 1},1", "-draw", f"line 1,2 1,{b - 1}",
                "-stroke", "rgba(0,0,0,0.25)", "-draw", f"line 2,2 {r - 1},2", "-draw", f"line 2,3 2,{b - 1}",
                "-stroke", "rgba(255,200,170,0.22)", "-draw", f"line 2,{b - 1} {r - 1},{b - 1}",
                "-stroke", P["shadow"], "-draw", f"rectangle 0,0 {r},{b}",
                *(corners(w, h) if soft_corners else []), out)
    return out


def corners(w, h):
    """Soften the four corner pixels toward the sand and panel beneath the button."""
    points = [f"point {x},{y}" for x in (0, w - 1) for y in (0, h - 1)]
    return ["-stroke", "none", "-fill", P["sand_edge"], "-draw", " ".join(points)]


def large_button(work, word, pressed):
    face = button_face(work, LARGE, pressed, soft_corners=True)
    ink, cap_top, cap_h = caps_layer(work, word, WORD_SIZE, P["gold"] if pressed else P["cream"], WORD_KERNING)
    shift = 1 if pressed else 0
    x = (LARGE[0] - size_of(ink)[0]) // 2 + shift
    y = (LARGE[1] - cap_h) // 2 - cap_top + shift
    shadow = tinted(work, ink, P["shadow"])
    out = compose(work, face, [(shadow, x, y + 1), (ink, x, y)])
    suffix = "_pressed" if pressed else ""
    save(out, f"button_{word.lower()}{suffix}.jpg")


# --- small title-bar buttons ------------------------------------------------

def small_glyph(work, kind, colour):
    if kind == "help":
        return word_layer(work, "?", 14, colour)
    if kind == "minimise":
        return shape_layer(work, (8, 2), [f"fill '{colour}'", "rectangle 0,0 8,2"])
    # The cross: two bars 2 px thick across a 10 x 10 square.
    return shape_layer(work, (10, 10), [f"stroke '{colour}'", "stroke-width 2.2", "stroke-linecap butt",
                                        "line 1,1 9,9", "line 9,1 1,9"])


def small_button(work, kind, pressed):
    face = button_face(work, SMALL, pressed, soft_corners=False)
    ink = small_glyph(work, kind, P["gold"] if pressed else P["cream"])
    x, y = centred(SMALL, ink, 1 if pressed else 0)
    if kind == "minimise":
        y = 12 + (1 if pressed else 0)  # a bar sits low, where a window goes when minimised
    shadow = tinted(work, ink, P["shadow"])
    out = compose(work, face, [(shadow, x, y + 1), (ink, x, y)])
    suffix = "_pressed" if pressed else ""
    save(out, f"small_{kind}{suffix}.jpg")


# --- frame, background ------------------------------------------------------

# Across its 4 pixels the frame is a rounded maroon rod: dark edges, lit middle.
# The same picture serves both opposite edges, so the profile is near symmetric.
FRAME_PROFILE = ["#4A0000", "#9E3026", "#861410", "#4A0000"]


def frame(work):
    rows = [f"xc:{c}" for c in FRAME_PROFILE]
    strip = work.png("frame")
    convert("-size", "1000x1", *rows, "-append", strip)
    save(strip, "frame_horizontal.jpg")
    upright = work.png("frame_v")
    convert(strip, "-rotate", "90", "-flop", upright)  # first row becomes the left column
    save(upright, "frame_vertical.jpg")


def background(work):
    """A quiet grey: light from the top, a soft vignette and a fine grain."""
    w, h = EXPECTED["background_main.jpg"]
    grain = work.png("grain")
    convert("-size", f"{w}x{h}", "xc:gray50", "-seed", "5", "-attenuate", "0.3", "+noise", "Gaussian",
            "-colorspace", "Gray", "-blur", "0x0.6", grain)
    vignette = work.png("vignette")
    convert("-size", f"{w * 2}x{h * 2}", "radial-gradient:white-gray86", "-resize", f"{w}x{h}!",
            vignette)
    out = work.png("bg")
    convert("-size", f"{w}x{h}", f"gradient:{P['grey_light']}-{P['grey_dark']}",
            vignette, "-compose", "multiply", "-composite",
            grain, "-compose", "overlay", "-composite", out)
    save(out, "background_main.jpg")


# --- the mark, logo, tray ---------------------------------------------------

def mark(unit):
    """The program's mark on a 32 x 32 grid: an arrow going down into a tray."""
    s = unit / 32.0

    def pts(*xy):
        return " ".join(f"{x * s:.3f},{y * s:.3f}" for x, y in zip(xy[::2], xy[1::2]))

    gold = P["gold_light"]
    return [
        f"fill '{gold}'", "stroke none",
        # Arrow: shaft and head.
        f"polygon {pts(13.5, 4, 18.5, 4, 18.5, 13, 23, 13, 16, 20.5, 9, 13, 13.5, 13)}",
        # Tray: an open box under the arrow.
        f"polygon {pts(5, 17, 8.5, 17, 8.5, 23.5, 23.5, 23.5, 23.5, 17, 27, 17, 27, 27, 5, 27)}",
    ]


def tile(work, unit, radius):
    """The maroon tile under the mark: lit from the top, with a darker rim."""
    size = (unit, unit)
    shape = f"roundrectangle 0,0 {unit},{unit} {radius},{radius}" if radius else f"rectangle 0,0 {unit},{unit}"
    rim = (f"roundrectangle 0.5,0.5 {unit - 0.5},{unit - 0.5} {radius},{radius}" if radius
           else f"rectangle 0.5,0.5 {unit - 0.5},{unit - 0.5}")
    mask = shape_layer(work, size, ["fill white", "stroke none", shape])
    border = shape_layer(work, size, ["fill none", f"stroke '{P['maroon_deep']}'", "stroke-width 1", rim])
    out = work.png("tile")
    convert("-size", f"{unit}x{unit}", f"gradient:{P['maroon_top']}-{P['maroon_bottom']}", "-alpha", "set",
            mask, "-compose", "DstIn", "-composite", border, "-compose", "over", "-composite", out)
    return out


def tray(work):
    mark_ink = shape_layer(work, (32, 32), mark(32))
    out = compose(work, tile(work, 32, 0), [(mark_ink, 0, 0)])
    save(out, "tray.jpg")


def logo(work):
    w, h = EXPECTED["logo.jpg"]
    badge = compose(work, tile(work, 28, 5), [(shape_layer(work, (28, 28), mark(28)), 0, 0)])
    name = word_layer(work, "Vantorel", 23, P["maroon"], 0.3)
    nw, nh = size_of(name)
    # A thin gold rule under the name ties the word to the mark's gold.
    rule = shape_layer(work, (nw, 2), [f"fill '{P['gold_dark']}'", f"rectangle 0,0.5 {nw},1.5"])
    base = work.png("logo_base")
    convert("-size", f"{w}x{h}", f"xc:{SAND}", base)
    x = 4 + 28 + 8
    y = (h - nh) // 2 - 2
    out = compose(work, base, [(badge, 4, 4), (name, x, y), (rule, x, y + nh + 3)])
    save(out, "logo.jpg")


def icon(work, unit):
    """The tray's mark on a tile rounded like the logo's badge, on transparency, as PNG."""
    badge = compose(work, tile(work, unit, unit * 5 / 28), [(shape_layer(work, (unit, unit), mark(unit)), 0, 0)])
    ICONS.mkdir(parents=True, exist_ok=True)
    # No dates in the file: an unchanged recipe gives the same bytes.
    convert(badge, "-strip", "-define", "png:exclude-chunks=date,time", ICONS / f"{unit}.png")


# --- alert, move handle -----------------------------------------------------

def alert(work):
    """A gold triangle, lit from the top, with a maroon rim and "!", on sand."""
    w, h = EXPECTED["alert.jpg"]
    triangle = "polygon 14,2.6 26.2,25.8 1.8,25.8"
    body = shape_layer(work, (w, h), ["fill white", "stroke none", triangle])
    lit = work.png("alert_fill")
    convert("-size", f"{w}x{h}", f"gradient:{P['gold_light']}-{P['gold']}", "-alpha", "set", body,
            "-compose", "DstIn",
            "-composite", lit)
    ink = shape_layer(work, (w, h), [
        "stroke-linejoin round", "fill none", f"stroke '{P['maroon']}'", "stroke-width 2.2", triangle,
        f"fill '{P['maroon']}'", "stroke none",
        # The "!": a bar narrowing downward, then its dot.
        "polygon 12.4,9 15.6,9 15,18.6 13,18.6",
        "circle 14,22 14,23.4",
    ])
    shade = shape_layer(work, (w, h), [f"fill '{P['sand_shadow']}'", "stroke none",
                                       "polygon 15,4.5 27.5,28 3,28"])
    base = work.png("alert_base")
    convert("-size", f"{w}x{h}", f"xc:{SAND}", base)
    save(compose(work, base, [(shade, 0, 0), (lit, 0, 0), (ink, 0, 0)]), "alert.jpg")


def move(work):
    face = button_face(work, (24, 24), False, soft_corners=False)

    def arrow_set(c):
        # Four arrow heads on a cross of 2-px bars, centred on 12,12.
        return [f"fill '{c}'", "stroke none",
                "rectangle 11,6 13,18", "rectangle 6,11 18,13",
                "polygon 12,2.5 16,7 8,7", "polygon 12,21.5 16,17 8,17",
                "polygon 2.5,12 7,8 7,16", "polygon 21.5,12 17,8 17,16"]

    ink = shape_layer(work, (24, 24), arrow_set(P["cream"]))
    shadow = shape_layer(work, (24, 24), arrow_set(P["shadow"]))
    out = compose(work, face, [(shadow, 0, 1), (ink, 0, 0)])
    save(out, "move.jpg")


# --- run --------------------------------------------------------------------

def draw_all():
    for tool in ("convert", "identify"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} not found: install ImageMagick (Debian: imagemagick)")
    if not FONT.exists():
        sys.exit(f"{FONT} not found: install fonts-dejavu-core")
    with tempfile.TemporaryDirectory(prefix="vantorel-skin-") as folder:
        work = Work(folder)
        for word in WORDS:
            for pressed in (False, True):
                large_button(work, word, pressed)
        for kind in ("help", "minimise", "close"):
            for pressed in (False, True):
                small_button(work, kind, pressed)
        frame(work)
        background(work)
        logo(work)
        tray(work)
        for unit in ICON_SIZES:
            icon(work, unit)
        alert(work)
        move(work)


def check():
    """Every expected picture exists at its size, and nothing else lies in the folder."""
    faults = []
    for name, size in sorted(EXPECTED.items()):
        path = SKIN / name
        if not path.exists():
            faults.append(f"{name}: missing")
        elif size_of(path) != size:
            faults.append(f"{name}: {size_of(path)} instead of {size}")
    for unit in ICON_SIZES:
        path = ICONS / f"{unit}.png"
        if not path.exists():
            faults.append(f"{path.name} (icon): missing")
        elif size_of(path) != (unit, unit):
            faults.append(f"{path.name} (icon): {size_of(path)} instead of {(unit, unit)}")
    strays = sorted(p.name for p in SKIN.glob("*.jpg") if p.name not in EXPECTED)
    faults += [f"{name}: not one of the window pictures" for name in strays]
    for fault in faults:
        print(fault, file=sys.stderr)
    return not faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="only check the committed pictures")
    args = parser.parse_args()
    if not args.check:
        draw_all()
    if not check():
        sys.exit(1)
    print(f"{len(EXPECTED)} pictures at their sizes in {SKIN}")


if __name__ == "__main__":
    main()
