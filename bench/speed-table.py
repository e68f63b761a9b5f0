#!/usr/bin/env python3
"""Turns the JSON of one bench/compare.sh run into its markdown speed table.

Reads Google Benchmark's JSON (the clock and the worst query on every wheel path), hyperfine's
JSON (the whole programs), the search times the programs printed, and what this machine, the
checkout and the build are; prints one markdown block: a few lines on the run, then the table.
bench/compare.sh runs it; see there for what it needs.
"""

import argparse
import json
import re
import statistics
import subprocess
import sys
from datetime import datetime, timezone
from pathlib import Path

WORST = re.compile(r"^nthPrime/(?P<path>[^/]+)/last_bracket_worst/(?P<n>[0-9]+)$")
# Google Benchmark's time units, in milliseconds.
MILLISECONDS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def fail(message):
    sys.exit(f"speed-table: {message}")


def command_line(*args, default=None):
    """The first line a command prints, or default where it cannot run."""
    try:
        out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return default
    lines = out.strip().splitlines()
    return lines[0].strip() if lines else default


def lscpu_field(name):
    out = subprocess.run(["lscpu"], capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        key, _, value = line.partition(":")
        if key.strip() == name:
            return value.strip()
    return None


def machine():
    model = lscpu_field("Model name") or "unknown processor"
    rows = subprocess.run(["lscpu", "-p=core,socket"], capture_output=True, text=True,
                          check=True).stdout.splitlines()
    cores = len({row for row in rows if not row.startswith("#")})
    threads = len([row for row in rows if not row.startswith("#")])
    text = f"{model}, {cores} cores"
    if threads != cores:
        text += f" ({threads} threads)"
    hypervisor = lscpu_field("Hypervisor vendor")
    if hypervisor:
        text += f", {hypervisor} guest"
    return text


def vector_units():
    # x86 names them in "flags", ARM64 in "Features" (asimd is NEON).
    flags = set()
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        key, _, value = line.partition(":")
        if key.strip() in ("flags", "Features"):
            flags.update(value.split())
    units = [("sse2", {"sse2"}), ("avx2", {"avx2"}),
             ("avx512f+avx512bw", {"avx512f", "avx512bw"}), ("neon", {"asimd"})]
    present = [name for name, needs in units if needs <= flags]
    return ", ".join(present) if present else "none of " + ", ".join(n for n, _ in units)


def commit(root):
    head = command_line("git", "-C", str(root), "rev-parse", "--short", "HEAD")
    if head is None:
        return "unknown (not a git checkout)"
    status = subprocess.run(["git", "-C", str(root), "status", "--porcelain"],
                            capture_output=True, text=True, check=True).stdout
    return head + ("+changes" if status.strip() else "")


def compiler(build):
    cache = (build / "CMakeCache.txt").read_text()
    found = re.search(r"^CMAKE_CXX_COMPILER:[A-Z]+=(.+)$", cache, re.M)
    if not found:
        fail(f"no compiler in {build}/CMakeCache.txt")
    binary = Path(found.group(1)).resolve()
    return command_line(str(binary), "--version", default=str(binary))


def load_average():
    return Path("/proc/loadavg").read_text().split()[0]


def repetitions_of(benchmarks, name):
    """The repetitions of one benchmark; None where it was skipped."""
    runs = [b for b in benchmarks if b["run_name"] == name and b["run_type"] == "iteration"]
    if not runs:
        fail(f"{name} did not run")
    errors = {b["error_message"] for b in runs if b.get("error_occurred")}
    if errors:
        message = errors.pop()
        if not message.startswith("skipped"):
            fail(f"{name}: {message}")
        return None
    return runs


def decimals(value):
    """As many as three significant digits need, and none from 100 up."""
    return 0 if value >= 100 else 1 if value >= 10 else 2


def ms(value):
    return f"{value:,.{decimals(value)}f}"


def count(number, noun):
    return f"{number} {noun}" + ("" if number == 1 else "s")


def cell(text):
    return text.replace("|", "\\|")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", type=Path, required=True, help="the checkout")
    parser.add_argument("--build", type=Path, required=True, help="the bench preset's build")
    parser.add_argument("--benchmarks", type=Path, required=True, help="Google Benchmark JSON")
    parser.add_argument("--hyperfine", type=Path, required=True, help="hyperfine JSON")
    parser.add_argument("--clock", required=True, help="the clock's benchmark")
    parser.add_argument("--reference", required=True,
                        help="the hyperfine command name the others are compared with")
    parser.add_argument("--reported", nargs=2, action="append", default=[],
                        metavar=("NAME", "FILE"),
                        help="the search times, in ms, that NAME printed, one a line")
    parser.add_argument("--missing", action="append", default=[],
                        help="a row left out, and why: NAME=REASON")
    parser.add_argument("--load-at-start", required=True)
    parser.add_argument("--versions", nargs="+", action="extend", default=[],
                        help="the tools of the run, named by their --version")
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()

    run = json.loads(args.benchmarks.read_text())
    benchmarks = run["benchmarks"]
    started = datetime.fromisoformat(run["context"]["date"]).astimezone(timezone.utc)
    # In the order the program registered them, which interleaved repetitions do not keep.
    order = {b["run_name"]: (b["family_index"], b["per_family_instance_index"])
             for b in benchmarks}
    names = sorted(order, key=order.get)

    clock_runs = repetitions_of(benchmarks, args.clock)
    if clock_runs is None:
        fail(f"{args.clock} was skipped")
    ghz = statistics.median(b["GHz"] for b in clock_runs)

    worst = [(m.group("path"), int(m.group("n")), name)
             for name in names if (m := WORST.match(name))]
    if not worst:
        fail("no nthPrime/<path>/last_bracket_worst/<n> benchmark in the run")
    indices = {n for _, n, _ in worst}
    if len(indices) != 1:
        fail(f"the paths' worst queries differ: {sorted(indices)}")
    index = indices.pop()

    hyperfine = json.loads(args.hyperfine.read_text())["results"]
    by_name = {r["command"]: r for r in hyperfine}
    if args.reference not in by_name:
        fail(f"no hyperfine result named {args.reference!r}")
    reference = by_name[args.reference]["mean"]

    out = []
    run_kind = "a quick run, not for the docs" if args.quick else "`bash bench/compare.sh`"
    out.append(f"The worst query, n = {index}, on {machine()} ({run_kind}).")
    out.append("")
    out.append(f"- Vector units: {vector_units()}")
    out.append(f"- Wheel paths: Google Benchmark's `nthPrime/<path>/last_bracket_worst/{index}`;"
               f" cycles are milliseconds times the clock")
    clocks = sorted(b["GHz"] for b in clock_runs)
    spread = f"; {clocks[0]:.2f} to {clocks[-1]:.2f}" if len(clocks) > 1 else ""
    out.append(f"- Clock: {ghz:.2f} GHz (`{args.clock}`, median of {len(clocks)}{spread})")
    out.append(f"- Date: {started:%Y-%m-%d %H:%M} UTC;"
               f" commit {commit(args.root)}")
    out.append(f"- Compiler: {compiler(args.build)} (`bench` preset)")
    # The first line, less the address that some append after a comma.
    versions = [command_line(program, "--version", default=f"{program} (no version)")
                .split(", <")[0] for program in args.versions]
    if versions:
        out.append(f"- Tools: {'; '.join(versions)}")
    out.append(f"- Load average: {args.load_at_start} at the start, {load_average()} at the end")
    out.append("")
    out.append("| Run | What is timed | ms | Cycles a query (millions) | × nthprime's time |")
    out.append("|---|---|---:|---:|---:|")
    for path, _, name in worst:
        repetitions_of_path = repetitions_of(benchmarks, name)
        if repetitions_of_path is None:
            out.append(f"| `{path}` path | not available on this processor | | | |")
            continue
        median = statistics.median(b["cpu_time"] * MILLISECONDS[b["time_unit"]]
                                   for b in repetitions_of_path)
        out.append(f"| `{path}` path | the search: median of"
                   f" {count(len(repetitions_of_path), 'repetition')}, processor time |"
                   f" {ms(median)} | {median * ghz:,.0f} | |")
    for result in hyperfine:
        digits = decimals(result["mean"] * 1e3)
        mean = f"{result['mean'] * 1e3:,.{digits}f}"
        if result["stddev"] is not None:
            mean += f" ± {result['stddev'] * 1e3:,.{digits}f}"
        out.append(f"| `{cell(result['command'])}` | the whole program: mean ± sd of"
                   f" {count(len(result['times']), 'run')} (hyperfine) | {mean} | |"
                   f" {result['mean'] / reference:.2f} |")
        if result["command"] == args.reference:
            for missing in args.missing:
                name, _, reason = missing.partition("=")
                out.append(f"| `{cell(name)}` | not run: {cell(reason)} | | | |")
    for name, file in args.reported:
        times = [float(line) for line in Path(file).read_text().split()]
        if not times:
            fail(f"{name} printed no search time")
        out.append(f"| {cell(name)} | the search as the program prints it: mean of"
                   f" {count(len(times), 'run')} | {ms(statistics.mean(times))} | | |")
    print("\n".join(out))


if __name__ == "__main__":
    main()
