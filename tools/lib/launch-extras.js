// What java -jar does beyond the class path, done with VM options in a
// launch of our own: the splash screen of the main jar's SplashScreen-Image
// (or of "splash"), and the agent of its Launcher-Agent-Class.
import fs from "node:fs";
import path from "node:path";

import { ACC_STATIC } from "./class-file.js";
import { ToolError } from "./errors.js";
import { findClass } from "./jar-classes.js";
import { runtimeModules } from "./modules.js";

// The images the VM's splash screen shows.
const SPLASH_TYPES = /\.(gif|png|jpe?g)$/i;

// Whether the bundled runtime lacks a module its release file would list.
function runtimeLacks(pack, module) {
  const modules = pack.runtime ? runtimeModules(pack.runtime) : null;
  return modules !== null && !modules.has(module);
}

// The splash image, copied into the app folder as splash.<type>: read from
// "splash", else from the main jar's SplashScreen-Image entry.
function splash(plan, jar, manifest) {
  const { pack } = plan;
  const entry = (manifest.get("splashscreen-image") || "").trim();
  let data;
  let origin;
  if (pack.splash) {
    if (!SPLASH_TYPES.test(pack.splash)) {
      throw new ToolError(`${pack.file}: "splash" names ${pack.splash}, which is no GIF, PNG or JPEG image`);
    }
    [data, origin] = [fs.readFileSync(pack.splash), '"splash"'];
  } else if (entry) {
    const where = `${jar.name}'s SplashScreen-Image "${entry}"`;
    if (!jar.names.has(entry) || !SPLASH_TYPES.test(entry)) {
      plan.warnings.push(`${where} is ${jar.names.has(entry) ? "no GIF, PNG or JPEG image" : "not in the jar"}: ` +
        "no splash screen (java -jar shows none either)");
      return null;
    }
    [data, origin] = [jar.read(entry), where];
  } else {
    return null;
  }
  if (runtimeLacks(pack, "java.desktop")) {
    plan.warnings.push(`the runtime has no java.desktop module, which shows the splash screen of ${origin}`);
  }
  const name = `splash${path.extname(pack.splash || entry).toLowerCase()}`;
  return { file: { path: name, data }, option: `-splash:%EXEDIR%\\${name}` };
}

// An agent outside java -jar starts only through -javaagent, which calls
// premain of the jar's Premain-Class where java -jar calls agentmain of its
// Launcher-Agent-Class; so the jar must have both.
function agent(plan, jar, manifest, folder) {
  const agentClass = (manifest.get("launcher-agent-class") || "").trim();
  if (!agentClass) return [];
  const where = `${jar.name}'s Launcher-Agent-Class ${agentClass}`;
  if (folder !== "lib") {
    plan.notes.push(`${where} is not carried over: a module launch starts no agent from the main jar ` +
      '(add -javaagent with an agent jar of its own to "vmOptions")');
    return [];
  }
  const premainClass = (manifest.get("premain-class") || "").trim();
  const found = premainClass && findClass([jar], premainClass);
  if (!found || !jar.readClass(found.name).methods.some((m) => m.name === "premain" && (m.access & ACC_STATIC))) {
    plan.warnings.push(`${where} is not carried over: outside java -jar an agent starts only through -javaagent, ` +
      `which calls premain of the jar's Premain-Class: add "Premain-Class: ${agentClass}" to the manifest and a ` +
      "static premain(String, Instrumentation) beside agentmain");
    return [];
  }
  if (premainClass !== agentClass) {
    plan.notes.push(`${where}: -javaagent starts ${premainClass}'s premain in its place (the jar's Premain-Class)`);
  }
  if (runtimeLacks(plan.pack, "java.instrument")) {
    throw new ToolError(`${plan.pack.file}: the runtime has no java.instrument module, which ${where} needs: ` +
      "link it into the runtime");
  }
  return [`-javaagent:%EXEDIR%\\lib\\${jar.name}`];
}

// The VM options and the files for the app folder ({ path, data }); folder
// is where the main jar goes ("lib" or "mods").
export function launchExtras(plan, jar, manifest, folder) {
  const image = splash(plan, jar, manifest);
  return { files: image ? [image.file] : [], options: [...(image ? [image.option] : []),
    ...agent(plan, jar, manifest, folder)] };
}
