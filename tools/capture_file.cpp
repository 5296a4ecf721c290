#include "tools/capture_file.h"

#include <cerrno>
#include <cstring>

CaptureFile::CaptureFile(const std::string& path) : Buffer(std::make_unique<char[]>(BufferSize)) {
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) {
    Error = std::strerror(errno);
    return;
  }
  std::setvbuf(stream, Buffer.get(), _IOFBF, BufferSize);
  // Time stamps in nanoseconds whatever the file holds: tv_usec then counts
  // nanoseconds.
  char error[PCAP_ERRBUF_SIZE] = {};
  Handle = pcap_fopen_offline_with_tstamp_precision(stream, PCAP_TSTAMP_PRECISION_NANO, error);
  if (Handle == nullptr) {
    // libpcap leaves the stream open when it refuses the file.
    std::fclose(stream);
    Error = error;
  }
}

CaptureFile::~CaptureFile() {
  if (Handle != nullptr) pcap_close(Handle); // closes the stream too
}
