// Ruzeve_zor: converts prepared reports (QDP files) to other formats.

#include "app/qdxConverterFactory.h"
#include "app/qdxProgram.h"

#include <iostream>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return QDPConverterMain(args, std::cout, std::cerr, DefaultConverterEnv());
}
