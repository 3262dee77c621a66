// PCI device information, its accessors and the PCI device table.
#include "lntpcih.h"

#include "lnthealth.h"
#include "imxpacketfields.h"

#include <checkassert.h>

#include <cstring>
#include <iterator>

namespace InfoMgr {

PCIDeviceInfo::PCIDeviceInfo() : m_bBus(0), m_bDevice(0), m_bFunction(0), m_bLength(0)
{
}

PCIDeviceInfo::PCIDeviceInfo(std::uint8_t bBus, std::uint8_t bDevice, std::uint8_t bFunction,
                             const std::uint8_t* pbHeader, std::uint8_t bLength)
    : m_bBus(bBus), m_bDevice(bDevice), m_bFunction(bFunction), m_bLength(0)
{
    if (pbHeader && bLength) {
        m_pbConfigSpaceHeader = std::make_unique<std::uint8_t[]>(bLength);
        std::memcpy(m_pbConfigSpaceHeader.get(), pbHeader, bLength);
        m_bLength = bLength;
    }
}

PCIDeviceInfo::PCIDeviceInfo(const PCIDeviceInfo& oPCIDeviceInfoIn)
    : m_bBus(0), m_bDevice(0), m_bFunction(0), m_bLength(0)
{
    TSM_ASSERT_TEXT(oPCIDeviceInfoIn.isInvariant(), "oPCIDeviceInfoIn.isInvariant()");
    copyFrom(oPCIDeviceInfoIn);
}

PCIDeviceInfo& PCIDeviceInfo::operator=(const PCIDeviceInfo& oPCIDeviceInfoIn)
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(oPCIDeviceInfoIn.isInvariant(), "oPCIDeviceInfoIn.isInvariant()");
    if (this != &oPCIDeviceInfoIn) {
        clear();
        copyFrom(oPCIDeviceInfoIn);
    }
    TSM_ASSERT_INVARIANT();
    return *this;
}

PCIDeviceInfo::~PCIDeviceInfo() = default;

void PCIDeviceInfo::copyFrom(const PCIDeviceInfo& oPCIDeviceInfoIn)
{
    m_bBus = oPCIDeviceInfoIn.m_bBus;
    m_bDevice = oPCIDeviceInfoIn.m_bDevice;
    m_bFunction = oPCIDeviceInfoIn.m_bFunction;
    if (oPCIDeviceInfoIn.m_pbConfigSpaceHeader && oPCIDeviceInfoIn.m_bLength) {
        m_pbConfigSpaceHeader = std::make_unique<std::uint8_t[]>(oPCIDeviceInfoIn.m_bLength);
        std::memcpy(m_pbConfigSpaceHeader.get(), oPCIDeviceInfoIn.m_pbConfigSpaceHeader.get(),
                    oPCIDeviceInfoIn.m_bLength);
        m_bLength = oPCIDeviceInfoIn.m_bLength;
    }
}

bool PCIDeviceInfo::isInvariant() const
{
    // A length without bytes (or bytes without a length) is a damaged object.
    return m_bSignature.isValid() && ((m_pbConfigSpaceHeader != nullptr) == (m_bLength != 0));
}

std::uint8_t PCIDeviceInfo::bus() const
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(m_pbConfigSpaceHeader != nullptr, "m_pbConfigSpaceHeader != 0");
    return m_bBus;
}

std::uint8_t PCIDeviceInfo::device() const
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(m_pbConfigSpaceHeader != nullptr, "m_pbConfigSpaceHeader != 0");
    return m_bDevice;
}

std::uint8_t PCIDeviceInfo::function() const
{
    TSM_ASSERT_INVARIANT();
    TSM_ASSERT_TEXT(m_pbConfigSpaceHeader != nullptr, "m_pbConfigSpaceHeader != 0");
    return m_bFunction;
}

std::uint8_t PCIDeviceInfo::readByte(std::uint8_t bOffset) const
{
    TSM_ASSERT_INVARIANT();
    return doReadByte(bOffset);
}

std::uint16_t PCIDeviceInfo::readWord(std::uint8_t bOffset) const
{
    TSM_ASSERT_INVARIANT();
    return doReadWord(bOffset);
}

std::uint32_t PCIDeviceInfo::readDword(std::uint8_t bOffset) const
{
    TSM_ASSERT_INVARIANT();
    return doReadDword(bOffset);
}

std::uint8_t PCIDeviceInfo::length(std::uint8_t bRequested) const
{
    TSM_ASSERT_INVARIANT();
    return bRequested < m_bLength ? bRequested : m_bLength;
}

void PCIDeviceInfo::clear()
{
    TSM_ASSERT_INVARIANT();
    doClear();
    TSM_ASSERT_INVARIANT();
}

std::uint8_t PCIDeviceInfo::doReadByte(std::uint8_t bOffset) const
{
    TSM_ASSERT(bOffset < m_bLength);
    return m_pbConfigSpaceHeader[bOffset];
}

std::uint16_t PCIDeviceInfo::doReadWord(std::uint8_t bOffset) const
{
    // Computed in int: an offset of 255 must not wrap round to 0.
    TSM_ASSERT_TEXT((bOffset + 1) < m_bLength, "(bOffset+1) < m_bLength");
    return InfoMgr::loadLe16(m_pbConfigSpaceHeader.get() + bOffset);
}

std::uint32_t PCIDeviceInfo::doReadDword(std::uint8_t bOffset) const
{
    TSM_ASSERT_TEXT((bOffset + 3) < m_bLength, "(bOffset+3) < m_bLength");
    return InfoMgr::loadLe32(m_pbConfigSpaceHeader.get() + bOffset);
}

void PCIDeviceInfo::doClear()
{
    m_pbConfigSpaceHeader.reset();
    m_bLength = 0;
}

PCIDeviceFinder::PCIDeviceFinder() = default;

PCIDeviceFinder::PCIDeviceFinder(const PCIDeviceFinder& oPCIDeviceFinderIn)
{
    TSM_ASSERT_TEXT(oPCIDeviceFinderIn.isInvariant(), "oPCIDeviceFinderIn.isInvariant()");
    m_oDevices = oPCIDeviceFinderIn.m_oDevices;
}

PCIDeviceFinder::~PCIDeviceFinder() = default;

bool PCIDeviceFinder::isInvariant() const
{
    return m_bSignature.isValid();
}

void PCIDeviceFinder::addDevice(const PCIDeviceInfo& oDevice)
{
    TSM_ASSERT_INVARIANT();
    doAddDevice(oDevice);
    TSM_ASSERT_INVARIANT();
}

bool PCIDeviceFinder::findDevice(std::uint32_t dwClassCode, std::uint32_t nIndex, PCIDeviceInfo& oDevice) const
{
    TSM_ASSERT_INVARIANT();
    return doFindDevice(dwClassCode, nIndex, oDevice);
}

std::size_t PCIDeviceFinder::deviceCount() const
{
    TSM_ASSERT_INVARIANT();
    return m_oDevices.size();
}

void PCIDeviceFinder::doAddDevice(const PCIDeviceInfo& oDevice)
{
    if (oDevice.length(12) < 12)
        return;
    const std::uint32_t dwClassCode = static_cast<std::uint32_t>(oDevice.readByte(9)) |
                                      static_cast<std::uint32_t>(oDevice.readByte(10)) << 8 |
                                      static_cast<std::uint32_t>(oDevice.readByte(11)) << 16;
    m_oDevices.emplace(dwClassCode, oDevice);
}

bool PCIDeviceFinder::doFindDevice(std::uint32_t dwClassCode, std::uint32_t nIndex, PCIDeviceInfo& oDevice) const
{
    const auto range = m_oDevices.equal_range(dwClassCode);
    if (static_cast<std::size_t>(std::distance(range.first, range.second)) <= nIndex)
        return false;
    oDevice = std::next(range.first, nIndex)->second;
    return true;
}

PCIDeviceFinder PCIDeviceFinder::scanConfigurationSpace()
{
    PCIDeviceFinder oFinder;
    std::uint8_t abHeader[256];
    for (std::uint32_t dwBus = 0; dwBus < 256; ++dwBus) {
        for (std::uint32_t dwDevice = 0; dwDevice < 32; ++dwDevice) {
            std::uint8_t nLength = 0;
            const auto bBus = static_cast<std::uint8_t>(dwBus);
            const auto bDevice = static_cast<std::uint8_t>(dwDevice);
            switch (Health::readConfigHeader(bBus, bDevice, abHeader, nLength)) {
            case Health::eHEADER_NOT_ANSWERED:
                // Configuration space ends at the first request nobody answers.
                return oFinder;
            case Health::eHEADER_FAILED:
                break;
            case Health::eHEADER_READ:
                // A vendor identifier of all ones means no device is there.
                if (abHeader[0] < 255)
                    oFinder.addDevice(PCIDeviceInfo(bBus, bDevice, 0, abHeader, nLength));
                break;
            }
        }
    }
    return oFinder;
}

const PCIDeviceFinder& PCIDeviceFinder::instance()
{
    static const PCIDeviceFinder oFinder = scanConfigurationSpace();
    return oFinder;
}

} // namespace InfoMgr
