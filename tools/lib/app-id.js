// The AppUserModelID an app's windows, shortcuts and taskbar buttons share:
// Windows groups and pins by it, so every version of one app keeps the same.
// At most 128 characters, no blanks, parts separated by dots.
export const APP_ID_LIMIT = 128;

// What is wrong with id as an AppUserModelID, or null.
export function appIdProblem(id) {
  if (typeof id !== "string" || id === "") return "must be a text that is not empty";
  if (id.length > APP_ID_LIMIT) return `has ${id.length} characters; at most ${APP_ID_LIMIT} are allowed`;
  if (/[\s\u0000-\u001f]/.test(id)) return `"${id}" holds a blank or a control character`;
  if (id.split(".").some((part) => part === "")) return `"${id}" has an empty part between dots`;
  return null;
}

// <vendor>.<name> made valid: blanks and empty parts dropped, cut to 128
// characters at most, never ending in a dot.
export function defaultAppId(vendor, name) {
  const parts = [vendor, name].filter(Boolean).join(".").replace(/[\s\u0000-\u001f]+/g, "")
    .split(".").filter((part) => part !== "");
  return parts.join(".").slice(0, APP_ID_LIMIT).replace(/\.+$/, "");
}
