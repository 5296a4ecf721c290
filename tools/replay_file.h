#pragma once
// Runs a capture file through the program's packet accounting and sampler.
#include <cstdio>
#include <string>

#include "tools/replay_options.h"

// Writes the CSV header and one line per sample to `out`. Returns an error text
// (empty on success); lines written before a damaged part of the file was
// reached stay written.
std::string ReplayFile(const ReplayOptions& options, std::FILE* out);
