// Checking a Java runtime folder before it is bundled: a 64-bit Windows VM
// program where the launcher will look for it, and a Java version read from
// the "release" file that jlink and every JDK write.
import fs from "node:fs";
import path from "node:path";

import { ToolError } from "./errors.js";

const MACHINES = { 0x8664: "x64", 0x14c: "32-bit x86", 0xaa64: "ARM64", 0x1c4: "32-bit ARM" };

// The machine a Windows program is built for ("x64", ...), or a text that
// says what the file is instead.
export function peMachine(file) {
  const header = Buffer.alloc(1024);
  const fd = fs.openSync(file, "r");
  const length = fs.readSync(fd, header, 0, header.length, 0);
  fs.closeSync(fd);
  if (length < 64 || header.toString("latin1", 0, 2) !== "MZ") return "not a Windows program";
  const pe = header.readUInt32LE(0x3c);
  if (pe + 6 > length || header.toString("latin1", pe, pe + 4) !== "PE\0\0") return "not a Windows program";
  const machine = header.readUInt16LE(pe + 4);
  return MACHINES[machine] || `a program for machine 0x${machine.toString(16)}`;
}

// A field of a runtime's or JDK's release file, or null.
export function releaseField(folder, name) {
  let text;
  try {
    text = fs.readFileSync(path.join(folder, "release"), "utf8");
  } catch {
    return null;
  }
  const match = new RegExp(`^${name}="?([^"\\r\\n]*)"?\\s*$`, "m").exec(text);
  return match ? match[1] : null;
}

// JAVA_VERSION from a runtime's release file, or null.
export function releaseJavaVersion(folder) {
  return releaseField(folder, "JAVA_VERSION");
}

const SYSTEMS = { Linux: "a Linux", Darwin: "a macOS", SunOS: "a Solaris", AIX: "an AIX" };

// A runtime or JDK folder of another system than Windows, as { what,
// evidence }, or null: its VM program has no .exe, or its release says so.
export function otherSystem(folder) {
  const os = releaseField(folder, "OS_NAME");
  const bin = path.join(folder, "bin");
  if (fs.existsSync(path.join(bin, "java")) && !fs.existsSync(path.join(bin, "java.exe"))) {
    const mac = os === "Darwin" || fs.existsSync(path.join(folder, "lib", "libjli.dylib"));
    return { what: mac ? "a macOS" : "a Linux", evidence: "bin/ holds java without .exe" };
  }
  return os && SYSTEMS[os] ? { what: SYSTEMS[os], evidence: `release: OS_NAME="${os}"` } : null;
}

// The numbers of a Java version; "1.8.0_392" is Java 8.
function versionNumbers(version) {
  const numbers = version.split(/[._+-]/).map((part) => parseInt(part, 10)).filter((n) => !Number.isNaN(n));
  return numbers[0] === 1 && numbers.length > 1 ? numbers.slice(1) : numbers;
}

export function compareJavaVersions(a, b) {
  const [left, right] = [versionNumbers(a), versionNumbers(b)];
  for (let i = 0; i < Math.max(left.length, right.length); i++) {
    const difference = (left[i] || 0) - (right[i] || 0);
    if (difference !== 0) return Math.sign(difference);
  }
  return 0;
}

// Checks the runtime for a launch by vmName ("javaw.exe" or "java.exe");
// returns its Java version.
export function checkRuntime(pack, vmName) {
  const where = `${pack.file}: "runtime"`;
  const vm = path.join(pack.runtime, "bin", vmName);
  const system = otherSystem(pack.runtime);
  if (system) {
    throw new ToolError(`${where}: this is ${system.what} runtime (${system.evidence}): ` +
      "link against a Windows JDK's jmods");
  }
  if (!fs.existsSync(vm)) {
    const found = fs.existsSync(path.join(pack.runtime, "bin")) ?
      fs.readdirSync(path.join(pack.runtime, "bin")).filter((f) => /\.exe$/i.test(f)).sort().join(", ") : "";
    throw new ToolError(`${where}: ${pack.runtime} has no bin\\${vmName}` +
      (found ? ` (bin holds ${found})` : " (no bin folder)") + ": is it a Windows Java runtime?");
  }
  const machine = peMachine(vm);
  if (machine !== "x64") {
    throw new ToolError(`${where}: bin\\${vmName} is ${machine}: a 64-bit (x64) Windows runtime is needed`);
  }
  const javaVersion = releaseJavaVersion(pack.runtime);
  if (!javaVersion) {
    throw new ToolError(`${where}: ${pack.runtime} has no release file with JAVA_VERSION ` +
      "(jlink and every JDK write one)");
  }
  if (pack.minJavaVersion && compareJavaVersions(javaVersion, pack.minJavaVersion) < 0) {
    throw new ToolError(`${where}: the runtime is Java ${javaVersion}, below "minJavaVersion" ` +
      `${pack.minJavaVersion}`);
  }
  return javaVersion;
}
