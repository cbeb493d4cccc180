"""veltrane-pack: a packed app unzipped and started."""

import os
import subprocess
import zipfile

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
