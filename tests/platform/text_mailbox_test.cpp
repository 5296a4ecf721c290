#include <gtest/gtest.h>

#include "platform/text_mailbox.h"

namespace {

using platform::TextLetter;
using platform::TextMailbox;

WindowHandle const Window = reinterpret_cast<WindowHandle>(0x1000);
WindowHandle const OtherWindow = reinterpret_cast<WindowHandle>(0x2000);
constexpr unsigned Message = 0x0401;

TextLetter Letter(std::uintptr_t wParam, const wchar_t* text) {
  TextLetter letter;
  letter.Window = Window;
  letter.Message = Message;
  letter.WParam = wParam;
  letter.HasText = text != nullptr;
  if (text != nullptr) letter.Text = text;
  return letter;
}

// What a message from another process may carry in lParam: a pointer of its
// own, any number, a number for another window or message. None of them
// reaches a letter; the letter's own number does, once.
TEST(TextMailbox, OnlyTheLettersOwnNumberWindowAndMessageTakeIt) {
  TextMailbox mailbox;
  const std::uintptr_t number = mailbox.Put(Letter(0x34, L"Adapter weg"));
  TextLetter out;
  for (std::uintptr_t foreign : {std::uintptr_t{0}, number + 1, std::uintptr_t{0x7FFE0000}})
    EXPECT_FALSE(mailbox.Take(foreign, Window, Message, out)) << foreign;
  EXPECT_FALSE(mailbox.Take(number, OtherWindow, Message, out));
  EXPECT_FALSE(mailbox.Take(number, Window, Message + 1, out));

  ASSERT_TRUE(mailbox.Take(number, Window, Message, out));
  EXPECT_EQ(out.WParam, 0x34u);
  EXPECT_TRUE(out.HasText);
  EXPECT_EQ(out.Text, L"Adapter weg");
  EXPECT_FALSE(mailbox.Take(number, Window, Message, out)) << "taken twice";
}

TEST(TextMailbox, AWithdrawnLetterIsGoneAndOthersStay) {
  TextMailbox mailbox;
  const std::uintptr_t first = mailbox.Put(Letter(1, nullptr));
  const std::uintptr_t second = mailbox.Put(Letter(2, L"x"));
  EXPECT_NE(first, second);
  mailbox.Withdraw(first);
  mailbox.Withdraw(first); // twice, or after it was taken: nothing happens
  TextLetter out;
  EXPECT_FALSE(mailbox.Take(first, Window, Message, out));
  ASSERT_TRUE(mailbox.Take(second, Window, Message, out));
  EXPECT_EQ(out.WParam, 2u);
}

} // namespace
