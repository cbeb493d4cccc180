// veltrane-pack's cache of downloaded JDKs, unpacked JDKs, module lists and
// linked runtimes. An entry appears under its final name only when it is
// complete (made under a temporary name, then renamed), so a pack that was
// killed leaves at most a temporary that no later pack takes, and that a
// later pack removes once its process is gone.
import crypto from "node:crypto";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { removeOnInterrupt } from "./interrupt.js";

const TEMPORARY = /^\.tmp-(\d+)-/;

// VELTRANE_CACHE, else $XDG_CACHE_HOME/veltrane, else ~/.cache/veltrane.
export function cacheRoot(environment = process.env) {
  if (environment.VELTRANE_CACHE) return path.resolve(environment.VELTRANE_CACHE);
  if (environment.XDG_CACHE_HOME) return path.join(path.resolve(environment.XDG_CACHE_HOME), "veltrane");
  return path.join(os.homedir(), ".cache", "veltrane");
}

export function sha256Hex(data) {
  return crypto.createHash("sha256").update(data).digest("hex");
}

// A file's sha256, read in pieces (a JDK is a few hundred MB).
export function fileSha256(file) {
  const hash = crypto.createHash("sha256");
  const buffer = Buffer.alloc(1 << 20);
  const fd = fs.openSync(file, "r");
  try {
    for (let length; (length = fs.readSync(fd, buffer, 0, buffer.length, null)) > 0;) {
      hash.update(buffer.subarray(0, length));
    }
  } finally {
    fs.closeSync(fd);
  }
  return hash.digest("hex");
}

function processIsGone(pid) {
  try {
    process.kill(pid, 0);
    return false;
  } catch (error) {
    return error.code === "ESRCH";
  }
}

// Removes the temporaries of packs that were killed.
function sweep(folder) {
  for (const name of fs.readdirSync(folder)) {
    const match = TEMPORARY.exec(name);
    if (match && Number(match[1]) !== process.pid && processIsGone(Number(match[1]))) {
      fs.rmSync(path.join(folder, name), { recursive: true, force: true });
    }
  }
}

// A fresh temporary path in folder (made if missing), removed on Ctrl-C;
// returns { path, forget }.
export function temporaryPath(folder) {
  fs.mkdirSync(folder, { recursive: true });
  sweep(folder);
  const file = path.join(folder, `.tmp-${process.pid}-${crypto.randomBytes(6).toString("hex")}`);
  return { path: file, forget: removeOnInterrupt(file) };
}

// Makes the cache entry folder/name with make(temporary) unless it exists;
// returns its path. Another pack that made it first wins; ours is dropped.
export async function cachedEntry(folder, name, make) {
  const target = path.join(folder, name);
  if (fs.existsSync(target)) return target;
  const temporary = temporaryPath(folder);
  try {
    await make(temporary.path);
    try {
      fs.renameSync(temporary.path, target);
    } catch (error) {
      if (!fs.existsSync(target)) throw error;
    }
    return target;
  } finally {
    fs.rmSync(temporary.path, { recursive: true, force: true });
    temporary.forget();
  }
}
