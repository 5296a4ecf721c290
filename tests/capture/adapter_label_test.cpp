// Matching the capture library's adapters to the system's by GUID, and the
// line the adapter dialog shows.
#include <gtest/gtest.h>

#include "capture/adapter_label.h"

namespace {

TEST(AdapterLabelTest, MatchesByTheWholeGuidInAnyCase) {
  const std::vector<SystemAdapter> system = {
      {"{1A2B3C4D-0000-0000-0000-000000000001}", L"WLAN", Ipv4Bytes{192, 168, 1, 23}, {}},
      {"{1A2B3C4D-0000-0000-0000-00000000000}", L"Kurz", std::nullopt, {}}, // one digit short
  };
  const SystemAdapter* wlan =
      FindSystemAdapter(system, "\\Device\\NPF_{1a2b3c4d-0000-0000-0000-000000000001}");
  ASSERT_NE(wlan, nullptr);
  EXPECT_EQ(wlan->FriendlyName, L"WLAN");
  EXPECT_EQ(FindSystemAdapter(system, "\\Device\\NPF_{1A2B3C4D-0000-0000-0000-00000000000}")->FriendlyName,
            L"Kurz");
  // Names without a (whole) GUID match nothing, not even an adapter whose
  // GUID is empty.
  const std::vector<SystemAdapter> odd = {{"", L"Leer", std::nullopt, {}}};
  for (const char* name : {"\\Device\\NPF_Loopback", "\\Device\\NPF_{1A2B3C4D", "", "{"}) {
    EXPECT_EQ(FindSystemAdapter(system, name), nullptr) << name;
    EXPECT_EQ(FindSystemAdapter(odd, name), nullptr) << name;
  }
  EXPECT_EQ(DeviceGuid("\\Device\\NPF_{AB}x"), "{AB}");
}

TEST(AdapterLabelTest, DescriptionFirstThenWindowsNameAndAddress) {
  EXPECT_EQ(AdapterListText(L"Intel(R) Wi-Fi 6 AX201 160MHz", L"WLAN", Ipv4Bytes{192, 168, 178, 23}),
            L"Intel(R) Wi-Fi 6 AX201 160MHz - WLAN, 192.168.178.23");
  EXPECT_EQ(AdapterListText(L"WAN Miniport (IP)", L"LAN-Verbindung* 3", std::nullopt),
            L"WAN Miniport (IP) - LAN-Verbindung* 3, keine IPv4-Adresse");
  // A name that only repeats the description, or none, is left out.
  EXPECT_EQ(AdapterListText(L"lo", L"lo", Ipv4Bytes{127, 0, 0, 1}), L"lo - 127.0.0.1");
  EXPECT_EQ(AdapterListText(L"eth0", L"", Ipv4Bytes{10, 0, 0, 255}), L"eth0 - 10.0.0.255");
}

} // namespace
