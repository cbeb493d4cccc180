#!/usr/bin/python3
"""The MSI of an app under Wine, as a user meets it.

A small app (a jar, more jars, a runtime whose javaw.exe is the e2e probe)
is packed by veltrane-pack --msi with the launcher under test, as two
launchers (the app and its command-line twin, which puts the folder on
PATH) and a folder of the app's own files. Per user: msiexec /i /qn of 1.0.0 (exe and MSI signed with a
PKCS#12 file); the files, the Start-menu and desktop shortcuts (target and
working folder) and their AppUserModelID, the association's open command,
the uninstall entry and the folder on the user's PATH;
a .acd document opened through the association (per machine with Wine's
start, per user with the registered open command) reaches the VM as the last
argument; 1.1.0 (signed on a SoftHSM token) over 1.0.0 leaves one version,
none of 1.0.0's own files and one copy of the folder on PATH; msiexec /x
leaves nothing, and PATH as it was. Per machine: Program Files, the folder on
the machine's PATH, and again nothing after /x. osslsigncode verifies the signed MSIs and
the installed exe.

Usage: msi_wine.py --launcher veltrane.exe --helpers build/windows/tests/e2e [--work DIR]
"""

import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from java_class import class_entry, main_class_file  # noqa: E402

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPOSITORY, "tests", "e2e"))
from veltrane_e2e.verdicts import failures, verdict, windows_path  # noqa: E402
from veltrane_e2e.wine import Wine  # noqa: E402  (the e2e tests' Wine, display and prefix)

NAME, EXE, APP_ID = "Acme Draw", "AcmeDraw", "Acme.AcmeDraw"
USER_PATH = r"HKCU\Environment"
MACHINE_PATH = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
OWN_KEYS = [r"HKCU\Software\Acme", r"HKCU\Software\Classes\.acd",
            r"HKCU\Software\Classes\AcmeDraw.8B91E5C7.acd"]
def shell_link(file):
    """(target, working folder) of a .lnk: the LinkInfo's local path and the string data."""
    with open(file, "rb") as link:
        data = link.read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x1:  # an ID list
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = None
    if flags & 0x2:  # LinkInfo: its local base path
        size, _, info_flags, _, base = struct.unpack_from("<IIIII", data, offset)
        if info_flags & 0x1:
            target = data[offset + base:data.index(b"\0", offset + base)].decode("latin-1")
        offset += size
    strings = {}
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "args"),
                      (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, offset)[0]
            unicode = flags & 0x80
            width = 2 if unicode else 1
            text = data[offset + 2:offset + 2 + count * width]
            strings[name] = text.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
            offset += 2 + count * width
    return target, strings.get("workdir")


class Session:
    def __init__(self, args, scratch):
        self.args, self.scratch = args, scratch
        # Wine links the Desktop to $HOME/Desktop; as on Windows, it holds a
        # desktop.ini, so an uninstall never finds it empty and removes it.
        os.environ["HOME"] = os.path.join(scratch, "home")
        os.makedirs(os.path.join(scratch, "home", "Desktop"))
        open(os.path.join(scratch, "home", "Desktop", "desktop.ini"), "w").close()
        self.wine = Wine(scratch)
        self.prefix = self.wine.start()
        self.wine.env["WINEDLLOVERRIDES"] += ";winemenubuilder.exe=d"
        self.log = os.path.join(scratch, "wine.log")
        users = os.path.join(self.prefix, "drive_c", "users")
        self.user = next(u for u in os.listdir(users) if u != "Public")
        self.profile = os.path.join(users, self.user)
        # The launcher under test, where veltrane-pack looks first.
        self.assets = os.path.join(scratch, "assets")
        os.makedirs(self.assets)
        shutil.copyfile(args.launcher, os.path.join(self.assets, "veltrane.exe"))
        shutil.copyfile(os.path.join(os.path.dirname(args.launcher), "veltrane-console.exe"),
                        os.path.join(self.assets, "veltrane-console.exe"))

    def wine_run(self, *command):
        return self.wine.run(self.log, *command)

    def registry(self, key, types=False):
        """The values under key as {name: data} ({name: (type, data)} with
        types), or None when the key is missing."""
        out = os.path.join(self.scratch, "reg.txt")
        if self.wine.capture(out, self.log, self.scratch, "reg", "query", key) != 0:
            return None
        values = {}
        with open(out, encoding="utf-8", errors="replace") as text:
            for line in text:
                parts = line.strip().split("    ")
                if len(parts) == 3:
                    values[parts[0]] = (parts[1], parts[2]) if types else parts[2]
        return values

    def node(self, *arguments):
        result = subprocess.run(["node", *arguments], cwd=REPOSITORY, capture_output=True,
                                text=True, env=dict(os.environ, SOFTHSM2_CONF=self.softhsm,
                                                    VELTRANE_ASSETS=self.assets))
        if result.returncode != 0:
            raise SystemExit("node %s failed: %s" % (arguments[0], result.stderr))
        return result.stdout

    def make_keys(self):
        folder = os.path.join(self.scratch, "keys")
        os.makedirs(folder)
        self.softhsm = ""
        keys = json.loads(self.node("--input-type=module", "-e",
                                    "import { makeSigningKeys } from './tests/tools/signing-keys.mjs';"
                                    "console.log(JSON.stringify(makeSigningKeys(%r)))" % folder))
        self.cert, self.softhsm = keys["cert"], keys["softhsmConf"]
        return keys

    def pack(self, version, jars, modes=("draw.mode",), **keys):
        """Packs the app with veltrane-pack --msi; returns the MSI and its codes.

        The app: a jar with a Main-Class, more jars, a runtime whose javaw.exe
        and java.exe are the probe, an icon for its documents, and its own
        files: modes/, keymaps/ and README.txt.
        """
        root = os.path.join(self.scratch, "app-" + version)
        os.makedirs(os.path.join(root, "jre", "bin"))
        for vm in ("javaw.exe", "java.exe"):
            shutil.copyfile(os.path.join(self.args.helpers, "probe.exe"),
                            os.path.join(root, "jre", "bin", vm))
        os.makedirs(os.path.join(root, "modes"))
        os.makedirs(os.path.join(root, "keys"))
        for mode in modes:
            open(os.path.join(root, "modes", mode), "w").close()
        for own in ("keys/default.keys", "README.txt"):
            open(os.path.join(root, own), "w").close()
        with open(os.path.join(root, "jre", "release"), "w") as release:
            release.write('JAVA_VERSION="21.0.2"\n')
        with zipfile.ZipFile(os.path.join(root, "app.jar"), "w") as jar:
            jar.writestr("META-INF/MANIFEST.MF",
                         "Manifest-Version: 1.0\r\nMain-Class: com.acme.draw.Main\r\n\r\n")
            jar.writestr(class_entry("com.acme.draw.Main"), main_class_file("com.acme.draw.Main"))
        os.makedirs(os.path.join(root, "extra"))
        for name in jars:
            with zipfile.ZipFile(os.path.join(root, "extra", name), "w") as jar:
                jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n\r\n")
        shutil.copyfile(os.path.join(REPOSITORY, "res", "veltrane.ico"), os.path.join(root, "doc.ico"))
        pack = dict({"name": NAME, "vendor": "Acme", "version": version, "mainJar": "app.jar",
                     "jars": ["extra"], "runtime": "jre", "shortcuts": {"desktop": True},
                     "icon": os.path.join(REPOSITORY, "res", "veltrane.ico"),
                     "fileAssociations": [{"extension": "acd", "description": "Acme Draw document",
                                           "icon": "doc.ico"}],
                     "launchers": [{"exeName": EXE}, {"exeName": "acme", "console": True, "path": True}],
                     "content": ["modes", {"from": "keys", "to": "keymaps"}, "README.txt"]}, **keys)
        with open(os.path.join(root, "pack.json"), "w") as out:
            json.dump(pack, out)
        said = self.node("tools/bin/veltrane-pack.js", os.path.join(root, "pack.json"),
                         "--out", os.path.join(root, "dist"), "--msi")
        upgrade = re.search(r"upgrade code \{([0-9A-F-]{36})\}", said).group(1)
        scope = pack.get("installScope", "user")
        product = str(uuid.uuid5(uuid.UUID(upgrade), "product\n%s\n%s" % (scope, version))).upper()
        return (os.path.join(root, "dist", "%s-%s-win64.msi" % (EXE, version)),
                {"upgradeCode": upgrade, "productCode": product, "version": version})

    def installed_files(self, folder):
        found = set()
        for base, _, files in os.walk(folder):
            found.update(os.path.relpath(os.path.join(base, f), folder) for f in files)
        return found

    def uninstall_entry(self, product_code):
        for hive in ("HKCU", "HKLM"):  # Wine's installer runs elevated: HKLM
            values = self.registry(hive + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\{"
                                   + product_code + "}")
            if values is not None:
                return values
        return None


def verifies(session, file):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", session.cert, "-in", file],
                          capture_output=True).returncode == 0


def path_entries(s, key, folder):
    """How many entries of PATH under key name folder, and the whole value."""
    # Both environment keys always hold values; an empty answer is a reg start
    # that Wine now and then fails, so it is asked once more.
    value = (s.registry(key) or s.registry(key) or {}).get("PATH", "")
    return [part.rstrip("\\").lower() for part in value.split(";")].count(folder.lower()), value


def shortcut_ids(msi):
    """{shortcut: AppUserModelID} from the MSI's MsiShortcutProperty table."""
    rows = subprocess.run(["msiinfo", "export", msi, "MsiShortcutProperty"], capture_output=True,
                          text=True).stdout.splitlines()[3:]
    return {row.split("\t")[1]: row.split("\t")[3] for row in rows
            if row.split("\t")[2] == "System.AppUserModel.ID"}


def per_user_install(s, msi, codes, jars, modes):
    verdict(shortcut_ids(msi) == {"StartMenuShortcut": APP_ID, "DesktopShortcut": APP_ID},
          "both shortcuts carry System.AppUserModel.ID " + APP_ID, shortcut_ids(msi))
    verdict(s.wine_run("msiexec", "/i", windows_path(msi), "/qn") == 0, "msiexec /i %s /qn" %
          os.path.basename(msi))
    folder = os.path.join(s.profile, "AppData", "Local", "Programs", NAME)
    wanted = {EXE + ".exe", EXE + ".config", "acme.exe", "acme.config", "doc.ico", "runtime/bin/javaw.exe",
              "runtime/bin/java.exe", "runtime/release", "lib/app.jar"} | {"lib/" + jar for jar in jars} | \
        {"modes/" + mode for mode in modes} | {"keymaps/default.keys", "README.txt"}
    verdict(s.installed_files(folder) == wanted, "the files are in AppData\\Local\\Programs\\" + NAME,
          sorted(s.installed_files(folder)))
    verdict(verifies(s, os.path.join(folder, EXE + ".exe")), "osslsigncode verify: the installed exe")
    win_folder = "C:\\users\\%s\\AppData\\Local\\Programs\\%s" % (s.user, NAME)
    for place in ("AppData/Roaming/Microsoft/Windows/Start Menu/Programs", "Desktop"):
        link = os.path.join(s.profile, place, NAME + ".lnk")
        target, workdir = shell_link(link) if os.path.exists(link) else (None, None)
        verdict((target, (workdir or "").rstrip("\\")) == (win_folder + "\\" + EXE + ".exe", win_folder),
              "the shortcut in %s starts the exe in the install folder" % place, (target, workdir))
    command = s.registry(r"HKCU\Software\Classes\AcmeDraw.8B91E5C7.acd\shell\open\command")
    verdict(command == {"(Default)": '"%s\\%s.exe" "%%1"' % (win_folder, EXE)},
          "HKCU\\Software\\Classes\\AcmeDraw.8B91E5C7.acd\\shell\\open\\command", command)
    entry = s.uninstall_entry(codes["productCode"]) or {}
    shown = {k: entry.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher")}
    verdict(shown == {"DisplayName": NAME, "DisplayVersion": codes["version"], "Publisher": "Acme"},
          "the uninstall entry shows name, version and vendor", shown)
    count, value = path_entries(s, USER_PATH, win_folder)
    verdict(count == 1, "HKCU\\Environment PATH holds the install folder once", value)
    return folder


def has_app_mode(launcher):
    with open(launcher, "rb") as data:
        if b"EXEDIR" in data.read():
            return True
    print("skip the document start: this launcher has no app mode yet")
    return False


def open_document(s, folder, key, through_start):
    """Opens plan.acd as the shell does and checks what the VM received.

    Wine 8's HKEY_CLASSES_ROOT holds only HKLM\\Software\\Classes (Windows
    merges HKCU\\Software\\Classes into it), so for a per-user install the
    test does the shell's part: the open command with %1 replaced by the
    document, started by the e2e starter from the document's folder.
    """
    documents = os.path.join(s.scratch, "My Drawings")
    os.makedirs(documents, exist_ok=True)
    document = os.path.join(documents, "plan.acd")
    open(document, "w").close()
    if through_start:
        status = s.wine_run("start", "/wait", windows_path(document))
    else:
        command = s.registry(key)["(Default)"].replace("%1", windows_path(document))
        job = os.path.join(s.scratch, "job")
        with open(job, "wb") as out:
            out.write(("\0".join([command.split('"')[1], command, windows_path(documents)])
                       + "\0").encode("cp1252"))
        status = s.wine_run(os.path.join(s.args.helpers, "starter.exe"), windows_path(job))
    record_file = os.path.join(folder, "runtime", "bin", "javaw.record")
    record = b""
    if os.path.exists(record_file):
        with open(record_file, "rb") as data:
            record = data.read().split(b"\0")[0]
        os.remove(record_file)  # the user's own file: msiexec /x would leave it
    verdict(status == 0 and record.endswith(b' "' + windows_path(document).encode() + b'"'),
          "%s plan.acd: the VM gets the document as its last argument" %
          ("start" if through_start else "the open command of"), (status, record))


def nothing_left(s, codes, folder, links):
    verdict(not os.path.exists(folder), "msiexec /x: no install folder", folder)
    for link in links:
        verdict(not os.path.exists(link), "msiexec /x: no " + os.path.basename(os.path.dirname(link))
              + " shortcut")
    for key in OWN_KEYS + [r"HKLM\Software\Acme", r"HKLM\Software\Classes\AcmeDraw.8B91E5C7.acd"]:
        verdict(s.registry(key) is None, "msiexec /x: no key " + key)
    verdict(s.uninstall_entry(codes["productCode"]) is None, "msiexec /x: no uninstall entry")


def per_user(s):
    keys = s.make_keys()
    # The user's own PATH, kept as it was, type and all, by install and uninstall.
    s.wine_run("reg", "add", USER_PATH, "/v", "PATH", "/t", "REG_EXPAND_SZ", "/d",
               r"C:\Tools;%USERPROFILE%\bin", "/f")
    path_before = s.registry(USER_PATH, types=True)["PATH"]
    old_msi, old_codes = s.pack("1.0.0", ["old-1.0.jar"], ("draw.mode", "old.mode"),
                                sign={"pkcs12": keys["pfx"], "passwordEnv": "PFX_PASS"})
    verdict(verifies(s, old_msi), "osslsigncode verify: the MSI signed with a PKCS#12 file")
    folder = per_user_install(s, old_msi, old_codes, ["old-1.0.jar"], ("draw.mode", "old.mode"))
    if has_app_mode(s.args.launcher):
        open_document(s, folder, r"HKCU\Software\Classes\AcmeDraw.8B91E5C7.acd\shell\open\command", False)
    new_msi, new_codes = s.pack("1.1.0", ["new-1.1.jar"], sign={
        "pkcs11Module": "/usr/lib/softhsm/libsofthsm2.so", "keyId": "01", "pinEnv": "TOKEN_PIN",
        "certificate": keys["cert"]})
    verdict(verifies(s, new_msi), "osslsigncode verify: the MSI signed on a SoftHSM token")
    verdict(new_codes["upgradeCode"] == old_codes["upgradeCode"], "1.1.0 keeps the upgrade code")
    per_user_install(s, new_msi, new_codes, ["new-1.1.jar"], ("draw.mode",))
    verdict(s.uninstall_entry(old_codes["productCode"]) is None, "1.1.0 over 1.0.0: one version left")
    verdict(s.wine_run("msiexec", "/x", windows_path(new_msi), "/qn") == 0, "msiexec /x /qn")
    links = [os.path.join(s.profile, p, NAME + ".lnk") for p in
             ("AppData/Roaming/Microsoft/Windows/Start Menu/Programs", "Desktop")]
    nothing_left(s, new_codes, folder, links)
    path_after = s.registry(USER_PATH, types=True)["PATH"]
    # Wine's installer leaves the ";" before the part it removes: an empty
    # entry, which a search along PATH skips. The entries must be the same.
    entries = [(kind, [part for part in value.split(";") if part])
               for kind, value in (path_before, path_after)]
    verdict(entries[0] == entries[1], "msiexec /x: the user's PATH as it was, REG_EXPAND_SZ and all",
          path_after)
    if path_after != path_before:
        print("note: Wine left empty entries in PATH: %r, before %r" % (path_after[1], path_before[1]))


def per_machine(s):
    msi, codes = s.pack("2.0.0", [], installScope="machine")
    verdict(s.wine_run("msiexec", "/i", windows_path(msi), "/qn") == 0, "msiexec /i (per machine)")
    folder = os.path.join(s.prefix, "drive_c", "Program Files", NAME)
    verdict(os.path.exists(os.path.join(folder, EXE + ".exe")), "per machine: in Program Files\\" + NAME)
    command = s.registry(r"HKLM\Software\Classes\AcmeDraw.8B91E5C7.acd\shell\open\command")
    verdict(command is not None, "per machine: HKLM\\Software\\Classes\\AcmeDraw.8B91E5C7.acd\\shell\\open\\command")
    win_folder = "C:\\Program Files\\" + NAME
    count, value = path_entries(s, MACHINE_PATH, win_folder)
    verdict(count == 1, "per machine: the machine's PATH holds the folder once", value)
    if has_app_mode(s.args.launcher):
        open_document(s, folder, None, True)
    verdict(s.wine_run("msiexec", "/x", windows_path(msi), "/qn") == 0, "msiexec /x (per machine)")
    links = [os.path.join(s.prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu",
                          "Programs", NAME + ".lnk")]
    nothing_left(s, codes, folder, links)
    verdict(path_entries(s, MACHINE_PATH, win_folder)[0] == 0,
          "msiexec /x: the folder is off the machine's PATH")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--helpers", required=True, help="the e2e programs: probe.exe, starter.exe")
    parser.add_argument("--work")
    args = parser.parse_args()
    args.launcher, args.helpers = os.path.abspath(args.launcher), os.path.abspath(args.helpers)
    scratch = args.work or tempfile.mkdtemp(prefix="msi-wine-")
    os.makedirs(scratch, exist_ok=True)
    os.environ.update(PFX_PASS="throw-away", TOKEN_PIN="1234")
    session = Session(args, scratch)
    try:
        per_user(session)
        per_machine(session)
    finally:
        session.wine.stop()
        if not args.work:
            shutil.rmtree(scratch, ignore_errors=True)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
