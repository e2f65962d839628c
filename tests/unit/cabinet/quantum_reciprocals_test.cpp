// Tests of the table the Quantum coder divides by a model total with: the quotient must be exact
// for every total the table holds and every value the coder can form (a range up to 65,536 times
// a cumulative frequency up to the total), where an estimate one short would shift the coder.
#include "cabinet/quantum_reciprocals.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vorlax {
namespace {

// The values around multiples of the total where a rounded-down estimate goes wrong first: just
// below and at a multiple, for small and for the largest multiples the coder reaches.
TEST(QuantumReciprocalsTest, QuotientIsExactForEveryTotalAtTheMultiplesThatMatter) {
  const uint64_t* reciprocals = QuantumTotalReciprocals();
  constexpr uint32_t kMaxRange = 65536;
  const uint32_t multiples[] = {1, 2, 3, 255, 4096, 65534, 65535, kMaxRange};
  for (uint32_t total = 1; total < kQuantumReciprocalCount; ++total) {
    ASSERT_EQ(QuantumDivideByTotal(0, reciprocals[total]), 0u) << "total " << total;
    for (uint32_t k : multiples) {
      const uint32_t at = k * total;
      ASSERT_EQ(QuantumDivideByTotal(at - 1, reciprocals[total]), k - 1) << "total " << total << " k " << k;
      ASSERT_EQ(QuantumDivideByTotal(at, reciprocals[total]), k) << "total " << total << " k " << k;
    }
  }
}

// Every value up to the coder's largest for the largest totals, where the estimate's error is
// greatest.
TEST(QuantumReciprocalsTest, QuotientIsExactForEveryValueOfTheLargestTotals) {
  const uint64_t* reciprocals = QuantumTotalReciprocals();
  for (uint32_t total = kQuantumReciprocalCount - 2; total < kQuantumReciprocalCount; ++total) {
    const uint32_t largest = 65536 * total;
    for (uint32_t value = 0; value <= largest; ++value) {
      if (QuantumDivideByTotal(value, reciprocals[total]) != value / total) {
        FAIL() << "total " << total << " value " << value;
      }
    }
  }
}

}  // namespace
}  // namespace vorlax
