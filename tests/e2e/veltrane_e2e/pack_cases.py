"""veltrane-pack: a packed app unzipped and started, with one launcher and with three."""

import json
import os
import subprocess
import zipfile

from .app_mode_cases import STARTF_TITLEISAPPID, start_information
from .case import REPOSITORY, case
from .expect import expect_equal


@case
def packed_sample_app_unzipped_and_opened_with_a_document(c):
    sample = c.path("sample")
    subprocess.run([os.path.join(REPOSITORY, "tests", "sample-app", "build.sh"), sample], check=True,
                   capture_output=True)
    c.probe("sample/runtime/bin/javaw.exe")
    c.write("sample/runtime/release", 'JAVA_VERSION="17.0.2"\n')
    c.run.pack(os.path.join(sample, "pack.json"), c.path("dist"))
    with zipfile.ZipFile(c.path("dist/HelloApp-1.2.3-win64.zip")) as archive:
        archive.extractall(c.path("My Apps"))
    app = "My Apps/Hello App/"
    expect_equal(sorted(os.listdir(c.path(app))), ["HelloApp.config", "HelloApp.exe", "lib", "runtime"],
                 "the unpacked app folder")
    document = c.write("docs/letter one.txt", "")
    c.mkdir("elsewhere")
    exit_code, report = c.launch('"%s" "%s"' % (c.win(app + "HelloApp.exe"), document),
                                 app=app + "HelloApp.exe", cwd="elsewhere",
                                 caption="Error starting Hello App")
    expect_equal((exit_code, report), (0, None), "exit code and report")
    folder = c.win(app[:-1])
    classes = ";".join(folder + "\\lib\\" + jar for jar in ("hello.jar", "greeting.jar", "words.jar"))
    expect_equal(c.record(app + "runtime/bin/javaw.exe")[0],
                 '"%s\\runtime\\bin\\javaw.exe" -Xmx256m "-Dhello.home=%s" '
                 '--add-opens=java.base/java.lang=ALL-UNNAMED -classpath "%s" com.example.hello.Main '
                 '--greet "%s"' % (folder, folder, classes, document), "the VM's command line")


@case
def packed_sample_app_with_three_launchers_each_starts_its_own_main_class(c):
    sample = c.path("sample")
    subprocess.run([os.path.join(REPOSITORY, "tests", "sample-app", "build.sh"), sample], check=True,
                   capture_output=True)
    for vm in ("javaw", "java"):
        c.probe("sample/runtime/bin/%s.exe" % vm)
    c.write("sample/runtime/release", 'JAVA_VERSION="17.0.2"\n')
    with open(os.path.join(sample, "pack.json")) as text:
        pack = json.load(text)
    pack["launchers"] = [{"exeName": "HelloApp"},
                         {"exeName": "hello", "console": True, "mainClass": "com.example.hello.Cli",
                          "path": True},
                         {"exeName": "HelloDebug", "console": True, "vmOptions": ["-Dhello.debug=true"]}]
    c.write("sample/pack.json", json.dumps(pack))
    c.run.pack(os.path.join(sample, "pack.json"), c.path("dist"))
    with zipfile.ZipFile(c.path("dist/HelloApp-1.2.3-win64.zip")) as archive:
        archive.extractall(c.path("My Apps"))
    app = "My Apps/Hello App/"
    expect_equal(sorted(os.listdir(c.path(app))), ["HelloApp.config", "HelloApp.exe", "HelloDebug.config",
                                                   "HelloDebug.exe", "hello.config", "hello.exe", "lib",
                                                   "runtime"], "the unpacked app folder")
    c.mkdir("elsewhere")
    folder = c.win(app[:-1])
    classes = ";".join(folder + "\\lib\\" + jar for jar in ("hello.jar", "greeting.jar", "words.jar"))
    for exe, vm, options, main in (("HelloApp", "javaw", "", "com.example.hello.Main"),
                                   ("hello", "java", "", "com.example.hello.Cli"),
                                   ("HelloDebug", "java", " -Dhello.debug=true", "com.example.hello.Main")):
        exit_code, report = c.launch('"%s"' % c.win(app + exe + ".exe"), app=app + exe + ".exe",
                                     cwd="elsewhere", caption="Error starting Hello App")
        expect_equal((exit_code, report), (0, None), exe + ".exe: exit code and report")
        probe = app + "runtime/bin/%s.exe" % vm
        expect_equal((c.record(probe) or [None])[0],
                     '"%s\\runtime\\bin\\%s.exe" -Xmx256m "-Dhello.home=%s" '
                     '--add-opens=java.base/java.lang=ALL-UNNAMED%s -classpath "%s" %s --greet'
                     % (folder, vm, folder, options, classes, main), exe + ".exe: the VM's command line")
        expect_equal(start_information(c, probe)[:2], (STARTF_TITLEISAPPID, "ExampleLtd.HelloApp"),
                     exe + ".exe: the VM is told the pack's AppUserModelID")
        if os.path.exists(c.path(probe[:-4] + ".record")):
            os.remove(c.path(probe[:-4] + ".record"))
