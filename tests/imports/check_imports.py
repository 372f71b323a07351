#!/usr/bin/env python3
"""Checks that a 32-bit Windows program loads on Windows XP SP3.

Windows XP refuses to start a program when one of its imported functions is
missing from the DLL ("The procedure entry point ... could not be located"),
when an imported DLL is not on the machine, or when the image asks for a
newer subsystem version. This script reads the import tables of the
executable (its own small PE reader, cross-checked with objdump when one is
installed) and fails on:

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
  check_imports.py --self-test         show that the checker catches bad imports
                                       and that the reference lists are sound
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_REFERENCE = os.path.join(HERE, "xp-sp3-exports")
NOT_ON_XP = os.path.join(HERE, "not-on-xp.txt")
FIXTURES = os.path.join(HERE, "fixtures")

IMAGE_FILE_MACHINE_I386 = 0x14C
XP_SUBSYSTEM_VERSION = (5, 1)

OBJDUMP = "i686-w64-mingw32-objdump"
CROSS_CC = "i686-w64-mingw32-gcc-posix"
CROSS_NM = "i686-w64-mingw32-nm"
MINGW_LIB = "/usr/i686-w64-mingw32/lib"


class PeError(Exception):
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


def read_pe(path):
    with open(path, "rb") as f:
        data = f.read()

    def u16(off):
        if off + 2 > len(data):
            raise PeError("truncated file")
        return struct.unpack_from("<H", data, off)[0]

    def u32(off):
        if off + 4 > len(data):
            raise PeError("truncated file")
        return struct.unpack_from("<I", data, off)[0]

    def u64(off):
        if off + 8 > len(data):
            raise PeError("truncated file")
        return struct.unpack_from("<Q", data, off)[0]

    if data[:2] != b"MZ":
        raise PeError("not an MZ executable")
    pe = u32(0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    coff = pe + 4
    img = Image()
    img.machine = u16(coff)
    sections_count = u16(coff + 2)
    opt_size = u16(coff + 16)
    opt = coff + 20
    magic = u16(opt)
    if magic == 0x10B:
        pe32plus = False
        dirs_count = u32(opt + 92)
        dirs = opt + 96
    elif magic == 0x20B:
        pe32plus = True
        dirs_count = u32(opt + 108)
        dirs = opt + 112
    else:
        raise PeError("unknown optional header magic 0x%x" % magic)
    img.subsystem_version = (u16(opt + 48), u16(opt + 50))

    sections = []
    sec = opt + opt_size
    for i in range(sections_count):
        s = sec + 40 * i
        vsize, vaddr, rawsize, rawptr = u32(s + 8), u32(s + 12), u32(s + 16), u32(s + 20)
        sections.append((vaddr, max(vsize, rawsize), rawptr, rawsize))

    def offset(rva):
        for vaddr, size, rawptr, rawsize in sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rawsize:
                    raise PeError("RVA 0x%x lies in uninitialised data" % rva)
                return rawptr + (rva - vaddr)
        raise PeError("RVA 0x%x is in no section" % rva)

    def cstring(rva):
        off = offset(rva)
        end = data.find(b"\0", off)
        if end < 0:
            raise PeError("unterminated name")
        return data[off:end].decode("latin-1")

    def directory(index):
        if index >= dirs_count:
            return 0, 0
        return u32(dirs + 8 * index), u32(dirs + 8 * index + 4)

    thunk_size = 8 if pe32plus else 4
    ordinal_flag = 1 << (63 if pe32plus else 31)

    def thunks(rva):
        names = []
        off = offset(rva)
        while True:
            value = u64(off) if pe32plus else u32(off)
            if value == 0:
                return names
            if value & ordinal_flag:
                names.append("#%d" % (value & 0xFFFF))
            else:
                names.append(cstring((value & 0x7FFFFFFF) + 2))  # past the hint
            off += thunk_size
            if len(names) > 100000:
                raise PeError("runaway thunk table")

    # Ordinary imports: 20-byte descriptors up to an all-zero one.
    rva, _ = directory(1)
    if rva:
        d = offset(rva)
        while True:
            lookup, _, _, name_rva, iat = struct.unpack_from("<5I", data, d)
            if lookup == 0 and name_rva == 0 and iat == 0:
                break
            dll = cstring(name_rva)
            for n in thunks(lookup or iat):
                img.imports.append((dll, n))
            d += 20

    img.version = _file_version(data, directory(2), offset, u16, u32)
    return img


RT_VERSION = 16
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD


def _file_version(data, resources, offset, u16, u32):
    """The file version of the first RT_VERSION resource, or None."""
    rva, size = resources
    if not rva:
        return None
    base = offset(rva)

    def first_entry(directory, wanted_id=None):
        """The offset field of the directory's first entry (with that id)."""
        named, ids = u16(directory + 12), u16(directory + 14)
        for i in range(named + ids):
            entry = directory + 16 + 8 * i
            if wanted_id is None or (i >= named and u32(entry) == wanted_id):
                return u32(entry + 4)
        return None

    # Three levels: type, name, language; then the data entry.
    at = first_entry(base, RT_VERSION)
    for _ in range(2):
        if at is None or not at & 0x80000000:
            return None
        at = first_entry(base + (at & 0x7FFFFFFF))
    if at is None or at & 0x80000000 or at + 8 > size:
        return None
    data_rva, data_size = u32(base + at), u32(base + at + 4)
    start = offset(data_rva)
    block = data[start:start + data_size]
    # VS_VERSIONINFO: a header and its key, then VS_FIXEDFILEINFO, which
    # starts with its signature.
    sig = block.find(struct.pack("<I", VS_FIXEDFILEINFO_SIGNATURE))
    if sig < 0 or sig + 16 > len(block):
        return None
    ms, ls = struct.unpack_from("<II", block, sig + 8)
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


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
    m = re.search(r"file format pei?-i386", text)
    if m:
        img.machine = IMAGE_FILE_MACHINE_I386
    return img


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
    if img.machine is not None and img.machine != IMAGE_FILE_MACHINE_I386:
        found["<machine>"] = "machine 0x%x is not i386: XP SP3 32-bit cannot run it" % img.machine
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


def cross_check_with_objdump(path, img):
    """Compares the PE reader with objdump where objdump is installed."""
    tool = shutil.which(OBJDUMP)
    # The i686 objdump reads no 64-bit image; its machine is reported anyway.
    if not tool or img.machine != IMAGE_FILE_MACHINE_I386:
        return []
    out = subprocess.run([tool, "-p", path], capture_output=True, text=True, check=True).stdout
    theirs = {(d.lower(), n) for d, n in read_objdump_text(out).imports}
    ours = {(d.lower(), n) for d, n in img.imports}
    if theirs == ours:
        return []
    return ["the PE reader and objdump disagree: only ours %s, only objdump's %s"
            % (sorted(ours - theirs), sorted(theirs - ours))]


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
        bad_img, good_img = read_pe(bad_exe), read_pe(good_exe)
        print("built program importing GetTickCount64")
        keys = [k for k, _ in violations(bad_img, reference)]
        _expect("kernel32.dll!GetTickCount64" in keys, "GetTickCount64 is reported (got %s)" % keys, failures)
        _expect(not cross_check_with_objdump(bad_exe, bad_img), "PE reader agrees with objdump", failures)
        print("built program importing GetTickCount")
        keys = [k for k, _ in violations(good_img, reference)]
        _expect(keys == [], "no problem is reported (got %s)" % keys, failures)
        _expect(not cross_check_with_objdump(good_exe, good_img), "PE reader agrees with objdump", failures)

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
        ord_img = read_pe(ord_exe)
        print("built program importing COMCTL32 ordinal 345")
        keys = [k for k, _ in violations(ord_img, reference)]
        _expect(keys == ["comctl32.dll!#345"], "only the ordinal is reported (got %s)" % keys, failures)
        _expect(not cross_check_with_objdump(ord_exe, ord_img), "PE reader agrees with objdump", failures)

        # The file version is read from the version resource; a program
        # without one has none.
        rc = os.path.join(tmp, "version.rc")
        with open(rc, "w") as f:
            f.write("1 VERSIONINFO\nFILEVERSION 1,2,3,0\nPRODUCTVERSION 1,2,3,0\nBEGIN\nEND\n")
        res = os.path.join(tmp, "version.o")
        subprocess.run(["i686-w64-mingw32-windres", rc, "-O", "coff", "-o", res], check=True, capture_output=True)
        ver_exe = os.path.join(tmp, "ver.exe")
        _compile(src, ver_exe, ["-D_WIN32_WINNT=0x0501"], ["-static", res])
        ver_img = read_pe(ver_exe)
        print("built program with file version 1.2.3.0")
        _expect(ver_img.version == (1, 2, 3, 0), "its version is read (got %s)" % (ver_img.version,), failures)
        _expect(version_problems(ver_img, "1.2.3") == [], "1.2.3 is accepted", failures)
        keys = [k for k, _ in version_problems(ver_img, "1.2.4")]
        _expect(keys == ["<version>"], "1.2.4 is reported (got %s)" % keys, failures)
        _expect(good_img.version is None and version_problems(good_img, "1.2.3") != [],
                "a program without a version resource is reported (read %s)" % (good_img.version,), failures)

        # A 64-bit program is no XP SP3 32-bit program.
        if shutil.which("x86_64-w64-mingw32-gcc-posix"):
            x64_exe = os.path.join(tmp, "x64.exe")
            subprocess.run(["x86_64-w64-mingw32-gcc-posix", "-O1", "-o", x64_exe, src],
                           check=True, capture_output=True)
            print("built 64-bit program")
            keys = [k for k, _ in violations(read_pe(x64_exe), reference)]
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
        extra = []
        label = args.objdump_text
    elif args.exe:
        if not os.path.isfile(args.exe):
            print("%s: not found; build the 32-bit program first (tools/test.sh builds build/x86)" % args.exe)
            return 1
        try:
            img = read_pe(args.exe)
        except PeError as e:
            print("%s: cannot read the import table: %s" % (args.exe, e))
            return 1
        extra = cross_check_with_objdump(args.exe, img)
        label = args.exe
    else:
        ap.error("give an EXE, --objdump-text or --self-test")
    if args.version is not None and not args.exe:
        ap.error("--version checks an EXE")
    problems = report(label, img, reference, args.version)
    for msg in extra:
        print("  FAIL " + msg)
    if any(k != "<version>" for k, _ in problems) or extra:
        print("Windows XP SP3 would refuse to start this program, or an import cannot be checked"
              " (see tests/imports/README.md).")
    if problems or extra:
        return 1
    print("all imports are exported by Windows XP SP3")
    return 0


if __name__ == "__main__":
    sys.exit(main())
