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
  "icon", "codePage", "mode", "appUserModelId"];
// The strings the launcher reads: the name in its failure report, its launch
// mode ("app", or "classic" as an unbranded launcher behaves), and the
// AppUserModelID an app-mode launcher gives the VM when no shortcut gave one.
const PRODUCT_NAME_STRING_ID = 1;
const MODE_STRING_ID = 2;
const APP_USER_MODEL_ID_STRING_ID = 3;
export const MODES = ["classic", "app"];
// Windows takes an AppUserModelID of at most 128 characters.
export const APP_USER_MODEL_ID_LIMIT = 128;
const RT_MANIFEST = 24;
// The longest product name a failure report shows on a 1024-pixel screen with
// room to spare: 120 characters fit, 400 do not; wide letters need the margin.
export const PRODUCT_NAME_LIMIT = 100;
// The version information's other texts: far below what its 16-bit lengths hold.
const TEXT_LIMIT = 1000;
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

// Strict UTF-8: a file saved in another encoding would give a name with
// replacement characters. A byte-order mark, as some editors write, is skipped.
function readUtf8(file, what) {
  const bytes = readFile(file, what);
  try {
    return new TextDecoder("utf-8", { fatal: true }).decode(bytes);
  } catch {
    throw new ToolError(`${file} is not UTF-8 text: save it as UTF-8`);
  }
}

export function readBrand(file) {
  let brand;
  try {
    brand = JSON.parse(readUtf8(file, "the brand file"));
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
  checkTextLengths(file, brand);
  if ("version" in brand) brand.version = parseVersion(file, brand.version);
  if ("codePage" in brand && !["utf-8", "ansi"].includes(brand.codePage)) {
    throw new ToolError(`${file}: "codePage" must be "utf-8" or "ansi"`);
  }
  if ("mode" in brand && !MODES.includes(brand.mode)) {
    throw new ToolError(`${file}: "mode" must be "classic" or "app"`);
  }
  if ("appUserModelId" in brand) checkAppUserModelId(file, brand.appUserModelId);
  if ("icon" in brand) brand.icon = iconFiles(file, brand.icon);
  return brand;
}

// An AppUserModelID as Windows takes it: at most 128 characters, no blanks,
// parts separated by dots ("Acme.Draw"), none of them empty. Printable ASCII
// only, since the launcher hands it on through its ANSI code page.
export function checkAppUserModelId(file, id, key = "appUserModelId") {
  const fault = typeof id !== "string" || id === "" ? "must be a text that is not empty" :
    id.length > APP_USER_MODEL_ID_LIMIT ?
      `has ${id.length} characters; Windows takes at most ${APP_USER_MODEL_ID_LIMIT}` :
    /[^\x21-\x7e]/.test(id) ? "may hold only ASCII letters, digits and punctuation, no blanks" :
    id.split(".").includes("") ? 'must be parts separated by single dots, such as "Acme.Draw"' : "";
  if (fault) throw new ToolError(`${file}: "${key}" ${fault}`);
}

// The texts fit where they are shown: the product name the failure report, the
// others the version information. file names the brand in the message, and
// names the key each text came from, where that is not the brand's own.
export function checkTextLengths(file, brand, names = {}) {
  for (const key of ["productName", "companyName", "fileDescription", "copyright"]) {
    const limit = key === "productName" ? PRODUCT_NAME_LIMIT : TEXT_LIMIT;
    const length = key in brand ? [...brand[key]].length : 0;
    if (length > limit) {
      throw new ToolError(`${file}: "${names[key] || key}" has ${length} characters; at most ${limit} fit` +
        (key === "productName" ? " the failure report on the screen" : ""));
    }
  }
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

function readIcon(files) {
  const data = files.length === 1 && /\.ico$/i.test(files[0]) ?
    readFile(files[0], "the icon") : icoFromPngs(files);
  checkIconDirectory(files.length === 1 ? files[0] : "the icon made of the PNG images", data);
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

// The manifest's text, edited by edit(text) and written back.
function editManifest(entries, file, edit) {
  const manifest = entries.find((e) => e.type === RT_MANIFEST);
  if (!manifest) throw new ToolError(`${file} has no manifest: is it a Veltrane launcher?`);
  const text = edit(Buffer.from(manifest.bin).toString("utf8"));
  const bytes = Buffer.from(text, "utf8");
  manifest.bin = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
  return text;
}

// Writes or removes the activeCodePage element, keeping the rest of the manifest.
function setCodePage(text, codePage, file) {
  text = text.replace(/[ \t]*<activeCodePage\b[^>]*(\/>|>[^<]*<\/activeCodePage>)[ \t]*\r?\n?/g, "");
  if (codePage !== "utf-8") return text;
  if (!/<\/windowsSettings>/.test(text)) {
    throw new ToolError(`${file}: its manifest has no windowsSettings element`);
  }
  return text.replace(/([ \t]*)<\/windowsSettings>/,
    (end, indent) => `${indent}  ${ACTIVE_CODE_PAGE_UTF8}\n${end}`);
}

// An assembly name Windows accepts, from the product name: ASCII letters and
// digits, each run of anything else one dot ("José's Tool" gives "Jose.s.Tool").
export function assemblyName(productName) {
  const name = productName.normalize("NFKD").replace(/[\u0300-\u036f]/g, "")
    .replace(/[^A-Za-z0-9]+/g, ".").replace(/^\.+|\.+$/g, "");
  return name || "Application";
}

// The manifest's own identity: the application's name and version, not the launcher's.
function setIdentity(text, brand) {
  return text.replace(/<assemblyIdentity\b[^>]*>/, (element) => {
    let result = element;
    if (brand.productName) {
      result = result.replace(/\bname="[^"]*"/, `name="${assemblyName(brand.productName)}"`);
    }
    if (brand.version) {
      result = result.replace(/\bversion="[^"]*"/, `version="${brand.version.join(".")}"`);
    }
    return result;
  });
}

// The letters of text that Windows-1252, the ANSI code page of Western
// systems, lacks: an ANSI launcher shows them as "?".
const WINDOWS_1252_UPPER_HALF = "\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030" +
  "\u0160\u2039\u0152\u017d\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161" +
  "\u203a\u0153\u017e\u0178";

export function outsideWindows1252(text) {
  return [...new Set([...text].filter((letter) => {
    const code = letter.codePointAt(0);
    return !(code < 0x80 || (code >= 0xa0 && code <= 0xff) ||
      WINDOWS_1252_UPPER_HALF.includes(letter));
  }))];
}

function brandWarnings(brand, codePage) {
  const outside = brand.productName && codePage !== "utf-8" ?
    outsideWindows1252(brand.productName) : [];
  if (outside.length === 0) return [];
  return [`the product name has letters outside Windows-1252 (${outside.join("")}), ` +
    "which an ANSI launcher on a Western system shows as \"?\": " +
    "brand with \"codePage\": \"utf-8\""];
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

// Writes outFile (and its folder): the launcher inFile with the brand (as
// readBrand returns it). Returns the launcher's code page ("utf-8" or "ansi")
// and the warnings about the result, one line each.
export function brandExecutable(brand, inFile, outFile) {
  const iconFile = brand.icon ? readIcon(brand.icon) : null;
  const exe = readExecutable(inFile);
  const resources = ResEdit.NtExecutableResource.from(exe);
  setVersionInfo(resources.entries, brand, path.basename(outFile));
  const strings = [];
  if (brand.productName) strings.push([PRODUCT_NAME_STRING_ID, brand.productName]);
  if (brand.mode) strings.push([MODE_STRING_ID, brand.mode]);
  if (brand.appUserModelId) strings.push([APP_USER_MODEL_ID_STRING_ID, brand.appUserModelId]);
  if (strings.length > 0) setStrings(resources.entries, strings);
  if (iconFile) setIcon(resources.entries, iconFile);
  const manifest = editManifest(resources.entries, inFile, (text) =>
    setIdentity(brand.codePage ? setCodePage(text, brand.codePage, inFile) : text, brand));
  resources.outputResource(exe);
  const output = Buffer.from(exe.generate());
  writeChecksum(output);
  writeFileAtomically(outFile, output);
  const codePage = /<activeCodePage\b[^>]*>\s*UTF-8\s*</i.test(manifest) ? "utf-8" : "ansi";
  return { codePage, warnings: brandWarnings(brand, codePage) };
}

function writeFileAtomically(outFile, data) {
  const temporary = `${outFile}.tmp${process.pid}`;
  try {
    fs.mkdirSync(path.dirname(path.resolve(outFile)), { recursive: true });
    fs.writeFileSync(temporary, data);
    fs.renameSync(temporary, outFile);
  } catch (error) {
    fs.rmSync(temporary, { force: true });
    throw new ToolError(`cannot write ${outFile}: ${error.code || error.message}`);
  }
}
