"""End-to-end tests: the real veltrane.exe under Wine, on an Xvfb display.

Every case gets its own folder, reached from Windows as drive T:, with the
config files and probe copies it needs. The launcher is started by starter.exe
with an exact command line, the probe records what it received, and
report_reader.exe reads and dismisses the failure report.
"""

import argparse
import json
import os
import shutil
import subprocess
import time

from . import app_mode_cases, brand_cases, built_file_cases, checker_cases, console_cases
from . import hostile_input_cases, launch_cases, pack_cases
from .case import REPOSITORY, Case, DriveCCase, cases_of
from .layouts import typical_layout
from .wine import SetupError, Wine

CASES = cases_of(launch_cases, built_file_cases, hostile_input_cases, brand_cases, app_mode_cases,
                 console_cases, pack_cases, checker_cases)


class Run:
    def __init__(self, options):
        self.launcher = options.launcher
        self.checker = os.path.abspath(options.checker)
        self.helpers = options.helpers
        self.objdump = os.environ.get("OBJDUMP", "x86_64-w64-mingw32-objdump")
        self.windres = os.environ.get("WINDRES", "x86_64-w64-mingw32-windres")
        self.work = os.path.abspath(options.work)
        self.cases = os.path.join(self.work, "cases")
        shutil.rmtree(self.cases, ignore_errors=True)
        os.makedirs(self.cases)
        self.wine = Wine(self.work)
        self.utf8 = options.utf8_launcher
        self.console = options.console_launcher
        self.branded = {}

    def helper(self, name):
        return os.path.join(self.helpers, name + ".exe")

    def brand(self, brand_file, source, destination, check=True):
        """Runs the branding command; with check, a failure fails the case."""
        result = subprocess.run([os.path.join(REPOSITORY, "scripts", "brand.sh"), brand_file,
                                 source, destination], capture_output=True, text=True)
        if check and result.returncode != 0:
            raise AssertionError("branding failed: " + result.stderr.strip())
        return result

    def pack(self, pack_file, out):
        """Runs veltrane-pack from the checkout; a failure fails the case."""
        tools = os.path.join(REPOSITORY, "tools")
        if not os.path.exists(os.path.join(tools, "node_modules", "fflate")):
            subprocess.run(["npm", "ci", "--prefix", tools, "--no-audit", "--no-fund",
                            "--loglevel=error"], check=True, capture_output=True)
        result = subprocess.run(["node", os.path.join(tools, "bin", "veltrane-pack.js"), pack_file,
                                 "--out", out], capture_output=True, text=True,
                                env=dict(os.environ, VELTRANE_ASSETS=os.path.dirname(self.launcher)))
        if result.returncode != 0:
            raise AssertionError("veltrane-pack failed: " + result.stderr.strip())
        return result

    def utf8_launcher(self):
        """The launcher built for UTF-8, or else one branded so from the one under test."""
        if not self.utf8:
            self.utf8 = os.path.join(self.work, "veltrane-utf8.exe")
            brand_file = os.path.join(self.work, "utf8.json")
            with open(brand_file, "w") as out:
                out.write('{"codePage": "utf-8"}')
            self.brand(brand_file, self.launcher, self.utf8)
        return self.utf8

    def branded_copy(self, name, source, brand):
        """The source launcher branded with the brand keys, made once per run."""
        if name not in self.branded:
            self.branded[name] = os.path.join(self.work, name + ".exe")
            brand_file = os.path.join(self.work, name + ".json")
            with open(brand_file, "w") as out:
                json.dump(brand, out)
            self.brand(brand_file, source, self.branded[name])
        return self.branded[name]

    def app_launcher(self):
        return self.branded_copy("app", self.launcher, {"productName": "Acme Draw", "mode": "app",
                                                        "appUserModelId": "Acme.Draw"})

    def console_launcher(self):
        if not self.console:
            raise AssertionError("no --console-launcher given")
        return self.branded_copy("console", self.console, {"productName": "Acme Tool"})

    def start(self):
        prefix = self.wine.start()
        drive = os.path.join(prefix, "dosdevices", "t:")
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(self.cases, drive)

    def restart_wine(self):
        self.wine.run_server("-k")
        self.wine.run_server("-p")

    def attempt(self, function, folder):
        try:
            function(Case(self, folder))
            return None
        except (AssertionError, OSError, ValueError, subprocess.SubprocessError) as failure:
            return "%s: %s" % (type(failure).__name__, failure)

    def run_case(self, function):
        name = function.__name__
        started = time.monotonic()
        failure = self.attempt(function, name)
        if failure:
            # Wine now and then fails to start a process; a real fault fails twice.
            print("RETRY %s (first attempt: %s)" % (name, failure), flush=True)
            failure = self.attempt(function, name + "-retry")
        print("%s %s (%.1f s)%s" % ("FAIL" if failure else "ok  ", name,
                                    time.monotonic() - started,
                                    "\n    " + failure.replace("\n", "\n    ") if failure else ""),
              flush=True)
        return failure is None


def screenshot(run, destination):
    """Shows the Overview's typical start failing on the Xvfb screen, saved as PNG."""
    c = DriveCCase(run)
    for folder in ("apps", "java"):
        shutil.rmtree(c.path(folder), ignore_errors=True)
    typical_layout(c, "apps/tool.config", status=1)
    if c.launch(c.win("apps/tool.exe"), "apps/tool.exe", "apps", screenshot=destination)[1] is None:
        raise SetupError("no failure report appeared for the screenshot")
    print("screenshot saved as " + destination)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--launcher", required=True, help="the veltrane.exe to test")
    parser.add_argument("--checker", required=True, help="the veltrane-check.exe to test")
    parser.add_argument("--helpers", required=True, help="folder of probe, starter, report_reader")
    parser.add_argument("--work", required=True, help="folder for the prefix and the cases")
    parser.add_argument("--only", help="run only the cases whose name holds this text")
    parser.add_argument("--console-launcher", help="the veltrane-console.exe to test")
    parser.add_argument("--utf8-launcher", help="a launcher built for UTF-8 for the utf8 cases "
                        "(default: the launcher branded with the UTF-8 code page)")
    parser.add_argument("--screenshot", help="also save a failure report screenshot here")
    options = parser.parse_args()
    started = time.monotonic()
    try:
        run = Run(options)
    except SetupError as failure:
        print("SETUP FAILED: %s" % failure)
        return 2
    try:
        run.start()
        results = [run.run_case(f) for f in CASES if not options.only or options.only in f.__name__]
        if options.screenshot:
            screenshot(run, os.path.abspath(options.screenshot))
    except (SetupError, OSError, subprocess.CalledProcessError) as failure:
        print("SETUP FAILED: %s" % failure)
        return 2
    finally:
        run.wine.stop()
    passed = results.count(True)
    print("(%.0f s)" % (time.monotonic() - started))
    print("%d passed, %d failed" % (passed, len(results) - passed))
    return 0 if results and passed == len(results) else 1
