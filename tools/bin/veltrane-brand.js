#!/usr/bin/env node
// veltrane-brand BRAND.json IN.exe OUT.exe
//
// Writes OUT.exe: the launcher IN.exe with an application's own name, icon,
// version information, code page and launch mode, read from the brand file.
import { BRAND_KEYS, brandExecutable, loadResourceLibrary, readBrand } from "../lib/brand.js";
import { runCommand } from "../lib/errors.js";

const USAGE = "usage: veltrane-brand BRAND.json IN.exe OUT.exe";

async function main(argv) {
  if (argv.length === 1 && (argv[0] === "--help" || argv[0] === "-h")) {
    console.log(`${USAGE}\n\nBrand file keys (all optional): ${BRAND_KEYS.join(", ")}.`);
    return 0;
  }
  if (argv.length !== 3) {
    console.error(USAGE);
    return 64;
  }
  await loadResourceLibrary();
  const [brandFile, inFile, outFile] = argv;
  brandExecutable(readBrand(brandFile), inFile, outFile);
  return 0;
}

await runCommand("veltrane-brand", main);
