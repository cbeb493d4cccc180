"""The Wine harness: one Xvfb display, one Wine prefix, one persistent
wineserver, and Windows programs run in them."""

import os
import resource
import shutil
import subprocess


class SetupError(Exception):
    pass


class Wine:
    """One Xvfb display, one Wine prefix and one persistent wineserver."""

    def __init__(self, work):
        self.work = work
        self.loader = self._tool("wine64", "/usr/lib/wine/wine64")
        self.server = self._tool("wineserver", "/usr/lib/wine/wineserver")
        self.xvfb = shutil.which("Xvfb")
        if not self.loader or not self.server:
            raise SetupError("Wine not found (wine64, wineserver): run scripts/install-deps.sh")
        if not self.xvfb:
            raise SetupError("Xvfb not found: run scripts/install-deps.sh")

    @staticmethod
    def _tool(name, usual_place):
        return usual_place if os.access(usual_place, os.X_OK) else shutil.which(name)

    def start(self):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "wb")
        # Xvfb picks a free display and writes its number to the pipe.
        self.xvfb_process = subprocess.Popen(
            [self.xvfb, "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"], pass_fds=[write_end], stdout=log, stderr=log)
        os.close(write_end)
        # Read the whole line: Xvfb gives up if the pipe closes before it is done.
        with os.fdopen(read_end) as pipe:
            display = pipe.readline().strip()
        if not display:
            raise SetupError("Xvfb did not start: see " + log.name)
        self.display = ":" + display
        prefix = os.path.join(self.work, "prefix")
        os.makedirs(prefix, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", DISPLAY=self.display,
                        LC_ALL="C.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.run_server("-p")
        # Wine draws the box's own frame and closes it at once when dismissed.
        for key in ("Managed", "Decorated"):
            self.run(os.path.join(self.work, "reg.log"), "reg", "add",
                     r"HKCU\Software\Wine\X11 Driver", "/v", key, "/t", "REG_SZ", "/d", "N", "/f")
        return prefix

    def run_server(self, option):
        subprocess.run([self.server, option], env=self.env, check=True)

    def spawn(self, log, *command, memory_cap=None):
        """Starts a Windows program; memory_cap limits the memory it (and every
        process it starts) may commit, in bytes."""
        # Wine reserves its address space up front, so a cap on the address
        # space stops Wine itself, not the heap; the data limit counts what a
        # process commits, as a Windows commit limit would.
        def cap():
            resource.setrlimit(resource.RLIMIT_DATA, (memory_cap, memory_cap))
        # Wine's background services inherit our handles: output goes to a file,
        # never to a pipe we read.
        with open(log, "ab") as out:
            return subprocess.Popen([self.loader, *command], env=self.env, stdout=out,
                                    stderr=out, stdin=subprocess.DEVNULL,
                                    preexec_fn=cap if memory_cap else None)

    def run(self, log, *command):
        return self.spawn(log, *command).wait()

    def capture(self, out, log, cwd, *command):
        """Runs a console program; its output goes to the file out."""
        with open(out, "wb") as output, open(log, "ab") as errors:
            return subprocess.run([self.loader, *command], env=self.env, stdout=output,
                                  stderr=errors, stdin=subprocess.DEVNULL, cwd=cwd).returncode

    def stop(self):
        """Ends whatever start() got going."""
        if hasattr(self, "env"):
            subprocess.run([self.server, "-k"], env=self.env)
        if hasattr(self, "xvfb_process"):
            self.xvfb_process.terminate()
            self.xvfb_process.wait()
