// The Windows x64 JDK a runtime is linked from: a folder, a vendor's zip
// (one top folder inside) or a download of that zip. Of a zip only what
// linking needs is unpacked, once, into the cache: the release file, the
// VM programs and jmods/. Its release file gives the version, its jmods/
// are the module path.
import fs from "node:fs";
import path from "node:path";
import { performance } from "node:perf_hooks";

import { cachedEntry, fileSha256, sha256Hex } from "./cache.js";
import { downloadedFile } from "./download.js";
import { ToolError } from "./errors.js";
import { otherSystem, peMachine, releaseField } from "./runtime.js";
import { zipEntries, zipEntryData } from "./zip-read.js";

const NEEDED = /^[^/]+\/(release|bin\/javaw?(\.exe)?|jmods\/[^/]+\.jmod)$/;
const JMODS_HASH = ".jmods-sha256";

// The sha256 of the jmods' names and contents, which decide what jlink makes.
export function jmodsHash(jmods) {
  const names = fs.readdirSync(jmods).filter((name) => name.endsWith(".jmod")).sort();
  return sha256Hex(names.map((name) => `${name} ${fileSha256(path.join(jmods, name))}\n`).join(""));
}

function unpack(zip, where, target) {
  const fd = fs.openSync(zip, "r");
  try {
    const entries = zipEntries(fd);
    if (!entries) throw new ToolError(`${where}: ${zip} is not a zip file`);
    const tops = [...new Set(entries.map((entry) => entry.name.split("/")[0]))];
    if (tops.length !== 1 || !entries.some((entry) => entry.name.startsWith(`${tops[0]}/`))) {
      throw new ToolError(`${where}: ${zip} is no JDK zip: it holds ${tops.length} top-level items, ` +
        "a JDK's zip one folder");
    }
    for (const entry of entries.filter((e) => NEEDED.test(e.name))) {
      const file = path.join(target, entry.name.slice(tops[0].length + 1));
      fs.mkdirSync(path.dirname(file), { recursive: true });
      fs.writeFileSync(file, zipEntryData(fd, entry));
    }
    fs.mkdirSync(target, { recursive: true });
    if (fs.existsSync(path.join(target, "jmods"))) {
      fs.writeFileSync(path.join(target, JMODS_HASH), jmodsHash(path.join(target, "jmods")));
    }
  } catch (error) {
    if (error instanceof ToolError) throw error;
    throw new ToolError(`${where}: cannot unpack ${zip}: ${error.message}`);
  } finally {
    fs.closeSync(fd);
  }
}

// The unpacked copy of a JDK zip whose sha256 is known.
function unpacked(zip, sha256, where, cache) {
  return cachedEntry(path.join(cache, "jdks"), sha256, (target) => unpack(zip, where, target));
}

// What is wrong with a folder as a Windows x64 JDK, or null.
function jdkProblem(folder, shown) {
  const system = otherSystem(folder);
  if (system) return `${shown} is ${system.what} JDK (${system.evidence}): link against a Windows JDK's jmods`;
  if (!fs.existsSync(path.join(folder, "release"))) {
    return `${shown} is no JDK: there is no release file in its top folder`;
  }
  const vm = ["javaw.exe", "java.exe"].map((name) => path.join(folder, "bin", name)).find(fs.existsSync);
  const machine = vm ? peMachine(vm) : "x64";
  const arch = releaseField(folder, "OS_ARCH") || "amd64";
  if (machine !== "x64") {
    const what = machine.startsWith("not ") ? `not a Windows x64 JDK (bin\\${path.basename(vm)} is ${machine})` :
      `a ${machine} JDK (bin\\${path.basename(vm)})`;
    return `${shown} is ${what}: a 64-bit (x64) Windows JDK is needed`;
  }
  if (!/^(amd64|x86_64|x64)$/.test(arch)) {
    return `${shown} is not an x64 JDK (release: OS_ARCH="${arch}"): a 64-bit (x64) Windows JDK is needed`;
  }
  if (!fs.existsSync(path.join(folder, "jmods"))) {
    return `${shown} has no jmods folder, which jlink links from (JDK builds since 24 may leave it out): ` +
      "download a build that has jmods/, or link the runtime on Windows and name its folder as \"runtime\"";
  }
  return null;
}

// Finds the JDK that runtime.jdk names, downloading or unpacking it into the
// cache when needed: { folder, shown, version, jmodsHash, seconds, how }.
export async function windowsJdk(recipe, where, cache, log) {
  const started = performance.now();
  let folder = recipe.jdk;
  let how = "a folder";
  if (recipe.url) {
    how = fs.existsSync(path.join(cache, "downloads", `${recipe.sha256}.zip`)) ? "downloaded before" : "downloaded";
    const zip = await downloadedFile(recipe.url, recipe.sha256, cache, where, log);
    folder = await unpacked(zip, recipe.sha256, where, cache);
  } else if (fs.statSync(folder).isFile()) {
    const sha256 = fileSha256(folder);
    if (recipe.sha256 && recipe.sha256 !== sha256) {
      throw new ToolError(`${where}: ${folder} has sha256 ${sha256}, not the "sha256" given, ${recipe.sha256}`);
    }
    how = fs.existsSync(path.join(cache, "jdks", sha256)) ? "a zip, unpacked before" : "a zip, unpacked";
    folder = await unpacked(folder, sha256, where, cache);
  }
  const shown = recipe.url || recipe.jdk;
  const problem = jdkProblem(folder, shown);
  if (problem) throw new ToolError(`${where}: ${problem}`);
  const stamp = path.join(folder, JMODS_HASH);
  return {
    folder, shown, how, version: releaseField(folder, "JAVA_VERSION"),
    jmodsHash: fs.existsSync(stamp) ? fs.readFileSync(stamp, "utf8") : jmodsHash(path.join(folder, "jmods")),
    seconds: (performance.now() - started) / 1000,
  };
}
