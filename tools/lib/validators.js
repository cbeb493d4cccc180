// What the brand file and the pack file share: reading the file as one JSON
// object of known keys, and the validators of the keys both hold. A validator
// takes (context, key, value), context being { file, folder }, and returns the
// value as the file's reader uses it, or throws one line naming the key and
// the file.
import fs from "node:fs";

import { ToolError } from "./errors.js";

export function readFile(file, what) {
  try {
    return fs.readFileSync(file);
  } catch (error) {
    throw new ToolError(`cannot read ${what} ${file}: ${error.code || error.message}`);
  }
}

// The file's text as one JSON object whose keys are all in keys (a key table).
export function parseObject(file, text, keys) {
  let object;
  try {
    // A byte-order mark, as some editors write, is no part of the JSON.
    object = JSON.parse(text.replace(/^\uFEFF/, ""));
  } catch (error) {
    throw new ToolError(`${file} is not valid JSON: ${error.message}`);
  }
  if (object === null || typeof object !== "object" || Array.isArray(object)) {
    throw new ToolError(`${file} must hold one JSON object`);
  }
  for (const key of Object.keys(object)) {
    if (!Object.hasOwn(keys, key)) {
      throw new ToolError(`${file}: unknown key "${key}" (known keys: ${Object.keys(keys).join(", ")})`);
    }
  }
  return object;
}

export function fail(context, key, message) {
  throw new ToolError(`${context.file}: "${key}" ${message}`);
}

export function text(context, key, value) {
  if (typeof value !== "string" || value.trim() === "") fail(context, key, "must be a text that is not empty");
  return value;
}

export function codePage(context, key, value) {
  if (!["utf-8", "ansi"].includes(value)) fail(context, key, 'must be "utf-8" or "ansi"');
  return value;
}
