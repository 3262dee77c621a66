// The board and model tables of the maker's array controllers and enclosures.
#include "controllermodels.h"

#include <array>
#include <cstdio>

namespace Schema {
namespace {

// PCI boards carry the maker's vendor identifier 0x7A5E in the high half;
// EISA boards carry the maker's compressed EISA code 0x5256 ("TRV").
constexpr std::array<BoardEntry, kBoardEntryCount> kBoards{{
    {"0x5256a010", "Tarvion ArrayLine 110"},
    {"0x5256a020", "Tarvion ArrayLine 120"},
    {"0x5256a030", "Tarvion ArrayLine 130"},
    {"0x5256a040", "Tarvion ArrayLine 140"},
    {"0x7a5e4010", "Tarvion ArrayLine 210"},
    {"0x7a5e4020", "Tarvion ArrayLine 220"},
    {"0x7a5e4030", "Tarvion ArrayLine 230"},
    {"0x7a5e4031", "Tarvion ArrayLine 230"},
    {"0x7a5e4040", "Tarvion ArrayLine 240"},
    {"0x7a5e4050", "Tarvion ArrayLine 250"},
    {"0x7a5e4110", "Tarvion ArrayLine 310"},
    {"0x7a5e4120", "Tarvion ArrayLine 320"},
    {"0x7a5e4130", "Tarvion ArrayLine 330"},
    {"0x7a5e4140", "Tarvion ArrayLine 340"},
    {"0x7a5e4210", "Tarvion ArrayLine 410"},
    {"0x7a5e4220", "Tarvion ArrayLine 420"},
    {"0x7a5e4310", "Tarvion ArrayLine 510 Integrated"},
    {"0x7a5e4320", "Tarvion ArrayLine 520 Integrated"},
    {"ArrayLine FC1200", "Tarvion ArrayLine FC1200 Enclosure"},
    {"ArrayLine FC1400", "Tarvion ArrayLine FC1400 Enclosure"},
    {"ArrayLine CL1800", "Tarvion ArrayLine CL1800 Cluster"},
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
    {"Tarvion ArrayLine FC1200 Enclosure", "STR_MODEL_FC1200"},
    {"Tarvion ArrayLine FC1400 Enclosure", "STR_MODEL_FC1400"},
    {"Tarvion ArrayLine CL1800 Cluster", "STR_MODEL_CL1800"},
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
    for (const ModelEntry& row : kModels) {
        if (model == row.pszModel)
            return std::string(row.pszTag);
    }
    return std::nullopt;
}

}
