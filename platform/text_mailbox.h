#pragma once
// Texts that threads of this process hand to the window thread. The window
// message that announces a text carries only the letter's number, never a
// pointer: a message that another process sends names nothing the window
// would read, and a number that is not waiting is ignored.
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "platform/handles.h"

namespace platform {

struct TextLetter {
  WindowHandle Window = nullptr;
  unsigned Message = 0;
  std::uintptr_t WParam = 0;
  bool HasText = false;
  std::wstring Text;
};

class TextMailbox {
public:
  // Keeps the letter until it is taken or withdrawn; returns its number, never 0.
  std::uintptr_t Put(TextLetter letter);
  // Takes letter `number` if it waits and was written to this window and
  // message; false otherwise.
  bool Take(std::uintptr_t number, WindowHandle window, unsigned message, TextLetter& out);
  // Drops the letter unless it was taken (its window was gone, say).
  void Withdraw(std::uintptr_t number);

private:
  struct Entry {
    std::uintptr_t Number;
    TextLetter Letter;
  };
  std::mutex Mutex;
  std::deque<Entry> Letters;
  std::uintptr_t NextNumber = 1;
};

} // namespace platform
