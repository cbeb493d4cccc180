"""What a case expects, and the texts it compares with."""

import re
import subprocess


def expect(condition, what, actual=None):
    if not condition:
        raise AssertionError(what + ("" if actual is None else ": got %r" % (actual,)))


def expect_equal(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s:\n  wanted %r\n  got    %r" % (what, wanted, actual))


def expect_shortened(shown, whole, what):
    """The shown text is the whole one with one run left out and counted."""
    mark = re.search(r"\.\.\.\[([0-9,]+) characters\]\.\.\.", shown)
    expect(mark is not None, what + " shortened", shown)
    head, tail = shown[:mark.start()], shown[mark.end():]
    omitted = len(whole) - len(head) - len(tail)
    expect(whole.startswith(head) and whole.endswith(tail), what + ": its start and end kept",
           shown)
    expect_equal(mark.group(1), "{:,}".format(omitted), what + ": characters left out")


def expect_shortened_in_characters(shown, whole, what):
    """The shown text is the whole one with runs of whole characters left out,
    each mark counting exactly the characters it stands for."""
    pieces = re.split(r"\.\.\.\[([0-9,]+) characters\]\.\.\.", shown)
    expect(len(pieces) > 1, what + " shortened", shown)
    expect("\ufffd" not in shown, what + ": no character cut in two", shown)
    position = 0
    for index, piece in enumerate(pieces):
        if index % 2 == 1:
            position += int(piece.replace(",", ""))
            continue
        expect_equal(whole[position:position + len(piece)], piece,
                     "%s: the text around mark %d" % (what, index // 2))
        position += len(piece)
    expect_equal(position, len(whole), what + ": characters counted up to its end")


def report_of(vm_line, config, command_line, error, name="Veltrane"):
    return ('Couldn\'t start %s using "%s".\nConfigfile: %s\ncommandline: %s\n'
            "Error Message: %s" % (name, vm_line, config, command_line, error))


def tool_output(tool, *arguments):
    return subprocess.run([tool, *arguments], check=True, capture_output=True,
                          text=True, errors="replace").stdout
