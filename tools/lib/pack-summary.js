// What a pack made, in a few lines: each output with its files and sizes,
// the VM's command line with the app folder's path left open, the check.
import fs from "node:fs";
import path from "node:path";

import { launchCommandLine } from "./app-config.js";
import { listFiles } from "./zip.js";

export function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} B`;
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / 1024 / 1024).toFixed(1)} MB`;
}

function treeSize(folder, files = listFiles(folder)) {
  return files.reduce((sum, file) => sum + fs.statSync(path.join(folder, file)).size, 0);
}

function folderLines(folder) {
  const lines = [];
  for (const name of fs.readdirSync(folder).sort()) {
    const item = path.join(folder, name);
    if (fs.statSync(item).isDirectory()) {
      const files = listFiles(item);
      lines.push(`    ${name}/  ${files.length} files, ${formatSize(treeSize(item, files))}`);
    } else {
      lines.push(`    ${name}  ${formatSize(fs.statSync(item).size)}`);
    }
  }
  return lines;
}

export function summaryLines(result, outDir) {
  const { plan, outputs, check } = result;
  const lines = [`Packed ${plan.pack.name} ${plan.pack.version.text} into ${outDir}:`];
  for (const output of outputs) {
    const target = path.join(outDir, output.name);
    const made = `made in ${output.seconds.toFixed(2)} s`;
    if (output.kind === "folder") {
      const files = listFiles(target);
      lines.push(`  ${output.name}/  ${files.length} files, ${formatSize(treeSize(target, files))}, ${made}`,
        ...folderLines(target));
    } else {
      lines.push(`  ${output.name}  ${formatSize(fs.statSync(target).size)}, ${made}`,
        ...(output.lines || []).map((line) => `    ${line}`));
    }
  }
  if (plan.jvm.javaVersion) lines.push(`Runtime: Java ${plan.jvm.javaVersion}`);
  lines.push(...(plan.runtimeLines || []).map((line) => `  ${line}`));
  if (plan.launchers.length === 1) {
    lines.push("Launch command line:", `  ${launchCommandLine(plan.launchers[0].plan, "<app folder>")}`);
  } else {
    lines.push("Launch command lines:", ...plan.launchers.map((launcher) =>
      `  ${launcher.exeName}.exe: ${launchCommandLine(launcher.plan, "<app folder>")}`));
  }
  if (check.skipped) lines.push(`Check: ${check.skipped}`);
  else {
    lines.push(`Check: veltrane-check found ${check.summary.errors} errors, ${check.summary.warnings} ` +
      `warnings, ${check.summary.notes} notes`, ...check.lines.map((line) => `  ${line}`));
  }
  return lines;
}
