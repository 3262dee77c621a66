// FormatMessageA over the system's message table.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

// The machine's own wording for the error codes its calls report.
constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation succeeded."},
    {ERROR_INVALID_FUNCTION, "The function is not valid for this object."},
    {ERROR_FILE_NOT_FOUND, "The file named could not be found."},
    {ERROR_PATH_NOT_FOUND, "The path named could not be found."},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open at once."},
    {ERROR_ACCESS_DENIED, "Access to the object was denied."},
    {ERROR_INVALID_HANDLE, "The handle given is not valid."},
    {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory to complete the request."},
    {ERROR_INVALID_DATA, "The data given is not valid."},
    {ERROR_OUTOFMEMORY, "The system ran out of memory for this request."},
    {ERROR_NO_MORE_FILES, "No more files match."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_CRC, "The data failed its cyclic redundancy check."},
    {ERROR_BAD_LENGTH, "The request has a wrong length."},
    {ERROR_WRITE_FAULT, "The device could not be written."},
    {ERROR_READ_FAULT, "The device could not be read."},
    {ERROR_GEN_FAILURE, "A device attached to the system does not work."},
    {ERROR_SHARING_VIOLATION, "Another process holds the file open."},
    {ERROR_HANDLE_EOF, "The end of the file was reached."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file already exists."},
    {ERROR_INVALID_PARAMETER, "A parameter of the call is not valid."},
    {ERROR_BROKEN_PIPE, "The other end of the pipe was closed."},
    {ERROR_OPEN_FAILED, "The file or device could not be opened."},
    {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
    {ERROR_DISK_FULL, "The disk has no space left."},
    {ERROR_CALL_NOT_IMPLEMENTED, "This call is not offered by the system."},
    {ERROR_SEM_TIMEOUT, "The wait timed out."},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer given to the call is too small."},
    {ERROR_INVALID_NAME, "The name is not valid: it is empty, too long or holds characters that are not allowed."},
    {ERROR_INVALID_LEVEL, "The information level is not valid for this call."},
    {ERROR_MOD_NOT_FOUND, "The module named could not be found."},
    {ERROR_PROC_NOT_FOUND, "The module has no procedure of that name."},
    {ERROR_DIR_NOT_EMPTY, "The folder is not empty."},
    {ERROR_BAD_PATHNAME, "The path given is not valid."},
    {ERROR_BAD_EXE_FORMAT, "The file is not a program this machine can run."},
    {ERROR_BUSY, "The resource is in use."},
    {ERROR_ALREADY_EXISTS, "The object cannot be created because it already exists."},
    {ERROR_MORE_DATA, "More data is available than the buffer holds."},
    {WAIT_TIMEOUT, "The wait ended at its time limit."},
    {ERROR_NO_MORE_ITEMS, "There are no more items."},
    {ERROR_DIRECTORY, "The name is not that of a folder."},
    {ERROR_MR_MID_NOT_FOUND, "The system has no message text for this message number."},
    {ERROR_OPERATION_ABORTED, "The operation was aborted."},
    {ERROR_IO_INCOMPLETE, "The input or output operation is not complete."},
    {ERROR_IO_PENDING, "The input or output operation is in progress."},
    {ERROR_NOACCESS, "The memory given to the call cannot be accessed."},
    {ERROR_CANTOPEN, "A registry file could not be opened."},
    {ERROR_CANTREAD, "A registry file could not be read."},
    {ERROR_CANTWRITE, "A registry file could not be written."},
    {ERROR_REGISTRY_CORRUPT, "A registry file is damaged and cannot be used."},
    {ERROR_REGISTRY_IO_FAILED, "Reading or writing a registry file failed."},
    {ERROR_KEY_DELETED, "The registry key was deleted while it was open."},
    {ERROR_DEPENDENT_SERVICES_RUNNING, "Other running services depend on this service; stop them first."},
    {ERROR_INVALID_SERVICE_CONTROL, "The service does not accept this control request."},
    {ERROR_SERVICE_REQUEST_TIMEOUT, "The service did not answer the start or control request in time."},
    {ERROR_SERVICE_NO_THREAD, "No thread could be created for the service."},
    {ERROR_SERVICE_DATABASE_LOCKED, "The service database is locked."},
    {ERROR_SERVICE_ALREADY_RUNNING, "The service is already running."},
    {ERROR_INVALID_SERVICE_ACCOUNT, "The account name for the service is not valid."},
    {ERROR_SERVICE_DISABLED, "The service is disabled and cannot be started."},
    {ERROR_CIRCULAR_DEPENDENCY, "The service dependencies form a circle."},
    {ERROR_SERVICE_DOES_NOT_EXIST, "No service of that name is installed."},
    {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "The service cannot take control requests in its present state."},
    {ERROR_SERVICE_NOT_ACTIVE, "The service is not running."},
    {ERROR_FAILED_SERVICE_CONTROLLER_CONNECT,
     "The process could not reach the service control manager; it was not started as a service."},
    {ERROR_EXCEPTION_IN_SERVICE, "The service failed with an exception."},
    {ERROR_DATABASE_DOES_NOT_EXIST, "The service database named does not exist."},
    {ERROR_SERVICE_SPECIFIC_ERROR, "The service reported an error of its own."},
    {ERROR_PROCESS_ABORTED, "The process ended unexpectedly."},
    {ERROR_SERVICE_DEPENDENCY_FAIL, "A service this service depends on could not be started."},
    {ERROR_SERVICE_LOGON_FAILED, "The service could not log on."},
    {ERROR_SERVICE_START_HANG, "The service hung while starting."},
    {ERROR_INVALID_SERVICE_LOCK, "The service database lock is not valid."},
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The service is marked for deletion and will be removed once it stops."},
    {ERROR_SERVICE_EXISTS, "A service of that name is already installed."},
    {ERROR_SERVICE_NEVER_STARTED, "The service has not been started since the system started."},
    {ERROR_DUPLICATE_SERVICE_NAME, "The name is already used by another service as its name or display name."},
    {ERROR_IO_DEVICE, "The device could not carry out the request."},
    {ERROR_NOT_FOUND, "The element was not found."},
    {ERROR_TIMEOUT, "The operation ran out of time."},
    {RPC_S_SERVER_UNAVAILABLE, "The machine named cannot be reached."},
    {ERROR_INVALID_USER_BUFFER, "The buffer given is not valid for the request."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, "The message table has no texts in the language asked for."},
};

const char* systemMessage(DWORD code)
{
    for (const SystemMessage& message : kSystemMessages)
        if (message.code == code)
            return message.text;
    return nullptr;
}

bool isSupportedLanguage(DWORD language)
{
    // Neutral, the user's and the system's default, and US English.
    return language == 0 || language == MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT) || language == 0x0800 ||
           language == 0x0409;
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
                            va_list*)
{
    // Only the system's own table into the caller's buffer is offered; its
    // texts have no inserts.
    if ((dwFlags & ~static_cast<DWORD>(FORMAT_MESSAGE_IGNORE_INSERTS)) != FORMAT_MESSAGE_FROM_SYSTEM) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!isSupportedLanguage(dwLanguageId)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const char* text = systemMessage(dwMessageId);
    if (!text) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::string message = std::string(text) + "\r\n";
    const DWORD length = static_cast<DWORD>(message.size());
    if (!lpBuffer || nSize < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, message.c_str(), length + 1);
    SetLastError(ERROR_SUCCESS);
    return length;
}
