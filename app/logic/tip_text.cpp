#include "app/logic/tip_text.h"

#include <string_view>

#include "app/logic/tray_fields.h"
#include "capture/bps_sample.h"
#include "view/format.h"

namespace {

// What HandleStatusInfo puts in front of an OK tip.
constexpr std::wstring_view OkTipPrefix = L"Status: OK\n";

} // namespace

std::wstring BuildTipText(const BPSSample& newest, const std::wstring& usageLine) {
  const std::wstring rates = L"Aktuelle Transferrate: " + FormatBytes(newest.Total) + L"\n" +
                             L"Durchschnitt: " + FormatBytes(newest.Average);
  const std::wstring ports = L"Max. Verbindung (Ports): " + FormatInteger(newest.TopSrcPort) + L" -> " +
                             FormatInteger(newest.TopDstPort);
  if (usageLine.empty()) return rates + L"\n" + ports;
  const std::wstring full = rates + L"\n" + ports + L"\n" + usageLine;
  if (OkTipPrefix.size() + full.size() <= TrayFields::TipLimit) return full;
  return rates + L"\n" + usageLine;
}
