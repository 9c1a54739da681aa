// Writes N log lines tagged with a name, from two threads: a second process for the tests
// of lines interleaving whole.
#include <cstdlib>
#include <string>
#include <thread>

#include "log/setup_log.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string tag = argv[1];
  const int count = std::atoi(argv[2]);
  auto writer = [&](const char* thread_name) {
    for (int i = 0; i < count; ++i)
      WriteLog("[  INFO] " + tag + " " + thread_name + " line " + std::to_string(i) +
               " unità perché così");
  };
  std::thread other(writer, "b");
  writer("a");
  other.join();
  return 0;
}
