// Display texts of the management pages: the model names under the
// localisation tags that the agent writes into its discovery data, and the
// labels of the identifier and location fields.
var vxaStrings = {
  models: {
    STR_MODEL_AL100: "Tarvion ArrayLine 100",
    STR_MODEL_AL110: "Tarvion ArrayLine 110",
    STR_MODEL_AL120: "Tarvion ArrayLine 120",
    STR_MODEL_AL130: "Tarvion ArrayLine 130",
    STR_MODEL_AL140: "Tarvion ArrayLine 140",
    STR_MODEL_AL210: "Tarvion ArrayLine 210",
    STR_MODEL_AL220: "Tarvion ArrayLine 220",
    STR_MODEL_AL230: "Tarvion ArrayLine 230",
    STR_MODEL_AL240: "Tarvion ArrayLine 240",
    STR_MODEL_AL250: "Tarvion ArrayLine 250",
    STR_MODEL_AL310: "Tarvion ArrayLine 310",
    STR_MODEL_AL320: "Tarvion ArrayLine 320",
    STR_MODEL_AL330: "Tarvion ArrayLine 330",
    STR_MODEL_AL340: "Tarvion ArrayLine 340",
    STR_MODEL_AL410: "Tarvion ArrayLine 410",
    STR_MODEL_AL420: "Tarvion ArrayLine 420",
    STR_MODEL_AL510I: "Tarvion ArrayLine 510 Integrated",
    STR_MODEL_AL520I: "Tarvion ArrayLine 520 Integrated",
    STR_MODEL_RS2100: "Tarvion RaidShelf 2100 Enclosure",
    STR_MODEL_AB4400: "Tarvion ArrayBox 4400 Enclosure",
    STR_MODEL_AB4800: "Tarvion ArrayBox 4800 Cluster"
  },
  fields: {
    SubsystemVendorID: "Vendor",
    SubsystemDeviceID: "Device",
    VendorID: "Vendor",
    ProductID: "Product",
    Address: "Address"
  },
  instances: {
    Slot: "Slot",
    WWN: "WWN",
    SerialNumber: "Serial",
    HostName: "Host",
    MACAddress: "MAC"
  },
  classes: {
    ArrayController: "Array controller"
  }
};
