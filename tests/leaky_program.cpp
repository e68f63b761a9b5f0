// A program that leaks one block on purpose: the leak check must fail on it, which shows that
// its pass on nthprime means something.
#include <cstdio>
#include <cstdlib>

int main() {
  void* volatile lost = std::malloc(64);
  std::printf("%p\n", lost);
  lost = nullptr;
  return 0;
}
