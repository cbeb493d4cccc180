"""Hostile inputs: huge, binary or piped configs, long PATHs and command lines,
and the shortened report they lead to."""

import os
import random

from .case import LIMIT, MEMORY_CAP, REPORT_LIMIT, SYSTEM_PATH, case
from .expect import expect, expect_equal, expect_shortened, report_of


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


def command_line_too_long(c, config_text, first_line):
    """Expects the VM refused and the report, too long for the screen,
    shortened to fit: its first line has lost its middle."""
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
    command_line_too_long(c, "jvm %s\naddjars %s\nmainclass Main\n" % (vm, c.win("lib")),
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
    command_line_too_long(c, config_text, 'Couldn\'t start Veltrane using "%s %s  Main ".'
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
