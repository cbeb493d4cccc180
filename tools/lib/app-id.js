// The default AppUserModelID, which an app's windows, shortcuts and taskbar
// buttons share: Windows groups and pins by it, so every version of one app
// must keep the same, like the MSI's upgrade code.
import crypto from "node:crypto";

import { APP_USER_MODEL_ID_LIMIT } from "./brand-file.js";

// Printable ASCII without blanks, in non-empty parts between single dots.
function clean(text) {
  return (text || "").replace(/[^\x21-\x7e]/g, "").split(".").filter((part) => part !== "").join(".");
}

// <vendor>.<name> made valid (see brand.js's checkAppUserModelId), at most
// 128 characters, never ending in a dot. A name with nothing of that left is
// "App" and a hash of vendor and name, the same from version to version.
export function defaultAppId(vendor, name) {
  const ownName = clean(name) || `App${crypto.createHash("sha256").update(`${vendor || ""}\n${name}`, "utf8")
    .digest("hex").slice(0, 16)}`;
  return [clean(vendor), ownName].filter(Boolean).join(".").slice(0, APP_USER_MODEL_ID_LIMIT)
    .replace(/\.+$/, "");
}
