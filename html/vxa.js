// Management page: renders the discovery data that the agent writes into the
// page (vxaDiscovery) as the controller table, the table of devices that other
// applications report, and the device groups with their operations.
(function () {
  "use strict";

  var started = performance.now();
  var strings = window.vxaStrings || { models: {}, fields: {}, instances: {}, classes: {} };

  function html(text) {
    return String(text).replace(/[&<>"']/g, function (c) {
      return { "&": "&amp;", "<": "&lt;", ">": "&gt;", "\"": "&quot;", "'": "&#39;" }[c];
    });
  }

  // The stylesheet writes backslash, double quote, less-than, tab, line feed
  // and carriage return as the private-use characters U+E000 to U+E005.
  var restored = ["\\", "\"", "<", "\t", "\n", "\r"];

  function restore(value) {
    if (typeof value === "string") {
      return value.replace(/[\uE000-\uE005]/g, function (c) { return restored[c.charCodeAt(0) - 0xE000]; });
    }
    if (value && typeof value === "object") {
      for (var key in value) {
        if (Object.prototype.hasOwnProperty.call(value, key)) value[key] = restore(value[key]);
      }
    }
    return value;
  }

  function trimmed(text) {
    return String(text || "").replace(/^\s+|\s+$/g, "");
  }

  function displayName(name) {
    var known = strings.models[name];
    return known || trimmed(name) || "Unnamed device";
  }

  function classLabel(cls) {
    return strings.classes[cls] || cls.replace(/([a-z])([A-Z])/g, "$1 $2");
  }

  function isController(device) {
    return device.cls === "ArrayController";
  }

  function attribute(device, name) {
    for (var i = 0; i < device.attrs.length; i++) {
      if (device.attrs[i][0] === name) return device.attrs[i][1];
    }
    return "";
  }

  // Identifier fields keep their inner blanks (a device number is padded
  // with blanks), so they are shown in a preformatted span.
  function fieldsHtml(fields) {
    var parts = [];
    for (var i = 0; i < fields.length; i++) {
      var label = strings.fields[fields[i][0]] || fields[i][0];
      parts.push("<span class=\"field\" title=\"" + html(fields[i][0]) + "\"><span class=\"label\">" + html(label) +
                 "</span> <span class=\"value\">" + html(fields[i][1].replace(/\s+$/, "")) + "</span></span>");
    }
    return parts.join(" ");
  }

  function locationText(device) {
    if (!device.inst) return "";
    return (strings.instances[device.inst] || device.inst) + " " + trimmed(device.at);
  }

  function locationHtml(device) {
    if (!device.inst) return "<span class=\"muted\">unknown</span>";
    return "<span class=\"label\" title=\"" + html(device.inst) + "\">" +
           html(strings.instances[device.inst] || device.inst) + "</span> <span class=\"value\">" +
           html(trimmed(device.at)) + "</span>";
  }

  function appName(op) {
    return trimmed(op.appName) || trimmed(op.app);
  }

  // Operation names are identifiers such as "UpdateFirmware"; the label
  // separates their words.
  function operationLabel(name) {
    return trimmed(name).replace(/([a-z0-9])([A-Z])/g, "$1 $2") || "Operation";
  }

  // Links come from other applications' documents as they wrote them. Only a
  // path on this server ("/" then neither "/" nor "\\", no control characters)
  // becomes clickable: a scheme such as javascript: or data:, or "//host",
  // would run script in this page's origin or leave the server unnoticed.
  function isLocalLink(link) {
    return typeof link === "string" && /^\/[^\/\\]/.test(link) && !/[\u0000-\u001F\u007F]/.test(link);
  }

  function operationsHtml(ops) {
    if (!ops.length) return "<span class=\"muted\">none</span>";
    var parts = [];
    for (var i = 0; i < ops.length; i++) {
      var op = ops[i];
      var title = (op.desc ? op.desc : op.name) + (appName(op) ? " \u2014 " + appName(op) : "");
      var label = html(operationLabel(op.name));
      if (isLocalLink(op.link)) {
        parts.push("<a class=\"op\" href=\"" + html(op.link) + "\" title=\"" + html(title) + "\">" + label + "</a>");
      } else {
        parts.push("<span class=\"op withheld\" title=\"" + html(title + " (link withheld: not a path on this server)") +
                   "\">" + label + "</span>");
      }
    }
    return parts.join("");
  }

  function searchText(device, ops) {
    var words = [displayName(device.name), device.name, device.bus, device.cls, locationText(device), device.box];
    for (var i = 0; i < device.fields.length; i++) words.push(device.fields[i][1]);
    for (var j = 0; j < ops.length; j++) words.push(ops[j].name, appName(ops[j]));
    if (window.vxaHealthView) words.push(window.vxaHealthView.words(device));
    return words.join(" ").toLowerCase();
  }

  // One table row per device; nested devices follow their parent, indented.
  function deviceRows(device, depth, rows, counts) {
    var controller = isController(device);
    var redundant = attribute(device, "isRedundant") === "true";
    var middle;
    if (controller) {
      middle = redundant ? "<span class=\"badge ok\">Redundant</span>" : "<span class=\"badge\">Single</span>";
    } else {
      middle = html(classLabel(device.cls));
    }
    counts.devices++;
    counts.operations += device.ops.length;
    if (controller && redundant) counts.redundant++;
    for (var k = 0; k < device.ops.length; k++) counts.apps[appName(device.ops[k])] = true;
    var id = "device-" + counts.devices;
    rows.push(
      "<tr id=\"" + id + "\" class=\"depth" + Math.min(depth, 4) + "\" data-name=\"" + html(device.name) +
      "\" data-instance=\"" + html(device.inst + "=" + device.at) + "\" data-search=\"" +
      html(searchText(device, device.ops)) + "\">" +
      "<td class=\"name\"><span class=\"title\" title=\"" + html(device.name) + "\">" + html(displayName(device.name)) +
      "</span></td>" +
      "<td>" + (device.bus ? "<span class=\"bus\">" + html(device.bus) + "</span>" : "<span class=\"muted\">unknown</span>") +
      "</td>" +
      "<td class=\"ids\">" + fieldsHtml(device.fields) + "</td>" +
      "<td class=\"where\">" + locationHtml(device) + "</td>" +
      "<td>" + middle + "</td>" +
      "<td>" + html(trimmed(device.box)) + "</td>" +
      "<td><div class=\"ops\">" + operationsHtml(device.ops) + "</div></td>" +
      (counts.rowDevices ? "<td class=\"health-cell\"></td>" : "") + "</tr>");
    if (counts.rowDevices) counts.rowDevices.push(device);
    for (var i = 0; i < device.children.length; i++) deviceRows(device.children[i], depth + 1, rows, counts);
  }

  function memberHtml(member) {
    return "<li><span class=\"title\" title=\"" + html(member.name) + "\">" + html(displayName(member.name)) +
           "</span> <span class=\"where\">" + locationHtml(member) + "</span>" +
           (member.bus ? " <span class=\"bus\">" + html(member.bus) + "</span>" : "") + "</li>";
  }

  function groupTitle(group) {
    if (trimmed(group.title)) return trimmed(group.title);
    return group.members.length + " devices";
  }

  function groupsHtml(groups, counts) {
    var parts = [];
    for (var i = 0; i < groups.length; i++) {
      var group = groups[i];
      var members = [];
      for (var j = 0; j < group.members.length; j++) members.push(memberHtml(group.members[j]));
      counts.operations += group.ops.length;
      for (var k = 0; k < group.ops.length; k++) counts.apps[appName(group.ops[k])] = true;
      parts.push("<article class=\"group\" data-name=\"" + html(group.name) + "\" data-search=\"" +
                 html((groupTitle(group) + " " + group.name + " " +
                       group.ops.map(function (op) { return op.name + " " + appName(op); }).join(" ")).toLowerCase()) +
                 "\"><h3>" + html(groupTitle(group)) + " <span class=\"count\">" + group.members.length +
                 "</span></h3><ul class=\"members\">" + members.join("") + "</ul><div class=\"ops\">" +
                 operationsHtml(group.ops) + "</div></article>");
    }
    return parts.join("");
  }

  function card(target, value, label, detail) {
    return "<a class=\"card\" href=\"#" + target + "\"><span class=\"value\">" + html(value) +
           "</span><span class=\"label\">" + html(label) + "</span>" +
           (detail ? "<span class=\"detail\">" + html(detail) + "</span>" : "") + "</a>";
  }

  function byId(id) {
    return document.getElementById(id);
  }

  function fillTable(id, rows) {
    byId(id).tBodies[0].innerHTML = rows.join("");
    byId(id).hidden = rows.length === 0;
    byId(id + "-empty").hidden = rows.length !== 0;
  }

  function applyFilter() {
    var words = byId("filter").value.toLowerCase().split(/\s+/).filter(Boolean);
    var items = document.querySelectorAll("[data-search]");
    var shown = 0;
    for (var i = 0; i < items.length; i++) {
      var text = items[i].getAttribute("data-search");
      var match = words.every(function (word) { return text.indexOf(word) >= 0; });
      items[i].hidden = !match;
      if (match) shown++;
    }
    byId("shown").textContent = words.length ? shown + " of " + items.length + " shown" : "";
  }

  // A link of the agent's own "Details" operation names the device in its
  // query: mark that row and bring it into view.
  function markRequestedDevice() {
    var query = new URLSearchParams(location.search);
    var instance = null;
    query.forEach(function (value, key) {
      if (key !== "Operation" && key !== "Type" && key !== "Class" && strings.instances[key]) instance = key + "=" + value;
    });
    if (!instance) return;
    var rows = document.querySelectorAll("tr[data-instance]");
    for (var i = 0; i < rows.length; i++) {
      if (rows[i].getAttribute("data-instance").replace(/\s+$/, "") === instance.replace(/\s+$/, "")) {
        rows[i].classList.add("requested");
        rows[i].scrollIntoView({ block: "center" });
        return;
      }
    }
  }

  function render() {
    var version = window.applicationVersion ? "Version " + window.applicationVersion : "";
    byId("version").textContent = version;
    byId("footer-version").textContent = version;
    byId("refresh").addEventListener("click", function () { location.reload(); });

    var data = restore(window.vxaDiscovery);
    if (!data || !data.devices) {
      byId("nodata").hidden = false;
      byId("controllers").hidden = true;
      return;
    }
    // The health view (vxahealth.js) orders the devices and fills the
    // controller table's health column.
    var health = window.vxaHealthView ? window.vxaHealthView.attach(data.devices, window.vxaHealth) : null;
    var devices = health ? health.devices : data.devices;
    var controllerCounts = { devices: 0, redundant: 0, operations: 0, apps: {}, rowDevices: health ? [] : null };
    var otherCounts = { devices: 0, redundant: 0, operations: 0, apps: controllerCounts.apps };
    var controllerRows = [];
    var otherRows = [];
    for (var i = 0; i < devices.length; i++) {
      var device = devices[i];
      if (isController(device)) deviceRows(device, 0, controllerRows, controllerCounts);
      else deviceRows(device, 0, otherRows, otherCounts);
    }
    fillTable("controllers", controllerRows);
    fillTable("others", otherRows);
    if (health) {
      window.vxaHealthView.fillColumn(byId("controllers").tBodies[0].rows, controllerCounts.rowDevices);
      window.vxaHealthView.showSummary(byId("health"), health);
    }
    var groupCounts = { operations: 0, apps: controllerCounts.apps };
    byId("groups").innerHTML = groupsHtml(data.groups, groupCounts);
    byId("groups-empty").hidden = data.groups.length !== 0;

    var apps = Object.keys(controllerCounts.apps).filter(Boolean).sort();
    byId("summary").innerHTML =
      card("controllers-title", controllerCounts.devices, "array controllers",
           controllerCounts.redundant ? controllerCounts.redundant + " redundant" : "") +
      card("others-title", otherCounts.devices, "other devices", "") +
      card("groups-title", data.groups.length, "device groups", "") +
      card("groups-title", controllerCounts.operations + otherCounts.operations + groupCounts.operations, "operations",
           apps.length ? "from " + apps.join(", ") : "no application offers any");

    byId("filter").addEventListener("input", applyFilter);
    markRequestedDevice();
    window.vxaRenderMs = performance.now() - started;
    document.body.setAttribute("data-rendered", "true");
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", render);
  else render();
})();
