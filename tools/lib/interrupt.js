// Ctrl-C and kill during a pack: the temporary files go (and the JDK tools
// it runs stop), then the process ends as the signal would have ended it.
// One handler per signal runs every cleanup registered, the latest first;
// while none is registered the signals keep their default. A handler runs
// only between the synchronous steps of a pack, at an await (of
// signalsHandled(), or of a child process or a download).
import fs from "node:fs";

const SIGNALS = { SIGHUP: 1, SIGINT: 2, SIGTERM: 15 };
const cleanups = new Set();
const handlers = Object.entries(SIGNALS).map(([signal, number]) => [signal, () => {
  for (const cleanup of [...cleanups].reverse()) {
    try {
      cleanup();
    } catch {
      // The others still run.
    }
  }
  process.exit(128 + number);
}]);

// Runs cleanup on a signal and exits; returns the function that stops it.
export function onInterrupt(cleanup) {
  const entry = () => cleanup();
  if (cleanups.size === 0) handlers.forEach(([signal, handler]) => process.on(signal, handler));
  cleanups.add(entry);
  return () => {
    if (cleanups.delete(entry) && cleanups.size === 0) {
      handlers.forEach(([signal, handler]) => process.off(signal, handler));
    }
  };
}

// Removes a temporary file or folder on a signal; returns the function that
// forgets it (once it is renamed into place or removed).
export function removeOnInterrupt(file) {
  return onInterrupt(() => fs.rmSync(file, { recursive: true, force: true }));
}

// Stops a running child process on a signal, until it exits: at once, so
// that it writes nothing more into what is removed next. (Ctrl-C at a
// terminal reaches the child too; a kill of this process alone does not.)
export function stopOnInterrupt(child) {
  child.once("exit", onInterrupt(() => child.kill("SIGKILL")));
  return child;
}

// Lets a signal that came during a synchronous step be handled now.
export function signalsHandled() {
  return new Promise((resolve) => setImmediate(resolve));
}
