"""One case's folder on drive T: (or C:), its files, launches and reports;
and the list of cases."""

import os
import shutil
import subprocess
import time

from .expect import expect, expect_equal

CAPTION = "Error starting Veltrane"
SYSTEM_PATH = r"C:\windows\system32;C:\windows"
LIMIT = 32766  # longest environment value and command line Windows accepts
REPORT_LIMIT = 2047  # longest report the box is given
SCREEN = (1024, 768)  # the Xvfb screen
# A cap on committed memory that Wine and a launcher of a few MB live with,
# and a launcher that held a 100 MB line in memory does not (it ended with
# status 3 and no window).
MEMORY_CAP = 256 << 20
REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
               "gdi32.dll", "ntdll.dll", "ucrtbase.dll"}


class Case:
    """One case's folder, its Windows names and its launches."""

    def __init__(self, run, folder):
        self.run, self.folder = run, folder
        self.dir = os.path.join(run.cases, folder)
        os.makedirs(self.dir)

    def win(self, relative=""):
        return "T:\\" + self.folder + ("\\" + relative.replace("/", "\\") if relative else "")

    def path(self, relative):
        return os.path.join(self.dir, relative)

    def write(self, relative, content):
        os.makedirs(os.path.dirname(self.path(relative)), exist_ok=True)
        data = content.encode("cp1252") if isinstance(content, str) else content
        with open(self.path(relative), "wb") as out:
            out.write(data)
        return self.win(relative)

    def mkdir(self, relative):
        os.makedirs(self.path(relative), exist_ok=True)
        return self.win(relative)

    def copy(self, source, relative):
        os.makedirs(os.path.dirname(self.path(relative)), exist_ok=True)
        shutil.copyfile(source, self.path(relative))
        return self.win(relative)

    def probe(self, relative, status=0):
        if status:
            self.write(relative[:-4] + ".status", str(status))
        return self.copy(self.run.helper("probe"), relative)

    def record(self, probe_relative):
        """The probe's command line, PATH and current directory, or None."""
        try:
            with open(self.path(probe_relative[:-4] + ".record"), "rb") as record:
                return record.read().decode("cp1252", "replace").split("\0")[:3]
        except FileNotFoundError:
            return None

    def wide_command_line(self, probe_relative):
        """The probe's command line as it read it wide, or None."""
        try:
            with open(self.path(probe_relative[:-4] + ".record"), "rb") as record:
                return record.read().split(b"\0")[3].decode("utf-8")
        except FileNotFoundError:
            return None

    def launch(self, command_line, app="veltrane.exe", cwd="", path=SYSTEM_PATH, screenshot=None,
               prepare=(), caption=CAPTION, utf8=False, memory_cap=None):
        """Runs the launcher and returns (exit code, report text or None).

        path=None starts it with no PATH at all. A report that appears is
        saved as a PNG image at the screenshot path, if one is given. The
        starter makes the prepare changes first (see starter.cpp: "serve:"
        a file through a named pipe, "hold:" a file open for writing). With
        utf8=True the launcher is started wide, from UTF-8 texts, and the
        report is the one read wide. memory_cap limits the memory the starter
        and the launcher it starts may commit, in bytes.
        """
        if not os.path.exists(self.path(app)):
            self.copy(self.run.launcher, app)
        fields = [self.win(app), command_line, self.win(cwd), "PATH" if path is None else
                  "PATH=" + path, *prepare]
        job_text = "\0".join(fields) + "\0"
        job = self.write("job", job_text.encode("utf-8") if utf8 else job_text)
        starter = self.run.wine.spawn(self.path("wine.log"), self.run.helper("starter"), job,
                                      *(["--utf8"] if utf8 else []), memory_cap=memory_cap)
        report, deadline = None, time.monotonic() + 30
        # Poll for a box while the launcher runs; a case that expects none
        # still sees, and dismisses, one that appears by mistake.
        while starter.poll() is None and time.monotonic() < deadline:
            report = self.read_report(screenshot, caption, utf8) or report
        if starter.poll() is None:
            starter.kill()
            self.run.restart_wine()
            raise AssertionError("the launcher did not end within 30 s")
        return starter.returncode, report

    def read_report(self, screenshot, caption=CAPTION, wide=False):
        """Reads and dismisses the failure report if it shows up soon, else None."""
        reader = [self.path("wine.log"), self.run.helper("report_reader"), self.win("report"), "300",
                  "--caption=" + caption]
        if self.run.wine.run(*reader, *(["--keep"] if screenshot else [])) != 0:
            return None
        if screenshot:
            time.sleep(1)  # let the box finish painting
            shot = self.path("screen.xwd")
            subprocess.run(["xwd", "-root", "-display", self.run.wine.display, "-out", shot],
                           check=True)
            subprocess.run(["/usr/bin/convert", "xwd:" + shot, "-trim", screenshot], check=True)
            self.run.wine.run(*reader)
        with open(self.path("report"), "rb") as text:
            fields = text.read().split(b"\0")
        shown_caption, report = [f.decode("utf-8") for f in fields[4:6]] if wide else \
            [f.decode("cp1252", "replace") for f in fields[:2]]
        expect_equal(shown_caption, caption, "caption")
        # Every report must be seen and dismissed: the box and its OK button
        # lie on the screen.
        for what, rect in (("box", fields[2].decode()), ("OK button", fields[3].decode())):
            edges = [int(n) for n in rect.split()] if rect != "none" else []
            expect(len(edges) == 4 and 0 <= edges[0] < edges[2] <= SCREEN[0] and
                   0 <= edges[1] < edges[3] <= SCREEN[1],
                   "the report's %s on the %dx%d screen" % (what, *SCREEN), rect)
        return report


class DriveCCase(Case):
    """A case laid out on the prefix's own drive C:, for paths a user knows."""

    def __init__(self, run):
        self.run, self.folder = run, ""
        self.dir = os.path.join(run.wine.env["WINEPREFIX"], "drive_c")

    def win(self, relative=""):
        return "C:\\" + relative.replace("/", "\\")


class DriveRootCase(Case):
    """A folder of a case reached as the root of a drive letter of its own
    ("R:"), for paths at a drive's root."""

    def __init__(self, owner, relative, letter):
        self.run, self.folder, self.letter = owner.run, "", letter
        self.dir = owner.path(relative)
        drive = os.path.join(owner.run.wine.env["WINEPREFIX"], "dosdevices", letter.lower())
        if os.path.lexists(drive):
            os.remove(drive)
        os.symlink(self.dir, drive)

    def win(self, relative=""):
        return self.letter + "\\" + relative.replace("/", "\\")


def case(function):
    """Marks a function of a *_cases module as a case."""
    function.is_case = True
    return function


def cases_of(*areas):
    """The cases of the area modules, in the order they are written."""
    return [f for area in areas for f in vars(area).values() if getattr(f, "is_case", False)]
