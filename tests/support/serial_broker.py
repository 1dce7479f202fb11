#!/usr/bin/env python3
"""Serial lines of this host for the Windows test programs run under Wine.

Wine opens COMn through the prefix's dosdevices/comN symbolic link, so a pseudo-terminal of
this host linked there is a serial port to a Windows program, reached through the real
Win32 calls. The Windows test programs cannot make pseudo-terminals or run this host's
simulator themselves: this broker, listening on 127.0.0.1, does it for them. One line per
request, fields separated by tabs:

  SESSION               -> OK <id> once the COM links are the caller's. Every program of the
                           prefix sees the same links, so one caller holds them at a time.
                           Then, on the same connection:
      LINK <n> <target> -> OK    dosdevices/comN -> target
      PATH <n>          -> OK <where dosdevices/comN is> (for a simulator's --pty)
      LINE <tty>        -> OK <the terminal's line settings as a program left them>
      FLOW <tty> off|on -> OK    stops or resumes the terminal's output (tcflow)
                           When it closes, its simulators are stopped, its links removed,
                           and the next caller gets the links.
  PTY raw|cooked        -> OK <slave path>; from then on the connection is the master side:
                           bytes both ways; closing it hangs the line up.
  SIM <id> <args...>    -> OK <pid>; runs this host's simulator, then sends "OUT <n>\\n" and
                           n bytes of its standard output as they come, and "EXIT <status>\\n"
                           when it has ended. The caller may send TERM or KILL; closing the
                           connection stops it.
A failed request is answered "ERR <reason>". Windows paths (X:\\...) in LINK targets and SIM
arguments are turned into the prefix's own paths to them.

  serial_broker.py start --dir DIR --prefix WINEPREFIX --sim PATH
      returns once the broker listens in the background; DIR/port holds its port
  serial_broker.py stop --dir DIR
"""
import argparse
import os
import re
import select
import signal
import socket
import subprocess
import sys
import termios
import threading
import time

IDLE_EXIT_S = 1800  # a broker left behind (a run cut short) ends by itself
STOP_WAIT_S = 3     # a simulator asked to end gets this long before it is killed
FLUSH_WAIT_S = 2    # bytes for a hung-up line are still written for this long
SPEEDS = {getattr(termios, "B%d" % b): b for b in
          (0, 50, 75, 110, 134, 150, 200, 300, 600, 1200, 1800, 2400, 4800, 9600, 19200, 38400,
           57600, 115200, 230400, 460800, 921600)}
DRIVE_PATH = re.compile(r"^([A-Za-z]):[\\/]")


def log(*words):
    print(time.strftime("%H:%M:%S"), *words, flush=True)


class Lines:
    """Lines read from a socket; what follows the last line read stays in rest."""

    def __init__(self, conn):
        self.conn = conn
        self.rest = b""

    def line(self):
        while b"\n" not in self.rest:
            data = self.conn.recv(4096)
            if not data:
                return None
            self.rest += data
        line, self.rest = self.rest.split(b"\n", 1)
        return line.decode("utf-8", "replace").split("\t")


def reply(conn, text):
    conn.sendall((text + "\n").encode())


def make_raw(fd):
    """What cfmakeraw does: no byte is changed, added or swallowed on the way."""
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(fd)
    iflag &= ~(termios.IGNBRK | termios.BRKINT | termios.PARMRK | termios.ISTRIP | termios.INLCR |
               termios.IGNCR | termios.ICRNL | termios.IXON)
    oflag &= ~termios.OPOST
    lflag &= ~(termios.ECHO | termios.ECHONL | termios.ICANON | termios.ISIG | termios.IEXTEN)
    cflag = (cflag & ~(termios.CSIZE | termios.PARENB)) | termios.CS8
    cc[termios.VMIN], cc[termios.VTIME] = 1, 0
    termios.tcsetattr(fd, termios.TCSANOW, [iflag, oflag, cflag, lflag, ispeed, ospeed, cc])


def line_settings(path):
    """The settings a serial program must have left: speed, 8N1, RTS/CTS, raw bytes."""
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        iflag, oflag, cflag, lflag, ispeed, ospeed, _ = termios.tcgetattr(fd)
    finally:
        os.close(fd)
    sizes = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}
    flags = [("parenb", cflag & termios.PARENB), ("cstopb", cflag & termios.CSTOPB),
             ("crtscts", cflag & termios.CRTSCTS), ("icanon", lflag & termios.ICANON),
             ("echo", lflag & termios.ECHO), ("isig", lflag & termios.ISIG),
             ("iexten", lflag & termios.IEXTEN), ("opost", oflag & termios.OPOST),
             ("icrnl", iflag & termios.ICRNL), ("istrip", iflag & termios.ISTRIP),
             ("ixon", iflag & termios.IXON), ("ixoff", iflag & termios.IXOFF)]
    return " ".join(["speed=%s/%s" % (SPEEDS.get(ispeed, "?"), SPEEDS.get(ospeed, "?")),
                     "bits=%d" % sizes[cflag & termios.CSIZE]] +
                    ["%s=%d" % (name, 1 if on else 0) for name, on in flags])


def stop_process(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(STOP_WAIT_S)
        except subprocess.TimeoutExpired:
            proc.kill()
    proc.wait()


class Session:
    def __init__(self, sid):
        self.id = sid
        self.links = set()  # dosdevices links this caller made or had a simulator make
        self.procs = []


class Broker:
    def __init__(self, prefix, sim):
        self.prefix = prefix
        self.sim = sim
        self.holder = threading.Lock()  # held by the session that owns the COM links
        self.guard = threading.Lock()   # for the fields below
        self.sessions = {}
        self.next_id = 1
        self.busy = 0
        self.last_seen = time.monotonic()

    def com_path(self, n):
        if not n.isdigit() or not 1 <= int(n) <= 256:
            raise ValueError("no COM number: " + n)
        return os.path.join(self.prefix, "dosdevices", "com" + n)

    def host_path(self, arg):
        m = DRIVE_PATH.match(arg)
        if not m:
            return arg
        return os.path.join(self.prefix, "dosdevices", m.group(1).lower() + ":",
                            arg[3:].replace("\\", "/"))

    def serve(self, conn):
        with self.guard:
            self.busy += 1
        try:
            lines = Lines(conn)
            request = lines.line()
            log("request", request)
            if request and request[0] == "SESSION":
                self.session(conn, lines)
            elif request and request[0] == "PTY" and len(request) == 2:
                self.pty(conn, lines, request[1] == "raw")
            elif request and request[0] == "SIM" and len(request) >= 2:
                self.run_sim(conn, lines, request[1], request[2:])
            elif request:
                reply(conn, "ERR\tunknown request " + request[0])
        except (OSError, ValueError, termios.error) as e:
            log("failed:", e)
        finally:
            conn.close()
            with self.guard:
                self.busy -= 1
                self.last_seen = time.monotonic()

    def session(self, conn, lines):
        # Wait for the links; a caller that gives up meanwhile closes its connection.
        while not self.holder.acquire(timeout=0.2):
            if select.select([conn], [], [], 0)[0] and not conn.recv(1, socket.MSG_PEEK):
                return
        with self.guard:
            session = Session(str(self.next_id))
            self.next_id += 1
            self.sessions[session.id] = session
        log("session", session.id, "holds the links")
        try:
            reply(conn, "OK\t" + session.id)
            while (request := lines.line()) is not None:
                try:
                    reply(conn, "OK\t" + self.session_request(session, request))
                except (OSError, ValueError, termios.error) as e:
                    reply(conn, "ERR\t%s" % (e,))
        finally:
            self.end_session(session)
            self.holder.release()

    def session_request(self, session, request):
        log("session", session.id, request)
        what, args = request[0], request[1:]
        if what == "LINK" and len(args) == 2:
            path = self.com_path(args[0])
            if os.path.lexists(path):
                os.remove(path)
            os.symlink(self.host_path(args[1]), path)
            session.links.add(path)
            return ""
        if what == "PATH" and len(args) == 1:
            path = self.com_path(args[0])
            session.links.add(path)
            return path
        if what == "LINE" and len(args) == 1:
            return line_settings(args[0])
        if what == "FLOW" and len(args) == 2:
            fd = os.open(args[0], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
            try:
                termios.tcflow(fd, termios.TCOON if args[1] == "on" else termios.TCOOFF)
            finally:
                os.close(fd)
            return ""
        raise ValueError("unknown request " + what)

    def end_session(self, session):
        with self.guard:
            del self.sessions[session.id]
        for proc in session.procs:
            stop_process(proc)
        for path in session.links:
            if os.path.islink(path):
                os.remove(path)
        log("session", session.id, "ended")

    def pty(self, conn, lines, raw):
        master, slave = os.openpty()
        try:
            if raw:  # the settings of a pair are the slave's (the master side's are too)
                make_raw(slave)
            reply(conn, "OK\t" + os.ttyname(slave))
            relay(conn, master, lines.rest)
        finally:
            os.close(master)  # the line hangs up
            os.close(slave)

    def run_sim(self, conn, lines, sid, args):
        with self.guard:
            session = self.sessions.get(sid)
        if session is None:
            reply(conn, "ERR\tno session " + sid)
            return
        if not os.access(self.sim, os.X_OK):
            reply(conn, "ERR\tthe host's simulator is not built: " + self.sim)
            return
        args = [self.host_path(a) for a in args]
        proc = subprocess.Popen([self.sim] + args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                start_new_session=True)
        session.procs.append(proc)
        reply(conn, "OK\t%d" % proc.pid)
        try:
            follow_sim(conn, lines, proc)
        finally:
            stop_process(proc)


def relay(conn, master, pending):
    """Bytes between the connection and the master side until the connection closes; what
    came before the close still goes out (bounded)."""
    os.set_blocking(master, False)
    closed_at = None
    while closed_at is None or (pending and time.monotonic() - closed_at < FLUSH_WAIT_S):
        readers = [master] if closed_at else [conn, master]
        ready_r, ready_w, _ = select.select(readers, [master] if pending else [], [], 0.1)
        if conn in ready_r:
            data = conn.recv(65536)
            if data:
                pending += data
            else:
                closed_at = time.monotonic()
        if master in ready_r:
            try:
                data = os.read(master, 65536)
            except BlockingIOError:
                data = b""
            if data and not closed_at:
                conn.sendall(data)
        if master in ready_w:
            try:
                pending = pending[os.write(master, pending):]
            except BlockingIOError:
                pass


def follow_sim(conn, lines, proc):
    """The simulator's output to the caller, its orders to the simulator, then its end."""
    out = proc.stdout.fileno()
    os.set_blocking(out, False)
    out_open = True
    while True:
        watched = [conn] + ([out] if out_open else [])
        ready = select.select(watched, [], [], 0.05)[0]
        if out in ready:
            try:
                data = os.read(out, 65536)
            except BlockingIOError:
                data = None
            if data:
                conn.sendall(b"OUT %d\n" % len(data) + data)
            elif data is not None:
                out_open = False
        if conn in ready:
            data = conn.recv(4096)
            if not data:
                return  # the caller went: the simulator is stopped
            lines.rest += data
            for order in lines.rest.split(b"\n")[:-1]:
                if order == b"TERM":
                    proc.terminate()
                elif order == b"KILL":
                    proc.kill()
            lines.rest = lines.rest.rsplit(b"\n", 1)[-1]
        if not out_open and proc.poll() is not None:
            status = proc.returncode if proc.returncode >= 0 else -1
            conn.sendall(b"EXIT %d\n" % status)
            return


def serve_forever(broker, listener):
    listener.settimeout(1)
    while True:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            with broker.guard:
                if not broker.busy and time.monotonic() - broker.last_seen > IDLE_EXIT_S:
                    log("idle: ending")
                    return
            continue
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=broker.serve, args=(conn,), daemon=True).start()


def write_atomically(path, text):
    with open(path + ".new", "w") as f:
        f.write(text)
    os.replace(path + ".new", path)


def stop(state):
    try:
        with open(os.path.join(state, "pid")) as f:
            pid = int(f.read())
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if os.path.basename(__file__).encode() not in f.read():
                raise ValueError("process %d is no broker" % pid)
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):  # 5 s
            os.kill(pid, 0)
            time.sleep(0.1)
        os.kill(pid, signal.SIGKILL)
    except (OSError, ValueError):
        pass  # none running
    for name in ("port", "pid"):
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))


def start(state, prefix, sim):
    os.makedirs(state, exist_ok=True)
    stop(state)  # one left from a run cut short
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    port = listener.getsockname()[1]
    if os.fork():
        listener.close()
        write_atomically(os.path.join(state, "port"), "%d\n" % port)
        print("serial broker on 127.0.0.1:%d (log %s)" % (port, os.path.join(state, "broker.log")))
        return
    # The broker: its own session, its output in the log, so that no caller waits on it.
    os.setsid()
    logfile = os.open(os.path.join(state, "broker.log"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.dup2(logfile, 1)
    os.dup2(logfile, 2)
    write_atomically(os.path.join(state, "pid"), "%d\n" % os.getpid())
    broker = Broker(prefix, sim)

    def end(*_):
        for session in list(broker.sessions.values()):
            broker.end_session(session)
        for name in ("port", "pid"):
            if os.path.exists(os.path.join(state, name)):
                os.remove(os.path.join(state, name))
        os._exit(0)

    signal.signal(signal.SIGTERM, end)
    log("listening on", port, "prefix", prefix, "simulator", sim)
    serve_forever(broker, listener)
    end()


def main():
    parser = argparse.ArgumentParser(description="Serial lines of this host for Windows tests under Wine")
    parser.add_argument("command", choices=["start", "stop"])
    parser.add_argument("--dir", required=True, help="the broker's folder (port, pid, log)")
    parser.add_argument("--prefix", default=os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")))
    parser.add_argument("--sim", default="", help="this host's simulator")
    a = parser.parse_args()
    if a.command == "start":
        start(os.path.abspath(a.dir), os.path.abspath(a.prefix), a.sim)
    else:
        stop(os.path.abspath(a.dir))


if __name__ == "__main__":
    sys.exit(main())
