// The three model tables: built-in contents, tokenising a list block in place,
// the host's check of each name, and the invalid-name message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/model_lists.h"
#include "state/plugin_state.h"
#include "support/host_fixture.h"

namespace {

class ModelListTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        FillBuiltInModelLists();
        sim::ClearMemoryTrace();
    }
    // The names the host was asked to hash, in order.
    std::vector<std::string> HashedNames() const {
        std::vector<std::string> names;
        for (const sim::TraceEntry& e : CallsTo("GetHashKey")) {
            names.push_back(e.args[0].get<std::string>());
        }
        return names;
    }
    static std::vector<std::string> Table(const char* const* table, int size) {
        return std::vector<std::string>(table, table + size);
    }
};

// Spot checks against the published table, where a slip would most likely hide:
// the repeated names, the two capitalised ones and the ends of each table.
TEST_F(ModelListTest, BuiltInTablesHoldTheirPublishedNames) {
    struct Entry {
        const char* const* table;
        int index;
        const char* name;
    };
    const Entry entries[] = {
        {BuiltInFullModelList, 0, "asea"},       {BuiltInFullModelList, 62, "asea2"},
        {BuiltInFullModelList, 129, "police4"},  {BuiltInFullModelList, 131, "police4"},
        {BuiltInFullModelList, 132, "police4"},  {BuiltInFullModelList, 186, "brawler"},
        {BuiltInFullModelList, 225, "buffalo3"}, {BuiltInFullModelList, 245, "brawler"},
        {BuiltInFullModelList, 268, "Blista3"},  {BuiltInFullModelList, 269, "Blista2"},
        {BuiltInFullModelList, 270, "buffalo3"}, {BuiltInFullModelList, 274, "dominator2"},
        {BuiltInSmallModelList, 0, "sandking2"}, {BuiltInSmallModelList, 27, "bmx"},
        {BuiltInSmallModelList, 49, "infernus"}, {BuiltInPoliceModelList, 0, "police4"},
        {BuiltInPoliceModelList, 3, "pranger"},  {BuiltInPoliceModelList, 8, "riot"},
        {BuiltInPoliceModelList, 19, "police4"},
    };
    for (const Entry& e : entries) {
        EXPECT_STREQ(e.table[e.index], e.name) << e.index;
    }
    EXPECT_EQ(Table(Plugin.FullModelList, FullModelListSize),
              Table(BuiltInFullModelList, FullModelListSize));
    EXPECT_EQ(Table(Plugin.SmallModelList, SmallModelListSize),
              Table(BuiltInSmallModelList, SmallModelListSize));
    EXPECT_EQ(Table(Plugin.PoliceModelList, PoliceModelListSize),
              Table(BuiltInPoliceModelList, PoliceModelListSize));
}

// Every built-in name is one the host knows, so the built-in tables never
// produce an invalid-name message.
TEST_F(ModelListTest, HostKnowsEveryBuiltInName) {
    for (int i = 0; i < FullModelListSize; i++) {
        EXPECT_TRUE(world.knownModelHashes.count(sim::HashName(BuiltInFullModelList[i])))
            << BuiltInFullModelList[i];
    }
    for (int i = 0; i < SmallModelListSize; i++) {
        EXPECT_TRUE(world.knownModelHashes.count(sim::HashName(BuiltInSmallModelList[i])))
            << BuiltInSmallModelList[i];
    }
    for (int i = 0; i < PoliceModelListSize; i++) {
        EXPECT_TRUE(world.knownModelHashes.count(sim::HashName(BuiltInPoliceModelList[i])))
            << BuiltInPoliceModelList[i];
    }
}

struct TokenCase {
    const char* name;
    std::string text;
    std::vector<std::string> names;
};

void PrintTo(const TokenCase& c, std::ostream* os) {
    *os << c.name;
}

class TokenisingCases : public ModelListTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(TokenisingCases, SplitAtNewlineSpaceAndCommaOnly) {
    const TokenCase& c = GetParam();
    std::vector<char> text(c.text.begin(), c.text.end());
    text.push_back('\0');
    LoadUserModelList(text.data(), ModelListKind::Full);

    std::vector<std::string> expected(BuiltInFullModelList,
                                      BuiltInFullModelList + FullModelListSize);
    for (size_t i = 0; i < c.names.size(); i++) {
        expected[i] = c.names[i];
        // The entry points into the text itself, ended there by a NUL.
        EXPECT_GE(Plugin.FullModelList[i], text.data());
        EXPECT_LT(Plugin.FullModelList[i], text.data() + text.size());
    }
    EXPECT_EQ(Table(Plugin.FullModelList, FullModelListSize), expected);
    EXPECT_EQ(HashedNames(), c.names);
    EXPECT_EQ(CallsTo("IsModelValid").size(), c.names.size());
    EXPECT_EQ(Plugin.LastSettingsRead.ListNamesTaken, int(c.names.size()));
}

INSTANTIATE_TEST_SUITE_P(
    ModelLists, TokenisingCases,
    ::testing::Values(TokenCase{"OnePerLine", "asea\nbus\ntaxi", {"asea", "bus", "taxi"}},
                      TokenCase{"CommaAndSpaceOnSeveralLines",
                                "asea, bus, taxi,\ncoach, banshee,\n",
                                {"asea", "bus", "taxi", "coach", "banshee"}},
                      TokenCase{"RunsOfDelimiters", " ,\n\n asea ,, ,bus\n \n", {"asea", "bus"}},
                      TokenCase{"TabIsPartOfAName", "asea\tbus taxi", {"asea\tbus", "taxi"}},
                      TokenCase{"CarriageReturnIsPartOfAName", "asea\r\nbus", {"asea\r", "bus"}},
                      TokenCase{"SemicolonIsPartOfAName", "asea;bus", {"asea;bus"}},
                      TokenCase{"CaseIsKept", "Banshee, TAXI", {"Banshee", "TAXI"}},
                      TokenCase{"Empty", "", {}}, TokenCase{"OnlyDelimiters", " ,\n, ", {}}));

TEST_F(ModelListTest, TenNamesReplaceOnlyTheFirstTenEntries) {
    char text[] = "bus, taxi, coach, asea, banshee,\nbati, bmx, zion, youga, vader";
    LoadUserModelList(text, ModelListKind::Full);
    EXPECT_STREQ(Plugin.FullModelList[0], "bus");
    EXPECT_STREQ(Plugin.FullModelList[9], "vader");
    for (int i = 10; i < FullModelListSize; i++) {
        EXPECT_EQ(Plugin.FullModelList[i], BuiltInFullModelList[i]) << i;
    }
    EXPECT_EQ(Table(Plugin.SmallModelList, SmallModelListSize),
              Table(BuiltInSmallModelList, SmallModelListSize));
}

TEST_F(ModelListTest, NamesBeyondTheCapacityAreIgnored) {
    std::string text;
    for (int i = 0; i < 60; i++) {
        text += (i < 50 ? "bus" : "taxi") + std::string(i % 5 == 4 ? ",\n" : ", ");
    }
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    LoadUserModelList(buffer.data(), ModelListKind::Small);
    EXPECT_EQ(Table(Plugin.SmallModelList, SmallModelListSize),
              std::vector<std::string>(SmallModelListSize, "bus"));
    EXPECT_EQ(HashedNames(), std::vector<std::string>(SmallModelListSize, "bus"));
    EXPECT_EQ(Table(Plugin.FullModelList, FullModelListSize),
              Table(BuiltInFullModelList, FullModelListSize));
    EXPECT_EQ(Table(Plugin.PoliceModelList, PoliceModelListSize),
              Table(BuiltInPoliceModelList, PoliceModelListSize));
    EXPECT_EQ(Plugin.StatusText, "");
}

TEST_F(ModelListTest, EachInvalidNameReplacesTheStatusText) {
    struct MessageCase {
        ModelListKind which;
        const char* text;
        const char* status;
        const char* const* table;
        const char* second;  // the table's entry 1 afterwards
    };
    const MessageCase cases[] = {
        {ModelListKind::Full, "asea, notacar, bus, Banshee, zzz1, taxi\tcab, coach",
         "Invalid (full list) vehicle:\ntaxi\tcab", Plugin.FullModelList, "notacar"},
        {ModelListKind::Small, "sultan\nsultann\n", "Invalid (small list) vehicle:\nsultann",
         Plugin.SmallModelList, "sultann"},
        {ModelListKind::Small, "sultan, bus", "", Plugin.SmallModelList, "bus"},
    };
    for (const MessageCase& c : cases) {
        Plugin.StatusText.clear();
        std::vector<char> text(c.text, c.text + std::strlen(c.text) + 1);
        LoadUserModelList(text.data(), c.which);
        EXPECT_EQ(Plugin.StatusText, c.status);
        // An unknown name stays in the table all the same.
        EXPECT_STREQ(c.table[1], c.second) << c.text;
    }
}

// A later, shorter list leaves the entries past its names where they were:
// they keep pointing at the same places of the buffer.
TEST_F(ModelListTest, ShorterRereadKeepsTheLaterEntries) {
    char* buffer = Plugin.FullListText;
    std::strcpy(buffer, "asea, bus, taxi, coach");
    LoadUserModelList(buffer, ModelListKind::Full);
    const char* before[4];
    std::memcpy(before, Plugin.FullModelList, sizeof(before));
    EXPECT_EQ(before[3], buffer + 17);

    std::strcpy(buffer, "zion, vader");
    LoadUserModelList(buffer, ModelListKind::Full);
    EXPECT_STREQ(Plugin.FullModelList[0], "zion");
    EXPECT_STREQ(Plugin.FullModelList[1], "vader");
    EXPECT_EQ(Plugin.FullModelList[2], before[2]);
    EXPECT_EQ(Plugin.FullModelList[3], before[3]);
    EXPECT_STREQ(Plugin.FullModelList[3], "coach");
    EXPECT_EQ(Plugin.FullModelList[4], BuiltInFullModelList[4]);
}

}  // namespace
