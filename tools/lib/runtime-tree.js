// The files of a runtime folder as they go into the app folder: every name
// one Windows reads as written, a link that stays inside the folder copied
// as what it names, and a link that leaves the folder or loops refused.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { caseClash, printable, windowsPathProblem } from "./windows-names.js";

function inside(root, file) {
  const relative = path.relative(root, file);
  return relative === "" || (!relative.startsWith("..") && !path.isAbsolute(relative));
}

// What a link names, inside the runtime folder; refused otherwise.
function linkTarget(where, root, relative, full) {
  let target;
  try {
    target = fs.realpathSync(full);
  } catch (error) {
    if (error.code === "ELOOP") throw new ToolError(`${where}: the link ${relative} is a loop of links`);
    throw new ToolError(`${where}: the link ${relative} names ${fs.readlinkSync(full)}, which does not exist`);
  }
  if (!inside(root, target)) {
    throw new ToolError(`${where}: the link ${relative} leads out of the runtime folder, to ${target}: ` +
      "copy what it names into the runtime folder instead");
  }
  return target;
}

function walk(context, relative, ancestors) {
  const { where, root, folder, files } = context;
  const names = fs.readdirSync(path.join(folder, relative)).sort();
  for (const name of names) {
    const inner = relative ? `${relative}/${name}` : name;
    const full = path.join(folder, inner);
    const problem = windowsPathProblem(name);
    if (problem) throw new ToolError(`${where}: ${printable(inner)}: ${problem}`);
    const real = fs.lstatSync(full).isSymbolicLink() ? linkTarget(where, root, inner, full) : full;
    const stat = fs.statSync(real);
    if (stat.isDirectory()) {
      const realFolder = fs.realpathSync(real);
      if (ancestors.includes(realFolder)) {
        throw new ToolError(`${where}: the link ${inner} is a loop: it names a folder that holds it`);
      }
      walk(context, inner, [...ancestors, realFolder]);
    } else if (stat.isFile()) {
      files.push({ relative: inner, source: full });
    } else {
      throw new ToolError(`${where}: ${printable(inner)} is neither a file nor a folder`);
    }
  }
}

// The runtime's files as [{relative (with "/"), source}], in name order;
// throws a ToolError naming the first that cannot be copied as it is.
export function runtimeFiles(pack) {
  const where = `${pack.file}: "runtime"`;
  const root = fs.realpathSync(pack.runtime);
  const context = { where, root, folder: pack.runtime, files: [] };
  walk(context, "", [root]);
  const clash = caseClash(context.files.map((file) => file.relative));
  if (clash) {
    throw new ToolError(`${where}: ${printable(clash[0])} and ${printable(clash[1])} differ only in case, ` +
      "and one Windows folder holds only one of them");
  }
  return context.files;
}
