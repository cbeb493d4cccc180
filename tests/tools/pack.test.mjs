// veltrane-pack as a user runs it: pack-file mistakes refused in one line
// with nothing written, and the folder and zip it makes.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { after, test } from "node:test";
import { fileURLToPath } from "node:url";

import { classFile, compile, noJava, STATIC_MAIN } from "./java-build.mjs";

const TOOLS = fileURLToPath(new URL("../../tools/", import.meta.url));
const { zipSync, strToU8, unzipSync } = createRequire(path.join(TOOLS, "package.json"))("fflate");
const LAUNCHER = path.join(TOOLS, "..", "build", "windows", "veltrane.exe");

// A jar of its manifest, with these attributes, and these entries.
function jar(file, attributes = {}, entries = {}) {
  const lines = ["Manifest-Version: 1.0", ...Object.entries(attributes).map(([k, v]) => `${k}: ${v}`)];
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, zipSync({ "META-INF/MANIFEST.MF": strToU8(`${lines.join("\r\n")}\r\n\r\n`), ...entries }));
}

// The main jar, its class com.example.Main made of these parts.
function mainJar(folder, parts = { methods: [STATIC_MAIN] }, attributes = {}, entry = "com/example/Main.class") {
  jar(path.join(folder, "app.jar"), { "Main-Class": "com.example.Main", "Class-Path": "lib/dep.jar", ...attributes },
    { [entry]: classFile({ name: "com/example/Main", ...parts }) });
}

// A runtime folder whose VM is a PE header for the machine given.
function runtime(folder, { machine = 0x8664, version = "17.0.2", vm = "javaw.exe" } = {}) {
  const image = Buffer.alloc(512);
  image.write("MZ", 0, "latin1");
  image.writeUInt32LE(0x80, 0x3c);
  image.write("PE\0\0", 0x80, "latin1");
  image.writeUInt16LE(machine, 0x84);
  fs.mkdirSync(path.join(folder, "bin"), { recursive: true });
  fs.writeFileSync(path.join(folder, "bin", vm), image);
  fs.writeFileSync(path.join(folder, "release"), `IMPLEMENTOR="Test"\nJAVA_VERSION="${version}"\n`);
}

const folders = [];
after(() => folders.forEach((folder) => fs.rmSync(folder, { recursive: true, force: true })));

// An app of two jars and a runtime, and its pack file with changes.
function project(changes = {}, setup = () => {}) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-pack-test-"));
  folders.push(folder);
  mainJar(folder);
  jar(path.join(folder, "lib", "dep.jar"));
  runtime(path.join(folder, "runtime"));
  const settings = { name: "Demo App", version: "1.2.3", mainJar: "app.jar", runtime: "runtime", ...changes };
  for (const key of Object.keys(settings)) if (settings[key] === undefined) delete settings[key];
  fs.writeFileSync(path.join(folder, "pack.json"), JSON.stringify(settings));
  setup(folder);
  return folder;
}

function pack(folder, environment = {}, packFile = "pack.json") {
  return spawnSync(process.execPath, [path.join(TOOLS, "bin", "veltrane-pack.js"), path.join(folder, packFile),
    "--out", path.join(folder, "out")], { encoding: "utf8", env: { ...process.env, ...environment } });
}

const file = (folder, relative, text = "x") => {
  fs.mkdirSync(path.dirname(path.join(folder, relative)), { recursive: true });
  fs.writeFileSync(path.join(folder, relative), text);
};

const mistakes = [
  ["missing mainJar", { mainJar: undefined }, null, /"mainJar" is missing/],
  ["mainJar names no file", { mainJar: "gone.jar" }, null, /"mainJar" names .*gone\.jar, which does not exist/],
  ["no Main-Class and no mainClass", {}, (f) => jar(path.join(f, "app.jar")), /"mainClass" is missing and "mainJar" app\.jar has no Main-Class/],
  ["runtime without javaw.exe", {}, (f) => fs.rmSync(path.join(f, "runtime", "bin", "javaw.exe")), /"runtime": .* has no bin\\javaw\.exe/],
  ["console runtime without java.exe", { console: true }, null, /"runtime": .* has no bin\\java\.exe \(bin holds javaw\.exe\)/],
  ["32-bit runtime", {}, (f) => runtime(path.join(f, "runtime"), { machine: 0x14c }), /"runtime": bin\\javaw\.exe is 32-bit x86: a 64-bit \(x64\) Windows runtime/],
  ["minJavaVersion above the runtime's", { minJavaVersion: 21 }, null, /"runtime": the runtime is Java 17\.0\.2, below "minJavaVersion" 21/],
  ["colliding jar names", { jars: ["other"] }, (f) => jar(path.join(f, "other", "dep.jar")), /two jars named dep\.jar for lib\/: .*lib.dep\.jar \(Class-Path of app\.jar\) and .*other.dep\.jar \(jars\)/],
  ["unknown key", { mainclass: "x.Main" }, null, /unknown key "mainclass"/],
  ["a key of every object's prototype", { constructor: "x" }, null, /unknown key "constructor"/],
  ["version of the wrong type", { version: 1 }, null, /"version" must be a text/],
  ["vmOptions not a list", { vmOptions: "-Xmx1g" }, null, /"vmOptions" must be a list of texts/],
  ["name too long for the report", { name: "N".repeat(101) }, null, /"name" has 101 characters; at most 100 fit the failure report/],
  ["misspelt main class", { mainClass: "com.example.Mian" }, null, /the main class com\.example\.Mian is in none of the jars searched \(app\.jar, dep\.jar\): did you mean com\.example\.Main\?/],
  ["main class without main", {}, (f) => mainJar(f, { methods: [[0xa, "main", "([Ljava/lang/String;)V"]] }), /com\.example\.Main \(app\.jar\) has no main method the VM can start/],
  ["class for Java 21 on a 17 runtime", {}, (f) => mainJar(f, { major: 65, methods: [STATIC_MAIN] }), /com\.example\.Main \(app\.jar\) is compiled for Java 21, the runtime is 17\.0\.2/],
  ["preview features without --enable-preview", {}, (f) => mainJar(f, { minor: 0xffff, methods: [STATIC_MAIN] }), /com\.example\.Main \(app\.jar\) is compiled for Java 17 with its preview features: only Java 17 runs it, with "--enable-preview"/],
  ["instance main on a 17 runtime", {}, (f) => mainJar(f, { methods: [[0, "main", "()V"]] }), /has no public static void main\(String\[\]\): .* only Java 25 and later start, the runtime is 17\.0\.2/],
  ["class only in META-INF/versions/21/ on a 17 runtime", {}, (f) => mainJar(f, undefined, { "Multi-Release": "true" }, "META-INF/versions/21/com/example/Main.class"), /com\.example\.Main is only in META-INF\/versions\/21\/com\/example\/Main\.class of app\.jar, which Java 17\.0\.2 does not read/],
  ["JavaFX Application subclass, a runtime without JavaFX", {}, (f) => {
    mainJar(f, { superName: "javafx/application/Application" });
    fs.appendFileSync(path.join(f, "runtime", "release"), 'MODULES="java.base java.desktop"\n');
  }, /JavaFX Application started from the class path: .* and it does not: link JavaFX into the runtime/],
  ["a launcher's main class misspelt", { launchers: [{ exeName: "Demo" }, { exeName: "cli", mainClass: "com.example.Mane" }] }, null, /the main class com\.example\.Mane is in none of the jars searched .*: did you mean com\.example\.Main\?/],
  ["module that no jar declares", { module: "com.example.app/com.example.Main" }, null, /"module" names com\.example\.app, which no jar declares \(modules: none\)/],
  ["two launchers, one exe", { launchers: [{ exeName: "Demo" }, { exeName: "DEMO", console: true }] }, null, /"launchers": "Demo" and "DEMO" name the same exe/],
  ["a launcher's key mistyped", { launchers: [{ exeName: "Demo", mainclass: "x.Main" }] }, null, /"launchers\[0\]": unknown key "mainclass"/],
  ["console beside launchers", { console: true, launchers: [{ exeName: "Demo" }] }, null, /"console" belongs to each launcher/],
  ["an association's launcher unknown", { launchers: [{ exeName: "Demo" }], fileAssociations: [{ extension: "dmo", launcher: "Other" }] }, null, /"fileAssociations"\[0\]: "launcher" "Other" is none of the launchers \(Demo\)/],
  ["an AppUserModelID with a blank", { appUserModelId: "Demo App" }, null, /"appUserModelId" may hold only ASCII letters, digits and punctuation, no blanks/],
  ["content named lib", { content: ["docs/lib"] }, (f) => fs.mkdirSync(path.join(f, "docs", "lib"), { recursive: true }), /"content\[0\]" would overwrite lib, which the pack writes itself/],
  ["content named as the exe", { content: [{ from: "app.jar", to: "demoapp.EXE" }] }, null, /"content\[0\]" would overwrite DemoApp\.exe/],
  ["content outside the app folder", { content: [{ from: "app.jar", to: "../app.jar" }] }, null, /"content\[0\]" "\.\.\/app\.jar" must stay inside the app folder/],
  ["content holding the output", { content: ["."] }, null, /"content\[0\]" holds the output folder .*out: pack into a folder outside it/],
  ["a Ctrl-Z, which ends the configuration", { vmOptions: ["-Da=\u001a"] }, null, /"vmOptions" item 1 holds U\+001A/],
  ['"#" in jvm', { jvm: "C:\\j#\\javaw.exe" }, null, /"jvm" holds "#"/],
  ["a name ending in a dot", { name: "Demo." }, null, /"name" ends in a dot/],
  ["a device name", { exeName: "CON" }, null, /"exeName" is the device name CON/],
  ['";" in the name, a folder of the class path', { name: "Tools;Pro" }, null, /"name" holds ";", which splits/],
  ["a control character in vendor", { vendor: "Acme\u0007" }, null, /"vendor" holds the control character U\+0007/],
  ["a jar named with backslashes", { jars: ["plugins"] }, (f) => jar(path.join(f, "plugins", "..\\..\\Startup\\evil.jar")),
    /the jar .*evil\.jar \(jars\) holds "\\"/],
  ["a jar outside ASCII for an ANSI launcher", { jars: ["plugins"] }, (f) => jar(path.join(f, "plugins", "日本.jar")),
    /the jar .*日本\.jar \(jars\) holds letters outside ASCII.*"codePage": "utf-8"/],
  ["runtime names that differ only in case", {}, (f) => ["NOTICE", "notice"].forEach((n) => file(f, `runtime/legal/${n}`)),
    /"runtime": legal\/NOTICE and legal\/notice differ only in case/],
  ["a runtime name with a colon", {}, (f) => file(f, "runtime/legal/x:stream"), /"runtime": legal\/x:stream: "x:stream" holds ":"/],
  ["a runtime link out of the runtime", {}, (f) => fs.symlinkSync(path.join(f, "app.jar"), path.join(f, "runtime", "app.jar")),
    /"runtime": the link app\.jar leads out of the runtime folder/],
  ["a runtime link loop", {}, (f) => fs.symlinkSync("..", path.join(f, "runtime", "bin", "up")), /the link bin\/up is a loop/],
  ["an ARM64 runtime", {}, (f) => runtime(path.join(f, "runtime"), { machine: 0xaa64 }), /bin\\javaw\.exe is ARM64: a 64-bit/],
];

for (const [name, changes, setup, message] of mistakes) {
  test(`pack-file mistake: ${name}`, () => {
    const folder = project(changes, setup || (() => {}));
    const result = pack(folder);
    assert.equal(result.status, 2, result.stderr);
    assert.match(result.stderr, /^veltrane-pack: [^\n]*pack\.json[^\n]*\n$/);
    assert.match(result.stderr, message);
    assert.ok(!fs.existsSync(path.join(folder, "out")), "no --out folder");
  });
}

function configLines(folder) {
  const config = fs.readFileSync(path.join(folder, "out", "Demo App", "DemoApp.config"), "utf8");
  assert.match(config, /^# Made by veltrane-pack \S+ from pack\.json \(Demo App 1\.2\.3\)\./);
  return config.split("\r\n").filter((line) => line && !line.startsWith("#"));
}

const noLauncher = !fs.existsSync(LAUNCHER) && "needs build/windows/veltrane.exe";

test("two packs give the same zip in any time zone; SOURCE_DATE_EPOCH changes it", { skip: noLauncher }, () => {
  const folder = project();
  const zip = path.join(folder, "out", "DemoApp-1.2.3-win64.zip");
  const hashes = [{ TZ: "UTC" }, { TZ: "America/New_York" }, { SOURCE_DATE_EPOCH: "1700000000" }].map((environment) => {
    const result = pack(folder, environment);
    assert.equal(result.status, 0, result.stderr);
    return crypto.createHash("sha256").update(fs.readFileSync(zip)).digest("hex");
  });
  console.log(`zip sha256: ${hashes.join(", ")}`);
  assert.equal(hashes[0], hashes[1]);
  assert.notEqual(hashes[0], hashes[2]);
});

test("class path in java -jar order, manifest VM options, what is dropped is said", { skip: noLauncher }, () => {
  const folder = project({ jars: ["plugins", "lib/dep.jar"], vmOptions: ["-Dhome=%EXEDIR%"] }, (f) => {
    mainJar(f, undefined, { "Class-Path": "lib/dep.jar gone.jar",
      "Add-Opens": "java.base/java.lang java.desktop/sun.awt", "Enable-Native-Access": "ALL-UNNAMED",
      "Launcher-Agent-Class": "com.example.Agent" });
    jar(path.join(f, "lib", "dep.jar"), { "Class-Path": "nested.jar" });
    jar(path.join(f, "lib", "nested.jar"));
    ["B.jar", "a.jar", "C.JAR"].forEach((name) => jar(path.join(f, "plugins", name)));
  });
  const result = pack(folder);
  assert.equal(result.status, 0, result.stderr);
  assert.deepEqual(configLines(folder), ["jvm %EXEDIR%\\runtime\\bin\\javaw.exe", 'vmparam "-Dhome=%EXEDIR%"',
    "vmparam --add-opens=java.base/java.lang=ALL-UNNAMED", "vmparam --add-opens=java.desktop/sun.awt=ALL-UNNAMED",
    "vmparam --enable-native-access=ALL-UNNAMED", ...["app", "dep", "nested"].map((n) => `addpath %EXEDIR%\\lib\\${n}.jar`),
    "addjars %EXEDIR%\\lib", "mainclass com.example.Main"]);
  assert.match(result.stdout, /note: app\.jar's Class-Path entry "gone\.jar": .* does not exist: dropped/);
  assert.match(result.stdout, /warning: app\.jar's Launcher-Agent-Class com\.example\.Agent is not carried over: .* add "Premain-Class: com\.example\.Agent"/);
  const classPath = ["app", "dep", "nested", "a", "B", "C"].map((n) => `<app folder>\\lib\\${n}.jar`).join(";");
  assert.ok(result.stdout.includes(`"<app folder>\\runtime\\bin\\javaw.exe" "-Dhome=<app folder>" --add-opens=`) &&
    result.stdout.includes(` -classpath "${classPath}" com.example.Main`), result.stdout);
  assert.deepEqual(fs.readdirSync(path.join(folder, "out")).sort(), ["Demo App", "DemoApp-1.2.3-win64.zip"]);
});

// A class path of "addpath" lines alone ends in ";", the current directory to Java.
test("without other jars, the last jar of the class path comes from addjars", { skip: noLauncher }, () => {
  const folder = project({ minJavaVersion: "17.0.2" });
  assert.equal(pack(folder).status, 0);
  assert.deepEqual(configLines(folder).filter((line) => line.startsWith("add")),
    ["addpath %EXEDIR%\\lib\\app.jar", "addjars %EXEDIR%\\lib"]);
});

// The checker's verdict, through a stand-in that prints a report of its own.
const checks = [
  ["an error fails the pack and leaves nothing", "error", "odd-code", 2, /veltrane-check found 1 error\(s\)/],
  ["a warning is printed", "warning", "odd-code", 0, /Check: veltrane-check found 0 errors, 1 warnings.*\n {2}warning: line 7: odd \[odd-code\]/],
  ["lines after a Ctrl-Z fail the pack", "warning", "after-end-of-file", 2, /found 1 error\(s\)/],
  ["no main class fails the pack", "warning", "no-mainclass", 2, /found 1 error\(s\)/],
];
for (const [name, severity, code, status, output] of checks) {
  test(`the check: ${name}`, { skip: noLauncher }, () => {
    const folder = project();
    const assets = path.join(folder, "assets");
    fs.mkdirSync(assets);
    fs.copyFileSync(LAUNCHER, path.join(assets, "veltrane.exe"));
    const report = { mode: "app", problems: [{ code, severity, line: 7, message: "odd" }],
      summary: { errors: +(severity === "error"), warnings: +(severity === "warning"), notes: 0 } };
    fs.writeFileSync(path.join(assets, "veltrane-check"), `#!/bin/sh\necho '${JSON.stringify(report)}'\n`,
      { mode: 0o755 });
    const result = pack(folder, { VELTRANE_ASSETS: assets });
    assert.equal(result.status, status, result.stderr);
    assert.match(result.stdout + result.stderr, output);
    assert.equal(fs.existsSync(path.join(folder, "out")), status === 0);
  });
}

// Main classes the pack accepts, and what it says of them.
const startable = [
  ["main inherited from a superclass in another jar", {}, (f) => {
    mainJar(f, { superName: "com/example/Base" });
    jar(path.join(f, "lib", "dep.jar"), {}, { "com/example/Base.class": classFile({ name: "com/example/Base", methods: [STATIC_MAIN] }) });
  }, /Check: veltrane-check/],
  ["JavaFX Application subclass, JavaFX in the runtime", {}, (f) => {
    mainJar(f, { superName: "javafx/application/Application" });
    fs.appendFileSync(path.join(f, "runtime", "release"), 'MODULES="java.base javafx.base javafx.graphics"\n');
  }, /Check: veltrane-check/],
  ["JavaFX Application subclass, no runtime bundled", { runtime: undefined }, (f) => mainJar(f, { superName: "javafx/application/Application" }), /warning: com\.example\.Main is a JavaFX Application started from the class path: the VM stops with "JavaFX runtime components are missing"/],
  ["superclass in the runtime: not checked", {}, (f) => mainJar(f, { superName: "javax/swing/JFrame" }), /note: the main method of com\.example\.Main could not be checked: its superclass javax\.swing\.JFrame is not in the jars/],
  ["only in META-INF/versions/17/ of a multi-release jar", {}, (f) => mainJar(f, undefined, { "Multi-Release": "true" }, "META-INF/versions/17/com/example/Main.class"), /Check: veltrane-check/],
  ["instance main on a 25 runtime", {}, (f) => {
    mainJar(f, { methods: [[0, "main", "()V"], [0, "<init>", "()V"]] });
    runtime(path.join(f, "runtime"), { version: "25" });
  }, /Runtime: Java 25/],
  ["multi-release jar, no runtime bundled: the oldest Java that finds the class", { runtime: undefined }, (f) =>
    jar(path.join(f, "app.jar"), { "Main-Class": "com.example.Main", "Multi-Release": "true" }, Object.fromEntries(
      [["", 52], ["META-INF/versions/21/", 65]].map(([prefix, major]) => [`${prefix}com/example/Main.class`,
        classFile({ name: "com/example/Main", major, methods: [STATIC_MAIN] })]))),
  /warning: com\.example\.Main \(app\.jar\) is compiled for Java 8: the target machine needs Java 8 or later/],
];
for (const [name, changes, setup, output] of startable) {
  test(`main class accepted: ${name}`, { skip: noLauncher }, () => {
    const result = pack(project(changes, setup));
    assert.equal(result.status, 0, result.stderr);
    assert.match(result.stdout, output);
  });
}

test("splash screen and launcher agent as java -jar starts them", { skip: noLauncher }, () => {
  const image = Buffer.from("\x89PNG\r\n\x1a\n image");
  const folder = project({}, (f) => jar(path.join(f, "app.jar"), { "Main-Class": "com.example.Main",
    "SplashScreen-Image": "art/start.png", "Launcher-Agent-Class": "com.example.Main", "Premain-Class": "com.example.Main" },
  { "art/start.png": image, "com/example/Main.class": classFile({ name: "com/example/Main",
    methods: [STATIC_MAIN, [0x9, "premain", "(Ljava/lang/String;Ljava/lang/instrument/Instrumentation;)V"]] }) }));
  assert.equal(pack(folder).status, 0);
  assert.deepEqual(fs.readFileSync(path.join(folder, "out", "Demo App", "splash.png")), image);
  assert.deepEqual(configLines(folder).filter((line) => line.startsWith("vmparam")),
    ['vmparam "-splash:%EXEDIR%\\splash.png"', 'vmparam "-javaagent:%EXEDIR%\\lib\\app.jar"']);
  fs.mkdirSync(path.join(folder, "art"));
  fs.writeFileSync(path.join(folder, "art", "other.GIF"), "GIF89a");
  const settings = JSON.parse(fs.readFileSync(path.join(folder, "pack.json"), "utf8"));
  fs.writeFileSync(path.join(folder, "pack.json"), JSON.stringify({ ...settings, splash: "art/other.GIF" }));
  assert.equal(pack(folder).status, 0);
  assert.equal(fs.readFileSync(path.join(folder, "out", "Demo App", "splash.gif"), "latin1"), "GIF89a");
});

test("a modular app: its modules in mods/, a module path and -m", { skip: noLauncher || noJava }, () => {
  const classes = compile({
    "com.example.app/module-info.java": "module com.example.app { requires com.example.words; }",
    "com.example.app/com/example/Main.java": "package com.example; public class Main { public static void main(String[] a) {} }",
    "com.example.words/module-info.java": "module com.example.words {}" }, { modules: true });
  // The words jar is the module required, as an automatic module: not a named one.
  const folder = project({ module: "com.example.app/com.example.Main", jars: ["words.jar", "plain.jar"] }, (f) => {
    jar(path.join(f, "app.jar"), {}, { "module-info.class": classes["com.example.app/module-info.class"],
      "com/example/Main.class": classes["com.example.app/com/example/Main.class"] });
    jar(path.join(f, "words.jar"), { "Automatic-Module-Name": "com.example.words" });
    jar(path.join(f, "plain.jar"));
  });
  const result = pack(folder);
  assert.equal(result.status, 0, result.stderr);
  assert.deepEqual(fs.readdirSync(path.join(folder, "out", "Demo App", "mods")), ["app.jar", "words.jar"]);
  assert.deepEqual(configLines(folder).slice(1), ["vmparam --module-path", 'vmparam "%EXEDIR%\\mods"',
    "addjars %EXEDIR%\\lib", "mainclass -m com.example.app/com.example.Main"]);
});

test("three launchers share lib/ and runtime/; the app's own files land in the folder and the zip", { skip: noLauncher }, () => {
  const folder = project({ vmOptions: ["-Xmx1g"], content: ["modes", "docs/README.txt", { from: "keys", to: "etc/keymaps" }],
    launchers: [{ exeName: "Demo" }, { exeName: "demo-cli", console: true, mainClass: "com.example.Cli", path: true },
      { exeName: "DemoDebug", console: true, vmOptions: ["-Ddebug=true"], appArguments: ["--verbose"] }] }, (f) => {
    runtime(path.join(f, "runtime"), { vm: "java.exe" });
    jar(path.join(f, "app.jar"), { "Main-Class": "com.example.Main" }, Object.fromEntries(["Main", "Cli"].map((name) =>
      [`com/example/${name}.class`, classFile({ name: `com/example/${name}`, methods: [STATIC_MAIN] })])));
    for (const relative of ["modes/java.xml", "docs/README.txt", "keys/default.keys"]) {
      fs.mkdirSync(path.dirname(path.join(f, relative)), { recursive: true });
      fs.writeFileSync(path.join(f, relative), relative);
    }
    fs.symlinkSync("../docs/README.txt", path.join(f, "modes", "linked.txt"));
  });
  const result = pack(folder);
  assert.equal(result.status, 0, result.stderr);
  const app = path.join(folder, "out", "Demo App");
  assert.deepEqual(fs.readdirSync(app).sort(), ["Demo.config", "Demo.exe", "DemoDebug.config", "DemoDebug.exe",
    "README.txt", "demo-cli.config", "demo-cli.exe", "etc", "lib", "modes", "runtime"]);
  assert.ok(fs.lstatSync(path.join(app, "modes", "linked.txt")).isFile(), "a linked file is copied as a file");
  const lines = (exe) => fs.readFileSync(path.join(app, `${exe}.config`), "utf8").split("\r\n")
    .filter((line) => /^(jvm|vmparam|mainclass|param) /.test(line));
  assert.deepEqual([lines("Demo"), lines("demo-cli"), lines("DemoDebug")], [
    ["jvm %EXEDIR%\\runtime\\bin\\javaw.exe", "vmparam -Xmx1g", "mainclass com.example.Main"],
    ["jvm %EXEDIR%\\runtime\\bin\\java.exe", "vmparam -Xmx1g", "mainclass com.example.Cli"],
    ["jvm %EXEDIR%\\runtime\\bin\\java.exe", "vmparam -Xmx1g", "vmparam -Ddebug=true", "mainclass com.example.Main",
      "param --verbose"]]);
  const zipped = Object.keys(unzipSync(fs.readFileSync(path.join(folder, "out", "DemoApp-1.2.3-win64.zip"))));
  assert.deepEqual(zipped.filter((name) => !/\/(lib|runtime)\//.test(name)).map((name) => name.slice(9)).sort(),
    ["Demo.config", "Demo.exe", "DemoDebug.config", "DemoDebug.exe", "README.txt", "demo-cli.config", "demo-cli.exe",
      "etc/keymaps/default.keys", "modes/java.xml", "modes/linked.txt"]);
  assert.match(result.stdout, /Launch command lines:\n {2}Demo\.exe: .*\n {2}demo-cli\.exe: .* com\.example\.Cli /);
});

// What Windows and the launcher read back: the names given, the exe's subsystem.
test("names in the app folder are read as written", { skip: noLauncher }, () => {
  const packFile = "pack\njvm evil.json";
  const folder = project({ name: "A B C", console: true, mainJar: "MAIN.JAR", jars: ["plugins"] }, (f) => {
    jar(path.join(f, "MAIN.JAR"), { "Main-Class": "com.example.Main" },
      { "com/example/Main.class": classFile({ name: "com/example/Main", methods: [STATIC_MAIN] }) });
    jar(path.join(f, "plugins", "x.jar"));
    runtime(path.join(f, "runtime"), { vm: "java.exe" });
    fs.symlinkSync("../release", path.join(f, "runtime", "bin", "release-link"));
    fs.renameSync(path.join(f, "pack.json"), path.join(f, packFile));
  });
  const result = pack(folder, {}, packFile);
  assert.equal(result.status, 0, result.stderr);
  const app = path.join(folder, "out", "A B C");
  const config = fs.readFileSync(path.join(app, "ABC.config"), "utf8").split("\r\n");
  assert.match(config[0], /^# Made by veltrane-pack \S+ from pack\?jvm evil\.json /);
  assert.deepEqual(config.filter((line) => /^add/.test(line)), ["addpath %EXEDIR%\\lib\\MAIN.jar", "addjars %EXEDIR%\\lib"]);
  assert.deepEqual(fs.readdirSync(path.join(app, "lib")).sort(), ["MAIN.jar", "x.jar"]);
  const link = path.join(app, "runtime", "bin", "release-link");
  assert.ok(fs.lstatSync(link).isFile() && fs.readFileSync(link, "utf8").includes("JAVA_VERSION"));
  const exe = fs.readFileSync(path.join(app, "ABC.exe"));
  assert.equal(exe.readUInt16LE(exe.readUInt32LE(0x3c) + 24 + 68), 3, "console subsystem");
});
