#!/usr/bin/env python3
"""Checks that a 32-bit Windows program loads on Windows XP SP3.

Windows XP refuses to start a program when one of its imported functions is
missing from the DLL ("The procedure entry point ... could not be located"),
when an imported DLL is not on the machine, or when the image asks for a
newer subsystem version. This script reads the import tables of the
executable with `objdump -p` (and its version resource with windres) and
fails on:

  - an imported DLL that has no reference list in xp-sp3-exports/ (only XP
    system DLLs have one: a MinGW runtime DLL or an api-ms-win-* set fails);
  - an imported function that is not in the reference list of its DLL;
  - an import by ordinal (it cannot be checked by name);
  - a machine other than i386, or a subsystem version above 5.1;
  - with --version X.Y.Z, a version resource (VS_FIXEDFILEINFO) other than
    X.Y.Z.0, or none.

Usage:
  check_imports.py EXE                 check a program (exit 1 on a problem)
  check_imports.py --version X.Y.Z EXE the same, and its file version
  check_imports.py --objdump-text FILE check the imports in `objdump -p` output
  ... --delay-def FILE.def             count a delay-import list's functions as
                                       imports too (repeatable); without it, the
                                       lists the program is built with
                                       (mailcheck/delay/*.def), so that every
                                       caller checks the delay-loaded calls
  check_imports.py --self-test         show that the checker catches bad imports
                                       and that the reference lists are sound
"""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_REFERENCE = os.path.join(HERE, "xp-sp3-exports")
# The delay-import lists the program is linked with (mailcheck/CMakeLists.txt):
# their functions are in no import table objdump shows.
DEFAULT_DELAY_DEFS = sorted(glob.glob(os.path.join(HERE, "..", "..", "mailcheck", "delay", "*.def")))
NOT_ON_XP = os.path.join(HERE, "not-on-xp.txt")
FIXTURES = os.path.join(HERE, "fixtures")

I386_FORMAT = "pei-i386"  # objdump's name of a 32-bit x86 Windows image
XP_SUBSYSTEM_VERSION = (5, 1)

# The 64-bit MinGW binutils read 32- and 64-bit images alike (the i686 ones
# refuse a 64-bit image, which must be reported by its machine instead).
OBJDUMP = "x86_64-w64-mingw32-objdump"
WINDRES = "x86_64-w64-mingw32-windres"
CROSS_CC = "i686-w64-mingw32-gcc-posix"
CROSS_NM = "i686-w64-mingw32-nm"
MINGW_LIB = "/usr/i686-w64-mingw32/lib"


class ToolError(Exception):
    pass


# --------------------------------------------------------------------------
# Reading the imports


class Image:
    """What the checks need of a PE file."""

    def __init__(self):
        self.machine = None
        self.subsystem_version = None
        self.imports = []  # (dll, name or "#ordinal")
        self.version = None  # the file version (a, b, c, d) of the version resource


def _read_lists(path):
    """Lines of a list file, without comments and blanks."""
    with open(path, encoding="utf-8") as f:
        return [ln.strip() for ln in f if ln.strip() and not ln.lstrip().startswith("#")]


def _run(cmd):
    """The standard output of a binutils tool; ToolError with its message when it fails."""
    if not shutil.which(cmd[0]):
        raise ToolError("%s is missing (tools/setup.sh installs binutils-mingw-w64)" % cmd[0])
    r = subprocess.run(cmd, capture_output=True, text=True, errors="replace")
    if r.returncode != 0:
        raise ToolError((r.stderr.strip() or "%s failed" % cmd[0]).splitlines()[-1])
    return r.stdout


def read_image(path):
    """The imports, machine and subsystem version of a program, as objdump lists them."""
    return read_objdump_text(_run([OBJDUMP, "-p", path]))


def read_file_version(path):
    """The FILEVERSION (a, b, c, d) of the program's version resource, or None.

    objdump lists where the resources are but not what they hold; windres
    writes them out as a resource script."""
    try:
        script = _run([WINDRES, "-J", "coff", "-O", "rc", "-i", path])
    except ToolError:  # also what windres says of a program without resources
        return None
    m = re.search(r"^\s*FILEVERSION\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*$", script, re.M)
    return tuple(int(g) for g in m.groups()) if m else None


def version_problems(img, version):
    """[(key, message)] when the version resource is not VERSION.0 (x.y.z)."""
    if img.version is None:
        return [("<version>", "no version resource")]
    want = tuple(int(p) for p in version.split(".")) + (0,)
    if img.version != want:
        return [("<version>", "version resource says %d.%d.%d.%d, expected %s.0" % (img.version + (version,)))]
    return []


def read_objdump_text(text):
    """The imports listed in the output of `objdump -p` (one image)."""
    img = Image()
    dll = None
    for line in text.splitlines():
        m = re.match(r"^\s*DLL Name:\s*(\S+)", line)
        if m:
            dll = m.group(1)
            continue
        if dll is None:
            continue
        # "<thunk>  <hint>  <name>", or "<thunk>  <ordinal>  <none>" for an
        # import by ordinal.
        m = re.match(r"^\s+[0-9a-fA-F]+\s+(\d+)\s+(\S+)\s*$", line)
        if m:
            name = m.group(2)
            img.imports.append((dll, "#" + m.group(1) if name == "<none>" else name))
            continue
        if not line.strip() or re.match(r"^\s*vma:", line) or "Hint/Ord" in line:
            continue
        if re.match(r"^\S", line):  # the next part of the dump
            dll = None
    m = re.search(r"^MajorSubsystemVersion\s+(\d+)\s*$", text, re.M)
    n = re.search(r"^MinorSubsystemVersion\s+(\d+)\s*$", text, re.M)
    if m and n:
        img.subsystem_version = (int(m.group(1)), int(n.group(1)))
    m = re.search(r"file format (\S+)", text)
    if m:
        img.machine = m.group(1)
    return img


def read_delay_def(path):
    """The imports a delay-import list (a dlltool .def) stands for: the DLL
    loads at the first call, so its functions are in no table objdump shows,
    yet XP must export them all the same."""
    dll, names = None, []
    for line in _read_lists(path):
        if line.startswith(";"):  # a comment of the .def
            continue
        m = re.match(r"^LIBRARY\s+(\S+)", line)
        if m:
            dll = m.group(1)
        elif line != "EXPORTS":
            names.append(line.split("@")[0])
    if dll is None:
        raise ToolError("%s names no LIBRARY" % path)
    return [(dll, n) for n in names]


# --------------------------------------------------------------------------
# The check


def load_reference(directory):
    ref = {}
    for fn in sorted(os.listdir(directory)):
        if fn.endswith(".txt"):
            ref[fn[:-4].lower() + ".dll"] = set(_read_lists(os.path.join(directory, fn)))
    return ref


def load_not_on_xp():
    out = {}
    for ln in _read_lists(NOT_ON_XP):
        name, _, why = ln.partition(" ")
        out[name] = why.strip()
    return out


def violations(img, reference):
    """A sorted list of (key, message); key is DLL or DLL!name, for tests."""
    not_on_xp = load_not_on_xp()
    found = {}
    if img.machine != I386_FORMAT:
        found["<machine>"] = "%s is not a 32-bit x86 image (%s): XP SP3 32-bit cannot run it" % (
            img.machine or "the image", I386_FORMAT)
    if img.subsystem_version is not None and img.subsystem_version > XP_SUBSYSTEM_VERSION:
        found["<subsystem>"] = "subsystem version %d.%d is above XP's 5.1" % img.subsystem_version
    for dll, name in img.imports:
        key_dll = dll.lower()
        if key_dll not in reference:
            found[key_dll] = "%s: not a Windows XP system DLL with a reference list" % dll
            continue
        if name.startswith("#"):
            found[key_dll + "!" + name] = "%s!%s: import by ordinal cannot be checked" % (dll, name)
        elif name not in reference[key_dll]:
            why = not_on_xp.get(name)
            detail = ("not on XP SP3: " + why) if why else "not in the XP SP3 reference list"
            found[key_dll + "!" + name] = "%s!%s: %s" % (dll, name, detail)
    return sorted(found.items())


def report(label, img, reference, version=None):
    problems = violations(img, reference)
    dlls = sorted({d for d, _ in img.imports}, key=str.lower)
    print("%s: %d imports from %s" % (label, len(img.imports), ", ".join(dlls)))
    if version is not None:
        problems += version_problems(img, version)
        if img.version is not None:
            print("%s: version resource %d.%d.%d.%d" % ((label,) + img.version))
    for _, msg in problems:
        print("  FAIL " + msg)
    return problems


# --------------------------------------------------------------------------
# Self-test


def _expect(cond, what, failures):
    print(("  ok   " if cond else "  FAIL ") + what)
    if not cond:
        failures.append(what)


def _compile(source, out, defines, libs):
    cmd = [CROSS_CC, "-O1", "-o", out, source] + defines + libs
    subprocess.run(cmd, check=True, capture_output=True)


def self_test(reference_dir):
    reference = load_reference(reference_dir)
    not_on_xp = load_not_on_xp()
    failures = []

    print("fixture: objdump output of a program with XP-only imports")
    with open(os.path.join(FIXTURES, "good.objdump.txt"), encoding="utf-8") as f:
        good = read_objdump_text(f.read())
    _expect(len(good.imports) > 10, "the good fixture has imports", failures)
    _expect(violations(good, reference) == [], "no problem is reported for it", failures)

    print("fixture: objdump output with post-XP functions, runtime DLLs and an ordinal")
    with open(os.path.join(FIXTURES, "bad.objdump.txt"), encoding="utf-8") as f:
        bad = read_objdump_text(f.read())
    keys = [k for k, _ in violations(bad, reference)]
    want = sorted(["kernel32.dll!GetTickCount64", "kernel32.dll!InitializeCriticalSectionEx",
                   "advapi32.dll!RegDeleteTreeA", "advapi32.dll!RegGetValueA",
                   "libwinpthread-1.dll", "api-ms-win-crt-runtime-l1-1-0.dll",
                   "comctl32.dll!#345", "<subsystem>"])
    _expect(keys == want, "exactly these are reported: %s (got %s)" % (want, keys), failures)

    print("a delay-import list: its functions count as imports, decorations and comments dropped")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "ws2_32.def")
        with open(path, "w", encoding="utf-8") as f:
            f.write("; a comment\nLIBRARY ws2_32.dll\nEXPORTS\nconnect@12\nWSAPoll@12\n")
        delayed = read_delay_def(path)
    _expect(delayed == [("ws2_32.dll", "connect"), ("ws2_32.dll", "WSAPoll")],
            "the list reads as connect and WSAPoll of ws2_32.dll (got %s)" % delayed, failures)
    good.imports += delayed
    keys = [k for k, _ in violations(good, reference)]
    _expect(keys == ["ws2_32.dll!WSAPoll"], "only WSAPoll (Vista) is reported (got %s)" % keys, failures)

    print("reference lists")
    for dll, names in sorted(reference.items()):
        listed = _read_lists(os.path.join(reference_dir, dll[:-4] + ".txt"))
        _expect(len(listed) == len(set(listed)), "%s: no name twice" % dll, failures)
        bad_names = sorted(names & set(not_on_xp))
        _expect(not bad_names, "%s: no name known to be missing on XP %s" % (dll, bad_names or ""), failures)

    if not (shutil.which(CROSS_CC) and shutil.which(CROSS_NM)):
        print("  FAIL %s and %s are needed for the rest of the self-test" % (CROSS_CC, CROSS_NM))
        return 1

    # Every listed name is exported by the MinGW import library of its DLL:
    # a name spelt wrongly would otherwise never match and never fail.
    for dll, names in sorted(reference.items()):
        lib = os.path.join(MINGW_LIB, "lib%s.a" % dll[:-4])
        out = subprocess.run([CROSS_NM, lib], capture_output=True, text=True).stdout
        exported = {re.sub(r"@\d+$", "", s[len("__imp__"):]) for s in re.findall(r"\b__imp__\S+", out)}
        missing = sorted(names - exported)
        _expect(not missing, "%s: every name is in %s %s" % (dll, os.path.basename(lib), missing or ""), failures)

    # The Win32 names are declared by the MinGW headers for _WIN32_WINNT
    # 0x0501, which hide most Vista-only functions. A coarse filter only: the
    # headers also declare some functions XP lacks (see not-on-xp.txt).
    with tempfile.TemporaryDirectory() as tmp:
        probe = os.path.join(tmp, "probe.c")
        with open(probe, "w") as f:
            f.write("#define _WIN32_WINNT 0x0501\n#define WINVER 0x0501\n#define _WIN32_IE 0x0600\n"
                    "#include <windows.h>\n#include <commctrl.h>\n")
            for dll in ("kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll"):
                for n in sorted(reference.get(dll, ())):
                    if n.startswith("Rtl"):  # macros over memset/memmove in the headers
                        continue
                    f.write("void *probe_%s = (void *)&%s;\n" % (n, n))
        r = subprocess.run([CROSS_CC, "-fsyntax-only", "-w", probe], capture_output=True, text=True)
        _expect(r.returncode == 0, "the Win32 names are declared for _WIN32_WINNT 0x0501" +
                ("" if r.returncode == 0 else "\n" + r.stderr[:2000]), failures)

        # A real program built to import GetTickCount64 (Vista) fails the
        # check; the same program with GetTickCount passes.
        src = os.path.join(tmp, "t.c")
        with open(src, "w") as f:
            f.write("#include <windows.h>\nint main(void) {\n"
                    "#ifdef USE64\n  return (int)GetTickCount64();\n#else\n"
                    "  return (int)GetTickCount();\n#endif\n}\n")
        good_exe, bad_exe = os.path.join(tmp, "good.exe"), os.path.join(tmp, "bad.exe")
        _compile(src, good_exe, ["-D_WIN32_WINNT=0x0501"], ["-static"])
        _compile(src, bad_exe, ["-D_WIN32_WINNT=0x0600", "-DUSE64"], ["-static"])
        bad_img, good_img = read_image(bad_exe), read_image(good_exe)
        print("built program importing GetTickCount64")
        keys = [k for k, _ in violations(bad_img, reference)]
        _expect("kernel32.dll!GetTickCount64" in keys, "GetTickCount64 is reported (got %s)" % keys, failures)
        print("built program importing GetTickCount")
        keys = [k for k, _ in violations(good_img, reference)]
        _expect(keys == [], "no problem is reported (got %s)" % keys, failures)

        # An import by ordinal only (a NONAME export), read from the image.
        with open(os.path.join(tmp, "ord.def"), "w") as f:
            f.write("LIBRARY COMCTL32.DLL\nEXPORTS\nByNumber@0 @345 NONAME\n")
        ordlib = os.path.join(tmp, "libord.a")
        subprocess.run(["i686-w64-mingw32-dlltool", "-d", os.path.join(tmp, "ord.def"), "-l", ordlib, "-k"],
                       check=True, capture_output=True)
        ord_src = os.path.join(tmp, "ord.c")
        with open(ord_src, "w") as f:
            f.write("#include <windows.h>\nvoid WINAPI ByNumber(void);\n"
                    "int main(void) { ByNumber(); return 0; }\n")
        ord_exe = os.path.join(tmp, "ord.exe")
        _compile(ord_src, ord_exe, [], [ordlib])
        ord_img = read_image(ord_exe)
        print("built program importing COMCTL32 ordinal 345")
        keys = [k for k, _ in violations(ord_img, reference)]
        _expect(keys == ["comctl32.dll!#345"], "only the ordinal is reported (got %s)" % keys, failures)

        # The file version is read from the version resource; a program
        # without one has none.
        rc = os.path.join(tmp, "version.rc")
        with open(rc, "w") as f:
            f.write("1 VERSIONINFO\nFILEVERSION 1,2,3,0\nPRODUCTVERSION 1,2,3,0\nBEGIN\nEND\n")
        res = os.path.join(tmp, "version.o")
        subprocess.run(["i686-w64-mingw32-windres", rc, "-O", "coff", "-o", res], check=True, capture_output=True)
        ver_exe = os.path.join(tmp, "ver.exe")
        _compile(src, ver_exe, ["-D_WIN32_WINNT=0x0501"], ["-static", res])
        ver_img = read_image(ver_exe)
        ver_img.version = read_file_version(ver_exe)
        print("built program with file version 1.2.3.0")
        _expect(ver_img.version == (1, 2, 3, 0), "its version is read (got %s)" % (ver_img.version,), failures)
        _expect(version_problems(ver_img, "1.2.3") == [], "1.2.3 is accepted", failures)
        keys = [k for k, _ in version_problems(ver_img, "1.2.4")]
        _expect(keys == ["<version>"], "1.2.4 is reported (got %s)" % keys, failures)
        good_img.version = read_file_version(good_exe)
        _expect(good_img.version is None and version_problems(good_img, "1.2.3") != [],
                "a program without a version resource is reported (read %s)" % (good_img.version,), failures)

        # A 64-bit program is no XP SP3 32-bit program.
        if shutil.which("x86_64-w64-mingw32-gcc-posix"):
            x64_exe = os.path.join(tmp, "x64.exe")
            subprocess.run(["x86_64-w64-mingw32-gcc-posix", "-O1", "-o", x64_exe, src],
                           check=True, capture_output=True)
            print("built 64-bit program")
            keys = [k for k, _ in violations(read_image(x64_exe), reference)]
            _expect("<machine>" in keys, "its machine is reported (got %s)" % keys, failures)


    print("self-test: %s" % ("FAILED (%d)" % len(failures) if failures else "passed"))
    return 1 if failures else 0


# --------------------------------------------------------------------------


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("exe", nargs="?", help="the 32-bit program to check")
    ap.add_argument("--objdump-text", help="check the imports listed in this `objdump -p` output")
    ap.add_argument("--reference", default=DEFAULT_REFERENCE, help="directory of <dll>.txt lists")
    ap.add_argument("--version", help="also require this x.y.z as the file version (x.y.z.0)")
    ap.add_argument("--delay-def", action="append", default=[],
                    help="a delay-import list (.def) of the program, checked as imports too"
                         " (default: those of mailcheck/delay)")
    ap.add_argument("--self-test", action="store_true")
    args = ap.parse_args()
    if args.version is not None and not re.fullmatch(r"[0-9]+\.[0-9]+\.[0-9]+", args.version):
        ap.error("--version wants x.y.z, not %s" % args.version)

    if args.self_test:
        return self_test(args.reference)
    reference = load_reference(args.reference)
    if args.objdump_text:
        with open(args.objdump_text, encoding="utf-8", errors="replace") as f:
            img = read_objdump_text(f.read())
        label = args.objdump_text
    elif args.exe:
        if not os.path.isfile(args.exe):
            print("%s: not found; build the 32-bit program first (tools/test.sh builds build/x86)" % args.exe)
            return 1
        try:
            img = read_image(args.exe)
        except ToolError as e:
            print("%s: cannot read the import table: %s" % (args.exe, e))
            return 1
        if args.version is not None:
            img.version = read_file_version(args.exe)
        label = args.exe
    else:
        ap.error("give an EXE, --objdump-text or --self-test")
    for path in args.delay_def or DEFAULT_DELAY_DEFS:
        img.imports += read_delay_def(path)
    if args.version is not None and not args.exe:
        ap.error("--version checks an EXE")
    problems = report(label, img, reference, args.version)
    if any(k != "<version>" for k, _ in problems):
        print("Windows XP SP3 would refuse to start this program, or an import cannot be checked"
              " (see tests/imports/README.md).")
    if problems:
        return 1
    print("all imports are exported by Windows XP SP3")
    return 0


if __name__ == "__main__":
    sys.exit(main())
