// Tables wixl does not write, added to its MSI with msibuild (msitools): the
// AppUserModelID on each shortcut (MsiShortcutProperty), so the Start menu
// and taskbar tie the shortcut to the app's windows, and the install folder
// on PATH (Environment), with the actions that carry it out.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";
import { formatted } from "./wix.js";

// "=" sets on install, "-" removes on uninstall, "*" the machine's
// variable; with "[~];" in front, both apply to this part of the value alone.
function pathEntryName(scope) {
  return scope === "machine" ? "=-*PATH" : "=-PATH";
}

// The tables and actions for app (as wix.js takes it) and its shortcuts
// (appShortcuts): [{name, columns, types, rows}], [[action, sequence]].
export function extraTables(app, shortcuts) {
  const tables = [];
  const actions = [];
  if (app.appUserModelId && shortcuts.length > 0) {
    tables.push({ name: "MsiShortcutProperty", columns: ["MsiShortcutProperty", "Shortcut_", "PropertyKey",
      "PropVariantValue"], types: ["s72", "s72", "s0", "s0"], rows: shortcuts.map((s) =>
      [`AppId${s.id}`.slice(0, 72), s.id, "System.AppUserModel.ID", formatted(app.appUserModelId)]) });
  }
  if (app.launchers.some((launcher) => launcher.path)) {
    tables.push({ name: "Environment", columns: ["Environment", "Name", "Value", "Component_"],
      types: ["s72", "l255", "L255", "s72"],
      rows: [["PathEntry", pathEntryName(app.scope), "[~];[INSTALLDIR]", "Registration"]] });
    actions.push(["RemoveEnvironmentStrings", 3300], ["WriteEnvironmentStrings", 5200]);
  }
  return { tables, actions };
}

// A table as msibuild imports it: names, types, the key, then the rows.
export function idtText({ name, columns, types, rows }) {
  for (const value of rows.flat()) {
    if (/[\t\r\n]/.test(value)) throw new Error(`${name}: a value with a tab or line break: ${value}`);
  }
  return [columns, types, [name, columns[0]], ...rows].map((row) => `${row.join("\t")}\r\n`).join("");
}

function msibuild(msi, args) {
  const result = spawnSync("msibuild", [msi, ...args], { encoding: "utf8" });
  if (result.error && result.error.code === "ENOENT") {
    throw new ToolError("msibuild not found: install the Debian package msitools " +
      "(apt-get install msitools), or msitools elsewhere (brew install msitools)");
  }
  if (result.error || result.status !== 0) {
    const said = `${result.stderr || ""}`.split("\n").find((l) => /\S/.test(l) && !/GLib/.test(l));
    const why = said || result.error?.message || `status ${result.status}`;
    throw new ToolError(`msibuild could not add to the MSI: ${why}`);
  }
}

// Adds the tables and actions to msi, the .idt files written into staging.
export function addTables(msi, { tables, actions }, staging) {
  for (const table of tables) {
    const file = path.join(staging, `${table.name}.idt`);
    fs.writeFileSync(file, idtText(table));
    msibuild(msi, ["-i", file]);
  }
  for (const [action, sequence] of actions) {
    msibuild(msi, ["-q",
      `INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('${action}', ${sequence})`]);
  }
}
