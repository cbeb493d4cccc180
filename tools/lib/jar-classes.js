// The classes in a jar, found as the VM finds them: a multi-release jar's
// META-INF/versions/N/ entries, for N up to the runtime's Java, before its
// root entries. A jar is read from disk once; entries are unpacked only when
// asked for.
import fs from "node:fs";
import path from "node:path";

import { unzipSync } from "fflate";

import { ClassFileError, parseClassFile } from "./class-file.js";
import { ToolError } from "./errors.js";
import { parseManifest } from "./jar-manifest.js";

const VERSIONED = /^META-INF\/versions\/(\d+)\/(.+)$/;

function unzipEntries(jar, data, filter) {
  try {
    return unzipSync(data, { filter });
  } catch (error) {
    throw new ToolError(`${jar} is not a jar (zip) file: ${error.message}`);
  }
}

// A jar's entries; feature is the runtime's Java feature version (17), or
// null when not known: then every version's entries count.
export function openJar(file, feature) {
  const data = fs.readFileSync(file);
  const names = new Set();
  unzipEntries(file, data, (entry) => {
    names.add(entry.name);
    return false;
  });
  const read = (name) => Buffer.from(unzipEntries(file, data, (entry) => entry.name === name)[name]);
  const manifestName = [...names].find((name) => name.toUpperCase() === "META-INF/MANIFEST.MF");
  const manifest = manifestName ? parseManifest(read(manifestName).toString("utf8")) : new Map();
  const versions = (manifest.get("multi-release") || "").trim().toLowerCase() !== "true" ? [] :
    [...new Set([...names].map((name) => VERSIONED.exec(name)).filter(Boolean).map((m) => Number(m[1])))]
      .filter((n) => n >= 9 && (feature === null || n <= feature)).sort((a, b) => b - a);
  const jar = { file, name: path.basename(file), manifest, names };

  // The entry the VM reads for a resource path, with the release it needs
  // (8 for a root entry), or null. Without a runtime, the entry of the
  // oldest Java that finds one: what the target machine needs at least.
  jar.find = (resource) => {
    if (feature === null) {
      const oldest = [resource, ...[...versions].reverse().map((v) => `META-INF/versions/${v}/${resource}`)]
        .find((name) => names.has(name));
      return oldest ? { name: oldest, version: Number(VERSIONED.exec(oldest)?.[1] || 8) } : null;
    }
    for (const version of versions) {
      const name = `META-INF/versions/${version}/${resource}`;
      if (names.has(name)) return { name, version };
    }
    return names.has(resource) ? { name: resource, version: 8 } : null;
  };
  jar.read = read;
  jar.readClass = (entry) => {
    try {
      return parseClassFile(read(entry));
    } catch (error) {
      if (!(error instanceof ClassFileError)) throw error;
      throw new ToolError(`${file}: ${entry} is damaged: ${error.message}`);
    }
  };
  // Every class's name ("com.example.Main"), root and versioned entries alike.
  jar.classNames = () => [...new Set([...names].map((name) => name.replace(VERSIONED, "$2"))
    .filter((name) => name.endsWith(".class") && !/(^|\/)(module|package)-info\.class$/.test(name))
    .map((name) => name.slice(0, -6).replaceAll("/", ".")))];
  return jar;
}

// The first of the jars that holds a class, and its entry: { jar, name,
// version } or null.
export function findClass(jars, className) {
  const resource = `${className.replaceAll(".", "/")}.class`;
  for (const jar of jars) {
    const entry = jar.find(resource);
    if (entry) return { jar, ...entry };
  }
  return null;
}
