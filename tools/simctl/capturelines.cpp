// A small reader for the flat JSON objects of capture lines.
#include "capturelines.h"

#include <sim/node.h>

#include <cctype>
#include <map>

namespace simctl {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : m_text(text) {}

    bool readObject(std::map<std::string, std::string>& fields, std::string& problem)
    {
        skipBlanks();
        if (!take('{'))
            return fail(problem, "a record starts with '{'");
        skipBlanks();
        if (take('}'))
            return true;
        for (;;) {
            std::string key;
            std::string value;
            skipBlanks();
            if (!readString(key))
                return fail(problem, "a field name is a quoted text");
            skipBlanks();
            if (!take(':'))
                return fail(problem, "':' after field \"" + key + "\"");
            skipBlanks();
            if (!readValue(value))
                return fail(problem, "no value for field \"" + key + "\"");
            fields[key] = value;
            skipBlanks();
            if (take('}'))
                break;
            if (!take(','))
                return fail(problem, "',' or '}' after field \"" + key + "\"");
        }
        skipBlanks();
        return m_pos == m_text.size() || fail(problem, "text after the record");
    }

private:
    bool fail(std::string& problem, const std::string& what)
    {
        problem = "at column " + std::to_string(m_pos + 1) + ": expected " + what;
        return false;
    }
    void skipBlanks()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool take(char c)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool readString(std::string& value)
    {
        if (!take('"'))
            return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const char escaped = m_text[m_pos++];
            if (escaped == 'u') {
                uint32_t code = 0;
                if (m_pos + 4 > m_text.size() || !sim::parseNumber("0x" + m_text.substr(m_pos, 4), code) || code > 0x7F)
                    return false;
                value += static_cast<char>(code);
                m_pos += 4;
            } else if (escaped == '"' || escaped == '\\' || escaped == '/') {
                value += escaped;
            } else {
                return false;
            }
        }
        return false;
    }
    bool readValue(std::string& value)
    {
        if (m_pos < m_text.size() && m_text[m_pos] == '"')
            return readString(value);
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '-'))
            value += m_text[m_pos++];
        return !value.empty();
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

} // namespace

bool parseCaptureLine(const std::string& line, CapturedRequest& request, std::string& problem)
{
    std::map<std::string, std::string> fields;
    if (!Reader(line).readObject(fields, problem))
        return false;
    for (const char* key : {"device", "code", "in", "out", "ok", "error"}) {
        if (!fields.count(key)) {
            problem = std::string("no field \"") + key + "\"";
            return false;
        }
    }
    request = CapturedRequest();
    request.device = fields["device"];
    if (!sim::parseNumber(fields["code"], request.code)) {
        problem = "\"code\" is not a number";
        return false;
    }
    if (!sim::parseHexBytes(fields["in"], request.in) || !sim::parseHexBytes(fields["out"], request.out)) {
        problem = "\"in\" and \"out\" hold hex digit pairs";
        return false;
    }
    if (fields["ok"] != "true" && fields["ok"] != "false") {
        problem = "\"ok\" is true or false";
        return false;
    }
    request.ok = fields["ok"] == "true";
    if (!sim::parseNumber(fields["error"], request.error)) {
        problem = "\"error\" is not a number";
        return false;
    }
    return true;
}

const char* controlCodeName(uint32_t code)
{
    switch (code) {
    case 0x0004D008:
        return "miniport pass-through";
    case 0x0004100C:
        return "inquiry data";
    case 0x0004101C:
        return "bus rescan";
    case 0x0007212C:
        return "health: interrupt routing";
    case 0x00072158:
        return "health: configuration header";
    case 0x000721F8:
        return "health: slot number";
    default:
        return "";
    }
}

} // namespace simctl
