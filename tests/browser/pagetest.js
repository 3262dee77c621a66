// Loads the management page from the running agent in Debian's chromium
// (headless, through playwright-core) and checks what a person sees: the
// version, every controller row of the machine, the devices the example peers
// report, operation links that lead to the peer's page, the device groups and
// the filter. Saves a screenshot of the page into the output folder.
//
//   node pagetest.js --url http://127.0.0.1:2301/VXA/VXA.htm --machine typical --out DIR
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

const expectations = require("./expected.js");
const { withBrowser, openRendered, options } = require("./launch.js");

// What the page shows, read from the DOM as a person would read the tables.
async function readPage(page) {
  return page.evaluate(() => {
    const text = (node) => (node ? node.textContent.replace(/\s+/g, " ").trim() : "");
    const rows = (id) => Array.from(document.querySelectorAll(`#${id} tbody tr`)).map((row) => ({
      cells: Array.from(row.cells).map(text),
      depth: Number((row.className.match(/depth(\d)/) || [0, 0])[1]),
      links: Array.from(row.querySelectorAll("a.op")).map((a) => ({ text: text(a), href: a.getAttribute("href") })),
    }));
    return {
      version: text(document.getElementById("version")),
      renderMs: window.vxaRenderMs,
      controllers: rows("controllers"),
      others: rows("others"),
      groups: Array.from(document.querySelectorAll("#groups .group")).map((group) => ({
        title: text(group.querySelector("h3")),
        members: Array.from(group.querySelectorAll(".members li")).map(text),
        links: Array.from(group.querySelectorAll("a.op")).map((a) => ({ text: text(a), href: a.getAttribute("href") })),
      })),
      noData: !document.getElementById("nodata").hidden,
    };
  });
}

function checkDevices(seen, expected, label) {
  assert.equal(seen.length, expected.length, `${label}: number of rows`);
  expected.forEach((want, i) => {
    const row = seen[i];
    for (const [column, value] of Object.entries(want.cells)) {
      assert.equal(row.cells[column], value, `${label} row ${i} column ${column}`);
    }
    assert.equal(row.depth, want.depth || 0, `${label} row ${i} nesting`);
    assert.deepEqual(row.links.map((link) => link.text), want.operations, `${label} row ${i} operations`);
    for (const link of row.links) {
      assert.ok(link.href.startsWith("/"), `${label} row ${i}: link ${link.href} is an address on this server`);
    }
    if (want.links) {
      for (const [index, href] of Object.entries(want.links)) {
        assert.equal(row.links[index].href, href, `${label} row ${i} link ${index}`);
      }
    }
  });
}

async function main() {
  const opts = options(process.argv, { url: "http://127.0.0.1:2301/VXA/VXA.htm", machine: "typical", out: "output" });
  const expected = expectations[opts.machine];
  assert.ok(expected, `no expectations for machine ${opts.machine}`);
  fs.mkdirSync(opts.out, { recursive: true });
  await withBrowser(async (browser) => {
    const { page, errors } = await openRendered(browser, opts.url);
    const seen = await readPage(page);
    await page.screenshot({ path: path.join(opts.out, `vxa-${opts.machine}.png`), fullPage: true });
    fs.writeFileSync(path.join(opts.out, `vxa-${opts.machine}.json`), JSON.stringify(seen, null, 2));

    assert.equal(seen.noData, false, "the page received discovery data");
    assert.equal(seen.version, "Version 1.10.3.0");
    assert.ok(seen.renderMs < 1000, `rendered in ${seen.renderMs} ms`);
    if (expected.controllers) checkDevices(seen.controllers, expected.controllers, "controllers");
    if (expected.controllersFromData) {
      const described = await page.evaluate(() =>
        vxaDiscovery.devices.filter((device) => device.cls === "ArrayController").length);
      assert.ok(described > 100, `${described} controllers in the data`);
      assert.equal(seen.controllers.length, described, "one row per controller");
    }
    checkDevices(seen.others, expected.others, "peer devices");
    // A group title ends with its member count; expectations may leave it out.
    assert.equal(seen.groups.length, expected.groups.length, "number of groups");
    expected.groups.forEach((want, i) => {
      const title = seen.groups[i].title;
      assert.ok(title === want.title || title.replace(/ \d+$/, "") === want.title, `group ${i}: ${title}`);
    });
    expected.groups.forEach((want, i) => {
      if (want.members) assert.deepEqual(seen.groups[i].members, want.members, `group ${want.title} members`);
      assert.deepEqual(seen.groups[i].links.map((link) => link.text), want.operations, `group ${want.title} operations`);
      if (want.link) assert.equal(seen.groups[i].links[0].href, want.link, `group ${want.title} link`);
    });

    // The filter narrows the tables to the matching rows.
    if (expected.filter) {
      await page.fill("#filter", expected.filter.text);
      const visible = await page.$$eval("#controllers tbody tr:not([hidden])", (rows) => rows.length);
      assert.equal(visible, expected.filter.controllers, `rows left by the filter "${expected.filter.text}"`);
      await page.fill("#filter", "");
    }

    // An operation link opens the peer's page, which names the operation.
    await Promise.all([page.waitForNavigation(), page.click(`a.op:text("${expected.follow.text}")`)]);
    await page.waitForFunction(() => document.getElementById("operation").textContent !== "");
    assert.equal(await page.textContent("#operation"), expected.follow.operation);
    assert.equal(await page.textContent("#count"), "1");

    assert.deepEqual(errors, [], "no script errors");
    console.log(`page ok: ${seen.controllers.length} controllers, ${seen.others.length} peer devices, ` +
                `${seen.groups.length} groups, rendered in ${seen.renderMs.toFixed(1)} ms; ` +
                `screenshot ${path.join(opts.out, `vxa-${opts.machine}.png`)}`);
  });
}

main().catch((error) => {
  console.error(error.stack || String(error));
  process.exit(1);
});
