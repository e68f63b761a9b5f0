// nthprime: asks for an index n from 1 to 203280221 and prints the n-th prime below 2^32
// with the milliseconds the search took.
#include <iostream>

#include "dialogue.hpp"

int main() {
  std::cin.tie(&std::cout);  // the prompt is flushed before the program waits for input
  const int status = nthprime::runDialogue(std::cin, std::cout);
  if (!std::cout.flush()) {
    std::cerr << "nthprime: cannot write to standard output" << std::endl;
    return 1;
  }
  return status;
}
