#include <cstdio>

int main() {
  std::puts("Pimble: the companion's window is not assembled yet.");
  return 0;
}
