#!/usr/bin/env python3
"""Reads a JUnit report as a CI system would, with an XML parser of its own, and prints what it
holds, one testcase a line: "NAME OUTCOME MESSAGE" (OUTCOME passed, failure, error or skipped).
Exits 1 when the file is not well-formed XML, or its counts differ from its testcases.

Usage: python3 check_junit.py REPORT.xml"""
import sys
import xml.etree.ElementTree as ElementTree

try:
    root = ElementTree.parse(sys.argv[1]).getroot()
except ElementTree.ParseError as error:
    print(f"not well-formed: {error}")
    sys.exit(1)
suites = root.findall("testsuite") if root.tag == "testsuites" else [root]
if len(suites) != 1:
    print(f"{len(suites)} testsuites, not one")
    sys.exit(1)
suite = suites[0]
cases = suite.findall("testcase")
counted = {"failures": 0, "errors": 0, "skipped": 0}
for case in cases:
    outcome, message = "passed", ""
    for child, count in (("failure", "failures"), ("error", "errors"), ("skipped", "skipped")):
        found = case.find(child)
        if found is not None:
            outcome, message = child, found.get("message", "")
            counted[count] += 1
    float(case.get("time"))
    print(case.get("name"), outcome, message)
for name, count in [("tests", len(cases))] + list(counted.items()):
    if int(suite.get(name)) != count:
        print(f"the suite says {name}={suite.get(name)}, its testcases {count}")
        sys.exit(1)
print(f"tests={len(cases)} failures={counted['failures']} errors={counted['errors']} "
      f"skipped={counted['skipped']}")
