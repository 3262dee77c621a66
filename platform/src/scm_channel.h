// The local (unix) sockets between the service control manager's callers and
// a service process: one request line and one reply line per connection,
// read with a deadline and a length limit, so a stuck or dead peer costs a
// timeout, never a hang.
#ifndef TSM_PLATFORM_SCM_CHANNEL_H
#define TSM_PLATFORM_SCM_CHANNEL_H

#include "tsm/uniquehandle.h"

#include <windows.h>

#include <chrono>
#include <string>

namespace tsm::platform {

// An owned socket descriptor.
using Socket = UniqueFd;

// Controls that a service defines for itself.
constexpr DWORD kFirstUserControl = 128;
constexpr DWORD kLastUserControl = 255;

enum class ConnectResult { eCONNECTED, eNO_LISTENER, eREFUSED, eFAILED };

// Connects to the socket at path; eNO_LISTENER when no socket file exists,
// eREFUSED when the file is there but nobody listens (its process died).
ConnectResult connectTo(const std::string& path, Socket& socket);

// Binds and listens at path, replacing a stale socket file.
bool listenAt(const std::string& path, Socket& socket);

// Accepts a connection if one arrives within the wait (milliseconds).
Socket acceptWithin(const Socket& listener, int milliseconds);

bool sendLine(const Socket& socket, const std::string& line);

// A service process's reply to a query or a control, one line: "STATUS" and
// the seven fields of SERVICE_STATUS in order, or, for a refused control,
// "ERROR", the error code and the fields.
std::string encodeStatusReply(const SERVICE_STATUS& status, DWORD error = ERROR_SUCCESS);

// Reads such a line; error is ERROR_SUCCESS for a "STATUS" line. False for
// anything else (status and error then untouched).
bool decodeStatusReply(const std::string& line, SERVICE_STATUS& status, DWORD& error);

// Reads up to and without the line feed; false on timeout, end of stream, an
// error or a line longer than the limit.
bool readLine(const Socket& socket, std::string& line, std::chrono::milliseconds limit, std::size_t maxLength = 512);

} // namespace tsm::platform

#endif
