#!/usr/bin/env python3
"""The numbers of app/control_ids.h, for what is not C++.

The control ids and help context numbers are written once, in
app/control_ids.h; the end-to-end scenario, the help build and the help file
check read them through this script instead of typing them again.

Usage:
  ids.py [HEADER]                  every "name value" pair, one a line
  ids.py --hhp-map [HEADER]        the help project's context map: one
                                   "#define IDH_NAME number" a line, for the
                                   enumerators of HelpContext
  --output FILE                    writes the lines there instead
  ids.py --self-test               show that the reader refuses what it cannot read
"""

import argparse
import os
import re
import sys

HEADER = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "control_ids.h"))
HELP_ENUM = "HelpContext"


class IdsError(Exception):
    pass


def read_enums(text):
    """{enum name: [(enumerator, value)]}; every enumerator must carry its value."""
    text = re.sub(r"//[^\n]*", "", text)
    enums = {}
    for m in re.finditer(r"\benum\s+(\w+)\s*(?::\s*\w+\s*)?\{(.*?)\}", text, re.S):
        name, body = m.group(1), m.group(2)
        pairs = []
        for item in (i.strip() for i in body.split(",")):
            if not item:
                continue
            e = re.fullmatch(r"(k\w+)\s*=\s*([0-9]+)", item)
            if not e:
                # A value left out would follow from the line above: a moved
                # line would then renumber the scenario and the help map.
                raise IdsError("enum %s: '%s' is not 'kName = number'" % (name, " ".join(item.split())))
            pairs.append((e.group(1), int(e.group(2))))
        values = [v for _, v in pairs]
        twice = sorted({v for v in values if values.count(v) > 1})
        if twice:
            raise IdsError("enum %s: %s used twice" % (name, ", ".join(map(str, twice))))
        enums[name] = pairs
    if not enums:
        raise IdsError("no enum found")
    return enums


def hhp_name(enumerator):
    """kHelpServerArrivo -> IDH_SERVER_ARRIVO, the help project's name."""
    if not enumerator.startswith("kHelp") or len(enumerator) == 5:
        raise IdsError("%s: a help context is named kHelp<Topic>" % enumerator)
    return "IDH_" + re.sub(r"(?<!^)(?=[A-Z])", "_", enumerator[5:]).upper()


def hhp_map(enums):
    if HELP_ENUM not in enums:
        raise IdsError("no enum %s" % HELP_ENUM)
    return ["#define %s %d" % (hhp_name(n), v) for n, v in enums[HELP_ENUM]]


def pairs(enums):
    return ["%s %d" % (n, v) for ps in enums.values() for n, v in ps]


def self_test():
    failures = []

    def expect(cond, what):
        print(("  ok   " if cond else "  FAIL ") + what)
        if not cond:
            failures.append(what)

    def refused(text):
        try:
            read_enums(text)
        except IdsError as e:
            return str(e)
        return ""

    good = ("enum ControlId : int {\n  // ids 1 and 2 are taken\n  kA = 101,\n  kB = 102, // the list\n};\n"
            "enum HelpContext : unsigned { kHelpLista = 10001, kHelpServerArrivo = 10006 };\n")
    enums = read_enums(good)
    expect(pairs(enums) == ["kA 101", "kB 102", "kHelpLista 10001", "kHelpServerArrivo 10006"],
           "the pairs of both enums, comments skipped (got %s)" % pairs(enums))
    expect(hhp_map(enums) == ["#define IDH_LISTA 10001", "#define IDH_SERVER_ARRIVO 10006"],
           "the help map names (got %s)" % hhp_map(enums))
    expect("kB" in refused("enum E { kA = 1, kB };"), "an enumerator without its value is refused")
    expect("used twice" in refused("enum E { kA = 1, kB = 1 };"), "a value used twice is refused")
    expect("kA + 1" in refused("enum E { kA = 1, kB = kA + 1 };"), "a computed value is refused")
    expect(refused("int x;") == "no enum found", "a file without enums is refused")
    try:
        hhp_map(read_enums("enum HelpContext { kLista = 1 };"))
        expect(False, "a help context without the kHelp prefix is refused")
    except IdsError:
        expect(True, "a help context without the kHelp prefix is refused")

    # The real header must read, and hold both enums.
    try:
        with open(HEADER, encoding="utf-8") as f:
            real = read_enums(f.read())
        expect({"ControlId", HELP_ENUM} <= set(real), "app/control_ids.h holds ControlId and HelpContext")
        expect(len(hhp_map(real)) > 0, "app/control_ids.h gives a help map")
    except (IdsError, OSError) as e:
        expect(False, "app/control_ids.h reads: %s" % e)

    print("self-test: %s" % ("FAILED (%d)" % len(failures) if failures else "passed"))
    return 1 if failures else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("header", nargs="?", default=HEADER)
    ap.add_argument("--hhp-map", action="store_true")
    ap.add_argument("--output", help="write the lines to this file")
    ap.add_argument("--self-test", action="store_true")
    args = ap.parse_args()
    if args.self_test:
        return self_test()
    try:
        with open(args.header, encoding="utf-8") as f:
            enums = read_enums(f.read())
        lines = hhp_map(enums) if args.hhp_map else pairs(enums)
    except (IdsError, OSError) as e:
        print("ids.py: %s: %s" % (args.header, e), file=sys.stderr)
        return 1
    if args.output:
        with open(args.output, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
    else:
        print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
