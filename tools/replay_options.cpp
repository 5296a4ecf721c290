#include "tools/replay_options.h"

#include <arpa/inet.h>
#include <charconv>
#include <sys/socket.h>

namespace {

// A whole decimal number within [low, high]; no sign, no spaces, no leftovers.
bool ParseNumber(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  const char* end = text.data() + text.size();
  auto [next, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && next == end && value >= low && value <= high;
}

bool ParseAddress(const std::string& text, std::uint8_t address[4]) {
  std::size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = text.find('.', start);
    if ((part < 3) != (dot != std::string::npos)) return false;
    const std::string piece = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    long long value = 0;
    if (piece.size() > 3 || !ParseNumber(piece, 0, 255, value)) return false;
    address[part] = static_cast<std::uint8_t>(value);
    start = dot + 1;
  }
  return true;
}

} // namespace

std::string ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue =
        arg == "--local" || arg == "--local6" || arg == "--interval" || arg == "--avg-time";
    if (takesValue && i + 1 == args.size()) return "option " + arg + " needs a value";
    long long number = 0;
    if (arg == "--local") {
      if (!ParseAddress(args[++i], options.LocalAddress)) return "bad address for --local: " + args[i];
    } else if (arg == "--local6") {
      // Any form inet_pton takes ("2001:db8::1", "::ffff:10.0.0.1"); no zone.
      Ipv6Bytes address;
      if (inet_pton(AF_INET6, args[++i].c_str(), address.data()) != 1)
        return "bad address for --local6: " + args[i];
      options.LocalIpv6.push_back(address);
    } else if (arg == "--interval") {
      if (!ParseNumber(args[++i], 1, 3'600'000, number))
        return "bad --interval (1 to 3600000 ms): " + args[i];
      options.IntervalMs = static_cast<std::uint32_t>(number);
    } else if (arg == "--avg-time") {
      if (!ParseNumber(args[++i], 0, 86'400, number)) return "bad --avg-time (0 to 86400 s): " + args[i];
      options.AvgTime = static_cast<std::int32_t>(number);
    } else if (arg == "--resolve") {
      options.Resolve = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else {
      if (!options.File.empty()) return "more than one file given";
      options.File = arg;
    }
  }
  if (options.File.empty()) return "no file given";
  return {};
}
