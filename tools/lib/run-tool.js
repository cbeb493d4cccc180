// Running a JDK tool (jlink, jdeps) as a child process that a Ctrl-C stops
// with us: resolves with its status and output, never throws for a status.
import { spawn } from "node:child_process";

import { stopOnInterrupt } from "./interrupt.js";

export function runTool(program, args) {
  return new Promise((resolve, reject) => {
    const child = stopOnInterrupt(spawn(program, args, { stdio: ["ignore", "pipe", "pipe"] }));
    let output = "";
    child.stdout.on("data", (chunk) => { output += chunk; });
    child.stderr.on("data", (chunk) => { output += chunk; });
    child.on("error", reject);
    child.on("close", (status, signal) => resolve({ status, signal, output }));
  });
}

// The line of a tool's output that says what went wrong: its first "Error:"
// line without the prefix, else its first line.
export function toolComplaint(output) {
  const lines = output.split(/\r?\n/).map((line) => line.trim()).filter(Boolean);
  const error = lines.find((line) => /^Error:/i.test(line));
  if (error) return error.replace(/^Error:\s*/i, "").slice(0, 300);
  // A Java stack trace's first line: the innermost message is its point.
  const line = lines[0] || "no output";
  return (/^Exception in thread/.test(line) ? line.replace(/^.*\b[\w.]+(Exception|Error): /, "") : line).slice(0, 300);
}
