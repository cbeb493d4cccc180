// The MSI module: its settings, its codes, and what wixl makes of an app folder.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import test from "node:test";

import { buildMsi } from "../../tools/lib/msi.js";
import { msiVersion, readMsiSettings, upgradeCodeFor } from "../../tools/lib/msi-settings.js";
import { progIdOf } from "../../tools/lib/wix.js";

const PACK = { name: "Acme Draw", vendor: "Acme", version: "1.0.0", mainJar: "app.jar" };

const settingsErrors = [
  [{ installScope: "everyone" }, /"installScope" must be "user" or "machine"/],
  [{ shortcuts: { desktop: "yes" } }, /"shortcuts" must be/],
  [{ shortcuts: { startMenu: false } }, /"shortcuts" must be/],
  [{ fileAssociations: { extension: "acd" } }, /"fileAssociations" must be a list/],
  [{ fileAssociations: [{ extension: "a c" }] }, /\[0\]: "extension" must be letters/],
  [{ fileAssociations: [{ extension: "acd", verb: "edit" }] }, /\[0\]: unknown key "verb"/],
  [{ fileAssociations: [{ extension: "acd", icon: "doc.png" }] }, /"icon" must be an \.ico file/],
  [{ fileAssociations: [{ extension: "acd" }, { extension: ".ACD" }] }, /\.acd appears twice/],
  [{ upgradeCode: "not-a-guid" }, /"upgradeCode" must be a GUID/],
  [{ name: "Acme: Draw" }, /cannot be the name of an install folder/],
];
for (const [keys, message] of settingsErrors) {
  test(`installer settings ${JSON.stringify(keys)} are refused in one line`, () => {
    assert.throws(() => readMsiSettings({ ...PACK, ...keys }, "/p/pack.json"),
      (error) => message.test(error.message) && error.message.startsWith("/p/pack.json: ") &&
        !error.message.includes("\n"));
  });
}

test("installer settings: defaults, and icons found beside the pack file", () => {
  const settings = readMsiSettings({ ...PACK, fileAssociations: [{ extension: ".ACD",
    icon: "doc.ico" }], upgradeCode: "{0f0e0d0c-0b0a-4908-8706-050403020100}" }, "/p/pack.json");
  assert.deepEqual(settings, { scope: "user", shortcuts: { desktop: false }, associations: [
    { extension: "acd", description: "ACD document", icon: "/p/doc.ico" }],
  upgradeCode: "0F0E0D0C-0B0A-4908-8706-050403020100" });
  assert.deepEqual(readMsiSettings({ ...PACK, shortcuts: {} }, "/p/pack.json").shortcuts, { desktop: false });
});

test("a ProgId is valid for any exe name and the app's own", () => {
  const code = "0F0E0D0C-0B0A-4908-8706-050403020100";
  assert.deepEqual([["Acme Draw.v2", "acd"], ["日本", "acd"], ["7zip", "acd"], ["Acme", "x".repeat(32)]]
    .map(([exeName, extension]) => progIdOf(exeName, code, extension)),
  ["AcmeDrawv2.0F0E0D0C.acd", "App.0F0E0D0C.acd", "App7zip.0F0E0D0C.acd", `Acm.0F0E0D0C.${"x".repeat(32)}`]);
  assert.notEqual(progIdOf("Acme", upgradeCodeFor("Acme", "Other"), "acd"), progIdOf("Acme", code, "acd"));
});

test("the upgrade code is fixed by name and vendor, and never changes between releases", () => {
  // Pinned: a new value here would make every earlier MSI a different product.
  assert.equal(upgradeCodeFor("Acme Draw", "Acme"), "8B91E5C7-C1F0-5FF8-9C2B-6442B8E3A56C");
  assert.notEqual(upgradeCodeFor("Acme Draw", "Other"), upgradeCodeFor("Acme Draw", "Acme"));
});

const versions = [["1.2", "1.2.0", ""], ["1.2.3.4", "1.2.3", "4"], ["255.255.65535", "255.255.65535", ""]];
for (const [given, version, ignored] of versions) {
  test(`version ${given} is ${version} for Windows Installer`, () => {
    assert.deepEqual(msiVersion(given, "pack.json"), { version, ignored });
  });
}
for (const given of ["256.0.0", "1.2.65536", "1.x", "1.2.3.4.5"]) {
  test(`version ${given} cannot order upgrades and is refused`, () => {
    assert.throws(() => msiVersion(given, "pack.json"), /major and minor up to 255/);
  });
}

function appFolder(root) {
  const folder = path.join(root, "AcmeDraw");
  fs.mkdirSync(path.join(folder, "lib"), { recursive: true });
  fs.copyFileSync(new URL("../../res/veltrane.ico", import.meta.url), path.join(root, "doc.ico"));
  fs.writeFileSync(path.join(folder, "AcmeDraw.exe"), "MZ stand-in");
  fs.writeFileSync(path.join(folder, "acme.exe"), "MZ stand-in, console");
  fs.writeFileSync(path.join(folder, "lib", "app.jar"), "jar");
  return folder;
}

function build(root, pack, out, env = {}) {
  const saved = { ...process.env };
  Object.assign(process.env, env);
  const lines = [];
  try {
    const settings = readMsiSettings(pack, path.join(root, "pack.json"));
    return { ...buildMsi({ ...pack, exeName: "AcmeDraw", folder: path.join(root, "AcmeDraw"),
      settings, packFile: path.join(root, "pack.json") }, out, (line) => lines.push(line)), lines };
  } finally {
    process.env = saved;
  }
}

function table(msi, name) {
  // cwd: msiinfo writes the streams of a binary table (Icon) into files there.
  const result = spawnSync("msiinfo", ["export", msi, name], { encoding: "utf8", cwd: path.dirname(msi) });
  return result.stdout.split(/\r?\n/).slice(3).filter(Boolean).map((row) => row.split("\t"));
}

const sha256 = (file) => crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex");

function differences(a, b) {
  const ranges = [];
  for (let i = 0; i < a.length; i += 1) {
    if (a[i] === b[i]) continue;
    const last = ranges[ranges.length - 1];
    if (last && i - last[1] <= 8) last[1] = i; else ranges.push([i, i]);
  }
  return ranges;
}

test("two builds of the same folder give the same MSI bytes; wixl alone would not", (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "msi-test-"));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  appFolder(root);
  // One icon for two associations is one file; with the tables msibuild adds: the shortcut's ID and PATH.
  const pack = { ...PACK, fileAssociations: ["acd", "acx"].map((extension) => ({ extension, icon: "doc.ico" })),
    appUserModelId: "Acme.Draw", launchers: [{ exeName: "AcmeDraw", shortcut: true, shortcutName: "Acme Draw",
      path: true }] };
  const one = build(root, pack, path.join(root, "one.msi"));
  fs.utimesSync(path.join(root, "AcmeDraw", "lib", "app.jar"), 1e9, 1e9);
  const two = build(root, pack, path.join(root, "two.msi"));
  console.log(`one.msi ${sha256(one.file)}\ntwo.msi ${sha256(two.file)}`);
  assert.equal(sha256(one.file), sha256(two.file));
  assert.equal(one.reproducible, true);
  assert.notEqual(build(root, { ...pack, version: "1.0.1" }, path.join(root, "three.msi")).productCode, one.productCode);
  assert.deepEqual(fs.readdirSync(root).sort(), ["AcmeDraw", "doc.ico", "one.msi", "three.msi", "two.msi"]);
  // wixl by itself, twice on one source a second apart: where its outputs differ.
  const wxs = path.join(root, "raw.wxs");
  fs.writeFileSync(wxs, `<?xml version="1.0"?><Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
    <Product Id="${one.productCode}" Name="Raw" Language="1033" Version="1.0.0" Manufacturer="Acme"
      UpgradeCode="${one.upgradeCode}"><Package Compressed="yes" InstallScope="perUser"/>
    <Media Id="1" Cabinet="a.cab" EmbedCab="yes"/><Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="F" Level="1"/></Product></Wix>`);
  const raw = [1, 2].map((n) => {
    if (n === 2) spawnSync("sleep", ["1.1"]);
    spawnSync("wixl", ["-o", `raw${n}.msi`, "raw.wxs"], { cwd: root });
    return fs.readFileSync(path.join(root, `raw${n}.msi`));
  });
  const ranges = differences(raw[0], raw[1]);
  const summary = spawnSync("msiinfo", ["suminfo", path.join(root, "raw1.msi")], { encoding: "utf8" })
    .stdout.split("\n").filter((line) => /Revision|Created|Last saved/.test(line));
  console.log(`wixl alone: bytes ${ranges.map(([a, b]) => `${a}-${b}`).join(", ")} differ, in ` +
    `the summary information: ${summary.join("; ")} (a random package code and wixl's clock)`);
  assert.ok(ranges.length > 0);
});

test("an MSI per user writes only HKCU and the user's folders; per machine HKLM and Program Files",
  (t) => {
    const root = fs.mkdtempSync(path.join(os.tmpdir(), "msi-test-"));
    t.after(() => fs.rmSync(root, { recursive: true, force: true }));
    appFolder(root);
    // Word count 10: compressed, and no elevation (8); 2: compressed, elevated.
    // The PATH entry: "=" on install, "-" on uninstall, "*" the machine's.
    const rows = [["user", "1", ["DesktopFolder", "LocalAppDataFolder", "ProgramMenuFolder"], "10", "=-PATH"],
      ["machine", "2", ["DesktopFolder", "ProgramFiles64Folder", "ProgramMenuFolder"], "2", "=-*PATH"]];
    const guids = [];
    for (const [installScope, root_, places, wordCount, pathName] of rows) {
      // Brackets are kept as written in formatted fields; "---" in the source's comment.
      const pack = { ...PACK, name: "Acme --- Draw", vendor: "[Acme]", installScope, shortcuts: { desktop: true },
        fileAssociations: [{ extension: "acd", description: "Drawing [1]" }], appUserModelId: "Acme.Draw",
        launchers: [{ exeName: "AcmeDraw", shortcut: true, shortcutName: "Acme Draw" },
          { exeName: "acme", console: true, shortcut: true, shortcutName: "Acme Shell", path: true }] };
      const { file } = build(root, pack, path.join(root, `${installScope}.msi`));
      assert.deepEqual([...new Set(table(file, "Registry").map((row) => row[1]))], [root_]);
      const registry = table(file, "Registry").map((row) => `${row[2]} = ${row[4]}`);
      assert.ok(registry.includes("Software\\[\\[]Acme[\\]]\\Acme --- Draw = [INSTALLDIR]"), registry.join("\n"));
      assert.ok(registry.some((row) => row.endsWith(" = Drawing [\\[]1[\\]]")), registry.join("\n"));
      guids.push(table(file, "Component").map((row) => row[1]));
      const summary = spawnSync("msiinfo", ["suminfo", file], { encoding: "utf8" }).stdout;
      assert.match(summary, new RegExp(`^Source: ${wordCount} `, "m"));
      const tops = table(file, "Directory").filter((row) => row[1] === "TARGETDIR").map((r) => r[0]);
      assert.deepEqual(tops.sort(), places);
      const command = table(file, "Registry").find((row) => row[2].endsWith("open\\command"));
      assert.match(command[4], /^"\[#f[0-9a-f]+\]" "%1"$/);
      // The uninstall entry's icon: the exe's own, from the Icon table.
      assert.deepEqual(table(file, "Property").find((row) => row[0] === "ARPPRODUCTICON"),
        ["ARPPRODUCTICON", "AppIcon.exe"]);
      assert.equal(table(file, "Icon")[0][0], "AppIcon.exe");
      // Both Start-menu shortcuts and the main one's on the desktop carry the app's ID.
      assert.deepEqual(table(file, "MsiShortcutProperty").map((row) => row.slice(2)),
        Array(3).fill(["System.AppUserModel.ID", "Acme.Draw"]));
      assert.deepEqual(table(file, "Shortcut").map((row) => row[2]).sort(), ["Acme Draw", "Acme Draw", "Acme Shell"]);
      assert.deepEqual(table(file, "Environment"), [["PathEntry", pathName, "[~];[INSTALLDIR]", "Registration"]]);
      assert.deepEqual(table(file, "InstallExecuteSequence").filter((row) => /Environment/.test(row[0]))
        .map((row) => [row[0], row[2]]).sort(), [["RemoveEnvironmentStrings", "3300"], ["WriteEnvironmentStrings", "5200"]]);
    }
    assert.equal(guids[0].filter((guid) => guids[1].includes(guid)).length, 0, "component GUIDs per scope");
  });

test("the fourth version field is reported as ignored; a missing wixl is named", (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "msi-test-"));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  appFolder(root);
  // A relative output name, as a command line gives it.
  const relative = path.relative(process.cwd(), path.join(root, "a.msi"));
  const { lines, version } = build(root, { ...PACK, version: "1.2.3.4" }, relative);
  assert.ok(fs.existsSync(path.join(root, "a.msi")));
  assert.equal(version, "1.2.3");
  assert.match(lines.join("\n"), /ignores the fourth field \(4\)/);
  assert.match(lines.join("\n"), /upgrade code \{[0-9A-F-]{36}\}: keep it/);
  // wixl crashes on a registry key outside Windows-1252: the app's own key is then its upgrade code.
  const { file, upgradeCode } = build(root, { ...PACK, name: "日本 Draw" }, path.join(root, "c.msi"));
  assert.ok(table(file, "Registry").some((row) => row[2] === `Software\\${upgradeCode}`));
  assert.throws(() => build(root, PACK, path.join(root, "b.msi"), { PATH: "/nonexistent" }),
    /wixl not found: install the Debian package wixl .*brew install msitools/);
  assert.ok(!fs.existsSync(path.join(root, "b.msi")));
});
