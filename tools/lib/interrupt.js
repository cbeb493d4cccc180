// Ctrl-C and kill during a pack: the temporary files go, then the process
// ends as the signal would have ended it. A handler runs only between the
// synchronous steps of a pack, at an await of signalsHandled().
const SIGNALS = { SIGHUP: 1, SIGINT: 2, SIGTERM: 15 };

// Runs cleanup on a signal and exits; returns the function that stops it.
export function onInterrupt(cleanup) {
  const handlers = Object.entries(SIGNALS).map(([signal, number]) => {
    const handler = () => {
      cleanup();
      process.exit(128 + number);
    };
    process.on(signal, handler);
    return [signal, handler];
  });
  return () => handlers.forEach(([signal, handler]) => process.off(signal, handler));
}

// Lets a signal that came during a synchronous step be handled now.
export function signalsHandled() {
  return new Promise((resolve) => setImmediate(resolve));
}
