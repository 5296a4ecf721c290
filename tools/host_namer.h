#pragma once
// Host names for the replay's CSV: the dotted address, or with resolving on the
// name the system's resolver gives (each address resolved once per run, failures
// shown as the address followed by " [F]", as the program shows them).
#include <cstdint>
#include <map>
#include <string>

std::string DottedAddress(const std::uint8_t address[4]);

class HostNamer {
public:
  explicit HostNamer(bool resolve) : Resolve(resolve) {}
  std::string Name(const std::uint8_t address[4]);

private:
  bool Resolve;
  std::map<std::uint32_t, std::string> Cache;
};
