// The board and model tables: their shape, their agreement and their lookups.
#include "controllermodels.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

bool isSubsystemKey(const std::string& key)
{
    if (key.size() != 10 || key.compare(0, 2, "0x") != 0)
        return false;
    for (std::size_t i = 2; i < key.size(); ++i) {
        const char c = key[i];
        if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'a' && c <= 'f'))
            return false;
    }
    return true;
}

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
        if (isSubsystemKey(key))
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
    EXPECT_FALSE(Schema::modelTag("tarvion arrayline 230").has_value());
    EXPECT_FALSE(Schema::modelTag("Tarvion ArrayLine 230 ").has_value());
    EXPECT_FALSE(Schema::modelTag("Unknown").has_value());
    EXPECT_FALSE(Schema::modelTag("").has_value());

    EXPECT_EQ(Schema::subsystemKey(1), "0x00000001");
    EXPECT_EQ(Schema::subsystemKey(0xF1A74C03u), "0xf1a74c03");
    EXPECT_EQ(Schema::subsystemKey(0xFFFFFFFFu), "0xffffffff");
}

TEST(ControllerModels, ClusteredProductIdentifierIsABoardKey)
{
    const std::string clustered = Schema::kClusteredControllerProductId;
    EXPECT_EQ(clustered.size(), 16u);
    bool bFound = false;
    for (const Schema::BoardEntry& entry : Schema::boardTable())
        bFound = bFound || clustered == entry.pszKey;
    EXPECT_TRUE(bFound);
}

}
