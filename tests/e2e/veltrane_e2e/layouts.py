"""Folders laid out the way users lay out their apps, shared by several areas."""

import struct
import zipfile

from .case import SYSTEM_PATH

# Letters outside code page 1252, in the folder of a UTF-8 launcher.
UTF8_FOLDER = "Ελληνικά-中文"
APP_FOLDER = "My Apps/Acme Draw"  # an install folder with blanks in its name


def class_file(name):
    """A class file of Java 8 that declares public static void main(String[])."""
    constants = [b"\x01" + struct.pack(">H", len(text)) + text
                 for text in (name.encode(), b"java/lang/Object", b"main",
                              b"([Ljava/lang/String;)V")]
    constants[1:1] = [b"\x07\x00\x01"]  # 2: the class, named by 1
    constants[3:3] = [b"\x07\x00\x03"]  # 4: the superclass, named by 3
    return (b"\xca\xfe\xba\xbe" + struct.pack(">HHH", 0, 52, len(constants) + 1) +
            b"".join(constants) + struct.pack(">HHHHHHHHHHH", 0x21, 2, 4, 0, 0, 1, 9, 5, 6, 0, 0))


def app_jar(c, path, main_class):
    """A jar holding the main class, deflated as jar tools pack it."""
    with zipfile.ZipFile(c.path(path), "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")
        name = main_class.replace(".", "/")
        archive.writestr(name + ".class", class_file(name))


def typical_layout(c, config_name, status=0, prefix=b""):
    """The Overview's typical start: seven keys, two jars and a folder old.jar.

    Returns the report's first-line values and the probe's expected record.
    """
    vm = c.probe("java/bin/javaw.exe", status)
    c.mkdir("apps/lib/old.jar")
    app_jar(c, "apps/lib/a.jar", "com.example.Main")
    with zipfile.ZipFile(c.path("apps/lib/b.jar"), "w") as archive:
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


def app_layout(c, name="tool", status=0, extra=""):
    """An app-mode launcher in APP_FOLDER with its own runtime, jars, classes
    and native folder, all named through %EXEDIR%. Returns the probe's path."""
    root = APP_FOLDER + "/"
    c.copy(c.run.app_launcher(), root + name + ".exe")
    c.probe(root + "runtime/bin/javaw.exe", status)
    c.mkdir(root + "lib")
    app_jar(c, root + "lib/a.jar", "com.acme.draw.Main")
    for folder in (root + "classes", root + "native", "elsewhere"):
        c.mkdir(folder)
    lines = ["jvm %EXEDIR%\\runtime\\bin\\javaw.exe", "addjars %EXEDIR%\\lib",
             "addpath %EXEDIR%\\classes", "addsyspath %EXEDIR%\\native",
             'vmparam "-Dapp.home=%EXEDIR%"', "mainclass com.acme.draw.Main",
             "param --data=%EXEDIR%\\data"]
    c.write(root + name + ".config", "\r\n".join(lines) + "\r\n" + extra)
    return root + "runtime/bin/javaw.exe"
