// The ring between the threads that print and the console: order, drops, no allocation.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/debug_ring.h"

namespace {
std::atomic<int> allocations{0};
}  // namespace

// Every allocation of this test program counts; the ring's writers may make none.
// New and delete stay out of line: inlined, malloc and free would look mismatched with them
// to the compiler.
[[gnu::noinline]] void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  ::operator delete(p);
}

namespace {

// Two laps of the ring, each filled past its end: once with a line coming after the drops,
// once with nothing after them.
TEST(DebugRing, KeepsTheOrderAndSaysOnceHowManyLinesWereDropped) {
  const int probe = allocations.load();
  auto ring = std::make_unique<DebugRing>();
  ASSERT_GT(allocations.load(), probe) << "operator new is not the counting one";
  std::vector<DebugRing::Line> taken(3 * DebugRing::kSlots);
  std::size_t count = 0;
  const auto takeAll = [&] {
    while (count < taken.size() && ring->take(taken[count])) ++count;
  };
  const int before = allocations.load();

  const int n = static_cast<int>(DebugRing::kSlots);
  for (int i = 0; i < n; ++i) EXPECT_TRUE(ring->put("ClickTime:\t%d\n", i));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ring->put("ClickTime:\t%d\n", -1)) << "full";
  ASSERT_TRUE(ring->take(taken[count++]));
  EXPECT_TRUE(ring->put("command:%S\n", L"DR")) << "a taken line makes room";
  takeAll();
  for (int i = 0; i < n; ++i) EXPECT_TRUE(ring->put("ReleaseTime:\t%d\n", i));
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(ring->put("ReleaseTime:\t%d\n", -1));
  takeAll();
  takeAll();

  EXPECT_EQ(allocations.load() - before, 0);
  std::vector<std::wstring> expected;
  for (int i = 0; i < n; ++i) expected.push_back(L"ClickTime:\t" + std::to_wstring(i) + L"\n");
  expected.push_back(L"Dropped lines:\t3\n");
  expected.push_back(L"command:DR\n");
  for (int i = 0; i < n; ++i) expected.push_back(L"ReleaseTime:\t" + std::to_wstring(i) + L"\n");
  expected.push_back(L"Dropped lines:\t2\n");
  ASSERT_EQ(count, expected.size());
  for (std::size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::wstring(taken[i].text, taken[i].length), expected[i]);
  }
}

}  // namespace
