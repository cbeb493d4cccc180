#!/usr/bin/python3
"""Every file the release's manual names is in the release zip: its
README.txt, the front page, and its pages, docs/*.md.

Named are: a path under `veltrane/`, the folder the README unpacks the zip
into; a path into a checkout (scripts/, docs/, build/windows/, ...), which a
user of the zip does not have; and the release's own file names (veltrane*.exe,
veltrane*.tgz, veltrane-check, example.config, SHA256SUMS, ...).

Usage: readme_paths.py RELEASE_ZIP
"""

import re
import sys
import zipfile

# A checkout's folders; build/ and dist/ only as this project's build uses
# them, since a user's project has its own (build/jre, dist/Acme Draw/).
CHECKOUT = r"(?:(?:scripts|docs|tests|src|tools|res|cmake)/[\w./-]*\w" \
           r"|build/(?:host|windows|release)(?:/[\w./-]*\w)?|dist/veltrane[\w./-]*\w)"
RELEASE_NAMES = r"veltrane[\w.-]*\.(?:exe|tgz)|veltrane-check|example\.config|SHA256SUMS|LICENSE|" \
                r"THIRD-PARTY-NOTICES\.txt|README\.txt|windows-package\.yml"


def named_paths(text):
    """The zip paths the text names, each with the words that name it."""
    named = {}
    for match in re.finditer(r"(?:(?<=\./)|(?<![\w/~.-]))veltrane/([\w.-]+(?:/[\w.-]+)*)", text):
        named.setdefault(match.group(1).rstrip("."), match.group(0))
    for match in re.finditer(r"(?<![\w/~.\\-])" + CHECKOUT + r"(?![\w-])", text):
        named.setdefault(match.group(0), match.group(0))
    for match in re.finditer(r"(?<![\w./\\-])(%s)(?![\w-]|\.\w)" % RELEASE_NAMES, text):
        named.setdefault(match.group(1), match.group(0))
    return named


def main():
    with zipfile.ZipFile(sys.argv[1]) as release:
        files = set(release.namelist())
        pages = ["README.txt"] + sorted(n for n in files if re.fullmatch(r"docs/[\w-]+\.md", n))
        texts = {page: release.read(page).decode("utf-8") for page in pages}
    every = set()
    missing = []
    for page, text in texts.items():
        named = named_paths(text)
        every.update(named)
        missing += ["%s names %s" % (page, words) for path, words in sorted(named.items())
                    if path not in files]
    for what in missing:
        print("FAIL %s, which is not in the zip" % what)
    if not missing:
        print("ok   the %d files %s name are in the zip: %s" % (
            len(every), ", ".join(pages), ", ".join(sorted(every))))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
