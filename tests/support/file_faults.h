#pragma once
// Fault injection around the native build's file layer: every file operation
// is recorded, and the one asked for fails. One instance at a time.
#ifndef _WIN32
#include <vector>

#include "platform/file.h"

namespace testsupport {

class FileFaults {
public:
  // `failAt`: the number (from 0) of the operation that fails; -1 for none.
  explicit FileFaults(int failAt = -1);
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;
  ~FileFaults();

  const std::vector<platform::FileOp>& Seen() const;
};

const char* FileOpName(platform::FileOp op);

} // namespace testsupport
#endif
