// Resident memory per history record at steady state: 1,000,000 records
// appended to the compact history and, side by side in a second child process,
// to a plain vector of records, each measured as the growth of the process's
// resident set.
#include <cstdio>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "capture/traffic_history.h"

namespace {

constexpr std::size_t Records = 1'000'000;

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// One sample per second of a long run: the busiest flow's names come from a
// few hundred hosts.
template <typename Store> double BytesPerRecord() {
  std::mt19937_64 rng(1);
  std::vector<std::wstring> hosts;
  for (int i = 0; i < 300; ++i)
    hosts.push_back(L"host-" + std::to_wstring(i) + L".example.net");
  BPSSample sample;
  const long before = ResidentBytes();
  Store store;
  for (std::size_t i = 0; i < Records; ++i) {
    sample.Total = static_cast<std::int64_t>(rng() % 100'000'000);
    sample.In = sample.Total / 2;
    sample.Out = sample.Total / 4;
    sample.Other = sample.Total - sample.In - sample.Out;
    sample.Average = sample.Total / 3;
    sample.TopSrcPort = static_cast<std::uint16_t>(rng());
    sample.TopDstPort = 443;
    sample.TopSrcHost = hosts[rng() % hosts.size()];
    sample.TopDstHost = hosts[rng() % hosts.size()];
    if constexpr (std::is_same_v<Store, TrafficHistory>)
      store.Append(sample);
    else
      store.push_back(sample);
  }
  return static_cast<double>(ResidentBytes() - before) / Records;
}

// Runs the measurement in a child, so that neither store inherits the other's
// freed pages.
template <typename Store> double Measure() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    const double value = BytesPerRecord<Store>();
    (void)!write(pipeEnds[1], &value, sizeof value);
    _exit(0);
  }
  double value = -1;
  (void)!read(pipeEnds[0], &value, sizeof value);
  waitpid(child, nullptr, 0);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  return value;
}

} // namespace

int main() {
  const double compact = Measure<TrafficHistory>();
  const double plain = Measure<std::vector<BPSSample>>();
  std::printf("resident bytes per record over %zu records\n", Records);
  std::printf("  compact history           %8.1f\n", compact);
  std::printf("  vector of BPSSample       %8.1f\n", plain);
  std::printf("  ratio compact / vector    %8.3fx\n", compact / plain);
  const bool met = compact > 0 && compact <= 64.0;
  std::printf("compact history <= 64 bytes per record: %s\n", met ? "met" : "MISSED");
  return met ? 0 : 1;
}
