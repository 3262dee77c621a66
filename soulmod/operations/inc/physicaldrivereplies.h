// The attribute mappings of the identify reply that physical drive
// information publishes, and the failed form of a drive.
#ifndef TSM_OPERATIONS_PHYSICALDRIVEREPLIES_H
#define TSM_OPERATIONS_PHYSICALDRIVEREPLIES_H

#include "controllerreplies.h"
#include "replyview.h"

#include <cstdint>
#include <string>

namespace Operations::PhysicalDriveReplies {

using Attributes = ControllerReplies::Attributes;

// The transfer code assembled from reply bytes 103 and 106, and its texts;
// a code outside the tables gives empty texts.
std::uint8_t transferCode(std::uint8_t bModeBits, std::uint8_t bExtendedBits);
std::string transferRateText(std::uint8_t bCode);
std::string transferModeText(std::uint8_t bCode);

// What a drive that identified itself publishes; bRebuilding adds
// "DriveRebuilding".
Attributes identifyAttributes(const Schema::ReplyView& identify, bool bRebuilding);
// A drive that is not good: failed, its position from the drive number
// alone and no size.
Attributes failedAttributes(std::uint16_t wNumber);

}

#endif
