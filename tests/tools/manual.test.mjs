// The manual's reference tables follow the code: every key of the pack file,
// of its "sign" object and of the brand file, and every problem code of the
// checker, has a row in exactly one table of its kind, on its page; and no
// row names a key that is gone.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { test } from "node:test";
import { fileURLToPath } from "node:url";

import { BRAND_KEYS } from "../../tools/lib/brand-file.js";
import { PACK_KEYS } from "../../tools/lib/pack-file.js";
import { SIGN_KEYS } from "../../tools/lib/sign.js";

const top = path.join(path.dirname(fileURLToPath(import.meta.url)), "..", "..");

// The checker's codes, as its sources raise them: {"code", ... Severity::...}.
function checkerCodes() {
  const codes = new Set();
  const folder = path.join(top, "src", "check");
  for (const name of fs.readdirSync(folder, { recursive: true }).filter((n) => /\.(cpp|h)$/.test(n))) {
    const source = fs.readFileSync(path.join(folder, name), "utf8");
    for (const match of source.matchAll(/\{"([a-z][a-z0-9-]*)",[^,;]*Severity::/g)) codes.add(match[1]);
  }
  return [...codes];
}

// Each table of each page of the manual: its header line, and the keys its
// rows' first cells name in backquotes.
function manualTables() {
  const pages = ["README.md", ...fs.readdirSync(path.join(top, "docs"))
    .filter((name) => name.endsWith(".md")).map((name) => `docs/${name}`)];
  const tables = [];
  for (const page of pages) {
    let table = null;
    for (const line of fs.readFileSync(path.join(top, page), "utf8").split("\n")) {
      if (!line.startsWith("|")) {
        table = null;
      } else if (table === null) {
        table = { page, header: line.trim(), keys: new Set() };
        tables.push(table);
      } else {
        const first = line.split("|")[1];
        for (const match of first.matchAll(/`"?([^`"]+)"?`/g)) table.keys.add(match[1]);
      }
    }
  }
  return tables;
}

const kinds = [
  { what: "pack file key", page: "docs/packing.md", header: "| key | what it is |", keys: Object.keys(PACK_KEYS) },
  { what: "\"sign\" key", page: "docs/signing.md", header: "| sign key | what it is |", keys: SIGN_KEYS },
  { what: "brand key", page: "docs/branding.md", header: "| key | what it sets |", keys: BRAND_KEYS },
  { what: "checker problem code", page: "docs/checker.md", header: "| code | severity | when |", keys: checkerCodes() },
];

const tables = manualTables();
for (const { what, page, header, keys } of kinds) {
  test(`every ${what} has a row in ${page}, and only there`, () => {
    assert.ok(keys.length >= 5, `found only ${keys.length} of the ${what}s in the code`);
    const ofKind = tables.filter((table) => table.header === header);
    const faults = [];
    for (const key of keys) {
      const holding = ofKind.filter((table) => table.keys.has(key)).map((table) => table.page);
      if (holding.length === 0) faults.push(`the ${what} "${key}" has no row in ${page}'s table "${header}"`);
      else if (holding.length > 1 || holding[0] !== page) {
        faults.push(`the ${what} "${key}" has rows in ${holding.join(", ")}: it belongs in ${page} alone`);
      }
    }
    for (const table of ofKind) {
      for (const key of table.keys) {
        if (!keys.includes(key)) faults.push(`${table.page}'s table "${header}" has a row for "${key}", no ${what}`);
      }
    }
    assert.deepEqual(faults, []);
  });
}
