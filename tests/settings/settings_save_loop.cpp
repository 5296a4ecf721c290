// Saves pattern records 1, 2, 3 ... to one settings file as fast as it can, so
// that a test can kill it at any moment of a save.
//   settings_save_loop FILE MAX_SAVES
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/text_conversion.h"
#include "tests/settings/settings_pattern.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: settings_save_loop FILE MAX_SAVES\n");
    return 2;
  }
  Settings settings;
  settings.FilePath = NarrowToWide(argv[1]);
  const long long maxSaves = std::atoll(argv[2]);
  for (long long n = 1; n <= maxSaves; ++n) {
    reltest::FillPatternRecord(settings, n);
    if (!settings.Save()) {
      std::fprintf(stderr, "save %lld failed\n", n);
      return 1;
    }
  }
  return 0;
}
