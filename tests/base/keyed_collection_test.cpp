#include "base/keyed_collection.h"

#include <gtest/gtest.h>

namespace tervalo {
namespace {

using Collection = KeyedCollection<std::string>;

int32_t ErrorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EngineError& e) {
    return e.number();
  }
  return 0;
}

TEST(KeyedCollectionTest, FindsByKeyInAnyCaseAndByPositionInInsertionOrder) {
  Collection c;
  c.AddItem(std::make_shared<std::string>("first"), "Alpha");
  c.AddItem(std::make_shared<std::string>("unkeyed"));
  c.AddItem(std::make_shared<std::string>("third"), "beta");

  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(*c.Item("ALPHA"), "first");
  EXPECT_EQ(*c.Item("Beta"), "third");
  EXPECT_EQ(*c.Item(2), "unkeyed");
  std::vector<std::string> order;
  for (const auto& item : c) order.push_back(*item);
  EXPECT_EQ(order, (std::vector<std::string>{"first", "unkeyed", "third"}));
}

TEST(KeyedCollectionTest, RefusesRepeatedAndAbsentKeysAndBadPositions) {
  Collection c;
  c.AddItem(std::make_shared<std::string>("first"), "Alpha");
  EXPECT_EQ(ErrorNumberOf([&] { c.AddItem(std::make_shared<std::string>("again"), "alpha"); }), 457);
  EXPECT_EQ(c.Count(), 1) << "a refused add adds nothing";
  EXPECT_EQ(ErrorNumberOf([&] { c.Item("gamma"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(0); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(2); }), 9);
  EXPECT_EQ(c.Find("gamma"), nullptr);
}

TEST(KeyedCollectionTest, RemoveFreesTheKeyAndClosesTheGap) {
  Collection c;
  c.AddItem(std::make_shared<std::string>("a"), "A");
  c.AddItem(std::make_shared<std::string>("b"), "B");
  c.AddItem(std::make_shared<std::string>("c"));
  c.Remove("a");
  EXPECT_EQ(*c.Item(1), "b");
  c.Remove(2);
  EXPECT_EQ(c.Count(), 1);
  c.AddItem(std::make_shared<std::string>("a2"), "A");
  EXPECT_EQ(*c.Item("a"), "a2");
  EXPECT_EQ(ErrorNumberOf([&] { c.Remove("zz"); }), 5);
}

}  // namespace
}  // namespace tervalo
