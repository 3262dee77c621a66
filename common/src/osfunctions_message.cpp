// System message texts and the executable's path.
#include "osfunctions.h"

#include <cstring>

std::string systemMessageText(DWORD dwError)
{
    char text[1024] = {};
    const DWORD dwLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string message(text, dwLength < sizeof text ? dwLength : 0);
    // System texts end in a line break; the console writes its own.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

std::string executablePath()
{
    char path[MAX_PATH] = {};
    const DWORD dwLength = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (dwLength == 0)
        return std::string();
    return std::string(path, strnlen(path, MAX_PATH));
}
