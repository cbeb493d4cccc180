// "runtime" in a pack file: a ready runtime folder (a text), or the recipe
// of one to link (an object): the Windows JDK (a folder, its zip, or the
// zip's https address with its sha256), the modules ("auto": what jdeps
// finds, or a list), modules to add, jlink's options and which jlink.
import fs from "node:fs";
import path from "node:path";

import { addressProblem } from "./download.js";
import { ToolError } from "./errors.js";

const MODULE_NAME = /^[A-Za-z_$][\w$]*(\.[A-Za-z_$][\w$]*)*$/;
const RECIPE_KEYS = ["jdk", "sha256", "modules", "addModules", "jlinkOptions", "jlink"];

function moduleNames(fail, key, value) {
  if (!Array.isArray(value) || value.some((name) => typeof name !== "string" || !MODULE_NAME.test(name))) {
    fail(key, "must be a list of module names such as java.desktop");
  }
  return value;
}

function existingPath(fail, folder, key, value) {
  if (typeof value !== "string" || value === "") fail(key, "must be a path");
  const file = path.resolve(folder, value);
  if (!fs.existsSync(file)) fail(key, `names ${file}, which does not exist`);
  return file;
}

function jdkSource(fail, folder, value, sha256) {
  if (typeof value !== "string" || value.trim() === "") fail("jdk", "must be a JDK folder, its zip or its address");
  if (/^[a-z][a-z0-9+.-]*:\/\//i.test(value)) {
    const problem = addressProblem(value);
    if (problem) fail("jdk", `${problem}: ${value}`);
    if (sha256 === undefined) fail("sha256", "is missing: an address needs the sha256 of its zip");
    return { url: value };
  }
  return { jdk: existingPath(fail, folder, "jdk", value) };
}

// The recipe, checked; paths absolute (relative ones from the pack file's folder).
export function runtimeRecipe(context, key, value) {
  const fail = (inner, message) => {
    throw new ToolError(`${context.file}: "${key}"${inner ? ` "${inner}"` : ""} ${message}`);
  };
  if (value === null || typeof value !== "object" || Array.isArray(value)) {
    fail(null, 'must be a runtime folder, or an object with "jdk" to link one from');
  }
  const unknown = Object.keys(value).find((inner) => !RECIPE_KEYS.includes(inner));
  if (unknown) fail(null, `has an unknown key "${unknown}" (known keys: ${RECIPE_KEYS.join(", ")})`);
  if (!("jdk" in value)) fail("jdk", "is missing: the Windows JDK to link the runtime from");
  if (value.sha256 !== undefined && !/^[0-9a-fA-F]{64}$/.test(value.sha256)) {
    fail("sha256", "must be 64 hexadecimal digits, as sha256sum prints them");
  }
  const modules = value.modules ?? "auto";
  if (modules !== "auto") moduleNames(fail, "modules", modules);
  if (value.jlinkOptions !== undefined && (!Array.isArray(value.jlinkOptions) ||
      value.jlinkOptions.some((option) => typeof option !== "string" || !option.startsWith("-")))) {
    fail("jlinkOptions", 'must be a list of jlink options such as "--strip-debug"');
  }
  return {
    ...jdkSource(fail, context.folder, value.jdk, value.sha256),
    sha256: value.sha256?.toLowerCase(), modules,
    addModules: value.addModules === undefined ? [] : moduleNames(fail, "addModules", value.addModules),
    jlinkOptions: value.jlinkOptions,
    jlink: value.jlink === undefined ? undefined : existingPath(fail, context.folder, "jlink", value.jlink),
  };
}
