#!/usr/bin/env python3
"""mic1's JUnit reports as a CI server's tools read them: junitparser (Debian's
python3-junitparser) reads every name back as written, every verdict and each test's
microinstructions. Exits 77, which CTest counts as skipped, without junitparser."""

import os
import subprocess
import sys
import tempfile

try:
    from junitparser import Error, Failure, JUnitXml, Properties, Skipped
except ImportError:
    print("junitparser is not installed (the python3-junitparser package)")
    sys.exit(77)

mic1, examples = sys.argv[1], sys.argv[2]
interpreter = os.path.join(examples, "ijvm.mal")

# Names with what XML escapes or refuses, and with characters beyond ASCII.
NAMES = ['<&> "quoted" \'single\'', "]]> <![CDATA[", "&amp; &#1; &#xFFFE;", "caf\u00e9 \u6f22\u5b57 \U0001f600",
         "\ufffe and \uffff", "tab\\tescaped"]


def toml_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def suite(tests):
    out = ""
    for name, body, output in tests:
        out += "[[test]]\nname = %s\nsource = '''\n.main\n%s\n.end-main\n'''\noutput = %s\n\n" % (
            toml_string(name), body.replace(";", "\n"), output)
    return out


def check(condition, what):
    if not condition:
        print("FAILED:", what)
        sys.exit(1)


def read(report):
    xml = JUnitXml.fromfile(report)
    return xml, [case for s in xml for case in s]


with tempfile.TemporaryDirectory() as d:
    # A program file whose name holds a control character reaches the failure texts.
    with open(os.path.join(d, "odd\x01name.jvm"), "w") as f:
        f.write(".main\nBIPUSH 2\nOUT\nHALT\n.end-main\n")
    tests = [(n, "BIPUSH 1;OUT;HALT", "[1]") for n in NAMES] + [("wrong", "BIPUSH 1;OUT;HALT", "[2]")]
    text = suite(tests) + "[[test]]\nname = \"file\"\nprogram = \"odd\\u0001name.jvm\"\noutput = [3]\n"
    path = os.path.join(d, "s.toml")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    report = os.path.join(d, "junit.xml")
    run = subprocess.run([mic1, "test", interpreter, path, "--junit", report, "--name", "student <1>"],
                         capture_output=True)
    check(run.returncode == 4, "exit status %d" % run.returncode)
    xml, cases = read(report)
    check(xml.name == "student <1>", "testsuites name %r" % xml.name)
    # XML 1.0 holds neither U+FFFE nor U+FFFF: they are written as visible escapes.
    written = [n.replace("\ufffe", "\\uFFFE").replace("\uffff", "\\uFFFF") for n in NAMES]
    check([c.name for c in cases] == written + ["wrong", "file"], "names %r" % [c.name for c in cases])
    check(all(c.classname == "student <1>.s" for c in cases), "classnames")
    check(all(c.result == [] for c in cases[:len(NAMES)]), "passes")
    for case in cases[len(NAMES):]:
        check(len(case.result) == 1 and isinstance(case.result[0], Failure), "failure of " + case.name)
    check("expected 2, got 1" in cases[-2].result[0].message, "message " + cases[-2].result[0].message)
    check("odd\\u0001name.jvm:4:1" in cases[-1].result[0].text, "text " + cases[-1].result[0].text)
    steps = 0
    for case in cases:
        properties = {p.name: p.value for p in case.child(Properties)}
        check(int(properties["microinstructions"]) > 0, "microinstructions of " + case.name)
        steps += int(properties["microinstructions"])
    suite_properties = {p.name: p.value for s in xml for p in s.properties()}
    check(int(suite_properties["microinstructions"]) == steps, "the suite's microinstructions")
    total = [s for s in xml]
    check(sum(s.tests for s in total) == len(cases) and sum(s.failures for s in total) == 2, "counts")

    # A microprogram that does not assemble: one error, every test skipped.
    bad = os.path.join(d, "bad.mal")
    with open(bad, "w") as f:
        f.write("main goto nowhere\n")
    run = subprocess.run([mic1, "test", bad, path, "--junit", report], capture_output=True)
    check(run.returncode == 5, "exit status %d" % run.returncode)
    xml, cases = read(report)
    check(cases[0].name == "assemble" and isinstance(cases[0].result[0], Error), "the assemble testcase")
    check("undefined label NOWHERE" in cases[0].result[0].text, "its diagnostics")
    check(all(isinstance(c.result[0], Skipped) for c in cases[1:]), "skipped tests")
    check(len(cases) == len(tests) + 2, "testcases")
print("junitparser read every report")
