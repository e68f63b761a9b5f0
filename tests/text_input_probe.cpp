// Reads standard input to its end as the program's stream sees it, and writes what it got: what
// the platform's text mode makes of the bytes (CR LF, Ctrl+Z), stated by a dialogue-like test.
#include <cstdio>
#include <iostream>
#include <string>

int main() {
  std::string seen;
  for (int c = std::cin.get(); c != std::char_traits<char>::eof(); c = std::cin.get()) {
    char shown[8];
    std::snprintf(shown, sizeof shown, c > ' ' && c < 0x7f ? "%c" : "<%02x>", c);
    seen += shown;
  }
  std::cout << seen << " end" << std::endl;
  return 0;
}
