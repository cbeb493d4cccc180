// Builds an app folder into a Windows Installer package with wixl (msitools),
// on any machine that has it. Per user by default: no elevation, installed
// into %LOCALAPPDATA%\Programs\<name>. Used by veltrane-pack.
import { spawnSync } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { msiVersion, nameUuid } from "./msi-settings.js";
import { addTables, extraTables } from "./msi-tables.js";
import { windowsNameProblem } from "./windows-names.js";
import { appShortcuts, wixSource } from "./wix.js";
import { listFiles } from "./zip.js";

// 1980-01-01, the earliest time a cabinet can hold, unless SOURCE_DATE_EPOCH says otherwise.
export function fixedTime(env = process.env) {
  const epoch = Number(env.SOURCE_DATE_EPOCH);
  return env.SOURCE_DATE_EPOCH && Number.isInteger(epoch) && epoch >= 315532800 ?
    epoch * 1000 : Date.UTC(1980, 0, 1);
}

// An icon from outside the app folder, copied beside the exe once however
// many associations show it; returns its name there.
function outsideIcon(icon, files, staging, copied) {
  if (copied.has(icon)) return copied.get(icon);
  const name = path.basename(icon);
  const problem = windowsNameProblem(name);
  if (problem) throw new ToolError(`the icon ${icon}: its name ${problem}`);
  if (files.some((file) => file.relative.toLowerCase() === name.toLowerCase())) {
    throw new ToolError(`the icon ${icon} would overwrite ${name} in the app folder`);
  }
  const copy = path.join(staging, name);
  try {
    fs.copyFileSync(icon, copy);
  } catch (error) {
    throw new ToolError(`cannot read the icon ${icon}: ${error.code || error.message}`);
  }
  files.push({ relative: name, source: copy });
  copied.set(icon, name);
  return name;
}

// An association's icon from outside the app folder is installed beside the exe.
function associationIcons(settings, folder, files, staging) {
  const copied = new Map();
  return settings.associations.map((association) => {
    if (!association.icon) return { ...association, iconFile: null };
    const inside = path.relative(folder, association.icon);
    if (!inside.startsWith("..") && !path.isAbsolute(inside)) {
      return { ...association, iconFile: inside.split(path.sep).join("/") };
    }
    return { ...association, iconFile: outsideIcon(association.icon, files, staging, copied) };
  });
}

// wixl takes only relative file names: it runs in the folder of the source.
function runWixl(source, output, time) {
  // The cabinet's file dates are local times: UTC makes them the same everywhere.
  const env = { ...process.env, TZ: "UTC", SOURCE_DATE_EPOCH: String(time / 1000) };
  const result = spawnSync("wixl", ["-a", "x64", "-o", path.resolve(output), path.basename(source)],
    { cwd: path.dirname(source), encoding: "utf8", env });
  if (result.error && result.error.code === "ENOENT") {
    throw new ToolError("wixl not found: install the Debian package wixl (apt-get install wixl), " +
      "or msitools elsewhere (brew install msitools)");
  }
  if (result.error || result.status !== 0) {
    const lines = `${result.stderr || ""}`.split("\n").filter((l) => /\S/.test(l) && !/GLib/.test(l));
    const said = lines[0] || result.error?.message ||
      (result.signal ? `wixl crashed (${result.signal})` : `status ${result.status}`);
    throw new ToolError(`wixl could not build the MSI: ${said}`);
  }
}

const FILETIME_EPOCH_MS = 11644473600000n;

// wixl writes a random package code and its own start time into the summary
// information. Both are set here from the package's own bytes and the fixed
// time, so the same inputs give the same MSI; the package code still changes
// whenever anything else in the package does. Returns false when the fields
// are not where wixl 0.101 puts them.
const PACKAGE_CODE = /\x1e\0\0\0\x27\0\0\0\{[0-9A-F-]{36}\}\0/g;

// The package code of an MSI as wixl writes it, or null.
export function packageCode(msi) {
  const codes = [...msi.toString("latin1").matchAll(PACKAGE_CODE)];
  return codes.length === 1 ? codes[0][0].slice(9, 45) : null;
}

export function settleSummary(msi, startMs, endMs, time) {
  const text = msi.toString("latin1");
  const codes = [...text.matchAll(PACKAGE_CODE)];
  if (codes.length !== 1) return false;
  const at = codes[0].index + 8;
  const stamps = [];
  for (let offset = at + 39; offset < Math.min(at + 160, msi.length - 12); offset += 1) {
    if (msi.readUInt32LE(offset) !== 0x40) continue;
    const ms = Number(msi.readBigUInt64LE(offset + 4) / 10000n - FILETIME_EPOCH_MS);
    if (ms >= startMs - 2000 && ms <= endMs + 2000) stamps.push(offset + 4);
  }
  if (stamps.length !== 2) return false;
  for (const stamp of stamps) msi.writeBigUInt64LE((BigInt(time) + FILETIME_EPOCH_MS) * 10000n, stamp);
  msi.fill(0x30, at + 1, at + 37);
  const digest = crypto.createHash("sha256").update(msi).digest("hex");
  msi.write(nameUuid("5a0c3e55-31d1-4b5a-8e3b-2f4a0a1c9d77", digest), at + 1, "latin1");
  return true;
}

function installDescription(settings, name) {
  return settings.scope === "machine" ? `for all users into Program Files\\${name}` :
    `per user into %LOCALAPPDATA%\\Programs\\${name}`;
}

// The files to install, with the association icons from outside the app
// folder copied into staging, each with the fixed time while wixl runs (the
// cabinet keeps every file's time), named relative to staging (wixl takes no
// other names).
function stageFiles(app, staging, time) {
  const files = listFiles(app.folder).map((relative) => ({ relative, source: path.join(app.folder, relative) }));
  const associations = associationIcons(app.settings, app.folder, files, staging);
  for (const file of files) {
    const { atime, mtime } = fs.statSync(file.source);
    file.restore = [file.source, atime, mtime];
    fs.utimesSync(file.source, time / 1000, time / 1000);
    file.source = path.relative(staging, file.source);
  }
  files.sort((a, b) => Buffer.compare(Buffer.from(a.relative), Buffer.from(b.relative)));
  return { files, associations };
}

function writeSource(app, staged, staging, version) {
  const { scope, upgradeCode, shortcuts } = app.settings;
  const productCode = nameUuid(upgradeCode, `product\n${scope}\n${version}`);
  const source = { ...app, ...staged, version, upgradeCode, productCode, scope,
    desktop: shortcuts.desktop, exeFile: `${app.main.exeName}.exe`,
    header: [`Made by veltrane-pack from ${path.basename(app.packFile)} and the app folder ` +
      `${path.basename(app.folder)}; made again on every pack, not to be edited.`,
    `${app.name} ${version}, installed ${installDescription(app.settings, app.name)}.`] };
  fs.writeFileSync(path.join(staging, "app.wxs"), wixSource(source));
  return { productCode, extra: extraTables(source, appShortcuts(source)) };
}

// The launchers, by default the one named exeName with the Start-menu
// shortcut; the main one gives the installer its icon.
function withLaunchers(app) {
  const launchers = app.launchers ?? [{ exeName: app.exeName, shortcut: true, shortcutName: app.name }];
  for (const { exeName } of launchers) {
    const exe = path.join(app.folder, `${exeName}.exe`);
    if (!fs.existsSync(exe)) throw new ToolError(`${exe} is missing: the MSI needs the app's exe`);
  }
  const main = launchers.find((l) => l.shortcut) || launchers.find((l) => !l.console) || launchers[0];
  return { ...app, launchers, main };
}

// Writes outFile, the MSI of the app folder. app: name, vendor, version,
// description, exeName (without ".exe"), launchers (as appLaunchers makes
// them; by default the one exeName), appUserModelId, folder, settings
// (readMsiSettings), packFile. Returns what it made and prints the codes to keep.
export function buildMsi(given, outFileGiven, log = console.log) {
  const outFile = path.resolve(outFileGiven);
  const { version, ignored } = msiVersion(given.version, given.packFile);
  const app = withLaunchers(given);
  const time = fixedTime();
  const staging = fs.mkdtempSync(`${outFile}.tmp-`);
  let staged = { files: [] };
  try {
    staged = stageFiles(app, staging, time);
    const { productCode, extra } = writeSource(app, staged, staging, version);
    const built = path.join(staging, "app.msi");
    const start = Date.now();
    runWixl(path.join(staging, "app.wxs"), built, time);
    addTables(built, extra, staging);
    const msi = fs.readFileSync(built);
    const reproducible = settleSummary(msi, start, Date.now(), time);
    fs.writeFileSync(built, msi);
    fs.renameSync(built, outFile);
    if (ignored && ignored !== "0") {
      log(`msi: version ${version}: Windows Installer ignores the fourth field (${ignored})`);
    }
    const { upgradeCode } = app.settings;
    log(`msi: ${path.basename(outFile)} installs ${installDescription(app.settings, app.name)}`);
    log(`msi: upgrade code {${upgradeCode}}: keep it for every later version of ${app.name}`);
    if (!reproducible) log("msi: note: the package code and times are wixl's own: two builds differ");
    const texts = [app.name, app.vendor, app.description, ...staged.files.map((file) => file.relative)];
    if (texts.some((text) => /[^\x20-\x7e]/.test(text || ""))) {
      // wixl stores its tables as UTF-8 under code page 0; Windows Installer
      // reads code page 0 in the machine's own ANSI code page.
      log("msi: note: names outside ASCII are stored as UTF-8: Wine shows them right, " +
        "Windows may not (untested there)");
    }
    return { file: outFile, upgradeCode, productCode, version, reproducible };
  } finally {
    for (const { restore } of staged.files) if (restore) fs.utimesSync(...restore);
    fs.rmSync(staging, { recursive: true, force: true });
  }
}
