// Builds the MSI of a hand-made app folder, as veltrane-pack does after it has
// written the folder: signs the exe first and the MSI last when the settings
// say so. Prints the MSI's codes as JSON.
//
// Usage: node build_msi.mjs SETTINGS.json
//   SETTINGS: {pack: {...pack file keys}, packFile, folder, exeName, out}
import fs from "node:fs";

import { buildMsi } from "../../tools/lib/msi.js";
import { readMsiSettings } from "../../tools/lib/msi-settings.js";
import { readSignSettings, signFile } from "../../tools/lib/sign.js";

const { pack, packFile, folder, exeName, out } = JSON.parse(fs.readFileSync(process.argv[2], "utf8"));
const signing = pack.sign ? readSignSettings(pack.sign, packFile) : null;
const exe = `${folder}/${exeName}.exe`;
if (signing) signFile(signing, exe, exe, pack.name);
const built = buildMsi({ ...pack, exeName, folder, packFile,
  settings: readMsiSettings(pack, packFile) }, out, (line) => console.error(line));
if (signing) signFile(signing, out, out, pack.name);
console.log(JSON.stringify(built));
