#!/usr/bin/env python3
"""Writes the hand-made seeds of each fuzz target into fuzz/corpus/<target>/seed-*.

The fuzzers grow their corpus from these; files the fuzzers found (crash reproducers and a
minimised set) sit beside them under other names and are kept as they are.
    python3 fuzz/make_seeds.py
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
EXAMPLES = HERE.parent / "examples" / "vehicle"


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"seed-{name}").write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


ROW = "7,{run},S{n},{arr},{dep},1,5,10,{km},{hidden},0.8,1,15,15,{code},NULL,120,1,{n},NULL,NULL,{kind}"


def card(rows, extra="", hidden=()):
    lines = ["3,\x92\xca1523K", "1,10,20", "11,label,7", "12,2340M,101500,102000,3", extra]
    for n in range(rows):
        lines.append(ROW.format(run=60 + n, n=n + 1, arr=100000 + 200 * n, dep=100030 + 200 * n,
                                km=1.0 * n, hidden=1 if n in hidden else 0, code=n % 3,
                                kind="" if n % 4 else 1))
    return "\n".join(lines) + "\n"


CARDS = {
    "long": card(10, "5,0,0.5,0.9,1\n5,2,0.1,0.3,2\n6,1,0.5,0.8,0.1,2"),
    "short": card(3),
    "one-row": card(1),
    "hidden": card(8, hidden=(0, 2, 3)),
    "crlf": card(4).replace("\n", "\r\n"),
    "cr": card(4).replace("\n", "\r"),
    "hostile": "7,99999999999,,,,,,,1e400,,1e-400,,,,,,,,,,,,,,,\n7,-2147483648,x,-1,-1\n"
               "5,-1,nan,inf,0\n6,2147483647,1,2,3,4\n12,\x92\xca\n,,,\n7" + "," * 40 + "\n",
}


def card_file_seeds():
    for path in sorted(EXAMPLES.glob("cards/*/*.csv")):
        write("card_file", "example-" + str(len(path.name)), path.read_bytes())
    for name, text in CARDS.items():
        write("card_file", name, text)
    write("card_file", "empty", b"")
    # Shifted behind the reader's first chunk: a CR LF and a line cut by the chunk's end.
    write("card_file", "chunk-crlf", b"\xff\x05" + CARDS["crlf"].encode("latin-1"))
    write("card_file", "chunk-cut", b"\xff\x20" + CARDS["long"].encode("latin-1"))


def card_frames_seeds():
    def frames(count, kinds):
        out = b""
        for i in range(count):
            kind = kinds[i % len(kinds)]
            if kind & 1:
                out += bytes([kind]) + struct.pack("<Ifdfi", 500, 60.0, 1000.0 * i, 300.0, 36000000)
            else:
                out += bytes([kind, 50, 60, 30])
            if kind & 4:
                out += bytes([i % 12]) + struct.pack("<i", 1 if i % 2 else 100)
        return out

    for name, text in CARDS.items():
        for flags, through_file in ((0x34, 1), (0x3F, 0), (0x01, 1), (0x02, 0)):
            header = bytes([flags, 5]) + struct.pack("<ihh", 0, 73, 75)
            header += bytes([through_file]) + struct.pack("<I", 1)
            body = text.encode("latin-1")
            data = header + struct.pack("<H", len(body)) + body + frames(24, [0, 2, 4, 1, 6])
            write("card_frames", f"{name}-{flags:02x}", data)


def train_number_seeds():
    texts = [b"1523K", b"\x92\xca\x89\xd72340M", b"\x89\x84\x8e\x8e0001KR", b"12\x93\xfc", b"",
             b"\x81", b"AB", b"\x92\xca", b"9999\x83\x66", b"\xff\xfe\x00\x80abc", b"::::Z"]
    for i, text in enumerate(texts):
        for legacy in (0, 1):
            data = bytes([legacy, 32, i * 5 % 43, i * 3 % 34]) + struct.pack("<Hi", 523 + i, 100 * i)
            write("train_number", f"{i}-{legacy}", data + text)
    write("train_number", "negative-index", bytes([0, 3, 1, 1, 0, 0]) + struct.pack("<i", -2000000000))


def profile_seeds():
    sample = (EXAMPLES / "TIMS_Spec.ini").read_bytes()
    names = [b"Disp\nDispType\n1\nCSpd\nuseCSpd\n", b"CSpd\nEnableCSpd\n0\nDisp\nD01ABnum\n",
             b"New\nKey\nvalue with = and [x]\nDisp\nDispType\n", b"EB\nEnableEB\n\nSound\nHaltLoopVolume\n"]
    for i, head in enumerate(names):
        write("profile", f"sample-{i}", head + sample)
    text = "[Disp]\r\nDispType = 1 \r\n[CSpd]\r\nuseCSpd\r\n;useCSpd=1\r\n"
    write("profile", "crlf", names[0] + text.encode())
    write("profile", "utf16", names[1] + b"\xff\xfe" + text.encode("utf-16-le"))
    write("profile", "utf8-bom", names[0] + b"\xef\xbb\xbf" + text.encode())
    write("profile", "cr-only", names[2] + text.replace("\r\n", "\r").encode())
    write("profile", "no-end", names[0] + b"[Disp]\nDispType=\"0\"")
    write("profile", "empty", names[3])
    write("profile", "nameless", b"x\nKey\n1\n\nKey\nKey=2\n[x]\n")
    write("profile", "quotes-nul", names[0] + b"[Disp]\nDispType='1'\nDispType=2\x00x\n[DISP]\nx=\"\n")


def card_list_seeds():
    sample = (EXAMPLES / "TIMS_ICCard.ini").read_bytes()
    write("card_list", "example", b"cards/local\n" + sample)
    values = ["cards\\local", "C:\\cards\\..\\x", "\\\\server\\share\\..\\..", "\\\\?\\C:\\a\\.\\b",
              "E:cards", "/abs/../../x", "..\\..\\..\\..", "a//b\\\\c\\", "C:", "\\", "\\\\.\\\\x", ""]
    for i, value in enumerate(values):
        body = "".join(f"{k}={value}\r\n" for k in range(0, 34, 3))
        write("card_list", f"value-{i}", value + "\n[ICCard]\r\n" + body)
    write("card_list", "long", "x\n[ICCard]\n0=" + "a\\" * 200 + "\n1=\"" + "b" * 300 + "\"\n")
    write("card_list", "sjis", b"\x89\xd7\n[ICCard]\n0=cards\\\x89\xd7\x95\xa8\n1=\x81\n2=a\x00b\n")


def host_session_seeds():
    defaults = bytes([4, 4, 4, 8, 58, 4, 6, 15, 4, 4, 4, 78, 76, 8, 3, 4, 3, 3, 3, 4, 0])
    legacy = bytes([4, 4, 4, 8, 58, 4, 6, 15, 4, 3, 3, 1]) + struct.pack("<i", 300) + \
        bytes([1]) + struct.pack("<i", -5) + bytes([10, 4, 4, 4, 1]) + struct.pack("<i", 1 << 31 - 1) + \
        bytes([4, 3, 89])

    def call(op, *args):
        return bytes([op]) + b"".join(args)

    def frame(ms, speed, current=0, raw=0):
        return call(3, bytes([raw]), struct.pack("<Hb", ms, speed), bytes([50, 80, current]), b"\0\0\0\0")

    # Load, brake notches 8 with start notch 8, start code 0 (-2 + 26 % 12).
    start = call(0) + call(1, bytes([22, 22])) + call(2, bytes([26]))
    run = b"".join(frame(100, s, 30) for s in range(0, 80, 5))
    stop = b"".join(frame(500, 0) for _ in range(8))
    doors = call(15, b"\x00", bytes([86, 0])) + frame(100, 0) + call(15, b"\x00", bytes([86, 1]))
    cspd = call(15, b"\x01\x01\x01") + call(7, bytes([16 + 7])) + frame(100, 60) + call(15, b"\x01\x01\x00")
    for i, value in enumerate((0, 1, 2, 3, 4, 5, 6)):
        # Rows 22 and 23 of the 24-row beacon table: types 1000 and 1001.
        insert = call(14, bytes([46, 0, value]))  # card value i
        place = call(14, bytes([47, 0, 64]), b"\x02")  # row 2
        write("host_session", f"card-{i}", defaults + start + stop + insert + place + run + stop + doors + run)
        write("host_session", f"legacy-card-{i}", legacy + start + insert + run + doors + cspd + run)
    beacons = b"".join(call(14, bytes([16 + t, t % 7]), bytes([200]), struct.pack("<i", 1020304 * t))
                       for t in range(24))
    write("host_session", "beacons", defaults + start + beacons + run + stop + beacons + run)
    write("host_session", "no-load", defaults + run + call(2, bytes([0]), struct.pack("<i", -2)) + run)
    raw = b"".join(call(3, bytes([15]), struct.pack("<ifdfffI", 0x7fffffff - i, float("nan"), float("inf"),
                                                        float("-inf"), 1e38, -1e38, 0))
                   for i in range(4))
    write("host_session", "raw-frames", defaults + start + raw + run)
    write("host_session", "empty", b"")


card_file_seeds()
card_frames_seeds()
card_list_seeds()
train_number_seeds()
profile_seeds()
host_session_seeds()
