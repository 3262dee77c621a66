// Writing the controllers' health as script data for the page.
#include "healthscript.h"

#include <cstdio>

namespace Web {
namespace {

// Bytes are taken as Latin-1: controller texts are not guaranteed to be
// UTF-8, and an escape keeps the page's encoding out of the question.
void appendString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool bPlain = byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\' && c != '<' && c != '>' && c != '&';
        if (bPlain) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(byte));
            out += escape;
        }
    }
    out += '"';
}

const char* stateName(FactState eState)
{
    switch (eState) {
    case FactState::eOK:
        return "ok";
    case FactState::eATTENTION:
        return "attention";
    case FactState::eABSENT:
        return "absent";
    case FactState::eUNKNOWN:
        break;
    }
    return "unknown";
}

void appendMember(std::string& out, const char* pszName, const std::string& value)
{
    out += ",\"";
    out += pszName;
    out += "\":";
    appendString(out, value);
}

void appendFact(std::string& out, const char* pszName, const HealthFact& fact, const std::string& packs = {})
{
    out += ",\"";
    out += pszName;
    out += "\":{\"state\":\"";
    out += stateName(fact.eState);
    out += '"';
    appendMember(out, "value", fact.value);
    if (!packs.empty())
        appendMember(out, "packs", packs);
    out += '}';
}

void appendController(std::string& out, const ControllerHealth& health)
{
    out += "\n{\"name\":";
    appendString(out, health.modelTag);
    appendMember(out, "inst", health.instanceName);
    appendMember(out, "at", health.instanceValue);
    appendMember(out, "where", health.fullName);
    appendFact(out, "controller", health.controller);
    appendFact(out, "cache", health.cache);
    appendFact(out, "battery", health.battery, health.batteryPacks);
    appendFact(out, "redundancy", health.redundancy);
    appendFact(out, "firmware", health.firmware);
    out += '}';
}

}

std::string HealthScript(const std::vector<ControllerHealth>& controllers)
{
    std::string out = "vxaHealth = {\"controllers\":[";
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        if (i > 0)
            out += ',';
        appendController(out, controllers[i]);
    }
    out += "]};\n";
    return out;
}

}
