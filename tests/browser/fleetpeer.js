// Writes the web application "Fleet" into a folder: a support document that
// owns a discovery document, and that document with the given number of array
// controllers (PCI, one slot each), so that the page shows hundreds of rows.
//   node fleetpeer.js <folder> <controllers>
"use strict";

const { writePeerApplication } = require("./peerapp.js");

const [folder, count] = process.argv.slice(2);
const models = ["STR_MODEL_AL230", "STR_MODEL_AL240", "STR_MODEL_AL310", "STR_MODEL_AL420"];
const devices = [];
for (let i = 0; i < Number(count); i++) {
  devices.push(`<Device><Name>${models[i % models.length]}</Name><Type><PCI><SubsystemVendorID>0xF1A7` +
               `</SubsystemVendorID><SubsystemDeviceID>0x4C${(3 + (i % 8)).toString(16).padStart(2, "0")}` +
               `</SubsystemDeviceID></PCI></Type><Class><ArrayController isRedundant="${i % 5 === 0}"/></Class>` +
               `<Instance><Slot>${100 + i}</Slot></Instance><BoxName>Fleet rack ${1 + (i >> 4)}</BoxName></Device>`);
}
writePeerApplication(folder, { name: "Fleet", requestPage: "fleet.htm", displayName: "Fleet",
                              discoveryName: "fleet.xml", devices });
