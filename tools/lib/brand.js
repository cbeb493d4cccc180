// Branding a launcher: an application's own name, icon, version information,
// code page, launch mode and AppUserModelID (a brand, as brand-file.js reads it), written into
// a copy of the launcher. What a brand leaves out stays as it was. Branding
// happens before signing: a signed launcher is refused, since any change to it
// would break its signature. Used by veltrane-brand and veltrane-pack.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { readIcon } from "./icon.js";
import { editManifest, manifestCodePage, setCodePage, setIdentity } from "./manifest.js";
import { readFile } from "./validators.js";

// The strings the launcher reads: the name in its failure report, its launch
// mode ("app", or "classic" as an unbranded launcher behaves), and the
// AppUserModelID an app-mode launcher gives the VM when no shortcut gave one.
const PRODUCT_NAME_STRING_ID = 1;
const MODE_STRING_ID = 2;
const APP_USER_MODEL_ID_STRING_ID = 3;
const SECURITY_DIRECTORY = 4;

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

function readIconFile(files) {
  const data = readIcon(files);
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
function setStrings(entries, brand) {
  const strings = [];
  if (brand.productName) strings.push([PRODUCT_NAME_STRING_ID, brand.productName]);
  if (brand.mode) strings.push([MODE_STRING_ID, brand.mode]);
  if (brand.appUserModelId) strings.push([APP_USER_MODEL_ID_STRING_ID, brand.appUserModelId]);
  if (strings.length === 0) return;
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
  const iconFile = brand.icon ? readIconFile(brand.icon) : null;
  const exe = readExecutable(inFile);
  const resources = ResEdit.NtExecutableResource.from(exe);
  setVersionInfo(resources.entries, brand, path.basename(outFile));
  setStrings(resources.entries, brand);
  if (iconFile) setIcon(resources.entries, iconFile);
  const manifest = editManifest(resources.entries, inFile, (text) =>
    setIdentity(brand.codePage ? setCodePage(text, brand.codePage, inFile) : text, brand));
  resources.outputResource(exe);
  const output = Buffer.from(exe.generate());
  writeChecksum(output);
  writeFileAtomically(outFile, output);
  const codePage = manifestCodePage(manifest);
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
