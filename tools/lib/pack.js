// Packing: the app folder and its zip, written into a temporary folder beside
// the output and renamed into place only when every output is made and
// checked, so a failure leaves nothing under the final names.
import fs from "node:fs";
import path from "node:path";
import { performance } from "node:perf_hooks";

import { configText } from "./app-config.js";
import { planApp } from "./app-plan.js";
import { assetPath } from "./assets.js";
import { brandExecutable, loadResourceLibrary } from "./brand.js";
import { checkApp, checkerForThisMachine } from "./checker.js";
import { ToolError } from "./errors.js";
import { onInterrupt, signalsHandled } from "./interrupt.js";
import { moveIntoPlace } from "./outputs-in-place.js";
import { signApp, writeAppMsi } from "./pack-installer.js";
import { writeZip } from "./zip.js";

const TOOL_VERSION = JSON.parse(fs.readFileSync(new URL("../package.json", import.meta.url), "utf8")).version;

function brandOf(pack) {
  const brand = { productName: pack.name, fileDescription: pack.description || pack.name,
    version: pack.version.numbers, codePage: pack.codePage, mode: "app" };
  if (pack.vendor) brand.companyName = pack.vendor;
  if (pack.copyright) brand.copyright = pack.copyright;
  if (pack.icon) brand.icon = pack.icon;
  return brand;
}

function copyTree(files, to) {
  for (const file of files) {
    fs.mkdirSync(path.dirname(path.join(to, file.relative)), { recursive: true });
    fs.copyFileSync(file.source, path.join(to, file.relative));
  }
}

function writeAppFolder(plan, staging, outputs) {
  const { pack } = plan;
  const folder = path.join(staging, pack.name);
  fs.mkdirSync(path.join(folder, "lib"), { recursive: true });
  const exe = path.join(folder, `${pack.exeName}.exe`);
  plan.warnings.push(...brandExecutable(brandOf(pack), plan.launcher, exe).warnings);
  signApp(pack, exe);
  fs.writeFileSync(path.join(folder, `${pack.exeName}.config`), configText(plan, TOOL_VERSION));
  for (const jar of plan.classPath) fs.copyFileSync(jar.file, path.join(folder, "lib", jar.name));
  if (pack.runtime) copyTree(plan.runtimeFiles, path.join(folder, "runtime"));
  // Made for the zip and the MSI even when it is not an output itself.
  outputs.push({ name: pack.name, kind: "folder", path: folder, exe, kept: pack.outputs.includes("folder") });
}

function writeAppZip(plan, staging, outputs) {
  if (!plan.pack.outputs.includes("zip")) return;
  const name = `${plan.pack.exeName}-${plan.pack.version.text}-win64.zip`;
  writeZip(path.join(staging, name), path.join(staging, plan.pack.name), plan.pack.name);
  outputs.push({ name, kind: "zip", path: path.join(staging, name) });
}

// The outputs, in the order they are made: each step gets the plan, the
// temporary folder and the outputs so far (name, kind, path there), and adds
// its own; later ones may use earlier ones.
export const OUTPUT_STEPS = [writeAppFolder, writeAppZip, writeAppMsi];

function writeError(outDir, error) {
  return new ToolError(`cannot write into ${outDir}: ${error.message}`);
}

// Removes the temporary folder and, after a failure, the folders up to
// outDir that the pack made for it (created: the first of them), if empty.
function removeMade(staging, outDir, created, failed) {
  fs.rmSync(staging, { recursive: true, force: true });
  if (!failed || !created) return;
  for (let folder = outDir; folder.length >= created.length; folder = path.dirname(folder)) {
    try {
      fs.rmdirSync(folder);
    } catch {
      return;
    }
  }
}

// The temporary folder inside outDir where the outputs are made, and its removal.
function makeStaging(outDir) {
  try {
    const created = fs.mkdirSync(outDir, { recursive: true });
    const staging = fs.mkdtempSync(path.join(outDir, ".veltrane-pack-"));
    return { staging, remove: (failed) => removeMade(staging, outDir, created, failed) };
  } catch (error) {
    throw writeError(outDir, error);
  }
}

// Packs the app of a pack file (as readPackFile returns it) into outDir;
// returns the plan, the outputs and the check's result.
export async function pack(settings, outDir, log = console.log) {
  const plan = planApp(settings);
  plan.notes.forEach((note) => log(`note: ${note}`));
  plan.warnings = [];
  await loadResourceLibrary();
  plan.launcher = assetPath(plan.pack.console ? "veltrane-console.exe" : "veltrane.exe");
  const checker = checkerForThisMachine();
  const { staging, remove } = makeStaging(path.resolve(outDir));
  let failed = true;
  const stopInterrupts = onInterrupt(() => failed !== null && remove(true));
  try {
    const outputs = [];
    for (const step of OUTPUT_STEPS) {
      await signalsHandled();
      const started = performance.now();
      const made = outputs.length;
      step(plan, staging, outputs);
      for (const output of outputs.slice(made)) output.seconds = (performance.now() - started) / 1000;
    }
    const check = checker ? checkApp(outputs[0].exe, checker) :
      { skipped: "veltrane-check's Linux build runs on Linux x64 only: check skipped here; on Windows " +
        `run veltrane-check.exe ${plan.pack.exeName}.exe in the app folder` };
    plan.warnings.forEach((warning) => log(`warning: ${warning}`));
    await signalsHandled();
    moveIntoPlace(outputs, staging, outDir);
    failed = false;
    return { plan, outputs: outputs.filter((output) => output.kept !== false), check };
  } catch (error) {
    if (error.keepStaging) failed = null;
    // A signal that ended a child (Ctrl-C reaches the whole process group) ends the pack too.
    await signalsHandled();
    if (error instanceof ToolError || error.code === undefined) throw error;
    throw writeError(outDir, error);
  } finally {
    stopInterrupts();
    if (failed !== null) remove(failed);
  }
}
