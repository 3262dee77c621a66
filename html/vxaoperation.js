// The page that an operation link of an example application opens: it shows
// the application (the page's title), the operation and every device that the
// link's query names. A device starts at each "Type" key: Type, its bus
// fields, Class, then the instance field.
(function () {
  "use strict";

  function devicesOf(query) {
    var operation = "";
    var devices = [];
    var current = null;
    query.replace(/^\?/, "").split("&").forEach(function (part) {
      if (!part) return;
      var equals = part.indexOf("=");
      var key = decodeURIComponent(equals < 0 ? part : part.slice(0, equals));
      var value = equals < 0 ? "" : decodeURIComponent(part.slice(equals + 1).replace(/\+/g, " "));
      if (key === "Operation") {
        operation = value;
      } else if (key === "Type") {
        current = { bus: value, fields: [], cls: "", instance: "" };
        devices.push(current);
      } else if (current && key === "Class") {
        current.cls = value;
      } else if (current && current.cls) {
        current.instance = key + " " + value;
      } else if (current) {
        current.fields.push(key + " " + value);
      }
    });
    return { operation: operation, devices: devices };
  }

  function element(parent, tag, text, className) {
    var node = document.createElement(tag);
    if (text !== undefined) node.textContent = text;
    if (className) node.className = className;
    parent.appendChild(node);
    return node;
  }

  function render() {
    var request = devicesOf(location.search);
    var head = document.head;
    var style = element(head, "link");
    style.rel = "stylesheet";
    style.href = "/VXA/vxa.css";
    var icon = element(head, "link");
    icon.rel = "icon";
    icon.href = "/VXA/Images/favicon.svg";

    var masthead = element(document.body, "header", undefined, "masthead");
    element(masthead, "span", document.title, "brand-name");
    var back = element(masthead, "a", "Back to the Storage Manager", "version");
    back.href = "/VXA/VXA.htm";
    var main = element(document.body, "main");
    var title = element(main, "h2", "Operation ");
    element(title, "span", request.operation || "(none)").id = "operation";
    var requested = element(main, "p", "Requested for ");
    element(requested, "span", String(request.devices.length)).id = "count";
    requested.appendChild(document.createTextNode(" device(s):"));
    var list = element(main, "ul");
    request.devices.forEach(function (device) {
      element(list, "li", device.cls + " on " + device.bus + " (" + device.fields.join(", ") + "), " + device.instance);
    });
    element(main, "p", "This example application only shows what it was asked to do.", "hint");
  }

  document.addEventListener("DOMContentLoaded", render);
})();
