"""Walks the blocks of a GIF file and prints what an animation player reads from them, one fact a line:

    screen W H
    loop N            (from a NETSCAPE2.0 application extension)
    frame W H DELAY   (DELAY in hundredths of a second, from the graphic control extension before the image)
    end

Written against the GIF89a block layout only, so it checks the writer independently of giflib.
"""
import struct
import sys


def sub_blocks(data, pos):
    chunks = []
    while True:
        size = data[pos]
        pos += 1
        if size == 0:
            return b"".join(chunks), pos
        chunks.append(data[pos:pos + size])
        pos += size


def main(path):
    data = open(path, "rb").read()
    if data[:6] != b"GIF89a":
        sys.exit("not a GIF89a file")
    width, height, flags = struct.unpack("<HHB", data[6:11])
    print("screen", width, height)
    pos = 13
    if flags & 0x80:
        pos += 3 * (2 << (flags & 7))
    delay = None
    while True:
        kind = data[pos]
        pos += 1
        if kind == 0x3B:
            print("end")
            return
        if kind == 0x21:
            label = data[pos]
            pos += 1
            if label == 0xFF:
                size = data[pos]
                ident = data[pos + 1:pos + 1 + size]
                body, pos = sub_blocks(data, pos + 1 + size)
                if ident == b"NETSCAPE2.0" and len(body) == 3 and body[0] == 1:
                    print("loop", struct.unpack("<H", body[1:3])[0])
            else:
                body, pos = sub_blocks(data, pos)
                if label == 0xF9:
                    delay = struct.unpack("<H", body[1:3])[0]
        elif kind == 0x2C:
            _, _, w, h, flags = struct.unpack("<HHHHB", data[pos:pos + 9])
            pos += 9
            if flags & 0x80:
                pos += 3 * (2 << (flags & 7))
            pos += 1  # LZW minimum code size
            _, pos = sub_blocks(data, pos)
            print("frame", w, h, delay)
            delay = None
        else:
            sys.exit("unknown block 0x%02x at %d" % (kind, pos - 1))


main(sys.argv[1])
