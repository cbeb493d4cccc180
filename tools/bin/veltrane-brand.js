#!/usr/bin/env node
// veltrane-brand BRAND.json IN.exe OUT.exe
//
// Writes OUT.exe: the launcher IN.exe with an application's own name, icon,
// version information, code page, launch mode and AppUserModelID, read from
// the brand file.
import { BRAND_KEYS, readBrand } from "../lib/brand-file.js";
import { brandExecutable, loadResourceLibrary } from "../lib/brand.js";
import { runCommand } from "../lib/errors.js";
import { versionLine } from "../lib/version.js";

const USAGE = "usage: veltrane-brand BRAND.json IN.exe OUT.exe | --help | --version";
const HELP = `
Writes OUT.exe: the launcher IN.exe with the name, icon, version information,
code page and mode of BRAND.json. Brand the unsigned launcher, then sign.
  --version  the release's version
Exit status: 0 written, 1 a mistake in the brand file or its inputs, 64 a
usage error. The manual: docs/branding.md of the release.`;

// What the branded launcher now says of itself, in one line.
function summary(brand, result) {
  const parts = [];
  if (brand.productName) parts.push(`"${brand.productName}"`);
  if (brand.version) parts.push(`version ${brand.version.join(".")}`);
  if (brand.icon) parts.push("its icon");
  parts.push(result.codePage === "utf-8" ? "UTF-8 code page" : "ANSI code page");
  if (brand.mode) parts.push(`${brand.mode} mode`);
  if (brand.appUserModelId) parts.push(`AppUserModelID ${brand.appUserModelId}`);
  return parts.join(", ");
}

async function main(argv) {
  if (argv.length === 1 && (argv[0] === "--help" || argv[0] === "-h")) {
    console.log(`${USAGE}\n${HELP}\n\nBrand file keys (all optional): ${BRAND_KEYS.join(", ")}.`);
    return 0;
  }
  if (argv.length === 1 && argv[0] === "--version") {
    console.log(versionLine("veltrane-brand"));
    return 0;
  }
  if (argv.length !== 3) {
    console.error(USAGE);
    return 64;
  }
  await loadResourceLibrary();
  const [brandFile, inFile, outFile] = argv;
  const brand = readBrand(brandFile);
  const result = brandExecutable(brand, inFile, outFile);
  for (const warning of result.warnings) console.error(`veltrane-brand: warning: ${warning}`);
  console.log(`veltrane-brand: wrote ${outFile} (${summary(brand, result)})`);
  return 0;
}

await runCommand("veltrane-brand", main);
