#!/usr/bin/python3
"""The sample app with a runtime linked from a Windows JDK, started under Wine.

tests/sample-app is packed by veltrane-pack with "runtime": {"jdk": ZIP,
"modules": "auto"}, ZIP being the synthetic Windows JDK that
tests/support/windows-jdk.sh makes (the e2e probe as its javaw.exe), with an
empty cache: the app folder's runtime/release lists the modules jdeps found.
Its zip, unpacked into a folder with a blank in its name, is started under
Wine from another folder with a document: the probe, as runtime\\bin\\javaw.exe,
receives the app's command line. The same pack again takes the runtime from
the cache, and its summary says so.

Usage: runtime_wine.py [--work DIR]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPOSITORY, "tests", "e2e"))
from veltrane_e2e.verdicts import failures, verdict, windows_path  # noqa: E402
from veltrane_e2e.wine import Wine  # noqa: E402  (the e2e tests' Wine, display and prefix)

def pack(sample, out, cache):
    result = subprocess.run(["node", os.path.join(REPOSITORY, "tools", "bin", "veltrane-pack.js"),
                             os.path.join(sample, "pack.json"), "--out", out],
                            env=dict(os.environ, VELTRANE_CACHE=cache), capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit("FAIL veltrane-pack: %s%s" % (result.stdout, result.stderr))
    return result.stdout


def run(work):
    probe = os.path.join(REPOSITORY, "build", "windows", "tests", "e2e", "probe.exe")
    jdk = subprocess.run([os.path.join(REPOSITORY, "tests", "support", "windows-jdk.sh"), probe],
                         check=True, capture_output=True, text=True).stdout.strip()
    sample, out, cache = (os.path.join(work, name) for name in ("sample", "dist", "cache"))
    subprocess.run([os.path.join(REPOSITORY, "tests", "sample-app", "build.sh"), sample], check=True)
    with open(os.path.join(sample, "pack.json")) as data:
        text = data.read()
    with open(os.path.join(sample, "pack.json"), "w") as data:
        data.write(text.replace('"runtime": "runtime"',
                                '"runtime": {"jdk": "%s", "modules": "auto"}' % jdk))
    summary = pack(sample, out, cache)
    found = re.search(r"jdeps found ([\w., ]+)", summary)
    with open(os.path.join(out, "Hello App", "runtime", "release")) as release:
        modules = re.search(r'^MODULES="(.*)"$', release.read(), re.M)
    verdict(found and modules and modules.group(1).split() == found.group(1).split(", "),
          "runtime/release lists the modules jdeps found", summary)

    installed = os.path.join(work, "Program Files")
    docs = os.path.join(work, "docs")
    os.makedirs(docs)
    with open(os.path.join(docs, "letter one.txt"), "w") as letter:
        letter.write("a letter\n")
    with zipfile.ZipFile(os.path.join(out, "HelloApp-1.2.3-win64.zip")) as archive:
        archive.extractall(installed)
    app = os.path.join(installed, "Hello App")
    shutil.copymode(probe, os.path.join(app, "runtime", "bin", "javaw.exe"))
    wine = Wine(work)
    try:
        wine.start()
        status = subprocess.run([wine.loader, os.path.join(app, "HelloApp.exe"),
                                 windows_path(os.path.join(docs, "letter one.txt"))], cwd=docs,
                                env=wine.env, stdin=subprocess.DEVNULL,
                                stdout=open(os.path.join(work, "wine.log"), "ab"),
                                stderr=subprocess.STDOUT).returncode
    finally:
        wine.stop()
    record_file = os.path.join(app, "runtime", "bin", "javaw.record")
    record = open(record_file, "rb").read().split(b"\0")[0].decode() if os.path.exists(record_file) else ""
    home = windows_path(app)
    jars = ";".join("%s\\lib\\%s.jar" % (home, name) for name in ("hello", "greeting", "words"))
    expected = ('"%s\\runtime\\bin\\javaw.exe" -Xmx256m "-Dhello.home=%s" '
                '--add-opens=java.base/java.lang=ALL-UNNAMED -classpath "%s" com.example.hello.Main '
                '--greet "%s"' % (home, home, jars, windows_path(os.path.join(docs, "letter one.txt"))))
    verdict(status == 0 and record == expected,
          "started from another folder, HelloApp.exe starts runtime\\bin\\javaw.exe with the app's "
          "command line", (status, record))

    again = pack(sample, out, cache)
    print(again[again.index("Runtime:"):again.index("Launch command line")], end="")
    verdict("jlink (not run: linked before)" in again and ", from the cache:" in again,
          "the same pack again takes the runtime from the cache", again)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--work", help="a folder of its own (default: a temporary one)")
    arguments = parser.parse_args()
    work = arguments.work or tempfile.mkdtemp(prefix="veltrane-runtime-wine-")
    try:
        run(os.path.abspath(work))
    finally:
        if not arguments.work:
            shutil.rmtree(work, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
