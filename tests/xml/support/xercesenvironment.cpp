// Initialises the XML library once for the whole test binary, as the
// application does at start-up.
#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

namespace {

class XercesEnvironment : public testing::Environment {
public:
    void SetUp() override { xercesc::XMLPlatformUtils::Initialize(); }
    void TearDown() override { xercesc::XMLPlatformUtils::Terminate(); }
};

const testing::Environment* const g_pEnvironment = testing::AddGlobalTestEnvironment(new XercesEnvironment);

}
