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

TEST(AdapterLabelTest, GuidsAreReadFieldByFieldOrNotAtAll) {
  const auto guid = ParseGuid("{0000012C-0000-0000-0000-4E6574446576}");
  ASSERT_TRUE(guid.has_value());
  EXPECT_EQ(guid->Data1, 0x12Cu);
  EXPECT_EQ(guid->Data4, (std::array<std::uint8_t, 8>{0, 0, 0x4E, 0x65, 0x74, 0x44, 0x65, 0x76}));
  const auto mixed = ParseGuid("{fEdCbA98-7654-3210-aBcD-0123456789Ef}");
  ASSERT_TRUE(mixed.has_value());
  EXPECT_EQ(mixed->Data1, 0xFEDCBA98u);
  EXPECT_EQ(mixed->Data2, 0x7654u);
  EXPECT_EQ(mixed->Data3, 0x3210u);
  EXPECT_EQ(mixed->Data4, (std::array<std::uint8_t, 8>{0xAB, 0xCD, 0x01, 0x23, 0x45, 0x67, 0x89, 0xEF}));
  for (const char* bad :
       {"", "{0000012C-0000-0000-0000-4E6574446576", "0000012C-0000-0000-0000-4E6574446576}",
        "{0000012C-0000-0000-0000-4E657444657G}", "{0000012C+0000-0000-0000-4E6574446576}",
        "{0000012C-0000-0000-00000-4E657444657}", "{0000012C-0000-0000-0000-4E6574446576}x"})
    EXPECT_FALSE(ParseGuid(bad).has_value()) << bad;
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
