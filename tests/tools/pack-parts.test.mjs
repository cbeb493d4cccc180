// The rules veltrane-pack's pieces follow: arguments quoted as a Windows
// program reads them back, Java versions compared, manifests read.
import assert from "node:assert/strict";
import { test } from "node:test";

import { appIdProblem, defaultAppId } from "../../tools/lib/app-id.js";
import { quoteArgument } from "../../tools/lib/app-config.js";
import { parseManifest } from "../../tools/lib/jar-manifest.js";
import { compareJavaVersions } from "../../tools/lib/runtime.js";
import { fileNameProblem } from "../../tools/lib/windows-names.js";
import { entryTime } from "../../tools/lib/zip.js";

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

test("manifest: names ignore case, continuation lines join, the main section ends at a blank line", () => {
  const manifest = parseManifest("Manifest-Version: 1.0\r\nclass-path: a.jar b\r\n .jar\r\nMain-Class: x.M\r\n\r\n" +
    "Name: y\r\nMain-Class: not.This\r\n");
  assert.deepEqual([...manifest], [["manifest-version", "1.0"], ["class-path", "a.jar b.jar"], ["main-class", "x.M"]]);
});

test("zip time: 1980-02-01 by default, SOURCE_DATE_EPOCH when set, never before 1980", () => {
  assert.deepEqual([{}, { SOURCE_DATE_EPOCH: "1700000000" }, { SOURCE_DATE_EPOCH: "0" }].map(entryTime),
    [318211200, 1700000000, 318211200]);
  assert.throws(() => entryTime({ SOURCE_DATE_EPOCH: "soon" }), /SOURCE_DATE_EPOCH is "soon"/);
});

// [vendor, name, the default AppUserModelID]; the last two are cut to 128 characters.
const appIds = [["Acme Corp", "Orbit Notes", "AcmeCorp.OrbitNotes"], [undefined, "Hello App", "HelloApp"],
  [" Acme.", "..Draw\t2", "Acme.Draw2"], ["A".repeat(100), "B".repeat(100), `${"A".repeat(100)}.${"B".repeat(27)}`],
  ["A".repeat(127), "B", "A".repeat(127)]];
test("the default AppUserModelID is <vendor>.<name> made valid; a given one is checked", () => {
  for (const [vendor, name, id] of appIds) {
    assert.equal(defaultAppId(vendor, name), id);
    assert.equal(appIdProblem(id), null);
  }
  assert.deepEqual(["Acme Draw", "Acme..Draw", "A".repeat(129)].map((id) => appIdProblem(id)?.split(" ").pop()),
    ["character", "dots", "allowed"]);
});

test("Windows file names: reserved characters, trailing dots and blanks, device names", () => {
  assert.deepEqual(["modes", "a.b.txt", "console.txt", "a:b", "a.", "b ", "CON", "nul.txt", "com1", ""]
    .map((name) => fileNameProblem(name) === null), [true, true, true, false, false, false, false, false, false,
    false]);
});
