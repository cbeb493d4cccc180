#!/usr/bin/env node
// veltrane-pack PACK.json [--out DIR] [--msi] [--sign SIGN.json]
//
// Writes DIR/<name>/, a Windows app folder (each launcher branded in app
// mode as <exeName>.exe with its <exeName>.config, lib/, runtime/ and the
// app's own files), and DIR/<exeName>-<version>-win64.zip of it, then checks
// what it made.
import path from "node:path";

import { runCommand } from "../lib/errors.js";
import { pack } from "../lib/pack.js";
import { PACK_KEYS, readPackFile, REQUIRED_KEYS } from "../lib/pack-file.js";
import { summaryLines } from "../lib/pack-summary.js";
import { versionLine } from "../lib/version.js";

const USAGE = "usage: veltrane-pack PACK.json [--out DIR] [--msi] [--sign SIGN.json] | --help | --version";

function parseArguments(argv) {
  const options = { packFile: null, outDir: null, msi: false, sign: null };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--out" && i + 1 < argv.length && options.outDir === null) options.outDir = argv[++i];
    else if (argv[i] === "--msi") options.msi = true;
    else if (argv[i] === "--sign" && i + 1 < argv.length && options.sign === null) options.sign = argv[++i];
    else if (!argv[i].startsWith("-") && options.packFile === null) options.packFile = argv[i];
    else return null;
  }
  return options.packFile ? options : null;
}

const HELP = `
Writes DIR/<name>/ (the app folder: the branded exe, its configuration, lib/,
runtime/) and DIR/<exeName>-<version>-win64.zip, then checks what it made.
  --out DIR         where to write (default: dist/ beside PACK.json)
  --msi             add the installer, DIR/<exeName>-<version>-win64.msi
  --sign SIGN.json  sign the exe and the MSI as the pack file's "sign" object
                    would: SIGN.json holds that object alone ({"pkcs12": ...},
                    not {"sign": ...}), as CI writes it from its secrets
  --version         the release's version
Exit status: 0 packed, 2 a mistake in the pack file or its inputs (nothing is
written), 64 a usage error. The manual: docs/packing.md of the release.`;

async function main(argv) {
  if (argv.length === 1 && (argv[0] === "--help" || argv[0] === "-h")) {
    console.log(`${USAGE}\n${HELP}\n\nRequired keys: ${REQUIRED_KEYS.join(", ")}.\n` +
      `Optional keys: ${Object.keys(PACK_KEYS).filter((k) => !REQUIRED_KEYS.includes(k)).join(", ")}.`);
    return 0;
  }
  if (argv.length === 1 && argv[0] === "--version") {
    console.log(versionLine("veltrane-pack"));
    return 0;
  }
  const options = parseArguments(argv);
  if (!options) {
    console.error(USAGE);
    return 64;
  }
  const settings = readPackFile(options.packFile, options);
  const outDir = options.outDir || path.join(path.dirname(options.packFile), "dist");
  const result = await pack(settings, outDir);
  for (const line of summaryLines(result, outDir)) console.log(line);
  return 0;
}

await runCommand("veltrane-pack", main, 2);
