#!/usr/bin/env python3
"""Local stand-in for the ticket query site, the update server and the
statistics server, for tests of Tavora.

    python3 tools/demo_site.py --port N [--port-file PATH] [--log PATH]
                               [--update-version V] [--setup-program PATH]
                               [--release DIR]

Serves HTTP/1.1 on 127.0.0.1 with keep-alive, one thread per connection,
and on 127.0.0.2 with the same port when that address can be bound (the
other host of the "offsite" redirect).

Query site   GET /Default.aspx?A=<from>&B=<to>&C=<date>&D=1&S=0
             The result page of the built-in timetable (timetable.py) for
             the day C ("2026-12-08"; empty or missing: the site's today,
             the machine's local date at the request). The same trains run
             every day; their seats differ from day to day and are the same
             for every request about one day. The sold-out days, 10 and 20
             days after today, show "无" in every class a train sells. The
             presale period is today and the next SITE_PRESALE_DAYS - 1
             days; for a day before or after it, or a C that is no
             YYYY-MM-DD date, the page has no table and the first p of the
             result div holds the site's one-sentence message.
             Reserved departure names, which ignore C: fault-deep,
             fault-hiddenDeep, fault-attributes, fault-rows-N, fault-emptyRows-N (the
             Beijing table with N empty rows "<tr/>" before its trains, at
             most 8,000,000: past the program's 32 MiB body limit),
             fault-noSibling, fault-headeronly, fault-slow-MS (the Beijing table after
             MS milliseconds, at most a minute), fault-wire-MODE (the
             Beijing table broken on the wire as /fault/MODE/ breaks an
             answer; "redirect" leads to the Beijing query itself),
             fault-churn (the Beijing table in which every third train
             offers as many tickets in each class it sells as there have
             been fault-churn requests for that arrival station, this one
             included: successive requests differ in those trains' seats),
             fault-hostile (the Beijing table after one train whose cells
             hold controls, bidirectional overrides and formulas, see
             HOSTILE_CELLS), fault-flip-N (the Beijing table after one
             train whose code is "G" and N sevens, at most MAX_FLIP_CODE,
             and which offers tickets in one class or the other by turns
             with each fault-flip request for that arrival station).
Timetable    GET /train.aspx?T=<code>&D=1&C=<date>
             The stops of train T (any case; C is not read): the result div
             holds the StopTable, one row per stop with 站序, the station as
             a link, arrival and departure as times of day ("----" at the
             ends), 停留 and the kilometres from the first stop. For an
             unknown code (longer than MAX_TRAIN_CODE: always) the first p
             of the result div says so. Reserved codes: fault-rows-N (N
             made-up stops, at most MAX_FAULT_ROWS), fault-slow-MS (G1 after
             MS milliseconds, at most a minute).
Fares        GET /fare.aspx?A=<from>&B=<to>&C=<date>
             The fares of the trains /Default.aspx lists for A and B: the
             result div holds the FareTable, one row per train with 车次
             (a link), 出发站 and 到达站 (links), 发时, 到时, 历时, then
             商务座 一等座 二等座 硬座 硬卧 软卧 无座 in yuan ("606.5",
             from the distance and the kind's rate, the same every day) or
             "--" for a class the train does not sell. C is read as by
             /Default.aspx: a day it does not sell gets the same page with
             the site's message and no table. Reserved departure names,
             which ignore C: fault-rows-N (N made-up trains, at most
             MAX_FAULT_ROWS), fault-badfare (北京 to 上海 with the cells
             of BAD_FARES: amounts that do not read).
Stations     GET /stations.txt?v=...
             The station list the program completes names from: the bytes
             of res/stations.txt as they were when the site started, as
             text/plain in UTF-8 (not found if the file could not be read
             then or was over MAX_STATION_LIST). Reserved values of v, in
             any case: fault-damaged (the list with its middle station line
             cut to two fields and its last line cut short, without a line
             end), fault-large (the list followed by made-up stations of
             the same format, ranks going on, until it is just over
             MAX_STATION_LIST, 512 KiB), fault-missing (404). Any other v
             gets the list.
Update       GET /tavo/update.php?v=...           the update INI (the variant
                                                 --update-variant names)
             GET /ini/<variant>/tavo/update.php?v=...   (see INI_VARIANTS)
             GET /tavo/tavoSetup.exe              64 KiB of setup bytes
             GET /tavo/tampered/tavoSetup.exe     the same with one byte changed
             GET /tavo/recorder/tavoSetup.exe     the program named by
                                                  --setup-program
             The INIs carry [Version] Signature= of the setup they list,
             made with the test key tools/update_test_signing_key.pem.
             With --release DIR, /tavo/update.php answers DIR/update.ini
             (as tools/release.sh writes it) with its download URL
             pointed at GET /tavo/release/tavoSetup.exe, DIR/tavoSetup.exe.
             Both are read at each request, so a test may change them.
Statistics   GET /tavo/stat/install.php?i=10, /tavo/stat/uninstall.php?i=10
Faults       /fault/<mode>/<any other path>: the answer for that path,
             then broken in the way the mode names (see FAULT_MODES).
Request log  GET /__log, GET or POST /__log/clear
             Every request line exactly as received (raw bytes, without its
             CR LF) followed by "\n"; requests for /__log itself are left out.
"""

import argparse
import datetime
import hashlib
import http
import os
import re
import select
import signal
import socket
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import timetable as tt  # noqa: E402
import sign_release  # noqa: E402

DEFAULT_VERSION = "1,0,0,35"
MAX_LINE = 65536          # longest request or header line accepted
MAX_HEADERS = 100
MAX_REQUEST_BODY = 1 << 20
IDLE_SECONDS = 120        # an idle keep-alive connection is dropped after this
HANG_SECONDS = 120
MAX_SLOW_MS = 60000
MAX_FAULT_ROWS = 100000
MAX_EMPTY_ROWS = 8000000
MAX_FLIP_CODE = 4000000
DEEP_LEVELS = 200000
SETUP_SIZE = 64 * 1024
TRICKLE_PIECE = 500
TRICKLE_PAUSE = 0.02
DRIP_PAUSE = 0.25         # between single bytes of "drip" and "slowhead"
ENDLESS_PIECE = 64 * 1024
OTHER_HOST = "127.0.0.2"
HUGE_LENGTH = 4000000000
SITE_PRESALE_DAYS = 30    # tickets are sold for today and the next 29 days
SOLD_OUT_DAYS = (10, 20)  # days after today on which every train is sold out
MAX_DATE_ECHO = 40        # characters of an unreadable date the message repeats
MAX_TRAIN_CODE = 32       # a longer train code is unknown
MAX_STATION_LIST = 512 * 1024   # the program refuses a longer station list
MAX_STATION_NAME = 12           # characters
STATION_LIST_PATH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                 "res", "stations.txt")

HTML = "text/html; charset=utf-8"
TEXT = "text/plain; charset=utf-8"
BINARY = "application/octet-stream"

# 404       status 404 instead of the answer
# redirect  302 to the rest of the path
# zero      Content-Length: 0 and no body
# chunked   Transfer-Encoding: chunked, no Content-Length
# short     Content-Length twice the body, the body, then close
# nul       a zero byte in the middle of the body (counted in the length)
# trickle   the body in 500-byte pieces, 20 ms apart
# hugelen   Content-Length: 4000000000, the body, then close
# closemid  the full length announced, half the body sent, then close
# hang      the request is read and never answered
# stall     the full length announced, half the body sent, then silence
# offsite   302 to the rest of the path on the other host (127.0.0.2), same port
# drip      the head at once, then the body one byte every DRIP_PAUSE
# slowhead  the head one byte every DRIP_PAUSE, then the body
# endless   no Content-Length, the body over and over until the client goes
WIRE_FAULT_PREFIX = "fault-wire-"
FAULT_MODES = ("404", "redirect", "zero", "chunked", "short", "nul",
               "trickle", "hugelen", "closemid", "hang", "stall",
               "offsite", "drip", "slowhead", "endless")

# The two pieces of broken markup the real site writes before its table.
OPTION_BROKEN = '<option selected value="1" >'
DAYS_BROKEN = 'value="0"/ onkeypress="updateDaysRange()"'

NOT_XML_CHAR = re.compile("[^\t\n\r\x20-\ud7ff\ue000-\ufffd\U00010000-\U0010ffff]")

HEADER_TITLES = ("序号", "编号", "车次", "出发站", "到达站", "发时", "到时",
                 "历时", "硬座/二等座", "软座/一等座", "硬卧", "软卧",
                 "高级软卧", "无座", "始发站", "终点站", "车型")


class Reply:
    """One answer: status, body and how its framing is written."""

    def __init__(self, status, body=b"", ctype=HTML, headers=()):
        self.status = status
        self.body = body
        self.ctype = ctype
        self.headers = list(headers)
        self.framing = "normal"


# ---------------------------------------------------------------- markup

def esc(text):
    """Escape text for element content and double-quoted attributes and
    drop characters that XML does not allow."""
    text = NOT_XML_CHAR.sub("", text)
    return (text.replace("&", "&amp;").replace("<", "&lt;")
            .replace(">", "&gt;").replace('"', "&quot;"))


def _select(name, label, count, unit):
    options = [OPTION_BROKEN + "1%s</option>" % unit]
    options += ['<option value="%d">%d%s</option>' % (n, n, unit)
                for n in range(2, count + 1)]
    return ('<label for="%s">%s</label><select name="%s" id="%s">%s</select>\r\n'
            % (name, label, name, name, "".join(options)))


def search_form(start, end, date="", action="Default.aspx"):
    """The search form of the page; it carries the two broken forms."""
    return "".join((
        '<form name="aspnetForm" method="get" action="%s" id="aspnetForm">\r\n' % action,
        '<label for="A">出发站</label><input type="text" name="A" id="A" value="%s" />\r\n'
        % esc(start),
        '<label for="B">到达站</label><input type="text" name="B" id="B" value="%s" />\r\n'
        % esc(end),
        '<input type="hidden" name="C" value="%s" /><input type="hidden" name="D" value="1" />'
        '<input type="hidden" name="S" value="0" />\r\n' % esc(date),
        _select("month", "月份", 12, "月"),
        _select("day", "日期", 31, "日"),
        _select("range", "预售期", 20, "天"),
        '<label for="days">天数</label><input type="text" id="days" name="days" %s />\r\n'
        % DAYS_BROKEN,
        '<input type="submit" id="go" value="查询" />\r\n</form>\r\n',
    ))


def header_row():
    return ('<tr class="head">%s</tr>\r\n'
            % "".join("<th>%s</th>" % esc(title) for title in HEADER_TITLES))


def _link(href, text):
    return '<td><a href="%s">%s</a></td>' % (esc(href), esc(text))


def data_row(number, hidden_id, code, start, end, depart, arrive, running,
             counts, origin, terminal, kind_text):
    """One result row with its 17 cells in the site's order."""
    station = "/station.aspx?S="
    cells = ["<td>%d</td>" % number,
             '<td style="display:none">%s</td>' % esc(hidden_id),
             _link("/train.aspx?T=%s&D=1" % code, code),
             _link(station + start, start),
             _link(station + end, end),
             "<td>%s</td>" % depart, "<td>%s</td>" % arrive,
             "<td>%s</td>" % running]
    cells += ["<td>%s</td>" % esc(count) for count in counts]
    cells += [_link(station + origin, origin), _link(station + terminal, terminal),
              "<td>%s</td>" % esc(kind_text)]
    return '<tr class="%s">%s</tr>\r\n' % ("odd" if number % 2 else "even",
                                            "".join(cells))


def page_head(title):
    return ('<html>\r\n<head>\r\n'
            '<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />\r\n'
            '<title>%s</title>\r\n'
            '<link rel="stylesheet" type="text/css" href="/css/query.css" />\r\n'
            '<script type="text/javascript" src="/js/query.js"></script>\r\n'
            '</head>\r\n' % esc(title))


def site_page(title, form, result):
    """A whole page: the search div holding form, then the result div
    holding result (markup)."""
    return "".join((
        page_head(title), "<body>\r\n",
        '<div id="search">\r\n', form, "</div>\r\n",
        '<div id="result">\r\n', result, "</div>\r\n",
        '<div id="footer">Tavora demo site</div>\r\n</body>\r\n</html>\r\n',
    )).encode("utf-8")


def result_page(start, end, rows, filler="", date=""):
    """A full result page: search div, then the result div with the table
    (filler between its header row and its rows)."""
    if rows:
        heading = "%s 到 %s 共 %d 趟列车" % (start, end, len(rows))
    else:
        heading = "%s 到 %s 没有找到列车" % (start, end)
    return site_page("%s 到 %s 余票查询" % (start, end), search_form(start, end, date), "".join((
        '<h3>%s</h3>\r\n' % esc(heading),
        '<table id="GridView1" class="grid" cellspacing="0" border="1">\r\n',
        header_row(), filler, "".join(rows), "</table>\r\n",
        '<p class="note">余票数据仅供参考，以车站售票为准。</p>\r\n')))


def message_page(title, form, heading, message):
    """A page without a table: the site's one sentence in the first p of the
    result div."""
    return site_page(title, form, '<h3>%s</h3>\r\n<p class="message">%s</p>\r\n'
                     % (esc(heading), esc(message)))


CHURN_DEPARTURE = "fault-churn"
FLIP_PREFIX = "fault-flip-"


def timetable_rows(start, end, day, churn=0, sold_out=False):
    """The timetable's rows with the seats of day (a date); with churn > 0,
    every third train offers churn tickets in each class it sells, with
    sold_out none in any."""
    rows = []
    for number, seg in enumerate(tt.find_trains(start, end), 1):
        train = seg.train
        counts = tt.remaining(train, start, end, day.isoformat())
        if sold_out:
            counts = [count if count == "--" else "无" for count in counts]
        if churn and number % 3 == 0:
            counts = [count if count == "--" else str(churn) for count in counts]
        rows.append(data_row(number, tt.internal_code(train), train.code, start, end,
                             tt.hhmm(seg.depart), tt.hhmm(seg.arrive),
                             tt.duration(seg.arrive - seg.depart), counts,
                             train.origin, train.terminal, tt.train_type(train)))
    return rows


# The cells of fault-hostile's train, as data_row takes them (times as
# markup): a code with a right-to-left override, stations with terminal
# escapes, C1 controls and marks, and cells that spreadsheets would run as
# formulas behind blanks, a tab or a carriage return, or in full-width forms.
# ESC and BEL are no XML characters, which esc() drops: they stand as {ESC}
# and {BEL} here and go into the row raw.
HOSTILE_CELLS = dict(
    code="G1\u202eLIVE", start="{ESC}[31m北京{BEL}", end="上海\u009b2J",
    depart="&#9;=1+1", arrive="&#13;+SUM(1)", running="&#32;&#32;-2+3",
    counts=["＝1+1", "＋1", "－1", "＠A1", "a;b", "有\u2066x\u2069"],
    origin="\u200f南京\u061c", terminal="杭州\u2028x\u0085", kind_text="@cmd")


def hostile_row():
    row = data_row(0, "00000000G10A", **HOSTILE_CELLS)
    return row.replace("{ESC}", "\x1b").replace("{BEL}", "\x07")


def flip_row(digits, count):
    """A train whose code is G and digits sevens, with tickets in the first
    class on odd counts and in the second on even ones."""
    counts = ["有", "无", "--", "--", "--", "无"] if count % 2 else ["无", "有", "--", "--", "--", "无"]
    return data_row(0, "00000000G70A", "G" + "7" * digits, "北京", "上海", "07:00", "12:00",
                    "05:00", counts, "北京", "上海", "高速动车")


def generated_trips(count):
    """count made-up trips (number from 1, kind, code, from, to, departure
    and running minutes), for pages larger than any real answer."""
    names, kinds = tt.STATIONS, tuple(tt.KINDS)
    for n in range(1, count + 1):
        kind = kinds[n % len(kinds)]
        yield (n, kind, "%s%d" % (kind, n), names[n % len(names)], names[(n * 7 + 3) % len(names)],
               (n * 37) % 1440, 30 + (n * 53) % 1500)


def generated_rows(count):
    """count made-up result rows."""
    rows = []
    for n, kind, code, start, end, depart, running in generated_trips(count):
        counts = [("有", "无", str(n % 19 + 1), "--")[(n + c) % 4] for c in range(6)]
        rows.append(data_row(n, "%02d%s0A" % (n % 90 + 10, code.rjust(8, "0")), code,
                             start, end, tt.hhmm(depart), tt.hhmm(depart + running),
                             tt.duration(running), counts, start, end,
                             tt.KINDS[kind][0]))
    return rows


def no_sibling_page(today):
    """body holds one div only; the table sits inside it, not after it."""
    return "".join((
        page_head("余票查询"), "<body>\r\n<div id=\"all\">\r\n",
        search_form("", ""),
        '<table id="GridView1">\r\n', header_row(),
        "".join(timetable_rows("北京", "上海", today)), "</table>\r\n",
        "</div>\r\n</body>\r\n</html>\r\n")).encode("utf-8")


_deep_page = None
_deep_lock = threading.Lock()


def deep_page():
    """200,000 nested div elements in the body, built once."""
    global _deep_page
    with _deep_lock:
        if _deep_page is None:
            _deep_page = (b"<html><head><title>deep</title></head><body>"
                          + b"<div>" * DEEP_LEVELS + b"</div>" * DEEP_LEVELS
                          + b"</body></html>")
        return _deep_page


HIDDEN_DEEP_LEVELS = 20000
MANY_ATTRIBUTES = 200000


def hidden_deep_page():
    """A result page whose deep nesting follows markup that reads differently
    to a tag scanner and to an XML parser: an XML declaration with '>' and a
    quote inside a quoted value, and a '<' before a character that cannot
    start a name."""
    return (b'<?xml version="><x y=\'" ?><html><body><div/><div><table><tr/>'
            + b"<# \">" + b"<span>" * HIDDEN_DEEP_LEVELS
            + b"</span>" * HIDDEN_DEEP_LEVELS + b"</table></div></body></html>")


def many_attributes_page():
    """A result page whose table carries MANY_ATTRIBUTES attributes."""
    attributes = b"".join(b" a%d='%d'" % (i, i) for i in range(MANY_ATTRIBUTES))
    return (b"<html><body><div/><div><table" + attributes
            + b"><tr/><tr><td>1</td></tr></table></div></body></html>")


def reserved_count(reserved, prefix, cap):
    """N of a reserved name prefix + N: 0 unless ASCII digits, at most cap."""
    digits = reserved[len(prefix):]
    if not (digits.isascii() and digits.isdigit()):
        return 0
    return cap if len(digits) > 8 else min(int(digits), cap)


def slow_pause(reserved, prefix):
    """Sleep for the milliseconds after prefix, at most MAX_SLOW_MS."""
    digits = reserved[len(prefix):]
    pause = int(digits) if digits.isascii() and digits.isdigit() and len(digits) < 7 else 0
    time.sleep(min(pause, MAX_SLOW_MS) / 1000.0)


def site_today():
    """The site's today: the machine's local date, read for each request."""
    return datetime.date.today()


def read_date(text):
    """The date of a "YYYY-MM-DD" text, or None."""
    if not re.fullmatch(r"[0-9]{4}-[0-9]{2}-[0-9]{2}", text):
        return None
    try:
        return datetime.date.fromisoformat(text)
    except ValueError:
        return None


def query_day(text, today):
    """The day a query's C field asks about, and None; or None and the
    site's message when the site sells no tickets for it."""
    text = text.strip()
    if not text:
        return today, None
    day = read_date(text)
    if day is None:
        if len(text) > MAX_DATE_ECHO:
            text = text[:MAX_DATE_ECHO] + "…"
        return None, "日期“%s”无法识别。" % text
    if day < today:
        return None, "%s 已经过去，无法查询余票。" % day.isoformat()
    last = today + datetime.timedelta(days=SITE_PRESALE_DAYS - 1)
    if day > last:
        return None, "%s 的车票尚未开售，本站预售期为 %s 至 %s。" % (
            day.isoformat(), today.isoformat(), last.isoformat())
    return day, None


def unsold_day_reply(start, end, message, what="余票查询", action="Default.aspx"):
    """The page without a table for a day the site does not sell (query_day's
    message), from the page of what and its form's action."""
    return Reply(200, message_page("%s 到 %s %s" % (start, end, what), search_form(start, end, action=action),
                                   "%s 到 %s" % (start, end), message))


def query_reply(params):
    start = params.get("A", "").strip()
    end = params.get("B", "").strip()
    reserved = start.lower()
    today = site_today()
    if reserved == "fault-deep":
        return Reply(200, deep_page())
    if reserved == "fault-hiddendeep":
        return Reply(200, hidden_deep_page())
    if reserved == "fault-attributes":
        return Reply(200, many_attributes_page())
    if reserved == "fault-nosibling":
        return Reply(200, no_sibling_page(today))
    if reserved.startswith("fault-rows-"):
        count = reserved_count(reserved, "fault-rows-", MAX_FAULT_ROWS)
        return Reply(200, result_page(start, end, generated_rows(count)))
    if reserved.startswith("fault-emptyrows-"):
        count = reserved_count(reserved, "fault-emptyrows-", MAX_EMPTY_ROWS)
        beijing = "北京"
        return Reply(200, result_page(beijing, end, timetable_rows(beijing, end, today), "<tr/>" * count))
    if reserved.startswith("fault-slow-"):
        # The Beijing table for the arrival station, after a pause.
        slow_pause(reserved, "fault-slow-")
        return Reply(200, result_page("北京", end, timetable_rows("北京", end, today)))
    if reserved == "fault-hostile":
        beijing = "北京"
        return Reply(200, result_page(beijing, end, [hostile_row()] + timetable_rows(beijing, end, today)))
    if reserved == "fault-headeronly":
        return Reply(200, result_page(start, end, []))
    asked = params.get("C", "").strip()
    day, message = query_day(asked, today)
    if message:
        return unsold_day_reply(start, end, message)
    # The form repeats the day asked for; a query for the site's today
    # without a date gets the page it always got.
    date = day.isoformat() if asked else ""
    if not start or not end:
        return Reply(200, result_page(start, end, [], date=date))
    sold_out = (day - today).days in SOLD_OUT_DAYS
    return Reply(200, result_page(start, end, timetable_rows(start, end, day, sold_out=sold_out), date=date))


# ---------------------------------------------------------------- timetable page

STOP_TITLES = ("站序", "站名", "到站时间", "出发时间", "停留", "里程")
NO_TIME = "----"
GENERATED_STOP_MINUTES = 40   # between the departures of fault-rows' stops


def train_form(code):
    """The timetable page's search form: one train code."""
    return ('<form name="trainForm" method="get" action="train.aspx" id="trainForm">\r\n'
            '<label for="T">车次</label><input type="text" name="T" id="T" value="%s" />\r\n'
            '<input type="hidden" name="D" value="1" /><input type="hidden" name="C" value="" />\r\n'
            '<input type="submit" id="go" value="查询" />\r\n</form>\r\n' % esc(code))


def stop_row(number, station, arrive, depart, km):
    """One stop of a timetable; arrive is None at the first stop and depart
    at the last. Times are minutes after the first departure's midnight."""
    stay = NO_TIME if arrive is None or depart is None else "%d分" % (depart - arrive)
    cells = ("<td>%d</td>" % number, _link("/station.aspx?S=" + station, station),
             "<td>%s</td>" % (NO_TIME if arrive is None else tt.hhmm(arrive)),
             "<td>%s</td>" % (NO_TIME if depart is None else tt.hhmm(depart)),
             "<td>%s</td>" % stay, "<td>%d</td>" % km)
    return "<tr>%s</tr>\r\n" % "".join(cells)


def timetable_page(code, stops):
    """The timetable page of a train; stops are (station, arrival, departure,
    km) in travel order."""
    heading = "%s %s → %s" % (code, stops[0][0], stops[-1][0]) if stops else code
    return site_page("%s 次列车时刻表" % code, train_form(code), "".join((
        '<h3>%s</h3>\r\n' % esc(heading),
        '<table id="StopTable" class="grid" cellspacing="0" border="1">\r\n',
        "<tr>%s</tr>\r\n" % "".join("<th>%s</th>" % title for title in STOP_TITLES),
        "".join(stop_row(number, *stop) for number, stop in enumerate(stops, 1)),
        "</table>\r\n",
        '<p class="note">时刻仅供参考，以车站公告为准。</p>\r\n')))


def train_stops(train):
    return [stop + (km,) for stop, km in zip(train.stops, train.distances)]


def generated_stops(count):
    """count made-up stops, 40 minutes apart: a train that runs for days."""
    names = tt.STATIONS
    stops = []
    for n in range(count):
        depart = 360 + n * GENERATED_STOP_MINUTES
        stops.append((names[n % len(names)], depart - 3 if n else None,
                      depart if n < count - 1 else None, n * 55))
    return stops


def train_reply(params):
    """The timetable page of train T (any case); the date does not change
    a timetable, so C is not read."""
    code = params.get("T", "").strip()
    reserved = code.lower()
    if reserved.startswith("fault-rows-"):
        count = reserved_count(reserved, "fault-rows-", MAX_FAULT_ROWS)
        return Reply(200, timetable_page(code, generated_stops(count)))
    if reserved.startswith("fault-slow-"):
        slow_pause(reserved, "fault-slow-")
        code = "G1"
    train = tt.BY_CODE.get(code.upper()) if len(code) <= MAX_TRAIN_CODE else None
    if train is None:
        shown = code if len(code) <= MAX_TRAIN_CODE else code[:MAX_TRAIN_CODE] + "…"
        message = "没有找到车次 %s。" % shown if shown else "请输入车次。"
        return Reply(200, message_page("车次查询", train_form(shown), "车次查询", message))
    return Reply(200, timetable_page(train.code, train_stops(train)))


# ---------------------------------------------------------------- fare page

FARE_TITLES = ("车次", "出发站", "到达站", "发时", "到时", "历时") + tt.FARE_CLASSES
BADFARE_DEPARTURE = "fault-badfare"
# The cells fault-badfare writes where an amount belongs: (train number from
# 1, index in tt.FARE_CLASSES, cell).
BAD_FARES = ((1, 2, "abc"), (2, 1, ""), (3, 1, "-12.5x"))


def fare_row(code, start, end, depart, arrive, running, fares):
    """One row of the fare table: the code and the stations as links, the
    times, then one cell per class of tt.FARE_CLASSES."""
    station = "/station.aspx?S="
    cells = [_link("/train.aspx?T=%s&D=1" % code, code), _link(station + start, start),
             _link(station + end, end), "<td>%s</td>" % depart, "<td>%s</td>" % arrive,
             "<td>%s</td>" % running]
    cells += ["<td>%s</td>" % esc(fare) for fare in fares]
    return "<tr>%s</tr>\r\n" % "".join(cells)


def fare_page(start, end, rows, date=""):
    """The fare page: the result page's shape with the FareTable."""
    return site_page("%s 到 %s 票价查询" % (start, end), search_form(start, end, date, "fare.aspx"), "".join((
        '<h3>%s</h3>\r\n' % esc("%s 到 %s 票价" % (start, end)),
        '<table id="FareTable" class="grid" cellspacing="0" border="1">\r\n',
        "<tr>%s</tr>\r\n" % "".join("<th>%s</th>" % title for title in FARE_TITLES),
        "".join(rows), "</table>\r\n",
        '<p class="note">票价仅供参考，以车站售票为准。</p>\r\n')))


def timetable_fare_rows(start, end, bad=()):
    """The fares of every train from start to end, with the cells of bad
    (as BAD_FARES) written over them."""
    rows = []
    for number, seg in enumerate(tt.find_trains(start, end), 1):
        train = seg.train
        fares = tt.fares(train.kind, tt.trip_km(train, start, end))
        for bad_number, cls, cell in bad:
            if bad_number == number:
                fares[cls] = cell
        rows.append(fare_row(train.code, start, end, tt.hhmm(seg.depart), tt.hhmm(seg.arrive),
                             tt.duration(seg.arrive - seg.depart), fares))
    return rows


def generated_fare_rows(count):
    """count made-up fare rows, trips of 50 to 2,549 km."""
    return [fare_row(code, start, end, tt.hhmm(depart), tt.hhmm(depart + running), tt.duration(running),
                     tt.fares(kind, 50 + (n * 97) % 2500))
            for n, kind, code, start, end, depart, running in generated_trips(count)]


def fare_reply(params):
    """The fare page from A to B. Fares are the same every day, but a day the
    site does not sell gets the query's message page; reserved names ignore
    C."""
    start = params.get("A", "").strip()
    end = params.get("B", "").strip()
    reserved = start.lower()
    if reserved.startswith("fault-rows-"):
        count = reserved_count(reserved, "fault-rows-", MAX_FAULT_ROWS)
        return Reply(200, fare_page(start, end, generated_fare_rows(count)))
    if reserved == BADFARE_DEPARTURE:
        beijing, shanghai = "北京", "上海"
        return Reply(200, fare_page(beijing, shanghai, timetable_fare_rows(beijing, shanghai, BAD_FARES)))
    asked = params.get("C", "").strip()
    day, message = query_day(asked, site_today())
    if message:
        return unsold_day_reply(start, end, message, "票价查询", "fare.aspx")
    return Reply(200, fare_page(start, end, timetable_fare_rows(start, end), day.isoformat() if asked else ""))


# ---------------------------------------------------------------- station list

def read_station_list(path=STATION_LIST_PATH):
    """The bytes of the station list, or b"" when it cannot be read or is
    over MAX_STATION_LIST."""
    try:
        with open(path, "rb") as handle:
            data = handle.read(MAX_STATION_LIST + 1)
    except OSError:
        return b""
    return data if len(data) <= MAX_STATION_LIST else b""


def damaged_station_list(data):
    """data with its middle station line cut to name and pinyin and its last
    line cut after half its pinyin, without a line end."""
    lines = data.split(b"\n")[:-1]
    if len(lines) < 4:
        return data[:len(data) // 2]
    middle = len(lines) // 2
    lines[middle] = b"|".join(lines[middle].split(b"|")[:2])
    name, _, rest = lines[-1].partition(b"|")
    lines[-1] = name + b"|" + rest[:max(1, rest.find(b"|") // 2)]
    return b"\n".join(lines)


def large_station_list(data):
    """data followed by made-up stations, each two listed names joined, their
    ranks going on after the last, until it is just over MAX_STATION_LIST
    (a list too short to make enough of them is padded with "x")."""
    rows = [line.split("|") for line in data.decode("utf-8", "replace").split("\n")[1:]]
    rows = [row for row in rows if len(row) == 4 and row[3].isdigit()]
    if not rows:
        return b"x" * (MAX_STATION_LIST + 1)
    out, rank, names = bytearray(data), int(rows[-1][3]), {row[0] for row in rows}
    for first in rows:
        for second in rows:
            name = first[0] + second[0]
            if len(name) > MAX_STATION_NAME or name in names:
                continue
            names.add(name)
            rank += 1
            out += ("%s|%s|%s|%d\n" % (name, first[1] + second[1], first[2] + second[2], rank)).encode("utf-8")
            if len(out) > MAX_STATION_LIST:
                return bytes(out)
    return bytes(out) + b"x" * (MAX_STATION_LIST + 1 - len(out))


# Reserved values of v of /stations.txt: how each makes its list from the
# real one (b"": not found).
STATION_LIST_FAULTS = {"fault-damaged": damaged_station_list, "fault-large": large_station_list,
                       "fault-missing": lambda data: b""}


# ---------------------------------------------------------------- update INI

INI_VARIANTS = {
    # name: changes to the base INI (a newer version, two equal URLs, the
    # setup's valid signature)
    "newer": {},
    "one": {"urls": ["/tavo/tavoSetup.exe"]},
    "notini": {"not_ini": True},
    "unsigned": {"signature": None},
    "badsig": {"signature": "00" * 64},
    "tampered": {"urls": ["/tavo/tampered/tavoSetup.exe"]},
    "recorder": {"urls": ["/tavo/recorder/tavoSetup.exe"], "setup": "recorder"},
    "recorder8": {"urls": ["/tavo/recorder/tavoSetup.exe"], "setup": "recorder",
                  "close": 8},
    "stallsetup": {"urls": ["/fault/stall/tavo/tavoSetup.exe"]},
    "hangsetup": {"urls": ["/fault/hang/tavo/tavoSetup.exe"]},
    "tipascii": {"show_tip": 1, "msg": "first line\\nsecond line",
                 "caption": "Tavora update question"},
    "tip8": {"show_tip": 1, "utf16": True, "close": 8},
    "same": {"version": "1,0,0,35"},
    "older": {"version": "0,9,9,99"},
    "minor": {"version": "1,0,1,0"},
    "noversion": {"version": None},
    "badversion": {"version": "1.0.0.36"},
    "nourl": {"urls": None},
    "emptyurl": {"urls": [""]},
    "three": {"urls": ["/tavo/tavoSetup.exe?n=1", "/tavo/tavoSetup.exe?n=2",
                       "/tavo/tavoSetup.exe?n=3"]},
    "gap": {"urls": ["/tavo/tavoSetup.exe?n=1", None, "/tavo/tavoSetup.exe?n=3"]},
    "tip": {"show_tip": 1},
    "tip16": {"show_tip": 1, "utf16": True},
    "close8": {"close": 8},
    "noclose": {"close": None},
    "missingsetup": {"urls": ["/tavo/missing/tavoSetup.exe"]},
    "shortsetup": {"urls": ["/fault/short/tavo/tavoSetup.exe"]},
    "chunkedsetup": {"urls": ["/fault/chunked/tavo/tavoSetup.exe"]},
}


class OfferSigner:
    """Signatures of the served setups, each for the version it is offered
    as, made once per setup and version."""

    def __init__(self, key, setups):
        self.key = key
        self.setups = {name: data for name, data in setups.items() if data}
        self.made = {}
        self.lock = threading.Lock()

    def __call__(self, setup, version):
        """The signature text offering `setup` as `version`; None when there
        is no such setup or the version is not four numbers."""
        if setup not in self.setups or version is None:
            return None
        # The program reads the version without the blanks around it.
        version = version.strip()
        with self.lock:
            if (setup, version) not in self.made:
                try:
                    self.made[(setup, version)] = sign_release.signature_text(self.key, version, self.setups[setup])
                except ValueError:
                    self.made[(setup, version)] = None
            return self.made[(setup, version)]


def build_ini(base_url, version, changes, signatures):
    """The update INI; urls are paths on this server (None leaves a key out).
    signatures(setup, version) gives a setup's signature for a version."""
    conf = {"version": version, "urls": ["/tavo/tavoSetup.exe"] * 2, "show_tip": 0,
            "msg": "第一行\\n第二行", "caption": "Tavora 更新", "close": 2,
            "utf16": False, "setup": "setup", "signature": "", "not_ini": False}
    conf.update(changes)
    if conf["not_ini"]:
        return Reply(200, b"<html><body><p>No update today.</p></body></html>", HTML)
    signature = conf["signature"]
    if signature == "":
        signature = signatures(conf["setup"], conf["version"])
    lines = []
    if conf["version"] is not None:
        lines += ["[Version]", "CurrentVersion=%s" % conf["version"]]
        if signature is not None:
            lines.append("Signature=%s" % signature)
        lines.append("")
    if conf["urls"] is not None:
        lines.append("[DownloadUrls]")
        for n, path in enumerate(conf["urls"], 1):
            if path is not None:
                lines.append("url%02d=%s" % (n, base_url + path if path else ""))
        lines.append("")
    lines += ["[Tip]", "ShowTip=%d" % conf["show_tip"], "Msg=%s" % conf["msg"],
              "Caption=%s" % conf["caption"]]
    if conf["close"] is not None:
        lines.append("CloseCommand=%d" % conf["close"])
    text = "\r\n".join(lines) + "\r\n"
    if conf["utf16"]:
        return Reply(200, b"\xff\xfe" + text.encode("utf-16-le"), "text/plain; charset=utf-16")
    return Reply(200, text.encode("utf-8"), TEXT)


def setup_bytes():
    """Deterministic stand-in for the setup program."""
    out = bytearray(b"MZ")
    block = 0
    while len(out) < SETUP_SIZE:
        out += hashlib.sha256(b"tavoSetup%d" % block).digest()
        block += 1
    return bytes(out[:SETUP_SIZE])


SETUP_BYTES = setup_bytes()
TAMPERED_BYTES = SETUP_BYTES[:1000] + bytes([SETUP_BYTES[1000] ^ 1]) + SETUP_BYTES[1001:]
TEST_KEY_PATH = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                             "update_test_signing_key.pem")


# ---------------------------------------------------------------- requests

class Request:
    def __init__(self, line):
        self.line = line          # raw request line, without CR LF
        self.method = b""
        self.target = b""
        self.version = b"HTTP/1.0"
        self.headers = {}
        self.error = 0            # status to answer when the request is unusable

    def header(self, name):
        return self.headers.get(name, "")

    def keep_alive(self):
        connection = self.header("connection").lower()
        if self.version == b"HTTP/1.1":
            return "close" not in connection
        return "keep-alive" in connection


def parse_request_line(request):
    """Lenient split: method, target (may hold blanks), version."""
    words = request.line.split(b" ")
    if len(words) >= 3 and words[-1].startswith(b"HTTP/"):
        request.method, request.version = words[0], words[-1]
        request.target = b" ".join(words[1:-1])
    elif len(words) >= 2:
        request.method, request.target = words[0], b" ".join(words[1:])
    else:
        request.error = 400
    if not request.error and not request.target:
        request.error = 400


def read_request(rfile):
    """The next request on a connection, or None at its end."""
    for _ in range(8):                     # blank lines between requests are allowed
        line = rfile.readline(MAX_LINE + 1)
        if not line:
            return None
        if line.strip(b"\r\n"):
            break
    else:
        return None
    request = Request(line[:-2] if line.endswith(b"\r\n")
                      else line[:-1] if line.endswith(b"\n") else line)
    if len(line) > MAX_LINE and not line.endswith(b"\n"):
        request.error = 414
        return request
    parse_request_line(request)
    for _ in range(MAX_HEADERS + 1):
        line = rfile.readline(MAX_LINE + 1)
        if not line or line in (b"\r\n", b"\n"):
            break
        if len(line) > MAX_LINE:
            request.error = request.error or 431
            return request
        name, colon, value = line.partition(b":")
        if colon:
            request.headers[name.strip().decode("latin-1").lower()] = \
                value.strip().decode("latin-1")
    else:
        request.error = request.error or 431
        return request
    length = request.header("content-length")
    if request.header("transfer-encoding"):
        request.error = request.error or 501
    elif length:
        if not (length.isascii() and length.isdigit()) or len(length) > 9 \
                or int(length) > MAX_REQUEST_BODY:
            request.error = request.error or 413
        else:
            rfile.read(int(length))
    return request


def split_target(target):
    """Path and query of an origin-form or absolute-form target."""
    if target[:7].lower() == b"http://":
        slash = target.find(b"/", 7)
        target = target[slash:] if slash >= 0 else b"/"
    path, mark, query = target.partition(b"?")
    return path, (query if mark else None)


def decode_value(raw):
    return urllib.parse.unquote_to_bytes(raw).decode("utf-8", "replace")


def parse_query(query):
    """Query fields; the first of repeated names wins."""
    params = {}
    for field in (query or b"").split(b"&"):
        name, _, value = field.partition(b"=")
        params.setdefault(decode_value(name), decode_value(value))
    return params


def is_control(target):
    path, _ = split_target(target)
    return path in (b"/__log", b"/__quit") or path.startswith(b"/__log/")


# ---------------------------------------------------------------- server

class DemoSite:
    def __init__(self, listener, log_file, update_version, recorder=b"", update_variant=None,
                 other_listener=None, release_dir=None):
        self.recorder = recorder
        self.release_dir = release_dir
        self.signatures = OfferSigner(sign_release.load_key(TEST_KEY_PATH), {"setup": SETUP_BYTES, "recorder": recorder})
        self.listener = listener
        self.listeners = [listener] + ([other_listener] if other_listener else [])
        self.port = listener.getsockname()[1]
        self.log_file = log_file
        self.update_version = update_version
        self.update_variant = INI_VARIANTS.get(update_variant, {}) if update_variant else {}
        self.log = bytearray()
        self.log_lock = threading.Lock()
        self.stopping = threading.Event()
        self.churn_counts = {}             # arrival station: fault-churn requests
        self.flip_counts = {}              # arrival station: fault-flip requests
        # The station list read once, and each reserved list made from it.
        station_list = read_station_list()
        self.station_lists = {name: make(station_list) if station_list else b""
                              for name, make in STATION_LIST_FAULTS.items()}
        self.station_lists[""] = station_list

    # -- request log

    def record(self, line):
        with self.log_lock:
            self.log += line + b"\n"
            if self.log_file:
                self.log_file.write(line + b"\n")
                self.log_file.flush()

    # -- routing

    def route(self, request):
        path, query = split_target(request.target)
        if path == b"/__log" and request.method in (b"GET", b"HEAD"):
            with self.log_lock:
                return Reply(200, bytes(self.log), BINARY)
        if path == b"/__log/clear" and request.method in (b"GET", b"POST"):
            with self.log_lock:
                self.log.clear()
            return Reply(200, b"cleared", TEXT)
        if path == b"/__quit":
            self.stopping.set()
            return Reply(200, b"bye", TEXT)
        if request.method not in (b"GET", b"HEAD"):
            return Reply(405, b"method not allowed", TEXT, [("Allow", "GET, HEAD")])
        return self.answer(request, path, query)

    def answer(self, request, path, query):
        """The answer for a GET of path and query; fault prefixes nest."""
        if path.startswith(b"/fault/"):
            mode, _, rest = path[len(b"/fault/"):].partition(b"/")
            rest = b"/" + rest
            rest_target = rest if query is None else rest + b"?" + query
            return self.fault(request, mode.decode("latin-1"), rest_target,
                              self.answer(request, rest, query))
        if path.startswith(b"/ini/"):
            name, _, rest = path[len(b"/ini/"):].partition(b"/")
            changes = INI_VARIANTS.get(name.decode("latin-1"))
            if changes is None or rest != b"tavo/update.php":
                return not_found()
            return build_ini(self.base_url(), "1,0,0,36", changes, self.signatures)
        if path.lower() == b"/default.aspx":
            params = parse_query(query)
            wire = params.get("A", "").strip().lower()
            if wire == CHURN_DEPARTURE:
                return self.churn_reply(params.get("B", "").strip())
            if wire.startswith(FLIP_PREFIX):
                digits = reserved_count(wire, FLIP_PREFIX, MAX_FLIP_CODE)
                return self.flip_reply(digits, params.get("B", "").strip())
            if wire.startswith(WIRE_FAULT_PREFIX):
                return self.wire_fault(request, wire[len(WIRE_FAULT_PREFIX):], params.get("B", "").strip())
            return query_reply(params)
        if path.lower() == b"/train.aspx":
            return train_reply(parse_query(query))
        if path.lower() == b"/fare.aspx":
            return fare_reply(parse_query(query))
        if path == b"/stations.txt":
            reserved = parse_query(query).get("v", "").strip().lower()
            body = self.station_lists.get(reserved if reserved in STATION_LIST_FAULTS else "")
            return Reply(200, body, TEXT) if body else not_found()
        if path == b"/tavo/update.php" and self.release_dir:
            return self.release_ini()
        if path == b"/tavo/release/tavoSetup.exe" and self.release_dir:
            return self.release_file("tavoSetup.exe")
        if path == b"/tavo/update.php":
            return build_ini(self.base_url(), self.update_version, self.update_variant, self.signatures)
        if path == b"/tavo/tavoSetup.exe":
            return Reply(200, SETUP_BYTES, BINARY)
        if path == b"/tavo/tampered/tavoSetup.exe":
            return Reply(200, TAMPERED_BYTES, BINARY)
        if path == b"/tavo/recorder/tavoSetup.exe" and self.recorder:
            return Reply(200, self.recorder, BINARY)
        if path in (b"/tavo/stat/install.php", b"/tavo/stat/uninstall.php"):
            return Reply(200, b"ok", TEXT)
        return not_found()

    def release_file(self, name):
        try:
            with open(os.path.join(self.release_dir, name), "rb") as handle:
                return Reply(200, handle.read(), BINARY)
        except OSError:
            return not_found()

    def release_ini(self):
        """The release's update INI, its download URL pointed at this site."""
        reply = self.release_file("update.ini")
        if reply.status != 200:
            return reply
        text = reply.body.decode("utf-16")
        text = re.sub(r"(?m)^(url\d\d)=.*$", lambda m: "%s=%s/tavo/release/tavoSetup.exe"
                      % (m.group(1), self.base_url()), text)
        return Reply(200, b"\xff\xfe" + text.encode("utf-16-le"), "text/plain; charset=utf-16")

    def base_url(self):
        return "http://127.0.0.1:%d" % self.port

    def churn_reply(self, end):
        """The Beijing table for end, its seats changed by the request count."""
        with self.log_lock:
            count = self.churn_counts.get(end, 0) + 1
            self.churn_counts[end] = count
        beijing = "北京"
        return Reply(200, result_page(beijing, end, timetable_rows(beijing, end, site_today(), count)))

    def flip_reply(self, digits, end):
        """The Beijing table for end after the flipping train."""
        with self.log_lock:
            count = self.flip_counts.get(end, 0) + 1
            self.flip_counts[end] = count
        beijing = "北京"
        rows = [flip_row(digits, count)] + timetable_rows(beijing, end, site_today())
        return Reply(200, result_page(beijing, end, rows))

    def wire_fault(self, request, mode, end):
        """The Beijing table for end, broken by fault mode (the program's
        query path has no room for a /fault/ prefix)."""
        beijing = "北京"
        target = ("/Default.aspx?A=%s&B=%s&C=&D=1&S=0" % (
            urllib.parse.quote(beijing), urllib.parse.quote(end))).encode("ascii")
        reply = Reply(200, result_page(beijing, end, timetable_rows(beijing, end, site_today())))
        return self.fault(request, mode, target, reply)

    def fault(self, request, mode, rest_target, reply):
        if mode not in FAULT_MODES:
            return not_found()
        if mode == "404":
            return not_found()
        if mode == "redirect":
            host = request.header("host") or "127.0.0.1:%d" % self.port
            location = "http://%s%s" % (host, urllib.parse.quote(
                rest_target, safe="/?&=:;,+%@!$'()*~"))
            return Reply(302, b"moved", TEXT, [("Location", location)])
        if mode == "offsite":
            location = "http://%s:%d%s" % (OTHER_HOST, self.port, urllib.parse.quote(
                rest_target, safe="/?&=:;,+%@!$'()*~"))
            return Reply(302, b"moved", TEXT, [("Location", location)])
        if mode == "nul":
            body = reply.body
            middle = len(body) // 2
            while middle < len(body) and 0x80 <= body[middle] < 0xC0:
                middle += 1                # keep UTF-8 sequences whole
            reply.body = body[:middle] + b"\0" + body[middle:]
            return reply
        reply.framing = mode
        return reply

    # -- writing answers

    def send(self, conn, request, reply):
        """Write reply; returns whether the connection stays open."""
        framing = reply.framing
        if framing == "hang":
            self.stopping.wait(HANG_SECONDS)
            return False
        if framing == "stall":
            framing = "closemid"
            stall = True
        else:
            stall = False
        body = reply.body
        keep = request.keep_alive() and not request.error and framing not in (
            "short", "hugelen", "closemid", "endless")
        if stall and request.method != b"HEAD":
            keep = False
        length = {"zero": 0, "short": 2 * len(body), "hugelen": HUGE_LENGTH}.get(
            framing, len(body))
        headers = [("Server", "TavoraDemo/1.0"), ("Content-Type", reply.ctype),
                   ("Cache-Control", "no-cache")]
        if framing == "chunked":
            headers.append(("Transfer-Encoding", "chunked"))
        elif framing == "endless":
            pass                           # the body ends when the connection does
        else:
            headers.append(("Content-Length", str(length)))
        headers += reply.headers
        headers.append(("Connection", "keep-alive" if keep else "close"))
        status = http.HTTPStatus(reply.status)
        head = "HTTP/1.1 %d %s\r\n" % (status.value, status.phrase)
        head += "".join("%s: %s\r\n" % item for item in headers) + "\r\n"
        if framing == "slowhead":
            for at, byte in enumerate(head.encode("latin-1")):
                if at and self.stopping.wait(DRIP_PAUSE):
                    return False
                conn.sendall(bytes((byte,)))
        else:
            conn.sendall(head.encode("latin-1"))
        if request.method == b"HEAD" or framing == "zero":
            return keep
        if framing == "chunked":
            for at in range(0, len(body), 4096):
                piece = body[at:at + 4096]
                conn.sendall(b"%x\r\n%s\r\n" % (len(piece), piece))
            conn.sendall(b"0\r\n\r\n")
        elif framing == "trickle":
            for at in range(0, len(body), TRICKLE_PIECE):
                if at and self.stopping.wait(TRICKLE_PAUSE):
                    return False
                conn.sendall(body[at:at + TRICKLE_PIECE])
        elif framing == "drip":
            for at in range(len(body)):
                if at and self.stopping.wait(DRIP_PAUSE):
                    return False
                conn.sendall(body[at:at + 1])
        elif framing == "endless":
            piece = (body or b"x") * (ENDLESS_PIECE // max(1, len(body)) + 1)
            while not self.stopping.is_set():
                conn.sendall(piece[:ENDLESS_PIECE])
        elif framing == "closemid":
            conn.sendall(body[:len(body) // 2])
            if stall:
                self.stopping.wait(HANG_SECONDS)
        else:
            conn.sendall(body)
        return keep

    # -- connections

    def handle(self, conn):
        try:
            conn.settimeout(IDLE_SECONDS)
            rfile = conn.makefile("rb")
            while not self.stopping.is_set():
                request = read_request(rfile)
                if request is None:
                    break
                if not request.target or not is_control(request.target):
                    self.record(request.line)
                if request.error:
                    reply = Reply(request.error, b"bad request", TEXT)
                else:
                    reply = self.route(request)
                if not self.send(conn, request, reply):
                    break
        except (OSError, ValueError):
            pass                           # peer gone or timed out: just drop it
        finally:
            try:
                conn.shutdown(socket.SHUT_WR)
            except OSError:
                pass
            conn.close()

    def serve(self, max_seconds=None):
        deadline = time.monotonic() + max_seconds if max_seconds else None
        while not self.stopping.is_set():
            if deadline and time.monotonic() > deadline:
                break
            try:
                ready, _, _ = select.select(self.listeners, [], [], 0.2)
            except OSError:
                continue
            for listener in ready:
                try:
                    conn, _ = listener.accept()
                except OSError:
                    continue
                threading.Thread(target=self.handle, args=(conn,), daemon=True).start()
        for listener in self.listeners:
            listener.close()


def not_found():
    return Reply(404, b"<html><body><h1>404 Not Found</h1></body></html>", HTML)


def write_port_file(path, port):
    """Write the port so that a reader never sees a partial file."""
    temp = "%s.%d.tmp" % (path, os.getpid())
    with open(temp, "w", encoding="ascii") as handle:
        handle.write(str(port))
    os.replace(temp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Tavora demo query site")
    parser.add_argument("--port", type=int, required=True, help="0 picks a free port")
    parser.add_argument("--port-file", help="file that receives the bound port")
    parser.add_argument("--log", help="file that receives every request line")
    parser.add_argument("--update-version", default=DEFAULT_VERSION,
                        help="CurrentVersion of /tavo/update.php")
    parser.add_argument("--update-variant", choices=sorted(INI_VARIANTS),
                        help="/tavo/update.php answers this INI variant")
    parser.add_argument("--setup-program",
                        help="file served (and signed) as /tavo/recorder/tavoSetup.exe")
    parser.add_argument("--release",
                        help="folder of a release (tools/release.sh) that /tavo/update.php offers")
    parser.add_argument("--detach-stdio", action="store_true",
                        help="after start-up, point standard input and output at /dev/null so that "
                             "the caller's pipes are not held open")
    parser.add_argument("--max-seconds", type=float, default=None,
                        help="stop by itself after this long (a safety net for test runs)")
    args = parser.parse_args(argv)
    version = "".join(ch for ch in args.update_version if ch not in "\r\n")
    if not 0 <= args.port <= 65535:
        parser.error("port out of range")
    try:
        log_file = open(args.log, "ab") if args.log else None
    except OSError as exc:
        print("demo_site: cannot open log: %s" % exc, file=sys.stderr)
        return 2
    try:
        listener = socket.create_server(("127.0.0.1", args.port), backlog=64)
    except OSError as exc:
        print("demo_site: cannot listen on port %d: %s" % (args.port, exc), file=sys.stderr)
        return 1
    try:
        other_listener = socket.create_server((OTHER_HOST, listener.getsockname()[1]), backlog=64)
    except OSError:
        other_listener = None              # "offsite" then leads nowhere
    recorder = b""
    if args.setup_program:
        try:
            with open(args.setup_program, "rb") as handle:
                recorder = handle.read()
        except OSError as exc:
            print("demo_site: cannot read the setup program: %s" % exc, file=sys.stderr)
            return 2
    site = DemoSite(listener, log_file, version, recorder, args.update_variant, other_listener,
                    args.release)
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: site.stopping.set())
    if args.port_file:
        try:
            write_port_file(args.port_file, site.port)
        except OSError as exc:
            print("demo_site: cannot write port file: %s" % exc, file=sys.stderr)
            return 2
    print("listening on 127.0.0.1:%d" % site.port, flush=True)
    if args.detach_stdio:
        null = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(null, fd)
        os.close(null)
    site.serve(args.max_seconds)
    if log_file:
        with site.log_lock:
            log_file.close()
            site.log_file = None
    return 0


if __name__ == "__main__":
    sys.exit(main())
