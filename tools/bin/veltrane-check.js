#!/usr/bin/env node
// veltrane-check [OPTIONS] TARGET
//
// The configuration checker this package carries for Linux x64, run with the
// same arguments, output and exit status. Elsewhere, one line says where the
// checker for that system is.
import { spawnSync } from "node:child_process";

import { assetPath } from "../lib/assets.js";
import { runCommand } from "../lib/errors.js";

const UNAVAILABLE = 69;

async function main(argv) {
  if (process.platform !== "linux" || process.arch !== "x64") {
    console.error("veltrane-check: this package's checker runs on Linux x64; use veltrane-check.exe " +
      "from the release zip (beside veltrane.exe), on Windows or under Wine");
    return UNAVAILABLE;
  }
  const result = spawnSync(assetPath("veltrane-check"), argv, { stdio: "inherit" });
  if (result.error) throw result.error;
  // Ended by a signal: end the same way, as a shell expects of the checker itself.
  if (result.signal) process.kill(process.pid, result.signal);
  return result.status;
}

await runCommand("veltrane-check", main, 2);
