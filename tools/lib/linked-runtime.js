// Making the runtime a pack file's "runtime" recipe asks for: the Windows
// JDK found (or downloaded and unpacked), a jlink of its version found, the
// modules decided (jdeps over the app's jars, and "addModules"), and the
// runtime linked into the cache, or taken from it when the same JDK,
// modules, options and jlink linked it before.
import fs from "node:fs";
import path from "node:path";
import { performance } from "node:perf_hooks";

import { cacheRoot, cachedEntry, sha256Hex } from "./cache.js";
import { ToolError } from "./errors.js";
import { jdepsModules } from "./jdeps.js";
import { windowsJdk } from "./jdk.js";
import { defaultJlinkOptions, link, matchingJlink, TOOL_VM_OPTIONS } from "./jlink.js";
import { formatSize } from "./pack-summary.js";
import { compareJavaVersions } from "./runtime.js";
import { listFiles } from "./zip.js";

async function timed(times, name, work) {
  const started = performance.now();
  const result = await work();
  times.push([name, (performance.now() - started) / 1000]);
  return result;
}

async function decideModules(recipe, tool, jars, jdk, where, cache, times) {
  if (recipe.modules !== "auto") return { modules: recipe.modules, origin: 'listed in "modules"' };
  const found = await timed(times, "jdeps", () => jdepsModules(tool, jars, jdk, where, cache));
  if (found.fromCache) times[times.length - 1][0] = "jdeps (answer cached)";
  return { modules: found.modules, origin: `jdeps found ${found.modules.join(", ")}` };
}

function runtimeSize(folder) {
  return listFiles(folder).reduce((sum, file) => sum + fs.statSync(path.join(folder, file)).size, 0);
}

// Links (or finds) the runtime; returns { folder, lines } where lines tell
// the summary what was done.
export async function linkedRuntime(pack, jars, log, environment = process.env) {
  const recipe = pack.runtime;
  const where = `${pack.file}: "runtime"`;
  const cache = cacheRoot(environment);
  const times = [];
  const jdk = await timed(times, "JDK", () => windowsJdk(recipe, where, cache, log));
  if (!jdk.version) throw new ToolError(`${where}: ${jdk.shown} has no JAVA_VERSION in its release file`);
  if (pack.minJavaVersion && compareJavaVersions(jdk.version, pack.minJavaVersion) < 0) {
    throw new ToolError(`${where}: the JDK is Java ${jdk.version}, below "minJavaVersion" ${pack.minJavaVersion}`);
  }
  const tool = await matchingJlink(jdk.version, recipe.jlink, where, environment);
  const chosen = await decideModules(recipe, tool, jars, jdk, where, cache, times);
  const modules = [...new Set([...chosen.modules, ...recipe.addModules])].sort();
  const options = recipe.jlinkOptions || defaultJlinkOptions(jdk.version);
  const key = sha256Hex(JSON.stringify({ jmods: jdk.jmodsHash, modules, options, vm: TOOL_VM_OPTIONS,
    jlink: tool.version }));
  const linkedBefore = fs.existsSync(path.join(cache, "runtimes", key));
  if (!linkedBefore) log(`linking ${modules.join(",")} with ${tool.jlink} ${tool.version}`);
  const folder = await timed(times, linkedBefore ? "jlink (not run: linked before)" : "jlink", () =>
    cachedEntry(path.join(cache, "runtimes"), key, (output) =>
      link(tool.jlink, path.join(jdk.folder, "jmods"), modules, options, output, where)));
  const added = recipe.addModules.length ? `; "addModules" ${recipe.addModules.join(", ")}` : "";
  return {
    folder,
    lines: [`JDK: ${jdk.shown} (Java ${jdk.version}, ${jdk.how})`,
      `modules: ${modules.join(", ")} (${chosen.origin}${added})`,
      `jlink: ${tool.jlink} ${tool.version} ${options.join(" ")}`,
      `runtime: ${formatSize(runtimeSize(folder))}, ${linkedBefore ? "from the cache" : "linked"}: ${folder}`,
      `times: ${times.map(([name, seconds]) => `${name} ${seconds.toFixed(2)} s`).join(", ")}`],
  };
}
