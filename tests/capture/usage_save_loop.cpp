// Books and saves pattern usage histories 1, 2, 3 ... to one usage file as fast
// as it can, so that a test can kill it at any moment of a save.
//   usage_save_loop FILE MAX_SAVES
#include <cstdio>
#include <cstdlib>

#include "capture/usage_file.h"
#include "platform/text_conversion.h"
#include "tests/capture/usage_pattern.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: usage_save_loop FILE MAX_SAVES\n");
    return 2;
  }
  UsageStore store;
  store.SetPath(NarrowToWide(argv[1]));
  store.Load();
  const long long maxSaves = std::atoll(argv[2]);
  for (long long n = 1; n <= maxSaves; ++n) {
    reltest::BookPatternInterval(store.History(), n);
    if (!store.Save()) {
      std::fprintf(stderr, "save %lld failed\n", n);
      return 1;
    }
  }
  return 0;
}
