#ifndef _WIN32
#include "tests/support/file_faults.h"

namespace testsupport {
namespace {

// The hook is a plain function, so its state lives here.
std::vector<platform::FileOp> SeenOps;
int FailAtCall = -1;
int CallCount = 0;

bool RecordingHook(platform::FileOp op) {
  SeenOps.push_back(op);
  return CallCount++ == FailAtCall;
}

} // namespace

FileFaults::FileFaults(int failAt) {
  SeenOps.clear();
  CallCount = 0;
  FailAtCall = failAt;
  platform::SetFileFaultHook(RecordingHook);
}

FileFaults::~FileFaults() { platform::SetFileFaultHook(nullptr); }

const std::vector<platform::FileOp>& FileFaults::Seen() const { return SeenOps; }

const char* FileOpName(platform::FileOp op) {
  switch (op) {
  case platform::FileOp::Create: return "create";
  case platform::FileOp::Write: return "write";
  case platform::FileOp::Sync: return "sync";
  case platform::FileOp::Close: return "close";
  case platform::FileOp::Replace: return "replace";
  case platform::FileOp::Move: return "move";
  }
  return "?";
}

} // namespace testsupport
#endif
