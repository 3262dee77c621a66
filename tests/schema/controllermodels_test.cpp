// The board and model tables: their shape, their agreement and their lookups.
#include "controllermodels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

namespace {

TEST(ControllerModels, BoardTableHoldsEighteenBoardsAndThreeProducts)
{
    const auto boards = Schema::boardTable();
    ASSERT_EQ(boards.size(), 21u);
    int subsystemKeys = 0;
    int productKeys = 0;
    std::set<std::string> keys;
    for (const Schema::BoardEntry& entry : boards) {
        SCOPED_TRACE(entry.pszKey);
        const std::string key = entry.pszKey;
        EXPECT_TRUE(keys.insert(key).second) << "duplicate key";
        EXPECT_FALSE(std::string(entry.pszModel).empty());
        const bool bSubsystem =
            key.size() == 10 && key.rfind("0x", 0) == 0 && key.find_first_not_of("0123456789abcdef", 2) == std::string::npos;
        if (bSubsystem)
            ++subsystemKeys;
        else if (key.size() == 16)
            ++productKeys;
        else
            ADD_FAILURE() << "key is neither a subsystem identifier nor a product identifier";
    }
    EXPECT_EQ(subsystemKeys, 18);
    EXPECT_EQ(productKeys, 3);
}

TEST(ControllerModels, ModelTableNamesEveryBoardModelAndOneEisaModelMore)
{
    const auto models = Schema::modelTable();
    ASSERT_EQ(models.size(), 21u);
    std::set<std::string> boardModels;
    for (const Schema::BoardEntry& entry : Schema::boardTable())
        boardModels.insert(entry.pszModel);
    for (const std::string& model : boardModels) {
        SCOPED_TRACE(model);
        EXPECT_TRUE(Schema::modelTag(model).has_value());
    }
    int withoutBoard = 0;
    for (const Schema::ModelEntry& row : models) {
        SCOPED_TRACE(row.pszModel);
        if (boardModels.count(row.pszModel) == 0)
            ++withoutBoard;
        const std::string tag = row.pszTag;
        ASSERT_FALSE(tag.empty());
        for (const char c : tag)
            EXPECT_FALSE(std::islower(static_cast<unsigned char>(c))) << "tag " << tag << " is not upper case";
    }
    EXPECT_EQ(withoutBoard, 1);
}

TEST(ControllerModels, LooksUpModelsExactlyAndKeysInTheirWrittenForm)
{
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
    const auto boards = Schema::boardTable();
    EXPECT_TRUE(
        std::any_of(boards.begin(), boards.end(), [&](const auto& entry) { return clustered == entry.pszKey; }));
}

}
