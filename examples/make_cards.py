#!/usr/bin/env python3
"""Writes the sample IC card files of examples/vehicle/cards.

Card files are Shift-JIS text (station names, train numbers) and the file names of cards with a
prefix character are stored with their UTF-8 names; this script keeps both exact. Run it from
any folder after editing the timetables below: python3 examples/make_cards.py
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
CARDS = HERE / "vehicle" / "cards"

NO_TIME = ""  # an empty column keeps the reader's "no time"


def row(run_s, name, arr, dep, track, km, section_km, announce, section_code, station_id,
        stop_type="", value_c=15, value_d=15, hidden=0):
    # Columns 1..21 of a timetable row (record type 7).
    cols = [run_s, name, arr, dep, track, 0, 0, km, hidden, section_km, announce, value_c,
            value_d, section_code, "NULL", 120, 1, station_id, "NULL", "NULL", stop_type]
    return "7," + ",".join(str(c) for c in cols)


def write(path, lines):
    path.parent.mkdir(parents=True, exist_ok=True)
    text = "\r\n".join(lines) + "\r\n"
    path.write_bytes(text.encode("shift_jis"))


# A local train of seven stations with one pass; card index 0, beacon 1000 data 152307.
write(CARDS / "local" / "1523K.csv", [
    "type,column 1,column 2,...  (a header line: its first column is not a number)",
    "3,1523K",
    "0,sample local service",
    # Announcement points: kind 1 on the first section from 0.5 km; kind 0 (only below
    # 25 km/h) over the last 150 m before station 4.
    "5,0,0.5,0.9,1",
    "5,2,0.85,0.99,0",
    # A line-position zone around kilometre 2.5 to 2.8 on the third section.
    "6,2,2.5,2.8,0.1,0",
    row(-1, "東京", NO_TIME, 100000, 1, 0.0, 1.2, 0, 1, 1),
    row(90, "神田", 100130, 100150, 2, 1.2, 0.8, 1, 1, 2),
    row(60, "秋葉原", NO_TIME, 100300, 0, 2.0, 1.0, 2, 1, 3, stop_type=1),
    row(75, "御徒町", 100430, 100450, 1, 3.0, 0.9, 1, 2, 4),
    row(70, "上野", 100600, 100630, 3, 3.9, 1.1, 1, 2, 5),
    row(80, "鶯谷", 100800, 100820, 1, 5.0, 1.0, 1, 2, 6),
    row(90, "日暮里", 101000, NO_TIME, 2, 6.0, 0.0, 1, 2, 7),
])

# A parcels train whose number carries the prefix 荷 (code 1) and the suffix M (code 8); card
# index 1, beacon 1000 data 101234008.
write(CARDS / "parcels" / "荷2340M.csv", [
    "3,荷2340M",
    row(-1, "品川", NO_TIME, 120000, 4, 0.0, 2.0, 0, 5, 11),
    row(150, "大井町", 120230, 120300, 2, 2.0, 1.5, 1, 5, 12),
    row(120, "大森", 120500, NO_TIME, 1, 3.5, 0.0, 1, 5, 13),
])
