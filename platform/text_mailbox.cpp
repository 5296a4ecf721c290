#include "platform/text_mailbox.h"

#include <algorithm>
#include <utility>

namespace platform {

std::uintptr_t TextMailbox::Put(TextLetter letter) {
  std::lock_guard<std::mutex> lock(Mutex);
  const std::uintptr_t number = NextNumber++;
  if (NextNumber == 0) NextNumber = 1;
  Letters.push_back({number, std::move(letter)});
  return number;
}

bool TextMailbox::Take(std::uintptr_t number, WindowHandle window, unsigned message, TextLetter& out) {
  std::lock_guard<std::mutex> lock(Mutex);
  const auto it =
      std::find_if(Letters.begin(), Letters.end(), [&](const Entry& e) { return e.Number == number; });
  if (it == Letters.end() || it->Letter.Window != window || it->Letter.Message != message) return false;
  out = std::move(it->Letter);
  Letters.erase(it);
  return true;
}

void TextMailbox::Withdraw(std::uintptr_t number) {
  std::lock_guard<std::mutex> lock(Mutex);
  const auto it =
      std::find_if(Letters.begin(), Letters.end(), [&](const Entry& e) { return e.Number == number; });
  if (it != Letters.end()) Letters.erase(it);
}

} // namespace platform
