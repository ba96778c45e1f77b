"""Tests of tools/demo_site.py, the local query, update and statistics site.

The server runs as a subprocess on a free port; every test talks to it over
real sockets.
"""

import configparser
import datetime
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = os.path.join(ROOT, "tools")
SERVER = os.path.join(TOOLS, "demo_site.py")
sys.path.insert(0, TOOLS)
import timetable  # noqa: E402
import demo_site  # noqa: E402
import station_list_test  # noqa: E402
import sign_release  # noqa: E402
from cryptography.exceptions import InvalidSignature  # noqa: E402
from cryptography.hazmat.primitives import hashes  # noqa: E402
from cryptography.hazmat.primitives.asymmetric import ec  # noqa: E402
from cryptography.hazmat.primitives.asymmetric.utils import encode_dss_signature  # noqa: E402

OPTION_BROKEN = '<option selected value="1" >'
OPTION_FIXED = '<option selected="1" value="1" >'
DAYS_BROKEN = 'value="0"/ onkeypress="updateDaysRange()"'

BJ = "北京".encode("utf-8")
SH = "上海".encode("utf-8")
BJ_SH = b"/Default.aspx?A=" + BJ + b"&B=" + SH + b"&C=&D=1&S=0"
HEADER_ONLY = b"/Default.aspx?A=fault-headeronly&B=&C=&D=1&S=0"
LINK_CELLS = (3, 4, 5, 15, 16)
TRAIN_TYPES = {"高速动车", "动车组", "城际", "直达特快", "特快", "快速", "普快"}


def start_server(workdir, *extra):
    port_file = os.path.join(workdir, "port")
    log_path = os.path.join(workdir, "requests.log")
    proc = subprocess.Popen(
        [sys.executable, SERVER, "--port", "0", "--port-file", port_file,
         "--log", log_path] + list(extra),
        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    line = proc.stdout.readline()
    match = re.fullmatch(rb"listening on 127\.0\.0\.1:(\d+)\n", line)
    if not match:
        proc.kill()
        raise RuntimeError("server did not start: %r %r" % (line, proc.stderr.read()))
    return proc, int(match.group(1)), port_file, log_path


def stop_server(proc):
    if proc.poll() is None:
        proc.terminate()
        proc.wait(5)
    proc.stdout.close()
    proc.stderr.close()


def setUpModule():
    global WORKDIR, PROC, PORT, PORT_FILE, LOG_PATH
    WORKDIR = tempfile.mkdtemp(prefix="demo_site_test")
    PROC, PORT, PORT_FILE, LOG_PATH = start_server(WORKDIR, "--update-version", "1,2,3,4")


def tearDownModule():
    stop_server(PROC)
    shutil.rmtree(WORKDIR, ignore_errors=True)


# ---------------------------------------------------------------- HTTP helpers

class Response:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body


def split_head(raw):
    head, _, body = raw.partition(b"\r\n\r\n")
    lines = head.split(b"\r\n")
    status = int(lines[0].split(b" ")[1])
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(b":")
        headers[name.strip().decode("latin-1").lower()] = value.strip().decode("latin-1")
    return Response(status, headers, body)


def exchange(raw, timeout=10):
    """Send raw request bytes and read until the server closes."""
    with socket.create_connection(("127.0.0.1", PORT), timeout=timeout) as sock:
        sock.sendall(raw)
        chunks = []
        while True:
            data = sock.recv(65536)
            if not data:
                break
            chunks.append(data)
    return b"".join(chunks)


def fetch(target, method=b"GET"):
    """One request with Connection: close; the body is everything after the head."""
    raw = exchange(method + b" " + target + b" HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n"
                   b"Connection: close\r\n\r\n" % PORT)
    return split_head(raw)


def read_response(rfile):
    """One response from a kept-alive connection (Content-Length or chunked)."""
    head = b""
    while not head.endswith(b"\r\n\r\n"):
        line = rfile.readline()
        if not line:
            raise EOFError("connection closed")
        head += line
    response = split_head(head)
    if response.headers.get("transfer-encoding") == "chunked":
        response.body = b""
        while True:
            size = int(rfile.readline().strip(), 16)
            response.body += rfile.read(size + 2)[:size]
            if size == 0:
                break
    else:
        response.body = rfile.read(int(response.headers["content-length"]))
    return response


def dechunk(data):
    out = b""
    while True:
        size_line, _, data = data.partition(b"\r\n")
        size = int(size_line, 16)
        if size == 0:
            return out
        out += data[:size]
        data = data[size + 2:]


def repair(text):
    """The program's markup repair: every broken option, the first slash."""
    text = text.replace(OPTION_BROKEN, OPTION_FIXED)
    at = text.find(DAYS_BROKEN)
    if at >= 0:
        text = text[:at + 9] + text[at + 10:]
    return text


def parse_page(body):
    return ET.fromstring(repair(body.decode("utf-8")))


def find_result_table(root):
    """root -> body -> first div -> its next sibling -> first table."""
    body = root.find("body")
    if body is None:
        return None
    children = list(body)
    divs = [i for i, child in enumerate(children) if child.tag == "div"]
    if not divs or divs[0] + 1 >= len(children):
        return None
    return children[divs[0] + 1].find("table")


def data_rows(body):
    """The data rows of a page as lists of 17 cell texts."""
    table = find_result_table(parse_page(body))
    children = list(table)
    first = [i for i, child in enumerate(children) if child.tag == "tr"][0]
    rows = []
    for row in children[first + 1:]:
        cells = list(row)
        assert len(cells) == 17, len(cells)
        texts = []
        for number, cell in enumerate(cells, 1):
            assert cell.tag == "td"
            if number in LINK_CELLS:
                texts.append(cell.find("a").text)
            else:
                assert len(cell) == 0, "cell %d holds an element" % number
                texts.append(cell.text)
        rows.append(texts)
    return rows


def result_div(body):
    """root -> body -> the first div's next sibling: where the program reads
    the table or, on a page without one, the site's message (its first p)."""
    children = list(parse_page(body).find("body"))
    return children[[child.tag for child in children].index("div") + 1]


TODAY = datetime.date.today


def day_text(offset):
    """C for today + offset days, or offset itself when it is text."""
    day = offset if isinstance(offset, str) else (TODAY() + datetime.timedelta(days=offset)).isoformat()
    return day.encode()


def on_day(offset, start=BJ):
    """The Beijing-Shanghai query for day_text(offset)."""
    return b"/Default.aspx?A=" + start + b"&B=" + SH + b"&C=" + day_text(offset) + b"&D=1&S=0"


def minutes(hhmm):
    hours, mins = hhmm.split(":")
    return int(hours) * 60 + int(mins)


# ---------------------------------------------------------------- tests

class StartUpTest(unittest.TestCase):
    def test_port_file_holds_the_port(self):
        with open(PORT_FILE, "rb") as handle:
            self.assertEqual(handle.read(), str(PORT).encode("ascii"))
        leftovers = [name for name in os.listdir(WORKDIR) if name.endswith(".tmp")]
        self.assertEqual(leftovers, [])

    def test_sigterm_stops_promptly_with_hanging_client(self):
        workdir = tempfile.mkdtemp(prefix="demo_site_term")
        try:
            proc, port, port_file, _ = start_server(workdir)
            with open(port_file) as handle:
                self.assertEqual(handle.read(), str(port))
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            conn.request("GET", "/tavo/update.php?v=1,0,0,35")
            ini = conn.getresponse().read().decode("utf-8")
            self.assertIn("CurrentVersion=1,0,0,35\r\n", ini)
            conn.close()
            hanging = socket.create_connection(("127.0.0.1", port))
            hanging.sendall(b"GET /fault/hang/ HTTP/1.1\r\nHost: x\r\n\r\n")
            time.sleep(0.1)
            started = time.monotonic()
            proc.send_signal(signal.SIGTERM)
            proc.wait(5)
            self.assertLess(time.monotonic() - started, 2.0)
            self.assertEqual(proc.stdout.read(), b"")   # the one line only
            hanging.close()
            stop_server(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)

    def test_sigint_stops(self):
        workdir = tempfile.mkdtemp(prefix="demo_site_int")
        try:
            proc, _, _, _ = start_server(workdir)
            proc.send_signal(signal.SIGINT)
            self.assertEqual(proc.wait(5), 0)
            stop_server(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)


    def test_quit_request_stops_and_is_not_logged(self):
        workdir = tempfile.mkdtemp(prefix="demo_site_quit")
        try:
            proc, port, _, log_path = start_server(workdir)
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            conn.request("GET", "/__quit")
            self.assertEqual(conn.getresponse().status, 200)
            conn.close()
            self.assertEqual(proc.wait(5), 0)
            with open(log_path, "rb") as handle:
                self.assertEqual(handle.read(), b"")
            stop_server(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)

    def test_max_seconds_ends_a_forgotten_server(self):
        workdir = tempfile.mkdtemp(prefix="demo_site_max")
        try:
            proc, _, _, _ = start_server(workdir, "--max-seconds", "0.5")
            self.assertEqual(proc.wait(5), 0)
            stop_server(proc)
        finally:
            shutil.rmtree(workdir, ignore_errors=True)


class ResultPageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.page = fetch(BJ_SH)

    def test_headers(self):
        self.assertEqual(self.page.status, 200)
        self.assertEqual(self.page.headers["content-type"], "text/html; charset=utf-8")
        self.assertEqual(int(self.page.headers["content-length"]), len(self.page.body))
        self.assertFalse(self.page.body.startswith(b"\xef\xbb\xbf"))

    def test_unrepaired_page_is_rejected(self):
        text = self.page.body.decode("utf-8")
        self.assertGreaterEqual(text.count(OPTION_BROKEN), 2)
        self.assertEqual(text.count(DAYS_BROKEN), 1)
        self.assertLess(text.find(DAYS_BROKEN), text.find("<table"))
        self.assertLess(text.rfind(OPTION_BROKEN), text.find("<table"))
        with self.assertRaises(ET.ParseError):
            ET.fromstring(text)

    def test_every_repair_is_needed(self):
        text = self.page.body.decode("utf-8")
        only_options = text.replace(OPTION_BROKEN, OPTION_FIXED)
        only_slash = repair(text).replace(OPTION_FIXED, OPTION_BROKEN)
        first_option_and_slash = repair(text).replace(OPTION_FIXED, OPTION_BROKEN)
        first_option_and_slash = first_option_and_slash.replace(OPTION_BROKEN, OPTION_FIXED, 1)
        for broken in (only_options, only_slash, first_option_and_slash):
            with self.assertRaises(ET.ParseError):
                ET.fromstring(broken)
        ET.fromstring(repair(text))

    def test_result_path_and_cells(self):
        root = parse_page(self.page.body)
        self.assertEqual(root.tag, "html")
        rows = data_rows(self.page.body)
        self.assertGreaterEqual(len(rows), 25)
        for number, row in enumerate(rows, 1):
            self.assertEqual(row[0], str(number))
            self.assertRegex(row[1], r"^\d\d[0-9A-Z]{8}0[A-Z]$")
            self.assertRegex(row[2], r"^([GDCZTK]\d{1,4}|\d{4})$")
            self.assertEqual((row[3], row[4]), ("北京", "上海"))
            for cell in row[5:8]:
                self.assertRegex(cell, r"^\d\d:\d\d$")
            for cell in row[8:14]:
                self.assertRegex(cell, r"^(\d+|有|无|--)$")
            self.assertIn(row[16], TRAIN_TYPES)
            self.assertTrue(row[14] and row[15])
            if row[2].startswith("G"):
                self.assertEqual(row[10:13], ["--", "--", "--"])
                self.assertEqual(row[16], "高速动车")
            running = minutes(row[7])
            self.assertEqual((minutes(row[5]) + running) % 1440, minutes(row[6]))

    def test_sorted_by_departure(self):
        departures = [minutes(row[5]) for row in data_rows(self.page.body)]
        self.assertEqual(departures, sorted(departures))

    def test_overnight_trains_present(self):
        rows = data_rows(self.page.body)
        overnight = [row for row in rows if minutes(row[6]) < minutes(row[5])]
        self.assertTrue(overnight)
        self.assertTrue({row[16] for row in rows} >= {"高速动车", "直达特快", "特快", "快速", "普快"})

    def test_same_query_same_page(self):
        self.assertEqual(fetch(BJ_SH).body, self.page.body)

    def test_percent_escaped_query_gives_same_page(self):
        escaped = (b"/Default.aspx?A=%E5%8C%97%E4%BA%AC&B=%e4%b8%8a%e6%b5%b7"
                   b"&C=&D=1&S=0")
        self.assertEqual(fetch(escaped).body, self.page.body)

    def test_reverse_direction(self):
        rows = data_rows(fetch(b"/Default.aspx?A=" + SH + b"&B=" + BJ + b"&C=&D=1&S=0").body)
        self.assertGreaterEqual(len(rows), 25)
        self.assertEqual({(row[3], row[4]) for row in rows}, {("上海", "北京")})

    def test_page_agrees_with_timetable(self):
        codes = [row[2] for row in data_rows(self.page.body)]
        self.assertEqual(codes, [seg.train.code for seg in timetable.find_trains("北京", "上海")])


class HeaderOnlyTest(unittest.TestCase):
    def assertHeaderOnly(self, target):
        response = fetch(target)
        self.assertEqual(response.status, 200)
        self.assertEqual(data_rows(response.body), [])
        table = find_result_table(parse_page(response.body))
        self.assertEqual(len(table.findall("tr")), 1)

    def test_unknown_station(self):
        self.assertHeaderOnly(b"/Default.aspx?A=" + BJ + b"&B=" + "火星".encode() + b"&C=&D=1&S=0")

    def test_pair_without_train(self):
        self.assertHeaderOnly(b"/Default.aspx?A=" + "拉萨".encode() + b"&B=" + BJ + b"&C=&D=1&S=0")

    def test_empty_and_missing_names(self):
        self.assertHeaderOnly(b"/Default.aspx?A=&B=" + SH + b"&C=&D=1&S=0")
        self.assertHeaderOnly(b"/Default.aspx?A=" + BJ)
        self.assertHeaderOnly(b"/Default.aspx")
        self.assertHeaderOnly(HEADER_ONLY)

    def test_bad_bytes_and_markup_in_names(self):
        self.assertHeaderOnly(b"/Default.aspx?A=%zz%E4&B=\xff\xfe&C=&D=1&S=0")
        self.assertHeaderOnly(b"/Default.aspx?A=%01%3Cb%3E%26%22&B=x&C=&D=1&S=0")
        root = parse_page(fetch(b"/Default.aspx?A=%3Cb%3E%26%22&B=x").body)
        field = [el for el in root.iter("input") if el.get("name") == "A"][0]
        self.assertEqual(field.get("value"), '<b>&"')

    def test_inner_blank_in_name(self):
        response = fetch(b"/Default.aspx?A=" + BJ + b" x&B=" + SH + b"&C=&D=1&S=0")
        self.assertEqual(response.status, 200)
        self.assertEqual(data_rows(response.body), [])


class ReservedNameTest(unittest.TestCase):
    def test_rows_n(self):
        rows = data_rows(fetch(b"/Default.aspx?A=fault-rows-37&B=&C=&D=1&S=0").body)
        self.assertEqual(len(rows), 37)
        self.assertEqual([row[0] for row in rows], [str(n) for n in range(1, 38)])
        self.assertEqual(data_rows(fetch(b"/Default.aspx?A=fault-rows-0").body), [])
        self.assertEqual(data_rows(fetch(b"/Default.aspx?A=fault-rows-x1").body), [])
        self.assertEqual(data_rows(fetch(b"/Default.aspx?A=fault-rows-%D9%A1").body), [])

    def test_rows_count_is_capped(self):
        huge = fetch(b"/Default.aspx?A=fault-rows-" + b"9" * 5000)
        self.assertEqual(huge.status, 200)
        self.assertEqual(huge.body.count(b"<tr "), 1 + 100000)
        self.assertEqual(huge.body.count(b"<td"), 100000 * 17)

    def test_rows_many(self):
        body = fetch(b"/Default.aspx?A=fault-rows-3000&B=").body
        self.assertEqual(len(data_rows(body)), 3000)

    def test_empty_rows_before_the_beijing_trains(self):
        beijing = fetch(b"/Default.aspx?A=" + BJ + b"&B=" + SH).body
        page = fetch(b"/Default.aspx?A=fault-emptyRows-" + b"9" * 20 + b"&B=" + SH).body
        self.assertEqual(len(page), len(beijing) + 5 * 8000000)
        self.assertEqual(page.replace(b"<tr/>", b""), beijing)

    def test_no_sibling(self):
        root = parse_page(fetch(b"/Default.aspx?A=fault-noSibling&B=x").body)
        body = root.find("body")
        self.assertEqual([child.tag for child in body], ["div"])
        self.assertIsNone(find_result_table(root))

    def test_deep(self):
        response = fetch(b"/Default.aspx?A=fault-deep&B=&C=&D=1&S=0")
        self.assertEqual(response.status, 200)
        self.assertEqual(int(response.headers["content-length"]), len(response.body))
        self.assertEqual(response.body.count(b"<div>"), 200000)
        self.assertEqual(response.body.count(b"</div>"), 200000)
        self.assertTrue(response.body.startswith(b"<html>"))
        self.assertTrue(response.body.endswith(b"</body></html>"))

    def test_hidden_deep_and_many_attributes(self):
        hidden = fetch(b"/Default.aspx?A=fault-hiddenDeep&B=x").body
        self.assertTrue(hidden.startswith(b'<?xml version="><x'))
        self.assertEqual(hidden.count(b"<span>"), 20000)
        self.assertIn(b'<# "><span>', hidden)
        many = fetch(b"/Default.aspx?A=fault-attributes&B=x").body
        self.assertEqual(many.count(b"='"), 200000)
        self.assertIn(b" a199999='199999'><tr/>", many)


class TravelDateTest(unittest.TestCase):
    def test_seats_by_day(self):
        """No date is today; the same trains every day; seats repeat within a
        day, differ between days, and are all gone on the sold-out days."""
        today = data_rows(fetch(BJ_SH).body)
        self.assertEqual(data_rows(fetch(b"/Default.aspx?A=" + BJ + b"&B=" + SH).body), today)
        self.assertEqual(data_rows(fetch(on_day(0)).body), today)
        third = data_rows(fetch(on_day(3)).body)
        self.assertEqual(data_rows(fetch(on_day(3)).body), third)
        for offset, sold_out in ((3, False), (10, True), (11, False), (20, True), (29, False)):
            with self.subTest(offset=offset):
                rows = data_rows(fetch(on_day(offset)).body)
                self.assertEqual([row[:8] for row in rows], [row[:8] for row in today])
                self.assertEqual([[c == "--" for c in row[8:14]] for row in rows],
                                 [[c == "--" for c in row[8:14]] for row in today])
                cells = {cell for row in rows for cell in row[8:14]} - {"--"}
                self.assertEqual(cells == {"无"}, sold_out, cells)
                self.assertEqual(offset == 3, [r[8:] for r in rows] == [r[8:] for r in third])

    def test_pages_without_a_table_carry_the_sites_message(self):
        def day(offset):
            return str(TODAY() + datetime.timedelta(days=offset))
        cases = (
            (on_day(-1), "%s 已经过去，无法查询余票。" % day(-1)),
            (on_day(30), "%s 的车票尚未开售，本站预售期为 %s 至 %s。" % (day(30), day(0), day(29))),
            (on_day("xyz"), "日期“xyz”无法识别。"),
            (on_day("2026-02-30"), "日期“2026-02-30”无法识别。"),
            (on_day("%3Cb%3E%26"), "日期“<b>&”无法识别。"),
            (on_day("9" * 500), "日期“%s…”无法识别。" % ("9" * 40)),
            (b"/train.aspx?T=G9999&D=1", "没有找到车次 G9999。"),
            (b"/train.aspx?T=&D=1", "请输入车次。"),
            (b"/train.aspx?T=%3Cb%3E%00", "没有找到车次 <b>。"),
            (b"/train.aspx?T=" + b"G" * 33, "没有找到车次 %s…。" % ("G" * 32)),
        )
        for target, message in cases:
            with self.subTest(target=target):
                response = fetch(target)
                self.assertEqual(response.status, 200)
                div = result_div(response.body)
                self.assertIsNone(div.find("table"))
                self.assertEqual(div.find("p").text, message)

    def test_reserved_names_ignore_the_date(self):
        self.assertEqual(len(data_rows(fetch(on_day("xyz", b"fault-rows-3")).body)), 3)
        self.assertEqual(data_rows(fetch(on_day(-1, b"fault-slow-0")).body), data_rows(fetch(BJ_SH).body))


def grid_table(target):
    """A timetable or fare page's heading and rows of cell texts."""
    div = result_div(fetch(target).body)
    rows = [[cell.text if cell.find("a") is None else cell.find("a").text for cell in row]
            for row in div.find("table").findall("tr")]
    return div.find("h3").text, rows


class TimetablePageTest(unittest.TestCase):
    def test_g1_in_any_case_and_for_any_date(self):
        page = fetch(b"/train.aspx?T=G1&D=1")
        self.assertEqual(page.body.count(b"\n"), page.body.count(b"\r\n"))
        self.assertIn(b'<td><a href="/station.aspx?S=' + BJ + b'">' + BJ + b"</a></td>", page.body)
        self.assertEqual(grid_table(b"/train.aspx?T=G1&D=1"), ("G1 北京 → 上海", [
            ["站序", "站名", "到站时间", "出发时间", "停留", "里程"],
            ["1", "北京", "----", "07:00", "----", "0"], ["2", "济南", "08:28", "08:31", "3分", "406"],
            ["3", "南京", "10:43", "10:46", "3分", "1023"], ["4", "上海", "11:51", "----", "----", "1318"]]))
        for other in (b"/train.aspx?T=g1&D=1&C=2000-01-01", b"/TRAIN.aspx?T=%20G1%20&C=xyz"):
            self.assertEqual(fetch(other).body, page.body)

    def test_overnight_trains_wrap_past_midnight(self):
        for code in ("D901", "Z21", "T110", "K1351"):
            with self.subTest(code=code):
                stops = grid_table(b"/train.aspx?T=" + code.encode())[1][1:]
                self.assertEqual((stops[0][2], stops[-1][3]), ("----", "----"))
                times = [minutes(t) for stop in stops for t in stop[2:4] if t != "----"]
                steps = [(b - a) % 1440 for a, b in zip(times, times[1:])]
                self.assertTrue(any(b < a for a, b in zip(times, times[1:])))
                train = timetable.BY_CODE[code]
                self.assertEqual(sum(steps), train.stops[-1][1] - train.stops[0][2])
                self.assertEqual([stop[4] for stop in stops[1:-1]], ["%d分" % s for s in steps[1::2]])

    def test_reserved_codes_and_fault_prefixes(self):
        rows = grid_table(b"/train.aspx?T=Fault-Rows-5")[1]
        self.assertEqual([row[0] for row in rows[1:]], ["1", "2", "3", "4", "5"])
        self.assertEqual(fetch(b"/train.aspx?T=fault-rows-" + b"9" * 50).body.count(b"<tr><td>"), 100000)
        started = time.monotonic()
        self.assertEqual(grid_table(b"/train.aspx?T=fault-slow-300"), grid_table(b"/train.aspx?T=G1"))
        self.assertGreaterEqual(time.monotonic() - started, 0.3)
        self.assertEqual(dechunk(fetch(b"/fault/chunked/train.aspx?T=G1").body), fetch(b"/train.aspx?T=G1").body)
        self.assertEqual(fetch(b"/fault/redirect/train.aspx?T=G1&D=1").headers["location"],
                         "http://127.0.0.1:%d/train.aspx?T=G1&D=1" % PORT)


def fare_target(start, end, date=b""):
    return b"/fare.aspx?A=" + start + b"&B=" + end + b"&C=" + date


# First letter of a code ("" for a digit) -> yuan per km of its cheapest seat
# and that seat's fare's multiple in each class, None where none is sold.
HIGH_SPEED, CONVENTIONAL = (3.2, 1.6, 1, None, None, None, 1), (None, None, None, 1, 1.8, 2.8, 1)
FARE_KINDS = {"G": (0.46, HIGH_SPEED), "D": (0.37, (None,) + HIGH_SPEED[1:]), "C": (0.37, (None,) + HIGH_SPEED[1:]),
              "Z": (0.15, CONVENTIONAL), "T": (0.15, CONVENTIONAL), "K": (0.13, CONVENTIONAL),
              "": (0.12, CONVENTIONAL[:5] + (None, 1))}


class FarePageTest(unittest.TestCase):
    def test_fares_follow_distance_and_kind_for_the_query_pages_trains(self):
        for start, end in (("北京", "上海"), ("上海", "北京"), ("成都", "重庆"), ("北京", "广州")):
            with self.subTest(start=start, end=end):
                heading, rows = grid_table(fare_target(start.encode(), end.encode()))
                self.assertEqual((heading, rows[0][5:8]), ("%s 到 %s 票价" % (start, end), ["历时", "商务座", "一等座"]))
                query = data_rows(fetch(b"/Default.aspx?A=" + start.encode() + b"&B=" + end.encode()).body)
                self.assertEqual([row[:6] for row in rows[1:]], [row[2:8] for row in query])
                for row in rows[1:]:
                    rate, factors = FARE_KINDS[row[0][0] if row[0][0].isalpha() else ""]
                    km = timetable.trip_km(timetable.BY_CODE[row[0]], start, end)
                    for cell, factor in zip(row[6:], factors):
                        if factor is None or cell == "--":
                            self.assertEqual((cell, factor), ("--", None), row)
                        else:
                            self.assertRegex(cell, r"^[1-9][0-9]*\.[05]$")
                            self.assertLessEqual(abs(float(cell) - km * rate * factor), 0.25, row)

    def test_same_fares_every_day_and_the_querys_message_outside_its_days(self):
        table = grid_table(fare_target(BJ, SH))
        self.assertEqual(grid_table(fare_target(BJ, SH, day_text(29))), table)
        for day in (-1, 30, "xyz"):
            with self.subTest(day=day):
                fares = result_div(fetch(fare_target(BJ, SH, day_text(day))).body)
                self.assertIsNone(fares.find("table"))
                self.assertEqual(fares.find("p").text, result_div(fetch(on_day(day)).body).find("p").text)

    def test_reserved_names_and_fault_prefixes(self):
        self.assertEqual(len(grid_table(b"/fare.aspx?A=Fault-Rows-7&C=xyz")[1]), 1 + 7)
        self.assertEqual(fetch(b"/fare.aspx?A=fault-rows-" + b"9" * 50).body.count(b"<tr><td><a "), 100000)
        expected = grid_table(fare_target(BJ, SH))[1]
        expected[1][8], expected[2][7], expected[3][7] = "abc", None, "-12.5x"
        self.assertEqual(grid_table(b"/fare.aspx?A=FAULT-badfare&B=x&C=xyz")[1], expected)
        self.assertEqual(dechunk(fetch(b"/fault/chunked" + fare_target(BJ, SH)).body), fetch(fare_target(BJ, SH)).body)


class StationListTest(unittest.TestCase):
    def test_the_list_as_read_at_start(self):
        with open(os.path.join(ROOT, "res", "stations.txt"), "rb") as handle:
            expected = handle.read()
        for target in (b"/stations.txt", b"/stations.txt?v=1,0,0,35", b"/stations.txt?v=fault-other"):
            with self.subTest(target=target):
                page = fetch(target)
                self.assertEqual((page.status, page.headers["content-type"], page.headers["content-length"]),
                                 (200, "text/plain; charset=utf-8", str(len(expected))))
                self.assertEqual(page.body, expected)
        self.assertEqual(fetch(b"/stations.txt", b"HEAD").body, b"")
        self.assertEqual(dechunk(fetch(b"/fault/chunked/stations.txt").body), expected)
        for target in (b"/stations.txt?v=FAULT-missing", b"/fault/404/stations.txt", b"/Stations.txt"):
            self.assertEqual(fetch(target).status, 404, target)

    def test_damaged_and_large_lists(self):
        lines = fetch(b"/stations.txt").body.split(b"\n")[:-1]
        damaged = fetch(b"/stations.txt?v=Fault-Damaged").body
        middle, last = len(lines) // 2, len(lines) - 1
        self.assertEqual(station_list_test.problems(damaged + b"\n"),
                         ["line %d: not name|pinyin|initials|rank" % (n + 1) for n in (middle, last)])
        for n, line in enumerate(damaged.split(b"\n")):
            self.assertEqual(line, lines[n] if n not in (middle, last) else lines[n][:len(line)])
        large = fetch(b"/stations.txt?v=fault-large").body
        self.assertTrue(large.startswith(b"\n".join(lines) + b"\n"))
        self.assertEqual(station_list_test.problems(large), [])
        self.assertLess(demo_site.MAX_STATION_LIST, len(large))
        self.assertLessEqual(len(large), demo_site.MAX_STATION_LIST + 100)

    def test_unreadable_oversized_and_tiny_lists(self):
        with tempfile.TemporaryDirectory() as folder:
            big = os.path.join(folder, "big.txt")
            with open(big, "wb") as handle:
                handle.write(b"x" * (demo_site.MAX_STATION_LIST + 1))
            for path in (big, os.path.join(folder, "none.txt"), folder):
                self.assertEqual(demo_site.read_station_list(path), b"", path)
        tiny = b"tavora-stations 1\n\xe5\x8c\x97|bei|b|1\n"
        self.assertEqual(demo_site.damaged_station_list(tiny), tiny[:len(tiny) // 2])
        for data in (tiny, b"", b"\xff\n"):
            self.assertGreater(len(demo_site.large_station_list(data)), demo_site.MAX_STATION_LIST)


class RequestLogTest(unittest.TestCase):
    def setUp(self):
        self.assertEqual(fetch(b"/__log/clear", b"POST").status, 200)

    def log(self):
        response = fetch(b"/__log")
        self.assertEqual(response.headers["content-type"], "application/octet-stream")
        return response.body

    def test_raw_utf8_request_line_logged_verbatim(self):
        line = b"GET " + BJ_SH + b" HTTP/1.1"
        raw = exchange(line + b"\r\nHost: x\r\nConnection: close\r\n\r\n")
        self.assertEqual(split_head(raw).status, 200)
        self.assertEqual(self.log(), line + b"\n")
        with open(LOG_PATH, "rb") as handle:
            self.assertIn(line + b"\n", handle.read())

    def test_invalid_utf8_and_blank_logged_verbatim(self):
        line = b"GET /Default.aspx?A=\xff\xfe a&B=\xe4&C=&D=1&S=0 HTTP/1.1"
        exchange(line + b"\r\nConnection: close\r\n\r\n")
        self.assertEqual(self.log(), line + b"\n")

    def test_control_requests_not_logged_and_clear_works(self):
        fetch(b"/tavo/stat/install.php?i=10")
        self.assertEqual(self.log(), b"GET /tavo/stat/install.php?i=10 HTTP/1.1\n")
        self.assertEqual(fetch(b"/__log/clear").status, 200)
        self.assertEqual(self.log(), b"")

    def test_keep_alive_requests_each_logged(self):
        with socket.create_connection(("127.0.0.1", PORT), timeout=5) as sock:
            rfile = sock.makefile("rb")
            for target in (BJ_SH, b"/tavo/update.php?v=1,0,0,35"):
                sock.sendall(b"GET " + target + b" HTTP/1.1\r\nHost: x\r\n\r\n")
                self.assertEqual(read_response(rfile).status, 200)
        self.assertEqual(self.log(), b"GET " + BJ_SH + b" HTTP/1.1\n"
                         b"GET /tavo/update.php?v=1,0,0,35 HTTP/1.1\n")


def read_until_silent(test, target):
    """Everything the server sends for target before a second of silence;
    the test fails when the server closes the connection instead."""
    with socket.create_connection(("127.0.0.1", PORT), timeout=1) as sock:
        sock.sendall(b"GET " + target + b" HTTP/1.1\r\nHost: x\r\n\r\n")
        received = b""
        with test.assertRaises(socket.timeout):
            while True:
                piece = sock.recv(65536)
                test.assertTrue(piece, "the connection closed instead of staying silent")
                received += piece
    return received


def read_for(seconds, target, most=1 << 30):
    """What the server sends for target within the first seconds (at most most bytes)."""
    ends = time.monotonic() + seconds
    received = b""
    with socket.create_connection(("127.0.0.1", PORT), timeout=seconds) as sock:
        sock.sendall(b"GET " + target + b" HTTP/1.1\r\nHost: x\r\n\r\n")
        while len(received) < most and time.monotonic() < ends:
            sock.settimeout(max(0.01, ends - time.monotonic()))
            try:
                received += sock.recv(65536)
            except socket.timeout:
                break
    return received


class FaultTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.normal = fetch(BJ_SH).body
        cls.small = fetch(HEADER_ONLY).body

    def test_404(self):
        self.assertEqual(fetch(b"/fault/404" + BJ_SH).status, 404)

    def test_unknown_mode_and_path(self):
        self.assertEqual(fetch(b"/fault/bogus" + BJ_SH).status, 404)
        self.assertEqual(fetch(b"/nothing/here").status, 404)
        self.assertEqual(fetch(b"/").status, 404)

    def test_redirect(self):
        response = fetch(b"/fault/redirect" + BJ_SH)
        self.assertEqual(response.status, 302)
        location = response.headers["location"]
        self.assertEqual(location, "http://127.0.0.1:%d/Default.aspx?A=%%E5%%8C%%97%%E4%%BA%%AC"
                         "&B=%%E4%%B8%%8A%%E6%%B5%%B7&C=&D=1&S=0" % PORT)
        conn = http.client.HTTPConnection("127.0.0.1", PORT, timeout=5)
        conn.request("GET", location.split(str(PORT), 1)[1])
        self.assertEqual(conn.getresponse().read(), self.normal)
        conn.close()

    def test_zero_keeps_connection(self):
        with socket.create_connection(("127.0.0.1", PORT), timeout=5) as sock:
            rfile = sock.makefile("rb")
            sock.sendall(b"GET /fault/zero" + BJ_SH + b" HTTP/1.1\r\nHost: x\r\n\r\n")
            response = read_response(rfile)
            self.assertEqual((response.status, response.headers["content-length"],
                              response.body), (200, "0", b""))
            sock.sendall(b"GET " + BJ_SH + b" HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertEqual(read_response(rfile).body, self.normal)

    def test_chunked(self):
        response = fetch(b"/fault/chunked" + BJ_SH)
        self.assertEqual(response.status, 200)
        self.assertEqual(response.headers["transfer-encoding"], "chunked")
        self.assertNotIn("content-length", response.headers)
        self.assertEqual(dechunk(response.body), self.normal)

    def test_short(self):
        response = fetch(b"/fault/short" + BJ_SH)
        self.assertEqual(int(response.headers["content-length"]), 2 * len(self.normal))
        self.assertEqual(response.headers["connection"], "close")
        self.assertEqual(response.body, self.normal)

    def test_nul(self):
        response = fetch(b"/fault/nul" + BJ_SH)
        body = response.body
        self.assertEqual(int(response.headers["content-length"]), len(body))
        self.assertEqual(body.count(b"\0"), 1)
        at = body.index(b"\0")
        self.assertLess(abs(at - len(self.normal) // 2), 4)
        self.assertEqual(body[:at] + body[at + 1:], self.normal)
        body[:at].decode("utf-8")

    def test_trickle(self):
        started = time.monotonic()
        response = fetch(b"/fault/trickle" + HEADER_ONLY)
        elapsed = time.monotonic() - started
        self.assertEqual(response.body, self.small)
        self.assertEqual(int(response.headers["content-length"]), len(self.small))
        pauses = (len(self.small) - 1) // 500
        self.assertGreaterEqual(pauses, 3)
        self.assertGreaterEqual(elapsed, pauses * 0.02 * 0.8)

    def test_hugelen(self):
        response = fetch(b"/fault/hugelen" + BJ_SH)
        self.assertEqual(response.headers["content-length"], "4000000000")
        self.assertEqual(response.body, self.normal)

    def test_closemid(self):
        response = fetch(b"/fault/closemid" + BJ_SH)
        self.assertEqual(int(response.headers["content-length"]), len(self.normal))
        self.assertEqual(response.body, self.normal[:len(self.normal) // 2])

    def test_hang(self):
        with socket.create_connection(("127.0.0.1", PORT), timeout=1) as sock:
            sock.sendall(b"GET /fault/hang" + BJ_SH + b" HTTP/1.1\r\nHost: x\r\n\r\n")
            with self.assertRaises(socket.timeout):
                sock.recv(1)
        self.assertEqual(fetch(HEADER_ONLY).status, 200)

    def test_stall(self):
        received = read_until_silent(self, b"/fault/stall" + BJ_SH)
        head, _, body = received.partition(b"\r\n\r\n")
        self.assertIn(b"Content-Length: %d\r\n" % len(self.normal), head)
        self.assertEqual(body, self.normal[:len(self.normal) // 2])

    def test_offsite_leads_to_the_other_host_on_the_same_port(self):
        location = fetch(b"/fault/offsite" + BJ_SH).headers["location"]
        self.assertEqual(location.replace("127.0.0.2", "127.0.0.1", 1),
                         fetch(b"/fault/redirect" + BJ_SH).headers["location"])
        conn = http.client.HTTPConnection("127.0.0.2", PORT, timeout=5)
        conn.request("GET", location.split(str(PORT), 1)[1])
        self.assertEqual(conn.getresponse().read(), self.normal)
        conn.close()

    def test_drip_and_slowhead_send_one_byte_a_pause(self):
        for mode, whole_head in ((b"drip", True), (b"slowhead", False)):
            with self.subTest(mode=mode):
                received = read_for(1.1, b"/fault/" + mode + HEADER_ONLY)
                head, gap, body = received.partition(b"\r\n\r\n")
                self.assertEqual(bool(gap), whole_head)
                self.assertTrue(3 <= len(body if whole_head else head) <= 6, received)
                self.assertTrue((self.small if whole_head else b"HTTP/1.1 200 OK").startswith(body or head))

    def test_endless_sends_without_length_until_the_client_goes(self):
        received = read_for(1.0, b"/fault/endless/tavo/stat/install.php", 4 << 20)
        head, _, body = received.partition(b"\r\n\r\n")
        self.assertNotIn(b"Content-Length", head)
        self.assertEqual(body[:1 << 20], b"ok" * (1 << 19))

    def test_faults_nest_and_apply_to_any_path(self):
        response = fetch(b"/fault/short/tavo/tavoSetup.exe")
        self.assertEqual(int(response.headers["content-length"]), 2 * 65536)
        self.assertEqual(len(response.body), 65536)
        nested = fetch(b"/fault/chunked/fault/nul" + HEADER_ONLY)
        self.assertEqual(dechunk(nested.body).replace(b"\0", b"", 1), self.small)


def wire(mode):
    return b"/Default.aspx?A=fault-wire-" + mode + b"&B=" + SH + b"&C=&D=1&S=0"


class WireFaultTest(unittest.TestCase):
    """fault-wire-MODE breaks the Beijing query's answer as /fault/MODE/ does."""

    def test_each_mode_answers_as_its_fault_prefix(self):
        for mode in (b"404", b"zero", b"chunked", b"short", b"nul", b"trickle", b"hugelen", b"closemid"):
            with self.subTest(mode=mode):
                broken = fetch(wire(mode))
                prefixed = fetch(b"/fault/" + mode + BJ_SH)
                self.assertEqual(broken.status, prefixed.status)
                self.assertEqual(broken.body, prefixed.body)
                for name in ("content-length", "transfer-encoding", "connection"):
                    self.assertEqual(broken.headers.get(name), prefixed.headers.get(name), name)

    def test_name_is_case_blind_and_unknown_mode_is_not_found(self):
        self.assertEqual(fetch(wire(b"NUL")).body, fetch(b"/fault/nul" + BJ_SH).body)
        self.assertEqual(fetch(wire(b"bogus")).status, 404)
        self.assertEqual(fetch(wire(b"")).status, 404)

    def test_redirect_leads_to_the_beijing_query(self):
        response = fetch(wire(b"redirect"))
        self.assertEqual(response.status, 302)
        location = response.headers["location"]
        self.assertEqual(location, "http://127.0.0.1:%d/Default.aspx?A=%%E5%%8C%%97%%E4%%BA%%AC"
                         "&B=%%E4%%B8%%8A%%E6%%B5%%B7&C=&D=1&S=0" % PORT)
        self.assertEqual(fetch(location.split(str(PORT), 1)[1].encode("ascii")).body, fetch(BJ_SH).body)

    def test_hang_and_stall_keep_the_connection_silent(self):
        normal = fetch(BJ_SH).body
        for mode, expected in ((b"hang", b""), (b"stall", normal[:len(normal) // 2])):
            with self.subTest(mode=mode):
                received = read_until_silent(self, wire(mode))
                self.assertEqual(received.partition(b"\r\n\r\n")[2], expected)


class ProtocolTest(unittest.TestCase):
    def test_http_client_keep_alive_reuses_socket(self):
        conn = http.client.HTTPConnection("127.0.0.1", PORT, timeout=5)
        conn.request("GET", "/tavo/stat/install.php?i=10")
        self.assertEqual(conn.getresponse().read(), b"ok")
        first = conn.sock
        conn.request("GET", "/tavo/stat/uninstall.php?i=10")
        self.assertEqual(conn.getresponse().read(), b"ok")
        self.assertIs(conn.sock, first)
        conn.close()

    def test_http10_closes(self):
        raw = exchange(b"GET /tavo/stat/install.php?i=10 HTTP/1.0\r\n\r\n")
        response = split_head(raw)
        self.assertEqual((response.status, response.body), (200, b"ok"))
        self.assertEqual(response.headers["connection"], "close")

    def test_head(self):
        response = fetch(b"/tavo/tavoSetup.exe", b"HEAD")
        self.assertEqual(response.headers["content-length"], "65536")
        self.assertEqual(response.body, b"")

    def test_bad_requests(self):
        self.assertEqual(split_head(exchange(b"\x00\xff\r\n\r\n")).status, 400)
        self.assertEqual(split_head(exchange(b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n")).status, 414)
        self.assertEqual(fetch(b"/Default.aspx", b"DELETE").status, 405)
        self.assertEqual(fetch(b"/Default.aspx", b"POST").status, 405)
        huge = b"POST /__log/clear HTTP/1.1\r\nContent-Length: " + b"9" * 5000 + b"\r\n\r\n"
        self.assertEqual(split_head(exchange(huge)).status, 413)
        self.assertEqual(fetch(b"/tavo/stat/install.php?i=10").status, 200)

    def test_absolute_form_target(self):
        response = fetch(b"http://127.0.0.1:%d/tavo/stat/install.php?i=10" % PORT)
        self.assertEqual(response.body, b"ok")


class UpdateServerTest(unittest.TestCase):
    def ini(self, target):
        response = fetch(target)
        self.assertEqual(response.status, 200)
        self.assertTrue(response.headers["content-type"].startswith("text/plain"))
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        if response.body.startswith(b"\xff\xfe"):
            parser.read_string(response.body[2:].decode("utf-16-le"))
        else:
            parser.read_string(response.body.decode("utf-8"))
        return parser

    def setup_url(self, suffix=""):
        return "http://127.0.0.1:%d/tavo/tavoSetup.exe%s" % (PORT, suffix)

    def test_default_ini(self):
        ini = self.ini(b"/tavo/update.php?v=1,0,0,35")
        self.assertEqual(ini["Version"]["CurrentVersion"], "1,2,3,4")
        self.assertEqual(dict(ini["DownloadUrls"]),
                         {"url01": self.setup_url(), "url02": self.setup_url()})
        self.assertEqual(ini["Tip"]["ShowTip"], "0")
        self.assertEqual(ini["Tip"]["CloseCommand"], "2")
        self.assertIn("Msg", ini["Tip"])
        self.assertIn("Caption", ini["Tip"])

    def test_versions(self):
        for name, version in (("newer", "1,0,0,36"), ("same", "1,0,0,35"),
                              ("older", "0,9,9,99"), ("minor", "1,0,1,0"),
                              ("badversion", "1.0.0.36")):
            ini = self.ini(b"/ini/%s/tavo/update.php?v=1,0,0,35" % name.encode())
            self.assertEqual(ini["Version"]["CurrentVersion"], version, name)
        self.assertFalse(self.ini(b"/ini/noversion/tavo/update.php?v=1").has_section("Version"))

    def test_url_lists(self):
        self.assertFalse(self.ini(b"/ini/nourl/tavo/update.php?v=1").has_section("DownloadUrls"))
        self.assertEqual(dict(self.ini(b"/ini/emptyurl/tavo/update.php?v=1")["DownloadUrls"]),
                         {"url01": ""})
        self.assertEqual(dict(self.ini(b"/ini/three/tavo/update.php?v=1")["DownloadUrls"]),
                         {"url%02d" % n: self.setup_url("?n=%d" % n) for n in (1, 2, 3)})
        self.assertEqual(dict(self.ini(b"/ini/gap/tavo/update.php?v=1")["DownloadUrls"]),
                         {"url01": self.setup_url("?n=1"), "url03": self.setup_url("?n=3")})
        missing = self.ini(b"/ini/missingsetup/tavo/update.php?v=1")["DownloadUrls"]["url01"]
        self.assertEqual(fetch(missing.split(str(PORT), 1)[1].encode()).status, 404)

    def test_tip_and_close(self):
        for name in ("tip", "tip16"):
            tip = self.ini(b"/ini/%s/tavo/update.php?v=1" % name.encode())["Tip"]
            self.assertEqual(tip["ShowTip"], "1")
            self.assertEqual(tip["Msg"], "第一行\\n第二行")
        self.assertEqual(self.ini(b"/ini/close8/tavo/update.php?v=1")["Tip"]["CloseCommand"], "8")
        self.assertNotIn("CloseCommand", self.ini(b"/ini/noclose/tavo/update.php?v=1")["Tip"])

    def test_ini_lines_end_with_crlf(self):
        body = fetch(b"/ini/newer/tavo/update.php?v=1").body
        self.assertEqual(body.count(b"\n"), body.count(b"\r\n"))

    def test_unknown_variant(self):
        self.assertEqual(fetch(b"/ini/bogus/tavo/update.php?v=1").status, 404)
        self.assertEqual(fetch(b"/ini/newer/tavo/other.php").status, 404)

    def test_setup_download(self):
        url = self.ini(b"/ini/three/tavo/update.php?v=1")["DownloadUrls"]["url02"]
        response = fetch(url.split(str(PORT), 1)[1].encode())
        self.assertEqual(response.status, 200)
        self.assertEqual(response.headers["content-type"], "application/octet-stream")
        self.assertEqual(len(response.body), 65536)
        self.assertTrue(response.body.startswith(b"MZ"))
        self.assertEqual(fetch(b"/tavo/tavoSetup.exe").body, response.body)

    def verify(self, signature_text, data):
        key = sign_release.load_key(os.path.join(TOOLS, "update_test_signing_key.pem"))
        raw = bytes.fromhex(signature_text)
        self.assertEqual(len(raw), 64)
        signature = encode_dss_signature(int.from_bytes(raw[:32], "big"),
                                         int.from_bytes(raw[32:], "big"))
        try:
            key.public_key().verify(signature, data, ec.ECDSA(hashes.SHA256()))
            return True
        except InvalidSignature:
            return False

    def test_signatures(self):
        setup = fetch(b"/tavo/tavoSetup.exe").body
        tampered = fetch(b"/tavo/tampered/tavoSetup.exe").body
        self.assertEqual(len(tampered), len(setup))
        self.assertEqual(sum(a != b for a, b in zip(setup, tampered)), 1)
        for name in ("newer", "one", "tampered", "chunkedsetup", "stallsetup"):
            version = self.ini(b"/ini/%s/tavo/update.php?v=1" % name.encode())["Version"]
            offered = version["CurrentVersion"]
            self.assertTrue(self.verify(version["Signature"], sign_release.offer_text(offered, setup)), name)
            self.assertFalse(self.verify(version["Signature"], sign_release.offer_text(offered, tampered)), name)
            self.assertFalse(self.verify(version["Signature"], sign_release.offer_text("9,0,0,0", setup)), name)
        self.assertNotIn("Signature", self.ini(b"/ini/unsigned/tavo/update.php?v=1")["Version"])
        self.assertEqual(self.ini(b"/ini/badsig/tavo/update.php?v=1")["Version"]["Signature"], "00" * 64)
        self.assertEqual(dict(self.ini(b"/ini/one/tavo/update.php?v=1")["DownloadUrls"]),
                         {"url01": self.setup_url()})

    def test_not_an_ini(self):
        response = fetch(b"/ini/notini/tavo/update.php?v=1")
        self.assertEqual(response.status, 200)
        self.assertNotIn(b"[Version]", response.body)
        self.assertTrue(response.body.startswith(b"<html>"))

    def test_recorder_setup_is_served_and_signed(self):
        workdir = tempfile.mkdtemp(prefix="demo_site_recorder")
        program = os.path.join(workdir, "record.exe")
        with open(program, "wb") as handle:
            handle.write(b"MZ recorder program bytes")
        proc, port, _, _ = start_server(workdir, "--setup-program", program)
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=5) as sock:
                sock.sendall(b"GET /ini/recorder/tavo/update.php?v=1 HTTP/1.0\r\n\r\n"
                             b"")
                raw = b""
                while True:
                    piece = sock.recv(65536)
                    if not piece:
                        break
                    raw += piece
            parser = configparser.ConfigParser(interpolation=None)
            parser.optionxform = str
            parser.read_string(raw.partition(b"\r\n\r\n")[2].decode("utf-8"))
            self.assertTrue(parser["DownloadUrls"]["url01"].endswith("/tavo/recorder/tavoSetup.exe"))
            self.assertTrue(self.verify(parser["Version"]["Signature"],
                                        sign_release.offer_text(parser["Version"]["CurrentVersion"],
                                                                b"MZ recorder program bytes")))
        finally:
            stop_server(proc)
            shutil.rmtree(workdir, ignore_errors=True)
        self.assertEqual(fetch(b"/tavo/recorder/tavoSetup.exe").status, 404)

    def test_stat_pages(self):
        for page in (b"/tavo/stat/install.php?i=10", b"/tavo/stat/uninstall.php?i=10"):
            response = fetch(page)
            self.assertEqual((response.status, response.body), (200, b"ok"))
        self.assertEqual(fetch(b"/tavo/stat/other.php?i=10").status, 404)


class TimetableTest(unittest.TestCase):
    def test_stations(self):
        wanted = ("北京 上海 广州 南京 杭州 武汉 西安 成都 重庆 深圳 天津 沈阳 长沙 郑州 济南 "
                  "合肥 福州 厦门 昆明 贵阳 南宁 兰州 太原 石家庄 哈尔滨 长春 大连 青岛 苏州 "
                  "无锡 宁波 南昌 乌鲁木齐 呼和浩特 银川 西宁 拉萨 海口 徐州 洛阳").split()
        self.assertGreaterEqual(len(timetable.STATIONS), 40)
        self.assertTrue(set(wanted) <= set(timetable.STATIONS))
        served = {stop[0] for train in timetable.TRAINS for stop in train.stops}
        self.assertEqual(served, set(timetable.STATIONS))

    def test_trains(self):
        codes = [train.code for train in timetable.TRAINS]
        self.assertEqual(len(codes), len(set(codes)))
        self.assertEqual({train.kind for train in timetable.TRAINS}, set(timetable.KINDS))
        for train in timetable.TRAINS:
            times = [t for stop in train.stops for t in stop[1:] if t is not None]
            self.assertEqual(times, sorted(times), train.code)
            self.assertIsNone(train.stops[0][1])
            self.assertIsNone(train.stops[-1][2])


if __name__ == "__main__":
    unittest.main()
