// What a Ctrl-C (or a kill) must not leave behind: temporary files and
// folders are registered while they exist, child processes while they run;
// on SIGINT, SIGTERM or SIGHUP the children are stopped, the files removed,
// and the process ends with 128 + the signal's number, as a shell reports it.
import fs from "node:fs";
import os from "node:os";

const temporaries = new Set();
const children = new Set();
let installed = false;

async function stop(signal) {
  const ended = [...children].map((child) => new Promise((resolve) => {
    child.once("exit", resolve);
    child.kill("SIGTERM");
  }));
  // A child that ignores SIGTERM must not keep the files alive for long.
  await Promise.race([Promise.all(ended), new Promise((resolve) => setTimeout(resolve, 3000))]);
  for (const file of temporaries) fs.rmSync(file, { recursive: true, force: true });
  process.exit(128 + os.constants.signals[signal]);
}

function install() {
  if (installed) return;
  installed = true;
  for (const signal of ["SIGINT", "SIGTERM", "SIGHUP"]) process.once(signal, () => stop(signal));
}

// Registers a temporary path; returns the function that forgets it again
// (once it is renamed into place or removed).
export function removeOnInterrupt(file) {
  install();
  temporaries.add(file);
  return () => temporaries.delete(file);
}

// Registers a running child process until it exits.
export function stopOnInterrupt(child) {
  install();
  children.add(child);
  child.once("exit", () => children.delete(child));
  return child;
}
