// Times the MSI of an app folder with a 50 MB runtime: 200 files of 256 KB,
// half of each random (as compressed class archives are) and half text-like,
// so the cabinet's compression does real work. Prints the median of N builds.
//
// Usage: node tests/bench/msi_build.mjs [RUNS]
import crypto from "node:crypto";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { buildMsi } from "../../tools/lib/msi.js";
import { readMsiSettings } from "../../tools/lib/msi-settings.js";

const runs = Number(process.argv[2] || 3);
const root = fs.mkdtempSync(path.join(os.tmpdir(), "msi-bench-"));
try {
  const folder = path.join(root, "Bench");
  for (let index = 0; index < 200; index += 1) {
    const file = path.join(folder, "runtime", `part${index % 10}`, `file${index}.bin`);
    fs.mkdirSync(path.dirname(file), { recursive: true });
    const text = Buffer.from(`class Sample${index} { int value = ${index}; }\n`.repeat(3000))
      .subarray(0, 128 * 1024);
    fs.writeFileSync(file, Buffer.concat([crypto.randomBytes(128 * 1024), text]));
  }
  fs.copyFileSync(new URL("../../res/veltrane.ico", import.meta.url), path.join(folder, "Bench.exe"));
  const pack = { name: "Bench", vendor: "Acme", version: "1.0.0" };
  const settings = readMsiSettings(pack, path.join(root, "pack.json"));
  const times = [];
  let size = 0;
  for (let run = 0; run < runs; run += 1) {
    const start = process.hrtime.bigint();
    const { file } = buildMsi({ ...pack, exeName: "Bench", folder, settings,
      packFile: path.join(root, "pack.json") }, path.join(root, "bench.msi"), () => {});
    times.push(Number(process.hrtime.bigint() - start) / 1e9);
    size = fs.statSync(file).size;
  }
  times.sort((a, b) => a - b);
  console.log(`msi: ${runs} builds of an app with a 50 MB runtime (200 files): median ` +
    `${times[Math.floor(runs / 2)].toFixed(2)} s (fastest ${times[0].toFixed(2)} s), ` +
    `MSI ${(size / 1048576).toFixed(1)} MB`);
} finally {
  fs.rmSync(root, { recursive: true, force: true });
}
