// Running a controller command and mapping its outcome to a status value.
#include "bmiccommand.h"

#include "clog.h"

#include <array>
#include <cstdio>
#include <string>

namespace Core {
namespace {

struct OutcomeRow {
    std::uint8_t bCommandStatus;
    std::uint8_t bScsiStatus;
    std::uint8_t bSenseKey;
    std::uint8_t bSenseCode;
    std::uint8_t bSenseQualifier;
    int iValue;
};

// Controller refusals the operations tell apart; searched first to last.
constexpr std::array<OutcomeRow, 10> kOutcomes{{
    {0, 0, 0, 0, 0, 1},
    {4, 255, 255, 255, 255, 0},
    {1, 2, 5, 0x20, 0, 4},
    {1, 2, 5, 0x24, 0, 5},
    {1, 2, 2, 0x6E, 0, 6},
    {1, 2, 2, 0x44, 0, 7},
    {1, 2, 5, 0x11, 0, 8},
    {1, 2, 5, 0x0C, 8, 9},
    {1, 2, 5, 0x04, 3, 10},
    {1, 2, 5, 0x25, 0, 11},
}};

constexpr std::uint32_t kSenseBufferSize = 32;

bool senseMatches(std::uint8_t outcome, std::uint8_t row)
{
    return outcome == 255 || outcome == row;
}

std::string hexLine(const char* pszPrefix, unsigned value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s0x%x", pszPrefix, value);
    return text;
}

}

int BmicCommand::outcomeValue(std::uint16_t commandStatus, std::uint8_t scsiStatus, std::uint8_t senseKey,
                              std::uint8_t senseCode, std::uint8_t senseQualifier)
{
    for (const OutcomeRow& row : kOutcomes) {
        if (commandStatus != 0xFFFF && commandStatus != row.bCommandStatus)
            continue;
        if (scsiStatus != row.bScsiStatus)
            continue;
        if (senseMatches(senseKey, row.bSenseKey) && senseMatches(senseCode, row.bSenseCode) &&
            senseMatches(senseQualifier, row.bSenseQualifier))
            return row.iValue;
    }
    return 0;
}

CountedPtr<Status> BmicCommand::run(BmicDevice& device)
{
    m_bCommandStatus = m_bScsiStatus = 0;
    m_bSenseKey = m_bSenseCode = m_bSenseQualifier = 0;

    std::array<std::uint8_t, kSenseBufferSize> abSense{};
    BmicParameters parameters;
    parameters.pSenseBuffer = abSense.data();
    parameters.senseLength = kSenseBufferSize;

    const bool bSent = execute(device, parameters);
    DebugLog::write(hexLine("Command Status: ", parameters.commandStatus));
    DebugLog::write(hexLine("SCSI Status: ", parameters.scsiStatus));

    if (parameters.commandStatus == 0 && parameters.scsiStatus == 0)
        return CountedPtr<Status>(new Status(bSent));

    // A device may claim more sense bytes than the buffer holds; never read
    // past it.
    const std::uint32_t dwSense = parameters.senseLength < kSenseBufferSize ? parameters.senseLength : kSenseBufferSize;
    DebugLog::hexDump(abSense.data(), dwSense);
    m_bCommandStatus = static_cast<std::uint8_t>(parameters.commandStatus & 0xFF);
    m_bScsiStatus = parameters.scsiStatus;
    if (dwSense > 1) {
        m_bSenseKey = abSense[2] & 0x0F;
        m_bSenseCode = abSense[12];
        m_bSenseQualifier = abSense[13];
    }
    const int iValue = outcomeValue(m_bCommandStatus, m_bScsiStatus, m_bSenseKey, m_bSenseCode, m_bSenseQualifier);
    return CountedPtr<Status>(new Status(static_cast<Status::eValue>(iValue)));
}

}
