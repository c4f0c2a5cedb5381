#!/usr/bin/env python3
"""Start-up time, resident memory and CPU per refresh of Quotarium against a
bare Qt floor, as whole processes.

Both programs run offscreen (or on the X display of DISPLAY with --platform
xcb) and talk to a local quote service started here; runs alternate between
them, and every figure is a median of --runs runs. Start-up is the time from
starting the process to the first quote request arriving at that service.
Memory is the resident set a second after the first reply was sent. CPU per
refresh is the CPU time of all the process's threads from one refresh to
--refreshes refreshes later, divided by their number, with a refresh every
second; every reply changes every price. Only quotes are served: the update
check, the advertising panel and the chart window get 404, so no chart
picture is held.

The program must be built pointing at the service's root with its clock in
market hours, e.g. the `bench` preset (QUOTARIUM_QUOTE_ROOT and
QUOTARIUM_FIXED_NOW). --app can name another build of it, such as an older
version, to compare against the same floor."""

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


def quote_reply(codes, serial=0):
    parts = []
    for i, code in enumerate(codes):
        base = 5.0 + (i % 97) * 0.37
        price = base * (1 + ((i % 21) - 10 + (serial % 2) * 0.5) / 100)
        values = [NAMES[i % len(NAMES)], f"{base:.2f}", f"{base:.2f}", f"{price:.2f}",
                  f"{price * 1.02:.2f}", f"{price * 0.98:.2f}"]
        values += [str((i + 1) * v * 131 % 100000) for v in range(6, 30)]
        values += ["2026-12-07", "15:00:03"]
        parts.append(f'var hq_str_{code}="{",".join(values)}";\n')
    return "".join(parts).encode("gb18030")


class Service(http.server.ThreadingHTTPServer):
    allow_reuse_address = True

    def __init__(self, port, per_refresh, on_refresh):
        super().__init__(("127.0.0.1", port), Handler)
        self.first_request = None
        self.replied = threading.Event()
        self.requests = 0
        self.per_refresh = per_refresh
        self.on_refresh = on_refresh
        self.lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        server = self.server
        quotes = "/list=" in self.path
        serial = 0
        if quotes:
            with server.lock:
                if server.first_request is None:
                    server.first_request = time.monotonic()
                serial = server.requests
                server.requests += 1
                # The first request of each refresh (a thousand codes take the
                # program two).
                if serial % server.per_refresh == 0:
                    server.on_refresh(serial // server.per_refresh)
        # Update check, advertising and charts get nothing: only quotes count.
        codes = self.path.split("/list=", 1)[1].split(",") if quotes else []
        body = quote_reply(codes, serial // server.per_refresh) if quotes else b""
        self.send_response(200 if quotes else 404)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            return  # the run ended with this reply on its way
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


def cpu_ns(pid):
    """CPU time of all the process's threads, in nanoseconds."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
                total += int(schedstat.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total


def run_once(command, cwd, port, per_refresh, refreshes, platform):
    """Start-up ms, resident KiB, CPU ms per refresh, mappings of one run."""
    marks = {}
    pid = []
    done = threading.Event()
    # Refresh 0 is the first; the warm-up ends with refresh 2.
    first, last = 2, 2 + refreshes

    def on_refresh(index):
        if pid and index in (first, last):
            marks[index] = cpu_ns(pid[0])
            if index == last:
                done.set()

    service = Service(port, per_refresh, on_refresh)
    thread = threading.Thread(target=service.serve_forever, daemon=True)
    thread.start()
    env = dict(os.environ, QT_QPA_PLATFORM=platform)
    env.setdefault("XDG_RUNTIME_DIR", tempfile.mkdtemp())
    # Each start finds what a normal exit leaves. A run ends in a kill, which
    # leaves the one-instance lock and socket behind, and the next start would
    # take the slower path of one that follows a crash.
    env["TMPDIR"] = tempfile.mkdtemp()
    try:
        os.remove(os.path.join(cwd, ".quotarium.lock"))
    except FileNotFoundError:
        pass
    started = time.monotonic()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    pid.append(process.pid)
    try:
        if not service.replied.wait(20):
            raise RuntimeError(f"{command[0]} sent no request")
        startup_ms = (service.first_request - started) * 1000
        time.sleep(1.0)
        memory = rss_kib(process.pid)
        mappings = mapped_kib(process.pid)
        if refreshes and not done.wait(refreshes * 2 + 20):
            raise RuntimeError(f"{command[0]} stopped refreshing")
    finally:
        process.kill()
        process.wait()
        service.shutdown()
        service.server_close()
    per_refresh_ms = (marks[last] - marks[first]) / refreshes / 1e6 if refreshes else 0
    return startup_ms, memory, per_refresh_ms, mappings


def prepare(work, app, count):
    """A data folder with a copy of the program, `count` stocks and a refresh
    every second; the codes."""
    os.makedirs(work)
    shutil.copy(app, os.path.join(work, "quotarium"))
    codes = [("sh60" if i % 2 == 0 else "sz00") + f"{i:04d}" for i in range(count)]
    entries = "".join(f'    <股票 代码="{c}" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>\n'
                      for c in codes)
    with open(os.path.join(work, "Stocks.xml"), "wb") as stocks:
        stocks.write(('<?xml version="1.0" encoding="GB18030"?>\n<Quotarium version="1">\n'
                      + entries + "</Quotarium>\n").encode("gb18030"))
    with open(os.path.join(work, "Config.xml"), "wb") as config:
        config.write(('<?xml version="1.0" encoding="GB18030"?>\n<Quotarium version="1">\n'
                      '    <窗口风格 风格="0"/>\n'
                      '    <界面字体 字体="宋体" 大小="12" 风格="0" 删除线="0" 下划线="0"/>\n'
                      '    <行情字体 字体="宋体" 大小="12" 风格="0" 删除线="0" 下划线="0"/>\n'
                      '    <数据刷新时间 时间="1"/>\n</Quotarium>\n').encode("gb18030"))
    return codes


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--app", default="build/bench/bin/quotarium")
    parser.add_argument("--floor", default="build/bench/bin/quotarium_floor")
    parser.add_argument("--port", type=int, default=18765)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--codes", type=int, nargs="+", default=[50, 1000])
    parser.add_argument("--refreshes", type=int, default=10,
                        help="refreshes measured per run (0: start-up and memory only)")
    parser.add_argument("--platform", default="offscreen", help="offscreen, or xcb on DISPLAY")
    parser.add_argument("--breakdown", action="store_true",
                        help="list where the program's resident memory exceeds the floor's")
    args = parser.parse_args()

    root = tempfile.mkdtemp(prefix="quotarium-bench-")
    floor = os.path.abspath(args.floor)
    print(f"{'':16s} {'start-up ms':>12s} {'resident MB':>12s} {'CPU ms/refresh':>15s}")
    for count in args.codes:
        work = os.path.join(root, str(count))
        codes = prepare(work, args.app, count)
        app = os.path.join(work, "quotarium")
        floor_url = f"http://127.0.0.1:{args.port}/list=" + ",".join(codes)
        # The program asks for at most 800 codes at a time; the floor for all.
        batches = (count + 799) // 800
        results = {"floor": [], "quotarium": []}
        for _ in range(args.runs):
            results["floor"].append(run_once([floor, floor_url, "1000"], work, args.port, 1,
                                             args.refreshes, args.platform))
            results["quotarium"].append(run_once([app], work, args.port, batches,
                                                 args.refreshes, args.platform))
        summary = {}
        for name, runs in results.items():
            summary[name] = [statistics.median(r[i] for r in runs) for i in range(3)]
            startup, memory, cpu = summary[name]
            print(f"{name:9s} {count:5d}  {startup:12.1f} {memory / 1024:12.1f} {cpu:15.2f}"
                  f"   (start-up runs: {', '.join(f'{r[0]:.0f}' for r in runs)};"
                  f" resident runs: {', '.join(f'{r[1] / 1024:.2f}' for r in runs)};"
                  f" CPU runs: {', '.join(f'{r[2]:.2f}' for r in runs)})")
        (app_startup, app_memory, app_cpu), (floor_startup, floor_memory, floor_cpu) = (
            summary["quotarium"], summary["floor"])
        cpu_ratio = f"{app_cpu / floor_cpu:.2f}x" if floor_cpu else "-"
        print(f"ratio     {count:5d}  {app_startup / floor_startup:11.2f}x "
              f"{(app_memory - floor_memory) / 1024:+11.2f}  {cpu_ratio:>15s}")
        if args.breakdown:
            floor_maps = results["floor"][-1][3]
            app_maps = results["quotarium"][-1][3]
            # The copy of the program lives in a temporary folder: name it alike.
            app_maps = {("quotarium" if name == app else name): kib
                        for name, kib in app_maps.items()}
            print("resident KiB above the floor by mapping (last run of each, >= 64 KiB):")
            names = set(floor_maps) | set(app_maps)
            rows = sorted(((app_maps.get(n, 0) - floor_maps.get(n, 0), n) for n in names),
                          reverse=True)
            for difference, name in rows:
                if abs(difference) >= 64:
                    print(f"  {difference:+7d}  {name}")
    shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
