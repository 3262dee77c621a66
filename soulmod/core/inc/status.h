// Status: the result of a device operation, a value with a message.
#ifndef TSM_CORE_STATUS_H
#define TSM_CORE_STATUS_H

#include "csign.h"

#include <cstdint>
#include <string>

namespace Core {

class Status {
public:
    enum eValue : std::int32_t {
        eFAILED = 0, // ran and failed
        eOK = 1, // ran and succeeded
        eNOTRUN = 2, // not run (the device was stale)
        eNOTAPPLICABLE = 3, // the operation does not visit this device kind
        eLAST = 10000 // every value lies below this
    };

    explicit Status(eValue value, std::string message = std::string());
    // eOK for true, eFAILED for false; the message is empty.
    explicit Status(bool bSuccess);
    virtual ~Status();

    bool isInvariant() const;
    // Stops the program when the value is eLAST or above.
    eValue value() const;
    bool isOk() const;
    std::string message() const;
    void setMessage(const std::string& message);

private:
    CSignature m_bSignature;
    eValue m_eValue;
    std::string m_strMessage;
};

}

#endif
