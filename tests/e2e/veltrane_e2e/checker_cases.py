"""veltrane-check.exe under Wine."""

import json
import os

from .case import SYSTEM_DLLS, case
from .expect import expect, expect_equal, report_of, tool_output
from .layouts import APP_FOLDER, app_jar, app_layout, typical_layout


def run_checker(c, *arguments, cwd=""):
    """Runs veltrane-check.exe; returns (exit code, its output, its error output)."""
    out, log = c.path("checker.out"), c.path("checker.log")
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
    code, output, _ = run_checker(c, "--format", "json", c.win("apps/tool.exe"), cwd="apps")
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
    code, output, _ = run_checker(c, "--format", "json", c.win(APP_FOLDER + "/tool.exe"), cwd="elsewhere")
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
    report = json.loads(run_checker(c, "--format", "json", c.win("cli/tool.exe"))[1])
    expect_equal((report["mode"], report["launch"]["commandLine"][:10]), ("console", '"java.exe"'),
                 "the console launcher: its mode and its VM")


@case
def checker_run_starts_console_java_and_prints_its_status(c):
    vm = c.probe("java/bin/javaw.exe", status=3)
    c.probe("java/bin/java.exe", status=3)
    config = c.write("app.cfg", "jvm %s\nmainclass Main\n" % vm)
    code, output, _ = run_checker(c, "--run", config)
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
        report = json.loads(run_checker(c, "--format", "json", c.win(folder + "/tool.exe"))[1])
        expect_equal((report["codePage"], [(p["code"], p["line"]) for p in report["problems"]]),
                     (code_page, problems), "code page and problems of the %s launcher" % folder)
    # A UTF-8 launcher's paths outside the ANSI code page are looked up as it would.
    vm = c.probe("\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/javaw.exe")
    lib = c.mkdir("\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/lib")
    app_jar(c, "\u0395\u03bb\u03bb\u03ac\u03c2 \u4e2d\u6587/lib/a.jar", "Main")
    c.write("utf8/tool.config", ("jvm %s\naddjars %s\naddpath %s\nmainclass Main\n"
                                 % (vm, lib, lib)).encode("utf-8"))
    report = json.loads(run_checker(c, "--format", "json", c.win("utf8/tool.exe"))[1])
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
        code, output, _ = run_checker(c, c.write(name, text))
        expect_equal(code, wanted, "exit status for " + name)
    expect("0 errors, 1 warning" in run_checker(c, c.win("warn.cfg"))[1], "summary line")
    code, output, errors = run_checker(c, "--format", "xml", c.win("clean.cfg"))
    expect_equal((code, output), (64, ""), "exit status and output on a usage error")
    expect(errors.startswith("usage: veltrane-check ") and errors.count("\n") == 1,
           "one line of usage", errors)


@case
def checker_quiet_report_escapes_controls_and_explains_a_capital_exe(c):
    vm = c.probe("vm/javaw.exe")
    config = c.write("app.cfg", "# app\njvm %s\nmainclass Main\nparam \x1b]0;t\x07\x1b[2J\n"
                     "Param x\n" % vm)
    code, output, _ = run_checker(c, "--quiet", config)
    expect_equal((code, output.startswith("Problems\n"), "\x1b" in output or "\x07" in output),
                 (1, True, False), "exit status, problems first, no raw control character")
    expect("0 errors, 1 warning\n" in output and "# app" not in output, "summary only", output)
    code, output, _ = run_checker(c, config)
    expect("param \\x1b]0;t\\x07\\x1b[2J\n" in output and "# app" not in output,
           "the echo shows the escaped line and leaves the comment out", output)
    # Named in capitals, a launcher reads ".config" in the current directory.
    c.copy(c.run.launcher, "apps/ACMEDRAW.EXE")
    code, output, _ = run_checker(c, "--code-page", "ansi", c.win("apps/ACMEDRAW.EXE"), cwd="apps")
    expect(code == 2 and "[config-unreadable]" in output and "rename it" in output,
           "config-unreadable says why and what to do", output)


@case
def checker_finds_a_misspelt_main_class_in_the_apps_jar(c):
    vm = c.probe("java/bin/javaw.exe")
    c.write("java/release", 'JAVA_VERSION="17.0.2"\n')
    # A jar made by javac and Python's zipfile: a/Main.class deflated, its
    # superclass only under META-INF/versions/11/.
    seed = os.path.join(os.path.dirname(__file__), "..", "..", "fuzz", "corpus", "jar",
                        "two-classes.jar")
    c.mkdir("app/lib")
    c.copy(seed, "app/lib/app.jar")
    for main_class, wanted in (("a.Main", (0, [])),
                               ("a.Mian", (2, [("main-class-not-found", 3)]))):
        config = c.write("app.cfg", "jvm %s\naddjars %s\nmainclass %s\n"
                         % (vm, c.win("app/lib"), main_class))
        code, output, _ = run_checker(c, "--format", "json", config)
        problems = json.loads(output)["problems"]
        expect_equal((code, [(p["code"], p["line"]) for p in problems]), wanted, main_class)
    expect_equal(problems[0]["hint"], "did you mean a.Main?", "the hint")
