// Service records:
//   TSM-SERVICE 1
//   <field> <tab> <escaped value>      (name, display, type, start, error,
//   ...                                 binary, description, dependency*, delete)
//   END
#include "scm_database.h"

#include "machinefiles.h"
#include "registry_hive.h"

#include "tsm/machine.h"
#include "tsm/uniquehandle.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <sstream>

namespace tsm::platform {

namespace {

constexpr const char* kHeader = "TSM-SERVICE 1";

// Socket paths must fit a sockaddr_un, so files are named by a hash.
std::string nameHash(const std::string& name)
{
    uint64_t hash = 1469598103934665603ull;
    for (const char c : lowerCase(name)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

bool parseDword(const std::string& text, DWORD& value)
{
    unsigned long long number = 0;
    if (!parseDecimal(text, 0xFFFFFFFFull, number))
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

} // namespace

std::string serviceFolder()
{
    return machineFolder("services");
}

std::string serviceRecordPath(const std::string& name)
{
    return serviceFolder() + "/" + nameHash(name) + ".service";
}

std::string serviceSocketPath(const std::string& name)
{
    return serviceFolder() + "/" + nameHash(name) + ".sock";
}

std::string serviceStartSocketPath(const std::string& name)
{
    return serviceFolder() + "/" + nameHash(name) + ".start";
}

std::string serviceLockPath(const std::string& name)
{
    return serviceFolder() + "/" + nameHash(name) + ".lock";
}

std::string databaseLockPath()
{
    return serviceFolder() + "/database.lock";
}

bool sameServiceName(const std::string& a, const std::string& b)
{
    return lowerCase(a) == lowerCase(b);
}

std::string serializeServiceRecord(const ServiceRecord& record)
{
    std::ostringstream out;
    out << kHeader << '\n';
    out << "name\t" << escapeField(record.name) << '\n';
    out << "display\t" << escapeField(record.displayName) << '\n';
    out << "type\t" << record.serviceType << '\n';
    out << "start\t" << record.startType << '\n';
    out << "error\t" << record.errorControl << '\n';
    out << "binary\t" << escapeField(record.binaryPath) << '\n';
    out << "description\t" << escapeField(record.description) << '\n';
    for (const std::string& dependency : record.dependencies)
        out << "dependency\t" << escapeField(dependency) << '\n';
    out << "delete\t" << (record.markedForDelete ? 1 : 0) << '\n';
    out << "END\n";
    return out.str();
}

bool parseServiceRecord(const std::string& text, ServiceRecord& record)
{
    record = ServiceRecord();
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return false;
    bool ended = false;
    bool named = false;
    while (std::getline(in, line)) {
        if (ended)
            return false;
        if (line == "END") {
            ended = true;
            continue;
        }
        const auto tab = line.find('\t');
        if (tab == std::string::npos)
            return false;
        const std::string field = line.substr(0, tab);
        std::string value;
        if (!unescapeField(line.substr(tab + 1), value))
            return false;
        DWORD number = 0;
        if (field == "name") {
            record.name = value;
            named = !value.empty();
        } else if (field == "display") {
            record.displayName = value;
        } else if (field == "binary") {
            record.binaryPath = value;
        } else if (field == "description") {
            record.description = value;
        } else if (field == "dependency") {
            record.dependencies.push_back(value);
        } else if (field == "type" && parseDword(value, number)) {
            record.serviceType = number;
        } else if (field == "start" && parseDword(value, number)) {
            record.startType = number;
        } else if (field == "error" && parseDword(value, number)) {
            record.errorControl = number;
        } else if (field == "delete" && (value == "0" || value == "1")) {
            record.markedForDelete = value == "1";
        } else {
            return false;
        }
    }
    return ended && named;
}

RecordRead loadServiceRecord(const std::string& name, ServiceRecord& record)
{
    std::string text;
    switch (readWholeFile(serviceRecordPath(name), text, 1u << 20)) {
    case ReadResult::eMISSING:
        return RecordRead::eMISSING;
    case ReadResult::eFAILED:
        return RecordRead::eDAMAGED;
    case ReadResult::eREAD:
        break;
    }
    // A record under this name's file must be this name's record.
    if (!parseServiceRecord(text, record) || !sameServiceName(record.name, name))
        return RecordRead::eDAMAGED;
    return RecordRead::eFOUND;
}

bool storeServiceRecord(const ServiceRecord& record)
{
    return !serviceFolder().empty() &&
           writeFileAtomically(serviceRecordPath(record.name), serializeServiceRecord(record));
}

bool removeServiceRecord(const std::string& name)
{
    return ::unlink(serviceRecordPath(name).c_str()) == 0;
}

} // namespace tsm::platform

namespace tsm {

std::vector<ServiceRecord> readServiceDatabase(std::size_t* damagedEntries)
{
    std::vector<ServiceRecord> records;
    std::size_t damaged = 0;
    const std::string folder = machineRoot() + "/services";
    if (const UniqueDir dir{::opendir(folder.c_str())}) {
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string file = entry->d_name;
            if (file.size() < 8 || file.compare(file.size() - 8, 8, ".service") != 0)
                continue;
            std::string text;
            ServiceRecord record;
            if (platform::readWholeFile(folder + "/" + file, text, 1u << 20) == platform::ReadResult::eREAD &&
                platform::parseServiceRecord(text, record))
                records.push_back(record);
            else
                ++damaged;
        }
    }
    std::sort(records.begin(), records.end(), [](const ServiceRecord& a, const ServiceRecord& b) {
        return platform::lowerCase(a.name) < platform::lowerCase(b.name);
    });
    if (damagedEntries)
        *damagedEntries = damaged;
    return records;
}

} // namespace tsm
