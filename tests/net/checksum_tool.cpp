// Prints the folder checksum of a folder: checksum_tool.exe <folder> <version> [--list]
// Used by the comparison with md5sum on the Linux side and by the benchmark.
#include <cstdio>
#include <string>

#include "net/folder_checksum.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: checksum_tool <folder> <version> [--list]\n");
    return 2;
  }
  if (argc > 3 && std::string(argv[3]) == "--list")
    for (const std::string& path : ListChecksumEntries(argv[1], argv[2]))
      std::printf("%s\n", path.c_str());
  std::printf("%s\n", FolderChecksum(argv[1], argv[2]).c_str());
  return 0;
}
