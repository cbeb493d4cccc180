// What goes into a packed app, decided before anything is written: the jars
// of lib/ in class-path order, the VM and its options, the main class, and
// notes on what was left out.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { followClassPath, manifestVmOptions, readManifest } from "./jar-manifest.js";
import { checkRuntime } from "./runtime.js";
import { runtimeFiles } from "./runtime-tree.js";
import { printable, windowsNameProblem, windowsUpperCase } from "./windows-names.js";

// A jar name the configuration's class path can hold as it is.
const UNSAFE_JAR_NAME = /[#;%\r\n]/;

// The jars that "jars" names: files as they are, a folder's *.jar in name order.
function listedJars(pack) {
  return pack.jars.flatMap((item) => {
    if (!fs.statSync(item).isDirectory()) return [item];
    return fs.readdirSync(item).filter((name) => /\.jar$/i.test(name)).sort()
      .map((name) => path.join(item, name)).filter((file) => fs.statSync(file).isFile());
  });
}

// Names compared as Windows lists a folder: without case.
const byWindowsName = (a, b) => (a.name.toUpperCase() < b.name.toUpperCase() ? -1 :
  a.name.toUpperCase() > b.name.toUpperCase() ? 1 : 0);

// Why a jar's name cannot stand in lib\ and on the class path, or null. An
// ANSI launcher passes the class path in the code page of the machine it
// runs on, unknown here: ASCII is the one set every code page holds.
function jarNameProblem(pack, name) {
  const problem = windowsNameProblem(name, { separators: true });
  if (problem) return `${problem}: rename it`;
  if (UNSAFE_JAR_NAME.test(name) || !/\.jar$/i.test(name)) {
    return 'must be named *.jar, without "#", ";" or "%", for the class path of the configuration: rename it';
  }
  if (pack.codePage === "ansi" && /[^\x20-\x7e]/.test(name)) {
    return 'holds letters outside ASCII, which an ANSI launcher passes to Java as "?": ' +
      'set "codePage": "utf-8" or rename it';
  }
  return null;
}

function checkNames(pack, jars) {
  const names = new Map();
  for (const jar of jars) {
    const problem = jarNameProblem(pack, jar.name);
    if (problem) {
      throw new ToolError(`${pack.file}: the jar ${printable(jar.file)} (${jar.origin}) ${problem}`);
    }
    const other = names.get(windowsUpperCase(jar.name));
    if (other) {
      throw new ToolError(`${pack.file}: two jars named ${jar.name} for lib/: ${other.file} (${other.origin}) ` +
        `and ${jar.file} (${jar.origin})`);
    }
    names.set(windowsUpperCase(jar.name), jar);
  }
}

// A jar's name in lib\: its extension written ".jar", the form in which the
// launcher knows a jar that "addpath" names when "addjars" finds it again.
function libName(file, notes) {
  const name = path.basename(file);
  if (!/\.jar$/i.test(name) || name.endsWith(".jar")) return name;
  notes.push(`${name} is copied into lib\\ as ${name.slice(0, -4)}.jar`);
  return `${name.slice(0, -4)}.jar`;
}

// The main jar, its Class-Path, then the other jars in name order (as the
// launcher lists lib/); each file once.
function classPath(pack, notes) {
  const seen = new Set([fs.realpathSync(pack.mainJar)]);
  const jars = [{ file: pack.mainJar, origin: "mainJar" }, ...followClassPath(pack.mainJar, seen, notes)];
  const others = [];
  for (const file of listedJars(pack)) {
    if (seen.has(fs.realpathSync(file))) continue;
    seen.add(fs.realpathSync(file));
    others.push({ file, origin: "jars", other: true });
  }
  for (const jar of [...jars, ...others]) jar.name = libName(jar.file, notes);
  checkNames(pack, [...jars, ...others]);
  return [...jars, ...others.sort(byWindowsName)];
}

// The VM a launcher of the pack starts: java.exe for a console one, else javaw.exe.
export function vm(pack, notes) {
  const name = pack.console ? "java.exe" : "javaw.exe";
  const javaVersion = pack.runtime ? checkRuntime(pack, name) : null;
  if (pack.jvm) return { name, javaVersion, value: pack.jvm, origin: '"jvm"' };
  if (pack.runtime) {
    return { name, javaVersion, value: `%EXEDIR%\\runtime\\bin\\${name}`,
      origin: `the bundled runtime (Java ${javaVersion})` };
  }
  notes.push(`no "runtime" bundled: the target machine must have Java${pack.minJavaVersion ?
    ` ${pack.minJavaVersion} or later` : ""}, with ${name} along its PATH`);
  return { name, javaVersion, value: name, origin: `${name}, found along PATH (no runtime bundled)` };
}

// The plan of the app folder; throws a ToolError for what cannot be packed.
export function planApp(pack) {
  const notes = [];
  const manifest = readManifest(pack.mainJar);
  const mainJarName = path.basename(pack.mainJar);
  let mainClass = { value: pack.mainClass, origin: '"mainClass"' };
  if (!pack.mainClass) {
    const fromManifest = (manifest.get("main-class") || "").trim();
    if (!fromManifest) {
      throw new ToolError(`${pack.file}: "mainClass" is missing and "mainJar" ${mainJarName} has no Main-Class ` +
        "in its manifest");
    }
    mainClass = { value: fromManifest, origin: `Main-Class of ${mainJarName}` };
  }
  const vmOptionGroups = [{ origin: '"vmOptions"', options: pack.vmOptions },
    { origin: `what java -jar takes from ${mainJarName}'s manifest`,
      options: manifestVmOptions(manifest, mainJarName, notes) }];
  return {
    pack, notes, mainClass, jvm: vm(pack, notes), runtimeFiles: pack.runtime ? runtimeFiles(pack) : [],
    classPath: classPath(pack, notes),
    vmOptionGroups: vmOptionGroups.filter((g) => g.options.length > 0),
    packFileName: printable(path.basename(pack.file)),
  };
}
