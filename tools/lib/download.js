// Downloading a JDK once: into the cache under a temporary name, hashed as
// it arrives, renamed to its sha256's name only when the sum matches. The
// address must be https; plain http only to this machine (a loopback
// address), where nothing travels over a network.
import crypto from "node:crypto";
import fs from "node:fs";
import http from "node:http";
import https from "node:https";
import path from "node:path";
import { performance } from "node:perf_hooks";

import { cachedEntry } from "./cache.js";
import { ToolError } from "./errors.js";
import { formatSize } from "./pack-summary.js";

const LOOPBACK = /^(127(\.\d{1,3}){3}|\[::1\]|localhost)$/i;
const REDIRECTS = 5;

// Why an address cannot be downloaded from, or null when it can.
export function addressProblem(address) {
  let url;
  try {
    url = new URL(address);
  } catch {
    return "is not an address";
  }
  if (url.protocol === "https:") return null;
  if (url.protocol === "http:" && LOOPBACK.test(url.hostname)) return null;
  return "must be an https:// address";
}

function get(address, redirects = REDIRECTS) {
  return new Promise((resolve, reject) => {
    const client = address.startsWith("https:") ? https : http;
    const request = client.get(address, { headers: { "user-agent": "veltrane-pack" } }, (response) => {
      const { statusCode, headers } = response;
      if (statusCode >= 300 && statusCode < 400 && headers.location) {
        response.resume();
        const next = new URL(headers.location, address).href;
        if (redirects === 0 || addressProblem(next)) {
          reject(new Error(`redirected to ${next}, which is not followed`));
        } else resolve(get(next, redirects - 1));
      } else if (statusCode !== 200) {
        response.resume();
        reject(new Error(`the server answered ${statusCode} ${response.statusMessage || ""}`.trim()));
      } else resolve(response);
    });
    request.on("error", reject);
  });
}

// Shows progress on a terminal once a download takes more than a second.
function progressShower(total, stream = process.stdout) {
  const started = performance.now();
  let shown = 0;
  return {
    update(received, done = false) {
      const seconds = (performance.now() - started) / 1000;
      if (!stream.isTTY || seconds < 1 || (!done && seconds - shown < 0.2)) return;
      shown = seconds;
      const of = total ? ` of ${formatSize(total)}` : "";
      stream.write(`\r  ${formatSize(received)}${of}, ${formatSize(received / seconds)}/s   ${done ? "\n" : ""}`);
    },
  };
}

async function receive(address, file) {
  const response = await get(address);
  const total = Number(response.headers["content-length"]) || 0;
  const progress = progressShower(total);
  const hash = crypto.createHash("sha256");
  const out = fs.createWriteStream(file);
  let received = 0;
  await new Promise((resolve, reject) => {
    response.on("data", (chunk) => {
      hash.update(chunk);
      received += chunk.length;
      progress.update(received);
    });
    response.on("error", reject);
    response.on("aborted", () => reject(new Error("the connection was closed early")));
    out.on("error", reject);
    out.on("finish", resolve);
    response.pipe(out);
  });
  progress.update(received, true);
  if (total && received !== total) throw new Error(`got ${received} of ${total} bytes`);
  return { sha256: hash.digest("hex"), received };
}

// The cached download of address whose sha256 must be sha256; downloads it
// when it is not in the cache yet. where names the setting in messages.
export async function downloadedFile(address, sha256, cacheFolder, where, log) {
  return cachedEntry(path.join(cacheFolder, "downloads"), `${sha256}.zip`, async (temporary) => {
    log(`downloading ${address}`);
    const started = performance.now();
    let got;
    try {
      got = await receive(address, temporary);
    } catch (error) {
      throw new ToolError(`${where}: cannot download ${address}: ${error.code || error.message}`);
    }
    if (got.sha256 !== sha256) {
      throw new ToolError(`${where}: the download of ${address} has sha256 ${got.sha256}, not the ` +
        `"sha256" given, ${sha256}: nothing was kept`);
    }
    log(`downloaded ${formatSize(got.received)} in ${((performance.now() - started) / 1000).toFixed(1)} s`);
  });
}
