// Writes a web application of the server that reports devices of its own: its
// support document, owning a discovery document, and that document.
"use strict";

const fs = require("node:fs");
const path = require("node:path");

const header = '<?xml version="1.0" encoding="UTF-8" ?>\n';

function writePeerApplication(folder, { name, requestPage, displayName, discoveryName, devices }) {
  fs.mkdirSync(folder, { recursive: true });
  fs.writeFileSync(path.join(folder, "vxasupport.xml"), header +
    '<!DOCTYPE VXA_ClientQWEX SYSTEM "vxasupport_1_1.dtd">\n<VXA_ClientQWEX><QWEXInfo><RegisteredName>' + name +
    "</RegisteredName><RequestPage>" + requestPage + "</RequestPage>" +
    (displayName ? "<DisplayName>" + displayName + "</DisplayName>" : "") +
    '<DeviceDiscovery Owns="true"><DiscoveryName>' + discoveryName +
    "</DiscoveryName></DeviceDiscovery></QWEXInfo></VXA_ClientQWEX>\n");
  fs.writeFileSync(path.join(folder, discoveryName), header +
    '<!DOCTYPE VXA_Discovery SYSTEM "vxadiscovery_1_1.dtd">\n<VXA_Discovery><Devices>\n' +
    devices.join("\n") + "\n</Devices></VXA_Discovery>\n");
}

module.exports = { writePeerApplication };
