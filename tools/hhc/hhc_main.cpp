// Native command line: hhc [--store|--best] PROJECT.hhp
#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compile_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return chm::RunHhc(args, stderr);
}
