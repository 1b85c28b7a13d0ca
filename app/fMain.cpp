// The main window's construction, start-up, showing, hiding and closing.
#include "app/fMain.h"

#include "app/CommandLine.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  ReadState([this] { BuildComponents(); });
}

TForm1::~TForm1() = default;

void TForm1::BuildComponents() {
  SetCaption("Orvane Pollarion");
  SetPosition(poDefaultPosOnly);
  SetBounds(860, 304, 487, 463);
  ShowHint = true;
  SetVisible(false);
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };

  Panel1 = Create<TPanel>(this);
  Panel1->SetParent(this);
  Panel1->SetAlign(alTop);
  Panel1->SetBounds(0, 0, 479, 124);
  Panel1->TabOrder = 0;
  Panel1->SetCaption("");
  BuildNonVisual();
  BuildInputControls();
  BuildButtons();
}

void SetUpPollClient(THttpClient& Client) {
  Client.TimeOut = 60000;
  Client.Port = 0;
  Client.ReportLevel = 0;
  Client.Body = "Default.htm";
  Client.Header = "Head.txt";
  Client.HeaderInfo()->LocalProgram = "Pollarion";
  Client.HeaderInfo()->Referer = "Pollarion";
}

// The HTTP client comes right after the panel, as in the window description; the
// other non-visual components are created at their places by BuildButtons.
void TForm1::BuildNonVisual() {
  HTTP = Create<THttpClient>(this);
  HTTP->Name = "HTTP";
  SetUpPollClient(*HTTP);
  HTTP->OnSuccess = [this](CmdType c) { HTTPSuccess(c); };
  HTTP->OnFailure = [this](CmdType c) { HTTPFailure(c); };
  HTTP->OnInvalidHost = [this](bool& h) { HTTPInvalidHost(h); };
  HTTP->OnConnectionFailed = [this](TObject* s) { HTTPConnectionFailed(s); };
}

void TForm1::BuildInputControls() {
  auto label = [this](const std::string& text, int l, int t, int w, int h) {
    TLabel* lab = Create<TLabel>(this);
    lab->SetParent(Panel1);
    lab->SetBounds(l, t, w, h);
    lab->SetCaption(text);
    return lab;
  };
  Label1 = label("Server HTTP Address", 25, 23, 104, 13);
  edURL = Create<TEdit>(this);
  edURL->Name = "edURL";
  edURL->SetParent(Panel1);
  edURL->SetBounds(143, 19, 309, 21);
  edURL->SetText(kDefaultHost);
  edURL->Hint = "Dotted IP address without http://";
  edURL->ShowHint = true;
  edURL->TabOrder = 0;
  edURL->TabStop = true;
  Label2 = label("Poll server every", 25, 58, 78, 13);
  edFreq = Create<TSpinEdit>(this);
  edFreq->Name = "edFreq";
  edFreq->SetParent(Panel1);
  edFreq->SetBounds(114, 54, 55, 22);
  edFreq->MinValue = 1;
  edFreq->MaxValue = 10000;
  edFreq->Increment = 1;
  edFreq->SetValue(15);
  edFreq->Hint = "How often to poll server";
  edFreq->ShowHint = true;
  edFreq->TabOrder = 1;
  edFreq->TabStop = true;
  edFreq->OnChange = [this](TObject* s) { edFreqChange(s); };
  Label3 = label("minutes", 178, 58, 36, 13);
  FormStorage1 = Create<TFormStorage>(this);
  FormStorage1->Name = "FormStorage1";
  FormStorage1->IniSection = "window";
  Memo1 = Create<TMemo>(this);
  Memo1->Name = "Memo1";
  Memo1->SetParent(this);
  Memo1->SetAlign(alClient);
  Memo1->SetBounds(0, 124, 479, 305);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssVertical);
  Memo1->TabOrder = 1;
  Memo1->TabStop = true;
}

TButton* TForm1::MakeButton(const std::string& caption, int left, int top, int tab,
                            void (TForm1::*handler)(TObject*)) {
  TButton* b = Create<TButton>(this);
  b->SetParent(Panel1);
  b->SetBounds(left, top, 75, 25);
  b->SetCaption(caption);
  b->TabOrder = tab;
  b->TabStop = true;
  b->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
  return b;
}

void TForm1::BuildButtons() {
  btnPoll = MakeButton("Poll Now", 247, 53, 2, &TForm1::btnPollClick);
  btnClear = MakeButton("Clear", 6, 90, 4, &TForm1::btnClearClick);
  btnSave = MakeButton("Save", 87, 90, 5, &TForm1::btnSaveClick);
  SaveDialog = Create<TSaveDialog>(this);
  SaveDialog->DefaultExt = "txt";
  SaveDialog->Filter = "Text files|*.txt|All files|*.*";
  SaveDialog->Options =
      TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing};
  SaveDialog->Title = "Save Pollarion Log";
  btnStart = MakeButton("Start", 338, 53, 3, &TForm1::btnStartClick);
  Timer1 = Create<TTimer>(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(900000);
  Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
  cbxHeader = Create<TCheckBox>(this);
  cbxHeader->SetParent(Panel1);
  cbxHeader->SetBounds(278, 94, 97, 17);
  cbxHeader->SetCaption("Display Header");
  cbxHeader->TabOrder = 6;
  cbxHeader->TabStop = true;
  TrayIcon1 = Create<TTrayIcon>(this);
  TrayIcon1->Name = "TrayIcon1";
  TrayIcon1->SetHint("Orvane Pollarion (click to show)");
  TrayIcon1->SetIcon(Application->Icon());
  TrayIcon1->OnClick = [this](TObject* s) { TrayIcon1Click(s); };
  btnHide = MakeButton("Hide", 385, 90, 7, &TForm1::btnHideClick);
  btnLogStats = MakeButton("Log Stats", 169, 90, 8, &TForm1::btnLogStatsClick);
  FAlerts = std::make_unique<TStateAlerts>(*this);
}

void TForm1::FormCreate(TObject* Sender) {
  FLoading = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FLoading};
  ResetStats();
  const std::string config = RunOptions().ConfigFile;
  FIniFile = std::make_unique<TIniFile>(config.empty() ? "tavix.ini" : config);
  if (!config.empty()) FormStorage1->IniFileName = config;  // the placement beside it
  LoadSettings();
  const std::string marker = ExtractFilePath(Application->ExeName()) + "newinstall";
  if (FileExists(marker)) {
    DeleteFile(marker);  // a failure only means the window shows again next time
    SetVisible(true);
  }
  if (RunOptions().Show) SetVisible(true);
}

void TForm1::FormDestroy(TObject* Sender) {
  if (!FIniFile) return;  // the settings were never read, so there is nothing to keep
  try {
    SaveSettings();
  } catch (const Exception& e) {
    Application->HandleException(e);
  }
}

void TForm1::FormCloseQuery(TObject* Sender, bool& CanClose) {
  FClosing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FClosing};
  if (Memo1->Lines()->Count() > 0) btnSaveClick(this);
  CanClose = true;
}

void TForm1::btnHideClick(TObject* Sender) { SetVisible(false); }

void TForm1::TrayIcon1Click(TObject* Sender) { SetVisible(true); }
