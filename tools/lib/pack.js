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
import { removeOnInterrupt } from "./interrupt.js";
import { linkedRuntime } from "./linked-runtime.js";
import { signApp, writeAppMsi } from "./pack-installer.js";
import { listFiles, writeZip } from "./zip.js";

const TOOL_VERSION = JSON.parse(fs.readFileSync(new URL("../package.json", import.meta.url), "utf8")).version;

function brandOf(pack) {
  const brand = { productName: pack.name, fileDescription: pack.description || pack.name,
    version: pack.version.numbers, codePage: pack.codePage, mode: "app" };
  if (pack.vendor) brand.companyName = pack.vendor;
  if (pack.copyright) brand.copyright = pack.copyright;
  if (pack.icon) brand.icon = pack.icon;
  return brand;
}

function copyTree(from, to) {
  for (const file of listFiles(from)) {
    fs.mkdirSync(path.dirname(path.join(to, file)), { recursive: true });
    fs.copyFileSync(path.join(from, file), path.join(to, file));
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
  if (pack.runtime) copyTree(pack.runtime, path.join(folder, "runtime"));
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
  plan.notes.forEach((note) => log(`note: ${note}`));
  plan.warnings = [];
  await loadResourceLibrary();
  plan.launcher = assetPath(plan.pack.console ? "veltrane-console.exe" : "veltrane.exe");
  const checker = checkerForThisMachine();
  const staging = makeStaging(outDir);
  const forgetStaging = removeOnInterrupt(staging);
  try {
    const outputs = [];
    for (const step of OUTPUT_STEPS) {
      const started = performance.now();
      const made = outputs.length;
      step(plan, staging, outputs);
      for (const output of outputs.slice(made)) output.seconds = (performance.now() - started) / 1000;
    }
    const check = checker ? checkApp(outputs[0].exe, checker) :
      { skipped: "veltrane-check's Linux build runs on Linux x64 only: check skipped here; on Windows " +
        `run veltrane-check.exe ${plan.pack.exeName}.exe in the app folder` };
    plan.warnings.forEach((warning) => log(`warning: ${warning}`));
    moveIntoPlace(outputs, staging, outDir);
    return { plan, outputs: outputs.filter((output) => output.kept !== false), check };
  } catch (error) {
    if (error instanceof ToolError || error.code === undefined) throw error;
    throw writeError(outDir, error);
  } finally {
    fs.rmSync(staging, { recursive: true, force: true });
    forgetStaging();
  }
}
