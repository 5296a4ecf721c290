#pragma once
// The traffic history, oldest record first. Readers see records by value, so
// the storage behind them can stay compact.
#include <cstddef>
#include <vector>

#include "capture/bps_sample.h"

class TrafficHistory {
public:
  std::size_t size() const { return Records.size(); }
  bool empty() const { return Records.empty(); }
  BPSSample operator[](std::size_t index) const { return Records[index]; }
  BPSSample back() const { return Records.back(); }

  std::int64_t TotalAt(std::size_t index) const { return Records[index].Total; }
  std::int64_t AverageAt(std::size_t index) const { return Records[index].Average; }
  void SetAverageAt(std::size_t index, std::int64_t average) { Records[index].Average = average; }
  // Sum of Total over the records [first, end).
  std::int64_t SumOfTotals(std::size_t first, std::size_t end) const {
    std::int64_t sum = 0;
    for (std::size_t i = first; i < end; ++i)
      sum += Records[i].Total;
    return sum;
  }

  void Append(const BPSSample& sample) { Records.push_back(sample); }
  void Clear() { Records.clear(); }

private:
  std::vector<BPSSample> Records;
};
