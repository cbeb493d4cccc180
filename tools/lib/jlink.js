// Finding a jlink that can link a JDK's jmods, and linking a runtime with it
// into the cache. jlink links only jmods of its own feature and interim
// version (17.0.x with 17.0.y), so the one chosen is the first of "jlink",
// JAVA_HOME, PATH and the usual JDK folders whose version matches.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { releaseField } from "./runtime.js";
import { runTool, toolComplaint } from "./run-tool.js";

const JDK_FOLDERS = [["/usr/lib/jvm"], ["/Library/Java/JavaVirtualMachines", "Contents/Home"]];

// The feature and interim numbers of a Java version: "21.0.5+11" is "21.0".
export function featureInterim(version) {
  const [feature, interim = "0"] = String(version).split(/[.+_-]/);
  return `${Number(feature)}.${Number(interim) || 0}`;
}

function jlinkIn(folder) {
  const file = path.join(folder, "bin", "jlink");
  return fs.existsSync(file) ? file : null;
}

// Every jlink worth asking, in the order they are tried.
function candidates(given, environment) {
  if (given) return [fs.statSync(given).isDirectory() ? path.join(given, "bin", "jlink") : given];
  const found = [];
  if (environment.JAVA_HOME) found.push(jlinkIn(environment.JAVA_HOME));
  for (const folder of (environment.PATH || "").split(path.delimiter).filter(Boolean)) {
    found.push(fs.existsSync(path.join(folder, "jlink")) ? path.join(folder, "jlink") : null);
  }
  for (const [parent, home = ""] of JDK_FOLDERS) {
    if (!fs.existsSync(parent)) continue;
    for (const name of fs.readdirSync(parent).sort()) found.push(jlinkIn(path.join(parent, name, home)));
  }
  return found.filter(Boolean);
}

// A jlink's version, from the release file of its JDK, else by asking it.
async function versionOf(jlink) {
  const home = path.dirname(path.dirname(fs.realpathSync(jlink)));
  const version = releaseField(home, "JAVA_RUNTIME_VERSION") || releaseField(home, "JAVA_VERSION");
  if (version) return version;
  const answer = await runTool(jlink, ["--version"]).catch(() => ({ status: 1 }));
  return answer.status === 0 ? answer.output.trim() : null;
}

// The first jlink for the JDK's version: { jlink, jdeps, version }.
export async function matchingJlink(jdkVersion, given, where, environment = process.env) {
  const needed = featureInterim(jdkVersion);
  const seen = new Set();
  const tried = [];
  for (const jlink of candidates(given, environment)) {
    if (!fs.existsSync(jlink)) continue;
    const real = fs.realpathSync(jlink);
    if (seen.has(real)) continue;
    seen.add(real);
    const version = await versionOf(jlink);
    if (version && featureInterim(version) === needed) {
      return { jlink, jdeps: path.join(path.dirname(real), "jdeps"), version };
    }
    tried.push(`${jlink} ${version || "(version unknown)"}`);
  }
  const feature = needed.split(".")[0];
  throw new ToolError(`${where}: no jlink ${needed} to link the JDK ${jdkVersion} (found: ` +
    `${tried.join(", ") || "none"}): install JDK ${feature} (Debian, Ubuntu: apt-get install ` +
    `openjdk-${feature}-jdk-headless) or set "jlink" to its jlink`);
}

// jlink's options when "jlinkOptions" is not given. --strip-java-debug-attributes
// rather than --strip-debug: that one also rewrites bin\*.exe (a new PE time
// stamp on each link, and a vendor's signature there broken), so two links
// would differ.
export function defaultJlinkOptions(jdkVersion) {
  const feature = Number(featureInterim(jdkVersion).split(".")[0]);
  return [feature >= 13 ? "--strip-java-debug-attributes" : "--strip-debug", "--no-header-files",
    "--no-man-pages", feature >= 21 ? "--compress=zip-6" : "--compress=2"];
}

// The VM options jlink and jdeps run with. The collector is named, because
// the one the VM would choose by itself depends on the machine's processors
// and memory, and jlink's lib/modules comes out different under another
// (measured: G1 against Serial); C1 alone starts these short runs about
// twice as fast.
export const TOOL_VM_OPTIONS = ["-J-XX:+UseSerialGC", "-J-XX:TieredStopAtLevel=1", "-J-XX:ActiveProcessorCount=1"];

// Links modules from jmods into output (which must not exist yet).
export async function link(jlink, jmods, modules, options, output, where) {
  const result = await runTool(jlink, [...TOOL_VM_OPTIONS, "--module-path", jmods, "--add-modules",
    modules.join(","), ...options, "--output", output]);
  if (result.status !== 0) {
    throw new ToolError(`${where}: jlink failed: ${toolComplaint(result.output)}`);
  }
}
