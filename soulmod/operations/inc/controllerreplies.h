// The attribute mappings of the five controller replies that controller
// information publishes.
#ifndef TSM_OPERATIONS_CONTROLLERREPLIES_H
#define TSM_OPERATIONS_CONTROLLERREPLIES_H

#include "replyview.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Operations::ControllerReplies {

// The attributes one reply yields, in publishing order. An empty value is
// published as nothing, so it leaves an earlier value in place.
using Attributes = std::vector<std::pair<std::string, std::string>>;

// What the mappings need to know of the controller beyond the reply.
struct ControllerFacts {
    bool bRemote = false;
    bool bHasRedundantState = false;
    bool bClustered = false; // product identifier of the clustered controller
};

// "Low" for 0, "High" above 117, else "Medium".
std::string priorityText(std::uint8_t bPriority);
// read/write as percentages of total, each rounded to a multiple of five.
std::string cacheRatio(std::uint32_t dwRead, std::uint32_t dwWrite, std::uint32_t dwTotal);

Attributes identifyAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts);
Attributes parameterAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts);
Attributes cacheAttributes(const Schema::ReplyView& reply);
Attributes surfaceAttributes(const Schema::ReplyView& reply);
Attributes subsystemAttributes(const Schema::ReplyView& reply, const ControllerFacts& facts);

// Attributes removed before the parameter and cache mappings publish, so a
// value no longer reported disappears.
const std::vector<std::string>& parameterRemovals();
const std::vector<std::string>& cacheRemovals();

}

#endif
