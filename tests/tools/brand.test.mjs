// veltrane-brand as a user runs it: brand file, icon and output folder in a
// scratch folder, the launcher from the windows build, the exit status, the
// one-line messages and the written program's manifest.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { test } from "node:test";
import { fileURLToPath } from "node:url";

import { outsideWindows1252 } from "../../tools/lib/brand.js";
import { assemblyName } from "../../tools/lib/manifest.js";

const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const command = path.join(repository, "tools/bin/veltrane-brand.js");
const launcher = process.env.VELTRANE_LAUNCHER || path.join(repository, "build/windows/veltrane.exe");
const missing = fs.existsSync(launcher) ? false : `no launcher at ${launcher}: build the windows preset`;

// An icon file: its header, one directory entry per [size, offset], then pad bytes.
function ico(type, entries, pad = 0) {
  const header = Buffer.alloc(6 + 16 * entries.length + pad);
  header.writeUInt16LE(type, 2);
  header.writeUInt16LE(entries.length, 4);
  entries.forEach(([size, offset], index) => {
    header.writeUInt32LE(size, 6 + 16 * index + 8);
    header.writeUInt32LE(offset, 6 + 16 * index + 12);
  });
  return header;
}

const json = (object) => Buffer.from(JSON.stringify(object));
const refused = (pattern) => ({ status: 1, stderr: pattern, written: false });
const rows = [
  { name: "makes the output's folder, names the manifest after the product, says what it wrote",
    brand: json({ productName: "Acme Draw", version: "2.1" }), out: "new/folder/tool.exe",
    status: 0,
    stdout: /^veltrane-brand: wrote new\/folder\/tool.exe \("Acme Draw", version 2\.1\.0\.0, ANSI code page\)\n$/,
    manifest: /<assemblyIdentity type="win32" name="Acme\.Draw" version="2\.1\.0\.0"/ },
  { name: "an icon file with no image", brand: json({ icon: "a.ico" }),
    files: { "a.ico": ico(1, []) }, ...refused(/a\.ico is not an icon: it holds no image/) },
  { name: "random bytes named .ico", brand: json({ icon: "a.ico" }),
    files: { "a.ico": Buffer.from("not an icon at all") },
    ...refused(/is not an icon: it lacks the icon file header/) },
  { name: "a cursor file", brand: json({ icon: "a.ico" }), files: { "a.ico": ico(2, [[4, 22]], 4) },
    ...refused(/is not an icon: it lacks the icon file header/) },
  { name: "a truncated icon file", brand: json({ icon: "a.ico" }),
    files: { "a.ico": ico(1, [[40, 22]], 39) },
    ...refused(/is not an icon: image 1 of 1 lies outside the file/) },
  { name: "a product name of the longest length that fits",
    brand: json({ productName: "N".repeat(100) }), status: 0, stdout: /wrote tool\.exe \("N{100}", ANSI/ },
  { name: "a product name one character too long, counted in characters",
    brand: json({ productName: "中".repeat(101), codePage: "utf-8" }),
    ...refused(/"productName" has 101 characters; at most 100 fit the failure report on the screen/) },
  { name: "a product name of blanks", brand: json({ productName: "  " }),
    ...refused(/"productName" must be a text that is not empty/) },
  { name: "a brand file in Latin-1", brand: Buffer.from('{"productName": "Jos\xe9"}', "latin1"),
    ...refused(/brand\.json is not UTF-8 text: save it as UTF-8/) },
  { name: "a brand file in UTF-8 with a byte-order mark",
    brand: Buffer.from('\ufeff{"productName": "José €"}'),
    status: 0, stdout: /\("José €", ANSI code page\)/, stderr: /^$/ },
  { name: "letters outside Windows-1252 in an ANSI launcher's name are warned of",
    brand: json({ productName: "Ελληνικά Tool" }), status: 0,
    stderr: new RegExp("^veltrane-brand: warning: the product name has letters outside " +
      'Windows-1252 \\(Εληνικά\\), which an ANSI launcher .* shows as "\\?": ' +
      'brand with "codePage": "utf-8"\n$') },
  { name: "the same name in a UTF-8 launcher is not",
    brand: json({ productName: "Ελληνικά Tool", codePage: "utf-8" }),
    status: 0, stderr: /^$/, stdout: /UTF-8 code page/,
    manifest: /name="Tool"[\s\S]*<activeCodePage[^>]*>UTF-8</ },
  { name: "the mode and the AppUserModelID are stored as the strings the launcher reads",
    brand: json({ mode: "app", appUserModelId: "Acme.Draw" }), status: 0,
    stdout: /app mode, AppUserModelID Acme\.Draw\)/, strings: ["app", "Acme.Draw"] },
  { name: "an AppUserModelID with a blank", brand: json({ appUserModelId: "Acme.Draw Pro" }),
    ...refused(/"appUserModelId" may hold only ASCII letters, digits and punctuation, no blanks/) },
  { name: "an AppUserModelID of 129 characters", brand: json({ appUserModelId: "A.".repeat(64) + "A" }),
    ...refused(/"appUserModelId" has 129 characters; Windows takes at most 128/) },
  { name: "an AppUserModelID with an empty part", brand: json({ appUserModelId: "Acme..Draw" }),
    ...refused(/"appUserModelId" must be parts separated by single dots/) },
];

// A string of a string table as stored: its length in UTF-16 units, then the units.
function storedString(text) {
  const length = Buffer.alloc(2);
  length.writeUInt16LE(text.length);
  return Buffer.concat([length, Buffer.from(text, "utf16le")]);
}

for (const row of rows) {
  test(row.name, { skip: missing }, () => {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), "brand-test-"));
    try {
      fs.writeFileSync(path.join(folder, "brand.json"), row.brand);
      for (const [name, data] of Object.entries(row.files || {})) fs.writeFileSync(path.join(folder, name), data);
      const out = row.out || "tool.exe";
      const result = spawnSync(process.execPath, [command, "brand.json", launcher, out],
        { cwd: folder, encoding: "utf8" });
      assert.equal(result.status, row.status, result.stderr);
      if (row.status !== 0) assert.equal(result.stderr.split("\n").length, 2, "one line");
      if (row.stdout) assert.match(result.stdout, row.stdout);
      if (row.stderr) assert.match(result.stderr, row.stderr);
      assert.equal(fs.existsSync(path.join(folder, out)), row.written ?? true);
      if (row.manifest) assert.match(fs.readFileSync(path.join(folder, out)).toString("latin1"), row.manifest);
      for (const text of row.strings || []) {
        assert.ok(fs.readFileSync(path.join(folder, out)).includes(storedString(text)), text);
      }
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });
}

const names = [["José's Tool", "Jose.s.Tool"], ["  Acme -- Draw 2 ", "Acme.Draw.2"], ["中文", "Application"]];
test("assembly names from product names", () => {
  for (const [product, name] of names) assert.equal(assemblyName(product), name, product);
});

test("letters outside Windows-1252", () => {
  assert.deepEqual(outsideWindows1252("Ÿ€™ ÿé – Łódź ☃ Ł"), ["Ł", "ź", "☃"]);
});
