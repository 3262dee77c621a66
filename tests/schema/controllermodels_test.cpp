// The board and model tables: their shape, their agreement and their lookups.
#include "controllermodels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace {

TEST(ControllerModels, EighteenBoardsThreeProductsATagForEveryModelAndExactLookups)
{
    std::set<std::string> keys;
    std::set<std::string> boardModels;
    int subsystemKeys = 0;
    for (const Schema::BoardEntry& entry : Schema::boardTable()) {
        SCOPED_TRACE(entry.pszKey);
        const std::string key = entry.pszKey;
        EXPECT_TRUE(keys.insert(key).second) << "duplicate key";
        boardModels.insert(entry.pszModel);
        EXPECT_TRUE(Schema::modelTag(entry.pszModel).has_value());
        // A subsystem identifier as subsystemKey() writes it, or a product identifier.
        if (key.size() == 10 && key.rfind("0x", 0) == 0 && key.find_first_not_of("0123456789abcdef", 2) == std::string::npos)
            ++subsystemKeys;
        else
            EXPECT_EQ(key.size(), 16u) << "neither a subsystem identifier nor a product identifier";
    }
    EXPECT_EQ(keys.size(), 21u);
    EXPECT_EQ(subsystemKeys, 18);

    // One model more than the boards name; tags are upper case.
    ASSERT_EQ(Schema::modelTable().size(), 21u);
    int withoutBoard = 0;
    for (const Schema::ModelEntry& row : Schema::modelTable()) {
        SCOPED_TRACE(row.pszModel);
        withoutBoard += boardModels.count(row.pszModel) == 0 ? 1 : 0;
        const std::string tag = row.pszTag;
        EXPECT_FALSE(tag.empty());
        EXPECT_TRUE(std::none_of(tag.begin(), tag.end(), [](unsigned char c) { return std::islower(c); })) << tag;
    }
    EXPECT_EQ(withoutBoard, 1);

    // Models are looked up exactly, keys in their written form.
    EXPECT_EQ(Schema::modelTag("Tarvion ArrayLine 230").value_or(""), "STR_MODEL_AL230");
    EXPECT_EQ(Schema::modelTag("Tarvion ArrayLine 100").value_or(""), "STR_MODEL_AL100");
    for (const char* model : {"tarvion arrayline 230", "Tarvion ArrayLine 230 ", "Unknown", ""})
        EXPECT_FALSE(Schema::modelTag(model).has_value()) << model;

    EXPECT_EQ(Schema::subsystemKey(1), "0x00000001");
    EXPECT_EQ(Schema::subsystemKey(0xF1A74C03u), "0xf1a74c03");
    EXPECT_EQ(Schema::subsystemKey(0xFFFFFFFFu), "0xffffffff");

    // The clustered controller's product identifier is a key of the board table.
    const std::string clustered = Schema::kClusteredControllerProductId;
    EXPECT_EQ(clustered.size(), 16u);
    EXPECT_EQ(keys.count(clustered), 1u);
}

}
