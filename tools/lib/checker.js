// Running veltrane-check on a packed app's exe: the launcher's own reading
// of the configuration, on Linux x64 through the checker's Linux build.
import { spawnSync } from "node:child_process";
import path from "node:path";

import { assetPath } from "./assets.js";
import { ToolError } from "./errors.js";

// Whether this machine runs the checker's Linux build.
export function canCheckHere(platform = process.platform, arch = process.arch) {
  return platform === "linux" && arch === "x64";
}

// The checker's JSON report on exe, or a text that says why there is none.
function checkerReport(checker, exe) {
  const result = spawnSync(checker, ["--format", "json", path.basename(exe)],
    { cwd: path.dirname(exe), encoding: "utf8", maxBuffer: 64 << 20 });
  if (result.error) throw new ToolError(`cannot run ${checker}: ${result.error.code || result.error.message}`);
  try {
    return JSON.parse(result.stdout);
  } catch {
    throw new ToolError(`${checker} ended with status ${result.status} and no report: ` +
      `${(result.stderr || "").trim().split("\n")[0]}`);
  }
}

// Warnings that mean the launcher would not start what was packed: the
// configuration read only up to a Ctrl-Z, or read without its main class.
const FAILS_THE_PACK = ["after-end-of-file", "no-mainclass"];

// Checks the app folder's exe; returns its warnings and notes as lines, or
// a line that says the check was skipped. An error fails the pack; label
// goes before each line printed then.
export function checkApp(exe, checker, label = "") {
  const report = checkerReport(checker, exe);
  if (!("mode" in report)) {
    return { skipped: `${checker} predates app mode: check skipped (use a newer veltrane-check)` };
  }
  const lines = report.problems.map((p) => `${p.severity}: ${p.line ? `line ${p.line}: ` : ""}` +
    `${p.message} [${p.code}]`);
  const errors = report.problems.filter((p) => p.severity === "error" || FAILS_THE_PACK.includes(p.code));
  if (errors.length > 0) {
    for (const line of lines) console.error(`veltrane-pack: ${label}${line}`);
    throw new ToolError(`veltrane-check found ${errors.length} error(s) in the packed configuration`);
  }
  return { lines, summary: report.summary };
}

// Checks each exe of the app folder; with several, each line names its exe
// and the summary counts them all.
export function checkApps(exes, checker) {
  const label = (exe) => (exes.length > 1 ? `${path.basename(exe)}: ` : "");
  const checks = exes.map((exe) => checkApp(exe, checker, label(exe)));
  if (checks.length === 1 || checks[0].skipped) return checks[0];
  const summary = { errors: 0, warnings: 0, notes: 0 };
  checks.forEach((check) => Object.keys(summary).forEach((k) => { summary[k] += check.summary[k]; }));
  return { summary, lines: checks.flatMap((check, index) =>
    check.lines.map((line) => `${label(exes[index])}${line}`)) };
}

// The checker to run here, or null where its Linux build cannot run.
export function checkerForThisMachine() {
  return canCheckHere() ? assetPath("veltrane-check") : null;
}
