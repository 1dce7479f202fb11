#!/usr/bin/env python3
"""Builds the seed corpora of the fuzz targets under fuzz/corpus/<target>/.

Sources of the seeds:
  * reply frames recorded from the device simulator: the script starts it (--tcp 0), sends
    real request frames, some of them with injected faults (error reply, bad checksum,
    junk after the reply, stale reply), and keeps every reply byte for byte;
  * request frames the simulator logged (--log) while the test suite ran (--request-logs:
    a folder of such logs; see --capture-tests for how they are made);
  * reply frames of the catalogue reads, which the simulator does not answer, built here
    in the wire format as the tests' scripted registers build them;
  * BMP files written by ImageMagick (/usr/bin/convert) and Pillow, the small pictures of
    tests/data, and a few damaged variants of them;
  * settings files and frame values written out here;
  * the test card of tests/data/pictures in every format the logo conversion reads (made
    by Pillow and ImageMagick), with cut and oversized variants.

Usage (from the repository root, after building the simulator):
  python3 fuzz/tools/make_corpus.py --sim build/sim/tarvix-vizaze-sim \
      [--request-logs DIR | --capture-tests BUILD_DIR]
Files named crash-* are regression inputs found by fuzzing; they are kept as they are.
"""
import argparse
import glob
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
TARGETS = ["printer_reply", "register_reply", "bmp", "settings", "roundtrip", "picture"]


# ---------------------------------------------------------------- frames


def crc16(data):
    """CRC-16/XMODEM, bit by bit."""
    c = 0
    for b in data:
        c ^= b << 8
        for _ in range(8):
            c = ((c << 1) ^ 0x1021) if c & 0x8000 else (c << 1)
            c &= 0xFFFF
    return c


def printer_frame(payload):
    if isinstance(payload, str):
        payload = payload.encode("cp1250")
    return b"\x02" + payload + b"#" + ("%04X" % crc16(payload)).encode() + b"\x03"


def register_frame(cmd, fields=b"", fld_num=None, flags=0, token=0, bad_crc=False):
    if fld_num is None:
        fld_num = 0
    body = struct.pack("<HIHHH", flags, token, len(fields) + 16, fld_num, cmd) + fields
    c = crc16(body) ^ (0x5A5A if bad_crc else 0)
    body += struct.pack("<H", c)
    return b"\x10\x02" + body.replace(b"\x10", b"\x10\x10") + b"\x10\x03"


def fB(v):
    return b"B" + bytes([v & 0xFF])


def fV(v):
    return b"V" + struct.pack("<H", v & 0xFFFF)


def fS(text):
    if isinstance(text, str):
        text = text.encode("cp1250")
    return b"S" + text + b"\x00"


def fN(digits):
    """Twelve BCD digits (ten's complement above 499999999999)."""
    s = "%012d" % (digits % 10**12)
    return b"N" + bytes(int(s[i]) * 16 + int(s[i + 1]) for i in range(0, 12, 2))


def chunks(*parts):
    return b"".join(struct.pack("<H", len(p)) + p for p in parts)


# ---------------------------------------------------------------- simulator


class Sim:
    def __init__(self, sim, device, *opts):
        self.p = subprocess.Popen([sim, "--" + device, "--tcp", "0", *opts],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = self.p.stdout.readline().decode().split()
        if len(line) != 4 or line[0] != "READY":
            raise SystemExit("simulator did not start: %r" % line)
        self.port = int(line[3])
        self.s = socket.create_connection(("127.0.0.1", self.port), timeout=3)

    def ask(self, request, register, wait=0.6):
        """Sends one request; returns every byte that came back within the wait."""
        self.s.sendall(request)
        out = b""
        end = time.time() + wait
        done = False
        while time.time() < end and not done:
            self.s.settimeout(max(0.01, end - time.time()))
            try:
                b = self.s.recv(4096)
            except socket.timeout:
                break
            if not b:
                break
            out += b
            done = out.endswith(b"\x10\x03") if register else out.endswith(b"\x03")
        if done:  # junk after the reply comes right behind it
            self.s.settimeout(0.15)
            try:
                out += self.s.recv(4096)
            except socket.timeout:
                pass
        return out

    def close(self):
        self.s.close()
        self.p.terminate()
        self.p.wait(5)


def printer_replies(sim):
    r = {}
    d = Sim(sim, "printer", "--name", "TARVIX ĄĘŁ", "--unique", "ZZ1234567890123", "--fiscal", "N",
            "--status", "3", "--fail", "5:12", "--bad-crc", "6", "--junk", "7:2a2a2a", "--stale", "8")
    r["scomm_long_nu"] = d.ask(printer_frame("scomm\t"), False)
    r["sid_polish"] = d.ask(printer_frame("sid\t"), False)
    r["sdev_3"] = d.ask(printer_frame("!sdev\t"), False)
    r["prncancel"] = d.ask(printer_frame("prncancel\t"), False)
    r["error_12"] = d.ask(printer_frame("sid\t"), False)
    r["sid_bad_crc"] = d.ask(printer_frame("sid\t"), False)
    r["scomm_junk"] = d.ask(printer_frame("scomm\t"), False)
    r["stale"] = d.ask(printer_frame("!sdev\t"), False)
    r["imgslotset"] = d.ask(printer_frame("imgslotset\tno1\twx8\thx2\ttx00ff\t"), False)
    r["imgslotappend_bad"] = d.ask(printer_frame("imgslotappend\tno1\ttx0g\t"), False)
    r["unknown"] = d.ask(printer_frame("nosuch\t"), False)
    r["wrong_crc"] = d.ask(b"\x02sid\t#0000\x03", False)
    r["no_hash"] = d.ask(b"\x02sid\t\x03", False)
    r["empty_field"] = d.ask(printer_frame("imgslotset\t\tno1\t"), False)
    d.close()
    d = Sim(sim, "printer", "--wrong-reply", "5:sid", "--cut", "6:9")
    r["scomm"] = d.ask(printer_frame("scomm\t"), False)
    r["sid"] = d.ask(printer_frame("sid\t"), False)
    r["sdev_0"] = d.ask(printer_frame("!sdev\t"), False)
    r["imgprogrep_empty"] = d.ask(printer_frame("imgprogrep\tno4\t"), False)
    r["wrong_reply"] = d.ask(printer_frame("prncancel\t"), False)
    r["cut"] = d.ask(printer_frame("sid\t"), False)
    d.close()
    return r


def register_replies(sim):
    r = {}
    d = Sim(sim, "register", "--model", "11", "--unique", "AB 123 456", "--read-only", "3",
            "--bad-crc", "4", "--junk", "5:1002ff", "--stale", "6")
    r["status_11"] = d.ask(register_frame(501), True)
    r["slotset_ok"] = d.ask(register_frame(4600, fB(1) + fV(16) + fV(2), 3), True)
    r["slotclear_readonly"] = d.ask(register_frame(4602, fB(3), 1), True)
    r["status_bad_crc"] = d.ask(register_frame(501), True)
    r["slotclear_junk"] = d.ask(register_frame(4602, fB(2), 1), True)
    r["stale"] = d.ask(register_frame(4606), True)
    r["append_bad_hex"] = d.ask(register_frame(4601, fB(1) + fS("0g"), 2), True)
    r["unknown_cmd"] = d.ask(register_frame(2110, fV(7) + fB(1), 2), True)
    r["vat_unknown"] = d.ask(register_frame(1170, token=1), True)
    r["request_bad_crc"] = d.ask(register_frame(4602, fB(1), 1, bad_crc=True), True)
    r["fld_len_wrong"] = d.ask(b"\x10\x02" + struct.pack("<HIHHH", 0, 0, 99, 0, 501) +
                               struct.pack("<H", crc16(struct.pack("<HIHHH", 0, 0, 99, 0, 501))) +
                               b"\x10\x03", True)
    d.close()
    d = Sim(sim, "register", "--model", "5", "--name", "KASA ŻÓŁW", "--wrong-reply", "3:501",
            "--cut", "4:11")
    r["status_5"] = d.ask(register_frame(501), True)
    r["header_ok"] = d.ask(register_frame(4603, fB(0) + fB(1), 2), True)
    r["wrong_reply"] = d.ask(register_frame(4602, fB(1), 1), True)
    r["cut"] = d.ask(register_frame(4602, fB(1), 1), True)
    d.close()
    return r


# ---------------------------------------------------------------- request logs


def read_request_logs(folder):
    frames = set()
    for p in glob.glob(os.path.join(folder, "*.log")):
        data = open(p, "rb").read()
        i = 0
        while i + 4 <= len(data):
            n = struct.unpack("<I", data[i:i + 4])[0]
            frames.add(data[i + 4:i + 4 + n])
            i += 4 + n
    printer = sorted(f for f in frames if f[:1] == b"\x02")
    register = sorted(f for f in frames if f[:2] == b"\x10\x02")
    return printer, register


def capture_tests(build, out):
    """Runs the simulator tests of a build with every simulator logging its requests."""
    sim = os.path.join(build, "sim", "tarvix-vizaze-sim")
    real = sim + ".real"
    wrapper = """#!/bin/bash
real="$(dirname "$0")/tarvix-vizaze-sim.real"
log=""; prev=""
for a in "$@"; do [ "$prev" = "--log" ] && log="$a"; prev="$a"; done
if [ -z "$log" ]; then exec "$real" "$@" --log "%s/req-$$-$RANDOM.log"; fi
"$real" "$@" & pid=$!
trap 'kill -TERM $pid 2>/dev/null' TERM INT
wait $pid; rc=$?
wait $pid 2>/dev/null; rc2=$?; [ $rc2 -ne 127 ] && rc=$rc2
cp "$log" "%s/own-$$-$RANDOM.log" 2>/dev/null
exit $rc
""" % (out, out)
    os.rename(sim, real)
    try:
        with open(sim, "w") as f:
            f.write(wrapper)
        os.chmod(sim, 0o755)
        for t in ("test_sim", "test_jobs", "test_cli"):
            subprocess.run([os.path.join(build, "tests", t)], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=900)
    finally:
        os.replace(real, sim)


# ---------------------------------------------------------------- writing


def fresh(target):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    for f in os.listdir(d):
        if not f.startswith("crash-"):
            os.remove(os.path.join(d, f))
    return d


def put(target, name, data):
    with open(os.path.join(CORPUS, target, name), "wb") as f:
        f.write(data)


def split3(b):
    a, c = len(b) // 3, 2 * len(b) // 3
    return chunks(b[:a], b[a:c], b[c:])


def printer_corpus(rep, requests):
    fresh("printer_reply")
    SCOMM, SID, SDEV, TSCOMM, TSID, LINE, TLINE = range(7)
    P = lambda name, op, flags, body: put("printer_reply", name, bytes([op, flags]) + body)
    P("scomm", SCOMM, 0, chunks(rep["scomm"]))
    P("scomm_long_nu", SCOMM, 0, chunks(rep["scomm_long_nu"]))
    P("scomm_split", SCOMM, 4, split3(rep["scomm"]))
    P("scomm_write_fails_once", SCOMM, 1, chunks(rep["scomm"]))
    P("scomm_port_gone", SCOMM, 3, chunks(rep["scomm"]))
    P("sid", SID, 0, chunks(rep["sid"]))
    P("sid_polish", SID, 0, chunks(rep["sid_polish"]))
    P("sid_error", SID, 0, chunks(rep["error_12"]))
    P("sid_bad_crc", SID, 0, chunks(rep["sid_bad_crc"]))
    P("sid_slow_then_silent", SID, 0, chunks(rep["sid"][:6], rep["sid"][6:]))
    P("sdev_0", SDEV, 0, chunks(rep["sdev_0"]))
    P("sdev_3", SDEV, 0x10, chunks(rep["sdev_3"]))
    P("sdev_stale", SDEV, 0, chunks(rep["stale"]))
    P("sdev_silent", SDEV, 0x10, b"")
    P("tcp_scomm", TSCOMM, 0, chunks(rep["scomm"]))
    P("tcp_scomm_junk", TSCOMM, 0, chunks(rep["scomm_junk"]))
    P("tcp_scomm_in_pieces", TSCOMM, 0, chunks(rep["scomm_long_nu"][:9], rep["scomm_long_nu"][9:]))
    P("tcp_scomm_refused", TSCOMM, 2, chunks(rep["scomm"]))
    P("tcp_sid", TSID, 0, chunks(rep["sid_polish"]))
    P("tcp_sid_error", TSID, 0, chunks(rep["unknown"]))
    P("tcp_sid_cut_then_closed", TSID, 0, chunks(rep["cut"]))
    P("sid_cut_then_silent", SID, 4, chunks(rep["cut"]))
    P("tcp_sid_hang_up", TSID, 3, b"")
    P("tcp_sid_in_pieces", TSID, 0, split3(rep["sid"]))
    P("line_prncancel", LINE, 0, chunks(rep["prncancel"]))
    P("line_error_field", LINE, 0, chunks(rep["imgslotappend_bad"]))
    P("line_two_errors", LINE, 8, chunks(rep["wrong_crc"], rep["no_hash"]))
    P("line_empty_field", LINE, 0, chunks(rep["empty_field"]))
    P("line_imgslotset", LINE, 0, chunks(rep["imgslotset"]))
    P("line_wrong_reply", LINE, 0, chunks(rep["wrong_reply"]))
    P("tcp_line_wrong_reply", TLINE, 0, chunks(rep["wrong_reply"]))
    P("line_noise_then_reply", LINE, 0, chunks(b"\x02\x15junk" + printer_frame("prncancel\t")))
    P("tcp_line_answer", TLINE, 0, chunks(printer_frame("prncancel\t") + b"\x02next"))
    P("tcp_line_answer_lower_digits", TLINE, 0,
      chunks(printer_frame("prncancel\t")[:-5] + printer_frame("prncancel\t")[-5:-1].lower() + b"\x03"))
    P("tcp_line_report", TLINE, 0, chunks(rep["imgprogrep_empty"]))
    P("tcp_line_zero_inside", TLINE, 0, chunks(b"\x02prncancel\t\x00?7\t#0000\x03"))
    # Request frames from the test runs, as whatever a confused line might send back.
    for i, f in enumerate(sorted(requests, key=len)[::max(1, len(requests) // 10)][:10]):
        P("request_%02d" % i, LINE if i % 2 == 0 else TLINE, 0, chunks(f))
    long = printer_frame("imgslotappend\tno1\ttx" + "ab" * 2200 + "\t")
    P("line_long_reply", LINE, 0, chunks(long))
    P("tcp_line_long_reply", TLINE, 0, chunks(long))


def register_corpus(rep, requests):
    fresh("register_reply")
    (CLEAR, STATUS, PLU, PAYFORM, STATUS_UNI, PLU_STAT, PAY_STAT, VAT, CASHOUT, CONTEXT,
     CONFIG, RECEIVER) = range(12)
    R = lambda name, op, flags, arg, body: put("register_reply", name, bytes([op, flags, arg]) + body)
    ok = register_frame(4602)
    err = lambda *v: register_frame(0, b"".join(fV(x) for x in v), len(v))
    R("clear_ok", CLEAR, 0, 1, chunks(ok))
    R("clear_ok_tcp", CLEAR, 1, 1, chunks(ok))
    R("clear_read_only", CLEAR, 0, 3, chunks(rep["slotclear_readonly"]))
    R("clear_junk", CLEAR, 0, 2, chunks(rep["slotclear_junk"]))
    R("clear_stale_tcp", CLEAR, 1, 1, chunks(rep["stale"]))
    R("clear_request_bad_crc", CLEAR, 0, 1, chunks(rep["request_bad_crc"]))
    R("clear_write_fails", CLEAR, 2, 1, chunks(ok))
    R("clear_tcp_refused", CLEAR, 1 | 4, 1, chunks(ok))
    R("clear_tcp_hang_up", CLEAR, 1 | 6, 1, b"")
    R("clear_noise_then_reply", CLEAR, 0, 1, chunks(b"\x00\x41\x10\x41", ok))
    R("clear_error_codes", CLEAR, 8, 1, chunks(err(4602, 0, 12)))
    R("clear_wrong_reply", CLEAR, 0, 1, chunks(rep["wrong_reply"]))
    R("clear_cut_tcp", CLEAR, 1, 1, chunks(rep["cut"]))
    R("status_11", STATUS, 0, 0, chunks(rep["status_11"]))
    R("status_5_tcp", STATUS, 1, 0, chunks(rep["status_5"]))
    R("status_bad_crc", STATUS, 0, 0, split3(rep["status_bad_crc"]))
    R("status_other_cmd", STATUS, 0, 0, chunks(register_frame(4600)))
    R("status_no_fields", STATUS, 1, 0, chunks(register_frame(501)))
    R("status_fld_len", STATUS, 0, 0, chunks(rep["fld_len_wrong"]))
    plu = register_frame(2110, fV(7) + fS("Chleb żytni") + fS("razowy 500 g") + fN(123) + fB(1) + fB(2) +
                         fN(999999999999) + fB(0) * 7 + fV(3) + fS("x" * 60), 16, token=5)
    R("plu_read", PLU, 0, 7, chunks(plu))
    R("plu_read_zero", PLU, 0, 0, chunks(register_frame(2110, fV(0) + fS("a"), 2)))
    R("plu_read_end", PLU, 0, 9, chunks(err(2110, 0, 975)))
    R("plu_read_unknown", PLU, 0, 7, chunks(rep["unknown_cmd"]))
    pay = register_frame(2910, fV(7) + fS("Karta płatnicza VISA 1234567") + fB(1) + fV(500) + fS("PLNX") +
                         fN(500000000001), 6)
    R("payform_read", PAYFORM, 0, 7, chunks(pay))
    R("payform_read_wrong_kind", PAYFORM, 0, 2, chunks(register_frame(2910, fV(2) + fB(1), 2)))
    status = (fB(1) + fS("n") + fV(1) + fB(1) * 6 + fV(1) + fB(1) * 5 + fV(1) + fB(1) * 3 + fS("x") +
              fS("AB 12 34 56 78 90") + fS("z"))
    R("status_unique", STATUS_UNI, 0, 0, chunks(register_frame(501, status, 22)))
    R("status_unique_short", STATUS_UNI, 0, 0, chunks(rep["status_11"]))
    R("plu_stat", PLU_STAT, 0, 12, chunks(register_frame(2161, fS("5912") + fN(5) + fN(7), 3)))
    R("plu_stat_other", PLU_STAT, 0, 12, chunks(register_frame(2161, fS("000") + fN(5), 2)))
    R("payform_stat", PAY_STAT, 0, 3, chunks(register_frame(2960, fV(3) + fN(42), 2)))
    R("vat_seven", VAT, 0, 0, chunks(register_frame(1170, b"".join(fV(v) for v in range(7)), 7)))
    R("vat_three_tcp", VAT, 1, 0, chunks(register_frame(1170, fV(0x1010) + fV(2) + fV(3), 3)))
    R("vat_unknown", VAT, 0, 0, chunks(rep["vat_unknown"]))
    R("cashout_tcp", CASHOUT, 1, 0, chunks(register_frame(2660)))
    R("cashout_error", CASHOUT, 0, 0, chunks(err(2660, 3008)))
    R("context", CONTEXT, 0, 0, chunks(register_frame(2000)))
    R("context_payform_error", CONTEXT, 0, 1, chunks(err(2005, 0, 3008)))
    R("config_ok", CONFIG, 0, 0, chunks(register_frame(3810)))
    R("config_ethernet", CONFIG, 1, 0, b"")
    R("receiver_slotset", RECEIVER, 0, 0, chunks(rep["slotset_ok"]))
    R("receiver_append_error", RECEIVER, 0, 0, chunks(rep["append_bad_hex"]))
    R("receiver_header", RECEIVER, 0, 0, chunks(b"\x05" + rep["header_ok"]))
    R("receiver_all_tags", RECEIVER, 0, 0, chunks(register_frame(
        1, fB(0x10) + fV(0x1010) + b"L\x10\x10\x10\x10" + fN(987654321098) + fS("ąę\x10"), 5)))
    for i, f in enumerate(sorted(requests, key=len)[::max(1, len(requests) // 6)][:6]):
        R("receiver_request_%02d" % i, RECEIVER, 0, 0, chunks(f))


def run(cmd):
    subprocess.run(cmd, check=True)


def bmp_corpus():
    fresh("bmp")
    d = os.path.join(CORPUS, "bmp")
    data = os.path.join(ROOT, "tests", "data")
    for f in sorted(os.listdir(data)):
        if f.endswith(".bmp") and os.path.getsize(os.path.join(data, f)) <= 4096:
            shutil.copy(os.path.join(data, f), os.path.join(d, "tests_" + f))
    # Every header form, palette and row order of tests/data/variants (make_variants.py).
    variants = os.path.join(data, "variants")
    for f in sorted(os.listdir(variants)):
        if f.endswith(".bmp"):
            shutil.copy(os.path.join(variants, f), os.path.join(d, "variant_" + f))
    tmp = tempfile.mkdtemp()
    try:
        def pbm(w, h, name):
            p = os.path.join(tmp, name + ".pbm")
            with open(p, "w") as f:
                f.write("P1\n%d %d\n" % (w, h))
                for y in range(h):
                    f.write(" ".join("1" if (x * 3 + y) % 5 == 0 else "0" for x in range(w)) + "\n")
            return p
        conv = "/usr/bin/convert"
        for w, h in ((1, 1), (7, 3), (32, 1), (33, 4), (200, 2)):
            src = pbm(w, h, "p%dx%d" % (w, h))
            run([conv, src, "-monochrome", "BMP3:" + os.path.join(d, "im_%dx%d.bmp" % (w, h))])
            run([conv, src, "-negate", "-monochrome", "-negate",
                 "BMP3:" + os.path.join(d, "im_white0_%dx%d.bmp" % (w, h))])
        run([conv, "-size", "12x5", "xc:gray50", "-type", "Palette", "-colors", "16",
             "BMP3:" + os.path.join(d, "im_palette_12x5.bmp")])
        run([conv, pbm(24, 6, "v4"), "-monochrome", "BMP:" + os.path.join(d, "im_v4_header_24x6.bmp")])
        pil = ("import sys\nfrom PIL import Image\n"
               "for w, h, name in ((1, 1, 'a'), (9, 2, 'b'), (64, 3, 'c'), (385, 1, 'd')):\n"
               "    im = Image.new('1', (w, h), 1)\n"
               "    for x in range(0, w, 3): im.putpixel((x, x % h), 0)\n"
               "    im.save(sys.argv[1] + '/pil_%dx%d.bmp' % (w, h), 'BMP')\n"
               "Image.new('L', (5, 3), 128).save(sys.argv[1] + '/pil_gray_5x3.bmp', 'BMP')\n")
        run(["/usr/bin/python3", "-c", pil, d])
    finally:
        shutil.rmtree(tmp)
    base = open(os.path.join(d, "im_33x4.bmp"), "rb").read()
    put("bmp", "damaged_cut_in_pixels.bmp", base[:-5])
    put("bmp", "damaged_cut_in_header.bmp", base[:40])
    put("bmp", "top_down_rows_not_reversed.bmp", base[:22] + struct.pack("<i", -4) + base[26:])
    put("bmp", "damaged_offset_far.bmp", base[:10] + struct.pack("<I", 0xFFFFFFF0) + base[14:])
    put("bmp", "damaged_width_641.bmp", base[:18] + struct.pack("<I", 641) + base[22:])
    put("bmp", "damaged_width_0.bmp", base[:18] + struct.pack("<I", 0) + base[22:])
    put("bmp", "damaged_height_0.bmp", base[:22] + struct.pack("<I", 0) + base[26:])
    put("bmp", "not_a_picture.bmp", b"BM")
    # The fields the reader judges, each set to what it refuses.
    p = lambda at, fmt, v, b=base: b[:at] + struct.pack(fmt, v) + b[at + struct.calcsize(fmt):]
    put("bmp", "damaged_no_signature.bmp", b"BA" + base[2:])
    put("bmp", "damaged_header_size_41.bmp", p(14, "<I", 41))
    put("bmp", "damaged_rle8.bmp", p(30, "<I", 1))
    put("bmp", "damaged_rle4.bmp", p(30, "<I", 2))
    put("bmp", "damaged_bitfields.bmp", p(30, "<I", 3))
    put("bmp", "damaged_width_negative.bmp", p(18, "<i", -33))
    put("bmp", "damaged_width_65569.bmp", p(18, "<I", 65569))
    put("bmp", "damaged_height_-641.bmp", p(22, "<i", -641))
    put("bmp", "damaged_offset_in_palette.bmp", p(10, "<I", 58))
    put("bmp", "damaged_colour_count_huge.bmp", p(46, "<I", 0x40000000))
    os2 = open(os.path.join(variants, "os2v1_black0_13x7_im.bmp"), "rb").read()
    put("bmp", "damaged_os2v1_offset_in_palette.bmp", p(10, "<I", 29, os2))
    put("bmp", "damaged_os2v1_width_0.bmp", p(18, "<H", 0, os2))


def picture_corpus():
    fresh("picture")
    src = os.path.join(ROOT, "tests", "data", "pictures")
    for name in sorted(os.listdir(src)):
        if name.endswith(".sh"):
            continue
        with open(os.path.join(src, name), "rb") as f:
            data = f.read()
        put("picture", name, data)
    with open(os.path.join(src, "card_rgb.jpg"), "rb") as f:
        jpeg = f.read()
    put("picture", "damaged_jpeg_cut.jpg", jpeg[: len(jpeg) // 2])
    with open(os.path.join(src, "card.gif"), "rb") as f:
        gif = f.read()
    put("picture", "damaged_gif_cut.gif", gif[: len(gif) // 2])
    # Headers stating sizes beyond the guards (refused before decoding).
    ihdr = struct.pack(">II", 20001, 1) + b"\x08\x02\0\0\0"
    put("picture", "huge_png_header.png", b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + ihdr + b"\0" * 4)
    put("picture", "huge_gif_header.gif", b"GIF89a" + struct.pack("<HH", 65535, 65535) + b"\0\0\0")


def settings_corpus():
    fresh("settings")
    S = lambda name, text: put("settings", name, text.encode("latin1"))
    default = ("[Interface]=0\n[Protocol]=0\n[COM]=COM1\n[Baudrate]=9600\n[Tiemout]=10\n"
               "[IP_Address]=10.10.10.10\n[TCP_Port]=6666\n[GR_Print]=0\n[GR_Test_Print]=0\n")
    S("default", default)
    S("default_crlf", default.replace("\n", "\r\n"))
    S("ethernet_register", "[Interface]=1\n[Protocol]=2\n[COM]=COM12\n[Baudrate]=115200\n[Tiemout]=1\n"
      "[IP_Address]=192.168.1.50\n[TCP_Port]=2121\n[GR_Print]=1\n[GR_Test_Print]=1\n")
    S("reordered", "[TCP_Port]=6667\n[GR_Print]=1\n[COM]=COM3\n[Interface]=1\n[Tiemout]=30\n")
    S("eleven_lines", default + "[COM]=COM7\n[Baudrate]=19200\n")
    S("protocol_1", "[Protocol]=1\n")
    S("interface_7", "[Interface]=7\n[Protocol]=22\n")
    S("not_numbers", "[Baudrate]=fast\n[Tiemout]=-1\n[TCP_Port]=x\n[Interface]=\n")
    S("long_values", "[COM]=COM123456789012345\n[IP_Address]=" + "h" * 700 + "\n[Baudrate]=99999999999\n")
    S("unknown_port", "[COM]=COM99\n[Baudrate]=1234\n[Tiemout]=7\n")
    S("no_line_end", "[IP_Address]=localhost")
    S("cr_only", "[COM]=COM2\r[Baudrate]=38400\r")
    S("binary_junk", "[COM]=\x00\xff\x80\n[IP_Address]=\xc5\x81\xe6d\xbc\n")
    S("empty", "")
    S("blank_lines", "\n\n\n\n[COM]=COM4\n")
    S("keys_without_values", "[Interface]=\n[Protocol]=\n[COM]=\n[Baudrate]=\n[Tiemout]=\n"
      "[IP_Address]=\n[TCP_Port]=\n[GR_Print]=\n[GR_Test_Print]=\n")
    S("print_flags_other", "[GR_Print]=2\n[GR_Test_Print]=1x\n")


def roundtrip_corpus():
    fresh("roundtrip")
    R = lambda name, data: put("roundtrip", name, data)
    raw = lambda flags, token, fld, cmd, lead, data: (bytes([0]) + struct.pack("<HIHH", flags, token, fld, cmd) +
                                                      bytes([len(lead)]) + lead + data)
    R("raw_worked_example", raw(0, 0, 1, 4602, b"", b"B\x01"))
    R("raw_empty_fields", raw(0, 0, 0, 4606, b"", b""))
    R("raw_count_byte_10", raw(0, 0, 0, 501, b"\x10", b""))
    R("raw_count_byte_02", raw(0, 0, 1, 4602, b"\x02", b"B\x10"))
    R("raw_header_10s", raw(0x1010, 0x10101010, 0x1010, 0x1010, b"\x13", b"\x10\x10\x03\x02"))
    R("raw_slotset", raw(0, 0, 3, 4600, b"", b"B\x01V\x80\x01V\x80\x01"))
    R("raw_data_block", raw(0, 0, 2, 4601, b"\x20", b"B\x01S" + b"803fffff" * 64 + b"\x00"))
    R("raw_many_10s", raw(0, 1, 0, 0, b"", b"\x10" * 900))
    fields = bytes([1]) + bytes([0, 1, 1, 0x34, 0x12, 2, 5]) + b"ABCDE" + bytes([1, 0x10, 0x10, 2, 0])
    R("fields_mixed", fields)
    R("fields_long_text", bytes([1, 2, 63]) + b"x" * 63 + bytes([2, 63]) + b"y" * 63)
    R("printer_sid", bytes([2]) + b"sid\t")
    R("printer_escape", bytes([2]) + b"abc\\LFdef\\L")
    R("printer_polish", bytes([2]) + "formline\tfn200\tslZażółć gęślą jaźń\t".encode())
    R("printer_long", bytes([2]) + b"imgslotappend\tno1\ttx" + b"0f" * 2200 + b"\t")
    R("printer_empty", bytes([2]))
    R("crc_digits", bytes([3]) + b"123456789")
    R("crc_all_bytes", bytes([3]) + bytes(range(256)))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--sim", required=True, help="the simulator program")
    ap.add_argument("--request-logs", help="folder of simulator request logs (--log files)")
    ap.add_argument("--capture-tests", metavar="BUILD_DIR",
                    help="run test_sim, test_jobs and test_cli of this build with every simulator "
                         "logging its requests (the simulator program is swapped for a wrapper "
                         "for the run and put back)")
    a = ap.parse_args()
    logs = a.request_logs
    tmp = None
    if a.capture_tests:
        tmp = tempfile.mkdtemp()
        capture_tests(a.capture_tests, tmp)
        logs = tmp
    printer_requests, register_requests = read_request_logs(logs) if logs else ([], [])
    if tmp:
        shutil.rmtree(tmp)
    printer_corpus(printer_replies(a.sim), printer_requests)
    register_corpus(register_replies(a.sim), register_requests)
    bmp_corpus()
    picture_corpus()
    settings_corpus()
    roundtrip_corpus()
    for t in TARGETS:
        d = os.path.join(CORPUS, t)
        print("%-15s %3d files, %6d bytes" % (t, len(os.listdir(d)),
                                              sum(os.path.getsize(os.path.join(d, f)) for f in os.listdir(d))))


if __name__ == "__main__":
    sys.exit(main())
