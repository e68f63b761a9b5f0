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

// The control registers beyond what <cfenv> sets: SSE's MXCSR on x86, whose FTZ (bit 15)
// flushes subnormal results to zero and DAZ (bit 6) reads subnormal operands as zero; the x87
// control word on 32-bit x86, whose precision control (bits 8 and 9) 00 rounds every result to
// a float's 24 bits, as some graphics libraries leave it; FPCR on ARM64 and FPSCR on 32-bit ARM,
// whose FZ (bit 24) flushes subnormal operands and results to zero. IBM Z and RISC-V have no
// such mode, and what POWER's non-IEEE mode does is the processor's choice (qemu flushes
// nothing in it).
struct ControlRegisters {
#if defined(__x86_64__) || defined(__i386__)
  std::uint32_t mxcsr = 0;
#endif
#if defined(__i386__)
  std::uint16_t x87 = 0;
#endif
#if defined(__aarch64__)
  std::uint64_t fpcr = 0;
#endif
#if defined(__arm__)
  std::uint32_t fpscr = 0;
#endif

  static ControlRegisters read() {
    ControlRegisters r;
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("stmxcsr %0" : "=m"(r.mxcsr));
#endif
#if defined(__i386__)
    __asm__ volatile("fnstcw %0" : "=m"(r.x87));
#endif
#if defined(__aarch64__)
    __asm__ volatile("mrs %0, fpcr" : "=r"(r.fpcr));
#endif
#if defined(__arm__)
    __asm__ volatile("vmrs %0, fpscr" : "=r"(r.fpscr));
#endif
    return r;
  }

  void write() const {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
#endif
#if defined(__i386__)
    __asm__ volatile("fldcw %0" : : "m"(x87));
#endif
#if defined(__aarch64__)
    __asm__ volatile("msr fpcr, %0" : : "r"(fpcr));
#endif
#if defined(__arm__)
    __asm__ volatile("vmsr fpscr, %0" : : "r"(fpscr));
#endif
  }
};

// Whether this processor has a mode that flushes subnormals to zero.
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__)
constexpr bool kCanFlushSubnormals = true;
#else
constexpr bool kCanFlushSubnormals = false;
#endif

inline void flushSubnormals() {
  ControlRegisters r = ControlRegisters::read();
#if defined(__x86_64__) || defined(__i386__)
  r.mxcsr |= 0x8040u;
#elif defined(__aarch64__)
  r.fpcr |= std::uint64_t{1} << 24;
#elif defined(__arm__)
  r.fpscr |= std::uint32_t{1} << 24;
#endif
  r.write();
}

// Every environment to try, round to nearest (the default) first.
inline std::vector<FloatingPointEnvironment> floatingPointEnvironments() {
  std::vector<FloatingPointEnvironment> environments = {
      {"to nearest", [] { std::fesetround(FE_TONEAREST); }},
      {"downward", [] { std::fesetround(FE_DOWNWARD); }},
      {"upward", [] { std::fesetround(FE_UPWARD); }},
      {"toward zero", [] { std::fesetround(FE_TOWARDZERO); }},
  };
  if (kCanFlushSubnormals) {
    environments.push_back({"toward zero, subnormals flushed", [] {
                              std::fesetround(FE_TOWARDZERO);
                              flushSubnormals();
                            }});
  }
#if defined(__i386__)
  environments.push_back({"x87 in single precision, upward", [] {
                            std::fesetround(FE_UPWARD);
                            ControlRegisters r = ControlRegisters::read();
                            r.x87 = static_cast<std::uint16_t>(r.x87 & ~0x300u);
                            r.write();
                          }});
#endif
  return environments;
}

// Enters an environment for the life of the object.
class InEnvironment {
 public:
  explicit InEnvironment(const FloatingPointEnvironment& environment)
      : savedRegisters_(ControlRegisters::read()) {
    std::fegetenv(&saved_);
    environment.enter();
  }
  ~InEnvironment() {
    savedRegisters_.write();
    std::fesetenv(&saved_);
  }
  InEnvironment(const InEnvironment&) = delete;
  InEnvironment& operator=(const InEnvironment&) = delete;

 private:
  std::fenv_t saved_;
  ControlRegisters savedRegisters_;
};

}  // namespace nthprime::testing_environments
