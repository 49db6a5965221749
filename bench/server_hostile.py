#!/usr/bin/env python3
"""Hostile-load figures for bloomzap-server, on loopback only, each case bounded in time.

  server_hostile.py slow SERVER       300 idle and 40 slow clients beside a normal client
  server_hostile.py slowbody SERVER   1,100 game-record heads from 35 addresses whose bodies
                                      drip a byte every 5 s (reconnecting when cut), beside a
                                      normal client making 20 requests, each given 1 s
  server_hostile.py newpeers SERVER   tickets on connections each from a new 127.x.y.z address,
                                      against the same from one address: requests a second
                                      and peak RSS
  server_hostile.py floods SERVER     peak RSS under 4 endless header floods
  server_hostile.py downloads SERVER  peak RSS under 32 parallel downloads of a 64 MB installer
  server_hostile.py kill URL PID DB_QUERY_CMD SECONDS
                                      postings through nginx at URL, SIGKILL of PID half-way;
                                      DB_QUERY_CMD prints the stored names, one a line
Each prints one line of figures.
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def start_server(binary, *extra):
    work = tempfile.mkdtemp(prefix="bloomzap-hostile-")
    log = open(os.path.join(work, "server.log"), "w+")
    proc = subprocess.Popen([binary, "--listen", "127.0.0.1:0", "--data", work + "/data",
                             "--post-limit", "0", *extra], stdout=log, stderr=log)
    for _ in range(200):
        log.seek(0)
        m = re.search(r"serving http://127\.0\.0\.1:(\d+)/", log.read())
        if m:
            return proc, int(m.group(1)), work
        time.sleep(0.05)
    raise SystemExit("server did not start")


def peak_rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


def connect(port, source="127.0.0.1"):
    s = socket.socket()
    s.bind((source, 0))
    s.settimeout(20)
    s.connect(("127.0.0.1", port))
    return s


def get(port, path, source="127.0.0.1"):
    s = connect(port, source)
    s.sendall(f"GET {path} HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n".encode())
    data = b""
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    s.close()
    return data


def slow(binary):
    proc, port, _ = start_server(binary)
    held = []
    for i in range(300):
        held.append(connect(port, f"127.0.2.{1 + i // 30}"))
    slow_socks = []
    for i in range(40):
        s = connect(port, f"127.0.3.{1 + i // 20}")
        s.sendall(b"GET / HTTP/1.1\r\n")
        slow_socks.append(s)
    stop = threading.Event()

    def trickle():
        while not stop.is_set():
            for s in slow_socks:
                try:
                    s.sendall(b"X-Slow: 1\r\n")
                except OSError:
                    pass
            stop.wait(2.0)

    t = threading.Thread(target=trickle)
    t.start()
    worst = 0.0
    answered = 0
    for _ in range(500):
        began = time.monotonic()
        reply = get(port, "/bloomzap/bloomzapversion.txt")
        worst = max(worst, time.monotonic() - began)
        answered += reply.startswith(b"HTTP/1.1 200")
        time.sleep(0.005)
    stop.set()
    t.join()
    proc.terminate()
    proc.wait()
    print(f"300 idle + 40 slow: normal client 500 requests, {answered} answered, "
          f"worst latency {worst * 1000:.1f} ms")


def slowbody(binary):
    import resource
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    proc, port, _ = start_server(binary)
    head = (b"POST /bloomzap/replay HTTP/1.1\r\nHost: 127.0.0.1\r\n"
            b"Content-Length: 65536\r\n\r\n")
    sources = [f"127.0.12.{1 + i}" for i in range(35)]
    slots = [sources[i % 35] for i in range(1100)]
    socks = [None] * len(slots)
    cuts = [0]

    def open_slot(i):
        try:
            s = connect(port, slots[i])
            s.sendall(head)
            socks[i] = s
        except OSError:
            socks[i] = None

    for i in range(len(slots)):
        open_slot(i)
    stop = threading.Event()

    def drip():
        while not stop.is_set():
            for i, s in enumerate(socks):
                try:
                    if s is None:
                        raise OSError
                    s.sendall(b"x")
                except OSError:
                    if s is not None:
                        cuts[0] += 1
                        s.close()
                    open_slot(i)
            stop.wait(5.0)

    t = threading.Thread(target=drip)
    t.start()
    time.sleep(12)  # past the first cuts for a body too slow, and their reconnections
    answered = 0
    worst = 0.0
    for _ in range(20):
        began = time.monotonic()
        try:
            s = connect(port)
            s.settimeout(1.0)
            s.sendall(b"GET /bloomzap/bloomzapversion.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
            s.close()
            took = time.monotonic() - began
            if data.startswith(b"HTTP/1.1 200") and took <= 1.0:
                answered += 1
            worst = max(worst, took)
        except OSError:
            worst = max(worst, time.monotonic() - began)
        time.sleep(0.5)
    held = sum(1 for s in socks if s is not None)
    stop.set()
    t.join()
    rss = peak_rss_mb(proc.pid)
    proc.terminate()
    proc.wait()
    for s in socks:
        if s is not None:
            s.close()
    print(f"1,100 slow bodies from 35 addresses: normal client {answered} of 20 answered "
          f"within 1 s, worst {worst * 1000:.1f} ms; {held} slow connections open at the end, "
          f"{cuts[0]} cut for a body too slow; peak RSS {rss:.1f} MB")


def _peer_worker(args):
    port, worker, fresh, seconds = args
    done = 0
    n = 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        n += 1
        source = f"127.{20 + worker}.{(n >> 8) & 255}.{1 + (n & 255) % 254}" if fresh \
            else "127.0.13.1"
        try:
            reply = get(port, "/bloomzap/ticket", source)
            done += reply.startswith(b"HTTP/1.1 200")
        except OSError:
            pass
    return done


def newpeers(binary):
    import multiprocessing
    seconds = 5
    figures = {}
    for fresh in (False, True):
        proc, port, _ = start_server(binary, "--ticket-limit", "1000000", "--per-address", "64")
        with multiprocessing.Pool(4) as pool:
            counts = pool.map(_peer_worker, [(port, w, fresh, seconds) for w in range(4)])
        figures[fresh] = (sum(counts) / seconds, peak_rss_mb(proc.pid))
        proc.terminate()
        proc.wait()
    (one, one_rss), (new, new_rss) = figures[False], figures[True]
    print(f"tickets, a connection each: from one address {one:.0f}/s (peak RSS {one_rss:.1f} MB), "
          f"each from a new address {new:.0f}/s (peak RSS {new_rss:.1f} MB): {new / one:.2f}x")


def floods(binary):
    proc, port, _ = start_server(binary)
    stop = threading.Event()
    refused = [0]

    def flood(n):
        line = b"X-Flood: " + b"a" * 1000 + b"\r\n"
        while not stop.is_set():
            try:
                s = connect(port, f"127.0.4.{n + 1}")
                s.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n")
                while not stop.is_set():
                    s.sendall(line)
            except OSError:
                refused[0] += 1

    threads = [threading.Thread(target=flood, args=(n,)) for n in range(4)]
    for t in threads:
        t.start()
    time.sleep(10)
    stop.set()
    for t in threads:
        t.join()
    rss = peak_rss_mb(proc.pid)
    proc.terminate()
    proc.wait()
    print(f"4 endless header floods for 10 s: {refused[0]} refused, peak RSS {rss:.1f} MB")


def downloads(binary):
    work = tempfile.mkdtemp(prefix="bloomzap-updates-")
    with open(os.path.join(work, "bzpsetup.exe"), "wb") as f:
        f.write(os.urandom(1 << 20) * 64)
    proc, port, _ = start_server(binary, "--updates", work)
    sizes = []

    def download(n):
        s = connect(port, f"127.0.5.{1 + n // 16}")
        s.sendall(b"GET /bloomzap/bzpsetup.exe HTTP/1.0\r\nHost: x\r\n\r\n")
        total = 0
        while True:
            chunk = s.recv(1 << 16)
            if not chunk:
                break
            total += len(chunk)
            time.sleep(0.0005)  # a slower reader than the server
        sizes.append(total)

    threads = [threading.Thread(target=download, args=(n,)) for n in range(32)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    rss = peak_rss_mb(proc.pid)
    proc.terminate()
    proc.wait()
    complete = sum(1 for s in sizes if s > 64 << 20)
    print(f"32 parallel downloads of 64 MB: {complete} complete, peak RSS {rss:.1f} MB")


def kill(url, pid, query, seconds):
    m = re.match(r"http://127\.0\.0\.1:(\d+)(/.*)", url)
    port, path = int(m.group(1)), m.group(2)
    stop = threading.Event()
    status = {}
    lock = threading.Lock()

    def poster(n):
        i = 0
        while not stop.is_set():
            name = f"K{n}x{i}"
            i += 1
            try:
                reply = get(port, f"{path}?name={name}&date=12/7/26&score={i}")
                code = int(reply[9:12]) if reply.startswith(b"HTTP/1.") else 0
            except OSError:
                code = 0
            with lock:
                status[name] = code

    threads = [threading.Thread(target=poster, args=(n,)) for n in range(8)]
    for t in threads:
        t.start()
    time.sleep(seconds / 2)
    os.kill(pid, signal.SIGKILL)
    time.sleep(seconds / 2)
    stop.set()
    for t in threads:
        t.join()
    stored = {}
    for line in subprocess.run(query, shell=True, capture_output=True, text=True).stdout.split():
        stored[line] = stored.get(line, 0) + 1
    acked = sum(1 for c in status.values() if c == 200)
    lost = sum(1 for n, c in status.items() if c == 200 and n not in stored)
    doubled = sum(1 for n in status if stored.get(n, 0) > 1)
    failed = sum(1 for c in status.values() if c != 200)
    kept = sum(1 for n in status if n in stored)
    print(f"SIGKILL of one backend behind nginx: {len(status)} postings, {acked} acknowledged, "
          f"{kept} stored, {failed} not acknowledged, {lost} lost, {doubled} doubled")


if __name__ == "__main__":
    case = sys.argv[1]
    if case == "kill":
        kill(sys.argv[2], int(sys.argv[3]), sys.argv[4], float(sys.argv[5]))
    else:
        {"slow": slow, "slowbody": slowbody, "newpeers": newpeers, "floods": floods,
         "downloads": downloads}[case](sys.argv[2])
