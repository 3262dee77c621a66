// What the browser tests share: Debian's chromium, headless, through
// playwright-core with a fresh profile folder for every run (playwright
// passes it as --user-data-dir); the management page opened and rendered;
// the command line.
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { chromium } = require("playwright-core");

function launch(profile) {
  return chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    viewport: { width: 1400, height: 1000 },
    ignoreHTTPSErrors: true,
    args: [
      "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
    ],
  });
}

// Runs check(browser) in a fresh chromium, closed and its profile removed
// afterwards.
async function withBrowser(check) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "tsm-chromium-"));
  const browser = await launch(profile);
  try {
    return await check(browser);
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

// Opens the page in a new tab and waits until it has rendered; errors
// collects script errors, console errors and failed responses from then on.
async function openRendered(browser, url) {
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });
  page.on("response", (answer) => { if (answer.status() >= 400) errors.push(`${answer.status()} ${answer.url()}`); });
  const response = await page.goto(url, { waitUntil: "load", timeout: 60000 });
  assert.equal(response.status(), 200, "page status");
  await page.waitForSelector("body[data-rendered]", { timeout: 10000 });
  return { page, errors, response };
}

// The "--name value" pairs of a command line over the given defaults.
function options(argv, defaults) {
  const result = Object.assign({}, defaults);
  for (let i = 2; i < argv.length; i += 2) result[argv[i].replace(/^--/, "")] = argv[i + 1];
  return result;
}

module.exports = { withBrowser, openRendered, options };
