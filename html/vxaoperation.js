// The page that an operation link of an example application opens: it shows
// the operation and every device that the link's query names. A device starts
// at each "Type" key: Type, its bus fields, Class, then the instance field.
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

  function render() {
    var request = devicesOf(location.search);
    var list = document.getElementById("devices");
    document.getElementById("operation").textContent = request.operation || "(none)";
    request.devices.forEach(function (device) {
      var item = document.createElement("li");
      item.textContent = device.cls + " on " + device.bus + " (" + device.fields.join(", ") + "), " + device.instance;
      list.appendChild(item);
    });
    document.getElementById("count").textContent = request.devices.length;
  }

  document.addEventListener("DOMContentLoaded", render);
})();
