// Conversions between controller data and attribute text, and the drive
// lists written as entries each followed by "*-*".
#ifndef TSM_CORE_CONVERSION_H
#define TSM_CORE_CONVERSION_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Core {

// Decimal text without leading zeros ("%u").
std::string formatUnsigned(std::uint32_t dwValue);
// Each byte as two lowercase hexadecimal digits, no separator.
std::string formatHexBytes(const std::uint8_t* pbBytes, std::size_t count);
std::string formatHexBytes(const std::vector<std::uint8_t>& bytes);

// The leading decimal number of the text, read the way the C library's
// text-to-integer conversion does (blanks and a sign first, stops at the
// first non-digit, 0 when there is none); wraps modulo 2^32.
std::uint32_t parseUnsigned(const std::string& text);
// The same, truncated to 16 bits (drive counts) and 8 bits (drive numbers).
std::uint16_t parseDriveCount(const std::string& text);
std::uint8_t parseDriveNumber(const std::string& text);

// True when the text has an even length and only hexadecimal digits, so
// that hexStringToBytes accepts it.
bool isHexText(const std::string& text);
// Two hexadecimal digits (high nibble first, letters in either case) to a
// byte; any other text stops the program.
std::uint8_t hexToByte(const std::string& hexString);
// Appends the bytes of a text of hexadecimal digit pairs (see isHexText).
void hexStringToBytes(const std::string& text, std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> hexStringToBytes(const std::string& text);

// Ordered, duplicate-free (through add) list of drive numbers as decimal text.
class DriveList {
public:
    using const_iterator = std::vector<std::string>::const_iterator;
    static constexpr const char* kSeparator = "*-*";
    static constexpr std::size_t kBigMapSize = 16;

    DriveList();
    // Every piece between separators, in order; "*-*" is appended first when
    // the text does not end with it. The empty text gives the empty list.
    explicit DriveList(const std::string& text);

    // Appends unless an equal entry is present.
    void add(const std::string& entry);
    void addAll(const DriveList& other);
    void addAll(const std::string& text);
    bool contains(const std::string& entry) const;
    // Removes every equal entry.
    void remove(const std::string& entry);
    void removeAll(const DriveList& other);
    void removeAll(const std::string& text);
    void clear();

    // Each entry followed by the separator.
    std::string toText(const std::string& separator = kSeparator) const;

    // Bit j of byte i set means drive 128 + 8 * i + j (16 bytes).
    void fromBigMap(const std::uint8_t* pbMap);
    // Bit j set means drive j.
    void fromMask(std::uint32_t dwMask);
    // Inverse of fromBigMap over each entry's low byte; low bytes below 128
    // have no bit in the map and are left out.
    void toBigMap(std::uint8_t* pbMap) const;
    // Inverse of fromMask; entries of 32 or more are left out.
    void toMask(std::uint32_t& dwMask) const;

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

private:
    std::vector<std::string> m_entries;
};

}

#endif
