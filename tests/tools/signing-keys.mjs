// Throw-away signing keys for the tests: a self-signed code-signing
// certificate, as a PKCS#12 file and as a key on a SoftHSM token.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

export const PASSWORD = "throw-away";
export const PIN = "1234";
export const SOFTHSM_MODULE = "/usr/lib/softhsm/libsofthsm2.so";

function run(command, args, env = process.env) {
  const result = spawnSync(command, args, { encoding: "utf8", env });
  if (result.status !== 0) {
    throw new Error(`${command} ${args.join(" ")}: ${result.error?.message || result.stderr}`);
  }
}

// Makes the keys in folder; returns {cert, pfx, softhsmConf}. The token's
// configuration must be in SOFTHSM2_CONF for whoever uses the token.
export function makeSigningKeys(folder) {
  const cert = path.join(folder, "signing.pem");
  const key = path.join(folder, "signing-key.pem");
  run("openssl", ["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
    "-subj", "/CN=Acme test signer", "-days", "2",
    "-addext", "extendedKeyUsage=critical,codeSigning"]);
  const pfx = path.join(folder, "signing.pfx");
  run("openssl", ["pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
    "-passout", `pass:${PASSWORD}`]);
  const tokens = path.join(folder, "tokens");
  fs.mkdirSync(tokens);
  const softhsmConf = path.join(folder, "softhsm2.conf");
  fs.writeFileSync(softhsmConf, `directories.tokendir = ${tokens}\nobjectstore.backend = file\n` +
    "log.level = ERROR\n");
  const env = { ...process.env, SOFTHSM2_CONF: softhsmConf };
  run("softhsm2-util", ["--init-token", "--free", "--label", "veltrane", "--pin", PIN,
    "--so-pin", "5678"], env);
  const pkcs8 = path.join(folder, "signing-key8.pem");
  run("openssl", ["pkcs8", "-topk8", "-nocrypt", "-in", key, "-out", pkcs8]);
  run("softhsm2-util", ["--import", pkcs8, "--token", "veltrane", "--label", "signing",
    "--id", "01", "--pin", PIN], env);
  fs.rmSync(pkcs8);
  return { cert, pfx, softhsmConf };
}

// osslsigncode verify against the throw-away certificate: true when it passes.
export function verifies(file, cert) {
  return spawnSync("osslsigncode", ["verify", "-CAfile", cert, "-in", file]).status === 0;
}

// A stand-in osslsigncode in folder/bin: it logs its arguments, the secret it
// reads from -readpass (and whether that is a file) and its environment into
// folder/signer.log, waits the seconds given and fails.
export function standInSigner(folder, seconds = 0) {
  const bin = path.join(folder, "bin");
  const log = path.join(folder, "signer.log");
  fs.mkdirSync(bin, { recursive: true });
  fs.writeFileSync(path.join(bin, "osslsigncode"), `#!/bin/sh
for a in "$@"; do [ "$previous" = -readpass ] && pass=$a; previous=$a; done
{ printf '%s\\n' "$@"; echo "secret: $(cat "$pass")"; [ -f "$pass" ] && echo "secret in a file"; env; } > "${log}.part"
mv "${log}.part" "${log}"
sleep ${seconds}
exit 1
`, { mode: 0o755 });
  return { bin, log };
}
