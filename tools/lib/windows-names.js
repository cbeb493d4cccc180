// File names as Windows reads them: the characters it refuses or reads as
// something else, the names it takes for devices, the dots and blanks it
// drops from a name's end, and names that differ only in case, which one
// folder cannot hold twice. Every name veltrane-pack writes passes here.

// Characters Windows never allows in a file name.
const FORBIDDEN = '\\/:*?"<>|';
// A device name, with or without an extension, in any case: "nul.txt" is NUL.
const DEVICE = /^(CON|PRN|AUX|NUL|COM[1-9\u00b9\u00b2\u00b3]|LPT[1-9\u00b9\u00b2\u00b3])\s*(\..*)?$/i;
// Separators of the lists a name may join: the class path and PATH.
const LIST_SEPARATOR = ";";

// A character as a message shows it: printable ones quoted, others by code.
export function showCharacter(character) {
  const code = character.codePointAt(0);
  return /[\p{Cc}\p{Cf}\p{Z}]/u.test(character) && character !== " " ?
    `U+${code.toString(16).toUpperCase().padStart(4, "0")}` : `"${character}"`;
}

// Why Windows would not read name as written, or null when it would.
// separators: also refuse ";", for names in a folder the class path or PATH holds.
export function windowsNameProblem(name, { separators = false } = {}) {
  if (name === "") return "is empty";
  for (const character of name) {
    if (/\p{Cc}/u.test(character)) return `holds the control character ${showCharacter(character)}`;
    if (FORBIDDEN.includes(character)) {
      return `holds ${showCharacter(character)}, which Windows does not allow in a file name`;
    }
    if (separators && character === LIST_SEPARATOR) {
      return `holds ${showCharacter(character)}, which splits the class path and PATH`;
    }
  }
  if (/[. ]$/.test(name)) return `ends in ${name.endsWith(".") ? "a dot" : "a blank"}, which Windows drops`;
  const device = DEVICE.exec(name);
  if (device) return `is the device name ${device[1].toUpperCase()} to Windows`;
  return null;
}

// A name as a Windows folder compares it: each character upper-cased on its
// own ("ß" stays, as NTFS keeps it), never the whole text at once.
export function windowsUpperCase(name) {
  return [...name].map((c) => (c.toUpperCase().length === c.length ? c.toUpperCase() : c)).join("");
}

// Two of the relative paths ("/" between names) that one Windows folder
// cannot hold both, as [first, second], or null.
export function caseClash(paths) {
  const seen = new Map();
  for (const relative of paths) {
    const parts = relative.split("/");
    for (let i = 1; i <= parts.length; i++) {
      const prefix = parts.slice(0, i).join("/");
      const key = windowsUpperCase(prefix);
      const other = seen.get(key);
      if (other === undefined) seen.set(key, prefix);
      else if (other !== prefix) return [other, prefix];
    }
  }
  return null;
}

// The first problem of a relative path's names, as "name: problem", or null.
export function windowsPathProblem(relative, options) {
  for (const part of relative.split("/")) {
    const problem = windowsNameProblem(part, options);
    if (problem) return `"${[...part].map((c) => (/\p{Cc}/u.test(c) ? "?" : c)).join("")}" ${problem}`;
  }
  return null;
}

// A text with its control characters shown as "?", for one-line messages and comments.
export function printable(text) {
  return String(text).replace(/[\p{Cc}\u2028\u2029]/gu, "?");
}
