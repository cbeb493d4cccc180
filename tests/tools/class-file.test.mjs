// Class files as javac and jar write them, read back: versions, names,
// constants of every width, main methods of each kind, a module's
// attributes; damaged bytes refused with where they end.
import assert from "node:assert/strict";
import { before, test } from "node:test";

import { decodeModifiedUtf8, javaOfMajor, parseClassFile } from "../../tools/lib/class-file.js";
import { declaredMain } from "../../tools/lib/main-class.js";
import { compile, noJava } from "./java-build.mjs";

let classes;
before(() => {
  if (noJava) return;
  classes = compile({
    "module-info.java": "module demo.app { requires java.logging; requires static java.sql; }",
    "p/Main.java": "package p; public class Main { public static void main(String[] a) {} }",
    "p/Kid.java": "package p; public abstract class Kid extends Main implements Runnable {}",
    "p/Solo.java": "package p; class Solo { void main() {} }",
    "p/Constants.java": "package p; class Constants { static final String S = \"a\\u0000b\\uD83D\\uDE00\";" +
      " long l = 123456789012L; double d = 1.5; Runnable r = () -> {}; void main(int x) {} }",
  }, { mainClass: "p.Main" });
});

const rows = [
  ["p/Main.class", { major: 55, thisClass: "p.Main", superClass: "java.lang.Object", main: "static" }],
  ["p/Kid.class", { thisClass: "p.Kid", superClass: "p.Main", abstract: true, main: null }],
  ["p/Solo.class", { thisClass: "p.Solo", main: "modern" }],
  ["p/Constants.class", { thisClass: "p.Constants", main: null }],
  ["module-info.class", { thisClass: "module-info", superClass: null, moduleMainClass: "p.Main",
    module: { name: "demo.app", requires: ["java.base", "java.logging", "java.sql (static)"] } }],
];
for (const [name, expected] of rows) {
  test(`class file ${name}`, { skip: noJava }, () => {
    const read = parseClassFile(classes[name]);
    const seen = { major: read.major, thisClass: read.thisClass, superClass: read.superClass,
      abstract: Boolean(read.access & 0x400), main: declaredMain(read), moduleMainClass: read.moduleMainClass,
      module: read.module && { name: read.module.name,
        requires: read.module.requires.map((r) => r.name + (r.flags & 0x40 ? " (static)" : "")) } };
    for (const key of Object.keys(expected)) assert.deepEqual(seen[key], expected[key], key);
  });
}

test("damaged class files are refused with what is wrong", { skip: noJava }, () => {
  const main = classes["p/Main.class"];
  assert.throws(() => parseClassFile(main.subarray(0, 40)), /truncated at byte 40/);
  assert.throws(() => parseClassFile(Buffer.from("PK\x03\x04 not a class")), /not a class file/);
  const badTag = Buffer.from(main);
  badTag[10] = 99;
  assert.throws(() => parseClassFile(badTag), /constant 1 has the unknown tag 99/);
});

test("modified UTF-8 and Java releases by class-file version", () => {
  assert.equal(decodeModifiedUtf8(Buffer.from([0x61, 0xc0, 0x80, 0xed, 0xa0, 0xbd, 0xed, 0xb8, 0x80])), "a\u0000\ud83d\ude00");
  assert.deepEqual([45, 48, 52, 61, 65].map(javaOfMajor), ["1.1", "1.4", "8", "17", "21"]);
});
