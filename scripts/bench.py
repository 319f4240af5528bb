#!/usr/bin/env python3
"""The figures of scripts/bench: albumdl against its peers, measured in one run.

Serves generated boards (the board answer and pages as the stand-in site gives
them, pictures of 50,000 bytes) from nginx on loopback, out of a tmpfs, and
times albumdl against curl, wget and aria2c fetching the same pictures, in
interleaved rounds. Prints one table per figure and writes the generated part
of docs/performance.md. Run through scripts/bench, which installs and builds
what this needs first; `scripts/bench profile` runs the profile instead.
"""

import argparse
import datetime
import glob
import hashlib
import json
import os
import platform
import random
import re
import shutil
import signal
import socket
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

PICTURE_BYTES = 50_000
POOL_PICTURES = 10_000  # every board takes its pictures from the front of one pool
FIRST_PIN_ID = 710_000_000  # pin ids fall from here, newest first as the site lists them
PAGE_SIZE = 100
BOARDS = {"b100": 100, "b200": 200, "b1000": 1000, "b2000": 2000, "b10000": 10000}
THROUGHPUT_BOARD = "b2000"
PACING_BOARD = "b100"
LANES_BOARD = "b2000"
LANES = 4
# One lane on the 2,000-picture board with latency would take minutes at
# --pace 1 (2,000 x 150 ms): its time is derived from the same run on boards
# of 100 and 200 pictures, whose difference is the cost of 100 more pictures
# (start-up and pauses before the first page cancel out). --lanes-full
# measures it on the whole board as well, to check the derivation.
LANES_SHORT_BOARDS = ("b100", "b200")
LATENCY_MS = 50
STORE_FOLDER = "防止重复下载数据库"

# Pauses an album of n pictures must make at --pace 1: one second after the
# album answer (the album list), one second before its first page, and 100 ms
# after every picture. Pages are paused only between failed attempts.
def pacing_floor_ms(pictures):
    return 1000 + 1000 + 100 * pictures


# ---------------------------------------------------------------- the data


def pin_id(i):
    return FIRST_PIN_ID - i


def picture_key(i):
    return f"p-{i}.jpg"


def board_title(n):
    return f"基准画板 {n}张"


def dump(value):
    # As the site dumps: no blanks, UTF-8 as it is.
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


def board_answer(board_id, n):
    return dump({"board": {"board_id": board_id, "title": board_title(n), "pin_count": n,
                           "user": {"user_id": 1, "username": "demo"}, "is_private": False}})


def board_pages(board_id, n):
    """(file name, text) of every page a download asks for: the page after pin
    max is page-<max>.json, the first page-.json; the one after the last pin is empty."""
    pages = []
    last = ""
    for start in range(0, n + 1, PAGE_SIZE):
        pins = [{"pin_id": pin_id(i), "file": {"key": picture_key(i), "type": "image/jpeg"}}
                for i in range(start + 1, min(start + PAGE_SIZE, n) + 1)]
        pages.append((f"page-{last}.json", dump({"board": {"board_id": board_id, "pins": pins}})))
        if not pins:
            break
        last = str(pins[-1]["pin_id"])
    if pages[-1][1].find('"pins":[]') < 0:
        pages.append((f"page-{last}.json", dump({"board": {"board_id": board_id, "pins": []}})))
    return pages


def page_paths(board_id, n):
    """The request targets of the album answer and the pages, as albumdl sends them."""
    targets = [f"/boards/{board_id}/"]
    for name, _ in board_pages(board_id, n):
        last = name[len("page-"):-len(".json")]
        targets.append(f"/boards/{board_id}/?isgtq0gn&max={last}&limit={PAGE_SIZE}&wfl=1")
    return targets


def picture_bytes(i, pool):
    head = f"\xff\xd8\xff\xe0albumdl bench {picture_key(i)}".encode("latin-1").ljust(32, b" ")
    offset = (i * 7919) % len(pool)
    body = (pool[offset:] + pool[:offset])[: PICTURE_BYTES - len(head)]
    return head + body


class Data:
    """The site's files on a tmpfs, and the digest of every board's pictures."""

    def __init__(self, site):
        self.site = site
        self.digests = {}  # pictures -> sha256 over pictures 1..n, in order
        pool = random.Random(20240601).randbytes(PICTURE_BYTES)
        os.makedirs(os.path.join(site, "img"))
        wanted = sorted(BOARDS.values())
        sha = hashlib.sha256()
        for i in range(1, POOL_PICTURES + 1):
            data = picture_bytes(i, pool)
            sha.update(data)
            with open(os.path.join(site, "img", picture_key(i)), "wb") as f:
                f.write(data)
            if i in wanted:
                self.digests[i] = sha.hexdigest()
        for board_id, n in BOARDS.items():
            folder = os.path.join(site, "boards", board_id)
            os.makedirs(folder)
            with open(os.path.join(folder, "answer.json"), "w", encoding="utf-8") as f:
                f.write(board_answer(board_id, n))
            for name, text in board_pages(board_id, n):
                with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                    f.write(text)


def check_files(paths, n, digest):
    """Every picture there, 50,000 bytes each, and the digest over all of them
    equal to the source's. Returns an error text, empty when all is well."""
    sha = hashlib.sha256()
    for path in paths:
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            return f"missing {os.path.basename(path)}"
        if len(data) != PICTURE_BYTES:
            return f"{os.path.basename(path)} has {len(data)} bytes"
        sha.update(data)
    if len(paths) != n:
        return f"{len(paths)} files for {n} pictures"
    if sha.hexdigest() != digest:
        return "the bytes differ from the source"
    return ""


# ---------------------------------------------------------------- nginx


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


ECHO_MODULE = "/usr/lib/nginx/modules/ngx_http_echo_module.so"

NGINX_CONF = r"""
{load_echo}
worker_processes 1;
daemon off;
pid {prefix}/nginx.pid;
error_log {prefix}/error.log warn;
events {{ worker_connections 1024; }}
http {{
  access_log {prefix}/access.log;
  client_body_temp_path {prefix}/tmp/body;
  proxy_temp_path {prefix}/tmp/proxy;
  fastcgi_temp_path {prefix}/tmp/fastcgi;
  sendfile on;
  tcp_nopush on;
  tcp_nodelay on;
  keepalive_timeout 60;
  keepalive_requests 1000000;
  types {{ image/jpeg jpg; }}
  default_type application/octet-stream;

  # The album answer has no query; a page asks for the pins after "max", and
  # only the exact query the program sends finds its file.
  map $uri $board_id {{
    "~^/boards/(?<b>[A-Za-z0-9_-]+)/$" $b;
    default "";
  }}
  map $args $board_doc {{
    "" answer.json;
    "~^isgtq0gn&max=(?<last>[0-9]*)&limit=100&wfl=1$" page-$last.json;
    default "-";
  }}
  # The site's album answers set two cookies; its pages set none.
  map $args $visit_cookie {{ "" "visit=1; Path=/"; default ""; }}
  map $args $lang_cookie {{ "" "lang=zh; Path=/"; default ""; }}

  server {{
    listen 127.0.0.1:{port};
    root {site};
    location ~ "^/boards/[A-Za-z0-9_-]+/$" {{
      types {{ }}
      default_type "application/json; charset=utf-8";
      add_header Set-Cookie $visit_cookie;
      add_header Set-Cookie $lang_cookie;
      try_files /boards/$board_id/$board_doc =404;
    }}
    location /img/ {{ }}
    location / {{ return 404; }}
  }}

{slow_server}}}
"""


SLOW_SERVER = r"""
  # The same site with {latency_ms} ms added to every answer, as a distant
  # server would take.
  server {
    listen 127.0.0.1:{slow_port};
    root {site};
    location ~ "^/boards/[A-Za-z0-9_-]+/$" {
      echo_sleep {latency_s};
      echo_exec @board;
    }
    location @board {
      types { }
      default_type "application/json; charset=utf-8";
      add_header Set-Cookie $visit_cookie;
      add_header Set-Cookie $lang_cookie;
      try_files /boards/$board_id/$board_doc =404;
    }
    location /img/ {
      echo_sleep {latency_s};
      echo_exec @picture;
    }
    location @picture { }
    location / { return 404; }
  }
"""


class Nginx:
    def __init__(self, work, site):
        self.prefix = os.path.join(work, "nginx")
        os.makedirs(os.path.join(self.prefix, "tmp"))
        self.port = free_port()
        # The server with latency needs the echo module, which Debian's nginx-light
        # brings along; without it there is no such server and no figure 7.
        self.slow_port = None
        slow = ""
        if os.path.exists(ECHO_MODULE):
            self.slow_port = free_port()
            while self.slow_port == self.port:
                self.slow_port = free_port()
            # Not str.format: the nginx blocks' braces are written as they are.
            slow = (SLOW_SERVER.replace("{slow_port}", str(self.slow_port))
                    .replace("{site}", site).replace("{latency_ms}", str(LATENCY_MS))
                    .replace("{latency_s}", str(LATENCY_MS / 1000)))
        conf = os.path.join(self.prefix, "nginx.conf")
        with open(conf, "w") as f:
            f.write(NGINX_CONF.format(
                prefix=self.prefix, site=site, port=self.port, slow_server=slow,
                load_echo=f"load_module {ECHO_MODULE};" if self.slow_port else ""))
        self.argv = ["nginx", "-p", self.prefix, "-e", os.path.join(self.prefix, "error.log"),
                     "-c", conf]
        self.proc = subprocess.Popen(self.argv, stdin=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not (listening(self.port) and (self.slow_port is None or listening(self.slow_port))):
            if self.proc.poll() is not None or time.time() > deadline:
                raise SystemExit("bench: nginx did not start:\n" + self.error_log())
            time.sleep(0.05)

    def error_log(self):
        try:
            with open(os.path.join(self.prefix, "error.log")) as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGQUIT)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def site(self, slow=False):
        return f"http://127.0.0.1:{self.slow_port if slow else self.port}"


# ---------------------------------------------------------------- running


class Run:
    """One measured process: wall time, CPU time, peak memory and page faults."""

    def __init__(self, wall, cpu, maxrss_kb, minflt, status, log):
        self.wall = wall
        self.cpu = cpu
        self.maxrss_kb = maxrss_kb
        self.minflt = minflt
        self.status = status
        self.log = log


def measure(argv, log, env=None):
    """Runs argv under GNU time, which reports the peak memory and the page
    faults of the program alone: a child forked from this Python process would
    carry Python's own peak (some 25 MB) in its ru_maxrss. The CPU time comes
    from wait4, at microsecond resolution (time's own share is a millisecond)."""
    report = log + ".time"
    start = time.perf_counter()
    with open(log, "wb") as out:
        proc = subprocess.Popen(["/usr/bin/time", "-o", report, "-f", "%M %R %x"] + argv,
                                stdout=out, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, env=env)
        _, status, ru = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    maxrss_kb = minflt = 0
    with open(report) as f:
        for line in f:  # "Command exited with non-zero status N" may come first
            fields = line.split()
            if len(fields) == 3 and all(x.lstrip("-").isdigit() for x in fields):
                maxrss_kb, minflt = int(fields[0]), int(fields[1])
    return Run(wall, ru.ru_utime + ru.ru_stime, maxrss_kb, minflt, proc.returncode, log)


def tail(path, lines=15):
    try:
        with open(path, "rb") as f:
            return b"".join(f.readlines()[-lines:]).decode("utf-8", "replace")
    except OSError:
        return ""


def clean_env():
    env = dict(os.environ)
    env.pop("ALBUMDL_PACE", None)
    env.pop("ALBUMDL_HOME", None)
    return env


class Bench:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.albumdl = os.path.join(self.build, "src", "albumdl")
        self.env = clean_env()
        # Pictures and their copies live on a tmpfs, so the disk is not what is
        # measured; the program directory (the record stores) on the disk the
        # temporary folder is on, where a user's would be.
        shm = "/dev/shm" if os.path.isdir("/dev/shm") else None
        self.work = tempfile.mkdtemp(prefix="albumdl-bench-", dir=shm)
        # nginx's worker runs as another user when it is started by root.
        os.chmod(self.work, 0o755)
        self.disk_work = tempfile.mkdtemp(prefix="albumdl-bench-home-")
        self.out = os.path.join(self.work, "out")
        os.makedirs(self.out)
        self.nginx = None
        self.data = None
        self.commands = []  # (figure, command text), for the document
        self.sections = []  # (title, table lines, notes)
        self.raw = {}

    def close(self):
        if self.nginx:
            self.nginx.stop()
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.disk_work, ignore_errors=True)

    def start(self):
        self.load_at_start = "%.2f %.2f %.2f" % os.getloadavg()
        t = time.perf_counter()
        self.data = Data(os.path.join(self.work, "site"))
        self.nginx = Nginx(self.work, os.path.join(self.work, "site"))
        print(f"bench: {len(BOARDS)} boards and {POOL_PICTURES} pictures generated on "
              f"{self.work}, nginx on port {self.nginx.port} (with latency: "
              f"{self.nginx.slow_port or 'none'}) "
              f"({time.perf_counter() - t:.1f} s)", flush=True)

    # ---- the contenders

    def board_url(self, board_id, slow=False):
        return f"{self.nginx.site(slow)}/boards/{board_id}/"

    def ours_argv(self, board_id, out, home, pace="0", slow=False, extra=()):
        site = self.nginx.site(slow)
        return [self.albumdl, "--pace", pace, "--all", "-q", "--site", site,
                "--image-host", site + "/img", "-o", out, "--home", home, *extra,
                self.board_url(board_id, slow)]

    def album_folder(self, out, board_id):
        found = glob.glob(os.path.join(out, f"*_{board_id}"))
        return found[0] if len(found) == 1 else None

    def check_ours(self, out, home, board_id, n):
        folder = self.album_folder(out, board_id)
        if folder is None:
            return "no album folder"
        names = sorted(os.listdir(folder))
        expected = [f"{i}_{pin_id(i)}.jpg" for i in range(1, n + 1)]
        if sorted(expected) != names:
            return f"{len(names)} files in the album folder for {n} pictures"
        error = check_files([os.path.join(folder, name) for name in expected], n,
                            self.data.digests[n])
        if error:
            return error
        store = os.path.join(home, STORE_FOLDER, board_id + ".edb")
        try:
            db = sqlite3.connect(f"file:{store}?mode=ro", uri=True)
            ids = {row[0] for row in db.execute("SELECT photo_id FROM photos")}
            db.close()
        except sqlite3.Error as e:
            return f"record store unreadable: {e}"
        if ids != {str(pin_id(i)) for i in range(1, n + 1)}:
            return f"the record store holds {len(ids)} ids for {n} pictures"
        return ""

    def peer_lists(self, n, out):
        """The picture addresses as curl's config (with output names) and as a list."""
        urls = [f"{self.nginx.site()}/img/{picture_key(i)}" for i in range(1, n + 1)]
        config = os.path.join(self.work, f"curl-{n}.conf")
        listing = os.path.join(self.work, f"urls-{n}.txt")
        with open(config, "w") as f:
            for i, url in enumerate(urls, 1):
                f.write(f'url = "{url}"\noutput = "{out}/{picture_key(i)}"\n')
        with open(listing, "w") as f:
            f.write("\n".join(urls) + "\n")
        return config, listing

    def profiled_argv(self, tool, board_id, out, home):
        """albumdl or curl fetching a board's pictures into out, for the profiles."""
        if tool == "albumdl":
            return self.ours_argv(board_id, out, home)
        config, listing = self.peer_lists(BOARDS[board_id], out)
        return self.peer_argv("curl", config, listing, out)

    def peer_argv(self, tool, config, listing, out):
        if tool == "curl":
            return ["curl", "-q", "-s", "-f", "-K", config]
        if tool == "wget":
            return ["wget", "--no-config", "-q", "-i", listing, "-P", out]
        if tool == "aria2c":
            return ["aria2c", "--no-conf", "-q", "-j1", "-i", listing, "-d", out,
                    "--file-allocation=none", "--allow-overwrite=true",
                    "--auto-file-renaming=false"]
        raise ValueError(tool)

    def check_peer(self, out, n):
        paths = [os.path.join(out, picture_key(i)) for i in range(1, n + 1)]
        extra = set(os.listdir(out)) - {picture_key(i) for i in range(1, n + 1)}
        if extra:
            return f"unexpected files: {sorted(extra)[:3]}"
        return check_files(paths, n, self.data.digests[n])

    def one(self, tool, board_id, round_no, pace="0", slow=False, extra=(), keep=False):
        """Runs one contender on a fresh folder; returns (Run, error text, and the
        save and home folders when keep is asked for and albumdl succeeded)."""
        n = BOARDS[board_id]
        tag = f"{tool}-{board_id}-{round_no}"
        out = os.path.join(self.out, tag)
        os.makedirs(out)
        log = os.path.join(self.work, tag + ".log")
        if tool == "albumdl":
            home = os.path.join(self.disk_work, tag)
            run = measure(self.ours_argv(board_id, out, home, pace, slow, extra), log, self.env)
            error = self.check_ours(out, home, board_id, n) if run.status == 0 else ""
        else:
            config, listing = self.peer_lists(n, out)
            run = measure(self.peer_argv(tool, config, listing, out), log, self.env)
            error = self.check_peer(out, n) if run.status == 0 else ""
        if run.status != 0:
            error = f"exit status {run.status}: {tail(log)}"
        if tool == "albumdl" and not error and keep:
            return run, error, out, home
        shutil.rmtree(out, ignore_errors=True)
        if tool == "albumdl":
            shutil.rmtree(home, ignore_errors=True)
        return run, error, None, None

    def fail(self, what, error):
        raise SystemExit(f"bench: {what}: {error}")

    # ---- figure 1

    def throughput(self):
        board = THROUGHPUT_BOARD
        n = BOARDS[board]
        rounds = self.args.rounds
        tools = ["albumdl", "curl", "wget", "aria2c"]
        runs = {t: [] for t in tools + ["albumdl-again", "curl-pages"]}
        # One round that is not counted: the first run after the build and
        # nginx's first look at each file pay for cold caches, and would
        # count against whichever contender comes first.
        for tool in tools:
            _, error, _, _ = self.one(tool, board, "warm-up")
            if error:
                self.fail(f"{tool}, warm-up", error)
        for r in range(rounds):
            order = tools[r % len(tools):] + tools[: r % len(tools)]
            for tool in order:
                if tool == "albumdl":
                    # Kept for a second run that finds every picture on record:
                    # what the pages and the look-ups cost without a picture.
                    run, error, out, home = self.one(tool, board, r, keep=True)
                    if error:
                        self.fail(f"albumdl, round {r + 1}", error)
                    again = measure(self.ours_argv(board, out, home, extra=["--skip-downloaded"]),
                                    os.path.join(self.work, f"again-{r}.log"), self.env)
                    if again.status != 0:
                        self.fail("albumdl --skip-downloaded", tail(again.log))
                    runs["albumdl-again"].append(again)
                    shutil.rmtree(out, ignore_errors=True)
                    shutil.rmtree(home, ignore_errors=True)
                else:
                    run, error, _, _ = self.one(tool, board, r)
                    if error:
                        self.fail(f"{tool}, round {r + 1}", error)
                runs[tool].append(run)
            runs["curl-pages"].append(self.curl_pages(board, n, r))
            print(f"bench: throughput round {r + 1}/{rounds} done", flush=True)

        def stats(tool_runs):
            walls = [x.wall / n for x in tool_runs]
            return (min(walls), statistics.median(walls),
                    statistics.median(x.cpu for x in tool_runs) / n,
                    statistics.median(x.minflt for x in tool_runs) / n)

        base = stats(runs["curl"])
        lines = [["contender", "µs/picture min", "µs/picture median", "× curl (min)",
                  "× curl (median)", "CPU µs/picture", "× curl (CPU)", "page faults/picture"]]
        names = {"albumdl": "albumdl (ours)", "curl": "curl -K (one process, keep-alive)",
                 "wget": "wget -i", "aria2c": "aria2c -j1 -i",
                 "albumdl-again": "albumdl again, all on record (pages + look-ups only)",
                 "curl-pages": "curl, the album answer and the pages only"}
        for tool in tools + ["albumdl-again", "curl-pages"]:
            low, mid, cpu, faults = stats(runs[tool])
            ratios = ([f"{low / base[0]:.2f}", f"{mid / base[1]:.2f}"] if tool in tools
                      else ["", ""])
            lines.append([names[tool], us(low), us(mid), *ratios, us(cpu),
                          f"{cpu / base[2]:.2f}" if tool in tools else "", f"{faults:.1f}"])
        notes = [
            f"{n} pictures of {PICTURE_BYTES:,} bytes from nginx on 127.0.0.1, board "
            f"{board}, --pace 0; {rounds} rounds after one that is not counted (cold caches), "
            "the contenders' order rotating each round. "
            "µs/picture = the wall time of the whole process (start to exit) over the pictures; "
            "CPU = the process's user + system time (the server's is not counted); page faults "
            "= minor faults. On a machine shared with other work the minimum is the best "
            "guess of the time alone; the CPU time moves less with the load than the wall "
            "time does.",
            "Checked after every run: every file there, 50,000 bytes each, SHA-256 over all "
            f"of them equal to the source's ({self.data.digests[n][:16]}...); for albumdl also "
            f"the record store holding exactly the {n} photo ids.",
            f"albumdl does more than the peers: it asks for the album answer and the "
            f"{len(page_paths(board, n)) - 1} board pages (JSON, parsed), writes each picture "
            "under a temporary name and renames it into place, and records every photo id in "
            "its SQLite record store (one commit per picture) on the disk. The peers only "
            "fetch the 2,000 picture addresses they are handed. The last two rows show "
            "the share of that extra work: albumdl run again over the same folder with "
            "--skip-downloaded (every page fetched, every id looked up, no picture), and "
            "curl fetching the same album answer and pages.",
        ]
        self.raw["throughput"] = {k: [vars_of(x) for x in v] for k, v in runs.items()}
        self.add_section("1. Throughput at --pace 0: 2,000 pictures of 50 kB", lines, notes)
        out = "OUT"
        config, listing = "curl.conf", "urls.txt"
        self.commands += [
            ("1", self.shown(self.ours_argv(board, out, "HOME"))),
            ("1", "(again) same + --skip-downloaded, same OUT and HOME"),
            ("1", " ".join(self.peer_argv("curl", config, listing, out)) +
             "   # curl.conf: url = \".../img/p-N.jpg\" / output = \"OUT/p-N.jpg\" pairs"),
            ("1", " ".join(self.peer_argv("wget", config, listing, out))),
            ("1", " ".join(self.peer_argv("aria2c", config, listing, out))),
        ]

    def curl_pages(self, board, n, r):
        config = os.path.join(self.work, f"pages-{board}.conf")
        with open(config, "w") as f:
            for target in page_paths(board, n):
                f.write(f'url = "{self.nginx.site()}{target}"\noutput = "/dev/null"\n')
        run = measure(["curl", "-q", "-s", "-f", "-H", "X-Requested-With: XMLHttpRequest",
                       "-K", config], os.path.join(self.work, f"pages-{r}.log"), self.env)
        if run.status != 0:
            self.fail("curl fetching the pages", tail(run.log))
        return run

    # ---- figure 2

    def memory(self):
        rounds = self.args.memory_rounds
        boards = ["b1000", "b10000"]
        # albumdl with lanes too, on the large board: each lane holds one picture.
        lanes_board = boards[-1]
        runs = {(t, b): [] for t in ("albumdl", "curl") for b in boards}
        runs[("albumdl-lanes", lanes_board)] = []
        for r in range(rounds):
            for b in boards:
                order = ["albumdl", "curl"] if r % 2 == 0 else ["curl", "albumdl"]
                if b == lanes_board:
                    order.append("albumdl-lanes")
                for tool in order:
                    extra = ["--jobs", str(LANES)] if tool == "albumdl-lanes" else []
                    run, error, _, _ = self.one(tool.split("-")[0], b, f"m{r}{tool}", extra=extra)
                    if error:
                        self.fail(f"{tool} on {b}", error)
                    runs[(tool, b)].append(run)
            print(f"bench: memory round {r + 1}/{rounds} done", flush=True)
        lines = [["pictures", "albumdl max RSS MB (min / median)",
                  "curl -K max RSS MB (min / median)", "× curl (median)"]]
        for tool, b in [("albumdl", b) for b in boards] + [("albumdl-lanes", lanes_board)]:
            n = BOARDS[b]
            ours = [x.maxrss_kb for x in runs[(tool, b)]]
            peer = [x.maxrss_kb for x in runs[("curl", b)]]
            lines.append([f"{n:,}" + (f", albumdl --jobs {LANES}" if tool != "albumdl" else ""),
                          f"{mb(min(ours))} / {mb(statistics.median(ours))}",
                          f"{mb(min(peer))} / {mb(statistics.median(peer))}",
                          f"{statistics.median(ours) / statistics.median(peer):.2f}"])
        notes = [f"Peak resident memory of the program (GNU time %M) over the whole "
                 f"download at --pace 0, {rounds} rounds; each run checked as in figure 1. "
                 f"The last row: albumdl with {LANES} lanes (each holds one picture at a "
                 "time)."]
        self.raw["memory"] = {f"{t}-{b}": [vars_of(x) for x in v] for (t, b), v in runs.items()}
        self.add_section("2. Peak memory at 1,000 and 10,000 pictures", lines, notes)

    # ---- figure 3

    def pacing(self):
        board = PACING_BOARD
        n = BOARDS[board]
        rounds = self.args.pacing_rounds
        runs = []
        for r in range(rounds):
            run, error, _, _ = self.one("albumdl", board, f"p{r}", pace="1")
            if error:
                self.fail("albumdl --pace 1", error)
            runs.append(run)
            print(f"bench: pacing round {r + 1}/{rounds} done", flush=True)
        floor = pacing_floor_ms(n)
        walls = [x.wall * 1000 for x in runs]
        lines = [["album", "floor ms", "measured min ms", "measured median ms",
                  "over the floor ms (median)", "measured / floor (median)"],
                 [f"{n} pictures", f"{floor:,}", f"{min(walls):,.0f}",
                  f"{statistics.median(walls):,.0f}", f"{statistics.median(walls) - floor:,.0f}",
                  f"{statistics.median(walls) / floor:.3f}"]]
        notes = [f"albumdl --pace 1 on a board of {n} pictures, {rounds} rounds. The floor is "
                 f"the sum of the pauses the run must make: 1,000 ms after the album answer, "
                 f"1,000 ms before the first page, 100 ms after each of the {n} pictures."]
        self.raw["pacing"] = [vars_of(x) for x in runs]
        self.add_section("3. Pacing at --pace 1 over its floor", lines, notes)
        self.commands.append(("3", self.shown(self.ours_argv(board, "OUT", "HOME", pace="1"))))

    # ---- figures 4 and 5: Google Benchmark programs

    def gbench(self, figure, program, filters, repetitions):
        path = os.path.join(self.build, "bench", program)
        out = os.path.join(self.work, program + ".json")
        argv = [path, f"--benchmark_filter={filters}",
                f"--benchmark_repetitions={repetitions}",
                "--benchmark_enable_random_interleaving=true", "--benchmark_min_time=0.2",
                f"--benchmark_out={out}", "--benchmark_out_format=json"]
        env = dict(self.env)
        env["TMPDIR"] = self.disk_work
        log = os.path.join(self.work, program + ".log")
        run = measure(argv, log, env)
        if run.status != 0:
            self.fail(program, tail(log))
        with open(out) as f:
            report = json.load(f)
        results = {}
        for b in report["benchmarks"]:
            if b.get("run_type") != "iteration" or b.get("error_occurred"):
                continue
            name = b["run_name"].split("/")[0]
            factor = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
            results.setdefault(name, []).append(
                (b["real_time"] * factor, b["cpu_time"] * factor, b.get("found")))
        self.commands.append((figure, " ".join(
            [f"build/release/bench/{program}"] + [quote(x) for x in argv[1:5]])))
        return results

    def store(self):
        r = self.gbench("4", "bench_download", "Lookup|Add", self.args.gbench_repetitions)

        def cells(name):
            if name not in r:
                return ["(failed)", "", ""]
            real = [x[0] for x in r[name]]
            cpu = [x[1] for x in r[name]]
            return [f"{min(real):.2f}", f"{statistics.median(real):.2f}",
                    f"{statistics.median(cpu):.2f}"]

        def ratio(a, b):
            if a not in r or b not in r:
                return ""
            return f"{statistics.median(x[0] for x in r[a]) / statistics.median(x[0] for x in r[b]):.3g}"

        head = ["operation", "contender", "µs each, min", "µs each, median", "CPU µs each",
                "ours ×"]
        lines = [head,
                 ["100,000 look-ups in 1,000,000 ids", "DuplicateStore::Contains (ours)",
                  *cells("BM_StoreLookup"), ""],
                 ["", "bare SQLite query, same file (peer)", *cells("BM_SqliteLookup"),
                  ratio("BM_StoreLookup", "BM_SqliteLookup")],
                 ["", "std::unordered_set in memory (floor)", *cells("BM_HashSetLookup"),
                  ratio("BM_StoreLookup", "BM_HashSetLookup")],
                 ["10,000 adds, each committed",
                  "DuplicateStore::Record (ours: keyed table, WAL, synchronous=NORMAL, "
                  "held for the album)",
                  *cells("BM_StoreAdd"), ""],
                 ["", "bare SQLite, same settings (peer)", *cells("BM_SqliteWalAdd"),
                  ratio("BM_StoreAdd", "BM_SqliteWalAdd")],
                 ["", "bare SQLite, table + unique index, locks around every commit, a "
                  "look-up before each add (the store before)", *cells("BM_LockEveryCommitAdd"),
                  ratio("BM_StoreAdd", "BM_LockEveryCommitAdd")],
                 ["", "SQLite default: rollback journal, FULL (100 adds)",
                  *cells("BM_RollbackJournalAdd"), ratio("BM_StoreAdd", "BM_RollbackJournalAdd")]]
        found = r.get("BM_StoreLookup", [(0, 0, 0)])[0][2]
        notes = [f"bench/bench_download, {self.args.gbench_repetitions} repetitions in random "
                 f"interleaving; the store on the disk of the temporary folder. About half of "
                 f"the probes are stored ({int(found or 0):,} of 100,000 found by each). "
                 "WAL with synchronous=NORMAL does not sync the disk on each commit (a "
                 "committed id survives a crash of the program, not of the machine); the "
                 "FULL peer syncs on every add, hence its 100 adds. The store is held by its "
                 "connection from the album's start to its end (locking_mode=EXCLUSIVE: no "
                 "lock taken and given back around each commit, no shared-memory file), "
                 "folds its journal in at the album's end rather than every few hundred adds, "
                 "and a new store's table is keyed by the id itself (WITHOUT ROWID) in 1 kB "
                 "pages: an add writes one small page instead of two of 4 kB. The ids are "
                 "added newest first, falling, as a download adds them (the site lists pins "
                 "newest first), and the key runs from the highest id down, so each add goes "
                 "at the key's end; the million ids of the look-ups went in the same way."]
        self.raw["store"] = r
        self.add_section("4. The record store", lines, notes)

    def text(self):
        r = self.gbench("5", "bench_text", ".", self.args.gbench_repetitions)

        def row(what, ours, peer, peer_name):
            def c(name):
                real = [x[0] for x in r[name]]
                return [f"{min(real):.0f}", f"{statistics.median(real):.0f}",
                        f"{statistics.median(x[1] for x in r[name]):.0f}"]
            ratio = (statistics.median(x[0] for x in r[ours]) /
                     statistics.median(x[0] for x in r[peer]))
            return [[what, "ours", *c(ours), ""], ["", peer_name, *c(peer), f"{ratio:.2f}"]]

        lines = [["on a 1 MB page", "contender", "µs min", "µs median", "CPU µs", "ours ×"]]
        lines += row("TextFind (marker at the end)", "BM_TextFind", "BM_StringViewFind",
                     "std::string_view::find")
        lines += row("TextBetween (markers at the end)", "BM_TextBetween",
                     "BM_StringViewBetween", "two std::string_view::find + copy")
        lines += row("Utf8ToAnsi (1.3 MB of UTF-8)", "BM_Utf8ToAnsi", "BM_IconvUtf8ToGbk",
                     "glibc iconv UTF-8 to GBK")
        notes = [f"bench/bench_text, {self.args.gbench_repetitions} repetitions in random "
                 "interleaving. The text helpers step over double-byte characters, so they "
                 "cannot use a plain byte search."]
        self.raw["text"] = r
        self.add_section("5. The text helpers on a 1 MB page", lines, notes)

    # ---- figure 6: the window (slot)

    def window(self):
        program = os.path.join(self.build, "bench", "bench_window")
        title = "6. The window: start-up to a painted window, 100,000 log appends"
        if not os.access(program, os.X_OK):
            self.add_section(title, None, ["not built (bench/bench_window does not exist "
                                           "or did not build)."])
            return
        env = dict(self.env)
        env.setdefault("QT_QPA_PLATFORM", "offscreen")
        log = os.path.join(self.work, "bench_window.log")
        run = measure([program], log, env)
        with open(log, "rb") as f:
            output = f.read().decode("utf-8", "replace")
        notes = ["bench/bench_window output as printed:", "```", output.rstrip(), "```"]
        if run.status != 0:
            notes.insert(0, f"bench_window exited with status {run.status}.")
        self.add_section(title, None, notes)
        self.commands.append(("6", "QT_QPA_PLATFORM=offscreen build/release/bench/bench_window"))

    # ---- figure 7: parallel lanes (slot)

    def help_lists(self, argv, option):
        try:
            text = subprocess.run(argv + ["--help"], capture_output=True, timeout=10,
                                  env=self.env).stdout.decode("utf-8", "replace")
        except (OSError, subprocess.TimeoutExpired):
            return False
        return re.search(r"(^|[\s,])" + re.escape(option) + r"\b", text) is not None

    def lanes(self):
        title = (f"7. Parallel lanes: --jobs {LANES} against --jobs 1 with {LATENCY_MS} ms "
                 "latency, 2,000 pictures")
        if not self.help_lists([self.albumdl], "--jobs"):
            self.add_section(title, None, ["not available (albumdl --help lists no --jobs)."])
            return
        if self.nginx.slow_port is None:
            self.add_section(title, None, [f"not available (nginx has no {ECHO_MODULE})."])
            return
        n = BOARDS[LANES_BOARD]
        small, large = (BOARDS[b] for b in LANES_SHORT_BOARDS)
        lines = [["pace", f"--jobs 1 s, {n:,} pictures (derived from {small} and {large})",
                  f"--jobs 1 s, {n:,} pictures (measured)", f"--jobs {LANES} s, {n:,} pictures",
                  "speed-up (derived)", "speed-up (measured)"]]
        raw = {}

        def timed(board, pace, jobs):
            run, error, _, _ = self.one("albumdl", board, f"j{jobs}p{pace}", pace=pace,
                                        slow=True, extra=["--jobs", str(jobs)])
            if error:
                self.fail(f"albumdl --jobs {jobs} --pace {pace} on {board}", error)
            print(f"bench: lanes {board} --pace {pace} --jobs {jobs}: {run.wall:.1f} s "
                  f"(max RSS {mb(run.maxrss_kb)} MB)", flush=True)
            raw.setdefault(f"{board}-p{pace}-j{jobs}", []).append(vars_of(run))
            return run.wall

        for pace in ("0", "1"):
            short = {b: timed(b, pace, 1) for b in LANES_SHORT_BOARDS}
            per_picture = (short[LANES_SHORT_BOARDS[1]] - short[LANES_SHORT_BOARDS[0]]) / (large - small)
            derived = short[LANES_SHORT_BOARDS[1]] + (n - large) * per_picture
            measured = timed(LANES_BOARD, pace, 1) if self.args.lanes_full else None
            lanes = timed(LANES_BOARD, pace, LANES)
            lines.append([pace, f"{derived:.1f}", f"{measured:.1f}" if measured else "(not run)",
                          f"{lanes:.1f}", f"{derived / lanes:.2f}",
                          f"{measured / lanes:.2f}" if measured else ""])
        notes = [f"The generated boards of figure 1 from nginx with {LATENCY_MS} ms added to "
                 "every answer (album answer, pages and pictures; the echo module's echo_sleep, "
                 f"shipped with Debian's nginx-light), one round each; every run checked as in "
                 f"figure 1. --jobs {LANES} is measured on the whole board of {n:,} pictures. "
                 f"--jobs 1 on it would take minutes at --pace 1 ({n:,} x (100 + {LATENCY_MS}) "
                 f"ms): its time is derived from --jobs 1 on boards of {small} and {large} "
                 f"pictures, as the {large}-picture time plus {n - large:,} times the cost of a "
                 f"picture (the difference of the two over {large - small}). "
                 "`python3 scripts/bench.py --lanes-full` measures it on the whole board too."]
        self.raw["lanes"] = raw
        self.add_section(title, lines, notes)
        self.commands.append(("7", self.shown(self.ours_argv(
            "BOARD", "OUT", "HOME", pace="P", slow=True, extra=["--jobs", "J"]))))

    # ---- output

    def shown(self, argv):
        """A command as the document shows it: paths and ports by name."""
        text = " ".join(quote(x) for x in argv)
        text = text.replace(self.albumdl, "build/release/src/albumdl")
        text = text.replace(f"127.0.0.1:{self.nginx.port}", "127.0.0.1:PORT")
        if self.nginx.slow_port:
            text = text.replace(f"127.0.0.1:{self.nginx.slow_port}", "127.0.0.1:SLOW_PORT")
        return text

    def add_section(self, title, lines, notes):
        self.sections.append((title, lines, notes))
        print()
        print(f"== {title}")
        if lines:
            print(text_table(lines))
        for note in notes:
            print(note)
        sys.stdout.flush()

    def machine(self):
        def first_line(argv, stderr=False):
            try:
                p = subprocess.run(argv, capture_output=True, timeout=10)
                text = (p.stderr if stderr else p.stdout).decode("utf-8", "replace").strip()
                return text.splitlines()[0] if text else "?"
            except (OSError, subprocess.TimeoutExpired):
                return "not installed"

        def package(name):
            return first_line(["dpkg-query", "-W", "-f=${Version}", name])

        cpu = "?"
        try:
            with open("/proc/cpuinfo") as f:
                for line in f:
                    if line.startswith("model name"):
                        cpu = line.split(":", 1)[1].strip()
                        break
        except OSError:
            pass
        mem = "?"
        try:
            with open("/proc/meminfo") as f:
                mem = f"{int(f.readline().split()[1]) / 1024 / 1024:.1f} GiB"
        except (OSError, ValueError, IndexError):
            pass
        return [
            ("CPU", f"{cpu}, {os.cpu_count()} cores online"),
            ("load average at the start (other work on the machine)", self.load_at_start),
            ("memory", mem),
            ("kernel", f"{platform.system()} {platform.release()}"),
            ("system", first_line(["sh", "-c", ". /etc/os-release && echo $PRETTY_NAME"])),
            ("compiler", first_line(["c++", "--version"])),
            ("albumdl", first_line([self.albumdl, "--version"]) +
             f" (Release build, libcurl {package('libcurl4')}, SQLite {package('libsqlite3-0')})"),
            ("nginx", first_line(["nginx", "-v"], stderr=True)),
            ("curl", first_line(["curl", "--version"])),
            ("wget", first_line(["wget", "--version"])),
            ("aria2c", first_line(["aria2c", "--version"])),
        ]

    def write_doc(self, started, elapsed_total):
        doc = os.path.join(ROOT, "docs", "performance.md")
        begin, end = "<!-- scripts/bench: begin -->", "<!-- scripts/bench: end -->"
        out = [begin, "## Latest run of scripts/bench", "",
               f"Written by scripts/bench on {started:%Y-%m-%d %H:%M} UTC "
               f"(git {git_head()}, the program's sources, src/, as of {git_head('src')}); "
               f"the whole run took {elapsed_total:.0f} s "
               "(installing, building and measuring).", "", "Machine:", ""]
        out += [f"- {k}: {v}" for k, v in self.machine()]
        for title, lines, notes in self.sections:
            out += ["", f"### {title}", ""]
            if lines:
                out += markdown_table(lines) + [""]
            out += notes
        out += ["", "### Commands", "",
                "nginx serves the generated boards from a tmpfs: "
                f"`{' '.join(self.nginx.argv[:1])} -p PREFIX -e PREFIX/error.log -c nginx.conf` "
                "(the configuration is written by scripts/bench.py, `NGINX_CONF`).", "", "```"]
        out += [f"[{fig}] {cmd}" for fig, cmd in self.commands]
        out += ["```", end]
        generated = "\n".join(out) + "\n"
        try:
            with open(doc, encoding="utf-8") as f:
                current = f.read()
        except OSError:
            current = "# Performance\n\n"
        if begin in current and end in current:
            head, rest = current.split(begin, 1)
            _, after = rest.split(end, 1)
            current = head + generated.rstrip("\n") + after
        else:
            current = current.rstrip("\n") + "\n\n" + generated
        os.makedirs(os.path.dirname(doc), exist_ok=True)
        with open(doc, "w", encoding="utf-8") as f:
            f.write(current)
        raw = os.path.join(self.build, "bench-results.json")
        with open(raw, "w") as f:
            json.dump(self.raw, f, indent=1, default=str)
        print(f"\nbench: wrote {os.path.relpath(doc, ROOT)} and {raw}")


# ---------------------------------------------------------------- profile


def profile(bench, args):
    """Where the time goes per picture, ours against curl: system calls
    (strace -c) on the 2,000-picture board, instructions (callgrind) on boards
    of 100 and 200 pictures, whose difference is the cost of 100 more pictures
    without the start-up."""
    n = BOARDS[THROUGHPUT_BOARD]
    counts = {}
    for tool in ("albumdl", "curl"):
        out = os.path.join(bench.out, f"strace-{tool}")
        os.makedirs(out)
        home = os.path.join(bench.disk_work, f"strace-{tool}")
        summary = os.path.join(bench.work, f"strace-{tool}.txt")
        argv = bench.profiled_argv(tool, THROUGHPUT_BOARD, out, home)
        run = measure(["strace", "-f", "-c", "-o", summary] + argv,
                      os.path.join(bench.work, f"strace-{tool}.log"), bench.env)
        if run.status != 0:
            bench.fail(f"strace {tool}", tail(run.log))
        counts[tool] = {}
        with open(summary) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 5 and parts[3].isdigit():
                    counts[tool][parts[-1]] = int(parts[3])
        kept = os.path.join(bench.build, f"strace-{tool}.txt")
        shutil.copy(summary, kept)
        shutil.rmtree(out, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
    names = sorted(set(counts["albumdl"]) | set(counts["curl"]),
                   key=lambda k: -max(counts["albumdl"].get(k, 0), counts["curl"].get(k, 0)))
    lines = [["system call", "albumdl per picture", "curl per picture"]]
    for name in names:
        a, c = counts["albumdl"].get(name, 0) / n, counts["curl"].get(name, 0) / n
        if name != "total" and max(a, c) >= 0.05:
            lines.append([name, f"{a:.2f}", f"{c:.2f}"])
    lines.append(["all", f"{counts['albumdl'].get('total', 0) / n:.2f}",
                  f"{counts['curl'].get('total', 0) / n:.2f}"])
    print(f"\n== strace -f -c, {n} pictures at --pace 0 (the whole tables: "
          f"{os.path.relpath(bench.build, ROOT)}/strace-*.txt)")
    print(text_table(lines))

    perf_profile(bench, n)

    # callgrind wants symbols: the RelWithDebInfo build when there is one.
    debug_build = os.path.join(ROOT, "build", "default", "src", "albumdl")
    program = debug_build if os.access(debug_build, os.X_OK) else bench.albumdl
    totals = {}
    for tool in ("albumdl", "curl"):
        for board in ("b100", "b200"):
            out = os.path.join(bench.out, f"cg-{tool}-{board}")
            os.makedirs(out)
            home = os.path.join(bench.disk_work, f"cg-{tool}-{board}")
            data = os.path.join(bench.build, f"callgrind-{tool}-{board}.out")
            argv = bench.profiled_argv(tool, board, out, home)
            if tool == "albumdl":
                argv[0] = program
            run = measure(["valgrind", "--tool=callgrind", f"--callgrind-out-file={data}"] + argv,
                          os.path.join(bench.work, f"cg-{tool}.log"), bench.env)
            if run.status != 0:
                bench.fail(f"callgrind {tool}", tail(run.log))
            shutil.rmtree(out, ignore_errors=True)
            shutil.rmtree(home, ignore_errors=True)
            totals[(tool, board)] = (callgrind_costs(data, inclusive=True),
                                     callgrind_costs(data, inclusive=False))
    print(f"\n== callgrind instructions (albumdl: {os.path.relpath(program, ROOT)}; the data: "
          f"{os.path.relpath(bench.build, ROOT)}/callgrind-*.out)")
    lines = [["contender", "100 pictures", "200 pictures", "per picture (200 - 100) / 100"]]
    for tool in ("albumdl", "curl"):
        a = totals[(tool, "b100")][0]["PROGRAM TOTALS"]
        b = totals[(tool, "b200")][0]["PROGRAM TOTALS"]
        lines.append([tool, f"{a:,}", f"{b:,}", f"{(b - a) // 100:,}"])
    print(text_table(lines))

    def marginal(tool, which):
        small, large = totals[(tool, "b100")][which], totals[(tool, "b200")][which]
        return sorted((((large.get(k, 0) - small.get(k, 0)) // 100, k) for k in large
                       if k != "PROGRAM TOTALS"), reverse=True)

    print("\n-- albumdl, inclusive instructions per picture, (200-picture run - 100-picture "
          "run) / 100: its own functions and the libraries' entry points")
    for cost, name in [x for x in marginal("albumdl", 0)
                       if re.search(r"albumdl::|^curl_|^sqlite3_|^__memcpy|^malloc$|^free$|^_int_",
                                    x[1]) and "WorkerControl" not in x[1]][: args.top]:
        print(f"{cost:>10,}  {name[:150]}")
    for tool in ("albumdl", "curl"):
        print(f"\n-- {tool}, self instructions per picture, measured the same way")
        for cost, name in marginal(tool, 1)[: args.top if tool == "albumdl" else args.top // 2]:
            print(f"{cost:>10,}  {name[:150]}")


PERF_ENTRIES = [
    # (what, the symbol whose samples with callees count)
    ("page faults", "asm_exc_page_fault"),
    ("write (the picture files)", "ksys_write"),
    ("pwrite64 (the record store)", "__x64_sys_pwrite64"),
    ("fdatasync", "__x64_sys_fdatasync"),
    ("fcntl (locks)", "__x64_sys_fcntl"),
    ("openat", "__x64_sys_openat"),
    ("rename", "__x64_sys_rename"),
    ("close", "__x64_sys_close"),
    ("madvise (malloc giving memory back)", "__x64_sys_madvise"),
    ("sendto (loopback: the server's answer is taken in here too)", "__x64_sys_sendto"),
    ("recvfrom", "__x64_sys_recvfrom"),
    ("poll", "__x64_sys_poll"),
    ("futex (threads)", "__x64_sys_futex"),
    ("rt_sigaction", "__x64_sys_rt_sigaction"),
    ("socketpair", "__x64_sys_socketpair"),
]


def perf_profile(bench, n):
    """CPU time split by what the kernel does for each contender (perf's
    cpu-clock samples with call chains; the hardware counters are not needed)."""
    table = {}
    stats = {}
    if shutil.which("perf") is None:
        print("\nbench: no perf on this machine; no perf figures")
        return
    for tool in ("albumdl", "curl"):
        out = os.path.join(bench.out, f"perf-{tool}")
        os.makedirs(out)
        home = os.path.join(bench.disk_work, f"perf-{tool}")
        data = os.path.join(bench.build, f"perf-{tool}.data")
        argv = bench.profiled_argv(tool, THROUGHPUT_BOARD, out, home)
        stat = subprocess.run(["perf", "stat", "-x", ",", "-e",
                               "task-clock,page-faults,context-switches", "--"] + argv,
                              capture_output=True, env=bench.env)
        shutil.rmtree(out, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
        os.makedirs(out)
        record = subprocess.run(["perf", "record", "-q", "-g", "-e", "cpu-clock", "-F", "10000",
                                 "-o", data, "--"] + argv, capture_output=True, env=bench.env)
        shutil.rmtree(out, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)
        if stat.returncode != 0 or record.returncode != 0:
            print(f"\nbench: perf did not run ({stat.stderr.decode()[-200:]}"
                  f"{record.stderr.decode()[-200:]}); no perf figures")
            return
        for line in stat.stderr.decode().splitlines():
            fields = line.split(",")
            if len(fields) > 3 and fields[2] in ("task-clock", "page-faults", "context-switches"):
                stats[(tool, fields[2])] = float(fields[0])
        report = subprocess.run(["perf", "report", "-i", data, "--stdio", "--children",
                                 "--sort", "sym", "-g", "none", "--percent-limit", "0.01"],
                                capture_output=True).stdout.decode("utf-8", "replace")
        count = re.search(r"Event count \(approx.\): (\d+)", report)
        total_ns = int(count.group(1)) if count else 0
        shares = {}
        for line in report.splitlines():
            m = re.match(r"\s*([\d.]+)%\s+([\d.]+)%\s+\[(.)\]\s+(\S+)", line)
            if m:
                shares.setdefault(m.group(4), float(m.group(1)))
                if m.group(3) == "k":
                    shares["[kernel, self]"] = shares.get("[kernel, self]", 0) + float(m.group(2))
                else:
                    shares["[user, self]"] = shares.get("[user, self]", 0) + float(m.group(2))
        table[tool] = (total_ns, shares)

    def per_picture(tool, share):
        total_ns, _ = table[tool]
        return f"{share / 100 * total_ns / 1000 / n:,.1f}"

    lines = [["", "albumdl", "curl"],
             ["task-clock µs/picture",
              *(f"{stats.get((t, 'task-clock'), 0) * 1000 / n:,.0f}" for t in ("albumdl", "curl"))],
             ["page faults/picture",
              *(f"{stats.get((t, 'page-faults'), 0) / n:.2f}" for t in ("albumdl", "curl"))],
             ["context switches/picture",
              *(f"{stats.get((t, 'context-switches'), 0) / n:.2f}" for t in ("albumdl", "curl"))],
             ["sampled CPU µs/picture: user code",
              *(per_picture(t, table[t][1].get("[user, self]", 0)) for t in ("albumdl", "curl"))],
             ["sampled CPU µs/picture: kernel",
              *(per_picture(t, table[t][1].get("[kernel, self]", 0)) for t in ("albumdl", "curl"))]]
    for what, symbol in PERF_ENTRIES:
        lines.append([f"  kernel: {what}",
                      *(per_picture(t, table[t][1].get(symbol, 0)) for t in ("albumdl", "curl"))])
    print(f"\n== perf (cpu-clock samples with call chains), {n} pictures at --pace 0 "
          f"({os.path.relpath(bench.build, ROOT)}/perf-*.data)")
    print(text_table(lines))


def callgrind_costs(data, inclusive):
    """{function: instructions} from callgrind_annotate, with "PROGRAM TOTALS".
    A function is named without its parameters and its file; a function that
    callgrind lists under several files (inlined copies) counts at its largest."""
    argv = ["callgrind_annotate", "--auto=no", "--threshold=100"]
    if inclusive:
        argv.append("--inclusive=yes")
    text = subprocess.run(argv + [data], capture_output=True).stdout.decode("utf-8", "replace")
    costs = {}
    for line in text.splitlines():
        match = re.match(r"\s*([\d,]+) \(\s*[\d.]+%\)\s+(.*)$", line)
        if not match:
            continue
        name = match.group(2).strip()
        if name != "PROGRAM TOTALS":
            name = re.sub(r"\s+\[[^\]]*\]$", "", name)  # the object file
            name = re.sub(r"^[^:]*?:(?!:)", "", name, count=1)  # the source file
            name = short_function(name)
        cost = int(match.group(1).replace(",", ""))
        costs[name] = max(costs.get(name, 0), cost)
    return costs


def short_function(name):
    """albumdl::FetchPicture(std::string const&, ...) -> albumdl::FetchPicture."""
    depth = 0
    for i, c in enumerate(name):
        if c == "<":
            depth += 1
        elif c == ">":
            depth -= 1
        elif c == "(" and depth == 0 and i > 0 and not name.startswith("(", i - 1):
            if name[:i].endswith("(anonymous namespace)") or name[i:].startswith("(anonymous"):
                continue
            return name[:i]
    return name


# ---------------------------------------------------------------- helpers


def vars_of(run):
    return {k: v for k, v in vars(run).items() if k != "log"}


def us(seconds):
    return f"{seconds * 1e6:,.0f}"


def mb(kb):
    return f"{kb / 1024:.1f}"


def quote(arg):
    return arg if re.fullmatch(r"[\w@%+=:,./-]+", arg) else "'" + arg.replace("'", "'\\''") + "'"


def git_head(path=None):
    """The current commit, or the last one that changed path."""
    argv = ["git", "-C", ROOT, "log", "-1", "--format=%h"] + (["--", path] if path else [])
    try:
        return subprocess.run(argv, capture_output=True, timeout=10).stdout.decode().strip()
    except (OSError, subprocess.TimeoutExpired):
        return "?"


def text_table(lines):
    widths = [max(len(str(row[i])) if i < len(row) else 0 for row in lines)
              for i in range(len(lines[0]))]
    out = []
    for k, row in enumerate(lines):
        cells = [str(c).rjust(widths[i]) if i > 0 else str(c).ljust(widths[i])
                 for i, c in enumerate(row)]
        out.append("  ".join(cells).rstrip())
        if k == 0:
            out.append("  ".join("-" * w for w in widths))
    return "\n".join(out)


def markdown_table(lines):
    def numeric(i):
        cells = [str(row[i]) for row in lines[1:] if i < len(row) and str(row[i])]
        return i > 0 and all(re.fullmatch(r"[\d.,/ ]+", c) for c in cells)

    out = ["| " + " | ".join(lines[0]) + " |",
           "|" + "|".join("---:" if numeric(i) else "---" for i in range(len(lines[0]))) + "|"]
    out += ["| " + " | ".join(str(c) for c in row) + " |" for row in lines[1:]]
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("mode", nargs="?", default="figures", choices=["figures", "profile"])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--rounds", type=int, default=5, help="throughput rounds")
    parser.add_argument("--memory-rounds", type=int, default=3)
    parser.add_argument("--pacing-rounds", type=int, default=3)
    parser.add_argument("--gbench-repetitions", type=int, default=3)
    parser.add_argument("--no-doc", action="store_true", help="do not touch docs/performance.md")
    parser.add_argument("--lanes-full", action="store_true",
                        help="figure 7: also measure one lane on the whole 2,000-picture board "
                        "(some 7 minutes more) to check the time derived from smaller boards")
    parser.add_argument("--only", default="",
                        help="comma-separated figures to measure (1-7), e.g. --only 1,7; "
                        "implies --no-doc")
    parser.add_argument("--top", type=int, default=30, help="profile: functions listed")
    args = parser.parse_args()

    # The files served are read by nginx's worker, another user when root starts it.
    os.umask(0o022)
    started = datetime.datetime.now(datetime.timezone.utc)
    began = float(os.environ.get("ALBUMDL_BENCH_STARTED", time.time()))
    bench = Bench(args)
    try:
        bench.start()
        if args.mode == "profile":
            profile(bench, args)
            return
        t = time.perf_counter()
        figures = [bench.throughput, bench.memory, bench.pacing, bench.store, bench.text,
                   bench.window, bench.lanes]
        wanted = {int(x) for x in args.only.split(",") if x.strip()} or set(range(1, 8))
        for number, figure in enumerate(figures, 1):
            if number in wanted:
                figure()
        print(f"\nbench: figures measured in {time.perf_counter() - t:.0f} s")
        if not args.no_doc and not args.only:
            bench.write_doc(started, time.time() - began)
        print(f"bench: the whole run took {time.time() - began:.0f} s "
              "(installing, building and measuring)")
    finally:
        bench.close()


if __name__ == "__main__":
    main()
