// What a person must see on the management page of each simulated machine
// with the example peers installed: table cells as displayed, operation
// labels, nesting, device groups, a filter and a link to follow.
"use strict";

const controllerOps = ["Configure", "Diagnose", "Events", "Details"];

module.exports = {
  typical: {
    controllers: [
      { cells: { 0: "Tarvion ArrayBox 4400 Enclosure", 1: "SCSI", 2: "Vendor ORVANE Product ARRAYBOX 4400",
                 3: "Serial E09BKS2104", 4: "Single", 5: "Rack 2 array" },
        operations: controllerOps },
      { cells: { 0: "Tarvion ArrayBox 4800 Cluster", 1: "Fibre", 2: "Vendor ORVANE Product ARRAYBOX 4800",
                 3: "WWN 5f1a70000b480100", 4: "Redundant", 5: "Fibre array 1" },
        operations: controllerOps },
      { cells: { 0: "Tarvion ArrayLine 120", 1: "EISA", 2: "Vendor 0x5256 Device 0xA020", 3: "Slot 5", 4: "Single",
                 5: "" },
        operations: ["Configure", "Diagnose", "Firmware History", "Events", "Details"],
        links: { 2: "/FirmwarePlus/flash.htm?Operation=FirmwareHistory&Type=EISA&SubsystemVendorID=0x5256" +
                    "&SubsystemDeviceID=0xA020&Class=ArrayController&Slot=5" } },
      { cells: { 0: "Tarvion ArrayLine 210", 1: "PCI", 2: "Vendor 0xF1A7 Device 0x4C01", 3: "Slot 2", 4: "Single" },
        operations: controllerOps,
        links: { 0: "/ArrayTools/operate.htm?Operation=Configure&Type=PCI&SubsystemVendorID=0xF1A7" +
                    "&SubsystemDeviceID=0x4C01&Class=ArrayController&Slot=2" } },
      { cells: { 0: "Tarvion ArrayLine 220", 1: "PCI", 2: "Vendor 0xF1A7 Device 0x4C02", 3: "Slot 3",
                 4: "Redundant" },
        operations: controllerOps },
      { cells: { 0: "Tarvion RaidShelf 2100 Enclosure", 1: "SCSI", 2: "Vendor ORVANE Product RAIDSHELF 2100",
                 3: "Serial E09BKS3310", 4: "Single", 5: "Shelf 1" },
        operations: controllerOps },
    ],
    others: [
      { cells: { 0: "Tarvion ServerLine 7", 1: "Host", 2: "Address 10.0.4.21", 3: "Host db-node-1", 4: "Server",
                 5: "Rack 2" },
        operations: ["Remote Console", "Events"] },
      { cells: { 0: "Tarvion NetLink 2 Adapter", 1: "Network", 2: "Vendor TARVION Product NL-2",
                 3: "MAC 00:1A:70:42:00:01", 4: "Network Adapter" },
        depth: 1, operations: ["Link Status", "Events"] },
      { cells: { 0: "Tarvion NetLink 2 Adapter", 3: "MAC 00:1A:70:42:00:02" },
        depth: 1, operations: ["Link Status", "Events"] },
      { cells: { 0: "Tarvion DriveCage 8", 1: "SCSI", 2: "Vendor TARVION Product DC-8", 3: "Serial DC8K0042",
                 4: "Enclosure" },
        depth: 1, operations: ["Locate", "Events"],
        links: { 1: "/Suite/EventView/events.htm?Operation=Events&Type=SCSI&VendorID=TARVION&ProductID=DC-8" +
                    "&Class=Enclosure&SerialNumber=DC8K0042" } },
    ],
    groups: [
      { title: "All array controllers 6", operations: ["Compare Settings"],
        members: ["Tarvion ArrayBox 4400 Enclosure Serial E09BKS2104 SCSI",
                  "Tarvion ArrayBox 4800 Cluster WWN 5f1a70000b480100 Fibre", "Tarvion ArrayLine 120 Slot 5 EISA",
                  "Tarvion ArrayLine 210 Slot 2 PCI", "Tarvion ArrayLine 220 Slot 3 PCI",
                  "Tarvion RaidShelf 2100 Enclosure Serial E09BKS3310 SCSI"] },
      { title: "PCI array controllers 2", operations: ["Update Firmware", "Schedule Flash"],
        link: "/FirmwarePlus/flash.htm?Operation=UpdateFirmware&Type=PCI&SubsystemVendorID=0xF1A7" +
              "&SubsystemDeviceID=0x4C01&Class=ArrayController&Slot=2&Type=PCI&SubsystemVendorID=0xF1A7" +
              "&SubsystemDeviceID=0x4C02&Class=ArrayController&Slot=3" },
      { title: "Network adapters 2", operations: ["Team Adapters"],
        members: ["Tarvion NetLink 2 Adapter MAC 00:1A:70:42:00:01 Network",
                  "Tarvion NetLink 2 Adapter MAC 00:1A:70:42:00:02 Network"] },
    ],
    filter: { text: "slot 3", controllers: 1 },
    follow: { text: "Configure", operation: "Configure" },
  },
  // Hundreds of controllers (most of them from the Fleet peer): one row for
  // each controller in the page's data, the same peer devices, rendered
  // within a second.
  large: {
    controllersFromData: true,
    others: [
      { cells: { 0: "Tarvion ServerLine 7" }, operations: ["Remote Console", "Events"] },
      { cells: { 0: "Tarvion NetLink 2 Adapter" }, depth: 1, operations: ["Link Status", "Events"] },
      { cells: { 0: "Tarvion NetLink 2 Adapter" }, depth: 1, operations: ["Link Status", "Events"] },
      { cells: { 0: "Tarvion DriveCage 8" }, depth: 1, operations: ["Locate", "Events"] },
    ],
    groups: [
      { title: "All array controllers", operations: ["Compare Settings"] },
      { title: "PCI array controllers", operations: ["Update Firmware", "Schedule Flash"] },
      { title: "Network adapters 2", operations: ["Team Adapters"] },
    ],
    follow: { text: "Locate", operation: "Locate" },
  },
};
