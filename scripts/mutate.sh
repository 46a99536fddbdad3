#!/usr/bin/env bash
# Mutation check, run by hand (not part of ./test): does the suite notice when one rule of
# the two windows, the flat button, the check list, the hint or the forms' focus,
# activation and double-click handling breaks?
#
#   scripts/mutate.sh                 every change of every target function
#   scripts/mutate.sh form1.cpp       only that file; "Panel9MouseMove" or "hint.cpp:show"
#                                     pick functions (a part of "path:function"); several
#                                     filters take what any of them matches
#   scripts/mutate.sh --list [FILTER...] print the changes without building anything
#
# Each change is one of: a statement replaced by an empty one, a comparison turned into its
# opposite (== and !=, < and >=, > and <=), or one constant replaced by another of the same
# kind (numbers, colours, booleans, notices, registry roots, k-constants, strings), taken
# from the same function or else from the same file. For each change the file is edited in a
# copy of the tree (build-mutate/tree, so the working tree is never touched), the test
# programs that link it are rebuilt one at a time (without optimisation, for speed) and run
# until their first failure, the next only while none has failed, and the file is put back,
# also when the run is interrupted. A change that does not compile is listed as "not built" and left out
# of the figures. The end shows caught/all per folder.
#
# TV_MUTATE_DIR sets the work folder (default: build-mutate in the repository).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export TV_ROOT="$root"
export TV_MUTATE_DIR="${TV_MUTATE_DIR:-$root/build-mutate}"
export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$root")}"
exec python3 - "$@" <<'PYTHON'
import fcntl, os, re, shutil, signal, subprocess, sys, time

ROOT = os.environ["TV_ROOT"]
WORK = os.environ["TV_MUTATE_DIR"]
TREE = os.path.join(WORK, "tree")
BUILD = os.path.join(WORK, "build")

# What is mutated: the file, the functions (None: every function but the constructors and
# the binding), and the test programs that link it.
WINDOW_TESTS = ["mainwindow_test"]
WIDGET_TESTS = ["widgets_test", "text_controls_test", "mainwindow_test"]  # fastest first
LIST_TESTS = ["text_controls_test", "widgets_test", "mainwindow_test"]  # its own tests first
TARGETS = [
    ("src/mainwindow/form1.cpp", None, WINDOW_TESTS),
    ("src/about/form3.cpp", None, WINDOW_TESTS),
    ("src/widgets/speed_button.cpp",
     "setDown setHot mouseEnter mouseLeave mouseDown mouseMove mouseUp captureLost", WIDGET_TESTS),
    ("src/widgets/check_list_box.cpp",
     "check checked setChecked setItemIndex itemAt select scrollIntoView setTopIndex userToggle "
     "mouseDown mouseMove mouseUp captureLost mouseWheel keyDown textInput focusChanged",
     LIST_TESTS),
    ("src/widgets/hint.cpp", "hintTarget pointerMoved cancel forget due fire show hide",
     WIDGET_TESTS),
    ("src/widgets/form.cpp",
     "setActive windowFocusChanged routeMouse updateHot setFocusedControl controlHidden focusFirst",
     WIDGET_TESTS),
    ("src/widgets/application.cpp", "setActiveForm restoreAfterBox", WIDGET_TESTS),
]
SKIP = {"handlers", "bindMembers"}


def blank_literals(text):
    """The text with string and character literals and comments blanked (same length)."""
    out, i, n = list(text), 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out[i:j] = " " * (j - i)
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out[i + 1:j] = " " * (j - i - 1)
            i = j + 1
        else:
            i += 1
    return "".join(out)


def functions(text, code):
    """(class, name, returns void, body start, body end) of each function defined at column 0."""
    for m in re.finditer(r"^(?![\s#}])([^\n;{}()]*?)\b(\w+)::(~?\w+)\(", code, re.M):
        depth, j = 0, m.end() - 1
        while j < len(code):
            depth += {"(": 1, ")": -1}.get(code[j], 0)
            if depth == 0:
                break
            j += 1
        brace, semi = code.find("{", j), code.find(";", j)
        if brace < 0 or (0 <= semi < brace):
            continue
        depth, k = 0, brace
        while k < len(code):
            depth += {"{": 1, "}": -1}.get(code[k], 0)
            if depth == 0:
                break
            k += 1
        yield m.group(2), m.group(3), m.group(1).strip().endswith("void"), brace + 1, k


DECLARATION = re.compile(
    r"^(const |static |constexpr )*(auto|bool|int|unsigned|std::[\w:<>]+|[A-Z]\w*)[\s*&]+\w+\s*[=({;]")
CONTROL = re.compile(r"^(if|for|while)\s*\(.*\)$|^else$|^\} else$")
FLIPS = {" == ": " != ", " != ": " == ", " < ": " >= ", " >= ": " < ", " > ": " <= ",
         " <= ": " > "}
CONSTANTS = [
    ("colour", r"\b(?:k\w*(?:Color|Grey)|cl[A-Z]\w*)\b"),
    ("bool", r"\b(?:true|false)\b"),
    ("scoped", r"\b(?:notice|RegistryRoot|TMouseButton|Key)::\w+\b"),
    ("k-constant", r"\bk[A-Z]\w*\b"),
    ("number", r"(?<![\w.])\d+(?![\w.])"),
    ("string", r"\"(?:[^\"\\]|\\.)*\""),
]


def kind_of(kind, value):
    """Scoped constants are of one kind per scope: notice::X, RegistryRoot::Y."""
    return kind + " " + value.split("::")[0] if kind == "scoped" else kind


def statements(text, code, start, end):
    """(offset, length) of each statement of the body that can be emptied."""
    pos, prev, found = start, "{", []
    lines = code[start:end].split("\n")
    spans = []
    for ln in lines:
        spans.append((pos, ln))
        pos += len(ln) + 1
    i = 0
    while i < len(spans):
        off, ln = spans[i]
        s = ln.strip()
        if s and (prev[-1:] in (";", "{", "}") or CONTROL.match(prev)) and not re.match(
                r"(\}|else\b|case\b|default:)", s):
            j, depth, last = i, 0, None
            while j < len(spans):
                depth += spans[j][1].count("(") - spans[j][1].count(")")
                t = spans[j][1].strip()
                if "{" in t:
                    break
                if t.endswith(";") and depth == 0:
                    last = j
                    break
                j += 1
            after = next((t.strip() for _, t in spans[last + 1:] if t.strip()), "") \
                if last is not None else ""
            if last is not None and not (s.startswith("if") and after.startswith("else")):
                first = off + len(ln) - len(ln.lstrip())
                stop = spans[last][0] + len(spans[last][1])
                found.append((first, stop - first))
        if s:
            prev = s
        i += 1
    return found


def mutants(path, text, wanted):
    code = blank_literals(text)
    kinds = {}  # kind -> its values in the order the file first uses them
    for kind, rx in CONSTANTS:
        for m in re.finditer(rx, text if kind == "string" else code):
            if kind == "string" or code[m.start()] != " ":
                seen = kinds.setdefault(kind_of(kind, m.group(0)), [])
                if m.group(0) not in seen:
                    seen.append(m.group(0))
    for cls, name, void, start, end in functions(text, code):
        if name == cls or name.startswith("~") or name in SKIP:
            continue
        if wanted and name not in wanted:
            continue
        where = lambda off: (text.count("\n", 0, off) + 1)
        for off, length in statements(text, code, start, end):
            s = " ".join(text[off:off + length].split())
            if DECLARATION.match(s) or (not void and s.startswith("return ")):
                continue
            yield name, where(off), "delete: " + s, off, length, ";"
        body = code[start:end]
        for op, flip in FLIPS.items():
            for m in re.finditer(re.escape(op), body):
                off = start + m.start()
                line = text[text.rfind("\n", 0, off) + 1:text.find("\n", off)].strip()
                yield name, where(off), f"flip {op.strip()} to {flip.strip()}: {line}", off, len(op), flip
        taken = set()
        for kind, rx in CONSTANTS:
            source = text[start:end] if kind == "string" else body
            occ = [m for m in re.finditer(rx, source)
                   if not any(a <= start + m.start() < b for a, b in taken)]
            local = {}
            for m in occ:
                value = text[start + m.start():start + m.end()]
                values = local.setdefault(kind_of(kind, value), [])
                if value not in values:
                    values.append(value)
            for m in occ:
                a, b = start + m.start(), start + m.end()
                taken.add((a, b))
                value = text[a:b]
                k = kind_of(kind, value)
                pool = local[k] if len(local[k]) > 1 else kinds[k]
                if len(pool) < 2:
                    continue
                other = pool[(pool.index(value) + 1) % len(pool)] if value in pool else pool[0]
                yield name, where(a), f"{k} {value} to {other}", a, b - a, other


def sync_tree():
    """Make the copy mirror the working tree: changed files copied, files git no longer lists
    removed (CMake globs some folders, so a stale file would still be compiled)."""
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT,
                           check=True, capture_output=True).stdout.decode().split("\0")
    listed = {f for f in files if f and os.path.isfile(os.path.join(ROOT, f))}
    for f in listed:
        src, dst = os.path.join(ROOT, f), os.path.join(TREE, f)
        if os.path.isfile(dst):
            with open(src, "rb") as a, open(dst, "rb") as b:
                if a.read() == b.read():
                    continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        # A fresh time stamp, never the source's: an object built from the old copy may be
        # newer than the source's own time, and make would keep it.
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)
    for folder, dirs, names in os.walk(TREE, topdown=False):
        for n in names:
            full = os.path.join(folder, n)
            if os.path.relpath(full, TREE) not in listed:
                os.remove(full)
        if folder != TREE and not os.listdir(folder):
            os.rmdir(folder)


def build(targets):
    r = subprocess.run(["nice", "cmake", "--build", BUILD, "-j2", "--target", *targets],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 0


def test_program(name):
    for d in ("tests/mainwindow", "tests/widgets"):
        p = os.path.join(BUILD, d, name)
        if os.path.exists(p):
            return p
    raise SystemExit(f"mutate: no test program {name}")


def tests_pass(programs):
    env = dict(os.environ, TOLVANE_SOURCE_DIR=TREE)
    for p in programs:
        try:
            r = subprocess.run([test_program(p), "--gtest_fail_fast", "--gtest_brief=1"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                               timeout=120, cwd=BUILD)
        except subprocess.TimeoutExpired:
            return False
        if r.returncode != 0:
            return False
    return True


def main(argv):
    listing = "--list" in argv
    args = [a for a in argv if a != "--list"]
    patterns = args or [""]
    chosen = []
    for path, names, programs in TARGETS:
        wanted = set(names.split()) if names else None
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            text = f.read()
        for m in mutants(path, text, wanted):
            if any(p in f"{path}:{m[0]}" for p in patterns):
                chosen.append((path, programs, text) + m)
    if listing:
        for path, _, _, name, line, what, *_ in chosen:
            print(f"{path}:{line}  {name}  {what}")
        print(f"{len(chosen)} changes")
        return 0
    if not chosen:
        raise SystemExit(f"mutate: nothing matches {' '.join(patterns)}")

    os.makedirs(TREE, exist_ok=True)
    lock = open(os.path.join(WORK, "lock"), "w")
    try:  # two runs on one copy would undo each other's changes
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        raise SystemExit(f"mutate: another run is using {WORK}; set TV_MUTATE_DIR")
    sync_tree()
    if not os.path.exists(os.path.join(BUILD, "CMakeCache.txt")):
        subprocess.run(["cmake", "-S", TREE, "-B", BUILD, "-DCMAKE_BUILD_TYPE=Debug",
                        "-DCMAKE_CXX_FLAGS_DEBUG=-O0"], check=True, stdout=subprocess.DEVNULL)
    programs = sorted({p for c in chosen for p in c[1]})
    print(f"mutate: building {', '.join(programs)} in {BUILD}", flush=True)
    if not build(programs):
        raise SystemExit("mutate: the unchanged tree does not build")
    for p in programs:
        if not tests_pass([p]):
            raise SystemExit(f"mutate: {p} fails on the unchanged tree")

    totals, started = {}, time.time()
    for path, programs, text, name, line, what, off, length, replacement in chosen:
        target = os.path.join(TREE, path)
        try:
            with open(target, "w", encoding="utf-8") as f:
                f.write(text[:off] + replacement + text[off + length:])
            verdict = "SURVIVED"
            for program in programs:  # built one at a time: a caught change skips the rest
                if not build([program]):
                    verdict = "not built"
                    break
                if not tests_pass([program]):
                    verdict = "caught"
                    break
        finally:
            with open(target, "w", encoding="utf-8") as f:
                f.write(text)
        folder = os.path.dirname(path)
        t = totals.setdefault(folder, {"caught": 0, "SURVIVED": 0, "not built": 0})
        t[verdict] += 1
        print(f"{verdict:9} {path}:{line}  {name}  {what}", flush=True)
    build(programs)
    print(f"\nmutate: {len(chosen)} changes in {time.time() - started:.0f} s")
    for folder, t in sorted(totals.items()):
        tried = t["caught"] + t["SURVIVED"]
        share = 100.0 * t["caught"] / tried if tried else 0.0
        print(f"{folder}: {t['caught']} of {tried} caught ({share:.1f} %), "
              f"{t['not built']} not built")
    return 0


def stop(*_):
    raise KeyboardInterrupt


signal.signal(signal.SIGTERM, stop)
sys.exit(main(sys.argv[1:]))
PYTHON
