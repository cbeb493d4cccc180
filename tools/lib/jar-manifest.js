// A jar's manifest, and what "java -jar" takes from it: the main class, the
// Class-Path (followed as the VM follows it) and the VM options that a
// class-path launch would otherwise lose.
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

import { unzipSync } from "fflate";

import { ToolError } from "./errors.js";

const MANIFEST = "META-INF/MANIFEST.MF";

// The main section's attributes, by lower-case name (names ignore case).
export function parseManifest(text) {
  const attributes = new Map();
  let last = null;
  for (const line of text.split(/\r\n|\r|\n/)) {
    if (line === "") break;
    if (line.startsWith(" ") && last) {
      attributes.set(last, attributes.get(last) + line.slice(1));
      continue;
    }
    const colon = line.indexOf(": ");
    if (colon <= 0) continue;
    last = line.slice(0, colon).toLowerCase();
    attributes.set(last, line.slice(colon + 2));
  }
  return attributes;
}

export function readManifest(jar) {
  let files;
  try {
    files = unzipSync(fs.readFileSync(jar), { filter: (file) => file.name.toUpperCase() === MANIFEST });
  } catch (error) {
    throw new ToolError(`${jar} is not a jar (zip) file: ${error.code || error.message}`);
  }
  const entry = Object.values(files)[0];
  return entry ? parseManifest(Buffer.from(entry).toString("utf8")) : new Map();
}

// The jars a jar's Class-Path adds, in the VM's order: each entry is a URL
// relative to the jar's folder, and a jar it opens brings its own
// Class-Path right after it. Missing and non-jar entries, which the VM
// skips, are told in notes.
export function followClassPath(jar, seen, notes) {
  const found = [];
  const entries = (readManifest(jar).get("class-path") || "").split(/\s+/).filter(Boolean);
  for (const entry of entries) {
    const url = new URL(entry, pathToFileURL(jar));
    const where = `${path.basename(jar)}'s Class-Path entry "${entry}"`;
    if (url.protocol !== "file:") {
      notes.push(`${where} is not a local file: dropped`);
      continue;
    }
    const file = fileURLToPath(url);
    if (!fs.existsSync(file)) {
      notes.push(`${where}: ${file} does not exist: dropped (java -jar skips it too)`);
    } else if (fs.statSync(file).isDirectory()) {
      notes.push(`${where} is a folder: dropped (only jars are copied)`);
    } else if (!seen.has(fs.realpathSync(file))) {
      seen.add(fs.realpathSync(file));
      found.push({ file, origin: `Class-Path of ${path.basename(jar)}` });
      found.push(...followClassPath(file, seen, notes));
    }
  }
  return found;
}

// The VM options "java -jar" derives from the main jar's manifest.
export function manifestVmOptions(manifest, jarName) {
  const options = [];
  for (const [attribute, option] of [["add-opens", "--add-opens"], ["add-exports", "--add-exports"]]) {
    for (const target of (manifest.get(attribute) || "").split(/\s+/).filter(Boolean)) {
      options.push(`${option}=${target}=ALL-UNNAMED`);
    }
  }
  const nativeAccess = manifest.get("enable-native-access");
  if (nativeAccess !== undefined) {
    if (nativeAccess.trim() !== "ALL-UNNAMED") {
      throw new ToolError(`${jarName}: Enable-Native-Access is "${nativeAccess}": java -jar takes only ALL-UNNAMED`);
    }
    options.push("--enable-native-access=ALL-UNNAMED");
  }
  return options;
}
