#!/usr/bin/python3
"""Follows the README's "Ship your app" steps as a new user would.

The commands are the README's own: every `sh` code block of that section,
then the signing section's block that tries the flow with a throw-away
certificate. They run one by one with bash, in an empty folder that holds
only the release zip and the user's jar, with npm's global folder in the
scratch folder and npm offline with an empty cache (the tools' package must
need nothing from the network). A command passes with exit status 0; the
checker also with 1, warnings only, as the README says.

Usage: follow_readme.py README.md RELEASE_ZIP
"""

import os
import re
import subprocess
import sys
import tempfile
import zipfile

SHIP_SECTION = "## Ship your app"
SIGNING_SECTION = "## Signing the launcher"
SIGNING_TRIAL = "# To try it:"


def section(text, heading):
    """The text from the heading line to the next heading of its level."""
    start = text.index("\n" + heading) + 1
    end = text.find("\n## ", start + len(heading))
    return text[start:end if end >= 0 else len(text)]


def sh_blocks(text):
    """The `sh` fenced blocks of text, each a list of lines without the fence's indent."""
    blocks = []
    for match in re.finditer(r"^( *)```sh\n(.*?)^\1```$", text, re.M | re.S):
        indent = len(match.group(1))
        blocks.append([line[indent:] for line in match.group(2).splitlines()])
    return blocks


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


def user_jar(path):
    """The user's jar: a manifest naming the main class the README's config names."""
    with zipfile.ZipFile(path, "w") as jar:
        jar.writestr("META-INF/MANIFEST.MF",
                     "Manifest-Version: 1.0\r\nMain-Class: com.example.tool.Main\r\n\r\n")


def main():
    readme, release_zip = (os.path.abspath(a) for a in sys.argv[1:3])
    with open(readme, encoding="utf-8") as data:
        text = data.read()
    steps = [c for block in sh_blocks(section(text, SHIP_SECTION)) for c in commands(block)]
    trial = [b for b in sh_blocks(section(text, SIGNING_SECTION)) if b[0].startswith(SIGNING_TRIAL)]
    if not steps or len(trial) != 1:
        print("FAIL the README has no steps to follow, or not one signing trial block")
        return 1
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "user")
        os.makedirs(folder)
        os.symlink(release_zip, os.path.join(folder, os.path.basename(release_zip)))
        user_jar(os.path.join(folder, "tool.jar"))
        prefix = os.path.join(scratch, "npm-global")
        env = dict(os.environ, npm_config_prefix=prefix, npm_config_offline="true",
                   npm_config_cache=os.path.join(scratch, "npm-cache"), npm_config_audit="false",
                   npm_config_fund="false", PATH=os.path.join(prefix, "bin") + ":" + os.environ["PATH"])
        for command in steps + commands(trial[0]):
            result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", command], cwd=folder,
                                    env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                    text=True)
            allowed = (0, 1) if "veltrane-check" in command else (0,)
            shown = command.splitlines()[0] + (" ..." if "\n" in command else "")
            if result.returncode not in allowed:
                print("FAIL %s: exit status %d\n%s%s" % (shown, result.returncode, result.stdout,
                                                        result.stderr))
                return 1
            print("ok   %s" % shown, flush=True)
        with zipfile.ZipFile(os.path.join(folder, "tool-1.0.0-win64.zip")) as app:
            names = sorted(app.namelist())
        if not {"tool.exe", "tool.config", "lib/tool.jar"} <= set(names):
            print("FAIL the app zip holds %s" % names)
            return 1
    print("ok   the README's steps, followed literally, give an app zip and a signature that verifies")
    return 0


if __name__ == "__main__":
    sys.exit(main())
