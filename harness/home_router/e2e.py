#!/usr/bin/env python3
"""Behind a home router, end to end under Wine. Host 1001 sits at home behind
a router that maps ports (world.sh beside this file); host 1002 and the
stand-in GG server sit on the internet side. 1002 sends 1001 a file: it must
come in directly, through the port that 1001's kvel mapped on the router (no
call-back asked through the server), whole (SHA-256). After 1001 quits, the
router holds no mapping.

    e2e.py WINDOWS_BUILD SERVER_PROGRAM [--report FILE] [--skip REASON]

SERVER_PROGRAM "auto" takes the stand-in server of the first native build
found beside WINDOWS_BUILD (native, native-asan, native-tsan).

Wine keeps its sockets in the wineserver, which lives in the namespace it was
started in: each host runs in a Wine prefix of its own (a copy of the build's
ready prefix) started inside its namespace, and is driven from here through
its console. Prints what it saw, the last line the outcome; one line says so
when the world cannot be made (no root, no namespaces), and it passes then.
"""
import hashlib
import os
import pathlib
import select
import shutil
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
SERVER_ADDRESS = "185.77.0.2"
SERVER_PORT = 8074


class Failure(Exception):
    pass


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def world(*arguments):
    result = subprocess.run(["bash", str(HERE / "world.sh"), *arguments], capture_output=True,
                            text=True, timeout=60)
    return result.returncode, result.stdout.strip()


class Console:
    """A program in a namespace, driven line by line; every read is bounded."""

    def __init__(self, namespace, command, log):
        self.log = open(log, "wb")
        self.process = subprocess.Popen(["ip", "netns", "exec", namespace, *command],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.log)
        self.buffer = b""

    def read_until(self, done, seconds, what):
        deadline = time.monotonic() + seconds
        while not done(self.buffer):
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"waited {seconds} s for {what}; got {self.buffer[-300:]!r}")
            ready, _, _ = select.select([self.process.stdout], [], [], left)
            if ready:
                chunk = os.read(self.process.stdout.fileno(), 65536)
                if not chunk:
                    raise Failure(f"the program ended while waiting for {what}")
                self.buffer += chunk

    def send(self, line):
        self.process.stdin.write(line.encode("cp1250") + b"\n")
        self.process.stdin.flush()

    def end(self, seconds=20):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        try:
            self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(5)
        self.log.close()


class Host(Console):
    def __init__(self, namespace, build, prefix, profile, uin, contact, port):
        profile.mkdir(parents=True)
        (profile / "kvel.config").write_text(f"[p2p]\r\nlocal-port={port}\r\n")
        env = ["env", f"WINEPREFIX={prefix}", f"KVEL_WIN32_BUILD={build}"]
        super().__init__(namespace, env + [
            "bash", str(ROOT / "scripts/wine-run.sh"), str(build / "kvel_host.exe"),
            "--profile", windows_path(profile), "--server-address", SERVER_ADDRESS,
            "--server", str(SERVER_PORT), "--uin", str(uin), "--contact", f"{contact}:peer",
            "--console"], profile.parent / f"host{uin}.stderr")
        self.uin = uin
        # Its first prompt, and the line that says it is logged in.
        self.read_until(lambda b: b"> " in b and b"ready" in b, 120, f"host {uin} to start")
        self.buffer = b""

    def command(self, line, seconds=30):
        self.send(line)
        self.read_until(lambda b: b.endswith(b"\n> "), seconds, f"'{line}' of {self.uin}")
        answer, self.buffer = self.buffer[:-3].decode("cp1250"), b""
        return answer

    def wait_for(self, line, expected, seconds):
        deadline = time.monotonic() + seconds
        while True:
            answer = self.command(line)
            if expected in answer:
                return answer
            if time.monotonic() > deadline:
                raise Failure(f"host {self.uin}: '{line}' never said '{expected}': {answer[-300:]}")
            time.sleep(0.1)

    def quit(self):
        self.send("quit")
        self.end()


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def run(build, server_program, scratch, name):
    ready = pathlib.Path(os.environ.get("KVEL_WINEPREFIX", build / "wineprefix"))
    if not (ready / ".kvel-ready").exists():
        # wine-run.sh makes the prefix, once, for any program it runs.
        subprocess.run(["bash", str(ROOT / "scripts/wine-run.sh"), str(build / "kvel_host.exe"),
                        "--report"], env=dict(os.environ, WINEPREFIX=str(ready)),
                       capture_output=True, timeout=300)
    if not (ready / ".kvel-ready").exists():
        raise Failure(f"no ready Wine prefix at {ready}")
    # A copy of hard links: Wine changes only the registry's files of a prefix
    # that is ready, and those it writes anew; they are copied for real.
    started = time.monotonic()
    prefixes = {}
    for uin in (1001, 1002):
        prefixes[uin] = scratch / f"prefix{uin}"
        subprocess.run(["cp", "-al", str(ready), str(prefixes[uin])], check=True, timeout=120)
        for registry in ready.glob("*.reg"):
            (prefixes[uin] / registry.name).unlink()
            shutil.copy2(registry, prefixes[uin] / registry.name)
    print(f"two Wine prefixes copied in {time.monotonic() - started:.1f} s")
    server = Console(f"{name}-net", [str(server_program), "--listen", SERVER_ADDRESS, "--port",
                                     str(SERVER_PORT)], scratch / "server.stderr")
    hosts = []
    try:
        server.read_until(lambda b: b"listening" in b, 10, "the GG server")
        home = Host(f"{name}-home", build, prefixes[1001], scratch / "host1001", 1001, 1002, 1560)
        hosts.append(home)
        home.wait_for("status", "connected=1", 60)
        mapped = home.wait_for("log", "upnp: mapped ", 20)
        line = mapped[mapped.index("upnp: mapped "):].splitlines()[0]
        external = line.split()[2]
        print(f"1001 logged: {line}")
        outside = Host(f"{name}-net", build, prefixes[1002], scratch / "host1002", 1002, 1001, 1570)
        hosts.append(outside)
        outside.wait_for("status", "connected=1", 60)
        table = world("mappings", name)[1]
        if table != "1560 -> 10.77.0.2:1560":
            raise Failure(f"the router's table is {table!r}")

        sent, received = scratch / "sent.bin", scratch / "received.bin"
        sent.write_bytes(os.urandom(1024 * 1024 + 17))
        home.command("answer yes")
        home.command(f'save "{windows_path(received)}"')
        outside.command(f'open "{windows_path(sent)}"')
        began = time.monotonic()
        outside.command("click kvel/send 1001")
        deadline = time.monotonic() + 90
        while not (received.exists() and received.stat().st_size == sent.stat().st_size):
            if time.monotonic() > deadline:
                raise Failure("1002's file did not come in")
            time.sleep(0.1)
        seconds = time.monotonic() - began
        same = sha256(received) == sha256(sent)
        # A call-back would have been asked by a message through the server.
        server.send("relayed")
        server.read_until(lambda b: b"relayed " in b, 10, "the server's count")
        relayed = server.buffer.split(b"relayed ")[-1].split()[0].decode()
        if not same:
            raise Failure("the received file differs from the sent one")
        if relayed != "0":
            raise Failure(f"the server relayed {relayed} messages: a call-back was asked")
        quitting = time.monotonic()
        home.quit()
        hosts.remove(home)
        print(f"1001 quit in {time.monotonic() - quitting:.1f} s")
        table = world("mappings", name)[1]
        if table:
            raise Failure(f"after 1001 quit, the router still maps {table!r}")
        return (f"1001 behind a home router: mapped {external} \u2192 10.77.0.2:1560; 1002's file "
                f"came in directly ({sent.stat().st_size} bytes in {seconds:.1f} s), SHA-256 "
                f"match; after 1001 quit the router maps nothing")
    finally:
        for host in hosts:
            host.quit()
        server.end()
        for prefix in prefixes.values():
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(prefix)),
                           capture_output=True, timeout=30)


def main():
    build, server_program = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2])
    if sys.argv[2] == "auto":
        found = [build.parent / b / "harness/kvel_gg_server" for b in
                 ("native", "native-asan", "native-tsan")]
        server_program = next((p for p in found if p.exists()), found[0])
    report = sys.argv[sys.argv.index("--report") + 1] if "--report" in sys.argv else None
    name = f"k{os.getpid() % 100000}e"
    scratch = pathlib.Path(f"/tmp/kvel-home-router-{os.getpid()}")
    status = 0
    if "--skip" in sys.argv:
        outcome = f"home-router end to end skipped: {sys.argv[sys.argv.index('--skip') + 1]}"
    elif os.geteuid() != 0:
        outcome = "home-router end to end skipped: network namespaces need root"
    elif not server_program.exists():
        outcome = f"home-router end to end skipped: no stand-in server at {server_program}"
    else:
        code, said = world("up", name, str(scratch / "world"))
        if code != 0:
            outcome = f"home-router end to end skipped: {said}"
        else:
            try:
                outcome = run(build, server_program, scratch, name)
            except Failure as failure:
                outcome, status = f"home-router end to end FAILED: {failure}", 1
                for said in sorted(scratch.glob("*.stderr")):
                    print(f"{said.name}: {said.read_text(errors='replace')[-600:]}")
            finally:
                world("down", name, str(scratch / "world"))
                shutil.rmtree(scratch, ignore_errors=True)
    print(outcome)
    if report:
        with open(report, "a", encoding="utf-8") as out:
            out.write(outcome + "\n")
    return status


if __name__ == "__main__":
    sys.exit(main())
