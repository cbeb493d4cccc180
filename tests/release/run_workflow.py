#!/usr/bin/python3
"""Runs the packaging workflow of docs/windows-package.yml as a runner would.

A sample application (tool.config with relative paths, a probe as its VM, a
jar, a brand file) is laid out in a scratch workspace. Every `run` step then
runs with `bash -e -o pipefail`, with the workflow's and the step's env,
the release zip as a file:// URL, throw-away signing secrets made with
openssl, and an RFC 3161 time-stamp server of its own on the loopback
address (openssl ts answers the queries). Left out: the `uses` steps
(GitHub's own actions) and the step that installs Debian packages
(scripts/install-deps.sh installs the same here, on the same Debian 12).

Usage: run_workflow.py RELEASE_ZIP PROBE_EXE
"""

import base64
import hashlib
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import zipfile

import yaml

WORKFLOW = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                        "windows-package.yml")
SKIPPED = {"Install the packaging tools"}
PASSWORD = "throw-away"


def lay_out_app(workspace, probe):
    app = os.path.join(workspace, "build", "windows-app")
    for folder in ("jre/bin", "lib"):
        os.makedirs(os.path.join(app, folder))
    shutil.copyfile(probe, os.path.join(app, "jre", "bin", "javaw.exe"))
    with zipfile.ZipFile(os.path.join(app, "lib", "tool.jar"), "w") as jar:
        jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")
    with open(os.path.join(app, "tool.config"), "w", newline="\r\n") as config:
        config.write("jvm jre\\bin\\javaw.exe\nvmparam -Xmx256m\naddjars lib\n"
                     "mainclass com.example.tool.Main\n")
    os.makedirs(os.path.join(workspace, "packaging"))
    with open(os.path.join(workspace, "packaging", "brand.json"), "w") as brand:
        brand.write('{"productName": "Tool", "companyName": "Example Ltd", "version": "2.1.0.7"}')


def self_signed(folder, name, usage):
    """A throw-away self-signed certificate and key: (certificate file, key file)."""
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + "-key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-subj", "/CN=Example Ltd test " + name, "-days", "2",
                    "-addext", "extendedKeyUsage=critical," + usage], check=True,
                   capture_output=True)
    return cert, key


def signing_certificate(folder):
    """The signing certificate as a base64 .pfx, and its PEM file."""
    cert, key = self_signed(folder, "signing", "codeSigning")
    pfx = os.path.join(folder, "signing.pfx")
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx,
                    "-passout", "pass:" + PASSWORD], check=True, capture_output=True)
    with open(pfx, "rb") as data:
        return base64.b64encode(data.read()).decode(), cert


TSA_CONFIG = """[ tsa ]
default_tsa = local
[ local ]
serial = {folder}/tsa-serial
crypto_device = builtin
signer_cert = {cert}
signer_key = {key}
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def start_time_stamp_server(folder):
    """An RFC 3161 server on 127.0.0.1; returns (the server, its URL, its certificate)."""
    cert, key = self_signed(folder, "tsa", "timeStamping")
    config = os.path.join(folder, "tsa.cnf")
    with open(config, "w") as out:
        out.write(TSA_CONFIG.format(folder=folder, cert=cert, key=key))
    query, reply = os.path.join(folder, "query.tsq"), os.path.join(folder, "reply.tsr")

    class Answer(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            with open(query, "wb") as out:
                out.write(self.rfile.read(int(self.headers["Content-Length"])))
            answered = subprocess.run(["openssl", "ts", "-reply", "-config", config,
                                       "-queryfile", query, "-out", reply],
                                      capture_output=True).returncode == 0
            with open(reply, "rb") if answered else open(os.devnull, "rb") as data:
                body = data.read()
            self.send_response(200 if answered else 500)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *arguments):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Answer)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1], cert


def expand(value, context):
    """Replaces ${{ secrets.X }} and ${{ env.X }} the way the runner does."""
    return re.sub(r"\$\{\{\s*(secrets|env)\.(\w+)\s*\}\}",
                  lambda m: context[m.group(1)][m.group(2)], str(value))


def main():
    release_zip, probe = (os.path.abspath(a) for a in sys.argv[1:3])
    with open(WORKFLOW) as text:
        workflow = yaml.safe_load(text)
    job = workflow["jobs"]["package"]
    if job.get("defaults", {}).get("run", {}).get("shell") != "bash":
        print("FAIL the job's run steps must use bash, as they are tested")
        return 1
    steps = job["steps"]
    with open(release_zip, "rb") as data:
        digest = hashlib.sha256(data.read()).hexdigest()
    with tempfile.TemporaryDirectory() as scratch:
        workspace = os.path.join(scratch, "workspace")
        os.makedirs(workspace)
        lay_out_app(workspace, probe)
        pfx, cert = signing_certificate(scratch)
        server, url, tsa_cert = start_time_stamp_server(scratch)
        trusted = os.path.join(scratch, "trusted.pem")
        with open(trusted, "w") as out, open(cert) as signing, open(tsa_cert) as tsa:
            out.write(signing.read() + tsa.read())
        env = dict(workflow["env"], VELTRANE_ZIP_URL="file://" + release_zip,
                   VELTRANE_ZIP_SHA256=digest, TIMESTAMP_URL=url, VERIFY_CA_FILE=trusted)
        context = {"env": env, "secrets": {"SIGNING_CERT_PFX": pfx,
                                           "SIGNING_CERT_PASSWORD": PASSWORD}}
        # npm install -g goes to the scratch folder, as into the runner's throw-away container.
        npm_global = os.path.join(scratch, "npm-global")
        base = dict(os.environ, GITHUB_WORKSPACE=workspace,
                    WINEPREFIX=os.path.join(scratch, "prefix"), npm_config_prefix=npm_global,
                    PATH=os.path.join(npm_global, "bin") + ":" + os.environ["PATH"], **env)
        try:
            for step in steps:
                name = step.get("name", step.get("uses"))
                if "run" not in step or name in SKIPPED:
                    print("skip %s" % name, flush=True)
                    continue
                step_env = {k: expand(v, context) for k, v in step.get("env", {}).items()}
                # Wine's services would hold a pipe open: the output goes to a file.
                log = os.path.join(scratch, "step.log")
                # As the job's "shell: bash" runs it: bash -e -o pipefail.
                with open(log, "w") as out:
                    status = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", step["run"]],
                                            cwd=workspace, env=dict(base, **step_env),
                                            stdin=subprocess.DEVNULL, stdout=out,
                                            stderr=subprocess.STDOUT).returncode
                print("%s %s" % ("ok  " if status == 0 else "FAIL", name), flush=True)
                if status != 0:
                    with open(log, errors="replace") as out:
                        print(out.read())
                    return 1
        finally:
            server.shutdown()
            subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=base, capture_output=True)
        with zipfile.ZipFile(os.path.join(workspace, "tool-windows.zip")) as app:
            names = set(app.namelist())
        wanted = {"tool.exe", "tool.config", "SHA256SUMS", "jre/bin/javaw.exe", "lib/tool.jar"}
        if not wanted <= names:
            print("FAIL the app zip lacks %s" % sorted(wanted - names))
            return 1
        print("ok   the app zip holds %s" % ", ".join(sorted(names)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
