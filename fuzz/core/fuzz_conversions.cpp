// Drive-list text, bitmaps and hexadecimal text from arbitrary bytes: every
// conversion must stay in bounds and every round trip must hold.
#include "conversion.h"
#include "fuzzing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> entries(const Core::DriveList& list)
{
    return std::vector<std::string>(list.begin(), list.end());
}

void driveListText(const std::string& text)
{
    const Core::DriveList parsed(text);
    check(text.empty() == parsed.empty());
    check(entries(Core::DriveList(parsed.toText())) == entries(parsed));

    Core::DriveList unique;
    unique.addAll(parsed);
    check(unique.size() <= parsed.size());
    for (const std::string& entry : parsed)
        check(unique.contains(entry));
    for (auto it = unique.begin(); it != unique.end(); ++it)
        check(std::count(unique.begin(), unique.end(), *it) == 1);
    unique.removeAll(parsed);
    check(unique.empty());

    // Arbitrary entries must not reach outside the map or the mask.
    std::array<std::uint8_t, Core::DriveList::kBigMapSize + 1> map{};
    map.back() = 0x5A;
    parsed.toBigMap(map.data());
    check(map.back() == 0x5A);
    std::uint32_t dwMask = 0;
    parsed.toMask(dwMask);
    static_cast<void>(Core::parseUnsigned(text));
}

void bitmaps(const std::uint8_t* data, std::size_t size)
{
    std::array<std::uint8_t, Core::DriveList::kBigMapSize> map{};
    if (size != 0)
        std::memcpy(map.data(), data, std::min(size, map.size()));
    Core::DriveList list;
    list.fromBigMap(map.data());
    std::array<std::uint8_t, Core::DriveList::kBigMapSize> back{};
    list.toBigMap(back.data());
    check(back == map);

    std::uint32_t dwMask = 0;
    if (size != 0)
        std::memcpy(&dwMask, data, std::min(size, sizeof dwMask));
    list.fromMask(dwMask);
    std::uint32_t dwBack = ~dwMask;
    list.toMask(dwBack);
    check(dwBack == dwMask);
    check(Core::parseUnsigned(Core::formatUnsigned(dwMask)) == dwMask);
}

void hexText(const std::string& text, const std::uint8_t* data, std::size_t size)
{
    const std::string formatted = Core::formatHexBytes(data, size);
    check(Core::isHexText(formatted));
    check(Core::hexStringToBytes(formatted) == std::vector<std::uint8_t>(data, data + size));
    if (!Core::isHexText(text))
        return;
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    check(Core::formatHexBytes(Core::hexStringToBytes(text)) == lower);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = inputText(data, size);
    driveListText(text);
    bitmaps(data, size);
    hexText(text, data, size);
    return 0;
}
