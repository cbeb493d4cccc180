"""Branding and the UTF-8 code page."""

import array
import json
import os
import struct
import subprocess
import zlib

from .case import case
from .expect import expect, expect_equal, expect_shortened_in_characters, report_of, tool_output
from .layouts import UTF8_FOLDER, typical_layout


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
