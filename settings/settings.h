#pragma once
// The one settings record of the program and its key=value file.
#include <atomic>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

class Settings {
public:
  // Not stored in the file.
  std::wstring FilePath;
  bool Applied = false;

  // Stored in the file; the field names are the keys.
  std::wstring CaptureFilter;
  std::wstring DeviceName;
  // Added to by the sampler thread, read and reset by the window thread: an
  // atomic so that nobody ever sees half of a 64-bit update.
  std::atomic<std::int64_t> BytesTransmitted{0};
  bool PromiscuousMode = false;
  // Read by the engine threads while the window thread may change them.
  std::atomic<std::int32_t> AvgTime{0};
  std::int32_t WindowPosX = 0;
  std::int32_t WindowPosY = 0;
  std::uint32_t WindowWidth = 0;
  std::uint32_t WindowHeight = 0;
  std::uint32_t Alpha = 0;
  std::atomic<std::uint32_t> Interval{0};
  bool IsPopup = false;
  bool IsVisible = false;
  bool IsMaximized = false;
  bool AlwaysOnTop = false;
  bool FadeOnHover = false;
  bool UseGradients = false;
  bool ShowInOut = false;
  // Classify IPv6 packets and record their flows (off: they count as other
  // traffic only). Stored after the 18 original lines.
  bool IPv6 = false;
  // Usage per month (window thread only): a limit in bytes, 0 for none, and
  // the day of the month (1-28) on which a month's period begins.
  std::uint64_t Monatslimit = 0;
  std::int32_t Monatsbeginn = 0;

  // Empty strings, every number and flag zero; Load fills the record.
  Settings() = default;
  Settings(const Settings& other);
  // Copies the stored fields only; FilePath and Applied stay as they are.
  Settings& operator=(const Settings& other);

  // The window's opacity for every use: a hand-edited value past 255 (-1
  // reads as 4294967295) means opaque, never a wrapped-around transparent one.
  int WindowAlpha() const { return Alpha > 255 ? 255 : static_cast<int>(Alpha); }

  // Every stored field to its default, except IsMaximized.
  void SetDefaults();
  // True when the file could be opened; the record is usable either way.
  bool Load();
  // Writes the file through "<file>.new"; true only when the new file was
  // written completely and has replaced the old one.
  bool Save();

#ifdef _WIN32
  // The modal four-page settings sheet; true when the user confirmed it.
  bool ShowSettingsSheet(HINSTANCE instance, HWND parent);
#endif
};

// The settings page enters Monatslimit in whole MiB, up to what a 32-bit
// up-down control holds.
constexpr std::uint64_t BytesPerMiB = 1048576;
std::int32_t LimitToMiB(std::uint64_t bytes);
// The limit the page stores: the entered MiB in bytes, except that an entry
// equal to what the page showed keeps the stored bytes (a hand-edited limit
// that is no whole number of MiB stays as it is). Negative entries are 0.
std::uint64_t LimitFromMiB(std::int32_t entered, std::uint64_t stored);

// The file's bytes for a record (ISO 8859-1, CR LF, the 18 original lines in
// order, then the ones added since).
std::string SerializeSettings(const Settings& settings);
// Reads file bytes into a record that already holds its defaults.
void ParseSettings(const std::string& bytes, Settings& settings);
