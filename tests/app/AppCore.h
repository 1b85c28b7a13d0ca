// The main window in a test of its own, on every platform: a private settings place,
// the application and Form1 made and freed by the test, message boxes answered from
// a queue, and a clock fixed at one moment where the platform lets a test fix it.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/fMain.h"
#include "framework/UtilWindow.h"
#include "tests/support/DialogAnswer.h"

class AppCore : public ::testing::Test {
 protected:
  // 2026-12-06 21:04:35.000, local.
  static constexpr int64_t kStartMs = 1796591075000;
  // Stands for an elapsed time ("00:00:00.000" on a fixed clock) in IsLine's message.
  static const std::string kElapsed;

  void SetUp() override;
  void TearDown() override;

  // Creates Form1 (runs FormCreate and the settings load).
  void StartApp();
  // Destroys Form1 (runs FormDestroy and saves the settings).
  void StopApp();

  // Answers the next message boxes in order; without an answer a box is cancelled.
  void AnswerBox(int id) { boxes_->answer(id); }
  const std::vector<testsupport::BoxSeen>& Boxes() const { return boxes_->seen(); }

  // The log's lines less the SERVER DOWN / SERVER UP lines added on a change of the
  // server's state: what the poll cycle itself logs, which those lines never change.
  std::vector<std::string> LogLines() const;
  std::vector<std::string> AllLogLines() const;  // every line, those included
  // A log line with this message: the exact stamp on a fixed clock, any stamp else.
  ::testing::Matcher<std::string> IsLine(const std::string& message) const;
  // Where the program keeps tavix.ini during the test.
  std::string IniPath() const;
  void WriteIni(const std::string& text) const;
  std::string ReadFile(const std::string& path) const;
  // Pumps messages until pred holds or about 10 s have passed.
  bool PumpUntil(const std::function<bool()>& pred);
  // Runs f on the GUI thread at its next pump; callable from any thread.
  void OnGui(std::function<void()> f);
  // Moves a fixed clock on; a real one moves by itself while PumpUntil waits.
  void Advance(int64_t ms);

  bool fixedClock_ = false;
  std::string dir_;
  std::filesystem::path iniDir_;
  bool iniInDir_ = false;
  std::unique_ptr<TUtilWindow> gui_;
  std::unique_ptr<testsupport::DialogAnswers> boxes_;
  std::mutex guiMu_;
  std::deque<std::function<void()>> guiCalls_;
};
