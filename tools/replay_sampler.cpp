#include "tools/replay_sampler.h"

#include <cstring>

#include "capture/sampler_math.h"

namespace {

// RFC 4180: quote a field that holds a separator, a quote or a line break.
void AppendField(std::string& csv, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    csv += text;
    return;
  }
  csv += '"';
  for (char c : text) {
    if (c == '"') csv += '"';
    csv += c;
  }
  csv += '"';
}

} // namespace

ReplaySampler::ReplaySampler(const ReplayOptions& options, LinkKind link, std::string& csv)
    : AvgTime(options.AvgTime), Factor(RateFactor(options.IntervalMs)),
      IntervalNs(std::uint64_t{options.IntervalMs} * 1'000'000), Csv(csv), Names(options.Resolve) {
  Setup.Link = link;
  std::memcpy(Setup.LocalIpv4, options.LocalAddress, 4);
  Setup.Ipv6 = !options.LocalIpv6.empty();
  Setup.LocalIpv6 = options.LocalIpv6;
}

bool ReplaySampler::CloseIntervals(std::uint64_t time) {
  if (!Started) {
    Started = true;
    IntervalEnd = time + IntervalNs;
    return true;
  }
  const std::uint64_t skipped = (time - IntervalEnd) / IntervalNs; // empty intervals in between
  if (Samples + skipped + 1 >= MaxSamples) return false;
  TakeSample();
  for (std::uint64_t i = 0; i < skipped; ++i)
    TakeSample();
  IntervalEnd += (skipped + 1) * IntervalNs;
  return true;
}

void ReplaySampler::Finish() {
  if (Started) TakeSample();
  Started = false;
  IntervalEnd = 0;
}

void ReplaySampler::TakeSample() {
  FillRates(Working, Counters, Factor);
  Working.Average = SamplerAverage(History, AvgTime, Factor);
  if (const ConnectionEntry* busiest = Flows.Busiest()) {
    TopDstName = Names.Name(busiest->Version, busiest->DstAddress);
    TopSrcName = Names.Name(busiest->Version, busiest->SrcAddress);
    Working.TopSrcPort = busiest->SrcPort;
    Working.TopDstPort = busiest->DstPort;
  }
  // The history serves the averages only, so it keeps no host names.
  History.Append(Working);

  Csv += std::to_string(Samples);
  for (std::int64_t value : {Working.Total, Working.In, Working.Out, Working.Other, Working.Average}) {
    Csv += ',';
    Csv += std::to_string(value);
  }
  Csv += ',';
  Csv += std::to_string(Working.TopSrcPort);
  Csv += ',';
  Csv += std::to_string(Working.TopDstPort);
  Csv += ',';
  AppendField(Csv, TopSrcName);
  Csv += ',';
  AppendField(Csv, TopDstName);
  Csv += '\n';

  ++Samples;
  Counters = IntervalCounters();
  Flows.Clear();
}
