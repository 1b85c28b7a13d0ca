// A started main window polling a misbehaving loopback server, with the checks that
// a poll ended with one line and that the next poll still works.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/GateFixture.h"

inline const std::string kOk = "HTTP/1.0 200 OK\r\n\r\n";

template <class Base>
class HostileFixture : public GateFixture<Base> {
 protected:
  using GateFixture<Base>::gate_;
  void SetUp() override {
    Base::SetUp();
    this->StartApp();
    Form1->edURL->SetText(gate_.address());
  }
  // Polls once and returns the log lines the poll added after "MANUAL POLL".
  std::vector<std::string> PollLines() {
    const size_t before = this->LogLines().size();
    Form1->btnPoll->Click();
    auto lines = this->LogLines();
    return {lines.begin() + long(before) + 1, lines.end()};
  }
  void ExpectNextPollWorks() {
    gate_.resetInsteadOfReply(false);
    gate_.openAlways(true);
    gate_.setReply(kOk);
    auto lines = PollLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("SUCCESS " + gate_.address()), std::string::npos);
    EXPECT_FALSE(Form1->Busy());
  }
};

inline std::string Message(const std::string& line) { return line.substr(line.find(" - ") + 3); }
