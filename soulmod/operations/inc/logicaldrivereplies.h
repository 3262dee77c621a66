// The attribute mappings of the two logical drive replies that logical
// drive information publishes.
#ifndef TSM_OPERATIONS_LOGICALDRIVEREPLIES_H
#define TSM_OPERATIONS_LOGICALDRIVEREPLIES_H

#include "controllerreplies.h"
#include "replyview.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Operations::LogicalDriveReplies {

using Attributes = ControllerReplies::Attributes;

// Texts of the reply codes; a code without a text gives the empty text, so
// nothing is published for it.
std::string raidLevelText(std::uint16_t wCode);
std::string statusText(std::uint16_t wCode);
std::string replicaStatusText(std::uint16_t wCode);

// RAID level, stripe, offsets and fault tolerance.
Attributes configurationAttributes(const Schema::ReplyView& config);
// Heads, sectors, cylinders, blocks, block size and size in megabytes.
Attributes geometryAttributes(const Schema::ReplyView& config);
// Status text, blocks left to rebuild or expand, media exchange.
Attributes statusAttributes(const Schema::ReplyView& status);
// True when the status reply says the drive's data is being rebuilt.
bool isRecovering(const Schema::ReplyView& status);
// The physical drive being rebuilt, as decimal text; the controller's drive
// map form decides which byte holds it.
std::string rebuildingDrive(const Schema::ReplyView& status, bool bBigMap);
// Source volume and replica status of a drive that takes part in a
// snapshot; both names are removed before these are published.
Attributes snapshotAttributes(const Schema::ReplyView& config, const Schema::ReplyView& status);
const std::vector<std::string>& snapshotRemovals();

}

#endif
