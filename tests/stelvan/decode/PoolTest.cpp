#include <gtest/gtest.h>

#include "TestParsers.h"
#include "decode/engine/C_ParserPool.h"

namespace {

using namespace engine;

struct Pool : ::testing::Test {
  Ref<C_ParserPool> pool{new TUnknown<C_ParserPool>()};
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      Ref<IParserData> p(i == 1 ? static_cast<IParserData*>(new TUnknown<ftest::UParser>())
                                : static_cast<IParserData*>(new TUnknown<ftest::TParser>()));
      ASSERT_TRUE(pool->add(p.get()));
      EXPECT_NE(pool->at(i), p.get());  // the pool keeps a clone
    }
  }
  std::size_t cursorEntry() {
    for (std::size_t i = 0; i < pool->count(); ++i)
      if (pool->at(i) == pool->current()) return i;
    return 99;
  }
};

TEST_F(Pool, TryOrderNextAndPromote) {
  EXPECT_EQ(pool->order(), (std::vector<std::size_t>{0, 1, 2}));
  pool->rewind();
  EXPECT_EQ(cursorEntry(), 0u);
  EXPECT_TRUE(pool->next());
  EXPECT_EQ(cursorEntry(), 1u);
  pool->setEnabled(2, false);
  EXPECT_FALSE(pool->next());  // entry 2 is disabled: nothing left
  EXPECT_EQ(pool->current(), nullptr);
  pool->rewind();
  pool->next();
  pool->promote();  // entry 1 to the front, cursor back to the start
  EXPECT_EQ(pool->order(), (std::vector<std::size_t>{1, 0, 2}));
  EXPECT_EQ(cursorEntry(), 1u);
  pool->promoteEntry(2);
  EXPECT_EQ(pool->order(), (std::vector<std::size_t>{2, 1, 0}));
  EXPECT_EQ(cursorEntry(), 1u);  // 2 is disabled: the first enabled one
  const auto order = pool->enabledOrder();
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0].entry, 1u);
  EXPECT_TRUE(order[0].start['U']);
  EXPECT_FALSE(order[0].start['T']);
}

TEST_F(Pool, IndicesOutsideAndClone) {
  EXPECT_EQ(pool->name(1), "U");
  EXPECT_EQ(pool->name(7), "");
  EXPECT_EQ(pool->at(7), nullptr);
  EXPECT_FALSE(pool->setEnabled(7, true));
  EXPECT_FALSE(pool->isEnabled(7));
  EXPECT_FALSE(pool->configure(7, nullptr));
  EXPECT_FALSE(pool->setAcceptUnknown(7, true));
  const auto v = pool->version();
  pool->setEnabled(0, false);
  pool->setAcceptUnknown(1, true);
  EXPECT_GT(pool->version(), v);
  Ref<I_ParserPool> copy(pool->clone());
  EXPECT_EQ(copy->count(), 3u);
  EXPECT_FALSE(copy->isEnabled(0));
  EXPECT_TRUE(copy->isEnabled(1));
  EXPECT_TRUE(copy->at(1)->acceptsUnknown());
  EXPECT_NE(copy->at(1), pool->at(1));
}

}  // namespace
