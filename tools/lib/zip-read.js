// Reading chosen entries of a zip file without holding the whole file in
// memory: the central directory is read from the end, then each wanted
// entry from its local header (stored or deflated, zip64 sizes included).
import fs from "node:fs";
import zlib from "node:zlib";

const END_OF_DIRECTORY = 0x06054b50;
const ZIP64_LOCATOR = 0x07064b50;
const DIRECTORY_ENTRY = 0x02014b50;
const LOCAL_HEADER = 0x04034b50;

function readAt(fd, position, length) {
  const buffer = Buffer.alloc(length);
  const read = fs.readSync(fd, buffer, 0, length, position);
  return buffer.subarray(0, read);
}

// Where the central directory starts and how many entries it holds, or null.
function directoryOf(fd, size) {
  const tail = readAt(fd, Math.max(0, size - 65557), Math.min(size, 65557));
  for (let at = tail.length - 22; at >= 0; at--) {
    if (tail.readUInt32LE(at) !== END_OF_DIRECTORY) continue;
    const directory = { count: tail.readUInt16LE(at + 10), offset: tail.readUInt32LE(at + 16) };
    if (at >= 20 && tail.readUInt32LE(at - 20) === ZIP64_LOCATOR) {
      const record = readAt(fd, Number(tail.readBigUInt64LE(at - 12)), 56);
      directory.count = Number(record.readBigUInt64LE(32));
      directory.offset = Number(record.readBigUInt64LE(48));
    }
    return directory;
  }
  return null;
}

// The zip64 extra field's sizes and offset replace the 32-bit fields set to 0xFFFFFFFF.
function applyZip64(entry, extra) {
  for (let at = 0; at + 4 <= extra.length; at += 4 + extra.readUInt16LE(at + 2)) {
    if (extra.readUInt16LE(at) !== 1) continue;
    let field = at + 4;
    for (const key of ["size", "compressedSize", "offset"]) {
      if (entry[key] === 0xffffffff) {
        entry[key] = Number(extra.readBigUInt64LE(field));
        field += 8;
      }
    }
  }
}

// The entries of the zip: { name, method, compressedSize, size, offset },
// or null when the file is not a zip.
export function zipEntries(fd) {
  const size = fs.fstatSync(fd).size;
  const directory = directoryOf(fd, size);
  if (!directory) return null;
  const data = readAt(fd, directory.offset, size - directory.offset);
  const entries = [];
  for (let at = 0, i = 0; i < directory.count; i++) {
    if (at + 46 > data.length || data.readUInt32LE(at) !== DIRECTORY_ENTRY) return null;
    const nameLength = data.readUInt16LE(at + 28);
    const extraLength = data.readUInt16LE(at + 30);
    const entry = {
      name: data.toString("utf8", at + 46, at + 46 + nameLength), flags: data.readUInt16LE(at + 8),
      method: data.readUInt16LE(at + 10), compressedSize: data.readUInt32LE(at + 20),
      size: data.readUInt32LE(at + 24), offset: data.readUInt32LE(at + 42),
    };
    applyZip64(entry, data.subarray(at + 46 + nameLength, at + 46 + nameLength + extraLength));
    entries.push(entry);
    at += 46 + nameLength + extraLength + data.readUInt16LE(at + 32);
  }
  return entries;
}

// One entry's bytes; throws an Error that names the entry when it cannot be read.
export function zipEntryData(fd, entry) {
  const header = readAt(fd, entry.offset, 30);
  if (header.length < 30 || header.readUInt32LE(0) !== LOCAL_HEADER || entry.flags & 1) {
    throw new Error(`${entry.name}: not a readable zip entry`);
  }
  const start = entry.offset + 30 + header.readUInt16LE(26) + header.readUInt16LE(28);
  const stored = readAt(fd, start, entry.compressedSize);
  const data = entry.method === 0 ? stored : entry.method === 8 ? zlib.inflateRawSync(stored) : null;
  if (!data || data.length !== entry.size) throw new Error(`${entry.name}: not a readable zip entry`);
  return data;
}
