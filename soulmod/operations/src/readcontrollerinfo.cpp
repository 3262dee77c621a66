// Reading controller information: five controller commands, their replies
// as attributes, and the controller's display names.
#include "readcontrollerinfo.h"

#include "bmiccommand.h"
#include "checkassert.h"
#include "controllermodels.h"
#include "controllerreplies.h"

#include <cstdlib>

namespace Operations {
namespace {

// A controller whose commands failed on its first visit lacks the reply
// attributes; its names are then built from what it has.
std::string attributeOrEmpty(const Core::Device& device, const char* pszName)
{
    return device.hasAttribute(pszName) ? device.attribute(pszName) : std::string();
}

}

ReadControllerInfo::ReadControllerInfo()
{
    for (const Schema::BoardEntry& entry : Schema::boardTable())
        m_models.emplace(entry.pszKey, entry.pszModel);
    TSM_ASSERT_INVARIANT();
}

ReadControllerInfo::~ReadControllerInfo() = default;

bool ReadControllerInfo::isInvariant() const
{
    return m_bSignature.isValid() && Core::DeviceOperation::isInvariant();
}

std::string ReadControllerInfo::doName() const
{
    return "OperationReadControllerInfo";
}

Core::DeviceOperation::eType ReadControllerInfo::doType() const
{
    return eREAD;
}

std::string ReadControllerInfo::modelName(const std::string& key)
{
    return m_models[key];
}

CountedPtr<Core::Status> ReadControllerInfo::visit(Schema::ArrayController& controller)
{
    TSM_ASSERT_INVARIANT();
    namespace Replies = ControllerReplies;
    const auto publish = [this, &controller](const Replies::Attributes& attributes) {
        for (const auto& [name, value] : attributes)
            publishAttribute(controller, Core::Attribute(name, value), false);
    };
    const auto remove = [&controller](const std::vector<std::string>& names) {
        for (const std::string& name : names)
            controller.removeAttribute(name);
    };

    Core::IdentifyControllerCommand identify;
    Core::ControllerParametersCommand parameters;
    Core::CacheConfigStatusCommand cache;
    Core::SurfaceStatusCommand surface;
    Core::SubsystemInfoCommand subsystem;

    const bool bParametersOk = parameters.run(controller)->isOk();
    publishAttribute(controller, Core::Attribute("ControllerStatus", bParametersOk ? "Ok" : "Failed"), false);
    subsystem.run(controller);
    const bool bAllOk =
        identify.run(controller)->isOk() && cache.run(controller)->isOk() && surface.run(controller)->isOk();

    Replies::ControllerFacts facts;
    facts.bRemote = controller.location() == Schema::ArrayController::eREMOTE;
    if (bAllOk) {
        facts.bHasRedundantState = controller.hasAttribute("RedundantState");
        facts.bClustered = controller.hasAttribute("ProductID") &&
                           controller.attribute("ProductID") == Schema::kClusteredControllerProductId;
        publish(Replies::identifyAttributes(identify.view(), facts));
        remove(Replies::parameterRemovals());
        publish(Replies::parameterAttributes(parameters.view(), facts));
        remove(Replies::cacheRemovals());
        publish(Replies::cacheAttributes(cache.view()));
        publish(Replies::surfaceAttributes(surface.view()));
        publish(Replies::subsystemAttributes(subsystem.view(), facts));
    }
    publishNames(controller);
    TSM_ASSERT_INVARIANT();
    return CountedPtr<Core::Status>(new Core::Status(true));
}

void ReadControllerInfo::publishNames(Schema::ArrayController& controller)
{
    if (controller.location() == Schema::ArrayController::eREMOTE) {
        const std::string boxName = controller.hasAttribute("HardwareName")
                                        ? controller.attribute("HardwareName")
                                        : attributeOrEmpty(controller, "ChassisSerialNumber");
        publishAttribute(controller, Core::Attribute("Boxname", boxName), false);
    }
    std::string name;
    if (controller.hasAttribute("ProductID"))
        name = modelName(controller.attribute("ProductID"));
    if (controller.hasAttribute("SubsystemID")) {
        const auto id =
            static_cast<std::uint32_t>(std::strtoul(controller.attribute("SubsystemID").c_str(), nullptr, 10));
        name = modelName(Schema::subsystemKey(id));
    }
    if (name.empty())
        name = "Unknown";
    publishAttribute(controller, Core::Attribute("ControllerName", name), false);
    const std::string fullName = attributeOrEmpty(controller, "Location") == "local"
                                     ? name + " in Slot " + attributeOrEmpty(controller, "Slot")
                                     : name + " at " + attributeOrEmpty(controller, "Boxname");
    publishAttribute(controller, Core::Attribute("FullName", fullName), false);
}

}
