// The search allocates nothing: global operator new and delete are replaced by counting ones
// and nthPrime is called for a spread of indices over the whole range.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "checkpoints.hpp"
#include "nth_prime.hpp"

namespace {

// Allocations made while counting is switched on.
std::size_t allocationCount = 0;
bool counting = false;

void* allocate(std::size_t size) {
  if (counting) {
    ++allocationCount;
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

// Counts the allocations made by one call of f.
template <typename F>
std::size_t allocationsDuring(F f) {
  allocationCount = 0;
  counting = true;
  f();
  counting = false;
  return allocationCount;
}

}  // namespace

// Every allocating form goes through allocate(); the aligned forms are not needed here.
void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

using nthprime::kCheckpointCount;
using nthprime::kCheckpoints;
using nthprime::kMaxPrimeIndex;
using nthprime::nthPrime;
using nthprime::PrimeIndex;

namespace {

// The direct answers, the walks up and down from checkpoints low and high, and the top index.
std::vector<PrimeIndex> spreadOfIndices() {
  std::vector<PrimeIndex> indices;
  for (PrimeIndex n = 1; n <= 40; ++n) {
    indices.push_back(n);
  }
  for (PrimeIndex n : {100u, 1000u, 12345u, 100000u, 1000000u, 10000000u}) {
    indices.push_back(n);
  }
  for (std::size_t j = 0; j < kCheckpointCount; j += 57) {
    const PrimeIndex count = kCheckpoints[j].primeCount;
    for (PrimeIndex n : {count - 3, count, count + 3}) {
      if (n >= 1 && n <= kMaxPrimeIndex) {
        indices.push_back(n);
      }
    }
  }
  indices.push_back(kMaxPrimeIndex - 1);
  indices.push_back(kMaxPrimeIndex);
  return indices;
}

}  // namespace

// Kept outside the test, so that the compiler cannot leave its allocation out.
std::string keptText;

// Without this the zero counts below would prove nothing.
TEST(Allocation, TheCounterSeesAnAllocation) {
  EXPECT_GE(allocationsDuring([] { keptText.assign(1000, 'x'); }), 1u);
}

TEST(Allocation, TheSearchAllocatesNothing) {
  const std::vector<PrimeIndex> indices = spreadOfIndices();
  std::vector<std::uint32_t> primes(indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) {
    EXPECT_EQ(allocationsDuring([&] { primes[i] = nthPrime(indices[i]); }), 0u)
        << "nthPrime(" << indices[i] << ")";
  }
  // The answers are used, so that no call can be dropped; primes increase with the index.
  for (std::size_t i = 1; i < indices.size(); ++i) {
    EXPECT_EQ(primes[i] > primes[i - 1], indices[i] > indices[i - 1]) << "index " << indices[i];
  }
}
