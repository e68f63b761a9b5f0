// The floating-point environments a program that links the search library may call it in: the
// four rounding modes, subnormals flushed to zero, and on 32-bit x86 the x87 unit's single
// precision. Each is entered for one scope and left as it was found.
#pragma once

#include <cfenv>
#include <cstdint>
#include <vector>

namespace nthprime::testing_environments {

struct FloatingPointEnvironment {
  const char* name;
  void (*enter)();
};

#if defined(__x86_64__) || defined(__i386__)
// SSE's control register: FTZ (bit 15) flushes subnormal results to zero, DAZ (bit 6) reads
// subnormal operands as zero. Every processor that runs a vector path has it.
inline std::uint32_t sseControl() {
  std::uint32_t control = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(control));
  return control;
}
inline void setSseControl(std::uint32_t control) {
  __asm__ volatile("ldmxcsr %0" : : "m"(control));
}
#endif
#if defined(__i386__)
// The x87 unit's control word: precision control (bits 8 and 9) 00 rounds every result to a
// float's 24 bits, as some graphics libraries leave it.
inline std::uint16_t x87Control() {
  std::uint16_t control = 0;
  __asm__ volatile("fnstcw %0" : "=m"(control));
  return control;
}
inline void setX87Control(std::uint16_t control) {
  __asm__ volatile("fldcw %0" : : "m"(control));
}
#endif
#if defined(__aarch64__)
// FPCR's FZ bit (24) flushes subnormal operands and results to zero.
inline std::uint64_t fpcr() {
  std::uint64_t value = 0;
  __asm__ volatile("mrs %0, fpcr" : "=r"(value));
  return value;
}
inline void setFpcr(std::uint64_t value) {
  __asm__ volatile("msr fpcr, %0" : : "r"(value));
}
#endif

inline void flushSubnormals() {
#if defined(__x86_64__) || defined(__i386__)
  setSseControl(sseControl() | 0x8040u);
#elif defined(__aarch64__)
  setFpcr(fpcr() | (std::uint64_t{1} << 24));
#endif
}

// Every environment to try, round to nearest (the default) first.
inline std::vector<FloatingPointEnvironment> floatingPointEnvironments() {
  std::vector<FloatingPointEnvironment> environments = {
      {"to nearest", [] { std::fesetround(FE_TONEAREST); }},
      {"downward", [] { std::fesetround(FE_DOWNWARD); }},
      {"upward", [] { std::fesetround(FE_UPWARD); }},
      {"toward zero", [] { std::fesetround(FE_TOWARDZERO); }},
      {"toward zero, subnormals flushed",
       [] {
         std::fesetround(FE_TOWARDZERO);
         flushSubnormals();
       }},
  };
#if defined(__i386__)
  environments.push_back({"x87 in single precision, upward", [] {
                            std::fesetround(FE_UPWARD);
                            setX87Control(static_cast<std::uint16_t>(x87Control() & ~0x300u));
                          }});
#endif
  return environments;
}

// Enters an environment for the life of the object.
class InEnvironment {
 public:
  explicit InEnvironment(const FloatingPointEnvironment& environment) {
    std::fegetenv(&saved_);
#if defined(__x86_64__) || defined(__i386__)
    savedSse_ = sseControl();
#endif
#if defined(__i386__)
    savedX87_ = x87Control();
#endif
#if defined(__aarch64__)
    savedFpcr_ = fpcr();
#endif
    environment.enter();
  }
  ~InEnvironment() {
#if defined(__x86_64__) || defined(__i386__)
    setSseControl(savedSse_);
#endif
#if defined(__i386__)
    setX87Control(savedX87_);
#endif
#if defined(__aarch64__)
    setFpcr(savedFpcr_);
#endif
    std::fesetenv(&saved_);
  }
  InEnvironment(const InEnvironment&) = delete;
  InEnvironment& operator=(const InEnvironment&) = delete;

 private:
  std::fenv_t saved_;
#if defined(__x86_64__) || defined(__i386__)
  std::uint32_t savedSse_ = 0;
#endif
#if defined(__i386__)
  std::uint16_t savedX87_ = 0;
#endif
#if defined(__aarch64__)
  std::uint64_t savedFpcr_ = 0;
#endif
};

}  // namespace nthprime::testing_environments
