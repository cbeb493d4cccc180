// The launcher's manifest: its code page and its assembly identity, edited
// as text so that the rest of it stays as the launcher was built.
import { ToolError } from "./errors.js";

const RT_MANIFEST = 24;
const ACTIVE_CODE_PAGE_UTF8 = '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/' +
  'WindowsSettings">UTF-8</activeCodePage>';

// The manifest's text among the resource entries, edited by edit(text) and
// written back; returns the new text.
export function editManifest(entries, file, edit) {
  const manifest = entries.find((e) => e.type === RT_MANIFEST);
  if (!manifest) throw new ToolError(`${file} has no manifest: is it a Veltrane launcher?`);
  const text = edit(Buffer.from(manifest.bin).toString("utf8"));
  const bytes = Buffer.from(text, "utf8");
  manifest.bin = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
  return text;
}

// The code page a manifest's text gives the launcher: "utf-8" or "ansi".
export function manifestCodePage(text) {
  return /<activeCodePage\b[^>]*>\s*UTF-8\s*</i.test(text) ? "utf-8" : "ansi";
}

// Writes or removes the activeCodePage element, keeping the rest of the manifest.
export function setCodePage(text, codePage, file) {
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
export function setIdentity(text, brand) {
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
