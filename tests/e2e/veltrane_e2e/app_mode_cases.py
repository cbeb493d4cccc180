"""App mode: the launcher branded as an app reads its own config."""

import os

from .case import SYSTEM_PATH, case
from .expect import expect, expect_equal, report_of
from .layouts import APP_FOLDER, app_layout


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
