#!/usr/bin/env python3
# Estimates on paper what the worst query costs on processors we cannot run: llvm-mca-19's
# models of a wheel path's loops, as built, times the work that the walk's replay counts.
"""Usage: estimate.py [--summary | --table] REPLAY BUILD_DIR...

REPLAY is the native walk_replay program; each BUILD_DIR a cross build (linux-<arch>) holding
the kernels' objects and compile_commands.json. bench/estimate.sh builds them all and calls this.

For each model it prints ARCH MODEL PATH PATH_CYCLES DIVISION_CYCLES: the worst query's cycles
on the path that processor takes and on the division loop, compiled with a hardware divide
where the architecture has one (armhf's baseline has none: the division loop is compiled for
the model's processor, which has). Without --summary, the figures behind them and the loops it
measured follow on lines that start with #; with --table, a Markdown table of them instead.
It fails where a path falls short of its target, the least times fewer cycles than the division
loop that it must take.

The path: its candidate loop, its set-up of a visit (setUpVisit) and its full test
(dividedInVisitExactly), each in llvm-mca's steady state over 1000 iterations, times the
query's candidate-visits, set-ups and composites (each composite takes the full test once).
The division loop: its loop's cycles per division, times the query's divisor tests.

The candidate loop is taken from the disassembly of the path's primesAmong: the smallest region
between a backward branch and its target that holds a visit's multiplications, less its blocks
that end in an unconditional branch out of the region (a candidate leaving) and its blocks with
a call (the full test). The division loop is the smallest such region that holds a division.
"""
import functools
import json
import os
import shlex
import re
import subprocess
import sys
import tempfile
from dataclasses import dataclass

QUERY = "last_bracket_worst"  # the worst query: the longest walk of the last bracket
VECTORS_PER_VISIT = 16  # multiplications a visit: one a vector of divisors
OBJDUMP = os.environ.get("LLVM_OBJDUMP", "llvm-objdump-19")
MCA = os.environ.get("LLVM_MCA", "llvm-mca-19")


@dataclass
class Architecture:
    mca_triple: str
    objdump_flags: list
    branch: str  # mnemonics of direct branches, conditional or not
    jump: str  # of unconditional ones
    call: str
    ret: str
    vector_multiply: str  # 32-bit lanes, four to a vector
    scalar_multiply: str
    divide: str
    divide_flags: list  # compile flags of a processor that has a divide instruction


ARCHITECTURES = {
    "arm64": Architecture(
        "aarch64", [], r"b|b\.\w+|cbn?z|tbn?z", r"b", r"bl", r"ret", r"mul", r"$^", r"udiv", []),
    # Debian's armhf code is Thumb-2.
    "armhf": Architecture(
        "thumbv7-linux-gnueabihf", ["--mattr=+neon,+hwdiv"],
        r"(b|b(eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le))(\.w|\.n)?|cbn?z", r"b(\.w|\.n)?",
        r"blx?", r"bx", r"vmul\.i32", r"mul|muls|mla", r"udiv",
        ["-mcpu=cortex-a72"]),
    "ppc64el": Architecture(
        "powerpc64le", ["--mcpu=pwr9"],
        r"(b|bc|bt|bf|bdnz|bdz|beq|bne|blt|bgt|ble|bge|bso|bns|bun|bnu)[+-]?", r"b", r"bl", r"blr",
        r"vmuluwm", r"mullw", r"divwu|divdu", []),
    "s390x": Architecture(
        "s390x", ["--mcpu=z15"],
        r"j|jg|j(n?[ehlo]|n?[hl]e|n?lh|nhe|nle)|jg\w+|brc|brcl|brctg?|c[lg]*r?i?j\w*", r"jg?",
        r"brasl|basr", r"br", r"vmlf", r"msr?|msfi", r"dlg?r?", []),
    "riscv64": Architecture(
        "riscv64", ["--mattr=+m,+a,+f,+d,+c"],
        r"j|beqz?|bnez?|bltu?|bgeu?|bgtu?|bleu?|blez|bgez|bltz|bgtz", r"j", r"jalr?|call", r"ret",
        r"$^", r"mulw?", r"(div|rem)uw?", []),
}

# Each model, the architecture whose code it runs, the path that code takes there, and the least
# times fewer cycles than the division loop that the path must take (0: none set).
MODELS = [
    ("arm64", "neoverse-n1", "neon", 0),
    ("arm64", "neoverse-n2", "neon", 0),
    ("arm64", "neoverse-v1", "neon", 0),
    ("arm64", "neoverse-v2", "neon", 0),
    ("arm64", "apple-m1", "neon", 0),
    ("arm64", "cortex-a72", "neon", 0),
    ("armhf", "cortex-a72", "neon32", 15),
    ("ppc64el", "pwr9", "generic", 6),
    ("s390x", "z15", "z13", 20),
    ("s390x", "z196", "generic", 8),
    ("riscv64", "sifive-u74", "generic", 4),
]


@dataclass
class Instruction:
    address: int
    mnemonic: str
    operands: str

    def text(self):
        return f"{self.mnemonic} {self.operands}".strip()


@functools.lru_cache(maxsize=None)
def functions(obj, arch):
    """The object's functions by demangled name, each a list of instructions."""
    listing = subprocess.run(
        [OBJDUMP, "-d", "--no-show-raw-insn", "-C", *ARCHITECTURES[arch].objdump_flags, obj],
        check=True, capture_output=True, text=True).stdout
    result = {}
    current = None
    for line in listing.splitlines():
        header = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if header:
            # Local labels (.L...) and ARM's mapping symbols continue the function before them.
            if not re.match(r"^(\.L|\$)", header.group(1)):
                current = result.setdefault(header.group(1), [])
            continue
        body = re.match(r"^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$", line)
        data = re.search(r"\s\.(byte|short|word|long|quad)\s", line)  # ARM's literal pools
        if body and not data and current is not None:
            # Less the symbols and the comments (ARM's @, AArch64's //) that objdump adds.
            operands = re.sub(r"\s*<.*>$", "", re.sub(r"\s*(@|//) .*$", "", body.group(3)))
            current.append(Instruction(int(body.group(1), 16), body.group(2), operands))
    return result


def function_named(obj, arch, pattern):
    for name, instructions in functions(obj, arch).items():
        if re.search(pattern, name):
            return instructions
    return []


def is_a(mnemonic, pattern):
    return re.fullmatch(pattern, mnemonic) is not None


def branch_target(instruction, arch):
    if not is_a(instruction.mnemonic, ARCHITECTURES[arch].branch):
        return None
    target = re.search(r"0x([0-9a-f]+)$", instruction.operands)
    return int(target.group(1), 16) if target else None


def smallest_loop(instructions, arch, holds):
    """The instructions of the smallest region from a backward branch's target to the branch
    for which holds(region) is true, or None."""
    best = None
    for end, instruction in enumerate(instructions):
        target = branch_target(instruction, arch)
        if target is None or target > instruction.address:
            continue
        start = next(i for i, x in enumerate(instructions) if x.address >= target)
        region = instructions[start:end + 1]
        if holds(region) and (best is None or len(region) < len(best)):
            best = region
    return best


def without_exits(region, arch):
    """The region less its blocks that jump out of it or make a call."""
    isa = ARCHITECTURES[arch]
    low, high = region[0].address, region[-1].address
    starts = set()
    for k, instruction in enumerate(region):
        target = branch_target(instruction, arch)
        if target is not None and low <= target <= high:
            starts.add(target)
        if (target is not None or is_a(instruction.mnemonic, isa.call)) and k + 1 < len(region):
            starts.add(region[k + 1].address)
    kept, block, leaves = [], [], False
    for k, instruction in enumerate(region):
        if k > 0 and instruction.address in starts:
            kept += [] if leaves else block
            block, leaves = [], False
        block.append(instruction)
        target = branch_target(instruction, arch)
        jumps_out = (is_a(instruction.mnemonic, isa.jump) and target is not None and
                     not low <= target <= high and k + 1 < len(region))
        leaves = leaves or jumps_out or is_a(instruction.mnemonic, isa.call)
    return kept + ([] if leaves else block)


def count(region, pattern):
    return sum(1 for x in region if is_a(x.mnemonic, pattern))


def cycles_per_iteration(arch, model, instructions):
    if not instructions:
        return 0.0
    with tempfile.NamedTemporaryFile("w", suffix=".s") as source:
        # Every branch to one label, which llvm-mca ignores: an address of the object would
        # be read as an offset, out of a short branch's range on some processors.
        source.write(".Lbranch:\n" + "".join(
            (re.sub(r"0x[0-9a-f]+$", ".Lbranch", x.text())
             if branch_target(x, arch) is not None else x.text()) + "\n" for x in instructions))
        source.flush()
        run = subprocess.run(
            [MCA, f"-mtriple={ARCHITECTURES[arch].mca_triple}", f"-mcpu={model}",
             "-iterations=1000", source.name], capture_output=True, text=True)
    if run.returncode != 0:
        fail(f"llvm-mca on {arch} {model}: {run.stderr[:2000]}")
    report = run.stdout
    return int(re.search(r"^Total Cycles:\s+(\d+)", report, re.M).group(1)) / 1000


def fail(message):
    sys.exit(f"estimate: {message}")


@dataclass
class PathLoops:
    loop: list
    set_up: list
    full_test: list
    divisors_per_visit: int


def path_loops(obj, arch, path):
    isa = ARCHITECTURES[arch]
    kernel = function_named(obj, arch, rf"^nthprime::{path}::primesAmong\(")

    def multiplications(region):  # a vector's are four lanes'; scalar ones count where none
        vector = count(region, isa.vector_multiply)
        return 4 * vector if vector else count(region, isa.scalar_multiply)

    def holds_a_visit(region):
        return (count(region, isa.vector_multiply) >= VECTORS_PER_VISIT or
                count(region, isa.scalar_multiply) >= VECTORS_PER_VISIT)

    region = smallest_loop(kernel, arch, holds_a_visit)
    if region is None:
        fail(f"no candidate loop in {path}'s primesAmong ({obj})")
    loop = without_exits(region, arch)
    divisors = multiplications(loop)
    if False:
        fail(f"{path}'s candidate loop on {arch} holds {divisors} lanes' multiplications")
    set_up = function_named(obj, arch, rf"^nthprime::{path}::.*::setUpVisit\(")
    if not set_up:
        fail(f"the compiler inlined {path}'s setUpVisit on {arch}: it cannot be measured apart")
    if any((branch_target(x, arch) or x.address + 1) <= x.address for x in set_up):
        fail(f"{path}'s set-up on {arch} has a loop of its own: it is not measured straight")
    full_test = function_named(obj, arch, rf"^nthprime::{path}::.*::dividedInVisitExactly\(")
    return PathLoops(loop, straight(set_up, arch), straight(full_test, arch), divisors)


def straight(instructions, arch):
    """A function's instructions up to its first return, for llvm-mca."""
    returns = [k for k, x in enumerate(instructions) if is_a(x.mnemonic, ARCHITECTURES[arch].ret)]
    return instructions[:returns[0]] if returns else instructions


@functools.lru_cache(maxsize=None)
def division_object(build, arch):
    """The scalar loop's object, compiled as the build compiles it, with the processor's
    hardware divide."""
    with open(os.path.join(build, "compile_commands.json")) as commands:
        entry = next(e for e in json.load(commands)
                     if e["file"].endswith("src/prime/wheel_scalar.cpp"))
    obj = os.path.join(build, "estimate", "wheel_scalar.o")
    os.makedirs(os.path.dirname(obj), exist_ok=True)
    words = shlex.split(entry["command"])
    out = words.index("-o")
    words[out + 1] = os.path.abspath(obj)
    subprocess.run(words + ARCHITECTURES[arch].divide_flags, cwd=entry["directory"], check=True)
    return obj


def division_loop(obj, arch):
    isa = ARCHITECTURES[arch]
    scalar = function_named(obj, arch, r"^nthprime::scalar::smallestWheelDivisor\(")
    region = smallest_loop(scalar, arch, lambda r: count(r, isa.divide) > 0)
    if region is None:
        fail(f"no division loop in smallestWheelDivisor ({obj})")
    return without_exits(region, arch)


def replay(program, divisors):
    words = subprocess.run([program, QUERY, str(divisors)], check=True, capture_output=True,
                           text=True).stdout.split()
    return {words[i]: int(words[i + 1]) for i in range(0, len(words) - 1, 2)}


def build_of(builds, arch):
    for build in builds:
        if os.path.basename(os.path.normpath(build)) == f"linux-{arch}":
            return build
    fail(f"no build linux-{arch} among {' '.join(builds)}")


@dataclass
class Estimate:
    arch: str
    model: str
    path: str
    target: int
    divisors_per_visit: int
    loop: float
    set_up: float
    full_test: float
    per_division: float
    path_cycles: float
    division_cycles: float

    def ratio(self):
        return self.division_cycles / self.path_cycles


def estimate(program, build, arch, model, path, target):
    kernel = os.path.join(build, "CMakeFiles", "nthprime_kernels.dir", "src", "prime",
                          f"wheel_kernel_{path}.cpp.o")
    loops = path_loops(kernel, arch, path)
    work = replay(program, loops.divisors_per_visit)
    composites = work["candidates"] - work["primes"] if loops.full_test else 0
    loop = cycles_per_iteration(arch, model, loops.loop)
    set_up = cycles_per_iteration(arch, model, loops.set_up)
    full_test = cycles_per_iteration(arch, model, loops.full_test)
    division = division_loop(division_object(build, arch), arch)
    per_division = (cycles_per_iteration(arch, model, division) /
                    count(division, ARCHITECTURES[arch].divide))
    result = Estimate(arch, model, path, target, loops.divisors_per_visit, loop, set_up,
                      full_test, per_division,
                      work["visits"] * loop + work["setups"] * set_up + composites * full_test,
                      work["divisor_tests"] * per_division)
    details = [
        f"# {arch} {model} {path}: {loop:.2f} cycles a visit of {loops.divisors_per_visit} "
        f"divisors, set-up {set_up:.1f}, full test {full_test:.1f}; the division loop "
        f"{per_division:.2f} cycles a divisor; {result.ratio():.1f} times the path's cycles",
        f"#   the candidate loop ({len(loops.loop)} instructions): " +
        "; ".join(x.text() for x in loops.loop),
        f"#   the division loop ({len(division)} instructions): " +
        "; ".join(x.text() for x in division)]
    return result, details, work


def table(estimates, work):
    lines = [
        f"The worst query, {work['index']}: {work['candidates']:,} candidates, "
        f"{work['divisor_tests']:,} divisor tests on the division loop. Cycles of the whole "
        "query, and of it a divisor test, on the path and on the division loop:",
        "",
        "| Architecture | Model | Path | Cycles a visit (divisors) | Set-up | Path, a divisor test "
        "| Division loop, a divisor test | Path, the query | Division loop, the query "
        "| Times fewer | Target |",
        "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for e in estimates:
        lines.append(
            f"| {e.arch} | `{e.model}` | {e.path} | {e.loop:.2f} ({e.divisors_per_visit}) "
            f"| {e.set_up:.0f} | {e.path_cycles / work['divisor_tests']:.3f} "
            f"| {e.per_division:.2f} | {e.path_cycles / 1e9:.3f} billion "
            f"| {e.division_cycles / 1e9:.2f} billion | {e.ratio():.1f} "
            f"| {e.target if e.target else ''} |")
    return lines


def main(argv):
    mode = argv[0] if argv and argv[0] in ("--summary", "--table") else ""
    args = argv[1:] if mode else argv
    if len(args) < 2:
        fail(__doc__)
    program, builds = args[0], args[1:]
    estimates, details, work = [], [], None
    for arch, model, path, target in MODELS:
        result, lines, work = estimate(program, build_of(builds, arch), arch, model, path, target)
        estimates.append(result)
        details += lines
        if mode != "--table":
            print(f"{arch} {model} {path} {result.path_cycles:.0f} {result.division_cycles:.0f}")
    if mode == "--table":
        print("\n".join(table(estimates, work)))
    elif not mode:
        print("\n".join(details))
    short = [e for e in estimates if e.ratio() < e.target]
    for e in short:
        print(f"estimate: on {e.arch} {e.model} the {e.path} path takes {e.ratio():.1f} times "
              f"fewer cycles than the division loop, short of {e.target}", file=sys.stderr)
    return 1 if short else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
