#!/usr/bin/env python3
"""Writes the nested peer documents of the merge budget test beside this script.

Each peer's support document names its discovery document. Deep and Chain are
deeper than the agent imports; Cage16 is exactly as deep as it imports, so
the nested patterns of the other two meet 16 nested devices in the merge.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
HEADER = '<?xml version="1.0" encoding="UTF-8" ?>\n'


def chain(depth, opening):
    """Elements opened by opening(n) for n = 0 .. depth-1, each inside the one before."""
    return "".join(opening(n) for n in range(depth)) + "</Device>" * depth


def device_chain(depth, prefix):
    return chain(depth, lambda n: f"<Device><Name>{prefix}{n}</Name><Type><SCSI><VendorID>TARVION</VendorID>"
                                  f"</SCSI></Type><Class><Enclosure/></Class>"
                                  f"<Instance><SerialNumber>{prefix}{n:02}</SerialNumber></Instance>\n")


def discovery(depth, prefix):
    return (HEADER + '<!DOCTYPE VXA_Discovery SYSTEM "vxadiscovery_1_1.dtd">\n<VXA_Discovery><Devices>\n'
            + device_chain(depth, prefix) + "\n</Devices></VXA_Discovery>\n")


def pattern_chain(depth):
    return chain(depth, lambda n: "<Device><Type><Any/></Type><Class><Any/></Class><Instance><Any/></Instance>"
                                  f"<Operations><SingleDeviceOperation><Name>Look{n}</Name></SingleDeviceOperation>"
                                  f"<MultipleDeviceOperation><Name>Gather{n}</Name></MultipleDeviceOperation>"
                                  "</Operations>\n")


def support(name, discovery_name, patterns):
    return (HEADER + '<!DOCTYPE VXA_ClientQWEX SYSTEM "vxasupport_1_1.dtd">\n<VXA_ClientQWEX><QWEXInfo>'
            f"<RegisteredName>{name}</RegisteredName><RequestPage>p.htm</RequestPage>"
            f'<DeviceDiscovery Owns="true"><DiscoveryName>{discovery_name}</DiscoveryName></DeviceDiscovery>'
            f"</QWEXInfo><Devices>\n{patterns}\n</Devices></VXA_ClientQWEX>\n")


def main():
    files = {
        # 22 nested devices, 6 nested patterns that match anything.
        "Deep/vxasupport.xml": support("Deep", "d.xml", pattern_chain(6)),
        "Deep/d.xml": discovery(22, "Deep"),
        # A chain of 20 devices, 10 nested patterns.
        "Chain/vxasupport.xml": support("Chain", "d.xml", pattern_chain(10)),
        "Chain/d.xml": discovery(20, "Chain"),
        # 16 nested devices, no patterns of its own.
        "Cage16/vxasupport.xml": support("Cage16", "d.xml", ""),
        "Cage16/d.xml": discovery(16, "Cage"),
    }
    for name, text in files.items():
        path = HERE / name
        path.parent.mkdir(exist_ok=True)
        path.write_text(text)


if __name__ == "__main__":
    main()
