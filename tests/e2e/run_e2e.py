#!/usr/bin/python3
"""End-to-end tests: the real veltrane.exe under Wine, on an Xvfb display.

Every case gets its own folder, reached from Windows as drive T:, with the
config files and probe copies it needs. The launcher is started by starter.exe
with an exact command line, the probe records what it received, and
report_reader.exe reads and dismisses the failure report.
"""

import argparse
import array
import json
import os
import random
import re
import shlex
import shutil
import struct
import subprocess
import sys
import resource
import time
import zipfile
import zlib

CAPTION = "Error starting Veltrane"
SYSTEM_PATH = r"C:\windows\system32;C:\windows"
LIMIT = 32766  # longest environment value and command line Windows accepts
REPORT_LIMIT = 2047  # longest report the box is given
SCREEN = (1024, 768)  # the Xvfb screen
# A cap on committed memory that Wine and a launcher of a few MB live with,
# and a launcher that held a 100 MB line in memory does not (it ended with
# status 3 and no window).
MEMORY_CAP = 256 << 20
REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
               "gdi32.dll", "ntdll.dll", "ucrtbase.dll"}


class SetupError(Exception):
    pass


class Wine:
    """One Xvfb display, one Wine prefix and one persistent wineserver."""

    def __init__(self, work):
        self.work = work
        self.loader = self._tool("wine64", "/usr/lib/wine/wine64")
        self.server = self._tool("wineserver", "/usr/lib/wine/wineserver")
        self.xvfb = shutil.which("Xvfb")
        if not self.loader or not self.server:
            raise SetupError("Wine not found (wine64, wineserver): run scripts/install-deps.sh")
        if not self.xvfb:
            raise SetupError("Xvfb not found: run scripts/install-deps.sh")

    @staticmethod
    def _tool(name, usual_place):
        return usual_place if os.access(usual_place, os.X_OK) else shutil.which(name)

    def start(self):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "wb")
        # Xvfb picks a free display and writes its number to the pipe.
        self.xvfb_process = subprocess.Popen(
            [self.xvfb, "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"], pass_fds=[write_end], stdout=log, stderr=log)
        os.close(write_end)
        # Read the whole line: Xvfb gives up if the pipe closes before it is done.
        with os.fdopen(read_end) as pipe:
            display = pipe.readline().strip()
        if not display:
            raise SetupError("Xvfb did not start: see " + log.name)
        self.display = ":" + display
        prefix = os.path.join(self.work, "prefix")
        os.makedirs(prefix, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", DISPLAY=self.display,
                        LC_ALL="C.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.run_server("-p")
        # Wine draws the box's own frame and closes it at once when dismissed.
        for key in ("Managed", "Decorated"):
            self.run(os.path.join(self.work, "reg.log"), "reg", "add",
                     r"HKCU\Software\Wine\X11 Driver", "/v", key, "/t", "REG_SZ", "/d", "N", "/f")
        return prefix

    def run_server(self, option):
        subprocess.run([self.server, option], env=self.env, check=True)

    def spawn(self, log, *command, memory_cap=None):
        """Starts a Windows program; memory_cap limits the memory it (and every
        process it starts) may commit, in bytes."""
        # Wine reserves its address space up front, so a cap on the address
        # space stops Wine itself, not the heap; the data limit counts what a
        # process commits, as a Windows commit limit would.
        def cap():
            resource.setrlimit(resource.RLIMIT_DATA, (memory_cap, memory_cap))
        # Wine's background services inherit our handles: output goes to a file,
        # never to a pipe we read.
        with open(log, "ab") as out:
            return subprocess.Popen([self.loader, *command], env=self.env, stdout=out,
                                    stderr=out, stdin=subprocess.DEVNULL,
                                    preexec_fn=cap if memory_cap else None)

    def run(self, log, *command):
        return self.spawn(log, *command).wait()

    def capture(self, out, log, cwd, *command):
        """Runs a console program; its output goes to the file out."""
        with open(out, "wb") as output, open(log, "ab") as errors:
            return subprocess.run([self.loader, *command], env=self.env, stdout=output,
                                  stderr=errors, stdin=subprocess.DEVNULL, cwd=cwd).returncode

    def stop(self):
        """Ends whatever start() got going."""
        if hasattr(self, "env"):
            subprocess.run([self.server, "-k"], env=self.env)
        if hasattr(self, "xvfb_process"):
            self.xvfb_process.terminate()
            self.xvfb_process.wait()


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


def expect(condition, what, actual=None):
    if not condition:
        raise AssertionError(what + ("" if actual is None else ": got %r" % (actual,)))


def expect_equal(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s:\n  wanted %r\n  got    %r" % (what, wanted, actual))


def expect_shortened(shown, whole, what):
    """The shown text is the whole one with one run left out and counted."""
    mark = re.search(r"\.\.\.\[([0-9,]+) characters\]\.\.\.", shown)
    expect(mark is not None, what + " shortened", shown)
    head, tail = shown[:mark.start()], shown[mark.end():]
    omitted = len(whole) - len(head) - len(tail)
    expect(whole.startswith(head) and whole.endswith(tail), what + ": its start and end kept",
           shown)
    expect_equal(mark.group(1), "{:,}".format(omitted), what + ": characters left out")


def expect_shortened_in_characters(shown, whole, what):
    """The shown text is the whole one with runs of whole characters left out,
    each mark counting exactly the characters it stands for."""
    pieces = re.split(r"\.\.\.\[([0-9,]+) characters\]\.\.\.", shown)
    expect(len(pieces) > 1, what + " shortened", shown)
    expect("\ufffd" not in shown, what + ": no character cut in two", shown)
    position = 0
    for index, piece in enumerate(pieces):
        if index % 2 == 1:
            position += int(piece.replace(",", ""))
            continue
        expect_equal(whole[position:position + len(piece)], piece,
                     "%s: the text around mark %d" % (what, index // 2))
        position += len(piece)
    expect_equal(position, len(whole), what + ": characters counted up to its end")


def report_of(vm_line, config, command_line, error, name="Veltrane"):
    return ('Couldn\'t start %s using "%s".\nConfigfile: %s\ncommandline: %s\n'
            "Error Message: %s" % (name, vm_line, config, command_line, error))


CASES = []


def case(function):
    CASES.append(function)
    return function


# --- The launch spine ---------------------------------------------------------

@case
def child_status_zero_ends_quietly(c):
    vm = c.probe("vm/probe.exe")
    config = c.write("app.cfg", "jvm %s\nmainclass Main\n" % vm)
    exit_code, report = c.launch("veltrane.exe " + config)
    expect_equal((exit_code, report), (0, None), "exit code and report")
    expect_equal(c.record("vm/probe.exe")[0], '"%s"   Main ' % vm, "child command line")


@case
def child_status_three_shows_report_and_exits_one(c):
    vm = c.probe("vm/probe.exe", status=3)
    config = c.write("app.cfg", "jvm %s\nvmparam -Xmx1g\nmainclass Main\nparam x\n" % vm)
    exit_code, report = c.launch("veltrane.exe " + config)
    expect_equal(exit_code, 1, "exit code")
    expect_equal(report, report_of(vm + " -Xmx1g  Main x", config, "veltrane.exe " + config,
                                   "No error"), "report")


@case
def no_config_starts_javaw_with_four_empty_arguments(c):
    c.probe("bin/javaw.exe", status=4)
    inherited = c.mkdir("bin") + ";" + SYSTEM_PATH
    exit_code, report = c.launch('"%s"' % c.win("veltrane.exe"), path=inherited)
    expect_equal(c.record("bin/javaw.exe"), ['"javaw.exe"    ', ";" + inherited, c.win()],
                 "child command line, PATH and current directory")
    expect_equal(exit_code, 1, "exit code")
    # The missing config's error shows, and the command line ends where the
    # program path's closing quote stood.
    expect_equal(report, report_of("javaw.exe    ", c.win("veltrane.config"),
                                   '"' + c.win("veltrane.exe"), "No such file or directory"),
                 "report")


@case
def current_directory_wins_over_path(c):
    c.probe("here/javaw.exe")
    c.probe("bin/javaw.exe")
    exit_code, report = c.launch(c.win("veltrane.exe"), cwd="here",
                                 path=c.win("bin") + ";" + SYSTEM_PATH)
    expect_equal((exit_code, report), (0, None), "exit code and report")
    expect(c.record("here/javaw.exe") is not None, "the current directory's javaw.exe ran")
    expect(c.record("bin/javaw.exe") is None, "the javaw.exe on PATH did not run")


def failed_start(c, config_text, path, error):
    config = c.write("app.cfg", config_text)
    exit_code, report = c.launch("veltrane.exe " + config, cwd="here", path=path)
    expect_equal(exit_code, 1, "exit code")
    expect(report is not None, "a failure report")
    expect_equal(report.split("\n")[-1], "Error Message: " + error, "report's last line")


@case
def vm_found_nowhere(c):
    c.mkdir("here")
    failed_start(c, "jvm nowhere-vm\n", c.mkdir("empty") + ";" + SYSTEM_PATH,
                 "No such file or directory")


@case
def long_path_element_before_vm(c):
    c.probe("bin/javaw.exe")
    c.mkdir("here")
    failed_start(c, "", "C:\\" + "x" * 255 + ";" + c.win("bin"), "Result too large")
    expect(c.record("bin/javaw.exe") is None, "the javaw.exe behind the long element did not run")


@case
def text_file_named_javaw(c):
    c.write("here/javaw.exe", "not a program\r\n")
    failed_start(c, "", SYSTEM_PATH, "Exec format error")


# --- The built file ----------------------------------------------------------

@case
def gui_program_importing_only_system_dlls(c):
    headers = tool_output(c.run.objdump, "-p", c.run.launcher)
    expect("(PE32+)" in headers, "a PE32+ image")
    expect("(Windows GUI)" in headers, "the GUI subsystem: no console window")
    dlls = {line.split()[-1].lower() for line in headers.splitlines() if "DLL Name:" in line}
    expect(dlls and dlls <= SYSTEM_DLLS, "only system DLLs imported", sorted(dlls))
    expect("user32.dll" not in dlls, "USER32 loaded only for a report, not imported",
           sorted(dlls))


@case
def manifest_icon_and_version_resources(c):
    resources = tool_output(c.run.windres, "-i", c.run.launcher, "-O", "rc")
    for wanted in ('1 24 /* RT_MANIFEST */', 'level=""asInvoker""', 'uiAccess=""false""',
                   "RT_GROUP_ICON", "FILEVERSION 6, 0, 0, 0", "PRODUCTVERSION 6, 0, 0, 0",
                   'VALUE "FileVersion", "6.0.0.0"', 'VALUE "ProductVersion", "6.0.0.0"'):
        expect(wanted in resources, "resource text " + wanted)


def tool_output(tool, *arguments):
    return subprocess.run([tool, *arguments], check=True, capture_output=True,
                          text=True, errors="replace").stdout


# --- The configuration file and the class path --------------------------------

def typical_layout(c, config_name, status=0, prefix=b""):
    """The Overview's typical start: seven keys, two jars and a folder old.jar.

    Returns the report's first-line values and the probe's expected record.
    """
    vm = c.probe("java/bin/javaw.exe", status)
    c.mkdir("apps/lib/old.jar")
    for jar in ("a.jar", "b.jar"):
        with zipfile.ZipFile(c.path("apps/lib/" + jar), "w") as archive:
            archive.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")
    lines = ["# the typical start", "jvm " + vm, "vmparam -Xmx512m",
             "addsyspath " + c.mkdir("apps/native"), "addpath " + c.mkdir("apps/classes"),
             "addjars " + c.win("apps/lib"), "mainclass com.example.Main", "param --verbose"]
    c.write(config_name, prefix + "\r\n".join(lines).encode("cp1252") + b"\r\n")
    classes = ";".join(c.win(p) for p in ("apps/classes", "apps/lib/a.jar", "apps/lib/b.jar"))
    arguments = '-Xmx512m -classpath "%s" com.example.Main --verbose' % classes
    record = ['"%s" %s' % (vm, arguments), ";%s;%s" % (c.win("apps/native"), SYSTEM_PATH),
              c.win("apps")]
    return vm + " " + arguments, record


@case
def typical_start_beside_renamed_launcher(c):
    _, record = typical_layout(c, "apps/tool.config")
    exit_code, report = c.launch('"%s"' % c.win("apps/tool.exe"), app="apps/tool.exe", cwd="apps")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    expect_equal(c.record("java/bin/javaw.exe"), record, "child command line, PATH, directory")


@case
def typical_start_from_quoted_config_path_with_bom(c):
    vm_line, record = typical_layout(c, "cfg files/app.cfg", status=7, prefix=b"\xef\xbb\xbf")
    program = c.win("apps/tool")
    command_line = '%s "%s" --ignored text' % (program, c.win("cfg files/app.cfg"))
    exit_code, report = c.launch(command_line, app="apps/tool.exe", cwd="apps")
    expect_equal(c.record("java/bin/javaw.exe"), record, "child command line, PATH, directory")
    expect_equal(exit_code, 1, "exit code")
    expect_equal(report, report_of(vm_line, c.win("cfg files/app.cfg"),
                                   '%s "%s' % (program, c.win("cfg files/app.cfg")), "No error"),
                 "report, its command line cut at the config path's closing quote")


@case
def explicit_jar_entry_keeps_its_place_in_front(c):
    vm = c.probe("vm/probe.exe")
    for jar in ("a.jar", "b.jar", "c.jar"):
        c.write("lib/" + jar, b"")
    # Only a whole, identical entry removes a jar: "lib\a.jar" is not "T:\...\lib\a.jar".
    config = c.write("app.cfg", "jvm %s\naddpath %s\naddpath lib\\a.jar\naddjars %s\nmainclass M\n"
                     % (vm, c.win("lib/b.jar").replace("\\", "/"), c.win("lib")))
    expect_equal(c.launch("veltrane.exe " + config)[0], 0, "exit code")
    jars = [c.win("lib/b.jar"), "lib\\a.jar", c.win("lib/a.jar"), c.win("lib/c.jar")]
    expect_equal(c.record("vm/probe.exe")[0], '"%s"  -classpath "%s" M ' % (vm, ";".join(jars)),
                 "child command line")


# --- Hostile inputs ----------------------------------------------------------

@case
def config_path_naming_a_folder(c):
    c.probe("bin/javaw.exe")
    exit_code, _ = c.launch("veltrane.exe " + c.mkdir("folder"), path=c.win("bin"))
    expect_equal(exit_code, 0, "exit code")
    expect_equal(c.record("bin/javaw.exe")[0], '"javaw.exe"    ', "child command line")


@case
def config_of_200000_lines_and_20_megabytes(c):
    vm = c.probe("vm/probe.exe")
    lines, vm_params = [], []
    for number in range(200000):
        if number % 1000 == 0:
            vm_params.append("-Dk%d=v" % number)
            lines.append("vmparam " + vm_params[-1])
        elif number % 3:
            lines.append("# %06d %s" % (number, "comment " * 12))
        else:
            lines.append("mainclass com.example.M%d%s" % (number, " " * 78))
    # One line far longer than any read buffer must stay one line.
    lines += ["param " + "x" * 5000, "jvm " + vm]
    config = c.write("app.cfg", "\n".join(lines))
    expect(os.path.getsize(c.path("app.cfg")) >= 20_000_000, "a 20 MB config")
    expect_equal(c.launch("veltrane.exe " + config)[0], 0, "exit code")
    expect_equal(c.record("vm/probe.exe")[0], '"%s" %s  com.example.M199998 %s'
                 % (vm, " ".join(vm_params), "x" * 5000), "child command line")


@case
def config_of_binary_garbage(c):
    vm = c.probe("vm/probe.exe")
    garbage = bytes(b for b in random.Random(6).randbytes(1 << 20) if b != 26)
    # Ctrl-Z ends the file: the line after it is never read.
    config = c.write("app.cfg", garbage + b"\njvm %s\nmainclass Main\n\x1amainclass Wrong\n"
                     % vm.encode())
    expect_equal(c.launch("veltrane.exe " + config)[0], 0, "exit code")
    expect_equal(c.record("vm/probe.exe")[0], '"%s"   Main ' % vm, "child command line")


@case
def config_of_comments_only(c):
    c.probe("bin/javaw.exe", status=5)
    config = c.write("app.cfg", "".join("# jvm x%d\n  # mainclass y\n\t#param z\r\n" % n
                                        for n in range(1000)))
    exit_code, report = c.launch("veltrane.exe " + config, path=c.win("bin"))
    expect_equal(c.record("bin/javaw.exe")[0], '"javaw.exe"    ', "child command line")
    expect_equal(exit_code, 1, "exit code")
    expect_equal(report, report_of("javaw.exe    ", config, "veltrane.exe " + config,
                                   "No error"), "report")


@case
def inherited_path_of_32000_characters(c):
    c.probe("bin/javaw.exe")
    # Short elements that exist nowhere (each under the 258-character limit),
    # then the VM's folder last.
    filler = "T:\\nowhere\\dir%05d"
    count = (32000 - len(c.win("bin"))) // len(filler % 0 + ";")
    elements = [filler % n for n in range(count)]
    elements.append(c.win("bin"))
    elements[0] += "p" * (32000 - len(";".join(elements)))
    inherited = ";".join(elements)
    expect_equal(len(inherited), 32000, "length of the inherited PATH")
    expect_equal(c.launch(c.win("veltrane.exe"), path=inherited)[0], 0, "exit code")
    expect_equal(c.record("bin/javaw.exe")[1:2], [";" + inherited], "child PATH")


@case
def addsyspath_list_beyond_variable_limit(c):
    vm = c.probe("vm/probe.exe")
    native = ["T:\\native\\%03d%s" % (n, "n" * 80) for n in range(400)]
    config = c.write("app.cfg", "jvm %s\n" % vm + "".join("addsyspath %s\n" % d for d in native))
    expect_equal(c.launch("veltrane.exe " + config)[0], 0, "exit code")
    whole = ";" + ";".join(native) + ";" + SYSTEM_PATH
    # Cut after the last whole element that fits: the addsyspath dirs stay in front.
    expect_equal(c.record("vm/probe.exe")[1], whole[:whole.rindex(";", 0, LIMIT + 1)],
                 "child PATH")


def command_line_too_long(c, config_text, vm, first_line):
    """Checks that the VM was refused and that the report, too long for the
    screen, was shortened to fit: its first line has lost its middle."""
    config = c.write("app.cfg", config_text)
    exit_code, report = c.launch("veltrane.exe " + config)
    expect_equal(exit_code, 1, "exit code")
    expect(c.record("vm/probe.exe") is None, "the VM was not started")
    expect(report is not None and len(report) <= REPORT_LIMIT,
           "a report of at most 2,047 characters", report)
    expect_equal(report.split("\n")[1:], ["Configfile: " + config, "commandline: veltrane.exe " +
                                          config, "Error Message: Arg list too long"],
                 "report's other lines")
    expect_shortened(report.split("\n")[0], first_line, "report's first line")


@case
def jar_folder_with_20000_jars(c):
    vm = c.probe("vm/probe.exe")
    for number in range(20000):
        c.write("lib/j%05d.jar" % number, b"")
    jars = ";".join(c.win("lib/j%05d.jar" % n) for n in range(20000))
    command_line_too_long(c, "jvm %s\naddjars %s\nmainclass Main\n" % (vm, c.win("lib")), vm,
                          'Couldn\'t start Veltrane using "%s  -classpath "%s" Main ".' % (vm, jars))


def vm_params_filling(vm, length):
    """351 vmparam lines, the last one sized so the command line has this length."""
    params = ["-Dp%03d=%s" % (n, "v" * 80) for n in range(350)]
    params.append("-Dpad=")
    params[-1] += "x" * (length - len('"%s" %s  Main ' % (vm, " ".join(params))))
    return params, "jvm %s\n%smainclass Main\n" % (vm, "".join("vmparam %s\n" % p for p in params))


@case
def vm_params_up_to_command_line_limit(c):
    vm = c.probe("vm/probe.exe")
    config = c.write("app.cfg", vm_params_filling(vm, LIMIT)[1])
    expect_equal(c.launch("veltrane.exe " + config)[0], 0, "exit code")
    expect_equal(len(c.record("vm/probe.exe")[0]), LIMIT, "length of the child's command line")


@case
def vm_params_past_command_line_limit(c):
    vm = c.probe("vm/probe.exe")
    params, config_text = vm_params_filling(vm, LIMIT + 1)
    command_line_too_long(c, config_text, vm, 'Couldn\'t start Veltrane using "%s %s  Main ".'
                          % (vm, " ".join(params)))


@case
def application_argument_of_3000_characters(c):
    vm = c.probe("vm/probe.exe", status=2)
    argument = "--data=" + "".join("%04d" % n for n in range(750))[7:]
    config = c.write("app.cfg", "jvm %s\nmainclass Main\nparam %s\n" % (vm, argument))
    exit_code, report = c.launch("veltrane.exe " + config)
    expect_equal((c.record("vm/probe.exe") or [None])[0], '"%s"   Main %s' % (vm, argument),
                 "child command line, the argument whole")
    expect_equal(exit_code, 1, "exit code")
    expect(report is not None and len(report) <= REPORT_LIMIT,
           "a report of at most 2,047 characters", report)
    whole = report_of("%s   Main %s" % (vm, argument), config, "veltrane.exe " + config, "No error")
    expect_equal(report.split("\n")[1:], whole.split("\n")[1:], "report's other lines")
    expect_shortened(report.split("\n")[0], whole.split("\n")[0], "report's first line")


@case
def config_through_a_pipe_or_held_open_by_an_editor(c):
    vm = c.probe("vm/probe.exe", status=3)
    # More than a pipe's buffer and a read's piece before the lines that count.
    config = c.write("app.cfg", "# %s\n" % ("comment " * 16) * 2000 +
                     "jvm %s\nmainclass Main\nparam last" % vm)
    pipe = r"\\.\pipe\veltrane-e2e-" + c.folder
    for command_line, prepare in (("veltrane.exe " + pipe, ["serve:%s=%s" % (pipe, config)]),
                                  ("veltrane.exe " + config, ["hold:" + config])):
        exit_code, report = c.launch(command_line, prepare=prepare)
        expect_equal((c.record("vm/probe.exe") or [None])[0], '"%s"   Main last' % vm,
                     "child command line, read from " + prepare[0])
        # The end of a pipe is the end of the file, not a read error.
        expect_equal((exit_code, report), (1, report_of(vm + "   Main last", command_line[13:],
                                                        command_line, "No error")),
                     "exit code and report")
        os.remove(c.path("vm/probe.record"))


@case
def config_pipe_disconnected_mid_line_drops_that_line(c):
    vm = c.probe("vm/probe.exe", status=3)
    config = c.write("app.cfg", "jvm %s\nmainclass Main\nparam --mode=prod" % vm)
    pipe = r"\\.\pipe\veltrane-e2e-" + c.folder
    command_line = "veltrane.exe " + pipe
    exit_code, report = c.launch(command_line, prepare=["cut:%s=%s" % (pipe, config)])
    # A read error is no end of file: the line it cut short is not applied.
    expect_equal((c.record("vm/probe.exe") or [None])[0], '"%s"   Main ' % vm,
                 "child command line, without the unfinished line")
    expect(exit_code == 1 and report is not None and
           report.startswith(report_of(vm + "   Main ", pipe, command_line, "")[:-1]),
           "exit code and report", (exit_code, report))


@case
def memory_capped_launch_of_a_100_mb_line_shows_the_report(c):
    vm = c.probe("vm/probe.exe")
    config = c.write("app.cfg", "jvm %s\nmainclass Main\n" % vm)
    with open(c.path("app.cfg"), "ab") as out:
        out.write(b"param " + b"x" * 100000000 + b"\n")
    command_line = "veltrane.exe " + config
    exit_code, report = c.launch(command_line, memory_cap=MEMORY_CAP)
    expect(c.record("vm/probe.exe") is None, "no VM started")
    expect_equal((exit_code, report), (1, report_of(
        "%s   Main %s...[99,999,936 characters]..." % (vm, "x" * 64), config, command_line,
        "Arg list too long")), "exit code and report under a memory cap")


# --- Branding and the UTF-8 code page ----------------------------------------

def png(size):
    """A square PNG image of one colour."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = (b"\0" + b"\x20\x80\x40\xff" * size) * size
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def pe_checksum(image):
    """The checksum Windows computes over a PE file, its own field taken as 0."""
    field = struct.unpack_from("<I", image, 0x3C)[0] + 88
    image = image[:field] + b"\0\0\0\0" + image[field + 4:] + b"\0" * (len(image) % 2)
    total = sum(array.array("H", image))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image) - len(image) % 2


def sign(c, exe, signed):
    """Signs with a throw-away certificate; returns the certificate's file."""
    key, cert = c.path("key.pem"), c.path("cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-subj", "/CN=Veltrane test", "-days", "2"], check=True,
                   capture_output=True)
    subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Tool",
                    "-in", exe, "-out", signed], check=True, capture_output=True)
    return cert


@case
def branded_tool_exe(c):
    for size in (16, 32, 48, 256):
        c.write("brand/icon-%d.png" % size, png(size))
    c.write("brand/brand.json", json.dumps({
        "productName": "Tool", "companyName": "Example Ltd", "fileDescription": "Tool for examples",
        "copyright": "Copyright (c) 2026 Example Ltd", "version": "1.2.3.4",
        "icon": ["icon-16.png", "icon-32.png", "icon-48.png", "icon-256.png"]}))
    tool = c.path("apps/tool.exe")
    os.makedirs(os.path.dirname(tool))
    c.run.brand(c.path("brand/brand.json"), c.run.launcher, tool)
    # Read back by a second tool: the group's four sizes (256 is written as 0), the strings.
    resources = tool_output(c.run.windres, "-i", tool, "-O", "rc")
    for wanted in ("Has 4 elements", '"\\020\\020', '"\\040\\040', '"\\060\\060',
                   '"\\000\\000', "FILEVERSION 1, 2, 3, 4", "PRODUCTVERSION 1, 2, 3, 4",
                   'VALUE "ProductName", "Tool"', 'VALUE "CompanyName", "Example Ltd"',
                   'VALUE "FileDescription", "Tool for examples"', 'VALUE "FileVersion", "1.2.3.4"',
                   'VALUE "LegalCopyright", "Copyright (c) 2026 Example Ltd"',
                   'VALUE "OriginalFilename", "tool.exe"', 'level=""asInvoker""'):
        expect(wanted in resources, "resource text " + wanted)
    expect("activeCodePage" not in resources, "no code page element")
    with open(tool, "rb") as image:
        data = image.read()
    expect_equal(struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 88)[0],
                 pe_checksum(data), "PE checksum")

    vm_line, record = typical_layout(c, "apps/tool.config", status=9)
    exit_code, report = c.launch('"%s"' % c.win("apps/tool.exe"), app="apps/tool.exe", cwd="apps",
                                 caption="Error starting Tool")
    expect_equal(c.record("java/bin/javaw.exe"), record, "child command line, PATH, directory")
    expect_equal((exit_code, report), (1, report_of(vm_line, c.win("apps/tool.config"),
                                                    '"' + c.win("apps/tool.exe"), "No error",
                                                    name="Tool")), "exit code and report")

    # Brand first, then sign: a signed launcher is refused, its signature intact.
    cert = sign(c, tool, c.path("signed.exe"))
    subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", c.path("signed.exe")],
                   check=True, capture_output=True)
    refused = c.run.brand(c.path("brand/brand.json"), c.path("signed.exe"), c.path("again.exe"),
                          check=False)
    expect(refused.returncode == 1 and "is signed: brand the unsigned launcher first" in
           refused.stderr and not os.path.exists(c.path("again.exe")), "signed input refused",
           refused.stderr)


# Letters outside code page 1252, in the folder of a UTF-8 launcher.
UTF8_FOLDER = "Ελληνικά-中文"


def utf8_layout(c, status):
    """A UTF-8 launcher and config in UTF8_FOLDER; returns (command, expected child line)."""
    launcher = c.run.utf8_launcher()
    resources = tool_output(c.run.windres, "-i", launcher, "-O", "rc")
    expect('>UTF-8</activeCodePage>' in resources, "the UTF-8 code page in the manifest")
    root = UTF8_FOLDER + "/"
    c.copy(launcher, root + "tool.exe")
    vm = c.probe(root + "java/bin/javaw.exe", status)
    c.write(root + "lib/a.jar", b"")
    config = ["jvm " + vm, "addpath " + c.mkdir(root + "classes"), "addjars " + c.win(root + "lib"),
              "mainclass Main", "param " + c.win(root + "data")]
    c.write(root + "tool.config", "\r\n".join(config).encode("utf-8"))
    classes = "%s;%s" % (c.win(root + "classes"), c.win(root + "lib/a.jar"))
    return '"%s"' % c.win(root + "tool.exe"), '"%s"  -classpath "%s" Main %s' % (
        vm, classes, c.win(root + "data"))


@case
def utf8_launcher_hands_over_greek_and_chinese_paths(c):
    command, child_line = utf8_layout(c, status=0)
    exit_code, report = c.launch(command, app=UTF8_FOLDER + "/tool.exe", cwd=UTF8_FOLDER, utf8=True)
    expect_equal((exit_code, report), (0, None), "exit code and report")
    expect_equal(c.wide_command_line(UTF8_FOLDER + "/java/bin/javaw.exe"), child_line,
                 "child command line, read wide")


@case
def utf8_launcher_report_shows_greek_and_chinese_letters(c):
    command, child_line = utf8_layout(c, status=3)
    exit_code, report = c.launch(command, app=UTF8_FOLDER + "/tool.exe", cwd=UTF8_FOLDER, utf8=True)
    vm_line = child_line.replace('"', "", 2)
    expect_equal((exit_code, report), (1, report_of(vm_line, c.win(UTF8_FOLDER + "/tool.config"),
                                                    command[:-1], "No error")),
                 "exit code and report, read wide")


# --- App mode and the console launcher ----------------------------------------

APP_FOLDER = "My Apps/Acme Draw"  # an install folder with blanks in its name


def app_layout(c, name="tool", status=0, extra=""):
    """An app-mode launcher in APP_FOLDER with its own runtime, jars, classes
    and native folder, all named through %EXEDIR%. Returns the probe's path."""
    root = APP_FOLDER + "/"
    c.copy(c.run.app_launcher(), root + name + ".exe")
    c.probe(root + "runtime/bin/javaw.exe", status)
    c.write(root + "lib/a.jar", b"")
    for folder in (root + "classes", root + "native", "elsewhere"):
        c.mkdir(folder)
    lines = ["jvm %EXEDIR%\\runtime\\bin\\javaw.exe", "addjars %EXEDIR%\\lib",
             "addpath %EXEDIR%\\classes", "addsyspath %EXEDIR%\\native",
             'vmparam "-Dapp.home=%EXEDIR%"', "mainclass com.acme.draw.Main",
             "param --data=%EXEDIR%\\data"]
    c.write(root + name + ".config", "\r\n".join(lines) + "\r\n" + extra)
    return root + "runtime/bin/javaw.exe"


@case
def app_mode_reads_its_own_config_and_expands_values_from_another_folder(c):
    vm = app_layout(c, extra="vmparam -Duser=%Acme_User%\r\nparam %ACME_UNDEFINED%\r\n")
    home = c.win(APP_FOLDER)
    exit_code, report = c.launch('"%s"' % c.win(APP_FOLDER + "/tool.exe"),
                                 app=APP_FOLDER + "/tool.exe", cwd="elsewhere",
                                 prepare=["ACME_USER=jo"], caption="Error starting Acme Draw")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    classes = "%s\\classes;%s\\lib\\a.jar" % (home, home)
    expect_equal(c.record(vm), ['"%s\\runtime\\bin\\javaw.exe" "-Dapp.home=%s" -Duser=jo '
                                '-classpath "%s" com.acme.draw.Main --data=%s\\data %%ACME_UNDEFINED%%'
                                % (home, home, classes, home),
                                ";%s\\native;%s" % (home, SYSTEM_PATH), c.win("elsewhere")],
                 "child command line, PATH and current directory")


@case
def app_mode_hands_the_arguments_on_and_exits_with_the_vms_status(c):
    vm = app_layout(c, status=7)
    arguments = '"C:\\some folder\\doc.acd" --flag'
    exit_code, report = c.launch('tool %s' % arguments, app=APP_FOLDER + "/tool.exe",
                                 cwd="elsewhere", caption="Error starting Acme Draw")
    expect_equal((exit_code, report), (7, None), "exit code and report (no window)")
    expect(c.record(vm)[0].endswith(" --data=%s\\data %s" % (c.win(APP_FOLDER), arguments)),
           "the VM's command line ends with the arguments as given", c.record(vm)[0])


@case
def app_mode_launcher_named_in_capitals(c):
    vm = app_layout(c, name="ACMEDRAW")
    command = c.win(APP_FOLDER + "/ACMEDRAW.EXE")
    exit_code, report = c.launch(command, app=APP_FOLDER + "/ACMEDRAW.exe", cwd="elsewhere",
                                 caption="Error starting Acme Draw")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    expect(c.record(vm) is not None, "the VM of ACMEDRAW.config ran")


@case
def app_mode_reports_what_the_launcher_failed_at(c):
    vm = app_layout(c)
    launch = dict(app=APP_FOLDER + "/tool.exe", cwd="elsewhere", caption="Error starting Acme Draw")
    config = c.win(APP_FOLDER + "/tool.config")
    os.remove(c.path(vm))
    exit_code, report = c.launch("tool doc.acd", **launch)
    expect_equal(exit_code, 1, "exit code, the VM missing")
    expect(report is not None and report.startswith(
        'Couldn\'t start Acme Draw using "%s\\runtime\\bin\\javaw.exe ' % c.win(APP_FOLDER)) and
        report.endswith("commandline: tool doc.acd\nError Message: No such file or directory"),
        "the report with the expanded VM, the VM missing", report)
    c.probe(vm)
    os.remove(c.path(APP_FOLDER + "/tool.config"))
    exit_code, report = c.launch("tool doc.acd", **launch)
    expect_equal((exit_code, report), (1, report_of(
        "javaw.exe    doc.acd", config, "tool doc.acd", "No such file or directory",
        name="Acme Draw")), "exit code and report, the configuration missing")
    expect(c.record(vm) is None, "the VM was not started")


def console_layout(c, status=0, output=b""):
    """The console launcher, branded, as tool.exe with java.exe on the PATH."""
    c.copy(c.run.console_launcher(), "app/tool.exe")
    c.probe("bin/java.exe", status)
    c.write("bin/java.out", output)
    c.write("app/tool.config", "mainclass com.acme.Cli\r\n")
    return c.win("bin") + ";" + SYSTEM_PATH


@case
def console_launcher_pipes_the_vms_output_and_passes_its_status_on(c):
    headers = tool_output(c.run.objdump, "-p", c.run.console)
    expect("(Windows CUI)" in headers, "the console subsystem")
    dlls = {line.split()[-1].lower() for line in headers.splitlines() if "DLL Name:" in line}
    expect(dlls and dlls <= SYSTEM_DLLS - {"user32.dll"}, "only system DLLs imported", sorted(dlls))
    path = console_layout(c, status=42, output=b"version 1.2\r\n")
    c.write("bin/java.echo", b"")
    stdin = c.write("in.txt", b"from standard input\r\n")
    exit_code, report = c.launch("tool --version", app="app/tool.exe", path=path,
                                 prepare=["stdout:" + c.win("out.txt"),
                                          "stderr:" + c.win("err.txt"), "stdin:" + stdin])
    expect_equal((exit_code, report), (42, None), "exit code and report")
    with open(c.path("out.txt"), "rb") as out, open(c.path("err.txt"), "rb") as err:
        expect_equal((out.read(), err.read()), (b"version 1.2\r\nfrom standard input\r\n", b""),
                     "standard output through the pipe (with standard input), standard error")
    expect_equal(c.record("bin/java.exe")[0], '"java.exe"   com.acme.Cli --version',
                 "the VM's command line")


@case
def console_launcher_writes_its_report_to_standard_error(c):
    console_layout(c)
    exit_code, report = c.launch("tool --version", app="app/tool.exe", path=c.win("empty"),
                                 prepare=["stdout:" + c.win("out.txt"),
                                          "stderr:" + c.win("err.txt")],
                                 caption="Error starting Acme Tool")
    expect_equal((exit_code, report), (1, None), "exit code and report box (none)")
    with open(c.path("err.txt"), "rb") as err:
        expect_equal(err.read().decode("cp1252"), report_of(
            "java.exe   com.acme.Cli --version", c.win("app/tool.config"), "tool --version",
            "No such file or directory", name="Acme Tool").replace("\n", "\r\n") + "\r\n",
            "the report on standard error")


@case
def console_launcher_survives_ctrl_c_and_returns_the_vms_status(c):
    # Wine delivers Ctrl-C to the console's processes; Ctrl-Break to a process
    # group fails there (GenerateConsoleCtrlEvent: invalid handle).
    path = console_layout(c)
    c.write("bin/java.wait", b"")
    exit_code, _ = c.launch("tool", app="app/tool.exe", path=path,
                            prepare=["stderr:" + c.win("err.txt"),
                                     "ctrl-c:" + c.win("bin/java.ready")])
    with open(c.path("bin/java.event"), "rb") as event:
        expect_equal(event.read(), b"0", "the event the VM's handler got (Ctrl-C)")
    expect_equal(exit_code, 130, "the launcher's exit code: the VM's")
# --- veltrane-pack -------------------------------------------------------------

@case
def packed_sample_app_unzipped_and_opened_with_a_document(c):
    sample = c.run.sample_app(c.path("sample"))
    c.probe("sample/runtime/bin/javaw.exe")
    c.write("sample/runtime/release", 'JAVA_VERSION="17.0.2"\n')
    c.run.pack(os.path.join(sample, "pack.json"), c.path("dist"))
    with zipfile.ZipFile(c.path("dist/HelloApp-1.2.3-win64.zip")) as archive:
        archive.extractall(c.path("My Apps"))
    app = "My Apps/Hello App/"
    expect_equal(sorted(os.listdir(c.path(app))), ["HelloApp.config", "HelloApp.exe", "lib", "runtime"],
                 "the unpacked app folder")
    document = c.write("docs/letter one.txt", "")
    c.mkdir("elsewhere")
    exit_code, report = c.launch('"%s" "%s"' % (c.win(app + "HelloApp.exe"), document),
                                 app=app + "HelloApp.exe", cwd="elsewhere",
                                 caption="Error starting Hello App")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    folder = c.win(app[:-1])
    classes = ";".join(folder + "\\lib\\" + jar for jar in ("hello.jar", "greeting.jar", "words.jar"))
    expect_equal(c.record(app + "runtime/bin/javaw.exe")[0],
                 '"%s\\runtime\\bin\\javaw.exe" -Xmx256m "-Dhello.home=%s" '
                 '--add-opens=java.base/java.lang=ALL-UNNAMED -classpath "%s" com.example.hello.Main '
                 '--greet "%s"' % (folder, folder, classes, document), "the VM's command line")


@case
def packed_modular_app_starts_its_main_module_from_the_module_path(c):
    sample = c.run.sample_app(c.path("sample")) + "/modular"
    c.probe("sample/modular/runtime/bin/javaw.exe")
    c.write("sample/modular/runtime/release", 'JAVA_VERSION="17.0.2"\n')
    c.run.pack(os.path.join(sample, "pack.json"), c.path("dist"))
    app = "dist/Notes App/"
    expect_equal(sorted(os.listdir(c.path(app + "mods"))), ["notes.jar", "wordlist.jar"], "mods")
    c.mkdir("elsewhere")
    exit_code, report = c.launch('"%s"' % c.win(app + "NotesApp.exe"), app=app + "NotesApp.exe",
                                 cwd="elsewhere", caption="Error starting Notes App")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    command = c.record(app + "runtime/bin/javaw.exe")[0]
    folder = c.win(app[:-1])
    expect_equal(command, '"%s\\runtime\\bin\\javaw.exe" --module-path "%s\\mods"  '
                 '-m com.example.notes/com.example.notes.Main ' % (folder, folder), "the VM's command line")
    # The same arguments, their paths on this machine, for this machine's Java.
    lexer = shlex.shlex(command, posix=True)
    lexer.whitespace_split, lexer.escape = True, ""
    arguments = [a.replace(c.win(), c.dir).replace("\\", "/") for a in list(lexer)[1:]]
    result = subprocess.run(["java", *arguments], capture_output=True, text=True)
    expect_equal(result.stdout, "Notes from module com.example.notes, words from module "
                 "com.example.wordlist: apple\n", "the app's output on this machine's Java")


@case
def utf8_launcher_report_shortens_between_characters(c):
    launcher = c.run.utf8_launcher()
    root = UTF8_FOLDER + "/"
    c.copy(launcher, root + "tool.exe")
    vm = c.probe(root + "java/bin/javaw.exe", status=3)
    jars = [root + "lib/\u4e2d\u6587\u4e2d\u6587\u4e2d\u6587%03d.jar" % n for n in range(400)]
    for jar in jars:
        c.write(jar, b"")
    param = "\u53c2\u6570" * 700
    config = ["jvm " + vm, "addjars " + c.win(root + "lib"), "mainclass Main", "param " + param]
    c.write(root + "tool.config", "\r\n".join(config).encode("utf-8"))
    command = '"%s"' % c.win(root + "tool.exe")
    exit_code, report = c.launch(command, app=root + "tool.exe", cwd=UTF8_FOLDER, utf8=True)
    expect(exit_code == 1 and report is not None, "exit code 1 and a report", exit_code)
    classpath = ";".join(c.win(jar) for jar in jars)
    # In this deep folder the command line is too long to start the VM; the
    # report is the same either way.
    whole = report_of('%s  -classpath "%s" Main %s' % (vm, classpath, param),
                      c.win(root + "tool.config"), command[:-1], "Arg list too long")
    expect(len(report) <= 1600, "a report of at most 1,600 characters", len(report))
    expect_equal(report.split("\n")[1:], whole.split("\n")[1:], "report's other lines")
    expect_shortened_in_characters(report.split("\n")[0], whole.split("\n")[0],
                                   "report's first line, read wide")


# --- veltrane-check ------------------------------------------------------------

def check(c, *arguments, cwd=""):
    """Runs veltrane-check.exe; returns (exit code, its output, its error output)."""
    out, log = c.path("check.out"), c.path("check.log")
    open(log, "wb").close()
    code = c.run.wine.capture(out, log, c.path(cwd), c.run.checker, *arguments)
    with open(out, "rb") as output, open(log, "rb") as errors:
        # The console program writes in text mode: CR LF line ends.
        return (code, output.read().decode("utf-8", "replace").replace("\r\n", "\n"),
                errors.read().decode("cp1252", "replace").replace("\r\n", "\n"))


@case
def checker_command_line_is_what_the_vm_receives(c):
    typical_layout(c, "apps/tool.config")
    c.copy(c.run.launcher, "apps/tool.exe")
    expect_equal(c.launch('"%s"' % c.win("apps/tool.exe"), app="apps/tool.exe", cwd="apps")[0],
                 0, "launcher's exit code")
    code, output, _ = check(c, "--format", "json", c.win("apps/tool.exe"), cwd="apps")
    report = json.loads(output)
    expect_equal(report["launch"]["commandLine"], c.record("java/bin/javaw.exe")[0],
                 "the checker's command line")
    expect_equal((report["configFile"], report["codePage"], report["launch"]["jvm"]["path"]),
                 (c.win("apps/tool.config"), "ansi", c.win("java/bin/javaw.exe")),
                 "config file, code page read from the launcher, VM")
    expect_equal((code, report["problems"]), (0, []), "exit status and problems")


@case
def checker_reads_app_mode_from_the_launcher_and_expands_values(c):
    vm = app_layout(c, extra="param %ACME_UNDEFINED%\r\n")
    home = c.win(APP_FOLDER)
    c.launch('"%s"' % c.win(APP_FOLDER + "/tool.exe"), app=APP_FOLDER + "/tool.exe",
             cwd="elsewhere", caption="Error starting Acme Draw")
    code, output, _ = check(c, "--format", "json", c.win(APP_FOLDER + "/tool.exe"), cwd="elsewhere")
    report = json.loads(output)
    expect_equal((report["mode"], report["exeDir"], report["configFile"]),
                 ("app", home, c.win(APP_FOLDER + "/tool.config")),
                 "mode, %EXEDIR% and configuration file read from the branded launcher")
    expect_equal((report["lines"][0]["value"], report["lines"][0]["expanded"]),
                 ("%EXEDIR%\\runtime\\bin\\javaw.exe", home + "\\runtime\\bin\\javaw.exe"),
                 "the jvm value as written and as expanded")
    expect_equal(report["launch"]["commandLine"], c.record(vm)[0], "the checker's command line")
    # "param --data=%EXEDIR%\\data" in a folder with blanks: the app gets two arguments.
    expect_equal((code, [(p["code"], p["line"]) for p in report["problems"]]),
                 (1, [("blank-in-argument", 7), ("undefined-variable", 8)]),
                 "exit status and problems")
    c.copy(c.run.console_launcher(), "cli/tool.exe")
    c.write("cli/tool.config", "mainclass a.Main\r\n")
    report = json.loads(check(c, "--format", "json", c.win("cli/tool.exe"))[1])
    expect_equal((report["mode"], report["launch"]["commandLine"][:10]), ("console", '"java.exe"'),
                 "the console launcher: its mode and its VM")


@case
def checker_run_starts_console_java_and_prints_its_status(c):
    vm = c.probe("java/bin/javaw.exe", status=3)
    c.probe("java/bin/java.exe", status=3)
    config = c.write("app.cfg", "jvm %s\nmainclass Main\n" % vm)
    code, output, _ = check(c, "--run", config)
    expect(c.record("java/bin/javaw.exe") is None, "javaw.exe did not run")
    expect_equal(c.record("java/bin/java.exe")[0], '"%s"   Main ' % vm, "java.exe's command line")
    for wanted in ("started %s instead of javaw.exe" % c.win("java/bin/java.exe"),
                   "VM exit status: 3", report_of(vm + "   Main ", config,
                                                  'veltrane.exe "%s' % config, "No error")):
        expect(wanted in output, "output holds " + wanted, output)
    expect_equal(code, 2, "exit status")


@case
def checker_reads_the_code_page_from_the_launchers_manifest(c):
    vm = c.probe("vm/javaw.exe")
    text = ("jvm %s\nmainclass Main\nparam Jos\u00e9\n" % vm).encode("utf-8")
    c.write("ansi/tool.config", text)
    c.copy(c.run.launcher, "ansi/tool.exe")
    c.write("utf8/tool.config", text)
    c.copy(c.run.helper("utf8_launcher"), "utf8/tool.exe")
    for folder, code_page, problems in (("ansi", "ansi", [("encoding", 3)]), ("utf8", "utf-8", [])):
        report = json.loads(check(c, "--format", "json", c.win(folder + "/tool.exe"))[1])
        expect_equal((report["codePage"], [(p["code"], p["line"]) for p in report["problems"]]),
                     (code_page, problems), "code page and problems of the %s launcher" % folder)
    # A UTF-8 launcher's paths outside the ANSI code page are looked up as it would.
    vm = c.probe("\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/javaw.exe")
    lib = c.mkdir("\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/lib")
    c.write("\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/lib/a.jar", b"")
    c.write("utf8/tool.config", ("jvm %s\naddjars %s\naddpath %s\nmainclass Main\n"
                                 % (vm, lib, lib)).encode("utf-8"))
    report = json.loads(check(c, "--format", "json", c.win("utf8/tool.exe"))[1])
    expect_equal((report["problems"], report["launch"]["jvm"]["path"],
                  [(e["entry"], e["exists"]) for e in report["launch"]["classPath"]]),
                 ([], vm, [(lib, True), (lib + "\\a.jar", True)]),
                 "problems, VM and class path of the UTF-8 launcher")


@case
def checker_is_a_static_console_program_with_the_launchers_resources(c):
    headers = tool_output(c.run.objdump, "-p", c.run.checker)
    expect("(PE32+)" in headers and "(Windows CUI)" in headers, "a 64-bit console program")
    dlls = {line.split()[-1].lower() for line in headers.splitlines() if "DLL Name:" in line}
    expect(dlls and dlls <= SYSTEM_DLLS, "only system DLLs imported", sorted(dlls))
    resources = tool_output(c.run.windres, "-i", c.run.checker, "-O", "rc")
    launcher = tool_output(c.run.windres, "-i", c.run.launcher, "-O", "rc")
    expect_equal(resources, launcher, "resources (icon, version, manifest)")


@case
def checker_exit_status_tells_clean_warnings_errors_and_usage(c):
    vm = c.probe("vm/javaw.exe")
    clean = "jvm %s\nmainclass Main\n" % vm
    for name, text, wanted in (("clean.cfg", clean, 0), ("warn.cfg", clean + "Param x\n", 1),
                               ("error.cfg", "jvm T:\\nowhere\\javaw.exe\nmainclass M\n", 2)):
        code, output, _ = check(c, c.write(name, text))
        expect_equal(code, wanted, "exit status for " + name)
    expect("0 errors, 1 warning" in check(c, c.win("warn.cfg"))[1], "summary line")
    code, output, errors = check(c, "--format", "xml", c.win("clean.cfg"))
    expect_equal((code, output), (64, ""), "exit status and output on a usage error")
    expect(errors.startswith("usage: veltrane-check ") and errors.count("\n") == 1,
           "one line of usage", errors)


@case
def checker_quiet_report_escapes_controls_and_explains_a_capital_exe(c):
    vm = c.probe("vm/javaw.exe")
    config = c.write("app.cfg", "# app\njvm %s\nmainclass Main\nparam \x1b]0;t\x07\x1b[2J\n"
                     "Param x\n" % vm)
    code, output, _ = check(c, "--quiet", config)
    expect_equal((code, output.startswith("Problems\n"), "\x1b" in output or "\x07" in output),
                 (1, True, False), "exit status, problems first, no raw control character")
    expect("0 errors, 1 warning\n" in output and "# app" not in output, "summary only", output)
    code, output, _ = check(c, config)
    expect("param \\x1b]0;t\\x07\\x1b[2J\n" in output and "# app" not in output,
           "the echo shows the escaped line and leaves the comment out", output)
    # Named in capitals, a launcher reads ".config" in the current directory.
    c.copy(c.run.launcher, "apps/ACMEDRAW.EXE")
    code, output, _ = check(c, "--code-page", "ansi", c.win("apps/ACMEDRAW.EXE"), cwd="apps")
    expect(code == 2 and "[config-unreadable]" in output and "rename it" in output,
           "config-unreadable says why and what to do", output)


# --- The run -----------------------------------------------------------------

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

    def sample_app(self, folder):
        """Copies the sample apps of tests/sample-app into folder, built once a run."""
        built = os.path.join(self.work, "sample-app")
        if not os.path.exists(os.path.join(built, "pack.json")):
            shutil.rmtree(built, ignore_errors=True)
            subprocess.run([os.path.join(REPOSITORY, "tests", "sample-app", "build.sh"), built],
                           check=True, capture_output=True)
        shutil.copytree(built, folder)
        return folder

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
        return self.branded_copy("app", self.launcher, {"productName": "Acme Draw", "mode": "app"})

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


class DriveCCase(Case):
    """A case laid out on the prefix's own drive C:, for paths a user knows."""

    def __init__(self, run):
        self.run, self.folder = run, ""
        self.dir = os.path.join(run.wine.env["WINEPREFIX"], "drive_c")

    def win(self, relative=""):
        return "C:\\" + relative.replace("/", "\\")


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


if __name__ == "__main__":
    sys.exit(main())
