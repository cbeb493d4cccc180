// "runtime" linked from a Windows JDK: the mistakes a user makes, each one
// line with nothing written, and a JDK downloaded once from an address,
// checked against its sha256, linked once, and linked again to the same
// bytes. The JDK is the small synthetic one tests/support/windows-jdk.sh
// makes from this machine's JDK, served from a loopback server of our own.
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { after, before, test } from "node:test";
import { fileURLToPath } from "node:url";

const ROOT = fileURLToPath(new URL("../../", import.meta.url));
const PROBE = path.join(ROOT, "build", "windows", "tests", "e2e", "probe.exe");
const ready = fs.existsSync(PROBE) && fs.existsSync(path.join(ROOT, "build", "windows", "veltrane.exe"));
const skip = !ready && "needs the windows preset built (veltrane.exe, the e2e probe)";
const sha256 = (file) => crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex");

let root, jdkZip, server, requests = 0;
before(async () => {
  if (!ready) return;
  root = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-runtime-test-"));
  jdkZip = execFileSync(path.join(ROOT, "tests", "support", "windows-jdk.sh"), [PROBE], { encoding: "utf8" }).trim();
  execFileSync(path.join(ROOT, "tests", "sample-app", "build.sh"), [path.join(root, "app")]);
  server = http.createServer((request, response) => {
    requests++;
    if (request.url === "/stalls.zip") {
      response.setHeader("content-length", 1 << 30);
      response.write(Buffer.alloc(1 << 20));
      return;
    }
    response.setHeader("content-length", fs.statSync(jdkZip).size);
    fs.createReadStream(jdkZip).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
});
after(() => {
  server?.closeAllConnections();
  server?.close();
  if (root) fs.rmSync(root, { recursive: true, force: true });
});

// Packs the sample app with this "runtime" (and other changes); async, so
// that the server in this process can answer.
function pack(runtime, { cache = path.join(root, "cache"), options = [], changes = {} } = {}) {
  const file = path.join(root, "app", "pack.json");
  const settings = { ...JSON.parse(fs.readFileSync(file, "utf8")), runtime, ...changes };
  fs.writeFileSync(path.join(root, "app", "run.json"), JSON.stringify(settings));
  const out = path.join(root, "out");
  fs.rmSync(out, { recursive: true, force: true });
  const child = spawn(process.execPath, [path.join(ROOT, "tools", "bin", "veltrane-pack.js"),
    path.join(root, "app", "run.json"), "--out", out, ...options],
  { env: { ...process.env, VELTRANE_CACHE: cache } });
  let stdout = "", stderr = "";
  child.stdout.on("data", (chunk) => { stdout += chunk; });
  child.stderr.on("data", (chunk) => { stderr += chunk; });
  const done = new Promise((resolve) => child.on("close", (status) => resolve({ status, stdout, stderr, out })));
  return Object.assign(done, { child });
}

const address = () => `http://127.0.0.1:${server.address().port}/jdk.zip`;

// Folders and files the mistakes name, made under root/inputs.
function input(name, files) {
  const folder = path.join(root, "inputs", name);
  for (const [file, data] of Object.entries(files)) {
    fs.mkdirSync(path.dirname(path.join(folder, file)), { recursive: true });
    fs.writeFileSync(path.join(folder, file), data, { mode: 0o755 });
  }
  return folder;
}

function pe(machine) {
  const image = Buffer.alloc(512);
  image.write("MZ", 0, "latin1");
  image.writeUInt32LE(0x80, 0x3c);
  image.write("PE\0\0", 0x80, "latin1");
  image.writeUInt16LE(machine, 0x84);
  return image;
}

const hostJdk = () => path.dirname(path.dirname(fs.realpathSync(execFileSync("sh", ["-c", "command -v jlink"],
  { encoding: "utf8" }).trim())));

const mistakes = [
  ["a Linux runtime folder", () => input("linux-runtime", { "bin/java": "", "release": 'JAVA_VERSION="17"\n' }),
    /"runtime": this is a Linux runtime \(bin\/ holds java without \.exe\): link against a Windows JDK's jmods/],
  ["a Linux JDK", () => ({ jdk: hostJdk() }), /is a Linux JDK \(bin\/ holds java without \.exe\): link against/],
  ["a 32-bit JDK", () => ({ jdk: input("x86", { "bin/javaw.exe": pe(0x14c), "jmods/java.base.jmod": "",
    "release": 'JAVA_VERSION="17.0.2"\nOS_NAME="Windows"\n' }) }), /is a 32-bit x86 JDK \(bin\\javaw\.exe\): a 64-bit/],
  ["a zip without release", () => {
    execFileSync("zip", ["-q", "-r", "../no-jdk.zip", "top"], { cwd: input("no-jdk", { "top/README": "" }) });
    return { jdk: path.join(root, "inputs", "no-jdk.zip") };
  }, /no-jdk\.zip is no JDK: there is no release file in its top folder/],
  ["a JDK without jmods", () => ({ jdk: input("no-jmods", { "bin/javaw.exe": pe(0x8664),
    "release": 'JAVA_VERSION="25"\n' }) }), /has no jmods folder.*since 24/],
  ["a jlink of another version", () => ({ jdk: jdkZip, jlink: input("jdk-21", { "bin/jlink": "#!/bin/sh\nexit 1\n",
    "release": 'JAVA_VERSION="21.0.5"\n' }) }),
  /no jlink 17\.0 to link the JDK 17\.\S+ \(found: \S*jdk-21\/bin\/jlink 21\.0\.5\): .*apt-get install openjdk-17-jdk-headless/],
  ["an unknown module", () => ({ jdk: jdkZip, modules: ["java.base", "jdk.nosuch"] }),
    /jlink failed: Module jdk\.nosuch not found$/m],
  ["a broken jar, refused before jdeps runs", () => ({ jdk: jdkZip }), /\S*broken\.jar is not a jar \(zip\) file: invalid zip data/,
    { jars: ["plugins", "broken.jar"] }],
  ["an address without sha256", () => ({ jdk: address() }), /"runtime" "sha256" is missing: an address needs/],
  ["an http address elsewhere", () => ({ jdk: "http://example.com/jdk.zip", sha256: "0".repeat(64) }),
    /"jdk" must be an https:\/\/ address/],
  ["a wrong sha256", () => ({ jdk: address(), sha256: "0".repeat(64) }),
    /has sha256 [0-9a-f]{64}, not the "sha256" given, 0{64}: nothing was kept/],
];

test("runtime mistakes: one line, exit status 2, nothing in --out or the cache's downloads", { skip }, async () => {
  fs.writeFileSync(path.join(root, "app", "broken.jar"), "not a zip");
  for (const [name, runtime, message, changes] of mistakes) {
    const requestsBefore = requests;
    const cache = path.join(root, "mistake-cache");
    const result = await pack(runtime(), { cache, changes });
    assert.equal(result.status, 2, `${name}: ${result.stderr}`);
    assert.match(result.stderr, /^veltrane-pack: [^\n]*\n$/, name);
    assert.match(result.stderr, message, name);
    assert.ok(!fs.existsSync(result.out) || fs.readdirSync(result.out).length === 0, `${name}: nothing in --out`);
    const downloads = path.join(cache, "downloads");
    assert.deepEqual(fs.existsSync(downloads) ? fs.readdirSync(downloads) : [], [], `${name}: no download kept`);
    if (name.includes("without sha256")) assert.equal(requests, requestsBefore, "refused before any request");
  }
});

test("from an address: downloaded and linked once; with the cache emptied, the same zip and MSI", { skip },
  async () => {
    const runtime = { jdk: address(), sha256: sha256(jdkZip), modules: ["java.base"] };
    const cache = path.join(root, "download-cache");
    const requestsBefore = requests;
    const hashes = [];
    for (const [run, emptied] of [[1, false], [2, false], [3, true]]) {
      if (emptied) fs.rmSync(cache, { recursive: true });
      const result = await pack(runtime, { cache, options: ["--msi"] });
      assert.equal(result.status, 0, result.stderr);
      assert.match(result.stdout, run === 2 ? /JDK: .*downloaded before(.|\n)*runtime: .*from the cache/ :
        /downloading http:(.|\n)*JDK: .*, downloaded\)(.|\n)*runtime: .*, linked/, `run ${run}`);
      hashes.push(["zip", "msi"].map((kind) => sha256(path.join(result.out, `HelloApp-1.2.3-win64.${kind}`))));
    }
    console.log(`zip and MSI sha256, cache emptied before the third: ${JSON.stringify(hashes)}`);
    assert.equal(requests - requestsBefore, 2, "one request per empty cache");
    assert.deepEqual(hashes[2], hashes[0]);
    assert.deepEqual(hashes[1], hashes[0]);
  });

// Ctrl-C while the JDK downloads (from an address that stalls) and while jlink runs.
const interruptions = [
  ["a download", () => ({ jdk: address().replace("jdk.zip", "stalls.zip"), sha256: "0".repeat(64) }), "downloads"],
  ["a link", () => ({ jdk: jdkZip, modules: ["java.base"] }), "runtimes"],
];
test("Ctrl-C during a download or a link leaves nothing in the cache or in --out", { skip }, async () => {
  for (const [during, runtime, folder] of interruptions) {
    const cache = path.join(root, `interrupted-${folder}`);
    const running = pack(runtime(), { cache });
    const made = path.join(cache, folder);
    while (!fs.existsSync(made) || fs.readdirSync(made).length === 0) {
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    running.child.kill("SIGINT");
    const result = await running;
    assert.equal(result.status, 130, `${during}: ${result.stderr}`);
    assert.deepEqual(fs.readdirSync(made), [], during);
    assert.ok(!fs.existsSync(result.out), during);
  }
});
