// Where veltrane-pack finds the programs it ships or runs: the launchers and
// the Linux checker. An installed package carries them in assets/; a
// checkout has them in its build folders.
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

import { ToolError } from "./errors.js";

const PACKAGE = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const CHECKOUT = path.dirname(PACKAGE);
const IN_CHECKOUT = {
  "veltrane.exe": "build/windows/veltrane.exe",
  "veltrane-console.exe": "build/windows/veltrane-console.exe",
  "veltrane-check": "build/host/veltrane-check",
};
const BUILD_COMMAND = {
  "veltrane.exe": "cmake --preset windows && cmake --build --preset windows",
  "veltrane-console.exe": "cmake --preset windows && cmake --build --preset windows",
  "veltrane-check": "cmake --preset host && cmake --build --preset host --target veltrane-check",
};

// The places looked at for an asset, in order.
export function assetCandidates(name) {
  const places = [];
  if (process.env.VELTRANE_ASSETS) places.push(path.join(process.env.VELTRANE_ASSETS, name));
  places.push(path.join(PACKAGE, "assets", name), path.join(CHECKOUT, IN_CHECKOUT[name]));
  return places;
}

// The file of an asset; a missing one is the user's to build or install.
export function assetPath(name) {
  if (!(name in IN_CHECKOUT)) throw new Error(`no such asset: ${name}`);
  const found = assetCandidates(name).find((file) => fs.existsSync(file));
  if (found) return found;
  throw new ToolError(`${name} not found (looked in ${assetCandidates(name).join(", ")}): ` +
    `install the released veltrane-tools package, or in a checkout run ${BUILD_COMMAND[name]}`);
}
