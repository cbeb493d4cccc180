// Class files for the tests, compiled by this machine's javac (and a
// module's main class set by its jar tool, as builds do).
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

export const noJava = spawnSync("javac", ["-version"]).status !== 0 && "needs javac and jar";

function run(command, args, cwd = undefined) {
  const result = spawnSync(command, args, { encoding: "utf8", cwd });
  if (result.status !== 0) throw new Error(`${command} failed: ${result.stderr}`);
}

// Compiles sources ({ "p/Main.java": text }) in one javac run; returns the
// class files by name ("p/Main.class") and removes its folder. With
// mainClass, module-info.class gets it as a jar --main-class would; with
// modules, each source's first folder is its module's name.
export function compile(sources, { release = "11", mainClass = null, modules = false } = {}) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "veltrane-javac-"));
  try {
    for (const [name, text] of Object.entries(sources)) {
      fs.mkdirSync(path.dirname(path.join(folder, "src", name)), { recursive: true });
      fs.writeFileSync(path.join(folder, "src", name), text);
    }
    run("javac", ["--release", release, "-d", path.join(folder, "classes"),
      ...(modules ? ["--module-source-path", path.join(folder, "src")] : []),
      ...Object.keys(sources).map((name) => path.join(folder, "src", name))]);
    if (mainClass) {
      run("jar", ["--create", "--file", path.join(folder, "m.jar"), "--main-class", mainClass,
        "-C", path.join(folder, "classes"), "."]);
      run("jar", ["--extract", "--file", path.join(folder, "m.jar"), "module-info.class"],
        path.join(folder, "classes"));
    }
    const classes = {};
    const walk = (dir, prefix) => fs.readdirSync(dir, { withFileTypes: true }).forEach((item) =>
      item.isDirectory() ? walk(path.join(dir, item.name), `${prefix}${item.name}/`) :
        (classes[`${prefix}${item.name}`] = fs.readFileSync(path.join(dir, item.name))));
    walk(path.join(folder, "classes"), "");
    return classes;
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// A class file of a name, a superclass and methods ([access, name,
// descriptor], without code): enough for a reader, not for a VM.
export function classFile({ name, superName = "java/lang/Object", major = 61, minor = 0, methods = [] }) {
  const pool = [];
  const utf8 = (text) => pool.push(Buffer.concat([Buffer.from([1, 0, text.length]), Buffer.from(text)]));
  const classOf = (text) => {
    const index = utf8(text);
    return pool.push(Buffer.from([7, 0, index]));
  };
  const [self, parent] = [classOf(name), classOf(superName)];
  const u2 = (n) => Buffer.from([n >> 8, n & 255]);
  const members = methods.map(([access, method, descriptor]) =>
    Buffer.concat([u2(access), u2(utf8(method)), u2(utf8(descriptor)), u2(0)]));
  return Buffer.concat([Buffer.from([0xca, 0xfe, 0xba, 0xbe]), u2(minor), u2(major), u2(pool.length + 1), ...pool,
    u2(0x21), u2(self), u2(parent), u2(0), u2(0), u2(members.length), ...members, u2(0)]);
}

export const STATIC_MAIN = [0x9, "main", "([Ljava/lang/String;)V"];
