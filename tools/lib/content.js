// The app's own files: "content" copies files and folders into the app
// folder, each under its own name or at the path "to" gives it there.
// Symbolic links are followed: what they point at is copied.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { fail } from "./validators.js";
import { windowsNameProblem, windowsUpperCase } from "./windows-names.js";

// The top-level names the pack writes itself (each launcher's exe and
// configuration join them).
const PACK_OWN = ["lib", "runtime", "mods"];

// A path inside the app folder, "/"-separated, every part a Windows file name.
function insidePath(context, key, to) {
  const parts = to.split(/[\\/]/);
  for (const part of parts) {
    if (part === "." || part === "..") fail(context, key, `"${to}" must stay inside the app folder`);
    const problem = windowsNameProblem(part);
    if (problem) fail(context, key, `"${to}": "${part}" ${problem}`);
  }
  return parts.join("/");
}

function item(context, key, value) {
  const entry = typeof value === "string" ? { from: value } : value;
  if (entry === null || typeof entry !== "object" || Array.isArray(entry) ||
      Object.keys(entry).some((name) => !["from", "to"].includes(name)) ||
      typeof entry.from !== "string" || entry.from.trim() === "" ||
      ("to" in entry && typeof entry.to !== "string")) {
    fail(context, key, 'must be a path, or {"from": "path", "to": "folder/name"}');
  }
  const source = path.resolve(context.folder, entry.from);
  try {
    fs.statSync(source);
  } catch {
    fail(context, key, `names ${source}, which does not exist`);
  }
  return { source, to: insidePath(context, key, entry.to ?? path.basename(source)), key };
}

// The "content" key: a list of items, each {source, to, key}.
export function readContent(context, key, value) {
  if (!Array.isArray(value)) fail(context, key, 'must be a list of paths or {"from", "to"} objects');
  return value.map((entry, index) => item(context, `${key}[${index}]`, entry));
}

// The files under source as [{source, relative}], links followed; a link
// back into a folder being walked is an error, not an endless walk.
function walk(context, entry, source, relative, seen) {
  let stat;
  try {
    stat = fs.statSync(source);
  } catch (error) {
    fail(context, entry.key, `holds ${source}, which cannot be read (${error.code})`);
  }
  if (stat.isFile()) return [{ source, relative }];
  if (!stat.isDirectory()) fail(context, entry.key, `holds ${source}, which is neither a file nor a folder`);
  const real = fs.realpathSync(source);
  if (seen.includes(real)) fail(context, entry.key, `holds ${source}, a link back into a folder it is in`);
  return fs.readdirSync(source).sort().flatMap((name) => {
    const problem = windowsNameProblem(name);
    if (problem) fail(context, entry.key, `holds ${path.join(source, name)}, whose name ${problem}`);
    return walk(context, entry, path.join(source, name), `${relative}/${name}`, [...seen, real]);
  });
}

// Every file the content puts into the app folder, as [{source, relative}];
// a name that two of them share (compared as Windows does, without case),
// or that the pack writes itself, is an error.
export function contentFiles(pack) {
  const context = { file: pack.file };
  const launcherFiles = pack.launchers.flatMap((l) => [`${l.exeName}.exe`, `${l.exeName}.config`]);
  const own = new Map([...PACK_OWN, ...launcherFiles].map((name) => [windowsUpperCase(name), name]));
  const taken = new Map();
  const files = [];
  for (const entry of pack.content) {
    const top = entry.to.split("/")[0];
    if (own.has(windowsUpperCase(top))) {
      fail(context, entry.key, `would overwrite ${own.get(windowsUpperCase(top))}, which the pack writes ` +
        "itself");
    }
    for (const file of walk(context, entry, entry.source, entry.to, [])) {
      const parts = file.relative.split("/");
      // A file's name, and each folder above it, must be one thing only.
      parts.forEach((part, index) => {
        const name = parts.slice(0, index + 1).join("/");
        const kind = index === parts.length - 1 ? "file" : "folder";
        const other = taken.get(windowsUpperCase(name));
        if (other && (kind === "file" || other.kind === "file" || other.name !== name)) {
          fail(context, entry.key, `puts ${file.source} at ${name}, where ${other.source} goes as ` +
            other.name);
        }
        if (!other) taken.set(windowsUpperCase(name), { kind, name, source: file.source });
      });
      files.push(file);
    }
  }
  return files;
}

// Refuses content that holds the output folder: the pack would copy its own outputs.
export function checkContentOutside(pack, outDir) {
  for (const entry of pack.content) {
    const holds = (folder, other) => {
      const inside = path.relative(folder, other);
      return !inside.startsWith("..") && !path.isAbsolute(inside);
    };
    if (holds(entry.source, path.resolve(outDir)) ||
        (fs.existsSync(outDir) && holds(fs.realpathSync(entry.source), fs.realpathSync(outDir)))) {
      throw new ToolError(`${pack.file}: "${entry.key}" holds the output folder ${outDir}: ` +
        "pack into a folder outside it (--out)");
    }
  }
}

// Copies the content files into the app folder.
export function copyContent(files, folder) {
  for (const file of files) {
    const target = path.join(folder, ...file.relative.split("/"));
    fs.mkdirSync(path.dirname(target), { recursive: true });
    fs.copyFileSync(file.source, target);
  }
}
