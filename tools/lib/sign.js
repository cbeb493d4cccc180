// Authenticode signing of exes and MSIs with osslsigncode, from a PKCS#12
// file or from a key on a PKCS#11 token (a hardware token, a cloud key
// store, SoftHSM). Secrets come from environment variables named in the pack
// file, never from the file itself, and reach osslsigncode through a pipe,
// never through its command line, its environment or a file. Used by
// veltrane-pack.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";

export const SIGN_KEYS = ["pkcs12", "passwordEnv", "pkcs11Module", "pkcs11Engine", "keyId",
  "pinEnv", "certificate", "timestampUrl"];
const FILES = ["pkcs12", "pkcs11Module", "pkcs11Engine", "certificate"];
const PKCS12_KEYS = ["pkcs12", "passwordEnv", "timestampUrl"];
const ENGINE_NOT_FOUND = "is the PKCS#11 engine of OpenSSL installed? Install the Debian package " +
  "libengine-pkcs11-openssl, or name its pkcs11.so in \"sign\".\"pkcs11Engine\"";

function fail(file, message) {
  throw new ToolError(`${file}: "sign": ${message}`);
}

function checkShape(sign, file) {
  if (sign === null || typeof sign !== "object" || Array.isArray(sign)) {
    fail(file, "must be an object (a PKCS#12 file or a PKCS#11 token, see the README)");
  }
  for (const [key, value] of Object.entries(sign)) {
    if (!SIGN_KEYS.includes(key)) fail(file, `unknown key "${key}" (known: ${SIGN_KEYS.join(", ")})`);
    if (typeof value !== "string" || value === "") fail(file, `"${key}" must be a text that is not empty`);
  }
  const token = "pkcs11Module" in sign;
  if (token === "pkcs12" in sign) fail(file, 'give either "pkcs12" or "pkcs11Module"');
  const needed = token ? ["keyId", "pinEnv"] : ["passwordEnv"];
  for (const key of needed) if (!(key in sign)) fail(file, `"${key}" is missing`);
  const stray = Object.keys(sign).filter((key) => !token && !PKCS12_KEYS.includes(key));
  if (stray.length > 0) fail(file, `"${stray[0]}" belongs to a PKCS#11 token, not a PKCS#12 file`);
  if (token && "passwordEnv" in sign) fail(file, '"passwordEnv" belongs to a PKCS#12 file: give "pinEnv"');
  if (sign.timestampUrl && !/^https?:\/\/\S+$/.test(sign.timestampUrl)) {
    fail(file, '"timestampUrl" must be an http:// or https:// URL');
  }
}

// The "sign" object of a pack file (parsed), checked, with its files resolved
// against the pack file's folder and its secret read from the environment.
export function readSignSettings(sign, file, env = process.env) {
  checkShape(sign, file);
  const settings = { ...sign };
  for (const key of FILES) {
    if (!(key in sign)) continue;
    // A module named without a folder is found by the system's library search.
    if (key === "pkcs11Module" && !sign[key].includes("/")) continue;
    settings[key] = path.resolve(path.dirname(file), sign[key]);
    if (!fs.existsSync(settings[key])) fail(file, `"${key}": ${settings[key]} does not exist`);
  }
  const variable = sign.passwordEnv || sign.pinEnv;
  if (env[variable] === undefined) {
    fail(file, `the environment variable ${variable} (named by "${sign.passwordEnv ? "passwordEnv" :
      "pinEnv"}") is not set`);
  }
  settings.secret = env[variable];
  settings.secretVariable = variable;
  return settings;
}

// A key id in hex ("01") or a whole PKCS#11 URI, for the object of the given type.
function tokenObject(keyId, type) {
  if (keyId.startsWith("pkcs11:")) return keyId.replace(/type=private/, `type=${type}`);
  const id = keyId.replace(/[^0-9a-f]/gi, "").replace(/(..)/g, "%$1");
  return `pkcs11:id=${id};type=${type}`;
}

function keyArguments(settings) {
  if (settings.pkcs12) return ["-pkcs12", settings.pkcs12];
  const certificate = settings.certificate ? ["-certs", settings.certificate] :
    ["-pkcs11cert", tokenObject(settings.keyId, "cert")];
  // Without an engine named, osslsigncode loads OpenSSL's "pkcs11" engine
  // itself: osslsigncode 2.5 (Debian 12) fails when given one by its path.
  return [...(settings.pkcs11Engine ? ["-pkcs11engine", settings.pkcs11Engine] : []),
    "-pkcs11module", settings.pkcs11Module, ...certificate, "-key", tokenObject(settings.keyId, "private")];
}

// osslsigncode's most telling line: the PIN or password, else its first
// error; OpenSSL's "<thread>:error:<code>:<library>:<function>:<reason>:<file>:<line>:"
// becomes "<library>: <reason>".
export function failureLine(output) {
  const lines = output.split("\n").map((line) => line.trim()).filter(Boolean);
  const line = lines.find((l) => /PIN|pass|mac verify|CKR_/i.test(l)) ||
    lines.find((l) => /error|fail|unable|cannot/i.test(l)) || lines[0] || "no message";
  const openssl = /^[0-9A-F]+:error:[0-9A-F]+:([^:]+):[^:]*:([^:]+):/.exec(line);
  return openssl ? `${openssl[1]}: ${openssl[2]}` : line;
}

// osslsigncode reads the secret from its standard input, a pipe: Node gives
// a child a socket, which /dev/stdin cannot open, so "cat" feeds the pipe
// that sh makes. The secret's variable stays out of the environment.
const THROUGH_A_PIPE = 'cat | exec "$0" "$@"';

function runSigner(settings, inFile, outFile, description) {
  const time = process.env.SOURCE_DATE_EPOCH;
  const args = ["sign", ...keyArguments(settings), "-readpass", "/dev/stdin", "-h", "sha256",
    ...(description ? ["-n", description] : []),
    ...(settings.timestampUrl ? ["-ts", settings.timestampUrl] :
      time && /^\d+$/.test(time) ? ["-time", time] : []),
    "-in", inFile, "-out", outFile];
  const env = { ...process.env };
  delete env[settings.secretVariable];
  const result = spawnSync("sh", ["-c", THROUGH_A_PIPE, "osslsigncode", ...args],
    { encoding: "utf8", input: settings.secret, env });
  if (result.status === 127) {
    throw new ToolError("osslsigncode not found: install the Debian package osslsigncode " +
      "(apt-get install osslsigncode), or brew install osslsigncode");
  }
  if (result.error || result.status !== 0 || !fs.existsSync(outFile)) {
    const line = failureLine(`${result.stderr || ""}\n${result.stdout || ""}`);
    const hint = settings.pkcs11Module && /engine|dynamic_load/i.test(line) ? `: ${ENGINE_NOT_FOUND}` : "";
    throw new ToolError(`signing ${path.basename(inFile)} failed: ${line}${hint}`);
  }
}

// Writes outFile (which may be inFile), inFile signed; on failure outFile is
// as it was before (or absent) and the error is one line.
export function signFile(settings, inFile, outFile, description) {
  const signed = `${outFile}.signing-${process.pid}`;
  try {
    fs.rmSync(signed, { force: true });
    runSigner(settings, inFile, signed, description);
    fs.renameSync(signed, outFile);
  } finally {
    fs.rmSync(signed, { force: true });
  }
}
