// OptionParser: tokenising of the joined command line and the choice of the
// option handler.
#include "optionparser.h"

#include "checkassert.h"
#include "commandline.h"

#include <vector>

namespace {

// Words of the line: each ends before the next separator character; the next
// one starts at the next character that is not a separator. A line that
// starts with a separator therefore starts with an empty word.
std::vector<std::string> splitWords(const std::string& line, const std::string& separator)
{
    std::vector<std::string> words;
    std::string::size_type position = line.empty() ? std::string::npos : 0;
    while (position != std::string::npos) {
        const auto end = line.find_first_of(separator, position);
        words.push_back(line.substr(position, end == std::string::npos ? std::string::npos : end - position));
        position = end == std::string::npos ? std::string::npos : line.find_first_not_of(separator, end);
    }
    return words;
}

} // namespace

OptionParser::OptionParser(CommandLine& owner, const std::string& line)
    : m_sPrefix("-"), m_sSeparator(" "), m_sLine(line), m_iLimit(-1), m_pOwner(&owner), m_pDefaultHandler(nullptr),
      m_pErrorHandler(nullptr)
{
}

void OptionParser::setPrefix(const std::string& prefix)
{
    TSM_ASSERT_INVARIANT();
    m_sPrefix = prefix;
}

void OptionParser::setSeparator(const std::string& separator)
{
    TSM_ASSERT_INVARIANT();
    m_sSeparator = separator;
}

void OptionParser::setLimit(int limit)
{
    TSM_ASSERT_INVARIANT();
    m_iLimit = limit;
}

void OptionParser::registerOption(const std::string& name, Handler handler)
{
    TSM_ASSERT_INVARIANT();
    m_registeredOptions[name] = handler;
}

void OptionParser::setDefaultHandler(Handler handler)
{
    TSM_ASSERT_INVARIANT();
    m_pDefaultHandler = handler;
}

void OptionParser::setErrorHandler(Handler handler)
{
    TSM_ASSERT_INVARIANT();
    m_pErrorHandler = handler;
}

int OptionParser::dispatch()
{
    TSM_ASSERT_INVARIANT();
    const int exitCode = doDispatch();
    TSM_ASSERT_INVARIANT();
    return exitCode;
}

const std::map<std::string, std::string>& OptionParser::givenOptions() const
{
    TSM_ASSERT_INVARIANT();
    return m_givenOptions;
}

bool OptionParser::isInvariant() const
{
    return m_bSignature.isValid() && m_pOwner != nullptr;
}

int OptionParser::doDispatch()
{
    if (m_sLine.empty())
        return call(m_pDefaultHandler, std::string());
    if (!doTokenise())
        return call(m_pErrorHandler, std::string());
    if (m_iLimit >= 0 && m_givenOptions.size() > static_cast<std::size_t>(m_iLimit))
        return call(m_pErrorHandler, std::string());
    for (const auto& given : m_givenOptions)
        if (m_registeredOptions.find(given.first) == m_registeredOptions.end())
            return call(m_pErrorHandler, std::string());

    int exitCode = 0;
    for (const auto& registered : m_registeredOptions) {
        const auto given = m_givenOptions.find(registered.first);
        if (given != m_givenOptions.end())
            exitCode = call(registered.second, given->second);
    }
    return exitCode;
}

bool OptionParser::doTokenise()
{
    m_givenOptions.clear();
    const std::vector<std::string> words = splitWords(m_sLine, m_sSeparator);
    bool accepted = true;
    std::size_t index = 0;
    while (index < words.size()) {
        if (words[index].empty())
            return false;
        std::string name;
        std::string value;
        if (beginsWithPrefix(words[index])) {
            name = words[index].substr(1);
            ++index;
        }
        while (index < words.size() && !beginsWithPrefix(words[index])) {
            if (words[index].empty())
                return false;
            value += words[index] + m_sSeparator;
            ++index;
        }
        if (!value.empty())
            value.pop_back();
        // A value without an option name spoils the line, but the walk goes
        // on to the end.
        if (name.empty())
            accepted = false;
        else
            m_givenOptions.emplace(name, value);
    }
    return accepted;
}

bool OptionParser::beginsWithPrefix(const std::string& word) const
{
    return !word.empty() && m_sPrefix.find(word.front()) != std::string::npos;
}

int OptionParser::call(Handler handler, const std::string& value) const
{
    return handler ? (m_pOwner->*handler)(value) : 0;
}
