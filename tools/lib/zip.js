// A reproducible zip of a folder: entries in byte order of their paths, one
// fixed time (SOURCE_DATE_EPOCH when set), one compression level, so the
// same files give the same bytes on any machine and in any time zone.
import fs from "node:fs";
import path from "node:path";

import { Zip, ZipDeflate } from "fflate";

import { ToolError } from "./errors.js";

// 1980-02-01: a zip time stays after the format's 1980 epoch in every time zone.
const DEFAULT_TIME = Date.UTC(1980, 1, 1) / 1000;
const CHUNK = 1 << 20;

// The time every entry gets, in seconds since 1970.
export function entryTime(environment = process.env) {
  const text = environment.SOURCE_DATE_EPOCH;
  if (text === undefined || text === "") return DEFAULT_TIME;
  if (!/^\d+$/.test(text)) throw new ToolError(`SOURCE_DATE_EPOCH is "${text}": it must be a number of seconds`);
  return Math.max(Number(text), DEFAULT_TIME);
}

// The files under a folder, as paths with "/", in byte order.
export function listFiles(folder, prefix = "") {
  const files = [];
  const names = fs.readdirSync(path.join(folder, prefix))
    .sort((a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)));
  for (const name of names) {
    const relative = prefix ? `${prefix}/${name}` : name;
    if (fs.statSync(path.join(folder, relative)).isDirectory()) files.push(...listFiles(folder, relative));
    else files.push(relative);
  }
  return files;
}

// Zip times are local calendar fields: the library reads them in the local
// time zone, so the instant is shifted to make them the UTC fields.
function zipTime(seconds) {
  const instant = seconds * 1000;
  return instant + new Date(instant).getTimezoneOffset() * 60000;
}

function addFile(zip, name, file, mtime) {
  const entry = new ZipDeflate(name, { level: 6 });
  entry.mtime = mtime;
  zip.add(entry);
  const fd = fs.openSync(file, "r");
  try {
    const size = fs.fstatSync(fd).size;
    const buffer = Buffer.alloc(Math.min(CHUNK, Math.max(size, 1)));
    let offset = 0;
    do {
      const length = fs.readSync(fd, buffer, 0, buffer.length, offset);
      offset += length;
      entry.push(buffer.subarray(0, length), offset >= size);
    } while (offset < size);
  } finally {
    fs.closeSync(fd);
  }
}

// Writes zipFile with every file of folder under the top folder rootName.
export function writeZip(zipFile, folder, rootName, seconds = entryTime()) {
  const out = fs.openSync(zipFile, "w");
  let failure = null;
  const zip = new Zip((error, chunk) => {
    if (error) failure = error;
    else fs.writeSync(out, chunk);
  });
  try {
    for (const file of listFiles(folder)) {
      addFile(zip, `${rootName}/${file}`, path.join(folder, file), zipTime(seconds));
    }
    zip.end();
  } finally {
    fs.closeSync(out);
  }
  if (failure) throw failure;
}
