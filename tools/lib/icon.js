// The launcher's icon: one .ico file, or square PNG images made into one.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { ToolError } from "./errors.js";
import { readFile } from "./validators.js";

// The icon's files, relative to the brand file's folder: one .ico, or PNG images.
export function iconFiles(file, icon) {
  const list = typeof icon === "string" ? [icon] : icon;
  if (!Array.isArray(list) || list.length === 0 || !list.every((f) => typeof f === "string")) {
    throw new ToolError(`${file}: "icon" must be an .ico file or a list of PNG files`);
  }
  const files = list.map((f) => path.resolve(path.dirname(file), f));
  const isIco = files.length === 1 && /\.ico$/i.test(files[0]);
  if (!isIco && !files.every((f) => /\.png$/i.test(f))) {
    throw new ToolError(`${file}: "icon" must be an .ico file or a list of PNG files`);
  }
  return files;
}

// The width and height of a PNG image, from its header.
function pngSize(file, data) {
  const signature = "89504e470d0a1a0a";
  if (data.length < 24 || data.subarray(0, 8).toString("hex") !== signature ||
      data.subarray(12, 16).toString("latin1") !== "IHDR") {
    throw new ToolError(`${file} is not a PNG image`);
  }
  return [data.readUInt32BE(16), data.readUInt32BE(20)];
}

// Square PNG images of 16 to 256 pixels, one per size, made into an .ico by
// icoutils' icotool; 256-pixel images are stored as PNG, as Windows expects.
function icoFromPngs(files) {
  const sizes = new Set();
  const arguments_ = [];
  for (const file of files) {
    const [width, height] = pngSize(file, readFile(file, "the icon image"));
    if (width !== height || width < 16 || width > 256) {
      throw new ToolError(`${file} is ${width}x${height}: icon images must be square, 16 to 256 pixels`);
    }
    if (sizes.has(width)) throw new ToolError(`${file}: a second image of ${width} pixels`);
    sizes.add(width);
    arguments_.push(width === 256 ? `--raw=${file}` : file);
  }
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-brand-"));
  try {
    const ico = path.join(folder, "icon.ico");
    const result = spawnSync("icotool", ["-c", "-o", ico, ...arguments_], { encoding: "utf8" });
    if (result.error) {
      throw new ToolError("icotool not found: install icoutils (apt-get install icoutils) " +
        "or give an .ico file");
    }
    if (result.status !== 0) {
      throw new ToolError(`icotool could not make an icon: ${result.stderr.trim()}`);
    }
    return fs.readFileSync(ico);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// An icon file's directory: reserved 0, type 1 (2 is a cursor), at least one
// image, and every image inside the file.
function checkIconDirectory(file, data) {
  const notIcon = (why) => new ToolError(`${file} is not an icon: ${why}`);
  if (data.length < 6 || data.readUInt16LE(0) !== 0 || data.readUInt16LE(2) !== 1) {
    throw notIcon("it lacks the icon file header");
  }
  const count = data.readUInt16LE(4);
  if (count === 0) throw notIcon("it holds no image");
  if (data.length < 6 + 16 * count) throw notIcon("its list of images is cut short");
  for (let index = 0; index < count; index++) {
    const size = data.readUInt32LE(6 + 16 * index + 8);
    const offset = data.readUInt32LE(6 + 16 * index + 12);
    if (size === 0 || offset < 6 + 16 * count || offset + size > data.length) {
      throw notIcon(`image ${index + 1} of ${count} lies outside the file`);
    }
  }
}

// The .ico file's bytes, as iconFiles lists them, its directory sound.
export function readIcon(files) {
  const data = files.length === 1 && /\.ico$/i.test(files[0]) ?
    readFile(files[0], "the icon") : icoFromPngs(files);
  checkIconDirectory(files.length === 1 ? files[0] : "the icon made of the PNG images", data);
  return data;
}
