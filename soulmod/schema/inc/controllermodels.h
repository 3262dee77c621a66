// The controller model tables: board keys to model names, and model names to
// the localisation tags under which the browser pages hold their display names.
#ifndef TSM_SCHEMA_CONTROLLERMODELS_H
#define TSM_SCHEMA_CONTROLLERMODELS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace Schema {

// One row of the board table: a key and the model name it yields. A key is
// either a subsystem identifier written "0x" plus eight lower-case hex digits,
// or a 16-character inquiry product identifier, blank-padded on the right.
struct BoardEntry {
    const char* pszKey;
    const char* pszModel;
};

// One row of the model table: a model name and its localisation tag.
struct ModelEntry {
    const char* pszModel;
    const char* pszTag;
};

inline constexpr std::size_t kBoardEntryCount = 21;
inline constexpr std::size_t kModelEntryCount = 21;

// The inquiry product identifier of the clustered array controller; a
// controller reporting it also reports its snapshot priority.
inline constexpr const char* kClusteredControllerProductId = "ARRAYBOX 4800   ";

std::span<const BoardEntry> boardTable();
std::span<const ModelEntry> modelTable();

// The key under which the board table holds a subsystem identifier.
std::string subsystemKey(std::uint32_t subsystemId);

// Sequential search of the model table by exact model name; the first equal
// row wins.
std::optional<std::string> modelTag(const std::string& model);

}

#endif
