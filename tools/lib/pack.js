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
import { launcherPlans } from "./launchers.js";
import { signApp, writeAppMsi } from "./pack-installer.js";
import { listFiles, writeZip } from "./zip.js";

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

function copyTree(from, to) {
  for (const file of listFiles(from)) {
    fs.mkdirSync(path.dirname(path.join(to, file)), { recursive: true });
    fs.copyFileSync(path.join(from, file), path.join(to, file));
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
  if (pack.runtime) copyTree(pack.runtime, path.join(folder, "runtime"));
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

// Replaces each output's final name by its new version, the old one last out.
function moveIntoPlace(outputs, staging, outDir) {
  outputs.forEach((output, index) => {
    if (output.kept === false) return;
    const target = path.join(outDir, output.name);
    if (fs.existsSync(target)) fs.renameSync(target, path.join(staging, `.old-${index}`));
    fs.renameSync(path.join(staging, output.name), target);
  });
}

function writeError(outDir, error) {
  return new ToolError(`cannot write into ${outDir}: ${error.message}`);
}

// The temporary folder inside outDir where the outputs are made.
function makeStaging(outDir) {
  try {
    fs.mkdirSync(outDir, { recursive: true });
    return fs.mkdtempSync(path.join(outDir, ".veltrane-pack-"));
  } catch (error) {
    throw writeError(outDir, error);
  }
}

// Packs the app of a pack file (as readPackFile returns it) into outDir;
// returns the plan, the outputs and the check's result.
export async function pack(settings, outDir, log = console.log) {
  const plan = planApp(settings);
  plan.launchers = launcherPlans(plan, vm);
  new Set(plan.notes).forEach((note) => log(`note: ${note}`));
  plan.warnings = [];
  checkContentOutside(plan.pack, outDir);
  await loadResourceLibrary();
  plan.launchers.forEach((launcher) => assetPath(launcher.asset));
  const checker = checkerForThisMachine();
  const staging = makeStaging(outDir);
  try {
    const outputs = [];
    for (const step of OUTPUT_STEPS) {
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
    moveIntoPlace(outputs, staging, outDir);
    return { plan, outputs: outputs.filter((output) => output.kept !== false), check };
  } catch (error) {
    if (error instanceof ToolError || error.code === undefined) throw error;
    throw writeError(outDir, error);
  } finally {
    fs.rmSync(staging, { recursive: true, force: true });
  }
}
