// Loads the management page of a running agent in Debian's chromium and
// checks the controllers' health as a person and a screen reader get it: the
// summary at the top (its text, and its role, name and content in Chromium's
// accessibility tree, reached with the keyboard), each row's health mark (a
// word and an icon with a text alternative), the filter on health words and,
// on a long table, the controllers that need attention first. Saves a
// screenshot into the output folder.
//
//   node healthtest.js --url http://127.0.0.1:2301/VXA/VXA.htm --machine faults --out DIR
"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

const { withBrowser, openRendered, options } = require("./launch.js");

const expectations = {
  // tests/browser/machines/health-faults.xml
  faults: {
    headline: "4 need attention",
    problems: [
      "Tarvion ArrayLine 210 in Slot 1: battery failed (2 packs)",
      "Tarvion ArrayLine 210 in Slot 2: cache permanently disabled",
      "Tarvion ArrayLine 210 in Slot 4: cache status, battery status, firmware version unknown",
      "Tarvion ArrayLine 220 in Slot 3: controller command failed",
    ],
    // Health cell of each row, in table order.
    rows: [
      ["OK", "Controller OK · Cache OK · Battery OK (1 pack) · Redundancy none · Firmware 5.10"],
      ["Attention", "Controller OK · Cache OK · Battery failed (2 packs) · Redundancy none · Firmware 4.10"],
      ["Attention", "Controller OK · Cache permanently disabled · Battery OK (1 pack) · Redundancy none · Firmware 4.12"],
      ["Unknown", "Controller OK · Cache Unknown · Battery Unknown · Redundancy none · Firmware Unknown"],
      ["Attention", "Controller command failed · Cache OK · Battery OK (2 packs) · Redundancy none · Firmware 1.66"],
    ],
    filters: [
      { text: "failed", rows: ["Slot 1", "Slot 3"] },
      { text: "battery", rows: ["Slot 1", "Slot 4"] },
    ],
  },
  // tests/browser/machines/healthy.xml
  healthy: {
    headline: "All 4 controllers OK",
    problems: [],
    rows: [
      ["OK", "Controller OK · Cache OK · Battery OK (1 pack) · Redundancy none · Firmware 5.10"],
      ["OK", "Controller OK · Cache none · Battery none · Redundancy none · Firmware 3.08"],
      ["OK", "Controller OK · Cache OK · Battery OK (2 packs) · Redundancy none · Firmware 2.84"],
      ["OK", "Controller OK · Cache OK · Battery OK (2 packs) · Redundancy OK · Firmware 1.66"],
    ],
    filters: [{ text: "failed", rows: [] }],
  },
  // sim/machines/large.xml with the Fleet peer's controllers: a long table,
  // so the controllers that need attention come first.
  large: { problemsFirst: true, foreign: 400 },
};

// The summary and the controller rows as the page shows them.
async function readHealth(page) {
  return page.evaluate(() => {
    const text = (node) => (node ? node.textContent.replace(/\s+/g, " ").trim() : "");
    const section = document.getElementById("health");
    return {
      hidden: section.hidden,
      headline: text(section.querySelector(".health-headline")),
      problems: Array.from(section.querySelectorAll(".health-problem")).map(text),
      note: text(section.querySelector(".health-note")),
      rows: Array.from(document.querySelectorAll("#controllers tbody tr")).map((row) => {
        const cell = row.querySelector("td.health-cell");
        return {
          where: text(row.querySelector("td.where")),
          marked: row.classList.contains("health-attention") || row.classList.contains("health-unknown"),
          word: text(cell.querySelector(".health-word")),
          icon: (cell.querySelector("img") || {}).alt,
          facts: Array.from(cell.querySelectorAll(".health-facts li")).map(text).join(" · ") ||
                 text(cell.querySelector(".health-facts")),
          hidden: row.hidden,
        };
      }),
    };
  });
}

// The status region as Chromium's accessibility tree exposes it: its name
// and every text a screen reader reads inside it.
async function accessibleSummary(page) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send("Accessibility.enable");
  const { nodes } = await cdp.send("Accessibility.getFullAXTree");
  const byId = new Map(nodes.map((node) => [node.nodeId, node]));
  const regions = nodes.filter((node) => !node.ignored && node.role && node.role.value === "status");
  assert.equal(regions.length, 1, "one status region");
  const texts = [];
  const walk = (node) => {
    if (!node.ignored && node.role && ["StaticText", "image"].includes(node.role.value) && node.name) {
      texts.push(node.name.value);
    }
    for (const id of node.childIds || []) if (byId.has(id)) walk(byId.get(id));
  };
  walk(regions[0]);
  await cdp.detach();
  const text = texts.join(" ").replace(/\s+/g, " ").replace(/ :/g, ":");
  return { name: regions[0].name ? regions[0].name.value : "", text };
}

// Tabbing from the top of the page reaches the summary within a few steps.
async function tabsToSummary(page) {
  await page.evaluate(() => document.activeElement && document.activeElement.blur());
  for (let step = 1; step <= 5; step++) {
    await page.keyboard.press("Tab");
    if (await page.evaluate(() => !!document.activeElement.closest("#health"))) return step;
  }
  return 0;
}

async function checkSummary(page, seen, expected) {
  assert.equal(seen.hidden, false, "the summary is shown");
  assert.equal(seen.headline, expected.headline);
  assert.deepEqual(seen.problems, expected.problems, "what needs attention, and where");
  const spoken = await accessibleSummary(page);
  assert.equal(spoken.name, `Controller health: ${expected.headline}`, "the region's accessible name");
  for (const problem of expected.problems) {
    assert.ok(spoken.text.includes(problem), `read aloud: ${problem} in "${spoken.text}"`);
  }
  assert.ok(spoken.text.includes(expected.problems.length ? "Attention" : "OK"), "the icon's text alternative");
  assert.ok(await tabsToSummary(page) > 0, "the summary is reached with the Tab key");
}

function checkRows(seen, expected) {
  assert.deepEqual(seen.rows.map((row) => [row.word, row.facts]), expected.rows, "health column");
  for (const row of seen.rows) {
    assert.equal(row.icon, row.word, `${row.where}: icon with its text alternative`);
    assert.equal(row.marked, row.word !== "OK", `${row.where}: row marked`);
  }
}

async function checkFilters(page, expected) {
  for (const filter of expected.filters) {
    await page.fill("#filter", filter.text);
    const rows = (await readHealth(page)).rows.filter((row) => !row.hidden).map((row) => row.where);
    assert.deepEqual(rows, filter.rows, `rows left by the filter "${filter.text}"`);
  }
  await page.fill("#filter", "");
}

function checkProblemsFirst(seen, expected) {
  const marked = seen.rows.map((row) => row.marked);
  assert.ok(marked[0], "the first row needs attention");
  assert.equal(marked.indexOf(false), marked.filter(Boolean).length, "every marked row before the others");
  assert.ok(seen.note.includes(`${expected.foreign} array controllers reported by other applications`), seen.note);
  assert.ok(seen.note.includes("Controllers that need attention are listed first."), seen.note);
  assert.ok(/^\d+ need attention$/.test(seen.headline), seen.headline);
}

async function main() {
  const opts = options(process.argv, { url: "http://127.0.0.1:2301/VXA/VXA.htm", machine: "faults", out: "output" });
  const expected = expectations[opts.machine];
  assert.ok(expected, `no expectations for machine ${opts.machine}`);
  fs.mkdirSync(opts.out, { recursive: true });
  await withBrowser(async (browser) => {
    const { page, errors } = await openRendered(browser, opts.url);
    const shot = path.join(opts.out, `vxa-health-${opts.machine}.png`);
    await page.screenshot({ path: shot, fullPage: !expected.problemsFirst });
    const seen = await readHealth(page);
    fs.writeFileSync(path.join(opts.out, `vxa-health-${opts.machine}.json`), JSON.stringify(seen, null, 2));

    if (expected.problemsFirst) {
      checkProblemsFirst(seen, expected);
    } else {
      await checkSummary(page, seen, expected);
      checkRows(seen, expected);
      await checkFilters(page, expected);
    }
    assert.deepEqual(errors, [], "no script errors");
    console.log(`health ok on ${opts.machine}: "${seen.headline}", ${seen.rows.length} rows; screenshot ${shot}`);
  });
}

main().catch((error) => {
  console.error(error.stack || String(error));
  process.exit(1);
});
