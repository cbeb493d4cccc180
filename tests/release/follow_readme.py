#!/usr/bin/python3
"""Follows the manual's literal steps as a new user would.

The manual is the release zip's own: its README.txt and docs/*.md. The
steps are the sections FOLLOWED names, in that order: every `sh` code block
of each is run (and every block whose info string names a file,
```json pack.json, is written to that file). They run one by one, each in a
bash of its own that starts where the last one ended (its variables and
current folder), in an empty folder that holds
only the release zip and the user's jar, with npm's global folder in the
scratch folder and npm offline with an empty cache (the tools' package must
need nothing from the network). A command passes with exit status 0; the
checker also with 1, warnings only, as the README says.

The user's inputs are made up: the jar (and the runtime or the Windows JDK's
zip, the probe as their javaw.exe) that a pack file of the steps names, or
else tool.jar. veltrane-pack's cache is in the scratch folder.

Usage: follow_readme.py RELEASE_ZIP PROBE_EXE
"""

import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import zipfile

# (page, heading): the sections whose steps a user follows literally.
FOLLOWED = [
    ("README.txt", "## Ship your app"),
    ("docs/configuration.md", "## An app folder by hand"),
    ("docs/signing.md", "## Try it with a throw-away certificate"),
    ("docs/signing.md", "## Try token signing with SoftHSM"),
    ("docs/installer.md", "## Trying the app and the MSI under Wine on Linux"),
]


def section(text, heading):
    """The text from the heading line to the next heading of its level."""
    start = text.index("\n" + heading) + 1
    end = text.find("\n## ", start + len(heading))
    return text[start:end if end >= 0 else len(text)]


def blocks(text):
    """The fenced blocks of text: (info string, lines without the fence's indent)."""
    found = []
    for match in re.finditer(r"^( *)```(\w[^\n]*)\n(.*?)^\1```$", text, re.M | re.S):
        indent = len(match.group(1))
        found.append((match.group(2).split(), [line[indent:] for line in match.group(3).splitlines()]))
    return found


def steps_of(text):
    """What a reader does: ("run", command) for each command of an `sh` block,
    ("write", file, text) for a block whose info string names a file
    (```json pack.json)."""
    steps = []
    for info, lines in blocks(text):
        if info == ["sh"]:
            steps += [("run", command) for command in commands(lines)]
        elif len(info) == 2:
            steps.append(("write", info[1], "\n".join(lines) + "\n"))
    return steps


def commands(lines):
    """Shell commands: comments dropped, continuation lines and here-documents joined."""
    result, current, here_end = [], [], None
    for line in lines:
        if here_end is None and not current and (not line.strip() or line.startswith("#")):
            continue
        current.append(line)
        if here_end is not None:
            if line == here_end:
                here_end = None
            else:
                continue
        else:
            opened = re.search(r"<<-?'?(\w+)'?", line)
            if opened:
                here_end = opened.group(1)
                continue
            if line.endswith("\\"):
                continue
        result.append("\n".join(current))
        current = []
    return result


def jar(path, main_class):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("META-INF/MANIFEST.MF",
                         "Manifest-Version: 1.0\r\nMain-Class: %s\r\n\r\n" % main_class)


def windows_jdk(probe):
    """The synthetic Windows JDK zip that tests/support/windows-jdk.sh makes."""
    repository = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    return subprocess.run([os.path.join(repository, "tests", "support", "windows-jdk.sh"), probe],
                          check=True, capture_output=True, text=True).stdout.strip()


def user_inputs(folder, steps, probe):
    """What the user brings: the jar and the runtime or JDK zip a pack file
    names (the probe as their javaw.exe), and tool.jar for the steps by hand."""
    packs = [json.loads(step[2]) for step in steps if step[0] == "write" and step[1].endswith("pack.json")]
    for pack in packs:
        jar(os.path.join(folder, pack["mainJar"]), "com.example.Main")
        if isinstance(pack.get("runtime"), dict):
            target = os.path.join(folder, pack["runtime"]["jdk"])
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(windows_jdk(probe), target)
        elif "runtime" in pack:
            runtime = os.path.join(folder, pack["runtime"])
            os.makedirs(os.path.join(runtime, "bin"), exist_ok=True)
            shutil.copyfile(probe, os.path.join(runtime, "bin", "javaw.exe"))
            shutil.copyfile(probe, os.path.join(runtime, "bin", "java.exe"))
            with open(os.path.join(runtime, "release"), "w") as release:
                release.write('JAVA_VERSION="21.0.4"\n')
    jar(os.path.join(folder, "tool.jar"), "com.example.tool.Main")


def app_zips(folder, release_zip):
    """The app zips the steps made: every *-win64.zip but the release."""
    return [os.path.join(top, name) for top, _, names in os.walk(folder) for name in names
            if name.endswith("-win64.zip") and name != os.path.basename(release_zip)]


class Session:
    """A user's shell: each command runs in a bash of its own, shown and
    checked alone, but the variables one sets and where it cds carry over to
    the next, as in one terminal (the state lies in a file outside the
    folder; every variable is exported, so that it is kept)."""

    def __init__(self, folder, env, state):
        self.env, self.state, self.cwd = env, state, state + ".cwd"
        with open(self.state, "w") as out:
            out.write("cd -- %s\n" % shlex.quote(folder))
        with open(self.cwd, "w") as out:
            out.write(folder)

    def run(self, step):
        """Runs or writes one step; returns (passed, what it was, its output)."""
        with open(self.cwd) as data:
            here = data.read()
        if step[0] == "write":
            with open(os.path.join(here, step[1]), "w") as out:
                out.write(step[2])
            return True, "wrote " + step[1], ""
        command = step[1]
        script = "set -a\n. %s\n%s\n{ export -p; printf 'cd -- %%q\\n' \"$PWD\"; } >%s\nprintf %%s \"$PWD\" >%s\n" % (
            shlex.quote(self.state), command, shlex.quote(self.state), shlex.quote(self.cwd))
        result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", script], cwd=here, env=self.env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True)
        allowed = (0, 1) if "veltrane-check" in command else (0,)
        shown = command.splitlines()[0] + (" ..." if "\n" in command else "")
        return result.returncode in allowed, "%s (exit status %d)" % (shown, result.returncode), \
            result.stdout + result.stderr

    def run_all(self, steps):
        """Runs the steps in order, each shown; stops at the first that fails."""
        for step in steps:
            passed, what, output = self.run(step)
            print("%s %s" % ("ok  " if passed else "FAIL", what), flush=True)
            if not passed:
                print(output)
                return False
        return True


def followed_steps(release_zip):
    """The steps of each FOLLOWED section; a section missing or without
    steps is told and gives None."""
    steps = []
    with zipfile.ZipFile(release_zip) as release:
        for page, heading in FOLLOWED:
            text = release.read(page).decode("utf-8")
            if "\n" + heading not in text or not steps_of(section(text, heading)):
                print("FAIL %s has no section %r with steps to follow" % (page, heading))
                return None
            steps += steps_of(section(text, heading))
    return steps


def vm_records(folder):
    """What the probe, as each VM started under Wine, was given: the command
    lines it recorded (its javaw.record files, the app folder's and the
    installed app's)."""
    found = []
    for top, _, names in os.walk(folder):
        if "javaw.record" in names:
            with open(os.path.join(top, "javaw.record"), "rb") as data:
                found.append(data.read().split(b"\0")[0].decode("cp1252"))
    return found


def stop_wine(folder, env):
    """Ends the Wine server of a prefix the steps made, so that its folder can go."""
    prefix = os.path.join(folder, "wine")
    if os.path.isdir(prefix) and os.access("/usr/lib/wine/wineserver", os.X_OK):
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=dict(env, WINEPREFIX=prefix),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    release_zip, probe = (os.path.abspath(a) for a in sys.argv[1:3])
    steps = followed_steps(release_zip)
    if steps is None:
        return 1
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "user")
        os.makedirs(folder)
        os.symlink(release_zip, os.path.join(folder, os.path.basename(release_zip)))
        user_inputs(folder, steps, probe)
        prefix = os.path.join(scratch, "npm-global")
        env = dict(os.environ, npm_config_prefix=prefix, npm_config_offline="true",
                   npm_config_cache=os.path.join(scratch, "npm-cache"), npm_config_audit="false",
                   npm_config_fund="false", VELTRANE_CACHE=os.path.join(scratch, "veltrane-cache"),
                   PATH=os.path.join(prefix, "bin") + ":" + os.environ["PATH"])
        passed = Session(folder, env, os.path.join(scratch, "shell-state")).run_all(steps)
        stop_wine(folder, env)
        if not passed:
            return 1
        records = vm_records(folder)
        if len(records) != 2 or not all(r.endswith('letter one.acd"') for r in records):
            print("FAIL under Wine, the app folder's and the installed app's VM should each get "
                  "the document: they got %r" % records)
            return 1
        users = os.path.join(folder, "wine", "drive_c", "users")
        left = [top for top, _, names in os.walk(users) if "AcmeDraw.exe" in names]
        if left:
            print("FAIL msiexec /x left the app's exe in %s" % left)
            return 1
        print("ok   under Wine, the app folder's and the installed app's VM each got the document; "
              "msiexec /x removed the app")
        made = app_zips(folder, release_zip)
        for app_zip in made:
            names = zipfile.ZipFile(app_zip).namelist()
            shown = "%s holds %s" % (os.path.relpath(app_zip, folder), ", ".join(sorted(names)))
            if not any(n.endswith(".exe") for n in names) or not any(n.endswith(".config") for n in names):
                print("FAIL %s: no exe and config" % shown)
                return 1
            print("ok   " + shown)
        if not made:
            print("FAIL the steps made no app zip")
            return 1
    print("ok   the manual's steps, followed literally, give app zips and a signature that verifies")
    return 0


if __name__ == "__main__":
    sys.exit(main())
