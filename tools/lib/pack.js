// Packing: the app folder and its zip, written into a temporary folder beside
// the output and renamed into place only when every output is made and
// checked, so a failure leaves nothing under the final names.
import fs from "node:fs";
import path from "node:path";
import { performance } from "node:perf_hooks";

import { configText } from "./app-config.js";
import { planApp, vm } from "./app-plan.js";
import { assetPath } from "./assets.js";
import { brandExecutable, loadResourceLibrary } from "./brand.js";
import { checkApps, checkerForThisMachine } from "./checker.js";
import { checkContentOutside, copyContent } from "./content.js";
import { ToolError } from "./errors.js";
import { onInterrupt, signalsHandled } from "./interrupt.js";
import { launcherPlans } from "./launchers.js";
import { linkedRuntime } from "./linked-runtime.js";
import { moveIntoPlace } from "./outputs-in-place.js";
import { signApp, writeAppMsi } from "./pack-installer.js";
import { writeZip } from "./zip.js";

const TOOL_VERSION = JSON.parse(fs.readFileSync(new URL("../package.json", import.meta.url), "utf8")).version;

function brandOf(pack, launcher) {
  const brand = { productName: pack.name, fileDescription: launcher.description || pack.name,
    version: pack.version.numbers, codePage: pack.codePage, mode: "app" };
  if (pack.vendor) brand.companyName = pack.vendor;
  if (pack.copyright) brand.copyright = pack.copyright;
  if (launcher.icon) brand.icon = launcher.icon;
  brand.appUserModelId = pack.appUserModelId;
  return brand;
}

function copyTree(files, to) {
  for (const file of files) {
    fs.mkdirSync(path.dirname(path.join(to, file.relative)), { recursive: true });
    fs.copyFileSync(file.source, path.join(to, file.relative));
  }
}

// Each launcher branded (and signed) with its configuration beside it.
function writeLaunchers(plan, folder) {
  const warnings = new Set();
  const exes = plan.launchers.map((launcher) => {
    const exe = path.join(folder, `${launcher.exeName}.exe`);
    brandExecutable(brandOf(plan.pack, launcher), assetPath(launcher.asset), exe).warnings
      .forEach((warning) => warnings.add(warning));
    signApp(plan.pack, exe);
    fs.writeFileSync(path.join(folder, `${launcher.exeName}.config`), configText(launcher.plan, TOOL_VERSION));
    return exe;
  });
  plan.warnings.push(...warnings);
  return exes;
}

function writeAppFolder(plan, staging, outputs) {
  const { pack } = plan;
  const folder = path.join(staging, pack.name);
  fs.mkdirSync(path.join(folder, "lib"), { recursive: true });
  const exes = writeLaunchers(plan, folder);
  for (const jar of plan.classPath) fs.copyFileSync(jar.file, path.join(folder, "lib", jar.name));
  if (pack.runtime) copyTree(plan.runtimeFiles, path.join(folder, "runtime"));
  copyContent(pack.contentFiles, folder);
  // Made for the zip and the MSI even when it is not an output itself.
  outputs.push({ name: pack.name, kind: "folder", path: folder, exes, kept: pack.outputs.includes("folder") });
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

// The settings with a linked runtime's folder as "runtime" when it is a
// recipe; the app is planned once without it first, so that its mistakes
// are told before a JDK is downloaded, and for the jars jdeps reads.
async function withRuntimeFolder(settings, log) {
  if (!settings.runtime || typeof settings.runtime === "string") return { settings };
  const draft = planApp({ ...settings, runtime: undefined });
  const linked = await linkedRuntime(settings, draft.classPath.map((jar) => jar.file), log);
  return { settings: { ...settings, runtime: linked.folder }, runtimeLines: linked.lines };
}

// Packs the app of a pack file (as readPackFile returns it) into outDir;
// returns the plan, the outputs and the check's result.
export async function pack(packSettings, outDir, log = console.log) {
  const { settings, runtimeLines } = await withRuntimeFolder(packSettings, log);
  const plan = planApp(settings);
  plan.runtimeLines = runtimeLines;
  plan.launchers = launcherPlans(plan, vm);
  new Set(plan.notes).forEach((note) => log(`note: ${note}`));
  plan.warnings = [];
  checkContentOutside(plan.pack, outDir);
  await loadResourceLibrary();
  plan.launchers.forEach((launcher) => assetPath(launcher.asset));
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
    const exes = plan.launchers.map((l) => `${l.exeName}.exe`).join(", then ");
    const check = checker ? checkApps(outputs[0].exes, checker) :
      { skipped: "veltrane-check's Linux build runs on Linux x64 only: check skipped here; on Windows " +
        `run veltrane-check.exe ${exes} in the app folder` };
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
