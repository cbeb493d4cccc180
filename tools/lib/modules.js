// Modular apps: which jars are modules (a module-info.class, or an automatic
// module a named one requires), which module and class the VM starts, and
// the module names a jar or a runtime holds.
import fs from "node:fs";
import path from "node:path";

import { ACC_STATIC_PHASE } from "./class-file.js";
import { ToolError } from "./errors.js";

const NAME = "[\\p{L}_$][\\p{L}\\p{N}_$]*(?:\\.[\\p{L}_$][\\p{L}\\p{N}_$]*)*";
const MODULE_KEY = new RegExp(`^(${NAME})(?:/(${NAME}))?$`, "u");

// "module" in a pack file: "com.example.app/com.example.app.Main", or the
// module alone when its module-info names the main class.
export function moduleKey(context, key, value) {
  const match = typeof value === "string" ? MODULE_KEY.exec(value) : null;
  if (!match) {
    throw new ToolError(`${context.file}: "${key}" must be a module and its main class, such as ` +
      '"com.example.app/com.example.app.Main", or the module alone');
  }
  return { module: match[1], mainClass: match[2] || null };
}

// The module a jar declares in its module-info.class: { name, requires,
// mainClass }, or null for a jar that is no module of its own.
export function declaredModule(jar) {
  const entry = jar.find("module-info.class");
  if (!entry) return null;
  const classFile = jar.readClass(entry.name);
  if (!classFile.module) throw new ToolError(`${jar.file}: ${entry.name} has no Module attribute`);
  return { ...classFile.module, mainClass: classFile.moduleMainClass || null };
}

// The name a jar gets as an automatic module: Automatic-Module-Name, else
// its file name without the version and with every other sign a dot.
export function automaticModuleName(fileName, manifest = new Map()) {
  const given = (manifest.get("automatic-module-name") || "").trim();
  if (given) return given;
  let name = fileName.replace(/\.jar$/i, "");
  const version = /-(\d+(\.|$))/.exec(name);
  if (version) name = name.slice(0, version.index);
  return name.replace(/[^A-Za-z0-9]/g, ".").replace(/\.{2,}/g, ".").replace(/^\.|\.$/g, "");
}

// The modules a runtime holds, from the MODULES line jlink writes into its
// release file, or null when it has none.
export function runtimeModules(folder) {
  let text;
  try {
    text = fs.readFileSync(path.join(folder, "release"), "utf8");
  } catch {
    return null;
  }
  const match = /^MODULES="?([^"\r\n]*)"?\s*$/m.exec(text);
  return match ? new Set(match[1].split(/\s+/).filter(Boolean)) : null;
}

// The jars that go on the module path: every named module, and the jars
// that one requires (as automatic modules), followed from the named modules
// out. Names required that no jar holds are left in missing. jars: opened
// jars with their declared module (or null).
export function modulePathJars(jars) {
  // A named module wins over a plain jar whose automatic name is the same.
  const byName = new Map(jars.filter((jar) => !jar.module)
    .map((jar) => [automaticModuleName(jar.name, jar.manifest), jar]));
  for (const jar of jars.filter((j) => j.module)) byName.set(jar.module.name, jar);
  const chosen = new Set(jars.filter((jar) => jar.module));
  const missing = new Map();
  const pending = [...chosen];
  while (pending.length > 0) {
    const jar = pending.pop();
    for (const required of jar.module ? jar.module.requires : []) {
      const holder = byName.get(required.name);
      if (!holder && !(required.flags & ACC_STATIC_PHASE)) missing.set(required.name, jar.module.name);
      if (holder && !chosen.has(holder)) {
        chosen.add(holder);
        pending.push(holder);
      }
    }
  }
  return { jars: jars.filter((jar) => chosen.has(jar)), missing };
}
