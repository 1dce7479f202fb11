#!/usr/bin/env python3
"""How many test cases of the last CTest run of a build ran and how many were skipped, and
why each skipped one was (the reason its GTEST_SKIP gave), from the build's
Testing/Temporary/LastTest.log. The helper tests that only set up or take down something for
the others (CTest fixtures, named in HELPERS) are not counted.

    scripts/ctest_summary.py BUILD_DIR
"""
import collections
import os
import re
import sys

HELPERS = re.compile(r"^serial_broker_")


def cases(log):
    """(name, status, output) of every test in the log."""
    blocks = re.split(r"\n-{58}\n\n", log)
    for block in blocks:
        name = re.search(r"^\d+/\d+ Test: (.*)$", block, re.M)
        output = re.search(r"\nOutput:\n-{58}\n(.*?)<end of output>", block, re.S)
        if "Skip regular expression found" in block:
            status = "Skipped"
        elif re.search(r"^Test Pass(ed\.| Reason:)", block, re.M):
            status = "Passed"
        else:
            status = "Failed"
        if name:
            yield name.group(1).split("  # ")[0], status, output.group(1) if output else ""


def skip_reason(output):
    m = re.search(r": Skipped\n(.*?)\n*\[  SKIPPED \]", output, re.S)
    return " ".join(m.group(1).split()) if m and m.group(1).strip() else "(no reason given)"


def main():
    path = os.path.join(sys.argv[1], "Testing", "Temporary", "LastTest.log")
    with open(path, encoding="utf-8", errors="replace") as f:
        log = f.read()
    counts = collections.Counter()
    reasons = collections.Counter()
    for name, status, output in cases(log):
        if HELPERS.match(name):
            continue
        if status == "Skipped":  # GoogleTest's skip, as CTest saw it (SKIP_REGULAR_EXPRESSION)
            counts["skipped"] += 1
            reasons[skip_reason(output)] += 1
        else:
            counts["run"] += 1
            counts[status.lower()] += 1
    total = counts["run"] + counts["skipped"]
    share = 100.0 * counts["run"] / total if total else 0.0
    print("Test cases: %d, of them %d run (%.1f %%: %d passed, %d failed) and %d skipped"
          % (total, counts["run"], share, counts["passed"], counts["failed"], counts["skipped"]))
    for reason, n in sorted(reasons.items(), key=lambda r: (-r[1], r[0])):
        print("  %3d skipped: %s" % (n, reason))


if __name__ == "__main__":
    main()
