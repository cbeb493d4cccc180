#!/usr/bin/python3
"""The host veltrane-check on a staged app folder with relative paths.

Usage: staged_folder_test.py VELTRANE-CHECK

Relative entries are found against the current directory; the drive-letter
VM cannot be looked for on Linux; --run, which needs Windows, is a usage
error there.
"""

import json
import os
import subprocess
import sys
import tempfile

CONFIG = "jvm C:\\java\\bin\\javaw.exe\naddpath classes\naddjars lib\naddjars gone\nmainclass a.Main\n"


def failures(checker, app):
    report = subprocess.run([checker, "--format", "json", "tool.config"], cwd=app,
                            capture_output=True, text=True)
    if report.returncode != 1:
        yield "exit status %d, wanted 1: %s" % (report.returncode, report.stderr)
        return
    found = json.loads(report.stdout)
    class_path = [(e["entry"], e["line"], e["exists"]) for e in found["launch"]["classPath"]]
    if class_path != [("classes", 2, True), ("lib\\a.jar", 3, True)]:
        yield "class path %r" % (class_path,)
    problems = {(p["code"], p["severity"], p["line"]) for p in found["problems"]}
    for wanted in (("relative-path", "warning", 2), ("addjars-missing", "warning", 4),
                   ("not-checkable-here", "note", 1)):
        if wanted not in problems:
            yield "no problem %r among %r" % (wanted, sorted(problems))
    run = subprocess.run([checker, "--run", os.path.join(app, "tool.config")], capture_output=True)
    if run.returncode != 64:
        yield "--run on Linux: exit status %d, wanted 64" % run.returncode


def main():
    checker = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as stage:
        app = os.path.join(stage, "app")
        os.makedirs(os.path.join(app, "lib"))
        os.makedirs(os.path.join(app, "classes"))
        open(os.path.join(app, "lib", "a.jar"), "wb").close()
        with open(os.path.join(app, "tool.config"), "w") as config:
            config.write(CONFIG)
        found = list(failures(checker, app))
    for failure in found:
        print("FAIL " + failure)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
