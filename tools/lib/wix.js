// The WiX 3 source of an app's installer, as wixl builds it. Everything in it
// is derived from its inputs in a fixed order, so the same app gives the same
// source: identifiers and component GUIDs come from the files' paths.
import crypto from "node:crypto";

import { nameUuid } from "./msi-settings.js";
import { printable } from "./windows-names.js";

const ICON_ID = "AppIcon.exe";

function xml(text) {
  return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;")
    .replace(/"/g, "&quot;");
}

// Windows Installer expands [NAME] in formatted values: brackets of our own are escaped.
export function formatted(text) {
  return String(text).replace(/[[\]]/g, (bracket) => `[\\${bracket}]`);
}

// The letters of Windows-1252, the code page wixl writes a registry key in.
const WINDOWS_1252 = new Set(new TextDecoder("windows-1252").decode(Uint8Array.from({ length: 256 }, (_, i) => i)));

// The app's own registry key: Software\<vendor>\<name>, or, where those hold
// a letter outside Windows-1252 (on which wixl 0.101 crashes), the upgrade
// code, as much the app's own.
function ownKey(app) {
  const parts = app.vendor ? [app.vendor, app.name] : [app.name];
  if (![...parts.join("")].every((c) => WINDOWS_1252.has(c))) return `Software\\${app.upgradeCode}`;
  return `Software\\${parts.map(formatted).join("\\")}`;
}

function id(prefix, relative) {
  return prefix + crypto.createHash("sha1").update(relative, "utf8").digest("hex").slice(0, 24);
}

function element(name, attributes, children) {
  const text = Object.entries(attributes).filter(([, v]) => v !== undefined && v !== null)
    .map(([k, v]) => ` ${k}="${xml(v)}"`).join("");
  if (!children || children.length === 0) return [`<${name}${text} />`];
  return [`<${name}${text}>`, ...children.flat(Infinity).map((line) => `  ${line}`), `</${name}>`];
}

// The folder tree of the files: {folders: Map(name -> tree), files: [file]}.
function folderTree(files) {
  const root = { relative: "", folders: new Map(), files: [] };
  for (const file of files) {
    const parts = file.relative.split("/");
    let node = root;
    for (const part of parts.slice(0, -1)) {
      if (!node.folders.has(part)) {
        const relative = node.relative ? `${node.relative}/${part}` : part;
        node.folders.set(part, { relative, folders: new Map(), files: [] });
      }
      node = node.folders.get(part);
    }
    node.files.push({ ...file, name: parts[parts.length - 1] });
  }
  return root;
}

// One component per file, its key path; each sub-folder is removed with its first file's.
function folderElements(app, node) {
  const components = node.files.map((file, index) => element("Component", {
    Id: id("c", file.relative), Guid: nameUuid(app.upgradeCode, `${app.scope}\n${file.relative}`),
    Win64: "yes",
  }, [element("File", { Id: id("f", file.relative), Name: file.name, Source: file.source,
    KeyPath: "yes" }), index === 0 && node.relative ?
    element("RemoveFolder", { Id: id("r", node.relative), On: "uninstall" }) : []]));
  const folders = [...node.folders.values()].map((child) => element("Directory",
    { Id: id("d", child.relative), Name: child.relative.split("/").pop() },
    folderElements(app, child)));
  return [...components, ...folders];
}

function registryValue(app, key, name, value, extra = {}) {
  return element("RegistryValue", { Root: app.root, Key: key, Name: name, Type: extra.type ||
    "string", Value: value, KeyPath: extra.keyPath ? "yes" : undefined });
}

// The app's ProgId for an extension: the ASCII letters and digits of the
// exe's name (starting with a letter), then the first digits of the upgrade
// code, which make it this app's own; 39 characters at most where the
// extension leaves room.
export function progIdOf(exeName, upgradeCode, extension) {
  const letters = exeName.replace(/[^A-Za-z0-9]/g, "").replace(/^(?=[0-9])/, "App") || "App";
  const code = upgradeCode.replace(/[^0-9A-Fa-f]/g, "").slice(0, 8).toUpperCase();
  return `${letters.slice(0, Math.max(3, 29 - extension.length))}.${code}.${extension}`;
}

// The per-extension keys under Software\Classes: the extension names the
// ProgId, whose open command starts the app with the document.
function associationValues(app) {
  return app.associations.flatMap((association) => {
    const progId = progIdOf(app.exeName, app.upgradeCode, association.extension);
    const classes = "Software\\Classes";
    const exeFile = association.launcher ? `${association.launcher}.exe` : app.exeFile;
    const icon = association.iconFile ? `[#${id("f", association.iconFile)}]` :
      `[#${id("f", exeFile)}],0`;
    return [
      registryValue(app, `${classes}\\.${association.extension}`, undefined, progId),
      registryValue(app, `${classes}\\${progId}`, undefined, formatted(association.description)),
      registryValue(app, `${classes}\\${progId}\\DefaultIcon`, undefined, icon),
      registryValue(app, `${classes}\\${progId}\\shell\\open\\command`, undefined,
        `"[#${id("f", exeFile)}]" "%1"`),
    ];
  });
}

// The install folder's own component: its registry key path, the folder's
// removal and the file associations.
function registration(app) {
  return element("Component", { Id: "Registration",
    Guid: nameUuid(app.upgradeCode, `${app.scope}\nregistration`), Win64: "yes" }, [
    registryValue(app, app.ownKey, "InstallFolder", "[INSTALLDIR]", { keyPath: true }),
    element("RemoveFolder", { Id: "RemoveInstallFolder", On: "uninstall" }),
    ...associationValues(app),
  ]);
}

// The shortcuts: each launcher's that has one in the Start menu, the first
// one's on the desktop too. The first keeps the names a single launcher's
// shortcut always had, so upgrades from such a pack find it again.
export function appShortcuts(app) {
  const launchers = app.launchers.filter((launcher) => launcher.shortcut);
  const places = [["ProgramMenuFolder", "StartMenu", launchers],
    ...(app.desktop ? [["DesktopFolder", "Desktop", launchers.slice(0, 1)]] : [])];
  return places.flatMap(([folder, place, placed]) => placed.map((launcher, index) => {
    const own = index === 0 ? "" : `_${id("", launcher.exeName.toUpperCase()).slice(0, 12)}`;
    return { folder, id: `${place}Shortcut${own}`, launcher, icon: index === 0 ? ICON_ID : `AppIcon${own}.exe`,
      guidName: index === 0 ? place : `${place}\n${launcher.exeName.toUpperCase()}` };
  }));
}

function shortcut(app, { folder, id: shortcutId, launcher, icon, guidName }) {
  return element("DirectoryRef", { Id: folder }, [element("Component", { Id: shortcutId,
    Guid: nameUuid(app.upgradeCode, `${app.scope}\n${guidName}`), Win64: "yes" }, [
    element("Shortcut", { Id: shortcutId, Name: launcher.shortcutName, Description: launcher.description ||
      app.description, Target: `[#${id("f", `${launcher.exeName}.exe`)}]`, WorkingDirectory: "INSTALLDIR",
    Icon: icon, IconIndex: "0" }),
    registryValue(app, app.ownKey, shortcutId, "1", { type: "integer", keyPath: true }),
  ])]);
}

function icons(app, shortcuts) {
  const source = (exeFile) => app.files.find((file) => file.relative === exeFile).source;
  const own = new Map([[ICON_ID, app.exeFile],
    ...shortcuts.map((s) => [s.icon, `${s.launcher.exeName}.exe`])]);
  return [...own].map(([iconId, exeFile]) => element("Icon", { Id: iconId, SourceFile: source(exeFile) }));
}

function installFolder(app) {
  const inner = element("Directory", { Id: "INSTALLDIR", Name: app.name },
    [registration(app), folderElements(app, folderTree(app.files))]);
  const base = app.scope === "machine" ?
    element("Directory", { Id: "ProgramFiles64Folder" }, inner) :
    element("Directory", { Id: "LocalAppDataFolder" },
      element("Directory", { Id: "UserProgramsFolder", Name: "Programs" }, inner));
  return element("Directory", { Id: "TARGETDIR", Name: "SourceDir" }, [base,
    element("Directory", { Id: "ProgramMenuFolder" }),
    app.desktop ? element("Directory", { Id: "DesktopFolder" }) : []]);
}

function componentRefs(app, shortcuts) {
  const ids = ["Registration", ...app.files.map((file) => id("c", file.relative)),
    ...shortcuts.map((s) => s.id)];
  return ids.map((component) => element("ComponentRef", { Id: component }));
}

// The source of app, as msi.js describes it: name, vendor, version,
// description, exeName, exeFile (the main launcher's), launchers [{exeName,
// description, shortcut, shortcutName}], files [{relative, source}], scope,
// desktop, associations [{extension, description, iconFile, launcher}],
// upgradeCode, productCode,
// header (the lines of the comment that opens the source).
export function wixSource(app) {
  const full = { ...app, root: app.scope === "machine" ? "HKLM" : "HKCU", ownKey: ownKey(app) };
  const manufacturer = app.vendor || app.name;
  const shortcuts = appShortcuts(app);
  const product = element("Product", { Id: app.productCode, Name: app.name, Language: "1033",
    Version: app.version, Manufacturer: manufacturer, UpgradeCode: app.upgradeCode }, [
    element("Package", { InstallerVersion: "500", Compressed: "yes", InstallScope:
      app.scope === "machine" ? "perMachine" : "perUser", Description: `${app.name} ${app.version}`,
    Manufacturer: manufacturer }),
    element("MajorUpgrade",
      { DowngradeErrorMessage: "A newer version of [ProductName] is already installed." }),
    element("Media", { Id: "1", Cabinet: "app.cab", EmbedCab: "yes" }),
    icons(app, shortcuts),
    element("Property", { Id: "ARPPRODUCTICON", Value: ICON_ID }),
    element("Property", { Id: "ARPNOMODIFY", Value: "1" }),
    installFolder(full),
    shortcuts.map((s) => shortcut(full, s)),
    element("Feature", { Id: "App", Title: app.name, Level: "1" }, componentRefs(full, shortcuts)),
  ]);
  // A comment holds no "--": a blank goes between every two dashes.
  const header = app.header.map((line) => `  ${xml(printable(line)).replace(/-(?=-)/g, "- ")}`);
  return ['<?xml version="1.0" encoding="utf-8"?>', "<!--", ...header, "-->",
    ...element("Wix", { xmlns: "http://schemas.microsoft.com/wix/2006/wi" }, product), ""]
    .join("\n");
}
