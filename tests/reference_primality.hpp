// A primality test for every 32-bit number, written independently of the program: the strong
// probable-prime test to the bases 2, 7 and 61, which no composite below 4759123141 passes.
// Montgomery's multiplication keeps it free of divisions, which some processors (32-bit ARM)
// and emulators do slowly, so the tests can check large numbers anywhere.
#pragma once

#include <cstdint>

class ReferencePrimality {
 public:
  static bool isPrime(std::uint32_t n) {
    if (n < 2 || n % 2 == 0) {
      return n == 2;
    }
    const Montgomery field(n);
    std::uint32_t oddPart = n - 1;
    unsigned twos = 0;
    for (; oddPart % 2 == 0; oddPart /= 2) {
      ++twos;
    }
    for (const std::uint32_t base : {2u, 7u, 61u}) {
      if (base % n != 0 && !field.isStrongProbablePrime(base % n, oddPart, twos)) {
        return false;
      }
    }
    return true;
  }

 private:
  // Arithmetic modulo an odd n in Montgomery's form, x standing for x * 2^32 mod n.
  class Montgomery {
   public:
    explicit Montgomery(std::uint32_t n) : n_(n), negativeInverse_(0 - inverse(n)) {
      one_ = static_cast<std::uint32_t>((std::uint64_t{1} << 32) % n);
    }

    // Whether n passes the strong probable-prime test to the base a (0 < a < n), with
    // n - 1 = oddPart * 2^twos.
    bool isStrongProbablePrime(std::uint32_t a, std::uint32_t oddPart, unsigned twos) const {
      const std::uint32_t minusOne = n_ - one_;
      std::uint32_t x = power(inForm(a), oddPart);
      if (x == one_ || x == minusOne) {
        return true;
      }
      for (unsigned i = 1; i < twos; ++i) {
        x = multiply(x, x);
        if (x == minusOne) {
          return true;
        }
      }
      return false;
    }

   private:
    // The inverse of the odd n modulo 2^32, by Newton's iteration from n, right in 3 bits.
    static std::uint32_t inverse(std::uint32_t n) {
      std::uint32_t x = n;
      for (int i = 0; i < 4; ++i) {
        x *= 2 - n * x;
      }
      return x;
    }

    // t / 2^32 mod n for t < n * 2^32: adding m * n clears t's low 32 bits. The sum may exceed
    // 2^64, so its high halves are added apart, with the carry of the low halves (which add up
    // to 0 modulo 2^32, with a carry unless both are 0).
    std::uint32_t reduce(std::uint64_t t) const {
      const auto low = static_cast<std::uint32_t>(t);
      const std::uint64_t mn = std::uint64_t{low * negativeInverse_} * n_;
      const std::uint64_t sum = (t >> 32) + (mn >> 32) + (low != 0 ? 1 : 0);
      return static_cast<std::uint32_t>(sum >= n_ ? sum - n_ : sum);
    }

    std::uint32_t multiply(std::uint32_t a, std::uint32_t b) const {
      return reduce(std::uint64_t{a} * b);
    }

    std::uint32_t inForm(std::uint32_t a) const {
      return static_cast<std::uint32_t>((std::uint64_t{a} << 32) % n_);
    }

    std::uint32_t power(std::uint32_t x, std::uint32_t e) const {
      std::uint32_t result = one_;
      for (; e != 0; e /= 2) {
        if (e % 2 != 0) {
          result = multiply(result, x);
        }
        x = multiply(x, x);
      }
      return result;
    }

    std::uint32_t n_;
    std::uint32_t negativeInverse_;
    std::uint32_t one_;
  };
};
