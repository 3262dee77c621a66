// Whole-file reads, atomic writes, appends and locks for the machine's state.
#include "machinefiles.h"

#include <cctype>

#include "tsm/machine.h"
#include "tsm/neverdestroyed.h"
#include "tsm/posixcalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

namespace tsm::platform {

std::string machineFolder(const std::string& name)
{
    const std::string root = machineRoot();
    const std::string folder = root + "/" + name;
    ::mkdir(root.c_str(), 0755);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return std::string();
    return folder;
}

ReadResult readWholeFile(const std::string& path, std::string& contents, std::size_t limit)
{
    contents.clear();
    const int fd = posixCalls().open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::eMISSING : ReadResult::eFAILED;
    char buffer[8192];
    for (;;) {
        const ssize_t got = posixCalls().read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || contents.size() + static_cast<std::size_t>(got) > limit) {
            posixCalls().close(fd);
            contents.clear();
            return ReadResult::eFAILED;
        }
        if (got == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    posixCalls().close(fd);
    return ReadResult::eREAD;
}

bool appendToFile(const std::string& path, const std::string& text)
{
    const int fd = posixCalls().open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ssize_t wrote = -1;
    do {
        wrote = posixCalls().write(fd, text.data(), text.size());
    } while (wrote < 0 && errno == EINTR);
    const bool closed = posixCalls().close(fd) == 0;
    return closed && wrote == static_cast<ssize_t>(text.size());
}

namespace {

std::mutex& lockMutexFor(const std::string& path)
{
    static std::mutex tableMutex;
    static tsm::NeverDestroyed<std::map<std::string, std::unique_ptr<std::mutex>>> table;
    std::lock_guard<std::mutex> lock(tableMutex);
    auto& slot = table.get()[path];
    if (!slot)
        slot = std::make_unique<std::mutex>();
    return *slot;
}

} // namespace

MachineFileLock::MachineFileLock(const std::string& lockPath) : m_pMutex(&lockMutexFor(lockPath))
{
    static_cast<std::mutex*>(m_pMutex)->lock();
    m_fd.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (m_fd) {
        while (::flock(m_fd.get(), LOCK_EX) != 0 && errno == EINTR) {}
    }
}

MachineFileLock::~MachineFileLock()
{
    m_fd.reset(); // releases the flock
    static_cast<std::mutex*>(m_pMutex)->unlock();
}

std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool parseDecimal(const std::string& text, unsigned long long limit, unsigned long long& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (limit - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

std::string escapeField(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == '%' || byte == 0x7F) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool unescapeField(const std::string& text, std::string& out)
{
    out.clear();
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            out += text[index];
            continue;
        }
        if (index + 2 >= text.size())
            return false;
        const int high = hexValue(text[index + 1]);
        const int low = hexValue(text[index + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return true;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
}

bool fromHex(const std::string& hex, std::string& bytes)
{
    bytes.clear();
    if (hex.size() % 2 != 0)
        return false;
    for (std::size_t index = 0; index < hex.size(); index += 2) {
        const int high = hexValue(hex[index]);
        const int low = hexValue(hex[index + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

} // namespace tsm::platform
