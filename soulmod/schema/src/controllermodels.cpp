// The board and model tables of the maker's array controllers and enclosures.
#include "controllermodels.h"

#include <array>
#include <cstdio>

namespace Schema {
namespace {

// PCI boards carry the maker's vendor identifier 0xF1A7 in the high half;
// EISA boards carry the maker's compressed EISA code 0x5256 ("TRV").
constexpr std::array<BoardEntry, kBoardEntryCount> kBoards{{
    {"0x5256a010", "Tarvion ArrayLine 110"},
    {"0x5256a020", "Tarvion ArrayLine 120"},
    {"0x5256a030", "Tarvion ArrayLine 130"},
    {"0x5256a040", "Tarvion ArrayLine 140"},
    {"0xf1a74c01", "Tarvion ArrayLine 210"},
    {"0xf1a74c02", "Tarvion ArrayLine 220"},
    {"0xf1a74c03", "Tarvion ArrayLine 230"},
    {"0xf1a74c04", "Tarvion ArrayLine 230"},
    {"0xf1a74c05", "Tarvion ArrayLine 240"},
    {"0xf1a74c06", "Tarvion ArrayLine 250"},
    {"0xf1a74c07", "Tarvion ArrayLine 310"},
    {"0xf1a74c08", "Tarvion ArrayLine 320"},
    {"0xf1a74c09", "Tarvion ArrayLine 330"},
    {"0xf1a74c0a", "Tarvion ArrayLine 340"},
    {"0xf1a74c0b", "Tarvion ArrayLine 410"},
    {"0xf1a74c0c", "Tarvion ArrayLine 420"},
    {"0xf1a74c0d", "Tarvion ArrayLine 510 Integrated"},
    {"0xf1a74c0e", "Tarvion ArrayLine 520 Integrated"},
    {"RAIDSHELF 2100  ", "Tarvion RaidShelf 2100 Enclosure"},
    {"ARRAYBOX 4400   ", "Tarvion ArrayBox 4400 Enclosure"},
    {"ARRAYBOX 4800   ", "Tarvion ArrayBox 4800 Cluster"},
}};

constexpr std::array<ModelEntry, kModelEntryCount> kModels{{
    {"Tarvion ArrayLine 100", "STR_MODEL_AL100"},
    {"Tarvion ArrayLine 110", "STR_MODEL_AL110"},
    {"Tarvion ArrayLine 120", "STR_MODEL_AL120"},
    {"Tarvion ArrayLine 130", "STR_MODEL_AL130"},
    {"Tarvion ArrayLine 140", "STR_MODEL_AL140"},
    {"Tarvion ArrayLine 210", "STR_MODEL_AL210"},
    {"Tarvion ArrayLine 220", "STR_MODEL_AL220"},
    {"Tarvion ArrayLine 230", "STR_MODEL_AL230"},
    {"Tarvion ArrayLine 240", "STR_MODEL_AL240"},
    {"Tarvion ArrayLine 250", "STR_MODEL_AL250"},
    {"Tarvion ArrayLine 310", "STR_MODEL_AL310"},
    {"Tarvion ArrayLine 320", "STR_MODEL_AL320"},
    {"Tarvion ArrayLine 330", "STR_MODEL_AL330"},
    {"Tarvion ArrayLine 340", "STR_MODEL_AL340"},
    {"Tarvion ArrayLine 410", "STR_MODEL_AL410"},
    {"Tarvion ArrayLine 420", "STR_MODEL_AL420"},
    {"Tarvion ArrayLine 510 Integrated", "STR_MODEL_AL510I"},
    {"Tarvion ArrayLine 520 Integrated", "STR_MODEL_AL520I"},
    {"Tarvion RaidShelf 2100 Enclosure", "STR_MODEL_RS2100"},
    {"Tarvion ArrayBox 4400 Enclosure", "STR_MODEL_AB4400"},
    {"Tarvion ArrayBox 4800 Cluster", "STR_MODEL_AB4800"},
}};

}

std::span<const BoardEntry> boardTable()
{
    return kBoards;
}

std::span<const ModelEntry> modelTable()
{
    return kModels;
}

std::string subsystemKey(std::uint32_t subsystemId)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(subsystemId));
    return text;
}

std::optional<std::string> modelTag(const std::string& model)
{
    for (const ModelEntry& row : kModels)
        if (model == row.pszModel)
            return std::string(row.pszTag);
    return std::nullopt;
}

}
