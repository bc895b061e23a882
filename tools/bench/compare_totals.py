#!/usr/bin/env python3
"""Whole-process timing of `ruvo-tool totals` against the plain Python totals (totals_ref.py)
over 1,000 and 10,000 result files made by bench_report. Both outputs must be equal.
Prints the best of RUNS wall-clock times and the CPU time (user + system) of that run.

Usage: tools/bench/compare_totals.py [BUILD_DIR] [RUNS]
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
here = os.path.dirname(os.path.abspath(__file__))
tool = os.path.join(build, "bin", "ruvo-tool")
ref = [sys.executable, os.path.join(here, "totals_ref.py")]


def timed(cmd):
    best = None
    for _ in range(runs):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t0 = time.perf_counter()
        out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
        wall = time.perf_counter() - t0
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        if best is None or wall < best[0]:
            best = (wall, cpu, out)
    return best


with tempfile.TemporaryDirectory() as work:
    walls = {}
    for n in (1000, 10000):
        folder = os.path.join(work, "r%d" % n)
        subprocess.run([os.path.join(build, "bench", "bench_report"), "--make-results", folder, str(n)], check=True)
        t_wall, t_cpu, t_out = timed([tool, "totals", folder])
        p_wall, p_cpu, p_out = timed(ref + [folder])
        if t_out != p_out:
            sys.exit("outputs differ for %d files" % n)
        walls[n] = t_wall
        print("%5d files: ruvo-tool %.3f s (cpu %.3f s), python %.3f s (cpu %.3f s): %.1fx wall, %.1fx cpu, %d lines"
              % (n, t_wall, t_cpu, p_wall, p_cpu, p_wall / t_wall, p_cpu / max(t_cpu, 1e-3), t_out.count(b"\n")))
    print("10,000 files cost %.1f times 1,000 files" % (walls[10000] / walls[1000]))
