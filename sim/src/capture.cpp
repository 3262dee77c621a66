// Writes capture records with O_APPEND single writes.
#include "capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

void appendHex(std::string& text, const uint8_t* bytes, uint32_t length)
{
    static const char digits[] = "0123456789abcdef";
    for (uint32_t i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
}

void appendJsonString(std::string& text, const std::string& value)
{
    text += '"';
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            text += escaped;
        } else {
            text += c;
        }
    }
    text += '"';
}

} // namespace

std::string captureRecord(const std::string& device, uint32_t code, const uint8_t* in, uint32_t inLength,
                          const uint8_t* out, uint32_t outLength, uint32_t error)
{
    std::string text = "{\"device\": ";
    appendJsonString(text, device);
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
    text += ", \"code\": \"";
    text += number;
    text += "\", \"in\": \"";
    appendHex(text, in, in ? inLength : 0);
    text += "\", \"out\": \"";
    appendHex(text, out, out ? outLength : 0);
    text += "\", \"ok\": ";
    text += error == 0 ? "true" : "false";
    text += ", \"error\": " + std::to_string(error) + "}\n";
    return text;
}

void captureRequest(const std::string& device, uint32_t code, const uint8_t* in, uint32_t inLength, const uint8_t* out,
                    uint32_t outLength, uint32_t error)
{
    const char* path = std::getenv("SIM_CAPTURE");
    if (!path || !*path)
        return;
    const std::string record = captureRecord(device, code, in, inLength, out, outLength, error);
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    // One write: O_APPEND makes the record land whole at the end.
    const ssize_t written = ::write(fd, record.data(), record.size());
    (void)written;
    ::close(fd);
}

} // namespace sim
