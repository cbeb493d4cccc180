// Reading a pack file: one JSON object that says what goes into a Windows
// app folder. Every mistake is one line that names the key and the file;
// paths are relative to the pack file's folder and come back absolute.
import fs from "node:fs";
import path from "node:path";

import { defaultAppId } from "./app-id.js";
import { checkAppUserModelId, checkTextLengths, parseVersion } from "./brand-file.js";
import { contentFiles, readContent } from "./content.js";
import { ToolError } from "./errors.js";
import { iconFiles } from "./icon.js";
import { appLaunchers, linkAssociations, readLaunchers } from "./launchers.js";
import { moduleKey } from "./modules.js";
import { INSTALLER_KEYS, installerSettings } from "./pack-installer.js";
import { runtimeRecipe } from "./runtime-recipe.js";
import { codePage, fail, parseObject, readFile, text } from "./validators.js";
import { showCharacter, windowsNameProblem } from "./windows-names.js";

export const REQUIRED_KEYS = ["name", "version", "mainJar"];

// Characters Windows does not allow in a file name.
const NOT_IN_FILE_NAMES = /[\\/:*?"<>|\u0000-\u001f]/;
// What a configuration line cannot hold: "#" starts a comment, a line ends,
// and Ctrl-Z ends the whole file.
const NOT_IN_CONFIG = /[#\r\n\u0000\u001a]/;

// Why a character cannot stand in a configuration value, for the message.
function configProblem(character) {
  const why = character === "#" ? "starts a comment" : character === "\u001a" ? "ends the whole file" : "ends a line";
  return `holds ${showCharacter(character)}, which ${why} in the configuration`;
}

function configText(context, key, value) {
  text(context, key, value);
  const found = NOT_IN_CONFIG.exec(value);
  if (found) fail(context, key, configProblem(found[0]));
  return value;
}

// A text shown by Windows and the installer: no control characters.
function label(context, key, value) {
  text(context, key, value);
  const found = /\p{Cc}/u.exec(value);
  if (found) fail(context, key, `holds the control character ${showCharacter(found[0])}`);
  return value;
}

// The app's name is also the folder that the class path and PATH hold.
function fileName(context, key, value) {
  text(context, key, value);
  const problem = windowsNameProblem(value, { separators: key === "name" });
  if (problem) fail(context, key, problem);
  if (value !== value.trim()) fail(context, key, "starts with a blank");
  return value;
}

function textList(context, key, value) {
  if (!Array.isArray(value) || !value.every((item) => typeof item === "string")) {
    fail(context, key, "must be a list of texts");
  }
  value.forEach((item, index) => {
    const found = NOT_IN_CONFIG.exec(item);
    if (found) fail(context, key, `item ${index + 1} ${configProblem(found[0])}`);
  });
  return value;
}

function existing(context, key, value, kind) {
  const file = path.resolve(context.folder, text(context, key, value));
  let stat;
  try {
    stat = fs.statSync(file);
  } catch {
    fail(context, key, `names ${file}, which does not exist`);
  }
  if (kind === "file" && !stat.isFile()) fail(context, key, `names ${file}, which is not a file`);
  if (kind === "folder" && !stat.isDirectory()) fail(context, key, `names ${file}, which is not a folder`);
  return file;
}

function version(context, key, value) {
  text(context, key, value);
  if (NOT_IN_FILE_NAMES.test(value)) fail(context, key, "must look like 1.2.3");
  return { text: value, numbers: parseVersion(context.file, value) };
}

function javaVersion(context, key, value) {
  const shown = typeof value === "number" ? String(value) : value;
  if (typeof shown !== "string" || !/^[1-9]\d*(\.\d+)*$/.test(shown)) {
    fail(context, key, 'must be a Java version such as 17 or "21.0.2"');
  }
  return shown;
}

function boolean(context, key, value) {
  if (typeof value !== "boolean") fail(context, key, "must be true or false");
  return value;
}

function icon(context, key, value) {
  const files = iconFiles(context.file, value);
  files.forEach((file) => existing(context, key, file, "file"));
  return files;
}

function jars(context, key, value) {
  if (!Array.isArray(value) || value.length === 0) fail(context, key, "must be a list of jar files or folders");
  return value.map((item) => existing(context, key, item, "any"));
}

function mainClass(context, key, value) {
  configText(context, key, value);
  if (!/^[\p{L}_$][\p{L}\p{N}_$]*(\.[\p{L}_$][\p{L}\p{N}_$]*)*$/u.test(value)) {
    fail(context, key, `"${value}" is not a class name such as com.example.Main`);
  }
  return value;
}

// Every key a pack file may hold, with the check that turns its value into
// what the pack uses. The keys of further outputs join this table.
export const PACK_KEYS = {
  name: fileName,
  version,
  mainJar: (context, key, value) => existing(context, key, value, "file"),
  exeName: fileName,
  vendor: label,
  description: label,
  copyright: label,
  icon,
  codePage,
  console: boolean,
  jars,
  mainClass,
  module: moduleKey,
  splash: (context, key, value) => existing(context, key, value, "file"),
  vmOptions: textList,
  appArguments: textList,
  runtime: (context, key, value) => (typeof value === "string" ? existing(context, key, value, "folder") :
    runtimeRecipe(context, key, value)),
  minJavaVersion: javaVersion,
  jvm: configText,
  appUserModelId: (context, key, value) => {
    checkAppUserModelId(context.file, value, key);
    return value;
  },
  launchers: readLaunchers,
  content: readContent,
  ...INSTALLER_KEYS,
};

// The pack file's settings, checked, with the defaults filled in; options
// are the command line's --msi and --sign (see pack-installer.js).
export function readPackFile(file, options = {}) {
  const raw = parseObject(file, readFile(file, "the pack file").toString("utf8"), PACK_KEYS);
  const context = { file, folder: path.dirname(path.resolve(file)), keys: PACK_KEYS };
  for (const key of REQUIRED_KEYS) {
    if (!(key in raw)) throw new ToolError(`${file}: "${key}" is missing (required: ${REQUIRED_KEYS.join(", ")})`);
  }
  const pack = { file: context.file, folder: context.folder };
  for (const [key, value] of Object.entries(raw)) pack[key] = PACK_KEYS[key](context, key, value);
  // The texts the launcher is branded with fit where Windows and the report show them.
  const texts = { productName: "name", companyName: "vendor", fileDescription: "description",
    copyright: "copyright" };
  checkTextLengths(file, Object.fromEntries(Object.entries(texts)
    .filter(([, key]) => typeof pack[key] === "string").map(([brandKey, key]) => [brandKey, pack[key]])), texts);
  pack.exeName ??= fileName(context, "exeName", pack.name.replace(/\s+/g, ""));
  pack.console ??= false;
  pack.codePage ??= "ansi";
  pack.jars ??= [];
  pack.vmOptions ??= [];
  pack.appArguments ??= [];
  pack.appUserModelId ??= defaultAppId(pack.vendor, pack.name);
  pack.launchers = appLaunchers(pack, Object.keys(raw));
  pack.content ??= [];
  pack.contentFiles = contentFiles(pack);
  return linkAssociations(installerSettings(pack, options));
}
