#include "app/logic/tip_text.h"

#include "capture/bps_sample.h"
#include "view/format.h"

std::wstring BuildTipText(const BPSSample& newest) {
  return L"Aktuelle Transferrate: " + FormatBytes(newest.Total) + L"\n" + L"Durchschnitt: " +
         FormatBytes(newest.Average) + L"\n" + L"Max. Verbindung (Ports): " +
         FormatInteger(newest.TopSrcPort) + L" -> " + FormatInteger(newest.TopDstPort);
}
