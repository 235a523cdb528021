// The engine's entry point: command-line arguments are ignored.
#include "interface/startup.h"

int main() {
  StartEngine();
  RunInputLoop();
}
