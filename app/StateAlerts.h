// TStateAlerts: the watched server's state and what a change of it sets off.
//
// Fed once per poll, after the poll's own log lines (TForm1::PollEnded), and when
// automatic polling stops. It shows the state on the notification icon (picture,
// colour and tip) and, on a change between up and down, logs a "SERVER DOWN" or
// "SERVER UP" line, shows a balloon (which the terminal also rings once) and runs the
// person's command. Its settings are additions to the "settings" section; they are
// read, never written, so a settings file without them stays as it was.
#pragma once

#include <string>

#include "app/AlertCommand.h"
#include "app/ServerState.h"
#include "framework/Graphics.h"
#include "framework/IniFiles.h"

class TForm1;

struct TAlertSettings {
  int FailuresToDown = 1;   // "failurestodown"
  bool Bell = true;         // "alertbell": the balloon's sound
  std::string Command;      // "alertcommand": empty runs nothing
  int CommandTimeout = 30;  // "alertcommandtimeout", seconds
};

class TStateAlerts {
 public:
  explicit TStateAlerts(TForm1& Form);
  void LoadSettings(const TIniFile& Ini, const std::string& Section);
  // Outcome: what the poll's log lines said (SUCCESS, FAILURE, CONNECTION FAILED,
  // INVALID HOST or the error's message).
  void PollEnded(bool Success, const std::string& Outcome);
  void PollingStopped();

  const TServerState& State() const { return FState; }
  const TAlertSettings& Settings() const { return FSettings; }
  TAlertCommand* Command() const { return FCommand; }
  std::string TipText() const;

 private:
  void ShowState();
  void Announce(const TStateChange& Change);
  TEnvironment CommandEnvironment(const TStateChange& Change, const std::string& Line) const;

  TForm1& FForm;
  TServerState FState;
  TAlertSettings FSettings;
  TAlertCommand* FCommand;  // owned by the form
  TIcon FIcons[3];          // by TServerStatus: grey, green and red marks
  std::string FOutcome;     // the last poll's, with its time
  TDateTime FOutcomeTime = 0;
};

// The colour of a log line on a display that has colours: outcomes that are good news
// green, failures, errors and SERVER DOWN red, the rest none.
LRESULT LogLineColour(const std::string& Line);

// "00:12:03": a duration in whole seconds (hours may pass 24).
std::string DurationText(double Seconds);
