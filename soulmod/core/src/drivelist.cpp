// DriveList: drive numbers as decimal text, in text form and as bitmaps.
#include "conversion.h"

#include <algorithm>

namespace Core {
namespace {

constexpr std::size_t kSeparatorLength = 3;

bool endsWithSeparator(const std::string& text)
{
    return text.size() >= kSeparatorLength &&
           text.compare(text.size() - kSeparatorLength, kSeparatorLength, DriveList::kSeparator) == 0;
}

}

DriveList::DriveList() = default;

DriveList::DriveList(const std::string& text)
{
    if (text.empty())
        return;
    std::string terminated = text;
    if (!endsWithSeparator(terminated))
        terminated += kSeparator;
    std::size_t start = 0;
    std::size_t end = terminated.find(kSeparator, start);
    while (end != std::string::npos) {
        m_entries.push_back(terminated.substr(start, end - start));
        start = end + kSeparatorLength;
        end = terminated.find(kSeparator, start);
    }
}

void DriveList::add(const std::string& entry)
{
    if (!contains(entry))
        m_entries.push_back(entry);
}

void DriveList::addAll(const DriveList& other)
{
    for (const std::string& entry : other.m_entries)
        add(entry);
}

void DriveList::addAll(const std::string& text)
{
    addAll(DriveList(text));
}

bool DriveList::contains(const std::string& entry) const
{
    return std::find(m_entries.begin(), m_entries.end(), entry) != m_entries.end();
}

void DriveList::remove(const std::string& entry)
{
    std::erase(m_entries, entry);
}

void DriveList::removeAll(const DriveList& other)
{
    for (const std::string& entry : other.m_entries)
        remove(entry);
}

void DriveList::removeAll(const std::string& text)
{
    removeAll(DriveList(text));
}

void DriveList::clear()
{
    m_entries.clear();
}

std::string DriveList::toText(const std::string& separator) const
{
    std::string text;
    for (const std::string& entry : m_entries)
        text += entry + separator;
    return text;
}

void DriveList::fromBigMap(const std::uint8_t* pbMap)
{
    clear();
    for (unsigned i = 0; i < kBigMapSize; ++i) {
        for (unsigned j = 0; j < 8; ++j)
            if ((pbMap[i] >> j) & 1u)
                add(formatUnsigned(128 + 8 * i + j));
    }
}

void DriveList::fromMask(std::uint32_t dwMask)
{
    clear();
    for (unsigned j = 0; j < 32; ++j)
        if ((dwMask >> j) & 1u)
            add(formatUnsigned(j));
}

void DriveList::toBigMap(std::uint8_t* pbMap) const
{
    std::fill(pbMap, pbMap + kBigMapSize, std::uint8_t{0});
    for (const std::string& entry : m_entries) {
        const unsigned m = static_cast<std::uint8_t>(parseDriveNumber(entry) - 128u);
        if (m / 8 < kBigMapSize)
            pbMap[m / 8] = static_cast<std::uint8_t>(pbMap[m / 8] + (1u << (m % 8)));
    }
}

void DriveList::toMask(std::uint32_t& dwMask) const
{
    dwMask = 0;
    for (const std::string& entry : m_entries) {
        const std::uint32_t n = parseUnsigned(entry);
        if (n < 32)
            dwMask += std::uint32_t{1} << n;
    }
}

}
