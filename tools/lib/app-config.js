// The configuration of a packed app: read by its launcher in app mode, so
// every path starts at %EXEDIR%, the folder of the running exe. Each group of
// lines says what it is and where it came from.
import { ToolError } from "./errors.js";

// One argument as a Windows program's command-line parsing reads it back:
// quoted when it holds a blank or a quote, or names a variable whose value
// might; backslashes before a quote are doubled, as that parsing expects.
export function quoteArgument(argument) {
  if (argument !== "" && !/[\s"%]/.test(argument)) return argument;
  let quoted = "";
  let backslashes = 0;
  for (const character of argument) {
    if (character === "\\") {
      backslashes++;
      continue;
    }
    quoted += "\\".repeat(character === '"' ? backslashes * 2 + 1 : backslashes) + character;
    backslashes = 0;
  }
  return `"${quoted}${"\\".repeat(backslashes * 2)}"`;
}

function group(comment, key, values) {
  return values.length === 0 ? [] : ["", `# ${comment}`, ...values.map((value) => `${key} ${value}`)];
}

// The class path: "addpath" keeps the java -jar order of the main jar and its
// Class-Path; "addjars" then adds the jars of lib/ that no "addpath" named,
// in the order the folder lists them. The last jars always come from
// "addjars": a class path of "addpath" entries alone ends in ";", and Java
// reads that empty entry as the current directory.
function classPathLines(plan) {
  if (plan.classPath.length === 0) return [];
  const named = plan.classPath.filter((jar) => !jar.other);
  const explicit = named.length < plan.classPath.length ? named : named.slice(0, -1);
  return ["", "# The class path in java -jar order: the main jar and its Class-Path, then the",
    "# other jars of lib\\ (those named here are left out), in name order",
    ...explicit.map((jar) => `addpath %EXEDIR%\\lib\\${jar.name}`), "addjars %EXEDIR%\\lib"];
}

// The configuration file's text, lines ending in CR LF.
export function configText(plan, toolVersion) {
  const { pack } = plan;
  const lines = [
    `# Made by veltrane-pack ${toolVersion} from ${plan.packFileName} (${pack.name} ${pack.version.text}).`,
    "# Pack again rather than edit: the next pack writes this file anew.",
    `# ${pack.exeName}.exe reads it in app mode: %EXEDIR% is the folder that holds ${pack.exeName}.exe,`,
    "# and the arguments the exe is started with follow the param values.",
    ...group(`The Java VM: ${plan.jvm.origin}`, "jvm", [plan.jvm.value]),
    ...plan.vmOptionGroups.flatMap(({ origin, options }) =>
      group(`VM options: ${origin}`, "vmparam", options.map(quoteArgument))),
    ...classPathLines(plan),
    ...group(`The main class: ${plan.mainClass.origin}`, "mainclass", [plan.mainClass.value]),
    ...group("Application arguments: \"appArguments\"", "param", pack.appArguments.map(quoteArgument)),
  ];
  const text = `${lines.join("\r\n")}\r\n`;
  // Comments may hold any letters: the launcher skips them unread.
  if (pack.codePage === "ansi" && lines.some((line) => !line.startsWith("#") && /[^\x00-\x7f]/.test(line))) {
    throw new ToolError(`${pack.file}: the configuration holds letters outside ASCII, which an ANSI ` +
      'launcher reads in the code page of the machine it runs on: set "codePage": "utf-8"');
  }
  return Buffer.from(text, "utf8");
}

// The VM's command line as the launcher builds it, %EXEDIR% shown as folder.
export function launchCommandLine(plan, folder) {
  const expand = (value) => value.replaceAll("%EXEDIR%", folder);
  const classPath = plan.classPath.map((jar) => `${folder}\\lib\\${jar.name}`).join(";");
  const parts = [`"${expand(plan.jvm.value)}"`,
    plan.vmOptionGroups.flatMap((g) => g.options).map((o) => expand(quoteArgument(o))).join(" "),
    classPath ? `-classpath "${classPath}"` : "", plan.mainClass.value,
    plan.pack.appArguments.map((a) => expand(quoteArgument(a))).join(" ")];
  return `${parts.join(" ")} [the exe's own arguments]`;
}
