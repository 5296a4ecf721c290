#include "tools/replay_file.h"

#include <pcap/pcap.h>

#include "tools/capture_file.h"
#include "tools/replay_sampler.h"

namespace {

struct ReplayRun {
  ReplaySampler* Sampler;
  std::string* Csv;
  std::FILE* Out;
  bool TooLong = false;
  pcap_t* Handle;
};

constexpr std::size_t FlushSize = 1 << 16;

void Flush(std::string& csv, std::FILE* out) {
  std::fwrite(csv.data(), 1, csv.size(), out);
  csv.clear();
}

// A packet that closes the intervals before `time`, then counts. Lines are
// written only here, so only here may the text need flushing.
__attribute__((noinline)) void OnPacketClosing(ReplayRun& run, std::uint64_t time, const pcap_pkthdr* header,
                                               const u_char* bytes) {
  if (!run.Sampler->CloseIntervals(time)) {
    run.TooLong = true;
    pcap_breakloop(run.Handle);
    return;
  }
  if (run.Csv->size() >= FlushSize) Flush(*run.Csv, run.Out);
  run.Sampler->Account(header->caplen, header->len, bytes);
}

void OnPacket(u_char* user, const pcap_pkthdr* header, const u_char* bytes) {
  auto& run = *reinterpret_cast<ReplayRun*>(user);
  // CaptureFile asks for nanosecond precision, so tv_usec holds nanoseconds.
  const std::uint64_t time = static_cast<std::uint64_t>(header->ts.tv_sec) * 1'000'000'000 +
                             static_cast<std::uint64_t>(header->ts.tv_usec);
  // Either way the last step is a jump: the common path keeps no frame.
  if (run.Sampler->Closes(time)) return OnPacketClosing(run, time, header, bytes);
  run.Sampler->Account(header->caplen, header->len, bytes);
}

} // namespace

std::string ReplayFile(const ReplayOptions& options, std::FILE* out) {
  const CaptureFile file(options.File);
  pcap_t* handle = file.handle();
  if (handle == nullptr) return options.File + ": " + file.error();

  std::string csv = ReplayCsvHeader;
  ReplaySampler sampler(options, LinkKindOf(pcap_datalink(handle)), csv);
  ReplayRun run{&sampler, &csv, out, false, handle};
  const int result = pcap_loop(handle, -1, OnPacket, reinterpret_cast<u_char*>(&run));
  if (run.TooLong) {
    Flush(csv, out);
    return options.File + ": time stamps span more than " + std::to_string(ReplaySampler::MaxSamples) +
           " intervals";
  }
  if (result == PCAP_ERROR) {
    Flush(csv, out);
    return options.File + ": " + pcap_geterr(handle);
  }
  sampler.Finish();
  Flush(csv, out);
  if (std::fflush(out) != 0 || std::ferror(out)) return "cannot write the output";
  return {};
}
