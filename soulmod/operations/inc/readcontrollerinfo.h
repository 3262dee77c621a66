// Reads a controller's properties with controller commands and names it.
#ifndef TSM_OPERATIONS_READCONTROLLERINFO_H
#define TSM_OPERATIONS_READCONTROLLERINFO_H

#include "csign.h"
#include "deviceoperation.h"
#include "schemakinds.h"

#include <map>
#include <string>

namespace Operations {

class ReadControllerInfo : public Schema::ArrayControllerVisitor,
                           public Core::DeviceOperation,
                           public Core::AttributePublisher {
public:
    ReadControllerInfo();
    ~ReadControllerInfo() override;

    bool isInvariant() const override;
    CountedPtr<Core::Status> visit(Schema::ArrayController& controller) override;

protected:
    std::string doName() const override;
    eType doType() const override;

private:
    std::string modelName(const std::string& key);
    void publishNames(Schema::ArrayController& controller);

    CSignature m_bSignature;
    // Board keys to model names; a key not in the table reads as empty.
    std::map<std::string, std::string> m_models;
};

}

#endif
