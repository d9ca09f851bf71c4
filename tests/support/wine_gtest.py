"""A Windows GoogleTest program under the Wine bench, one ctest entry per test case: the
program runs once (the bench takes seconds to start) and leaves its XML report; each case's
entry then reads its own verdict from it, so a failure names its case.

    wine_gtest.py run XML REGISTERED -- PROGRAM [ARGS...]
        runs the program on a fresh bench with its report in XML; fails when the program
        did not finish with a report, or when the report holds a case that REGISTERED (one
        Suite.Name a line, the cases ctest knows) lacks: such a case would go unseen;
    wine_gtest.py case XML Suite.Name
        prints that case's failures; exit 0 when it passed, 1 when it failed or did not
        run, SKIPPED (77) when it skipped itself or the program's architecture cannot run
        here.
"""

import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import winebench


def read_report(xml):
    """{Suite.Name: (failure messages, skip message or None)} of the cases a GoogleTest XML
    report says ran."""
    cases = {}
    for case in ElementTree.parse(xml).getroot().iter("testcase"):
        if case.get("status") == "notrun":
            continue
        skipped = case.find("skipped")
        cases[f"{case.get('classname')}.{case.get('name')}"] = (
            [f.get("message", "") for f in case.iter("failure")],
            None if skipped is None else skipped.get("message", "skipped"))
    return cases


def run(xml, registered, program):
    xml = Path(xml)
    xml.unlink(missing_ok=True)
    code = winebench.main(["run", "--name", "wine.unit", "--timeout", "240", "--", *program,
                           f"--gtest_output=xml:{winebench.windows_path(xml)}"])
    if code == winebench.SKIPPED:
        return code
    if not xml.exists():
        print(f"wine_gtest: {Path(program[0]).name} ended ({code}) without its report: it crashed or hung "
              f"in the last case its output names")
        return 1
    unknown = sorted(set(read_report(xml)) - set(Path(registered).read_text().split()))
    if unknown:
        print("wine_gtest: cases ctest does not know (reconfigure, or declare them as TEST/TEST_F):",
              *unknown, sep="\n  ")
        return 1
    return 0


def case(xml, name):
    if not Path(xml).exists():
        reason = winebench.unavailable(winebench.build_arch())
        if reason:
            print(f"wine_gtest: SKIPPED: {reason}")
            return winebench.SKIPPED
        print(f"wine_gtest: no report {xml}: the program's run failed")
        return 1
    verdict = read_report(xml).get(name)
    if verdict is None:
        print(f"wine_gtest: {name} did not run")
        return 1
    failures, skipped = verdict
    for message in failures:
        print(message)
    if skipped is not None and not failures:
        print(f"wine_gtest: SKIPPED: {skipped}")
        return winebench.SKIPPED
    return 1 if failures else 0


def main(argv):
    if argv[:1] == ["run"] and len(argv) > 4 and argv[3] == "--":
        return run(argv[1], argv[2], argv[4:])
    if argv[:1] == ["case"] and len(argv) == 3:
        return case(argv[1], argv[2])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
