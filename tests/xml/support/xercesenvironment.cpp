// Initialises the XML library once for the whole test binary, as the
// application does at start-up; like the application, it never terminates it
// (the shared DTD grammars are released at exit, after the tests).
#include <gtest/gtest.h>

#include <xercesc/util/PlatformUtils.hpp>

namespace {

class XercesEnvironment : public testing::Environment {
public:
    void SetUp() override { xercesc::XMLPlatformUtils::Initialize(); }
};

const testing::Environment* const g_pEnvironment = testing::AddGlobalTestEnvironment(new XercesEnvironment);

}
