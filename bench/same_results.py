#!/usr/bin/env python3
"""Compares what two quorvex-check builds make of the same submissions.

    bench/same_results.py OLD_QUORVEX_CHECK NEW_QUORVEX_CHECK [--faulty N] [--seed S] [--log-only]

Each build tests the examples, the files of the test suite, the peer files and N generated faulty
submissions (valid files from generate_submission with bytes changed, records dropped, repeated or
swapped), with one thread and with two. For every run it keeps the standard output and error, the
exit status, a dump of every table of the error log and a hash of its bytes, the run history's
findings, the text report and the JSON findings. Any difference is printed and the exit status is 1. Use it before and after
a change that must not change behaviour (a refactor, speed work). --log-only leaves the findings
out (the run's output, the log and the text report are compared): for two builds between which a
findings format gained fields.
"""
import argparse
import hashlib
import os
import random
import shutil
import sqlite3
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHARS = b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ -.,/&'#abcxyz\x00\xe9\t"


def find_generator(binary):
    for candidate in (os.path.join(os.path.dirname(binary), "..", "bench", "generate_submission"),
                      os.path.join(os.path.dirname(binary), "generate_submission")):
        if os.path.exists(candidate):
            return candidate
    sys.exit("same_results: generate_submission not found beside " + binary)


def mutate(data, rng):
    records = data.split(b"\r\n")
    if records and records[-1] == b"":
        records.pop()
    for _ in range(rng.randint(1, 4)):
        kind = rng.random()
        i = rng.randrange(len(records))
        if kind < 0.6:
            rec = bytearray(records[i])
            for _ in range(rng.randint(1, 3)):
                if rec:
                    rec[rng.randrange(len(rec))] = CHARS[rng.randrange(len(CHARS))]
            records[i] = bytes(rec)
        elif kind < 0.7:
            del records[i]
        elif kind < 0.8:
            records.insert(i, records[i])
        elif kind < 0.9:
            j = rng.randrange(len(records))
            records[i], records[j] = records[j], records[i]
        else:
            records[i] = records[i][: rng.randrange(len(records[i]) + 1)]
        if not records:
            records = [b"RA"]
    return b"\r\n".join(records) + (b"\r\n" if rng.random() < 0.9 else b"")


def inputs(generator, count, seed, work):
    files = []
    for folder in ("examples", "tests/files", "../shared/peer"):
        path = os.path.join(ROOT, folder)
        if os.path.isdir(path):
            files += sorted(os.path.join(path, f) for f in os.listdir(path) if f.endswith(".txt"))
    rng = random.Random(seed)
    for n in range(count):
        valid = os.path.join(work, "valid%d.txt" % n)
        args = [generator, "--quiet", "--seed", str(seed + n), "--employers", str(rng.randint(1, 3)),
                "--employees", str(rng.randint(1, 6))]
        args += rng.choice([[], ["--ro"], ["--all-money"], ["--territories", "--all-money", "--ro"]])
        subprocess.run(args + [valid], check=True)
        with open(valid, "rb") as f:
            data = f.read()
        os.remove(valid)
        faulty = os.path.join(work, "faulty%03d.txt" % n)
        with open(faulty, "wb") as f:
            f.write(mutate(data, rng))
        files.append(faulty)
    return files


def table_dump(db):
    if not os.path.exists(db):
        return "(no log)"
    con = sqlite3.connect(db)
    out = []
    for (name,) in con.execute("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"):
        out.append("== " + name)
        for row in con.execute('SELECT * FROM "%s"' % name):
            out.append(repr(row))
    out.append("user_version %r" % con.execute("PRAGMA user_version").fetchone())
    con.close()
    with open(db, "rb") as f:  # the file itself, byte for byte
        out.append("sha256 " + hashlib.sha256(f.read()).hexdigest())
    return "\n".join(out)


def history_dump(db):
    """The runs and findings of the run history, without the time each run ended."""
    if not os.path.exists(db):
        return "(no history)"
    con = sqlite3.connect(db)
    con.text_factory = bytes  # the history keeps the records' bytes as they are
    out = [repr(row) for row in con.execute("SELECT outcome, records, records_with_errors, errors FROM runs")]
    out += [repr(row) for row in con.execute(
        "SELECT f.seq, f.rec_num, f.type, f.key, f.occurrence, f.critical, r.text, f.first, f.last, f.user_entry, "
        "m.text FROM findings f JOIN texts r ON r.id = f.reference JOIN texts m ON m.id = f.message "
        "ORDER BY f.run, f.seq")]
    con.close()
    return "\n".join(out)


def run_one(binary, path, threads, work, log_only=False):
    folder = os.path.join(work, "data")
    shutil.rmtree(folder, ignore_errors=True)
    os.mkdir(folder)
    base = [binary, "--data-dir", folder]
    parts = []
    proc = subprocess.run(base + ["--today", "2009-01-15", "--threads", str(threads), path],
                          capture_output=True, timeout=120)
    parts.append("exit %d\n" % proc.returncode)
    parts.append(proc.stdout.decode("utf-8", "replace").replace(folder, "DATA"))
    parts.append(proc.stderr.decode("utf-8", "replace").replace(folder, "DATA"))
    parts.append(table_dump(os.path.join(folder, "Errorlog.mdb")))
    if not log_only:
        parts.append(history_dump(os.path.join(folder, "RunHistory.db")))
    extras = [["--report", "text"]] + ([] if log_only else [["--findings", "json"], ["--findings", "gnu"]])
    for extra in extras:
        proc = subprocess.run(base + extra, capture_output=True, timeout=120)
        parts.append("%s exit %d\n" % (extra, proc.returncode))
        parts.append(proc.stdout.decode("utf-8", "replace").replace(folder, "DATA"))
        parts.append(proc.stderr.decode("utf-8", "replace").replace(folder, "DATA"))
    return "\n".join(parts)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--faulty", type=int, default=200)
    parser.add_argument("--seed", type=int, default=2008)
    parser.add_argument("--log-only", action="store_true")
    args = parser.parse_args()
    old, new = os.path.abspath(args.old), os.path.abspath(args.new)
    work = tempfile.mkdtemp(prefix="same_results.")
    try:
        files = inputs(find_generator(new), args.faulty, args.seed, work)
        differ = 0
        for path in files:
            for threads in (1, 2):
                a = run_one(old, path, threads, work, args.log_only)
                b = run_one(new, path, threads, work, args.log_only)
                if a != b:
                    differ += 1
                    print("differs: %s (threads %d)" % (path, threads))
                    if differ <= 3:
                        import difflib
                        sys.stdout.writelines(list(difflib.unified_diff(
                            a.splitlines(True), b.splitlines(True), "old", "new", n=1))[:40])
        print("%d submissions, %d runs each build: %d differ" % (len(files), 2 * len(files), differ))
        return 1 if differ else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
