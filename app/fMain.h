// The main window: every control the user touches, the activity log with its
// statistics, the poll cycle and the settings file.
//
// The window starts hidden; the notification-area icon shows it. The methods are
// grouped by concern in fMain.cpp (construction, showing, closing),
// ActivityLog.cpp (log lines, statistics, save), PollCycle.cpp (polls, timer,
// result handlers) and Settings.cpp (the "settings" section of tavix.ini).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "app/PollExport.h"
#include "app/ReportFigures.h"
#include "app/StateAlerts.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/Spin.h"
#include "framework/StdCtrls.h"
#include "framework/SysUtils.h"
#include "http/HttpClient.h"
#include "placement/Placement.h"
#include "tray/TrayIcon.h"

// The kind of event passed to CountResult.
enum TStatKind : uint8_t {
  skPoll = 0,
  skSuccess = 1,
  skFailure = 2,
  skInvalidHost = 3,
  skNoConnection = 4
};

// The default address, also the default of the settings key "url".
inline constexpr const char* kDefaultHost = "localhost";

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  // Components, in the order the window creates them.
  TPanel* Panel1 = nullptr;
  THttpClient* HTTP = nullptr;
  TLabel* Label1 = nullptr;
  TEdit* edURL = nullptr;
  TLabel* Label2 = nullptr;
  TSpinEdit* edFreq = nullptr;
  TLabel* Label3 = nullptr;
  TFormStorage* FormStorage1 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* btnPoll = nullptr;
  TButton* btnClear = nullptr;
  TButton* btnSave = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TButton* btnStart = nullptr;
  TTimer* Timer1 = nullptr;
  TCheckBox* cbxHeader = nullptr;
  TTrayIcon* TrayIcon1 = nullptr;
  TButton* btnHide = nullptr;
  TButton* btnLogStats = nullptr;

  // Event handlers wired by the window description.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void btnHideClick(TObject* Sender);
  void TrayIcon1Click(TObject* Sender);
  void btnClearClick(TObject* Sender);
  void btnSaveClick(TObject* Sender);
  void btnLogStatsClick(TObject* Sender);
  void btnPollClick(TObject* Sender);
  void btnStartClick(TObject* Sender);
  void edFreqChange(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void HTTPSuccess(CmdType Cmd);
  void HTTPFailure(CmdType Cmd);
  void HTTPInvalidHost(bool& Handled);
  void HTTPConnectionFailed(TObject* Sender);

  // Read-only views for tests and the display.
  bool Busy() const { return FBusy; }
  int PollCount() const { return FPollCount; }
  int SuccessCount() const { return FSuccessCount; }
  int FailCount() const { return FFailCount; }
  int NoConnectionCount() const { return FNoConnectionCount; }
  int InvalidHostCount() const { return FInvalidHostCount; }
  double HeaderBytes() const { return FHeaderBytes; }
  // Activity log and statistics.
  void LogFmt(const std::string& Pattern, std::initializer_list<TVarRec> Args);
  std::string LogMsg(const std::string& Text);  // returns the line as logged
  void CountResult(TStatKind Kind);
  std::string MeasureElapsed();
  static std::string FormatElapsed(TDateTime Span);
  std::string HeaderSuffix();
  void ResetStats();
  void ClearLog();
  void LogStats();

  // Poll cycle.
  void PollServer();
  void ShowBusyNotice();     // "Busy waiting ...", without holding the poll in flight
  void StartPollClock();     // notes the start of a poll (wall clock and monotonic)
  void LogWhyItEnded();      // after an error line: a time-out, a redirect target
  void LogRedirectTarget();  // the address a redirect led the poll to, if any
  void ExportPoll(const std::string& Address);  // the metrics and history files, if any
  void ToggleAutoPoll();

  // Settings file.
  void LoadSettings();
  void SaveSettings();

  // The server's TLS certificate: a line when it ends within CertWarnDays days.
  void WarnCertificateExpiry();
  int CertWarnDays() const { return FCertWarnDays; }

  // The server's state and what a change of it sets off.
  TStateAlerts* Alerts() const { return FAlerts.get(); }

 private:
  void BuildComponents();
  void BuildInputControls();
  void BuildButtons();
  void BuildNonVisual();
  TButton* MakeButton(const std::string& caption, int left, int top, int tab,
                      void (TForm1::*handler)(TObject*));
  void AppendLogLine(const std::string& line);
  void WriteLogFile(const std::string& fileName);
  int IntervalMs() const;
  using TSettingTexts = std::array<std::string, 4>;
  TSettingTexts SettingsShown() const;
  TSettingTexts SettingsInFile() const;
  void PollEnded();  // once per poll, after its log lines
  void NoteOutcome(bool Success, const char* Outcome);

  std::unique_ptr<TIniFile> FIniFile;
  // The settings as shown and as the file had them when they were last read or
  // written: a value this instance left alone is not written over a newer one.
  TSettingTexts FSettingsShown;
  TSettingTexts FSettingsInFile;
  std::unique_ptr<TStateAlerts> FAlerts;
  bool FPollSucceeded = false;  // this poll ended with OnSuccess and no error
  std::string FPollOutcome;     // this poll's last outcome
  TPollExport FExport;
  TStatKind FPollEndKind = skPoll;  // the last kind counted: how the poll ended
  TTimeTally FSuccessTimes;         // this period's success times, for the report
  bool FBusy = false;
  bool FManualPoll = false;
  // The busy notice shows (shared with the thread that shows it).
  std::shared_ptr<std::atomic<bool>> FBusyNoticeOpen = std::make_shared<std::atomic<bool>>(false);
  bool FClosing = false;
  TDateTime FPollStart = 0;
  double FPollStartTick = 0;  // monotonic start of the poll, in days
  bool FLoading = false;
  int32_t FPollCount = 0;
  int32_t FSuccessCount = 0;
  int32_t FFailCount = 0;
  int32_t FNoConnectionCount = 0;
  int32_t FInvalidHostCount = 0;
  double FHeaderBytes = 0;
  TDateTime FSuccessTimeTotal = 0;
  TDateTime FStatsStart = 0;
  TDateTime FLastElapsed = 0;
  int FCertWarnDays = 14;
  std::map<std::string, int> FCertWarnedOn;  // certificate id -> the day of its last warning
};

extern TForm1* Form1;

// The poll request's settings (time-out, headers), for the window's client and the
// check mode's, so both send the same bytes.
void SetUpPollClient(THttpClient& Client);
