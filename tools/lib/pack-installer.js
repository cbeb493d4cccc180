// The pack's installer and signing: the pack-file keys for them, the exe
// signed as soon as it is branded, and the MSI made from the app folder and
// signed last.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { buildMsi, packageCode } from "./msi.js";
import { msiVersion, readMsiSettings } from "./msi-settings.js";
import { readSignSettings, signFile } from "./sign.js";

export const OUTPUTS = ["folder", "zip", "msi"];

function outputs(context, key, value) {
  if (!Array.isArray(value) || value.length === 0 || !value.every((item) => OUTPUTS.includes(item))) {
    throw new ToolError(`${context.file}: "${key}" must be a list of ${OUTPUTS.map((o) => `"${o}"`).join(", ")}`);
  }
  return [...new Set(value)];
}

// Kept as written: checked as a whole, with the name and vendor, by installerSettings.
const asWritten = (context, key, value) => value;

// The pack-file keys, in the pack file's own form (see pack-file.js).
export const INSTALLER_KEYS = { outputs, installScope: asWritten, shortcuts: asWritten,
  fileAssociations: asWritten, upgradeCode: asWritten, sign: asWritten };

function readSignFile(file) {
  try {
    return JSON.parse(fs.readFileSync(file, "utf8").replace(/^\uFEFF/, ""));
  } catch (error) {
    throw new ToolError(`cannot read the signing file ${file}: ${error.code || error.message}`);
  }
}

// Completes a pack's settings from the command line (--msi, --sign FILE):
// pack.outputs, pack.msi (the installer settings) and pack.sign (the signer,
// or null). Every mistake is found here, before anything is written.
export function installerSettings(pack, options = {}) {
  pack.outputs = [...(pack.outputs || ["folder", "zip"])];
  if (options.msi && !pack.outputs.includes("msi")) pack.outputs.push("msi");
  pack.msi = readMsiSettings(pack, pack.file);
  if (pack.outputs.includes("msi")) {
    msiVersion(pack.version.text, pack.file);
    // The vendor names a registry key of the MSI's own, which a backslash would split.
    if (pack.vendor?.includes("\\")) {
      throw new ToolError(`${pack.file}: "vendor" holds "\\", which splits the MSI's registry key`);
    }
  }
  const signFileName = options.sign ? path.resolve(options.sign) : null;
  if (signFileName && pack.sign) {
    throw new ToolError(`${pack.file}: "sign" is there, and --sign gives another: keep one`);
  }
  pack.sign = signFileName ? readSignSettings(readSignFile(signFileName), signFileName) :
    pack.sign ? readSignSettings(pack.sign, pack.file) : null;
  // Read once, the secret leaves the environment that every child inherits.
  if (pack.sign) delete process.env[pack.sign.secretVariable];
  return pack;
}

// Signs the branded exe in place, when the pack signs.
export function signApp(pack, exe) {
  if (pack.sign) signFile(pack.sign, exe, exe, pack.name);
}

// Whether an MSI of the same name in the output folder was made from other
// content: the package code follows the content (see msi.js).
function changedSinceLastPack(file, previous) {
  if (!fs.existsSync(previous)) return false;
  const before = packageCode(fs.readFileSync(previous));
  return before !== null && before !== packageCode(fs.readFileSync(file));
}

// The output step of the MSI: DIR/<exeName>-<version>-win64.msi of the app folder.
export function writeAppMsi(plan, staging, made) {
  const { pack } = plan;
  if (!pack.outputs.includes("msi")) return;
  const name = `${pack.exeName}-${pack.version.text}-win64.msi`;
  const lines = [];
  const file = path.join(staging, name);
  const built = buildMsi({ name: pack.name, vendor: pack.vendor, version: pack.version.text,
    description: pack.description, exeName: pack.exeName, launchers: pack.launchers,
    appUserModelId: pack.appUserModelId, folder: path.join(staging, pack.name),
    settings: pack.msi, packFile: pack.file }, file, (line) => lines.push(line.replace(/^msi: /, "")));
  const changed = built.reproducible && changedSinceLastPack(file, path.join(path.dirname(staging), name));
  if (changed) {
    plan.warnings.push(`${name} holds other content than the one packed before with version ` +
      `${pack.version.text}: Windows takes both for one product and does not update an installed one: ` +
      'give every changed release a new "version"');
  }
  signApp(pack, file);
  made.push({ name, kind: "msi", path: file, lines: lines.map((line) => line.replace(`${name} `, "")) });
}
