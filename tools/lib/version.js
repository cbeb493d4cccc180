// The release's version, which the tools' package carries: what --version
// prints and what a packed app's configuration says made it.
import fs from "node:fs";

export const TOOL_VERSION = JSON.parse(fs.readFileSync(new URL("../package.json", import.meta.url), "utf8")).version;

// The line --version prints: the command's name and the version.
export function versionLine(command) {
  return `${command} ${TOOL_VERSION}`;
}
