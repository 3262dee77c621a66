// Writes the web application "Fleet" into a folder: a support document that
// owns a discovery document, and that document with the given number of array
// controllers (PCI, one slot each), so that the page shows hundreds of rows.
//   node fleetpeer.js <folder> <controllers>
"use strict";

const fs = require("node:fs");
const path = require("node:path");

const [folder, count] = process.argv.slice(2);
const header = '<?xml version="1.0" encoding="UTF-8" ?>\n';
const models = ["STR_MODEL_AL230", "STR_MODEL_AL240", "STR_MODEL_AL310", "STR_MODEL_AL420"];
const devices = [];
for (let i = 0; i < Number(count); i++) {
  devices.push(`<Device><Name>${models[i % models.length]}</Name><Type><PCI><SubsystemVendorID>0xF1A7` +
               `</SubsystemVendorID><SubsystemDeviceID>0x4C${(3 + (i % 8)).toString(16).padStart(2, "0")}` +
               `</SubsystemDeviceID></PCI></Type><Class><ArrayController isRedundant="${i % 5 === 0}"/></Class>` +
               `<Instance><Slot>${100 + i}</Slot></Instance><BoxName>Fleet rack ${1 + (i >> 4)}</BoxName></Device>`);
}
fs.mkdirSync(folder, { recursive: true });
fs.writeFileSync(path.join(folder, "vxasupport.xml"), header +
  '<!DOCTYPE VXA_ClientQWEX SYSTEM "vxasupport_1_1.dtd">\n<VXA_ClientQWEX><QWEXInfo><RegisteredName>Fleet' +
  "</RegisteredName><RequestPage>fleet.htm</RequestPage><DisplayName>Fleet</DisplayName><DeviceDiscovery " +
  'Owns="true"><DiscoveryName>fleet.xml</DiscoveryName></DeviceDiscovery></QWEXInfo></VXA_ClientQWEX>\n');
fs.writeFileSync(path.join(folder, "fleet.xml"), header +
  '<!DOCTYPE VXA_Discovery SYSTEM "vxadiscovery_1_1.dtd">\n<VXA_Discovery><Devices>\n' +
  devices.join("\n") + "\n</Devices></VXA_Discovery>\n");
