// Capture display and replay through the platform's device calls.
#include "replay.h"

#include "capturelines.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace simctl {

namespace {

// The routing request hands the driver the address of a descriptor in the
// process that sent it; that address means nothing to another process.
constexpr uint32_t kRoutingCode = 0x0007212C;

void hexDump(const std::vector<uint8_t>& bytes, std::ostream& out)
{
    char text[24];
    for (size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(text, sizeof text, "%04zx", row);
        out << "      " << text << " ";
        for (size_t i = row; i < row + 16 && i < bytes.size(); ++i) {
            std::snprintf(text, sizeof text, " %02x", bytes[i]);
            out << text;
        }
        out << "\n";
    }
}

std::string codeText(uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    const std::string name = controlCodeName(code);
    return name.empty() ? text : std::string(text) + " (" + name + ")";
}

// Reads the next record; false at the end. A bad line sets bad and is reported.
bool nextRequest(std::istream& capture, size_t& lineNumber, CapturedRequest& request, bool& bad, std::ostream& errors)
{
    std::string line;
    while (std::getline(capture, line)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::string problem;
        if (parseCaptureLine(line, request, problem))
            return true;
        errors << "line " << lineNumber << ": " << problem << "\n";
        bad = true;
    }
    return false;
}

// Sends one request as captured; the output buffer starts as the captured
// one, since some requests carry their parameters in it.
void resend(const CapturedRequest& captured, CapturedRequest& now)
{
    now = captured;
    const HANDLE h = CreateFileA(captured.device.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        now.ok = false;
        now.error = GetLastError();
        return;
    }
    std::vector<uint8_t> in = captured.in;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(h, captured.code, in.empty() ? nullptr : in.data(), static_cast<DWORD>(in.size()),
                                    now.out.empty() ? nullptr : now.out.data(), static_cast<DWORD>(now.out.size()),
                                    &returned, nullptr);
    now.ok = ok != FALSE;
    now.error = ok ? 0 : GetLastError();
    CloseHandle(h);
}

} // namespace

bool showCapture(std::istream& capture, std::ostream& out, std::ostream& errors)
{
    size_t lineNumber = 0;
    size_t count = 0;
    bool bad = false;
    CapturedRequest request;
    while (nextRequest(capture, lineNumber, request, bad, errors)) {
        ++count;
        out << "#" << count << "  " << request.device << "  " << codeText(request.code) << "  "
            << (request.ok ? "ok" : "failed, error " + std::to_string(request.error)) << "\n";
        out << "    in " << request.in.size() << " bytes\n";
        hexDump(request.in, out);
        out << "    out " << request.out.size() << " bytes\n";
        hexDump(request.out, out);
    }
    out << count << " requests\n";
    return !bad;
}

bool replayCapture(std::istream& capture, std::ostream& out, std::ostream& errors)
{
    size_t lineNumber = 0;
    size_t count = 0;
    size_t differing = 0;
    size_t skipped = 0;
    bool bad = false;
    CapturedRequest captured;
    while (nextRequest(capture, lineNumber, captured, bad, errors)) {
        ++count;
        out << "#" << count << "  " << captured.device << "  " << codeText(captured.code) << ": ";
        if (captured.code == kRoutingCode) {
            ++skipped;
            out << "skipped (holds an address of the capturing process)\n";
            continue;
        }
        CapturedRequest now;
        resend(captured, now);
        if (now.ok != captured.ok || now.error != captured.error) {
            ++differing;
            out << "result differs: captured " << (captured.ok ? "ok" : "error " + std::to_string(captured.error))
                << ", now " << (now.ok ? "ok" : "error " + std::to_string(now.error)) << "\n";
            continue;
        }
        size_t at = 0;
        while (at < now.out.size() && now.out[at] == captured.out[at])
            ++at;
        if (at < now.out.size()) {
            ++differing;
            char text[96];
            std::snprintf(text, sizeof text, "reply differs from byte %zu (captured %02x, now %02x)\n", at,
                          captured.out[at], now.out[at]);
            out << text;
            continue;
        }
        out << "same\n";
    }
    out << count << " requests, " << differing << " differ, " << skipped << " skipped\n";
    return !bad && differing == 0;
}

} // namespace simctl
