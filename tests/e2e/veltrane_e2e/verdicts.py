"""Verdicts of the scripts that install or pack a whole app under Wine: one
line each, ok or FAIL, with the failures kept for the exit status."""

failures = []


def verdict(condition, what, actual=None):
    print("%s %s%s" % ("ok  " if condition else "FAIL", what,
                       "" if condition or actual is None else ": got %r" % (actual,)), flush=True)
    if not condition:
        failures.append(what)


def windows_path(linux_path):
    """The path Wine's drive Z: (the Linux root) gives a Linux path."""
    return "Z:" + linux_path.replace("/", "\\")
