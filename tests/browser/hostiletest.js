// A peer that tries to put script into the management page: operation links
// of its own devices with javascript:, data:, off-site and look-alike
// addresses, and device names that hold "</script>" and a line separator.
// Writes that peer into a web application folder, or loads the page from the
// running agent in headless chromium and checks that only local paths became
// links, that the names show as text and that no script of the peer ran.
//
//   node hostiletest.js --write <webapps folder>
//   node hostiletest.js --url http://127.0.0.1:2301/VXA/VXA.htm --out DIR
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

const { withBrowser, openRendered, options } = require("./launch.js");
const { writePeerApplication } = require("./peerapp.js");

// Links as the peer writes them, and whether the page may make them clickable.
const links = [
  ["javascript:document.title='X'+document.domain", false],
  ["JavaScript:document.title='X'", false],
  [" javascript:document.title='X'", false],
  ["data:text/html,<script>document.title='X'</script>", false],
  ["//evil.example/steal", false],
  ["/\\evil.example/steal", false],
  ["http://evil.example/steal", false],
  ["/Hostile/op\tpage.htm", false],
  ["/Hostile/local.htm?Operation=Fine", true],
];
const scriptName = "Cage</script><script>document.title='X'</script>";
const separatorName = "Shelf\u2028" + "two\u2029lines";

function escapeXml(text) {
  return text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/\t/g, "&#9;");
}

function writePeer(webapps) {
  const operations = links.map(([link], i) =>
    `<Operation><Name>Op${i}</Name><Link>${escapeXml(link)}</Link></Operation>`).join("");
  const device = (name, slot) =>
    `<Device><Name>${escapeXml(name)}</Name><Type><PCI><SubsystemVendorID>0xF1A7</SubsystemVendorID>` +
    `</PCI></Type><Class><Enclosure/></Class><Instance><Slot>${slot}</Slot></Instance>` +
    `<Operations>${operations}</Operations></Device>`;
  writePeerApplication(path.join(webapps, "Hostile"), { name: "Hostile", requestPage: "local.htm",
                       discoveryName: "hostile.xml", devices: [device(scriptName, 901), device(separatorName, 902)] });
}

async function checkPage(url, out) {
  await withBrowser(async (browser) => {
    const { page, errors, response } = await openRendered(browser, url);
    for (const header of ["content-security-policy", "x-frame-options", "x-content-type-options", "referrer-policy"]) {
      assert.ok(response.headers()[header], `the page carries ${header}`);
    }
    await page.screenshot({ path: path.join(out, "vxa-hostile.png"), fullPage: true });
    const seen = await page.evaluate(() => ({
      title: document.title,
      hrefs: Array.from(document.querySelectorAll("a[href]")).map((a) => a.getAttribute("href")),
      names: Array.from(document.querySelectorAll("#others tbody tr .name")).map((cell) => cell.textContent),
      withheld: Array.from(document.querySelectorAll("#others span.op.withheld")).map((span) => span.title),
    }));
    assert.equal(seen.title, "Tarvion Storage Manager", "no script of the peer ran");
    // Every anchor is a path on this server or a place on the page.
    for (const href of seen.hrefs) {
      assert.ok(/^\/[^/\\]/.test(href) || href.startsWith("#") || href === "VXA.htm", `anchor ${JSON.stringify(href)}`);
      assert.ok(!/[\u0000-\u001f]/.test(href), `anchor ${JSON.stringify(href)} holds a control character`);
    }
    const local = links.filter(([, clickable]) => clickable).map(([link]) => link);
    assert.equal(seen.hrefs.filter((href) => href.startsWith("/Hostile/")).length, local.length * 2,
                 "the local link of each hostile device stays clickable");
    assert.equal(seen.withheld.length, (links.length - local.length) * 2, "every other link is withheld");
    assert.ok(seen.withheld.every((title) => /link withheld/.test(title)), "withheld links say so");
    assert.ok(seen.names.includes(scriptName), `the script-like name shows as text: ${JSON.stringify(seen.names)}`);
    assert.ok(seen.names.includes(separatorName), "the name with line separators shows as text");
    assert.deepEqual(errors, [], "no script errors");
    console.log(`hostile peer ok: ${seen.hrefs.length} anchors, all local; ${seen.withheld.length} links withheld`);
  });
}

if (process.argv[2] === "--write") {
  writePeer(process.argv[3]);
} else {
  const opts = options(process.argv, { url: "http://127.0.0.1:2301/VXA/VXA.htm", out: "output" });
  fs.mkdirSync(opts.out, { recursive: true });
  checkPage(opts.url, opts.out).catch((error) => {
    console.error(error.stack || String(error));
    process.exit(1);
  });
}
