// The modules an app's classes refer to, as jdeps finds them in its jars
// against the JDK's jmods; kept in the cache by the jars' contents, the
// jmods and the jdeps, since jdeps takes a second or more to start.
import fs from "node:fs";
import path from "node:path";

import { cachedEntry, fileSha256, sha256Hex } from "./cache.js";
import { ToolError } from "./errors.js";
import { TOOL_VM_OPTIONS } from "./jlink.js";
import { runTool, toolComplaint } from "./run-tool.js";
import { zipEntries } from "./zip-read.js";

const MODULE_LIST = /^[\w$]+(\.[\w$]+)*(,[\w$]+(\.[\w$]+)*)*$/;

// jdeps' answer, the last line of its output: "java.base,java.desktop";
// nothing at all for jars without classes, which need java.base alone.
export function moduleListOf(output) {
  const last = output.trim().split(/\r?\n/).pop().trim();
  if (last === "") return ["java.base"];
  return MODULE_LIST.test(last) ? last.split(",") : null;
}

// jdeps stops at the first jar it cannot read with a stack trace: such a jar
// is named here instead.
function checkJars(jars, where) {
  for (const jar of jars) {
    const fd = fs.openSync(jar, "r");
    const readable = (() => {
      try {
        return zipEntries(fd) !== null;
      } finally {
        fs.closeSync(fd);
      }
    })();
    if (!readable) throw new ToolError(`${where}: jdeps cannot read ${jar}: it is not a jar (zip) file`);
  }
}

async function ask(jdeps, jars, jdk, where) {
  checkJars(jars, where);
  const feature = jdk.version.split(/[.+]/)[0];
  const result = await runTool(jdeps, [...TOOL_VM_OPTIONS, "--print-module-deps", "--ignore-missing-deps", "--multi-release",
    feature, "--module-path", path.join(jdk.folder, "jmods"), ...jars]).catch((error) => {
    throw new ToolError(`${where}: cannot run ${jdeps}: ${error.code || error.message}`);
  });
  const modules = result.status === 0 ? moduleListOf(result.output) : null;
  if (!modules) throw new ToolError(`${where}: jdeps failed on the app's jars: ${toolComplaint(result.output)}`);
  return modules;
}

// The modules jdeps finds in jars (files), from the cache when it knows them.
export async function jdepsModules(tool, jars, jdk, where, cache) {
  const key = sha256Hex(JSON.stringify({ jars: jars.map(fileSha256), jmods: jdk.jmodsHash,
    jdeps: tool.version, feature: jdk.version.split(/[.+]/)[0] }));
  const fromCache = fs.existsSync(path.join(cache, "jdeps", key));
  const file = await cachedEntry(path.join(cache, "jdeps"), key, async (temporary) => {
    fs.writeFileSync(temporary, (await ask(tool.jdeps, jars, jdk, where)).join(","));
  });
  return { modules: fs.readFileSync(file, "utf8").split(","), fromCache };
}
