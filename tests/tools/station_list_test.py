"""res/stations.txt is a station list the program can read and complete from.

The list (made by tools/stations/make_stations.js) is "tavora-stations 1"
and then one "name|pinyin|initials|rank" line per station, ranks strictly
increasing, in UTF-8 with LF line ends. It must hold every station of the demo
site's timetable, and the place-name readings of polyphonic characters.

    python3 tests/tools/station_list_test.py
"""

import os
import re
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LIST = os.path.join(ROOT, "res", "stations.txt")
sys.path.insert(0, os.path.join(ROOT, "tools"))
import timetable  # noqa: E402

HEADER = "tavora-stations 1"
LINE = re.compile(r"([\u3400-\u4dbf\u4e00-\u9fff]{1,12})\|([a-z]+)\|([a-z]+)\|([1-9][0-9]{0,5})")
MIN_STATIONS = 500

# name: (pinyin, initials), names whose characters read differently elsewhere.
READINGS = {
    "重庆": ("chongqing", "cq"), "重庆北": ("chongqingbei", "cqb"), "重庆西": ("chongqingxi", "cqx"),
    "长沙": ("changsha", "cs"), "长沙南": ("changshanan", "csn"),
    "厦门": ("xiamen", "xm"), "厦门北": ("xiamenbei", "xmb"),
    "蚌埠": ("bengbu", "bb"), "蚌埠南": ("bengbunan", "bbn"),
    "六安": ("luan", "la"), "六盘水": ("liupanshui", "lps"),
    "长春": ("changchun", "cc"), "长春西": ("changchunxi", "ccx"), "长治": ("changzhi", "cz"),
    "朝阳": ("chaoyang", "cy"), "北京朝阳": ("beijingchaoyang", "bjcy"),
    "丽水": ("lishui", "ls"), "亳州": ("bozhou", "bz"), "铅山": ("yanshan", "ys"),
    "吕梁": ("lvliang", "ll"), "乐山": ("leshan", "ls"), "都江堰": ("dujiangyan", "djy"),
    "句容西": ("jurongxi", "jrx"), "宿迁": ("suqian", "sq"), "曲阜": ("qufu", "qf"),
    "哈尔滨": ("haerbin", "heb"), "吐鲁番": ("tulufan", "tlf"), "台州": ("taizhou", "tz"),
}


def problems(data):
    """What is wrong with the bytes of a station list, as short texts."""
    if data.startswith(b"\xef\xbb\xbf") or b"\r" in data or not data.endswith(b"\n"):
        return ["not LF-ended text without a byte order mark"]
    try:
        lines = data.decode("utf-8").split("\n")[:-1]
    except UnicodeDecodeError:
        return ["not UTF-8"]
    if not lines or lines[0] != HEADER:
        return ["no header"]
    found, names, last = [], {}, 0
    for number, line in enumerate(lines[1:], 2):
        match = LINE.fullmatch(line)
        if not match:
            found.append("line %d: not name|pinyin|initials|rank" % number)
            continue
        name, pinyin, initials, rank = match.groups()
        if len(initials) != len(name) or initials[0] != pinyin[0]:
            found.append("line %d: initials do not fit" % number)
        if int(rank) <= last:
            found.append("line %d: rank not increasing" % number)
        if name in names:
            found.append("line %d: duplicate" % number)
        names[name], last = (pinyin, initials), int(rank)
    return found


def read_list():
    with open(LIST, "rb") as handle:
        data = handle.read()
    return data, {line.split("|")[0]: tuple(line.split("|")[1:3])
                  for line in data.decode("utf-8").splitlines()[1:]}


class StationListTest(unittest.TestCase):
    def test_the_list_reads_cleanly(self):
        data, stations = read_list()
        self.assertEqual(problems(data), [])
        self.assertGreaterEqual(len(stations), MIN_STATIONS)

    def test_every_timetable_station_is_listed(self):
        wanted = {station for line in timetable.LINES.values() for station, _ in line}
        self.assertEqual(wanted - set(read_list()[1]), set())

    def test_polyphonic_names_read_as_place_names(self):
        stations = read_list()[1]
        for name, reading in READINGS.items():
            with self.subTest(name=name):
                self.assertEqual(stations.get(name), reading)

    def test_the_checker_finds_each_fault(self):
        good = HEADER + "\n北京|beijing|bj|1\n重庆|chongqing|cq|5\n"
        for broken, expected in (
                (good.replace("\n", "\r\n"), "not LF-ended text without a byte order mark"),
                ("\ufeff" + good, "not LF-ended text without a byte order mark"),
                (good[:-1], "not LF-ended text without a byte order mark"),
                (good.replace("1\n北", "2\n北"), "no header"),
                (good.replace("bj|1", "bj|1 "), "line 2: not name|pinyin|initials|rank"),
                (good.replace("beijing", "Beijing"), "line 2: not name|pinyin|initials|rank"),
                (good.replace("京", "京站站站站站站站站站站站"), "line 2: not name|pinyin|initials|rank"),
                (good.replace("|cq|", "|cqq|"), "line 3: initials do not fit"),
                (good.replace("|5", "|1"), "line 3: rank not increasing"),
                (good.replace("重庆|chongqing|cq", "北京|beijing|bj"), "line 3: duplicate")):
            with self.subTest(broken=broken):
                self.assertEqual(problems(broken.encode("utf-8")), [expected])
        self.assertEqual(problems(good.encode("utf-8")[:-3] + b"\xff\n"), ["not UTF-8"])


if __name__ == "__main__":
    sys.exit(unittest.main())
