#!/usr/bin/python3
"""Runs the packaging workflow of docs/windows-package.yml as a runner would.

A sample application (a jar with a Main-Class, a pack file whose "runtime"
links from a Windows JDK at an address with its sha256) is laid out in a
scratch workspace; the JDK is the synthetic one of tests/support/windows-jdk.sh
(the e2e probe as its javaw.exe), served from a loopback server, and
veltrane-pack's cache is in the scratch folder.
Every `run` step whose `if:` holds then runs with `bash -e -o pipefail`, with
the workflow's, the job's and the step's env, RUNNER_TEMP and GITHUB_PATH as
a runner sets them, and the release zip as a file:// URL. The workflow runs
twice: without signing secrets (nothing signed), and with throw-away ones
made with openssl and an RFC 3161 time-stamp server of its own on the
loopback address (openssl ts answers the queries); the exe in the folder and
in the zip and the MSI then pass osslsigncode verify. The second run's pack
file names an absolute VM path instead of a runtime. Left out: the
`uses` steps (GitHub's own actions) and the step that installs Debian
packages (scripts/install-deps.sh installs the same here, on the same
Debian 12).

Usage: run_workflow.py RELEASE_ZIP PROBE_EXE
"""

import base64
import hashlib
import http.server
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import zipfile

import yaml

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from java_class import class_entry, main_class_file  # noqa: E402

WORKFLOW = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                        "windows-package.yml")
SKIPPED = {"Install the packaging tools"}
PASSWORD = "throw-away"


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """A request handler that keeps the test's output free of access lines."""

    def log_message(self, *arguments):
        pass


def serve(handler):
    """Serves on an ephemeral loopback port from a thread of this process: (server, port)."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, server.server_address[1]


def lay_out_app(workspace, jdk, runtime):
    """The jar, and a runtime from a JDK's address or an absolute VM path, and the pack file."""
    build = os.path.join(workspace, "build")
    os.makedirs(build, exist_ok=True)
    with zipfile.ZipFile(os.path.join(build, "tool.jar"), "w") as jar:
        jar.writestr("META-INF/MANIFEST.MF",
                     "Manifest-Version: 1.0\r\nMain-Class: com.example.tool.Main\r\n\r\n")
        jar.writestr(class_entry("com.example.tool.Main"), main_class_file("com.example.tool.Main"))
    os.makedirs(os.path.join(workspace, "packaging"), exist_ok=True)
    pack = {"name": "Tool", "vendor": "Example Ltd", "version": "2.1.0",
            "mainJar": "../build/tool.jar", "shortcuts": {"desktop": True},
            "fileAssociations": [{"extension": "tdoc", "description": "Tool document"}]}
    pack.update({"runtime": jdk} if runtime else {"jvm": "C:\\Java\\bin\\javaw.exe"})
    with open(os.path.join(workspace, "packaging", "pack.json"), "w") as out:
        json.dump(pack, out)


def start_jdk_server(probe):
    """A loopback server of the synthetic Windows JDK's zip; returns (the server,
    the "runtime" recipe that names it)."""
    repository = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    zip_file = subprocess.run([os.path.join(repository, "tests", "support", "windows-jdk.sh"), probe],
                              check=True, capture_output=True, text=True).stdout.strip()
    with open(zip_file, "rb") as data:
        body = data.read()

    class Answer(QuietHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server, port = serve(Answer)
    return server, {"jdk": "http://127.0.0.1:%d/%s" % (port, os.path.basename(zip_file)),
                    "sha256": hashlib.sha256(body).hexdigest()}


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

    class Answer(QuietHandler):
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

    server, port = serve(Answer)
    return server, "http://127.0.0.1:%d/" % port, cert


def expand(value, context):
    """Replaces ${{ secrets.X }}, ${{ env.X }} and ${{ secrets.X != '' }} as the runner does."""
    def value_of(match):
        found = context[match.group(1)].get(match.group(2), "")
        return ("true" if found != "" else "false") if match.group(3) else found
    return re.sub(r"\$\{\{\s*(secrets|env)\.(\w+)\s*(!= '')?\s*\}\}", value_of, str(value))


def condition_holds(condition, env):
    """The `if:` forms the workflow uses: env.X == 'v' and env.X != 'v'."""
    if condition is None:
        return True
    match = re.fullmatch(r"\s*env\.(\w+)\s*(==|!=)\s*'([^']*)'\s*", condition)
    if not match:
        raise SystemExit("FAIL run_workflow.py cannot evaluate if: %s" % condition)
    equal = env.get(match.group(1), "") == match.group(3)
    return equal if match.group(2) == "==" else not equal


def run_steps(workflow, workspace, scratch, env, context):
    """Runs the job's run steps; returns True when all pass."""
    job = workflow["jobs"]["package"]
    runner_temp = os.path.join(scratch, "runner-temp")
    os.makedirs(runner_temp)
    github_path = os.path.join(scratch, "github-path")
    open(github_path, "w").close()
    job_env = {k: expand(v, context) for k, v in job.get("env", {}).items()}
    base = dict(os.environ, GITHUB_WORKSPACE=workspace, RUNNER_TEMP=runner_temp,
                GITHUB_PATH=github_path, WINEPREFIX=os.path.join(scratch, "prefix"), **env,
                **job_env)
    for step in job["steps"]:
        name = step.get("name", step.get("uses"))
        if "run" not in step or name in SKIPPED or not condition_holds(step.get("if"), base):
            print("skip %s" % name, flush=True)
            continue
        step_env = {k: expand(v, context) for k, v in step.get("env", {}).items()}
        with open(github_path) as added:
            path = ":".join(line.strip() for line in reversed(added.readlines()) if line.strip())
        log = os.path.join(scratch, "step.log")
        # Output to a file, and as the job's "shell: bash" runs it: bash -e -o pipefail.
        with open(log, "w") as out:
            status = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", step["run"]],
                                    cwd=workspace, env=dict(base, **step_env, PATH=(
                                        path + ":" if path else "") + base["PATH"]),
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT).returncode
        print("%s %s" % ("ok  " if status == 0 else "FAIL", name), flush=True)
        if status != 0:
            with open(log, errors="replace") as out:
                print(out.read())
            return False
    return True


def signed(file, trusted):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", trusted, "-TSA-CAfile", trusted,
                           "-in", file], capture_output=True).returncode == 0


def check_outputs(workspace, trusted, signing):
    """The zip and the MSI are there, signed or not as the secrets say."""
    dist = os.path.join(workspace, "dist")
    zip_file, msi = (os.path.join(dist, "Tool-2.1.0-win64." + kind) for kind in ("zip", "msi"))
    if not (os.path.isfile(zip_file) and os.path.isfile(msi)):
        print("FAIL the zip or the MSI is missing: %s" % sorted(os.listdir(dist)))
        return False
    unzipped = os.path.join(workspace, "unzipped")
    with zipfile.ZipFile(zip_file) as app:
        app.extractall(unzipped)
    files = {"folder": os.path.join(dist, "Tool", "Tool.exe"),
             "zip": os.path.join(unzipped, "Tool", "Tool.exe"), "MSI": msi}
    results = {what: signed(file, trusted) for what, file in files.items()}
    if set(results.values()) != {signing}:
        print("FAIL signed (wanted %s): %s" % (signing, results))
        return False
    print("ok   the zip and the MSI, %s" % ("signed: the exe in the folder and in the zip, and "
                                            "the MSI" if signing else "unsigned"))
    return True


def main():
    release_zip, probe = (os.path.abspath(a) for a in sys.argv[1:3])
    with open(WORKFLOW) as text:
        workflow = yaml.safe_load(text)
    if workflow["jobs"]["package"].get("defaults", {}).get("run", {}).get("shell") != "bash":
        print("FAIL the job's run steps must use bash, as they are tested")
        return 1
    with open(release_zip, "rb") as data:
        digest = hashlib.sha256(data.read()).hexdigest()
    with tempfile.TemporaryDirectory() as keys:
        pfx, cert = signing_certificate(keys)
        server, url, tsa_cert = start_time_stamp_server(keys)
        jdk_server, jdk = start_jdk_server(probe)
        trusted = os.path.join(keys, "trusted.pem")
        with open(trusted, "w") as out, open(cert) as signing, open(tsa_cert) as tsa:
            out.write(signing.read() + tsa.read())
        try:
            for secrets in ({}, {"SIGNING_CERT_PFX": pfx, "SIGNING_CERT_PASSWORD": PASSWORD}):
                print("== %s" % ("with signing secrets" if secrets else "without signing secrets"))
                with tempfile.TemporaryDirectory() as scratch:
                    workspace = os.path.join(scratch, "workspace")
                    lay_out_app(workspace, jdk, runtime=not secrets)
                    env = dict(workflow["env"], VELTRANE_ZIP_URL="file://" + release_zip,
                               VELTRANE_ZIP_SHA256=digest, TIMESTAMP_URL=url,
                               VERIFY_CA_FILE=trusted,
                               VELTRANE_CACHE=os.path.join(scratch, "veltrane-cache"))
                    context = {"env": env, "secrets": secrets}
                    if not (run_steps(workflow, workspace, scratch, env, context) and
                            check_outputs(workspace, trusted, bool(secrets))):
                        return 1
        finally:
            server.shutdown()
            jdk_server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
