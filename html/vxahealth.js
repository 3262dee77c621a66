// Controller health on the management page: the summary at the top, the
// health column of the controller table, the words the filter finds, and the
// controllers that need attention first in a long table. The agent writes
// vxaHealth from the same refresh that produced vxaDiscovery, one entry per
// controller of this machine, in the order of its devices. Texts are set with
// textContent only.
(function () {
  "use strict";

  // A controller table longer than this lists the controllers that need
  // attention first.
  var LONG_TABLE = 10;

  var FACTS = [
    // A failed controller status means its parameters command failed.
    { key: "controller", label: "Controller", name: "controller status", words: { Failed: "command failed" } },
    { key: "cache", label: "Cache", name: "cache status" },
    { key: "battery", label: "Battery", name: "battery status" },
    { key: "redundancy", label: "Redundancy", name: "redundancy status" },
    { key: "firmware", label: "Firmware", name: "firmware version" }
  ];

  // The words for the status values the agent reports; any other value is
  // shown as it stands.
  var WORDS = {
    Ok: "OK",
    OK: "OK",
    Failed: "failed",
    TemporarilyDisabled: "temporarily disabled",
    PermenantlyDisabled: "permanently disabled",
    RunADU: "needs diagnostics"
  };

  var STATES = {
    ok: { word: "OK", icon: "Images/health-ok.svg" },
    attention: { word: "Attention", icon: "Images/health-attention.svg" },
    unknown: { word: "Unknown", icon: "Images/health-unknown.svg" }
  };

  function word(kind, value) {
    return (kind.words && kind.words[value]) || WORDS[value] || trimmed(value);
  }

  function trimmed(text) {
    return String(text || "").replace(/^\s+|\s+$/g, "");
  }

  function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function icon(state) {
    var image = element("img", "health-icon");
    image.src = STATES[state].icon;
    image.alt = STATES[state].word;
    image.width = 16;
    image.height = 16;
    return image;
  }

  function packsText(fact) {
    var packs = trimmed(fact.packs);
    if (!packs) return "";
    return " (" + packs + (packs === "1" ? " pack)" : " packs)");
  }

  // One fact as the table shows it: "Battery failed (2 packs)".
  function factText(kind, fact) {
    var value;
    if (fact.state === "absent") value = "none";
    else if (fact.state === "unknown") value = "Unknown";
    else if (kind.key === "firmware") value = trimmed(fact.value);
    else value = word(kind, fact.value);
    return kind.label + " " + value + (kind.key === "battery" && fact.state !== "absent" ? packsText(fact) : "");
  }

  // What needs attention on one controller, in words: "battery failed (2
  // packs)", "controller command failed", "cache status, firmware version
  // unknown".
  function problems(entry) {
    var found = [];
    var unknown = [];
    FACTS.forEach(function (kind) {
      var fact = entry[kind.key];
      if (fact.state === "attention") {
        found.push(kind.label.toLowerCase() + " " + word(kind, fact.value) + (kind.key === "battery" ? packsText(fact) : ""));
      } else if (fact.state === "unknown") {
        unknown.push(kind.name);
      }
    });
    if (unknown.length) found.push(unknown.join(", ") + " unknown");
    return found;
  }

  // A health entry with every fact present; a fact the data lacks, or whose
  // state is not one the page knows, reads unknown.
  function normalised(entry) {
    var result = { where: trimmed(entry.where) };
    FACTS.forEach(function (kind) {
      var fact = entry[kind.key] || {};
      var state = ["ok", "attention", "unknown", "absent"].indexOf(fact.state) >= 0 ? fact.state : "unknown";
      result[kind.key] = { state: state, value: String(fact.value || ""), packs: String(fact.packs || "") };
    });
    var states = FACTS.map(function (kind) { return result[kind.key].state; });
    result.state = states.indexOf("attention") >= 0 ? "attention" : states.indexOf("unknown") >= 0 ? "unknown" : "ok";
    result.problems = problems(result);
    return result;
  }

  function matches(entry, device) {
    return entry.name === device.name && entry.inst === device.inst && entry.at === device.at;
  }

  // Gives each array controller its health: the machine's own controllers
  // come first among the devices, in the order of the health entries; a
  // controller without an entry (another application's, or any when the page
  // has no health data) has none. Returns the devices in table order and
  // what the summary needs.
  function attach(devices, data) {
    var entries = data && Array.isArray(data.controllers) ? data.controllers : null;
    var view = { delivered: !!entries, local: [], foreign: 0, devices: devices, reordered: false };
    var next = 0;
    devices.forEach(function (device) {
      if (device.cls !== "ArrayController") return;
      if (entries && next < entries.length && matches(entries[next], device)) {
        device.health = normalised(entries[next++]);
        view.local.push(device);
      } else {
        device.health = null;
        view.foreign++;
      }
    });
    if (view.local.length + view.foreign > LONG_TABLE) {
      var rank = function (device) {
        if (!device.health) return 2;
        return device.health.state === "attention" ? 0 : device.health.state === "unknown" ? 1 : 2;
      };
      view.devices = devices.map(function (device, index) { return { device: device, index: index }; })
        .sort(function (a, b) { return rank(a.device) - rank(b.device) || a.index - b.index; })
        .map(function (item) { return item.device; });
      view.reordered = view.devices.some(function (device, index) { return device !== devices[index]; });
    }
    return view;
  }

  // Words the filter matches: "healthy", or the state and what needs
  // attention ("attention battery failed"). No numbers, so that a filter such
  // as "slot 3" still finds only the controller in slot 3.
  function words(device) {
    var health = device.health;
    if (health === undefined) return "";
    if (!health) return "health unknown";
    if (health.state === "ok") return "healthy";
    var parts = [STATES[health.state].word];
    FACTS.forEach(function (kind) {
      var fact = health[kind.key];
      if (fact.state === "attention") parts.push(kind.label, word(kind, fact.value));
      else if (fact.state === "unknown") parts.push(kind.name, "unknown");
    });
    return parts.join(" ").toLowerCase();
  }

  function healthCell(cell, health) {
    // Other applications' controllers can be hundreds: one text each.
    if (!health) {
      cell.classList.add("health-foreign");
      cell.textContent = "Unknown: not reported by this agent";
      return;
    }
    var head = element("span", "health-state " + health.state);
    head.appendChild(icon(health.state));
    head.appendChild(element("span", "health-word", STATES[health.state].word));
    cell.appendChild(head);
    var list = element("ul", "health-facts");
    FACTS.forEach(function (kind) {
      var fact = health[kind.key];
      list.appendChild(element("li", fact.state, factText(kind, fact)));
    });
    cell.appendChild(list);
  }

  // Fills the health column (the last cell of each row) and marks the rows
  // that need attention; rows and devices are in the same order.
  function fillColumn(rows, devices) {
    for (var i = 0; i < rows.length && i < devices.length; i++) {
      var health = devices[i].health;
      if (health === undefined) continue;
      healthCell(rows[i].cells[rows[i].cells.length - 1], health);
      if (health && health.state !== "ok") rows[i].classList.add("health-" + health.state);
      devices[i].rowId = rows[i].id;
    }
  }

  function headline(view, needing) {
    var count = view.local.length;
    if (!view.delivered) return "Controller health unknown";
    if (!count) return "No array controllers on this machine";
    if (needing.length) return needing.length + (needing.length === 1 ? " needs attention" : " need attention");
    return count === 1 ? "1 controller OK" : "All " + count + " controllers OK";
  }

  function problemItem(device) {
    var item = element("li", "health-problem " + device.health.state);
    item.appendChild(icon(device.health.state));
    var link = element("a", "", device.health.where || "Array controller");
    link.href = "#" + device.rowId;
    item.appendChild(link);
    item.appendChild(document.createTextNode(": " + device.health.problems.join("; ")));
    return item;
  }

  // The summary at the top: a status region named by its headline, each
  // controller that needs attention with what and where, linked to its row.
  function showSummary(section, view) {
    var needing = view.local.filter(function (device) { return device.health.state !== "ok"; });
    var failing = needing.some(function (device) { return device.health.state === "attention"; });
    var state = !view.delivered ? "unknown" : failing ? "attention" : needing.length ? "unknown" : "ok";
    var text = headline(view, needing);
    section.textContent = "";
    section.className = "health " + state;
    var head = element("p", "health-headline");
    head.appendChild(icon(state));
    var link = element("a", "", text);
    link.href = "#controllers-title";
    head.appendChild(link);
    section.appendChild(head);
    if (needing.length) {
      var list = element("ul", "health-problems");
      needing.forEach(function (device) { list.appendChild(problemItem(device)); });
      section.appendChild(list);
    }
    var notes = [];
    if (!view.delivered) notes.push("The agent delivered no health data with this page.");
    if (view.delivered && view.foreign) {
      notes.push(view.foreign + (view.foreign === 1 ? " array controller" : " array controllers") +
                 " reported by other applications: health not known here.");
    }
    if (view.reordered) notes.push("Controllers that need attention are listed first.");
    if (notes.length) section.appendChild(element("p", "health-note", notes.join(" ")));
    section.setAttribute("aria-label", "Controller health: " + text);
    section.hidden = false;
  }

  window.vxaHealthView = {
    attach: attach,
    words: words,
    fillColumn: fillColumn,
    showSummary: showSummary
  };
})();
