// Terminal input over a slow link: a key's escape sequence may come in two reads.
#include <gtest/gtest.h>

#include "platform/display/terminal/InputParser.h"

namespace {

using term::InputParser;
using term::Key;

// ESC, then "[D" a moment later (as over SSH), is the Left key; only an ESC that
// nothing followed within the wait is the Escape key.
TEST(InputParser, AnEscapeSequenceInTwoReadsIsOneKeyAndALoneEscIsEscapeAfterTheWait) {
  InputParser p;
  EXPECT_TRUE(p.feed("\x1b").empty());
  EXPECT_TRUE(p.waiting());
  auto left = p.feed("[D");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].key, Key::Left);
  EXPECT_FALSE(p.waiting());

  EXPECT_TRUE(p.feed("\x1b").empty());
  auto esc = p.flush();
  ASSERT_EQ(esc.size(), 1u);
  EXPECT_EQ(esc[0].key, Key::Escape);
  EXPECT_FALSE(p.waiting());

  // ESC and the start of a sequence that never ends: Escape, then the text.
  EXPECT_TRUE(p.feed("\x1b[").empty());
  auto rest = p.flush();
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].key, Key::Escape);
  EXPECT_EQ(rest[1].text, "[");
}

}  // namespace
