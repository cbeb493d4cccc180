// veltrane-pack's MSI and signing: their mistakes refused in one line with
// nothing written, and the signed exe in the folder, the zip and the MSI.
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import { once } from "node:events";
import { after, test } from "node:test";
import { setTimeout as sleep } from "node:timers/promises";
import { fileURLToPath } from "node:url";

import { makeSigningKeys, PASSWORD, PIN, SOFTHSM_MODULE, standInSigner, verifies } from "./signing-keys.mjs";

const TOOLS = fileURLToPath(new URL("../../tools/", import.meta.url));
const { zipSync, strToU8, unzipSync } = createRequire(path.join(TOOLS, "package.json"))("fflate");
const root = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-pack-msi-"));
after(() => fs.rmSync(root, { recursive: true, force: true }));
const keys = makeSigningKeys(root);

function project(changes) {
  const folder = fs.mkdtempSync(path.join(root, "app-"));
  fs.writeFileSync(path.join(folder, "app.jar"), zipSync({ "META-INF/MANIFEST.MF":
    strToU8("Manifest-Version: 1.0\r\nMain-Class: com.example.Main\r\n\r\n") }));
  const pack = { name: "Demo App", version: "1.2.3", mainJar: "app.jar",
    jvm: "C:\\Java\\bin\\javaw.exe", ...changes };
  fs.writeFileSync(path.join(folder, "pack.json"), JSON.stringify(pack));
  return folder;
}

function pack(folder, options = [], env = {}) {
  return spawnSync(process.execPath, [path.join(TOOLS, "bin", "veltrane-pack.js"),
    path.join(folder, "pack.json"), "--out", path.join(folder, "out"), ...options],
  { encoding: "utf8", env: { ...process.env, SOFTHSM2_CONF: keys.softhsmConf, PFX_PASS: PASSWORD,
    TOKEN_PIN: PIN, ...env } });
}

const token = { pkcs11Module: SOFTHSM_MODULE, keyId: "01", pinEnv: "TOKEN_PIN", certificate: keys.cert };
const mistakes = [
  ["an unknown output", { outputs: ["folder", "exe"] }, [], {},
    /"outputs" must be a list of "folder", "zip", "msi"/],
  ["a version Windows Installer cannot order", { version: "1.256.0" }, ["--msi"], {},
    /major and minor up to 255/],
  ["an unknown installer key", { installScope: "all" }, [], {}, /"installScope" must be "user" or "machine"/],
  ["a vendor that splits a registry key", { vendor: "Acme\\Labs" }, ["--msi"], {}, /"vendor" holds "\\", which splits/],
  ["the password's variable unset", { sign: { pkcs12: keys.pfx, passwordEnv: "NOT_SET_HERE" } }, [], {},
    /NOT_SET_HERE \(named by "passwordEnv"\) is not set/],
  ["a wrong PIN", { sign: token, outputs: ["folder", "zip", "msi"] }, [], { TOKEN_PIN: "9999" },
    /signing DemoApp\.exe failed: PKCS#11 module: PIN incorrect/],
];
for (const [name, changes, options, env, message] of mistakes) {
  test(`pack with an installer or signing: ${name} fails in one line, writing nothing`, () => {
    const folder = project(changes);
    const result = pack(folder, options, env);
    assert.equal(result.status, 2, result.stderr);
    assert.match(result.stderr, /^veltrane-pack: [^\n]*\n$/);
    assert.match(result.stderr, message);
    assert.ok(!fs.existsSync(path.join(folder, "out")), "no --out folder");
  });
}

test("a pack killed while signing leaves no secret, no temporary folder and no --out", async () => {
  const folder = project({ sign: { pkcs12: keys.pfx, passwordEnv: "PFX_PASS" } });
  const signer = standInSigner(folder, 3);
  fs.mkdirSync(path.join(folder, "tmp"));
  const child = spawn(process.execPath, [path.join(TOOLS, "bin", "veltrane-pack.js"), path.join(folder, "pack.json"),
    "--out", path.join(folder, "out")], { stdio: "ignore", env: { ...process.env, PFX_PASS: PASSWORD,
    PATH: `${signer.bin}:${process.env.PATH}`, TMPDIR: path.join(folder, "tmp") } });
  for (let i = 0; i < 200 && !fs.existsSync(signer.log); i++) await sleep(50);
  child.kill("SIGTERM");
  const [code] = await once(child, "exit");
  assert.equal(code, 143);
  assert.match(fs.readFileSync(signer.log, "utf8"), new RegExp(`^secret: ${PASSWORD}$`, "m"));
  assert.doesNotMatch(fs.readFileSync(signer.log, "utf8"), /^PFX_PASS=|secret in a file/m);
  assert.deepEqual(fs.readdirSync(path.join(folder, "tmp")), []);
  assert.ok(!fs.existsSync(path.join(folder, "out")), "no --out folder");
});

test("an MSI packed again with the same version and other content is warned of", () => {
  const folder = project({ outputs: ["msi"] });
  const warning = /warning: DemoApp-1\.2\.3-win64\.msi holds other content than the one packed before with version 1\.2\.3/;
  assert.equal(pack(folder).status, 0);
  assert.doesNotMatch(pack(folder).stdout, warning);
  fs.writeFileSync(path.join(folder, "pack.json"), JSON.stringify({ ...JSON.parse(fs.readFileSync(
    path.join(folder, "pack.json"))), vmOptions: ["-Xmx1g"] }));
  assert.match(pack(folder).stdout, warning);
});

test("a signed pack: the exe in the folder, in the zip and in the MSI, and the MSI verify", () => {
  const runs = [["PKCS#12 in the pack file", { sign: { pkcs12: keys.pfx, passwordEnv: "PFX_PASS" } }, []],
    ["a token through --sign", {}, ["--sign", path.join(root, "sign.json")]]];
  fs.writeFileSync(path.join(root, "sign.json"), JSON.stringify(token));
  for (const [how, changes, options] of runs) {
    const folder = project(changes);
    const result = pack(folder, ["--msi", ...options]);
    assert.equal(result.status, 0, result.stderr);
    const out = path.join(folder, "out");
    const [msi, zip] = ["msi", "zip"].map((kind) => path.join(out, `DemoApp-1.2.3-win64.${kind}`));
    assert.deepEqual(fs.readdirSync(out).sort(), ["Demo App", path.basename(msi), path.basename(zip)]);
    assert.match(result.stdout, /upgrade code \{[0-9A-F-]{36}\}: keep it/);
    const zipped = path.join(folder, "zipped.exe");
    fs.writeFileSync(zipped, unzipSync(fs.readFileSync(zip))["Demo App/DemoApp.exe"]);
    for (const file of [path.join(out, "Demo App", "DemoApp.exe"), zipped, msi]) {
      assert.ok(verifies(file, keys.cert), `${how}: ${file} verifies`);
    }
  }
});
