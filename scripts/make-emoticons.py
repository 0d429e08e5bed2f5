#!/usr/bin/python3
"""Writes the emoticon pictures of the compose page's picker, resources/Images/biaoqing/*.gif:
28 small faces and signs rendered from the Noto Color Emoji font (SIL Open Font License 1.1,
Debian package fonts-noto-color-emoji), each 24x24 with a transparent background.

The generated files are committed, so a build needs neither the font nor this script. Run it
again after changing the list below (the picker's hints are in editor/EmoticonPictures.cpp;
keep the order of both in step):
    /usr/bin/python3 scripts/make-emoticons.py [OUT_FOLDER]
Needs Debian's python3-pil and fonts-noto-color-emoji.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"
FONT_SIZE = 109  # the one size of the font's colour bitmaps
SIZE = 24  # the side of a picture
# A pixel at least this opaque is drawn (over white, as a mail's page is), others are
# transparent: a GIF has one transparent colour and no partial transparency.
ALPHA_CUT = 100
TRANSPARENT = 255  # the palette index of the transparent colour

# The pictures in the picker's order: file name and the character drawn.
PICTURES = [
    ("b1.gif", "\U0001F60D"),  # smiling face with heart-eyes
    ("b2.gif", "\U0001F60A"),  # smiling face with smiling eyes
    ("b3.gif", "\U0001F604"),  # grinning face with smiling eyes
    ("b4.gif", "\U0001F602"),  # face with tears of joy
    ("b5.gif", "\U0001F609"),  # winking face
    ("b6.gif", "\U0001F618"),  # face blowing a kiss
    ("b7.gif", "\U0001F60E"),  # smiling face with sunglasses
    ("b8.gif", "\U0001F61C"),  # winking face with tongue
    ("b9.gif", "\U0001F633"),  # flushed face
    ("b10.gif", "\U0001F914"),  # thinking face
    ("b11.gif", "\U0001F60F"),  # smirking face
    ("b12.gif", "\U0001F622"),  # crying face
    ("b13.gif", "\U0001F62D"),  # loudly crying face
    ("b14.gif", "\U0001F621"),  # pouting face
    ("b15.gif", "\U0001F631"),  # face screaming in fear
    ("b16.gif", "\U0001F613"),  # downcast face with sweat
    ("b17.gif", "\U0001F634"),  # sleeping face
    ("b18.gif", "\U0001F924"),  # drooling face
    ("b19.gif", "\U0001F644"),  # face with rolling eyes
    ("b20.gif", "\U0001F635"),  # dizzy face
    ("b21.gif", "\U0001F910"),  # zipper-mouth face
    ("b22.gif", "\U0001F637"),  # face with medical mask
    ("b23.gif", "\U0001F917"),  # hugging face
    ("b24.gif", "\U0001F607"),  # smiling face with halo
    ("b25.gif", "\U0001F44D"),  # thumbs up
    ("26.gif", "\U0001F339"),  # rose
    ("27.gif", "\u2764"),  # red heart
    ("b26.gif", "\U0001F44B"),  # waving hand
]


def render(font, char):
    """The character at SIZE x SIZE, centred, as premultiplied-then-restored RGBA."""
    canvas = Image.new("RGBA", (160, 160), (0, 0, 0, 0))
    ImageDraw.Draw(canvas).text((0, 0), char, font=font, embedded_color=True)
    box = canvas.getbbox()
    if box is None:
        raise SystemExit(f"the font draws nothing for U+{ord(char[0]):04X}")
    glyph = canvas.crop(box)
    side = max(glyph.size)
    square = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    square.paste(glyph, ((side - glyph.width) // 2, (side - glyph.height) // 2))
    # Scaled with premultiplied alpha, so transparent pixels lend no colour to the edges.
    return square.convert("RGBa").resize((SIZE, SIZE), Image.LANCZOS).convert("RGBA")


def to_gif(picture):
    """A palette picture: opaque pixels blended over white, the rest transparent."""
    opaque = Image.new("RGB", picture.size, (255, 255, 255))
    opaque.paste(picture, mask=picture.getchannel("A"))
    palette = opaque.quantize(colors=TRANSPARENT, method=Image.MEDIANCUT, dither=Image.NONE)
    colours = palette.getpalette()[: 3 * TRANSPARENT]
    colours += [0, 0, 0] * (256 - len(colours) // 3)
    palette.putpalette(colours)
    alpha = picture.getchannel("A")
    for y in range(SIZE):
        for x in range(SIZE):
            if alpha.getpixel((x, y)) < ALPHA_CUT:
                palette.putpixel((x, y), TRANSPARENT)
    return palette


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources/Images/biaoqing")
    os.makedirs(out, exist_ok=True)
    font = ImageFont.truetype(FONT, FONT_SIZE)
    for name, char in PICTURES:
        to_gif(render(font, char)).save(os.path.join(out, name), transparency=TRANSPARENT)
    print(f"{len(PICTURES)} pictures in {out}")


if __name__ == "__main__":
    main()
