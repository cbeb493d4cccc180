// The package's three commands answer --version with the release's version
// (the project's in CMakeLists.txt), and veltrane-check hands the checker's
// exit status and output on.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { test } from "node:test";
import { fileURLToPath } from "node:url";

const top = path.join(path.dirname(fileURLToPath(import.meta.url)), "..", "..");
const release = /project\(veltrane VERSION (\d+\.\d+\.\d+)/.exec(
  fs.readFileSync(path.join(top, "CMakeLists.txt"), "utf8"))[1];
const checkerBuilt = fs.existsSync(path.join(top, "build", "host", "veltrane-check"));

const runs = [
  ["veltrane-pack", ["--version"], 0, `veltrane-pack ${release}\n`],
  ["veltrane-brand", ["--version"], 0, `veltrane-brand ${release}\n`],
  ["veltrane-check", ["--version"], 0, `veltrane-check ${release}\n`],
  ["veltrane-check", [], 64, ""],
];
for (const [command, args, status, output] of runs) {
  const needsChecker = command === "veltrane-check" && !checkerBuilt;
  test(`${[command, ...args].join(" ")} exits with ${status}`, { skip: needsChecker && "build/host/veltrane-check not built" }, () => {
    const result = spawnSync(process.execPath, [path.join(top, "tools", "bin", `${command}.js`), ...args],
      { encoding: "utf8", env: { ...process.env, VELTRANE_ASSETS: "" } });
    assert.equal(result.status, status, result.stderr);
    assert.equal(result.stdout, output);
  });
}
