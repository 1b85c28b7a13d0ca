// A main window on the null display, in a private settings folder, with a
// recording dialog responder and the manual clock.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/fMain.h"
#include "platform/posix/Seams.h"

class AppTest : public ::testing::Test {
 protected:
  // 2026-12-06 21:04:35.000, local.
  static constexpr int64_t kStartMs = 1796591075000;

  void SetUp() override;
  void TearDown() override;

  // Creates Form1 (runs FormCreate and the settings load).
  void StartApp();
  // Destroys Form1 (runs FormDestroy and saves the settings).
  void StopApp();

  // Answers the next dialogs in order; without an answer a dialog is cancelled.
  void Answer(std::function<void(posix::DialogRequest&)> a) { answers_.push_back(std::move(a)); }
  void AnswerBox(int id);
  void AnswerSave(const std::string& path);

  std::vector<std::string> LogLines() const;
  std::string Stamp() const { return DateTimeToStr(Now()); }
  std::string IniPath() const { return dir_ + "/tavix.ini"; }
  void WriteIni(const std::string& text) const;
  std::string ReadFile(const std::string& path) const;
  // Pumps messages until pred holds or about 10 s have passed.
  bool PumpUntil(const std::function<bool()>& pred);

  // Runs f on the GUI thread at its next pump; callable from any thread.
  void OnGui(std::function<void()> f);

  std::string dir_;
  HWND gui_ = nullptr;
  posix::ManualClock* clock_ = nullptr;
  std::deque<std::function<void(posix::DialogRequest&)>> answers_;
  std::vector<posix::DialogRequest> dialogs_;  // what was shown, in order
  std::mutex guiMu_;
  std::deque<std::function<void()>> guiCalls_;
};
