"""Classic launch: the VM found, started and waited for; the config file and
the class path."""

from .case import SYSTEM_PATH, case
from .expect import expect, expect_equal, report_of
from .layouts import typical_layout


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
