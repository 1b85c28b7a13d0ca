// Forms and the application object: top-level windows with their life-cycle
// events, and the message loop that runs them.
//
// API notes (for code built on this header):
//  - A derived form's constructor calls ReadState(build) last: build creates the
//    components (owned by the form; they get csLoading) and sets their stored
//    properties; then csLoading is cleared, each owned component's Loaded() runs
//    in creation order, then OnCreate (an exception there goes to
//    Application->HandleException).
//  - Destroying a form (Free(), its owner, or the end of Application->Run) runs
//    OnDestroy first (window still there), then frees the components, then
//    destroys the window.
//  - Close(): OnCloseQuery(Sender, CanClose) (CanClose starts true); if allowed,
//    the main form terminates the application, another form hides. WM_CLOSE and
//    SC_CLOSE call Close(). An exception in OnCloseQuery goes to the standard
//    error box and the form stays open. A Close() while the form's close query
//    runs (its dialogs pump), or once the application terminates, does nothing.
//    The form CreateForm is making is the main form already while its constructor
//    and OnCreate run: a close accepted then ends the application too.
//  - A session end: WM_QUERYENDSESSION runs the close query; from then on, unless
//    Application->AskAtEndSession, Application->MessageBox and TSaveDialog answer
//    Cancel / No at once (nobody answers a question during a log-off, and a dialog
//    would hold it until the system ends the program with nothing written).
//    WM_ENDSESSION (ending) terminates the application and runs every form's
//    OnDestroy there and then, since the system ends the process as soon as the
//    message returns; the forms are freed when the loop ends, if the process lives
//    that long. WM_ENDSESSION (not ending) puts questions to the person again.
//  - Visible = true runs OnShow before the window appears; Visible = false hides
//    and then runs OnHide.
//  - Application->CreateForm(ref) assigns ref after the constructor has run (C++
//    cannot hand out the object earlier); the first form created becomes MainForm,
//    also after its constructor.
//  - Application->Initialize() also resets the run state (Terminated false,
//    ShowMainForm true, questions put again), so tests can run the loop again.
//  - Application->IsMinimized(): the application is minimised (Minimize() and
//    until the main form is restored or shown again).
//  - Application->MessageBox(text, caption, flags) wraps MessageBoxA, owned by the
//    active form (or the application window).
//  - Exceptions escaping a framework object's message handler (WndProc, timer,
//    utility window) go to Application->HandleException; they never cross the
//    platform's dispatch.
//  - Screen (TScreen): Width(), Height(), PixelsPerInch (96).
//  - Form windows are owned by the application window and use a window class
//    named after the form's class (e.g. "TForm1").
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/HintTips.h"
#include "platform/winapi.h"

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  void BeforeDestruction() override;

  // Reads the form description: see the notes at the top.
  void ReadState(const std::function<void()>& build);

  void SetVisible(bool v) override;
  void Close();
  bool CloseQuery();  // runs OnCloseQuery; true when the form may close
  // The destruction events (csDestroying, OnDestroy), once: at destruction, or
  // earlier when the session ends.
  void RunDestroyEvents();

  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition p) { FPosition = p; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  TFormStyle FormStyle() const { return FFormStyle; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState s);

  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* c);
  HWND ClientHandle() const { return nullptr; }  // MDI client: none in this framework
  bool Active() const;                           // the form's window is the active one
  void WndProc(TMessage& msg) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseQueryEvent OnCloseQuery;
  // Remembered pixels per inch of the design (the screen is taken as 96).
  int PixelsPerInch = 96;
  // The font of the form's controls, made when first asked for (from FontName and
  // FontHeight, which count only until then) and deleted with the form.
  HFONT Font();
  std::string FontName = "MS Sans Serif";
  int FontHeight = -11;  // character height in pixels (8 point at 96 pixels per inch)
  // The hover hints of the form's controls (see framework/HintTips.h); made with the
  // form's window, gone with it.
  THintTips* HintTips() { return FHintTips.get(); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;
  void DestroyWnd() override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();

 private:
  void WMSysCommand(TMessage& msg);
  void WMSize(TMessage& msg);
  void ShowNow();
  bool IsMain() const;

  TPosition FPosition = poDesigned;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  TWinControl* FActiveControl = nullptr;
  bool FDestroyDone = false;
  bool FInCloseQuery = false;
  HFONT FFont = nullptr;
  std::unique_ptr<THintTips> FHintTips;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Creates the hidden application window (class "TApplication", caption Title).
  void Initialize();
  template <class F>
  void CreateForm(F*& ref) {
    FCreatingMainForm = FMainForm == nullptr;
    try {
      ref = TComponent::Create<F>(this);
    } catch (...) {
      FCreatingMainForm = false;
      FPendingMainForm = nullptr;
      throw;
    }
    FormCreated(ref);
  }
  // The main form, or the form that becomes it once CreateForm returns.
  bool IsMainForm(const TCustomForm* f) const {
    return f && (f == FMainForm || f == FPendingMainForm);
  }
  // Shows the main form if ShowMainForm, then processes messages until Terminate
  // or WM_QUIT; then destroys the forms.
  void Run();
  void ProcessMessages();         // dispatches everything pending, then returns
  void HandleMessage();           // one message (waits for it), then returns
  bool ProcessMessage(MSG& msg);  // false when the queue was empty
  void Terminate();
  bool Terminated() const { return FTerminated; }
  void HandleException(const std::exception& e);
  // A session end (see the notes at the top): the query, then its outcome.
  void QueryEndSession();
  void EndSession(bool ending);
  // Questions are answered Cancel / No at once: the session ends unattended.
  bool Unattended() const { return FUnattended; }
  // Put questions during a session end too: for a platform whose display answers
  // them itself when nobody is there.
  bool AskAtEndSession = false;
  void ShowException(const std::exception& e);
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);

  HWND Handle();  // the application window, created on first use
  bool HandleAllocated() const { return FHandle != nullptr; }
  HWND WindowHandle() const { return FHandle; }  // without creating it
  TCustomForm* MainForm() const { return FMainForm; }
  void Minimize();
  void Restore();
  bool IsMinimized() const { return FMinimized; }
  bool NewStyleShell() const;
  std::string Title() const { return FTitle; }
  void SetTitle(const std::string& t);
  TIcon* Icon() { return &FIcon; }
  std::string ExeName() const;

  // Keeps the application window visible while a top-level form is visible;
  // acts only while its actual visibility matches the last one set here.
  void UpdateVisible();
  bool AppVisibleRecord() const { return FAppVisible; }

  // Forms that exist (registration is done by TCustomForm).
  const std::vector<TCustomForm*>& Forms() const { return FForms; }

  bool ShowMainForm = true;
  TExceptionEvent OnException;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

 private:
  friend class TCustomForm;
  void FormCreated(TCustomForm* f);
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  void DestroyForms();
  bool IsKeyMsg(MSG& msg);

 public:
  void AppWndProc(TMessage& msg);  // the application window's messages

 private:
  HWND FHandle = nullptr;
  TCustomForm* FMainForm = nullptr;
  TCustomForm* FPendingMainForm = nullptr;  // the first form CreateForm is making
  bool FCreatingMainForm = false;
  std::vector<TCustomForm*> FForms;
  std::string FTitle = "tavix";
  TIcon FIcon;
  bool FTerminated = false;
  bool FMinimized = false;
  bool FAppVisible = false;
  bool FUnattended = false;
};

extern TApplication* Application;

// The screen: its size in pixels and its density (taken as 96 pixels per inch,
// the platform subset has no device query).
class TScreen {
 public:
  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch = 96;
};

extern TScreen* Screen;
