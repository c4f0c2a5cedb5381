#!/usr/bin/env python3
"""Start-up time and resident memory of Quotarium against a bare Qt floor.

Both programs run offscreen and talk to a local quote service started here.
Start-up is the time from starting the process to the first request arriving
at that service (median of --runs runs). Memory is the resident set a second
after the first reply for 1000 codes was sent. Only quotes are served: the
update check, the advertising panel and the chart window get 404, so no chart
picture is held.

The program must be built pointing at the service's root, e.g. the `bench`
preset (QUOTARIUM_QUOTE_ROOT=http://127.0.0.1:18765)."""

import argparse
import http.server
import os
import shutil
import statistics
import subprocess
import tempfile
import threading
import time

NAMES = ["浦发银行", "平安银行", "工商银行", "万科Ａ", "贵州茅台", "中国石化", "招商银行", "五粮液"]


def quote_reply(codes):
    parts = []
    for i, code in enumerate(codes):
        base = 5.0 + (i % 97) * 0.37
        price = base * (1 + ((i % 21) - 10) / 100)
        values = [NAMES[i % len(NAMES)], f"{base:.2f}", f"{base:.2f}", f"{price:.2f}",
                  f"{price * 1.02:.2f}", f"{price * 0.98:.2f}"]
        values += [str((i + 1) * v * 131 % 100000) for v in range(6, 30)]
        values += ["2026-12-07", "15:00:03"]
        parts.append(f'var hq_str_{code}="{",".join(values)}";\n')
    return "".join(parts).encode("gb18030")


class Service(http.server.ThreadingHTTPServer):
    allow_reuse_address = True

    def __init__(self, port):
        super().__init__(("127.0.0.1", port), Handler)
        self.first_request = None
        self.replied = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        server = self.server
        quotes = "/list=" in self.path
        if quotes and server.first_request is None:
            server.first_request = time.monotonic()
        # Update check, advertising and charts get nothing: only quotes count.
        body = quote_reply(self.path.split("/list=", 1)[1].split(",")) if quotes else b""
        self.send_response(200 if quotes else 404)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        if quotes:
            server.replied.set()


def mapped_kib(pid):
    """Resident KiB per mapping name (a library, a font file, [heap], [anon])."""
    totals = {}
    name = None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            fields = line.split()
            if fields[0] == "Rss:":
                totals[name] = totals.get(name, 0) + int(fields[1])
            elif not fields[0].endswith(":"):
                name = fields[5] if len(fields) > 5 else "[anon]"
    return totals


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def run_once(command, cwd, port):
    service = Service(port)
    thread = threading.Thread(target=service.serve_forever, daemon=True)
    thread.start()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    env.setdefault("XDG_RUNTIME_DIR", tempfile.mkdtemp())
    started = time.monotonic()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        if not service.replied.wait(20):
            raise RuntimeError(f"{command[0]} sent no request")
        startup_ms = (service.first_request - started) * 1000
        time.sleep(1.0)
        memory = rss_kib(process.pid)
        mappings = mapped_kib(process.pid)
    finally:
        process.kill()
        process.wait()
        service.shutdown()
        service.server_close()
    return startup_ms, memory, mappings


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--app", default="build/bench/bin/quotarium")
    parser.add_argument("--floor", default="build/bench/bin/quotarium_floor")
    parser.add_argument("--port", type=int, default=18765)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--codes", type=int, default=1000)
    parser.add_argument("--breakdown", action="store_true",
                        help="list where the program's resident memory exceeds the floor's")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="quotarium-bench-")
    app = os.path.join(work, "quotarium")
    shutil.copy(args.app, app)
    codes = [("sh60" if i % 2 == 0 else "sz00") + f"{i:04d}" for i in range(args.codes)]
    entries = "".join(f'    <股票 代码="{c}" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>\n'
                      for c in codes)
    with open(os.path.join(work, "Stocks.xml"), "wb") as stocks:
        stocks.write(('<?xml version="1.0" encoding="GB18030"?>\n<Quotarium version="1">\n'
                      + entries + "</Quotarium>\n").encode("gb18030"))

    floor_url = f"http://127.0.0.1:{args.port}/list=" + ",".join(codes)
    results = {"floor": [], "quotarium": []}
    for _ in range(args.runs):
        results["floor"].append(run_once([os.path.abspath(args.floor), floor_url], work, args.port))
        results["quotarium"].append(run_once([app], work, args.port))
    shutil.rmtree(work, ignore_errors=True)

    summary = {}
    for name, runs in results.items():
        startup = statistics.median(r[0] for r in runs)
        memory = statistics.median(r[1] for r in runs) / 1024
        summary[name] = (startup, memory)
        print(f"{name:10s} start-up median {startup:7.1f} ms   resident {memory:6.1f} MB"
              f"   (runs: {', '.join(f'{r[0]:.0f}' for r in runs)} ms)")
    app_startup, app_memory = summary["quotarium"]
    floor_startup, floor_memory = summary["floor"]
    print(f"start-up ratio to floor {app_startup / floor_startup:.2f} (goal < 3, and < 100 ms)")
    print(f"memory above floor {app_memory - floor_memory:+.1f} MB (goal within 5 MB)")
    if args.breakdown:
        floor_maps = results["floor"][-1][2]
        app_maps = results["quotarium"][-1][2]
        # The copy of the program lives in a temporary folder: name it alike.
        app_maps = {("quotarium" if name == app else name): kib for name, kib in app_maps.items()}
        print("resident KiB above the floor by mapping (last run of each, >= 64 KiB):")
        names = set(floor_maps) | set(app_maps)
        rows = sorted(((app_maps.get(n, 0) - floor_maps.get(n, 0), n) for n in names), reverse=True)
        for difference, name in rows:
            if abs(difference) >= 64:
                print(f"  {difference:+7d}  {name}")


if __name__ == "__main__":
    main()
