// Reading a brand file: one JSON object of the keys below, every one of them
// optional. Each key's validator (see validators.js) turns its value into
// what branding uses; every mistake is one line naming the key and the file.
import { ToolError } from "./errors.js";
import { iconFiles } from "./icon.js";
import { codePage, fail, parseObject, readFile, text } from "./validators.js";

// The launch modes: "app", or "classic" as an unbranded launcher behaves.
export const MODES = ["classic", "app"];
// Windows takes an AppUserModelID of at most 128 characters.
export const APP_USER_MODEL_ID_LIMIT = 128;
// The longest product name a failure report shows on a 1024-pixel screen with
// room to spare: 120 characters fit, 400 do not; wide letters need the margin.
export const PRODUCT_NAME_LIMIT = 100;
// The version information's other texts: far below what its 16-bit lengths hold.
const TEXT_LIMIT = 1000;

export const BRAND_FILE_KEYS = {
  productName: text,
  companyName: text,
  fileDescription: text,
  copyright: text,
  version: (context, key, value) => parseVersion(context.file, text(context, key, value)),
  icon: (context, key, value) => iconFiles(context.file, value),
  codePage,
  mode: (context, key, value) => {
    if (!MODES.includes(value)) fail(context, key, 'must be "classic" or "app"');
    return value;
  },
  appUserModelId: (context, key, value) => {
    checkAppUserModelId(context.file, value, key);
    return value;
  },
};
export const BRAND_KEYS = Object.keys(BRAND_FILE_KEYS);

// Strict UTF-8: a file saved in another encoding would give a name with
// replacement characters.
function readUtf8(file, what) {
  const bytes = readFile(file, what);
  try {
    return new TextDecoder("utf-8", { fatal: true, ignoreBOM: true }).decode(bytes);
  } catch {
    throw new ToolError(`${file} is not UTF-8 text: save it as UTF-8`);
  }
}

export function readBrand(file) {
  const raw = parseObject(file, readUtf8(file, "the brand file"), BRAND_FILE_KEYS);
  const context = { file };
  const brand = {};
  for (const [key, value] of Object.entries(raw)) brand[key] = BRAND_FILE_KEYS[key](context, key, value);
  checkTextLengths(file, brand);
  return brand;
}

// An AppUserModelID as Windows takes it: at most 128 characters, no blanks,
// parts separated by dots ("Acme.Draw"), none of them empty. Printable ASCII
// only, since the launcher hands it on through its ANSI code page.
export function checkAppUserModelId(file, id, key = "appUserModelId") {
  text({ file }, key, id);
  const fault = id.length > APP_USER_MODEL_ID_LIMIT ?
    `has ${id.length} characters; Windows takes at most ${APP_USER_MODEL_ID_LIMIT}` :
    /[^\x21-\x7e]/.test(id) ? "may hold only ASCII letters, digits and punctuation, no blanks" :
    id.split(".").includes("") ? 'must be parts separated by single dots, such as "Acme.Draw"' : "";
  if (fault) fail({ file }, key, fault);
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
export function parseVersion(file, written) {
  const parts = written.split(".");
  if (parts.length > 4 || !parts.every((part) => /^\d{1,5}$/.test(part) && +part <= 65535)) {
    throw new ToolError(`${file}: "version" must look like "1.2.3.4" (numbers up to 65535)`);
  }
  while (parts.length < 4) parts.push("0");
  return parts.map(Number);
}
