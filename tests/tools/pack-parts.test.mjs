// The rules veltrane-pack's pieces follow: arguments quoted as a Windows
// program reads them back, Java versions compared, manifests read.
import assert from "node:assert/strict";
import { test } from "node:test";

import { quoteArgument } from "../../tools/lib/app-config.js";
import { parseManifest } from "../../tools/lib/jar-manifest.js";
import { compareJavaVersions } from "../../tools/lib/runtime.js";
import { caseClash, windowsNameProblem, windowsPathProblem } from "../../tools/lib/windows-names.js";
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

const windowsNames = [
  ["lib", null],
  ["日本.jar", null],
  ["a;b", null],
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
  ["CONSOLE", null],
  ["COM10", null],
];
test("file names as Windows reads them", () => {
  for (const [name, problem, options] of windowsNames) {
    const found = windowsNameProblem(name, options);
    if (problem) assert.match(found ?? "", problem, JSON.stringify(name));
    else assert.equal(found, null, JSON.stringify(name));
  }
  assert.match(windowsPathProblem("bin/x:stream/a"), /^"x:stream" holds ":"/);
});

test("one folder cannot hold two names that differ only in case", () => {
  assert.deepEqual(caseClash(["legal/NOTICE", "legal/notice"]), ["legal/NOTICE", "legal/notice"]);
  assert.deepEqual(caseClash(["Lib/a", "lib/b"]), ["Lib", "lib"]);
  assert.equal(caseClash(["a/NOTICE", "b/notice", "stra\u00dfe", "STRASSE"]), null);
});
