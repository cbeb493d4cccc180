// Several launchers in one app folder: each an exe with its own
// configuration, all sharing lib/ and runtime/. A pack without "launchers"
// has one, made of the pack's own keys.
import { ToolError } from "./errors.js";
import { windowsNameProblem, windowsUpperCase } from "./windows-names.js";

// Each launcher key, and the pack key whose check it shares.
const LAUNCHER_KEYS = { exeName: "exeName", console: "console", mainClass: "mainClass",
  vmOptions: "vmOptions", appArguments: "appArguments", icon: "icon", description: "description",
  shortcut: "console", path: "console" };

function fail(file, message) {
  throw new ToolError(`${file}: ${message}`);
}

// The "launchers" key: a list of objects, each checked key by key as the
// pack's keys are (context.keys holds those checks).
export function readLaunchers(context, key, value) {
  if (!Array.isArray(value) || value.length === 0) {
    fail(context.file, `"${key}" must be a list of launchers such as {"exeName": "tool", "console": true}`);
  }
  return value.map((entry, index) => {
    const where = `${key}[${index}]`;
    if (entry === null || typeof entry !== "object" || Array.isArray(entry)) {
      fail(context.file, `"${where}" must be an object with "exeName"`);
    }
    const unknown = Object.keys(entry).find((name) => !(name in LAUNCHER_KEYS));
    if (unknown) {
      fail(context.file, `"${where}": unknown key "${unknown}" ` +
        `(known keys: ${Object.keys(LAUNCHER_KEYS).join(", ")})`);
    }
    if (!("exeName" in entry)) fail(context.file, `"${where}": "exeName" is missing`);
    return Object.fromEntries(Object.entries(entry).map(([name, v]) =>
      [name, context.keys[LAUNCHER_KEYS[name]](context, `${where}.${name}`, v)]));
  });
}

// The Start-menu shortcut's name: the app's for the first, else the
// launcher's own description or "<name> (<exeName>)".
function shortcutNames(pack, launchers) {
  const seen = new Map();
  launchers.filter((l) => l.shortcut).forEach((launcher, index) => {
    launcher.shortcutName = index === 0 ? pack.name :
      launcher.ownDescription || `${pack.name} (${launcher.exeName})`;
    const problem = windowsNameProblem(launcher.shortcutName);
    if (problem) {
      fail(pack.file, `the shortcut of ${launcher.exeName}, "${launcher.shortcutName}", ${problem}: ` +
        'give it another "description"');
    }
    const other = seen.get(windowsUpperCase(launcher.shortcutName));
    if (other) {
      fail(pack.file, `${other} and ${launcher.exeName} would both have the shortcut ` +
        `"${launcher.shortcutName}"`);
    }
    seen.set(windowsUpperCase(launcher.shortcutName), launcher.exeName);
  });
}

// The launchers of a pack (its settings checked, defaults filled in), each
// complete: exeName, console, mainClass (null: the pack's), vmOptions and
// appArguments (added after the pack's), icon, description, shortcut, path.
export function appLaunchers(pack, written) {
  if (!pack.launchers) {
    return [{ exeName: pack.exeName, console: pack.console, mainClass: null, vmOptions: [], appArguments: [],
      icon: pack.icon, description: pack.description, shortcut: true, shortcutName: pack.name, path: false }];
  }
  if (written.includes("console")) {
    fail(pack.file, '"console" belongs to each launcher when there are "launchers": move it there');
  }
  const firstGui = pack.launchers.findIndex((l) => !l.console);
  const names = new Map();
  const launchers = pack.launchers.map((given, index) => {
    const other = names.get(windowsUpperCase(given.exeName));
    if (other) fail(pack.file, `"launchers": "${other}" and "${given.exeName}" name the same exe`);
    names.set(windowsUpperCase(given.exeName), given.exeName);
    return { console: false, mainClass: null, vmOptions: [], appArguments: [], icon: pack.icon,
      shortcut: index === firstGui, path: false, ...given, ownDescription: given.description,
      description: given.description ?? pack.description };
  });
  shortcutNames(pack, launchers);
  return launchers;
}

// Each file association's launcher: the one it names, else the first GUI one.
export function linkAssociations(pack) {
  const main = pack.launchers.find((l) => !l.console) || pack.launchers[0];
  pack.msi.associations.forEach((association, index) => {
    const named = association.launcher ?? main.exeName;
    const launcher = pack.launchers.find((l) => windowsUpperCase(l.exeName) === windowsUpperCase(named));
    if (!launcher) {
      fail(pack.file, `"fileAssociations"[${index}]: "launcher" "${named}" is none of the launchers ` +
        `(${pack.launchers.map((l) => l.exeName).join(", ")})`);
    }
    association.launcher = launcher.exeName;
  });
  return pack;
}

// The plan of each launcher: the app's plan with the launcher's exe, main
// class, VM (vmFor(pack, notes) gives it for a console launcher of a GUI
// pack and the reverse), options and arguments.
export function launcherPlans(plan, vmFor) {
  return plan.pack.launchers.map((launcher) => {
    const pack = { ...plan.pack, exeName: launcher.exeName, console: launcher.console,
      appArguments: [...plan.pack.appArguments, ...launcher.appArguments] };
    const own = `of the launcher ${launcher.exeName}`;
    const launcherPlan = { ...plan, pack,
      mainClass: launcher.mainClass ? { value: launcher.mainClass, origin: `"mainClass" ${own}` } :
        plan.mainClass,
      jvm: launcher.console === plan.pack.console ? plan.jvm : vmFor(pack, plan.notes),
      vmOptionGroups: [...plan.vmOptionGroups, { origin: `"vmOptions" ${own}`, options: launcher.vmOptions }]
        .filter((group) => group.options.length > 0) };
    const asset = launcher.console ? "veltrane-console.exe" : "veltrane.exe";
    return { ...launcher, plan: launcherPlan, asset };
  });
}
