// Debian's chromium, headless, through playwright-core, with a fresh profile
// folder for every run (playwright passes it as --user-data-dir).
"use strict";

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

// The "--name value" pairs of a command line over the given defaults.
function options(argv, defaults) {
  const result = Object.assign({}, defaults);
  for (let i = 2; i < argv.length; i += 2) result[argv[i].replace(/^--/, "")] = argv[i + 1];
  return result;
}

module.exports = { launch, options };
