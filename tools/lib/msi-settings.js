// The installer's part of a pack file: where it installs, which shortcuts and
// file associations it makes, and the codes that tie the versions of one
// application together.
import crypto from "node:crypto";
import path from "node:path";

import { ToolError } from "./errors.js";

export const MSI_KEYS = ["installScope", "shortcuts", "fileAssociations", "upgradeCode"];
const SCOPES = ["user", "machine"];
const ASSOCIATION_KEYS = ["extension", "description", "icon", "launcher"];
const GUID = /^\{?([0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12})\}?$/i;
// Ours alone: names made under it never meet another program's.
const NAMESPACE = "8d0c5c1e-3f0b-4a57-9e38-56a1c3c2e9b4";

// A name-based UUID (version 5): the same name always gives the same UUID.
export function nameUuid(namespace, name) {
  const hash = crypto.createHash("sha1")
    .update(Buffer.from(namespace.replace(/[{}-]/g, ""), "hex")).update(name, "utf8").digest();
  hash[6] = (hash[6] & 0x0f) | 0x50;
  hash[8] = (hash[8] & 0x3f) | 0x80;
  const hex = hash.subarray(0, 16).toString("hex").toUpperCase();
  return `${hex.slice(0, 8)}-${hex.slice(8, 12)}-${hex.slice(12, 16)}-${hex.slice(16, 20)}-` +
    hex.slice(20);
}

// Every version of one application shares it: it is what lets a newer MSI
// replace an older one, so it must never change once released.
export function upgradeCodeFor(name, vendor) {
  return nameUuid(NAMESPACE, `upgrade\n${vendor || ""}\n${name}`);
}

// Windows Installer compares the first three fields only (255.255.65535 at most).
export function msiVersion(version, file) {
  const parts = String(version).split(".");
  const limits = [255, 255, 65535, 65535];
  if (parts.length > 4 || !parts.every((p, i) => /^\d{1,5}$/.test(p) && +p <= limits[i])) {
    throw new ToolError(`${file}: "version" must look like "1.2.3" for the MSI ` +
      "(major and minor up to 255, build up to 65535)");
  }
  while (parts.length < 3) parts.push("0");
  return { version: parts.slice(0, 3).map(Number).join("."), ignored: parts[3] || "" };
}

function fail(file, message) {
  throw new ToolError(`${file}: ${message}`);
}

function readAssociation(file, entry, index) {
  const where = `"fileAssociations"[${index}]`;
  if (entry === null || typeof entry !== "object" || Array.isArray(entry)) {
    fail(file, `${where} must be an object with "extension", "description" and "icon"`);
  }
  for (const key of Object.keys(entry)) {
    if (!ASSOCIATION_KEYS.includes(key)) fail(file, `${where}: unknown key "${key}"`);
  }
  const extension = String(entry.extension ?? "").replace(/^\./, "");
  if (typeof entry.extension !== "string" || !/^[A-Za-z0-9_-]{1,32}$/.test(extension)) {
    fail(file, `${where}: "extension" must be letters and digits, like "acd"`);
  }
  for (const key of ["description", "icon", "launcher"]) {
    if (key in entry && (typeof entry[key] !== "string" || entry[key] === "")) {
      fail(file, `${where}: "${key}" must be a text that is not empty`);
    }
  }
  if (entry.icon && !/\.ico$/i.test(entry.icon)) fail(file, `${where}: "icon" must be an .ico file`);
  return {
    extension: extension.toLowerCase(),
    description: entry.description || `${extension.toUpperCase()} document`,
    icon: entry.icon ? path.resolve(path.dirname(file), entry.icon) : null,
    ...(entry.launcher ? { launcher: entry.launcher } : {}),
  };
}

function readShortcuts(file, shortcuts) {
  if (shortcuts === undefined) return { desktop: false };
  if (shortcuts === null || typeof shortcuts !== "object" || Array.isArray(shortcuts) ||
      Object.keys(shortcuts).some((key) => key !== "desktop") ||
      ("desktop" in shortcuts && typeof shortcuts.desktop !== "boolean")) {
    fail(file, '"shortcuts" must be {"desktop": true} or {"desktop": false}');
  }
  return { desktop: shortcuts.desktop === true };
}

// The installer settings of a pack (already parsed from file), checked and
// with their defaults; icons are resolved against the pack file's folder.
export function readMsiSettings(pack, file) {
  const scope = pack.installScope ?? "user";
  if (!SCOPES.includes(scope)) fail(file, '"installScope" must be "user" or "machine"');
  const list = pack.fileAssociations ?? [];
  if (!Array.isArray(list)) fail(file, '"fileAssociations" must be a list');
  const associations = list.map((entry, index) => readAssociation(file, entry, index));
  const seen = new Set();
  for (const { extension } of associations) {
    if (seen.has(extension)) fail(file, `"fileAssociations": .${extension} appears twice`);
    seen.add(extension);
  }
  let upgradeCode = upgradeCodeFor(pack.name, pack.vendor);
  if (pack.upgradeCode !== undefined) {
    const match = typeof pack.upgradeCode === "string" && GUID.exec(pack.upgradeCode);
    if (!match) fail(file, '"upgradeCode" must be a GUID like "12345678-9ABC-DEF0-1234-56789ABCDEF0"');
    upgradeCode = match[1].toUpperCase();
  }
  if (/[\\/:*?"<>|]/.test(pack.name) || /[. ]$/.test(pack.name)) {
    fail(file, `"name" "${pack.name}" cannot be the name of an install folder`);
  }
  return { scope, shortcuts: readShortcuts(file, pack.shortcuts), associations, upgradeCode };
}
