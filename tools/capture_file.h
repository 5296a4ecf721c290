#pragma once
// A capture file opened for reading through libpcap, time stamps in
// nanoseconds, on a stdio stream of our own with a large buffer. libpcap's own stream reads 4 KiB at a time:
// one system call per 60-odd packets of a headers-only capture, each of which costs more than the copying it
// does and leaves the caches colder for the packet code.
#include <cstdio>
#include <memory>
#include <pcap/pcap.h>
#include <string>

class CaptureFile {
public:
  // Check handle() afterwards; on failure error() says why.
  explicit CaptureFile(const std::string& path);
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  pcap_t* handle() const { return Handle; }
  const std::string& error() const { return Error; }

  static constexpr std::size_t BufferSize = 1 << 16;

private:
  // Declared first, so that it outlives the stream that pcap_close closes.
  std::unique_ptr<char[]> Buffer;
  pcap_t* Handle = nullptr;
  std::string Error;
};
