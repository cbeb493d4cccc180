// The rules veltrane-pack's pieces follow: arguments quoted as a Windows
// program reads them back, Java versions compared, manifests read, zips read.
import assert from "node:assert/strict";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { test } from "node:test";

import { quoteArgument } from "../../tools/lib/app-config.js";
import { defaultAppId } from "../../tools/lib/app-id.js";
import { checkAppUserModelId } from "../../tools/lib/brand-file.js";
import { addressProblem } from "../../tools/lib/download.js";
import { editDistance, nearest } from "../../tools/lib/edit-distance.js";
import { parseManifest } from "../../tools/lib/jar-manifest.js";
import { moduleListOf } from "../../tools/lib/jdeps.js";
import { featureInterim } from "../../tools/lib/jlink.js";
import { automaticModuleName } from "../../tools/lib/modules.js";
import { moveIntoPlace } from "../../tools/lib/outputs-in-place.js";
import { compareJavaVersions } from "../../tools/lib/runtime.js";
import { caseClash, windowsNameProblem, windowsPathProblem } from "../../tools/lib/windows-names.js";
import { entryTime, listFiles } from "../../tools/lib/zip.js";
import { zipEntries, zipEntryData } from "../../tools/lib/zip-read.js";

const { zipSync } = createRequire(new URL("../../tools/package.json", import.meta.url))("fflate");

const quoting = [
  ["-Xmx1g", "-Xmx1g"],
  ["C:\\dir\\", "C:\\dir\\"],
  ["", '""'],
  ["a b", '"a b"'],
  ["-Dhome=%EXEDIR%", '"-Dhome=%EXEDIR%"'],
  ['say "hi"', '"say \\"hi\\""'],
  ["C:\\my dir\\", '"C:\\my dir\\\\"'],
  ['a\\" b', '"a\\\\\\" b"'],
];
for (const [argument, quoted] of quoting) {
  test(`argument ${JSON.stringify(argument)} is written ${quoted}`, () => {
    assert.equal(quoteArgument(argument), quoted);
  });
}

const versions = [["17.0.2", "17", 1], ["17", "17.0.0", 0], ["11.0.22", "17", -1], ["1.8.0_392", "8", 1],
  ["21.0.1+12", "21.0.2", -1]];
for (const [a, b, order] of versions) {
  test(`Java ${a} against ${b}: ${order}`, () => assert.equal(compareJavaVersions(a, b), order));
}

// What jlink matches on, what jdeps answers, which addresses a JDK may come from.
const readings = [
  [featureInterim, "21.0.5+11", "21.0"], [featureInterim, "21", "21.0"], [featureInterim, "17.0.15+6-Debian", "17.0"],
  [moduleListOf, "Warning: split package\njava.base,java.desktop\n", ["java.base", "java.desktop"]],
  [moduleListOf, "Error: broken.jar is not a valid jar file", null],
  [moduleListOf, "\n", ["java.base"]],
  [addressProblem, "https://example.com/jdk.zip", null], [addressProblem, "http://127.0.0.1:8080/jdk.zip", null],
  [addressProblem, "http://example.com/jdk.zip", "must be an https:// address"],
  [addressProblem, "ftp://example.com/jdk.zip", "must be an https:// address"],
];
for (const [read, text, expected] of readings) {
  test(`${read.name}(${JSON.stringify(text)})`, () => assert.deepEqual(read(text), expected));
}

test("manifest: names ignore case, continuation lines join, the main section ends at a blank line", () => {
  const manifest = parseManifest("Manifest-Version: 1.0\r\nclass-path: a.jar b\r\n .jar\r\nMain-Class: x.M\r\n\r\n" +
    "Name: y\r\nMain-Class: not.This\r\n");
  assert.deepEqual([...manifest], [["manifest-version", "1.0"], ["class-path", "a.jar b.jar"], ["main-class", "x.M"]]);
  assert.equal(parseManifest("Manifest-Version: 1.0\nClass-Path: a.jar\nMain-Class: x.M\n").size, 3);
});

test("zip time: 1980-02-01 by default, SOURCE_DATE_EPOCH when set, never before 1980", () => {
  assert.deepEqual([{}, { SOURCE_DATE_EPOCH: "1700000000" }, { SOURCE_DATE_EPOCH: "0" }].map(entryTime),
    [318211200, 1700000000, 318211200]);
  assert.throws(() => entryTime({ SOURCE_DATE_EPOCH: "soon" }), /SOURCE_DATE_EPOCH is "soon"/);
});

const distances = [["", "", 0], ["Main", "Mian", 2], ["Main", "main", 1], ["kitten", "sitting", 3], ["", "abc", 3],
  ["a.b.Main", "a.b.Main2", 1], ["abcdef", "x", 3, 3]];
for (const [a, b, distance, limit] of distances) {
  test(`edit distance of "${a}" and "${b}"${limit ? ` (limit ${limit})` : ""}: ${distance}`, () => {
    assert.equal(editDistance(a, b, limit), distance);
    assert.equal(editDistance(b, a, limit), distance);
  });
}

test("the nearest name is a slip of at most a third of the letters, the first of equals", () => {
  const names = ["com.orbit.notes.Main", "com.orbit.notes.Mail", "com.orbit.Notes"];
  assert.equal(nearest("com.orbit.notes.Mian", names), "com.orbit.notes.Main");
  assert.equal(nearest("com.orbit.notes.Mai", names), "com.orbit.notes.Main");
  assert.equal(nearest("org.other.Start", names), null);
});

const automaticNames = [["foo-bar-1.2.3.jar", "foo.bar"], ["commons_io-2.jar", "commons.io"],
  ["x--y..jar", "x.y"], ["lib-v2.jar", "lib.v2"]];
for (const [file, name] of automaticNames) {
  test(`automatic module name of ${file}: ${name}`, () => assert.equal(automaticModuleName(file), name));
}

function tree(root, files) {
  for (const [name, text] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(root, name)), { recursive: true });
    fs.writeFileSync(path.join(root, name), text);
  }
}
const read = (root) => Object.fromEntries(listFiles(root).map((f) => [f, fs.readFileSync(path.join(root, f), "utf8")]));

test("zip entries in byte order, whatever order the folder lists them in", (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "list-"));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  tree(root, { "b/x": "", a: "", C: "" });
  const listed = t.mock.method(fs, "readdirSync", (folder) => ["a", "b", "C", "x"].filter((n) =>
    fs.existsSync(path.join(folder, n))));
  assert.deepEqual(listFiles(root), ["C", "a", "b/x"]);
  listed.mock.restore();
});

test("outputs: a failed move puts the whole old set back", (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "outputs-"));
  t.after(() => fs.rmSync(root, { recursive: true, force: true }));
  const [out, staging] = [path.join(root, "out"), path.join(root, "out", ".staging")];
  tree(out, { "App/a.exe": "old", "App.zip": "old", "App.msi": "old" });
  tree(staging, { "App/a.exe": "new", "App.zip": "new", "App.msi": "new" });
  const outputs = ["App", "App.zip", "App.msi"].map((name) => ({ name }));
  const locked = (from, to) => {
    if (from.endsWith("App.msi")) throw new Error("EBUSY: App.msi is in use");
    fs.renameSync(from, to);
  };
  assert.throws(() => moveIntoPlace(outputs, staging, out, locked), /EBUSY/);
  assert.deepEqual(read(out), { "App.msi": "old", "App.zip": "old", "App/a.exe": "old",
    ".staging/App.msi": "new", ".staging/App.zip": "new", ".staging/App/a.exe": "new" });
  moveIntoPlace(outputs, staging, out);
  assert.deepEqual(Object.fromEntries(Object.entries(read(out)).filter(([f]) => !f.startsWith(".staging/.old"))),
    { "App.msi": "new", "App.zip": "new", "App/a.exe": "new" });
});

const FINE = /^fine$/;
const windowsNames = [
  ["lib", FINE],
  ["日本.jar", FINE],
  ["a;b", FINE],
  ["a;b", /splits the class path/, { separators: true }],
  ["..\\evil.jar", /holds "\\"/],
  ["x:stream", /holds ":"/],
  ["a\u001ab", /control character U\+001A/],
  ["a\nb", /control character U\+000A/],
  ["name.", /ends in a dot/],
  ["name ", /ends in a blank/],
  ["", /is empty/],
  ["CON", /device name CON/],
  ["nul.txt", /device name NUL/],
  ["Lpt9.tar.gz", /device name LPT9/],
  ["COM\u00b9", /device name COM\u00b9/],
  ["CONSOLE", FINE],
  ["COM10", FINE],
];
test("file names as Windows reads them", () => {
  for (const [name, problem, options] of windowsNames) {
    assert.match(windowsNameProblem(name, options) ?? "fine", problem, JSON.stringify(name));
  }
  assert.match(windowsPathProblem("bin/x:stream/a"), /^"x:stream" holds ":"/);
});

test("one folder cannot hold two names that differ only in case", () => {
  assert.deepEqual(caseClash(["legal/NOTICE", "legal/notice"]), ["legal/NOTICE", "legal/notice"]);
  assert.deepEqual(caseClash(["Lib/a", "lib/b"]), ["Lib", "lib"]);
  assert.equal(caseClash(["a/NOTICE", "b/notice", "stra\u00dfe", "STRASSE"]), null);
});

test("zip reading: stored and deflated entries come back whole; a file that is no zip reads as null", () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-zip-read-"));
  const text = Buffer.from("jmod ".repeat(1000));
  fs.writeFileSync(path.join(folder, "a.zip"), zipSync({ "jdk/release": [text, { level: 0 }], "jdk/jmods/x.jmod": text }));
  fs.writeFileSync(path.join(folder, "b.zip"), "PK not really");
  const [zip, other] = ["a.zip", "b.zip"].map((name) => fs.openSync(path.join(folder, name), "r"));
  const entries = zipEntries(zip);
  assert.deepEqual(entries.map((entry) => [entry.name, entry.method]), [["jdk/release", 0], ["jdk/jmods/x.jmod", 8]]);
  entries.forEach((entry) => assert.deepEqual(zipEntryData(zip, entry), text));
  assert.equal(zipEntries(other), null);
  [zip, other].forEach((fd) => fs.closeSync(fd));
  fs.rmSync(folder, { recursive: true });
});

// [vendor, name, the default AppUserModelID]: what Windows takes, at most 128 characters;
// pinned, since a changed default would part the next version from the last on the taskbar.
const appIds = [["Acme Corp", "Orbit Notes", "AcmeCorp.OrbitNotes"], [undefined, "Hello App", "HelloApp"],
  [" Acme.", "..Draw\t2", "Acme.Draw2"], ["Café", "Ünïcode Nötes", "Caf.ncodeNtes"],
  ["Acme", "日本", "Acme.App5c0f97a04d304cd8"], ["A".repeat(100), "B".repeat(100), `${"A".repeat(100)}.${"B".repeat(27)}`],
  ["A".repeat(127), "B", "A".repeat(127)]];
test("the default AppUserModelID is <vendor>.<name> made valid", () => {
  for (const [vendor, name, id] of appIds) {
    assert.equal(defaultAppId(vendor, name), id);
    assert.doesNotThrow(() => checkAppUserModelId("pack.json", id));
  }
});
