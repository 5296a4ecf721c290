#pragma once
// The usage file's bytes: ASCII, CR LF after every line, ";" between fields
// (as spreadsheet programs in German locales expect), the header line, then
// one row per day in ascending order:
//   Datum;Ein;Aus;Unbekannt;Gesamt
//   2026-12-07;IN;OUT;OTHER;TOTAL
#include <string>

#include "capture/usage_history.h"

extern const char* const UsageCsvHeader;

std::string SerializeUsage(const UsageHistory& history);

// Reads file bytes into `history` (emptied first). Rows out of order and
// several rows of one date are merged. False when the bytes are no usage file:
// a wrong header, a row that is not a valid date and four decimal counts, or
// a total that is not the sum of the other three. Line ends may be CR LF or
// LF, the last one may be missing, empty lines are skipped, and a UTF-8 byte
// order mark (which spreadsheet programs add) is allowed.
bool ParseUsage(const std::string& bytes, UsageHistory& history);
