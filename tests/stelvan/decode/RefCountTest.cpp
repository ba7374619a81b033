#include <gtest/gtest.h>

#include "decode/interfaces/ITUnknown.h"
#include "decode/interfaces/I_DataWriter.h"

namespace {

using namespace engine;

struct IThing : ITUnknown {
  virtual int value() = 0;
};

int g_destroyed = 0;

class Thing : public IThing, public I_DataWriter {
 public:
  explicit Thing(int v) : m_v(v) {}
  ~Thing() override { ++g_destroyed; }
  int value() override { return m_v; }
  bool write(const std::uint8_t*, std::size_t) override { return true; }
  bool writeMarked(const std::uint8_t*, std::size_t, std::uint32_t, std::int32_t) override { return true; }
  bool writeByteMarked(std::uint8_t, std::uint32_t, std::int32_t) override { return true; }
  void reset() override {}

 private:
  int m_v;
};

TEST(RefCount, FactoryGivesZeroAndTheLastReleaseDeletes) {
  g_destroyed = 0;
  auto* t = TSelfCreator<Thing>::create(4);
  EXPECT_EQ(t->AddRef(), 1);
  EXPECT_EQ(t->AddRef(), 2);
  EXPECT_EQ(t->Release(), 1);
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(t->Release(), 0);
  EXPECT_EQ(g_destroyed, 1);
}

TEST(RefCount, AssignmentPatternKeepsOneReferencePerHolder) {
  g_destroyed = 0;
  IThing* member = nullptr;
  IThing* a = new TUnknown<Thing>(1);
  IThing* b = new TUnknown<Thing>(2);
  assignRef(member, a);       // a: 1
  assignRef(member, a);       // same pointer: unchanged
  EXPECT_EQ(a->AddRef(), 2);  // proves a was at 1
  a->Release();
  {
    Ref<IThing> keep(a);   // a: 2
    assignRef(member, b);  // a: 1, b: 1
    EXPECT_EQ(g_destroyed, 0);
  }  // a: 0
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_EQ(member->value(), 2);
  assignRef(member, static_cast<IThing*>(nullptr));
  EXPECT_EQ(g_destroyed, 2);
}

TEST(RefCount, BothInterfacesOfOneObjectShareOneCounter) {
  g_destroyed = 0;
  auto* t = new TUnknown<Thing>(7);
  Ref<IThing> viaThing(t);
  Ref<Thing> viaClass(t);
  viaThing.reset();
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(viaClass->value(), 7);
  viaClass.reset();
  EXPECT_EQ(g_destroyed, 1);
}

}  // namespace
