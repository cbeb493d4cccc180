// The Java side of an app's plan, read from the jars themselves: whether it
// starts as a module (its modules then go to mods/ and the VM gets a module
// path), that the main class exists and can be started by the runtime, and
// what java -jar would have done besides (splash screen, launcher agent).
import { ToolError } from "./errors.js";
import { openJar } from "./jar-classes.js";
import { launchExtras } from "./launch-extras.js";
import { checkMainClass, javaFeature } from "./main-class.js";
import { declaredModule, modulePathJars, runtimeModules } from "./modules.js";

function moduleList(jars) {
  const modules = jars.filter((jar) => jar.module).map((jar) => `${jar.module.name} (${jar.name})`);
  return modules.length > 0 ? modules.join(", ") : "none";
}

// The module and class the VM starts, or null for a class-path launch.
function mainModule(plan, jars) {
  const { pack } = plan;
  const [main] = jars;
  const key = pack.module;
  if (!key) {
    if (main.module && !main.module.mainClass) {
      plan.notes.push(`${main.name} is the module ${main.module.name}, but its module-info names no main class: ` +
        'packed for the class path (set "module" to start it as a module)');
    }
    if (!main.module || !main.module.mainClass) return null;
  }
  if (key && key.mainClass && pack.mainClass) {
    throw new ToolError(`${pack.file}: "module" and "mainClass" both name the main class: keep one`);
  }
  const name = key ? key.module : main.module.name;
  const holder = jars.find((jar) => jar.module && jar.module.name === name);
  if (!holder) {
    throw new ToolError(`${pack.file}: "module" names ${name}, which no jar declares (modules: ${moduleList(jars)})`);
  }
  const className = (key && key.mainClass) || pack.mainClass || holder.module.mainClass ||
    (holder === main ? plan.mainClass.value : null);
  if (!className) {
    throw new ToolError(`${pack.file}: the module ${name} names no main class in its module-info: ` +
      `write "module": "${name}/its.main.Class"`);
  }
  const origin = [key ? '"module"' : `the module-info of ${main.name}`,
    ...(pack.mainClass ? ['"mainClass"'] : [])].join(" and ");
  return { name, className, holder, origin };
}

// Required modules neither in the jars nor in the runtime stop the VM.
function checkRequired(plan, missing) {
  const inRuntime = plan.pack.runtime ? runtimeModules(plan.pack.runtime) : null;
  for (const [required, by] of missing) {
    if (inRuntime && !inRuntime.has(required)) {
      throw new ToolError(`${plan.pack.file}: the module ${by} requires ${required}, which is neither in the jars ` +
        "nor in the runtime (its release file lists the modules it holds)");
    }
    if (!inRuntime && !/^(java|jdk)\./.test(required)) {
      plan.notes.push(`the module ${by} requires ${required}, which no jar holds: the runtime must have it`);
    }
  }
}

function packForModulePath(plan, jars) {
  const { jars: modules, missing } = modulePathJars(jars);
  checkRequired(plan, missing);
  plan.modulePath = modules.map((jar) => jar.entry);
  plan.classPath = plan.classPath.filter((entry) => !plan.modulePath.includes(entry));
  plan.vmOptionGroups.push({ origin: "the module path: the app's modules, in mods\\",
    options: ["--module-path", "%EXEDIR%\\mods"] });
}

// The VM's launcher starts a JavaFX Application subclass only when the
// javafx.graphics module is in the boot layer: from the class path, that
// means in the runtime.
function checkJavaFxOnClassPath(plan, className) {
  const inRuntime = plan.pack.runtime ? runtimeModules(plan.pack.runtime) : null;
  if (inRuntime && inRuntime.has("javafx.graphics")) return;
  const problem = `${className} is a JavaFX Application started from the class path: the VM stops with ` +
    '"JavaFX runtime components are missing" unless the runtime holds the javafx.graphics module';
  const remedy = 'link JavaFX into the runtime, or start the app as a module ("module")';
  if (inRuntime) throw new ToolError(`${plan.pack.file}: ${problem}, and it does not: ${remedy}`);
  plan.warnings.push(`${problem}: ${remedy}`);
}

// The mainclass line that starts className, checked in the jars: the class,
// or "-m module/class" for a module launch. For the app's main class and
// for each launcher's own.
export function mainClassLine(plan, className, origin) {
  const { check, jars, module } = plan.java;
  const fx = checkMainClass(check, jars, className, module ? [module.holder] : jars);
  if (fx && !module) checkJavaFxOnClassPath(plan, className);
  return { value: module ? `-m ${module.name}/${className}` : className, origin, className };
}

// Completes the plan (as planApp begins it) from what the jars hold.
export function planJava(plan, manifest) {
  const { pack } = plan;
  const feature = plan.jvm.javaVersion ? javaFeature(plan.jvm.javaVersion) : null;
  const check = { pack, feature, javaVersion: plan.jvm.javaVersion, notes: plan.notes, warnings: plan.warnings };
  const jars = plan.classPath.map((entry) => Object.assign(openJar(entry.file, feature), { entry }));
  for (const jar of jars) jar.module = declaredModule(jar);
  const module = mainModule(plan, jars);
  plan.java = { check, jars, module };
  plan.modulePath = [];
  if (module) {
    packForModulePath(plan, jars);
    plan.mainClass = mainClassLine(plan, module.className, `the main module and class: ${module.origin}`);
  } else if (plan.mainClass.value) {
    plan.mainClass = mainClassLine(plan, plan.mainClass.value, plan.mainClass.origin);
  } else {
    throw new ToolError(`${pack.file}: "mainClass" is missing and "mainJar" ${jars[0].name} has no Main-Class ` +
      "in its manifest");
  }
  const mainJarFolder = plan.modulePath.includes(jars[0].entry) ? "mods" : "lib";
  const extras = launchExtras(plan, jars[0], manifest, mainJarFolder);
  plan.files = extras.files;
  if (extras.options.length > 0) {
    plan.vmOptionGroups.push({ origin: `what java -jar does with ${jars[0].name}'s manifest`,
      options: extras.options });
  }
}
