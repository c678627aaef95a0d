// Native command line: hhc [OPTIONS] PROJECT.hhp (hhc --help)
#include <cstdio>
#include <string>
#include <vector>

#include "hhc/compile_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return chm::RunHhc(args, stdout, stderr);
}
