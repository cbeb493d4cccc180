// Whether the VM can start the main class: the class is in the jars, it has a
// main method the VM's launcher accepts (its own or a superclass's, or it is
// a JavaFX Application), and it is compiled for a Java the runtime runs.
// Read from the class files alone; no Java is run.
import { ACC_ABSTRACT, ACC_PRIVATE, ACC_PUBLIC, ACC_STATIC, javaOfMajor } from "./class-file.js";
import { nearest } from "./edit-distance.js";
import { ToolError } from "./errors.js";
import { findClass } from "./jar-classes.js";

const ARGS = "([Ljava/lang/String;)V";
const FX_APPLICATION = "javafx.application.Application";
// The first Java whose launcher starts instance and argument-less main methods.
const INSTANCE_MAIN_JAVA = 25;

// The feature version of a Java version text: 17 for "17.0.2", 8 for "1.8.0_392".
export function javaFeature(version) {
  const [first, second] = version.split(/[._+-]/).map((part) => parseInt(part, 10));
  return first === 1 && second ? second : first;
}

// What a class declares of the main methods: "static" for the classic
// public static void main(String[]), "modern" for one only a Java 25
// launcher starts (instance, not public, or without arguments), or null.
export function declaredMain(classFile) {
  const mains = classFile.methods.filter((m) => m.name === "main" && (m.descriptor === ARGS || m.descriptor === "()V"));
  const publicStatic = ACC_PUBLIC | ACC_STATIC;
  if (mains.some((m) => m.descriptor === ARGS && (m.access & publicStatic) === publicStatic)) return "static";
  return mains.some((m) => !(m.access & ACC_PRIVATE)) ? "modern" : null;
}

// The class and its superclasses, as far as the jars hold them: the main
// kind found nearest, whether one is a JavaFX Application, the first
// superclass outside the jars, and the class of the newest class-file version.
function walkSuperclasses(jars, found) {
  const result = { main: null, fx: false, outside: null, newest: null, classes: [] };
  // A damaged jar may make a class its own superclass.
  for (let entry = found; entry && result.classes.length < 256;) {
    const classFile = entry.jar.readClass(entry.name);
    result.classes.push({ classFile, entry });
    if (!result.newest || classFile.major > result.newest.classFile.major) result.newest = { classFile, entry };
    const kind = declaredMain(classFile);
    if (kind === "static" || (kind && !result.main)) result.main = kind;
    if (kind === "static" || classFile.superClass === FX_APPLICATION) {
      result.fx ||= classFile.superClass === FX_APPLICATION;
      break;
    }
    if (!classFile.superClass || classFile.superClass === "java.lang.Object") break;
    entry = findClass(jars, classFile.superClass);
    if (!entry) result.outside = classFile.superClass;
  }
  return result;
}

function notFound(check, jars, className) {
  const where = `${check.pack.file}: the main class ${className}`;
  const resource = `${className.replaceAll(".", "/")}.class`;
  for (const jar of jars) {
    const versioned = [...jar.names].find((name) => name.startsWith("META-INF/versions/") &&
      name.endsWith(`/${resource}`));
    if (versioned) {
      return new ToolError(`${where} is only in ${versioned} of ${jar.name}, which ` +
        (jar.manifest.get("multi-release")?.trim().toLowerCase() === "true" ?
          `Java ${check.javaVersion} does not read` : "is no Multi-Release jar"));
    }
  }
  const guess = nearest(className, jars.flatMap((jar) => jar.classNames()));
  return new ToolError(`${where} is in none of the jars searched ` +
    `(${jars.map((jar) => jar.name).join(", ")})${guess ? `: did you mean ${guess}?` : ""}`);
}

// An instance main needs an object of the class: not abstract, with a
// constructor without arguments that is not private.
function instantiable(classFile) {
  return !(classFile.access & ACC_ABSTRACT) &&
    classFile.methods.some((m) => m.name === "<init>" && m.descriptor === "()V" && !(m.access & ACC_PRIVATE));
}

// Whether the target machine's Java is sure to be at least java; warns when
// it is not known to be.
function needsJava(check, java, what) {
  if (check.feature !== null) return check.feature >= java;
  if (!check.pack.minJavaVersion || javaFeature(check.pack.minJavaVersion) < java) {
    check.warnings.push(`${what}: the target machine needs Java ${java} or later` +
      " (no runtime is bundled; set \"minJavaVersion\" to say it is known)");
  }
  return true;
}

function checkMain(check, className, walk) {
  const where = `${check.pack.file}: the main class ${className}`;
  const { classFile, entry } = walk.classes[0];
  if (walk.fx || walk.main === "static") return;
  const forJava = `its main method is an instance or argument-less one, which only Java ${INSTANCE_MAIN_JAVA} ` +
    "and later start";
  if (walk.main === "modern" && needsJava(check, INSTANCE_MAIN_JAVA, `${className}: ${forJava}`)) {
    if (!instantiable(classFile) && !classFile.methods.some((m) => m.name === "main" && (m.access & ACC_STATIC))) {
      throw new ToolError(`${where} (${entry.jar.name}) has an instance main method but cannot be made: ` +
        "it needs a constructor without arguments that is not private, and must not be abstract");
    }
    return;
  }
  if (walk.outside) {
    check.notes.push(`the main method of ${className} could not be checked: its superclass ` +
      `${walk.outside} is not in the jars (the runtime's classes are not read)`);
    return;
  }
  if (walk.main === "modern") {
    throw new ToolError(`${where} has no public static void main(String[]): ${forJava}, ` +
      `the runtime is ${check.javaVersion}`);
  }
  throw new ToolError(`${where} (${entry.jar.name}) has no main method the VM can start: ` +
    "it needs public static void main(String[] args), declared or inherited" +
    (check.feature === null || check.feature >= INSTANCE_MAIN_JAVA ? " (or, on Java 25, an instance main)" : ""));
}

// A class compiled for a newer Java than the runtime's stops the VM; one
// compiled with preview features runs only on its own Java, with them on.
function checkVersion(check, className, { classFile, entry }) {
  const release = javaOfMajor(classFile.major);
  const compiled = `${classFile.thisClass} (${entry.jar.name}) is compiled for Java ${release}`;
  const where = `${check.pack.file}: the ${classFile.thisClass === className ? "main class" : "superclass"} `;
  if (!needsJava(check, Number(release) || 1, compiled)) {
    throw new ToolError(`${where}${compiled}, the runtime is ${check.javaVersion}: bundle a Java ${release} ` +
      `runtime or compile for Java ${check.feature} (--release ${check.feature})`);
  }
  const preview = classFile.minor === 0xffff;
  if (preview && ((check.feature !== null && check.feature !== Number(release)) ||
      !check.pack.vmOptions.includes("--enable-preview"))) {
    throw new ToolError(`${where}${compiled} with its preview features: only Java ${release} runs it, with ` +
      '"--enable-preview" in "vmOptions"');
  }
}

// Checks the main class, looked up in searched (the class path, or the main
// module's jar) in the VM's order, its superclasses in all the jars. check:
// { pack, feature (null without a runtime), javaVersion, notes, warnings }.
// Returns whether it is a JavaFX Application.
export function checkMainClass(check, jars, className, searched = jars) {
  const found = findClass(searched, className);
  if (!found) throw notFound(check, searched, className);
  const walk = walkSuperclasses(jars, found);
  checkVersion(check, className, walk.newest);
  checkMain(check, className, walk);
  return walk.fx;
}
