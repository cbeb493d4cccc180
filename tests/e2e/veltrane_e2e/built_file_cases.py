"""The built launcher file: its kind, imports and resources."""

from .case import SYSTEM_DLLS, case
from .expect import expect, tool_output


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
