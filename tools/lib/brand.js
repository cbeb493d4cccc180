// Branding a launcher: an application's own name, icon, version information,
// code page and launch mode, written into a copy of the launcher. Every key of
// a brand may be left out; what is left out stays as it was. Branding happens
// before signing: a signed launcher is refused, since any change to it would
// break its signature. Used by veltrane-brand and veltrane-pack.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { ToolError } from "./errors.js";

export const BRAND_KEYS = ["productName", "companyName", "fileDescription", "copyright", "version",
  "icon", "codePage", "mode"];
// The strings the launcher reads: the name in its failure report, and its
// launch mode ("app", or "classic" as an unbranded launcher behaves).
const PRODUCT_NAME_STRING_ID = 1;
const MODE_STRING_ID = 2;
export const MODES = ["classic", "app"];
const RT_MANIFEST = 24;
const SECURITY_DIRECTORY = 4;
const ACTIVE_CODE_PAGE_UTF8 = '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/' +
  'WindowsSettings">UTF-8</activeCodePage>';

// The resource library, loaded on first use so that its absence is told in one line.
let ResEdit;

export async function loadResourceLibrary() {
  if (ResEdit) return;
  try {
    ResEdit = await import("resedit");
  } catch {
    throw new ToolError("the library resedit is missing: run \"npm ci\" in " +
      path.dirname(path.dirname(new URL(import.meta.url).pathname)));
  }
}

function readFile(file, what) {
  try {
    return fs.readFileSync(file);
  } catch (error) {
    throw new ToolError(`cannot read ${what} ${file}: ${error.code || error.message}`);
  }
}

export function readBrand(file) {
  let brand;
  try {
    // A byte-order mark, as some editors write, is no part of the JSON.
    brand = JSON.parse(readFile(file, "the brand file").toString("utf8").replace(/^\uFEFF/, ""));
  } catch (error) {
    if (error instanceof ToolError) throw error;
    throw new ToolError(`${file} is not valid JSON: ${error.message}`);
  }
  if (brand === null || typeof brand !== "object" || Array.isArray(brand)) {
    throw new ToolError(`${file} must hold one JSON object`);
  }
  for (const key of Object.keys(brand)) {
    if (!BRAND_KEYS.includes(key)) {
      throw new ToolError(`${file}: unknown key "${key}" (known keys: ${BRAND_KEYS.join(", ")})`);
    }
  }
  for (const key of ["productName", "companyName", "fileDescription", "copyright", "version"]) {
    if (key in brand && (typeof brand[key] !== "string" || brand[key] === "")) {
      throw new ToolError(`${file}: "${key}" must be a text that is not empty`);
    }
  }
  if ("version" in brand) brand.version = parseVersion(file, brand.version);
  if ("codePage" in brand && !["utf-8", "ansi"].includes(brand.codePage)) {
    throw new ToolError(`${file}: "codePage" must be "utf-8" or "ansi"`);
  }
  if ("mode" in brand && !MODES.includes(brand.mode)) {
    throw new ToolError(`${file}: "mode" must be "classic" or "app"`);
  }
  if ("icon" in brand) brand.icon = iconFiles(file, brand.icon);
  return brand;
}

// "1.2.3.4" as four numbers of 0 to 65535; "1.2" stands for "1.2.0.0".
export function parseVersion(file, text) {
  const parts = text.split(".");
  if (parts.length > 4 || !parts.every((part) => /^\d{1,5}$/.test(part) && +part <= 65535)) {
    throw new ToolError(`${file}: "version" must look like "1.2.3.4" (numbers up to 65535)`);
  }
  while (parts.length < 4) parts.push("0");
  return parts.map(Number);
}

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

function readIcon(files) {
  const data = files.length === 1 && /\.ico$/i.test(files[0]) ?
    readFile(files[0], "the icon") : icoFromPngs(files);
  try {
    return ResEdit.Data.IconFile.from(data);
  } catch (error) {
    throw new ToolError(`${files[0]} is not a valid icon: ${error.message}`);
  }
}

function readExecutable(file) {
  let exe;
  try {
    exe = ResEdit.NtExecutable.from(readFile(file, "the launcher"), { ignoreCert: true });
  } catch (error) {
    if (error instanceof ToolError) throw error;
    if (/symbols/i.test(error.message)) {
      throw new ToolError(`${file} still has its symbol table: strip it first ` +
        "(x86_64-w64-mingw32-strip); the released launcher is stripped");
    }
    throw new ToolError(`${file} is not a Windows program: ${error.message}`);
  }
  if (exe.newHeader.optionalHeaderDataDirectory.get(SECURITY_DIRECTORY).size !== 0) {
    throw new ToolError(`${file} is signed: brand the unsigned launcher first, then sign the result`);
  }
  return exe;
}

function setVersionInfo(entries, brand, outName) {
  const info = ResEdit.Resource.VersionInfo.fromEntries(entries)[0] ||
    ResEdit.Resource.VersionInfo.createEmpty();
  const languages = info.getAllLanguagesForStringValues();
  if (languages.length === 0) languages.push({ lang: 1033, codepage: 1200 });
  const values = { OriginalFilename: outName, InternalName: outName.replace(/\.exe$/i, "") };
  if (brand.productName) values.ProductName = brand.productName;
  if (brand.companyName) values.CompanyName = brand.companyName;
  if (brand.fileDescription) values.FileDescription = brand.fileDescription;
  if (brand.copyright) values.LegalCopyright = brand.copyright;
  if (brand.version) {
    values.FileVersion = values.ProductVersion = brand.version.join(".");
    info.setFileVersion(...brand.version);
    info.setProductVersion(...brand.version);
  }
  for (const language of languages) {
    for (const [key, value] of Object.entries(values)) info.setStringValue(language, key, value);
  }
  info.outputToResourceEntries(entries);
}

// The strings the launcher reads, in the language-neutral table.
function setStrings(entries, strings) {
  const table = ResEdit.Resource.StringTable.fromEntries(0, entries);
  for (const [id, text] of strings) table.setById(id, text);
  const others = entries.filter((e) => !(e.type === 6 && e.lang === 0));
  entries.splice(0, entries.length, ...others, ...table.generateEntries());
}

function setIcon(entries, iconFile) {
  const group = ResEdit.Resource.IconGroupEntry.fromEntries(entries)[0];
  ResEdit.Resource.IconGroupEntry.replaceIconsForResource(entries, group ? group.id : 1,
    group ? group.lang : 1033, iconFile.icons.map((item) => item.data));
}

// Writes or removes the activeCodePage element, keeping the rest of the manifest.
function setCodePage(entries, codePage, file) {
  const manifest = entries.find((e) => e.type === RT_MANIFEST);
  if (!manifest) throw new ToolError(`${file} has no manifest: is it a Veltrane launcher?`);
  let text = Buffer.from(manifest.bin).toString("utf8");
  text = text.replace(/[ \t]*<activeCodePage\b[^>]*(\/>|>[^<]*<\/activeCodePage>)[ \t]*\r?\n?/g, "");
  if (codePage === "utf-8") {
    if (!/<\/windowsSettings>/.test(text)) {
      throw new ToolError(`${file}: its manifest has no windowsSettings element`);
    }
    text = text.replace(/([ \t]*)<\/windowsSettings>/,
      (end, indent) => `${indent}  ${ACTIVE_CODE_PAGE_UTF8}\n${end}`);
  }
  const bytes = Buffer.from(text, "utf8");
  manifest.bin = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
}

// Writes the checksum Windows computes over a PE file into its header (the
// library does so only where one was set before).
function writeChecksum(image) {
  const field = image.readUInt32LE(0x3c) + 88;
  let sum = 0;
  for (let offset = 0; offset < image.length; offset += 2) {
    if (offset === field || offset === field + 2) continue;
    sum += offset + 1 < image.length ? image.readUInt16LE(offset) : image[offset];
    sum = (sum & 0xffff) + (sum >>> 16);
  }
  image.writeUInt32LE(((sum & 0xffff) + (sum >>> 16) + image.length) >>> 0, field);
}

// Writes outFile: the launcher inFile with the brand (as readBrand returns it).
export function brandExecutable(brand, inFile, outFile) {
  const iconFile = brand.icon ? readIcon(brand.icon) : null;
  const exe = readExecutable(inFile);
  const resources = ResEdit.NtExecutableResource.from(exe);
  setVersionInfo(resources.entries, brand, path.basename(outFile));
  const strings = [];
  if (brand.productName) strings.push([PRODUCT_NAME_STRING_ID, brand.productName]);
  if (brand.mode) strings.push([MODE_STRING_ID, brand.mode]);
  if (strings.length > 0) setStrings(resources.entries, strings);
  if (iconFile) setIcon(resources.entries, iconFile);
  if (brand.codePage) setCodePage(resources.entries, brand.codePage, inFile);
  resources.outputResource(exe);
  const output = Buffer.from(exe.generate());
  writeChecksum(output);
  const temporary = `${outFile}.tmp${process.pid}`;
  try {
    fs.writeFileSync(temporary, output);
    fs.renameSync(temporary, outFile);
  } catch (error) {
    fs.rmSync(temporary, { force: true });
    throw new ToolError(`cannot write ${outFile}: ${error.code || error.message}`);
  }
}
