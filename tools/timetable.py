"""Built-in timetable of the demo query site.

Lines are station sequences with distances in kilometres.  Services run along
a line (or a stretch of it) in both directions: odd numbers leave from the
first named station, even numbers from the second.  Stop times follow from
the distance, the speed and the dwell time of the train kind, so the whole
timetable is computed once at import and is the same on every run.

Times are minutes after midnight of the day the train leaves its origin; a
value of 1440 or more lies on a later day.  Distances are kilometres from the
train's first stop.  Remaining tickets differ from day to day but are the same
for every request about one day.  Fares follow from the distance between two
stops and the train's kind alone, so they are the same every day.
"""

import hashlib
from collections import namedtuple

# line name -> ((station, km from the first station), ...)
LINES = {
    "jinghu": (("北京", 0), ("天津", 122), ("沧州", 219), ("德州", 314),
               ("济南", 406), ("泰安", 465), ("枣庄", 627), ("徐州", 688),
               ("蚌埠", 844), ("南京", 1023), ("镇江", 1088), ("常州", 1153),
               ("无锡", 1210), ("苏州", 1237), ("上海", 1318)),
    "jingguang": (("北京", 0), ("保定", 139), ("石家庄", 281), ("邯郸", 456),
                  ("郑州", 693), ("武汉", 1229), ("岳阳", 1444), ("长沙", 1591),
                  ("衡阳", 1749), ("郴州", 1896), ("韶关", 2047), ("广州", 2298),
                  ("东莞", 2348), ("深圳", 2400)),
    "jingxi": (("北京", 0), ("保定", 139), ("石家庄", 281), ("邯郸", 456),
               ("郑州", 693), ("洛阳", 817), ("西安", 1216)),
    "hukun": (("上海", 0), ("嘉兴", 84), ("杭州", 159), ("金华", 310),
              ("上饶", 483), ("南昌", 620), ("长沙", 960), ("怀化", 1340),
              ("贵阳", 1620), ("昆明", 2080)),
    "xulan": (("徐州", 0), ("商丘", 145), ("郑州", 362), ("洛阳", 480),
              ("西安", 845), ("宝鸡", 1018), ("天水", 1170), ("兰州", 1434)),
    "lanxin": (("兰州", 0), ("西宁", 200), ("张掖", 550), ("嘉峪关", 780),
               ("哈密", 1430), ("吐鲁番", 1830), ("乌鲁木齐", 1980)),
    "qingzang": (("西宁", 0), ("格尔木", 830), ("拉萨", 1956)),
    "jingha": (("北京", 0), ("唐山", 160), ("秦皇岛", 290), ("锦州", 480),
               ("沈阳", 700), ("四平", 890), ("长春", 1000), ("哈尔滨", 1240)),
    "shenda": (("沈阳", 0), ("鞍山", 90), ("大连", 380)),
    "jiaoji": (("济南", 0), ("淄博", 110), ("潍坊", 210), ("青岛", 390)),
    "coast": (("杭州", 0), ("绍兴", 60), ("宁波", 155), ("台州", 270),
              ("温州", 390), ("福州", 720), ("泉州", 900), ("厦门", 990),
              ("深圳", 1500)),
    "hurong": (("上海", 0), ("苏州", 84), ("无锡", 126), ("南京", 300),
               ("合肥", 460), ("武汉", 820), ("宜昌", 1110), ("重庆", 1700),
               ("成都", 2000)),
    "xicheng": (("西安", 0), ("汉中", 350), ("成都", 660)),
    "chengyu": (("成都", 0), ("重庆", 300)),
    "shitai": (("北京", 0), ("石家庄", 281), ("太原", 470)),
    "jingbao": (("北京", 0), ("张家口", 180), ("大同", 370), ("呼和浩特", 650),
                ("包头", 800), ("银川", 1330), ("兰州", 1800)),
    "guiguang": (("贵阳", 0), ("桂林", 400), ("广州", 860)),
    "nanguang": (("广州", 0), ("南宁", 570)),
    "haikou": (("广州", 0), ("湛江", 450), ("海口", 640), ("三亚", 990)),
    "jingjin": (("北京", 0), ("天津", 120)),
    "guangshen": (("广州", 0), ("东莞", 55), ("深圳", 140)),
    "hefu": (("合肥", 0), ("黄山", 260), ("上饶", 420), ("福州", 810)),
    "ninghang": (("南京", 0), ("溧阳", 110), ("宜兴", 140), ("湖州", 200), ("杭州", 250)),
}

# kind -> (train type text, km/h, dwell minutes, seat classes offered)
# The six classes are: hard seat / second class, soft seat / first class,
# hard sleeper, soft sleeper, deluxe soft sleeper, standing.
KINDS = {
    "G": ("高速动车", 290, 3, (True, True, False, False, False, True)),
    "D": ("动车组", 220, 3, (True, True, False, False, False, True)),
    "C": ("城际", 200, 2, (True, True, False, False, False, True)),
    "Z": ("直达特快", 130, 8, (True, False, True, True, True, True)),
    "T": ("特快", 110, 8, (True, False, True, True, False, True)),
    "K": ("快速", 85, 10, (True, False, True, True, False, True)),
    "": ("普快", 65, 8, (True, False, True, False, False, True)),
}

# (kind, first number, trains each way, line, from, to, first departure,
#  minutes between trains, stops)
# stops: "all", "ends", "some" (a fixed pseudo-random pick per train) or a
# tuple of the intermediate stations served.
SERVICES = (
    ("G", 1, 10, "jinghu", "北京", "上海", "07:00", 60, ("济南", "南京")),
    ("G", 101, 16, "jinghu", "北京", "上海", "06:36", 45, "some"),
    ("G", 201, 6, "jinghu", "北京", "济南", "07:20", 120, "all"),
    ("G", 221, 6, "jinghu", "北京", "南京", "08:10", 110, "some"),
    ("G", 7001, 8, "jinghu", "南京", "上海", "06:30", 90, "all"),
    ("Z", 21, 2, "jinghu", "北京", "上海", "19:10", 45, "ends"),
    ("T", 109, 1, "jinghu", "北京", "上海", "19:58", 0,
     ("天津", "济南", "徐州", "南京", "常州", "无锡", "苏州")),
    ("K", 51, 2, "jinghu", "北京", "上海", "15:20", 200, "some"),
    ("", 1461, 1, "jinghu", "北京", "上海", "11:54", 0, "all"),
    ("G", 71, 6, "jingguang", "北京", "深圳", "07:05", 90,
     ("石家庄", "郑州", "武汉", "长沙", "广州")),
    ("G", 501, 8, "jingguang", "北京", "武汉", "06:50", 75, "some"),
    ("G", 6011, 6, "jingguang", "长沙", "深圳", "07:15", 100, "some"),
    ("D", 901, 2, "jingguang", "北京", "深圳", "20:00", 25,
     ("郑州", "武汉", "长沙", "广州")),
    ("Z", 35, 1, "jingguang", "北京", "广州", "12:50", 0, ("郑州", "武汉", "长沙")),
    ("T", 15, 1, "jingguang", "北京", "广州", "10:00", 0, "some"),
    ("K", 599, 1, "jingguang", "北京", "广州", "13:30", 0, "all"),
    ("", 1301, 1, "jingguang", "石家庄", "长沙", "09:12", 0, "all"),
    ("G", 87, 4, "jingxi", "北京", "西安", "07:40", 150, ("石家庄", "郑州")),
    ("T", 41, 1, "jingxi", "北京", "西安", "18:50", 0, "some"),
    ("G", 1371, 4, "hukun", "上海", "昆明", "06:45", 150, "some"),
    ("G", 7501, 8, "hukun", "上海", "杭州", "06:20", 75, "all"),
    ("G", 7601, 6, "ninghang", "南京", "杭州", "06:30", 110, "all"),
    ("D", 5551, 2, "ninghang", "南京", "杭州", "09:05", 300, "ends"),
    ("D", 3125, 3, "hukun", "上海", "长沙", "08:05", 180, "some"),
    ("K", 79, 1, "hukun", "上海", "昆明", "16:20", 0, "some"),
    ("G", 651, 6, "xulan", "郑州", "西安", "07:10", 110, "all"),
    ("G", 2201, 3, "xulan", "徐州", "兰州", "08:00", 180, "some"),
    ("K", 1351, 1, "xulan", "徐州", "兰州", "21:40", 0, "some"),
    ("D", 2701, 2, "lanxin", "兰州", "乌鲁木齐", "08:30", 240, "some"),
    ("T", 151, 1, "lanxin", "兰州", "乌鲁木齐", "20:05", 0, "all"),
    ("Z", 6801, 1, "qingzang", "西宁", "拉萨", "14:00", 0, ("格尔木",)),
    ("K", 9801, 1, "qingzang", "西宁", "拉萨", "08:10", 0, "all"),
    ("G", 901, 5, "jingha", "北京", "哈尔滨", "07:30", 120, "some"),
    ("G", 391, 4, "jingha", "北京", "沈阳", "08:20", 150, "all"),
    ("Z", 15, 1, "jingha", "北京", "哈尔滨", "21:05", 0, ("长春",)),
    ("K", 339, 1, "jingha", "北京", "哈尔滨", "17:48", 0, "all"),
    ("", 2591, 1, "jingha", "沈阳", "哈尔滨", "06:15", 0, "all"),
    ("D", 5001, 5, "shenda", "沈阳", "大连", "07:00", 120, "some"),
    ("G", 9001, 6, "jiaoji", "济南", "青岛", "06:40", 100, "some"),
    ("D", 6001, 4, "jiaoji", "济南", "青岛", "07:55", 150, "all"),
    ("D", 3201, 4, "coast", "杭州", "深圳", "07:25", 140, "some"),
    ("G", 1651, 5, "coast", "杭州", "厦门", "06:55", 130, "some"),
    ("K", 1183, 1, "coast", "杭州", "厦门", "19:20", 0, "all"),
    ("G", 1721, 4, "hurong", "上海", "成都", "06:25", 120, "some"),
    ("D", 351, 4, "hurong", "上海", "武汉", "07:35", 140, "some"),
    ("T", 241, 1, "hurong", "上海", "重庆", "16:40", 0, "some"),
    ("D", 1901, 4, "xicheng", "西安", "成都", "07:05", 170, "all"),
    ("C", 6001, 10, "chengyu", "成都", "重庆", "06:50", 70, "ends"),
    ("D", 2501, 4, "shitai", "北京", "太原", "07:45", 160, ("石家庄",)),
    ("K", 601, 1, "shitai", "北京", "太原", "22:10", 0, "all"),
    ("K", 263, 1, "jingbao", "北京", "银川", "17:15", 0, "all"),
    ("D", 6701, 4, "jingbao", "北京", "呼和浩特", "07:20", 150, "some"),
    ("", 1151, 1, "jingbao", "北京", "兰州", "06:05", 0, "all"),
    ("G", 2951, 4, "guiguang", "贵阳", "广州", "07:35", 180, "all"),
    ("D", 3601, 5, "nanguang", "广州", "南宁", "07:10", 130, "ends"),
    ("Z", 201, 1, "haikou", "广州", "三亚", "18:15", 0, ("湛江", "海口")),
    ("K", 407, 1, "haikou", "广州", "海口", "09:40", 0, "all"),
    ("C", 2001, 20, "jingjin", "北京", "天津", "06:00", 40, "ends"),
    ("C", 7001, 12, "guangshen", "广州", "深圳", "06:20", 60, "some"),
    ("G", 1601, 4, "hefu", "合肥", "福州", "07:50", 170, "all"),
)

Train = namedtuple("Train", "code kind origin terminal stops distances")
# stops: ((station, arrival minutes or None, departure minutes or None), ...)
# distances: km from the first stop, one for each stop
Segment = namedtuple("Segment", "train depart arrive")


def digest(*parts):
    """A stable 32-bit number for the given parts (same on every run)."""
    text = "|".join(str(p) for p in parts).encode("utf-8")
    return int.from_bytes(hashlib.md5(text).digest()[:4], "big")


def clock(text):
    hours, minutes = text.split(":")
    return int(hours) * 60 + int(minutes)


def hhmm(minutes):
    """Time of day of a minute count, "07:05"."""
    minutes %= 1440
    return "%02d:%02d" % (minutes // 60, minutes % 60)


def duration(minutes):
    """Running time, "05:38"; hours go past 24 for long journeys."""
    return "%02d:%02d" % (minutes // 60, minutes % 60)


def _stretch(line, start, end):
    """Stations of a line from start to end, in travel order."""
    stations = list(LINES[line])
    names = [name for name, _ in stations]
    a, b = names.index(start), names.index(end)
    if a < b:
        return stations[a:b + 1]
    part = stations[b:a + 1][::-1]
    return [(name, abs(km - part[0][1])) for name, km in part]


def _pick_stops(code, stretch, stops):
    inner = [name for name, _ in stretch[1:-1]]
    if stops == "all":
        chosen = set(inner)
    elif stops == "ends":
        chosen = set()
    elif stops == "some":
        chosen = {name for name in inner if digest(code, name) % 3 != 0}
    else:
        chosen = set(stops)
    return [item for item in stretch
            if item[0] in chosen or item is stretch[0] or item is stretch[-1]]


def _run(code, kind, stretch, stops, depart):
    """The stops of one train and their distances from its first stop."""
    _, speed, dwell, _ = KINDS[kind]
    served = _pick_stops(code, stretch, stops)
    times = []
    start_km = served[0][1]
    now, last_km = depart, start_km
    for index, (name, km) in enumerate(served):
        if index == 0:
            times.append((name, None, now))
            continue
        # travel time plus a few minutes for braking and pulling away
        now += round(abs(km - last_km) * 60 / speed) + 4
        last_km = km
        if index == len(served) - 1:
            times.append((name, now, None))
        else:
            times.append((name, now, now + dwell))
            now += dwell
    return tuple(times), tuple(km - start_km for _, km in served)


def _build():
    trains = []
    for kind, first, count, line, start, end, first_dep, headway, stops in SERVICES:
        forward = _stretch(line, start, end)
        backward = _stretch(line, end, start)
        for k in range(count):
            for offset, stretch, shift in ((0, forward, 0), (1, backward, 5)):
                code = "%s%d" % (kind, first + 2 * k + offset)
                depart = clock(first_dep) + k * headway + shift
                trains.append(Train(code, kind, stretch[0][0], stretch[-1][0],
                                    *_run(code, kind, stretch, stops, depart)))
    return tuple(trains)


TRAINS = _build()
BY_CODE = {train.code: train for train in TRAINS}
STATIONS = tuple(sorted({name for line in LINES.values() for name, _ in line}))


def find_trains(start, end):
    """Every train that stops at start and later at end, by departure time."""
    found = []
    for train in TRAINS:
        names = [stop[0] for stop in train.stops]
        if start not in names or end not in names:
            continue
        a, b = names.index(start), names.index(end)
        if a < b:
            found.append(Segment(train, train.stops[a][2], train.stops[b][1]))
    found.sort(key=lambda seg: (seg.depart % 1440, seg.train.code))
    return found


def remaining(train, start, end, day):
    """The six remaining-ticket counts as the site writes them, for the day
    named by its ISO text ("2026-12-08")."""
    counts = []
    for cls, offered in enumerate(KINDS[train.kind][3]):
        if not offered:
            counts.append("--")
            continue
        h = digest(train.code, start, end, cls, day)
        roll = h % 100
        if roll < 15:
            counts.append("无")
        elif roll < 40:
            counts.append("有")
        else:
            counts.append(str(1 + (h >> 8) % 19))
    return counts


def internal_code(train):
    """The site's hidden train id, e.g. "240000G1010C"."""
    h = digest(train.code, train.origin)
    return "%02d%s0%s" % (10 + h % 80, train.code.rjust(8, "0"),
                          "ABCDEFGHJKLMN"[(h >> 8) % 13])


def train_type(train):
    return KINDS[train.kind][0]


# The classes of the fare page, in its column order.
FARE_CLASSES = ("商务座", "一等座", "二等座", "硬座", "硬卧", "软卧", "无座")
# kind -> yuan per km of its cheapest seat (second class or hard seat)
FARE_RATES = {"G": 0.46, "D": 0.37, "C": 0.37, "Z": 0.15, "T": 0.15, "K": 0.13, "": 0.12}
# FARE_CLASSES -> multiple of the cheapest seat's fare
FARE_FACTORS = (3.2, 1.6, 1.0, 1.0, 1.8, 2.8, 1.0)
HIGH_SPEED_KINDS = ("G", "D", "C")


def fare_classes(kind):
    """Which of FARE_CLASSES a train of kind sells, from its seat classes:
    high-speed kinds sell first and second class (business on G only),
    the others hard seat and the sleepers; standing wherever it is offered.
    The deluxe sleeper has no fare column."""
    seat, soft_or_first, hard_sleeper, soft_sleeper, _, standing = KINDS[kind][3]
    if kind in HIGH_SPEED_KINDS:
        return (kind == "G", soft_or_first, seat, False, False, False, standing)
    return (False, False, False, seat, hard_sleeper, soft_sleeper, standing)


def fares(kind, km):
    """The seven fare cells of a trip of km kilometres on a train of kind:
    yuan with one decimal ("606.5"), rounded to half a yuan, or "--" for a
    class the train does not sell."""
    cells = []
    for sold, factor in zip(fare_classes(kind), FARE_FACTORS):
        halves = int(km * FARE_RATES[kind] * factor * 2 + 0.5)
        cells.append("%.1f" % (halves / 2) if sold else "--")
    return cells


def trip_km(train, start, end):
    """Kilometres a train runs from start to end (both among its stops)."""
    names = [stop[0] for stop in train.stops]
    return train.distances[names.index(end)] - train.distances[names.index(start)]
