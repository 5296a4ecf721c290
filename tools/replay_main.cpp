// bytwacht-replay: the samples the program would have shown for a capture file.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/replay_file.h"
#include "tools/replay_options.h"

int main(int argc, char** argv) {
  ReplayOptions options;
  const std::string usageError = ParseReplayOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!usageError.empty()) {
    std::fprintf(stderr, "bytwacht-replay: %s (%s)\n", usageError.c_str(), ReplayUsage);
    return 2;
  }
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  const std::string error = ReplayFile(options, stdout);
  if (!error.empty()) {
    // One line, whatever the capture library's message holds.
    std::string line = error;
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "bytwacht-replay: %s\n", line.c_str());
    return 2;
  }
  return 0;
}
