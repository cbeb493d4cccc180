// Signing: its settings, and signatures made from a PKCS#12 file and from a
// SoftHSM token that osslsigncode verifies.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import test from "node:test";

import { failureLine, readSignSettings, signFile } from "../../tools/lib/sign.js";
import { makeSigningKeys, PASSWORD, PIN, SOFTHSM_MODULE, standInSigner, verifies } from "./signing-keys.mjs";

const ENV = { SIGN_PASSWORD: "secret", TOKEN_PIN: "1234" };
const settingsErrors = [
  [[], /"sign": must be an object/],
  [{ pkcs12: "pack.json", passwordEnv: "SIGN_PASSWORD", key: "x" }, /unknown key "key"/],
  [{ passwordEnv: "SIGN_PASSWORD" }, /give either "pkcs12" or "pkcs11Module"/],
  [{ pkcs12: "pack.json", pkcs11Module: "m.so", keyId: "01", pinEnv: "TOKEN_PIN" }, /give either/],
  [{ pkcs12: "pack.json" }, /"passwordEnv" is missing/],
  [{ pkcs12: "pack.json", passwordEnv: "SIGN_PASSWORD", keyId: "01" }, /"keyId" belongs to a PKCS#11/],
  [{ pkcs12: "gone.pfx", passwordEnv: "SIGN_PASSWORD" }, /"pkcs12": .*gone\.pfx does not exist/],
  [{ pkcs12: "pack.json", passwordEnv: "UNSET_VARIABLE" }, /UNSET_VARIABLE \(named by "passwordEnv"\) is not set/],
  [{ pkcs11Module: "m.so", keyId: "01" }, /"pinEnv" is missing/],
  [{ pkcs12: "pack.json", passwordEnv: "SIGN_PASSWORD", timestampUrl: "ftp://x" }, /"timestampUrl" must be/],
];
for (const [sign, message] of settingsErrors) {
  test(`signing settings ${JSON.stringify(sign)} are refused in one line`, () => {
    const file = new URL("../../tools/package.json", import.meta.url).pathname;
    const pack = path.join(path.dirname(file), "pack.json");
    fs.writeFileSync(pack, "{}");
    try {
      assert.throws(() => readSignSettings(sign, pack, ENV),
        (error) => message.test(error.message) && !error.message.includes("\n"));
    } finally {
      fs.rmSync(pack);
    }
  });
}

test("OpenSSL's error lines become library and reason", () => {
  assert.equal(failureLine("Login failed\nFailed\n40E0:error:430000A0:PKCS#11 module:" +
    "ERR_CKR_error:PIN incorrect:p11_slot.c:208:\n"), "PKCS#11 module: PIN incorrect");
  assert.equal(failureLine("Failed to read key or certificates\n"), "Failed to read key or certificates");
});

test("signatures from a PKCS#12 file and a SoftHSM token verify; a wrong PIN leaves no output",
  (t) => {
    const root = fs.mkdtempSync(path.join(os.tmpdir(), "sign-test-"));
    t.after(() => fs.rmSync(root, { recursive: true, force: true }));
    const { cert, pfx, softhsmConf } = makeSigningKeys(root);
    // An MSI is signed as an exe is; wixl makes one from nothing here.
    fs.writeFileSync(path.join(root, "a.wxs"), '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">' +
      '<Product Id="*" Name="A" Language="1033" Version="1.0.0" Manufacturer="A" ' +
      'UpgradeCode="0F0E0D0C-0B0A-4908-8706-050403020100"><Package Compressed="yes"/>' +
      '<Directory Id="TARGETDIR" Name="SourceDir"/><Feature Id="F" Level="1"/></Product></Wix>');
    spawnSync("wixl", ["-o", "app.msi", "a.wxs"], { cwd: root });
    const exe = path.join(root, "app.msi");
    const pack = path.join(root, "pack.json");
    const env = { ...process.env, PFX_PASSWORD: PASSWORD, TOKEN_PIN: PIN };
    const p12 = readSignSettings({ pkcs12: pfx, passwordEnv: "PFX_PASSWORD" }, pack, env);
    signFile(p12, exe, path.join(root, "p12.msi"), "Acme Draw");
    assert.ok(verifies(path.join(root, "p12.msi"), cert));
    process.env.SOFTHSM2_CONF = softhsmConf;
    const token = { pkcs11Module: SOFTHSM_MODULE, keyId: "01", pinEnv: "TOKEN_PIN", certificate: cert };
    signFile(readSignSettings(token, pack, env), exe, exe, "Acme Draw");
    assert.ok(verifies(exe, cert));
    const wrong = readSignSettings(token, pack, { ...env, TOKEN_PIN: "9999" });
    assert.throws(() => signFile(wrong, path.join(root, "p12.msi"), path.join(root, "out.msi")),
      /^Error: signing p12\.msi failed: PKCS#11 module: PIN incorrect$/);
    assert.ok(!fs.existsSync(path.join(root, "out.msi")));
    assert.deepEqual(fs.readdirSync(root).filter((name) => /signing-\d/.test(name)), []);
  });

test("osslsigncode is given the module to search for, the token's certificate, -time, the secret by a pipe", (t) => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "sign-test-"));
  const saved = { ...process.env };
  t.after(() => {
    process.env = saved;
    fs.rmSync(root, { recursive: true, force: true });
  });
  const signer = standInSigner(root);
  Object.assign(process.env, { PATH: `${signer.bin}:${process.env.PATH}`, SOURCE_DATE_EPOCH: "1700000000",
    TOKEN_PIN: PIN });
  const settings = readSignSettings({ pkcs11Module: "libsofthsm2.so", pinEnv: "TOKEN_PIN",
    keyId: "pkcs11:token=t;id=%01;type=private" }, path.join(root, "pack.json"));
  assert.throws(() => signFile(settings, path.join(root, "in.exe"), path.join(root, "out.exe")), /signing in\.exe failed/);
  const log = fs.readFileSync(signer.log, "utf8");
  for (const pair of ["-pkcs11module\nlibsofthsm2.so\n", "-pkcs11cert\npkcs11:token=t;id=%01;type=cert\n",
    "-key\npkcs11:token=t;id=%01;type=private\n", "-time\n1700000000\n", `secret: ${PIN}\n`]) {
    assert.ok(log.includes(pair), `${pair} in\n${log}`);
  }
  assert.doesNotMatch(log, /-pkcs11engine|secret in a file|^TOKEN_PIN=/m);
});
