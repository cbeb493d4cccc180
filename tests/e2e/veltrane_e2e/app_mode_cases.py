"""App mode: the launcher branded as an app reads its own config."""

import os

from .case import SYSTEM_PATH, DriveRootCase, case
from .expect import expect, expect_equal, report_of
from .layouts import APP_FOLDER, app_layout

STARTF_USESHOWWINDOW, STARTF_TITLEISLINKNAME, STARTF_TITLEISAPPID = 0x1, 0x800, 0x1000
SW_SHOWMINNOACTIVE = 7


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



def probe_fields(c, probe):
    """All the probe recorded: see probe.cpp."""
    with open(c.path(probe[:-4] + ".record"), "rb") as record:
        return record.read().decode("cp1252", "replace").split("\0")[:-1]


def start_information(c, probe):
    """What the probe's GetStartupInfo returned: (flags, title, wShowWindow)."""
    fields = probe_fields(c, probe)
    return int(fields[4]), fields[5], int(fields[6])


@case
def app_mode_tells_the_vm_how_it_was_started_and_classic_mode_nothing(c):
    vm = app_layout(c)
    link = c.win("Start Menu/Acme Draw.lnk")
    launch = dict(app=APP_FOLDER + "/tool.exe", cwd="elsewhere", caption="Error starting Acme Draw")
    rows = [((STARTF_TITLEISLINKNAME, 0, link), (STARTF_TITLEISLINKNAME, link, 0)),
            ((STARTF_TITLEISAPPID, 0, "Other.App"), (STARTF_TITLEISAPPID, "Other.App", 0)),
            # Neither a shortcut nor an ID: the one the launcher was branded with.
            ((STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE, ""),
             (STARTF_USESHOWWINDOW | STARTF_TITLEISAPPID, "Acme.Draw", SW_SHOWMINNOACTIVE)),
            (None, (STARTF_TITLEISAPPID, "Acme.Draw", 0))]
    for given, wanted in rows:
        exit_code, report = c.launch("tool", prepare=["startup:%d:%d:%s" % given] if given else [],
                                     **launch)
        expect_equal((exit_code, report), (0, None), "exit code and report")
        expect_equal(start_information(c, vm), wanted, "what the VM was told, given %r" % (given,))
    classic = c.probe("vm/javaw.exe")
    config = c.write("classic.cfg", "jvm %s\nmainclass Main\n" % classic)
    exit_code, report = c.launch("veltrane.exe " + config,
                                 prepare=["startup:%d:0:%s" % (STARTF_TITLEISLINKNAME, link)])
    expect_equal((exit_code, report), (0, None), "exit code and report, classic")
    expect_equal(start_information(c, "vm/javaw.exe")[:2], (0, classic),
                 "classic mode tells the VM nothing: no flags, its own path as the title")


@case
def app_mode_keeps_arguments_whole_at_a_drive_root_and_runs_no_vm_from_the_current_folder(c):
    app_layout(c, extra='vmparam "-Djdk=%JDK%" -Dnext=1\r\n')
    caption = "Error starting Acme Draw"
    root = DriveRootCase(c, APP_FOLDER, "R:")
    exit_code, report = root.launch("R:\\tool.exe doc.acd", app="tool.exe",
                                    prepare=["JDK=C:\\jdk\\"], caption=caption)
    expect_equal((exit_code, report), (0, None), "exit code and report, at R:\\")
    expect_equal(probe_fields(root, "runtime/bin/javaw.exe")[7:],
                 ["R:\\runtime\\bin\\javaw.exe", "-Dapp.home=R:\\", "-Djdk=C:\\jdk\\", "-Dnext=1",
                  "-classpath", "R:\\classes;R:\\lib\\a.jar", "com.acme.draw.Main",
                  "--data=R:\\data", "doc.acd"], "the VM's arguments as its C runtime splits them")
    # No bundled runtime: "javaw.exe" along PATH, never the one beside the document.
    c.write(APP_FOLDER + "/tool.config", "mainclass com.acme.draw.Main\r\n")
    c.probe("docs/javaw.exe")
    c.probe("bin/javaw.exe")
    exit_code, report = c.launch("tool doc.acd", app=APP_FOLDER + "/tool.exe", cwd="docs",
                                 path=c.win("bin") + ";" + SYSTEM_PATH, caption=caption)
    expect_equal((exit_code, report), (0, None), "exit code and report, from the document's folder")
    expect(c.record("docs/javaw.exe") is None, "the javaw.exe in the current folder did not run")
    expect(c.record("bin/javaw.exe") is not None, "the javaw.exe on PATH ran")
