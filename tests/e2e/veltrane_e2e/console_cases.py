"""The console launcher."""

from .case import SYSTEM_DLLS, SYSTEM_PATH, case
from .expect import expect, expect_equal, report_of, tool_output


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
