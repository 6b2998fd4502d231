// The item list and the stream collection that the loader fills.
#include <gtest/gtest.h>

#include "service/host/ItemList.h"
#include "service/host/StreamCollection.h"

namespace tarnel {
namespace {

std::string ItemName(int i) {
    std::string strName = "I";
    strName += std::to_string(i);
    return strName;
}

TEST(ItemListTest, SharedNamesShareOneIndexAndCaseCounts) {
    ItemList items;
    EXPECT_EQ(items.RegisterItem("PT101"), 0);
    EXPECT_EQ(items.RegisterItem("TT101"), 1);
    EXPECT_EQ(items.RegisterItem("PT101"), 0);
    EXPECT_EQ(items.RegisterItem("pt101"), 2);
    EXPECT_EQ(items.RegisterItem(""), 3);
    EXPECT_EQ(items.Items(), (std::vector<std::string>{"PT101", "TT101", "pt101", ""}));
}

TEST(ItemListTest, The102ndNameRaisesTheCapacityByTen) {
    ItemList items;
    for (int i = 0; i < 101; ++i) items.RegisterItem(ItemName(i));
    EXPECT_EQ(items.Capacity(), 100);
    EXPECT_EQ(items.RegisterItem("I101"), 101);
    EXPECT_EQ(items.Capacity(), 110);
    for (int i = 102; i < 500; ++i) EXPECT_EQ(items.RegisterItem(ItemName(i)), i);
    EXPECT_EQ(items.Count(), 500);
    EXPECT_EQ(items.Name(499), "I499");
}

TEST(StreamCollectionTest, KeysIgnoreCaseAndOrderIsKept) {
    StreamServices services;
    StreamCollection streams;
    for (const char* name : {"P-101", "N2", "C3"}) {
        auto stream = std::make_unique<TarnelTag>(services);
        stream->TagName(name);
        EXPECT_TRUE(streams.Add(std::move(stream), name));
    }
    EXPECT_FALSE(streams.Add(std::make_unique<TarnelTag>(services), "p-101"));
    EXPECT_EQ(streams.Count(), 3);
    EXPECT_EQ(streams.Item("n2")->TagName(), "N2");
    EXPECT_EQ(streams.Item("missing"), nullptr);
    std::vector<std::string> order;
    for (const auto& stream : streams) order.push_back(stream->TagName());
    EXPECT_EQ(order, (std::vector<std::string>{"P-101", "N2", "C3"}));
}

}  // namespace
}  // namespace tarnel
