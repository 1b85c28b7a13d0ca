// Controls: the base of everything with a window. Every TWinControl owns one
// window of a built-in (or framework-registered) class, subclassed so that its
// messages reach the object's virtual WndProc; the default WndProc calls the
// window's previous procedure.
//
// API notes (for code built on this header):
//  - Properties with side effects are getter/setter pairs (Left()/SetLeft(...));
//    plain data (Hint, ShowHint, TabOrder, TabStop) are public fields.
//  - A control's window is created on the first Handle() call, or when its
//    parent's window is created; HandleAllocated() tells whether it exists.
//  - WM_COMMAND and WM_NOTIFY that a child sends its parent are passed to the
//    child object's CNCommand / CNNotify.
//  - FindControl(hwnd) maps a window back to its object (nullptr if none), through
//    the framework's one window table (framework/WindowBinding.h).
//  - A control's window answers WM_GETHINT with its Hint, for displays that draw
//    hints themselves.
//  - TabOrder: order among the siblings of one parent (ties: creation order).
#pragma once

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "platform/winapi.h"

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;

class TWinControl;
class TCustomForm;

struct TCreateParams {
  std::string WinClassName;
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void BeforeDestruction() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* p);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  virtual void SetBounds(int left, int top, int width, int height);
  int ClientWidth() const;
  int ClientHeight() const;

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool v);

  // Caption and Text are one value: the window text.
  virtual std::string Text() const;
  virtual void SetText(const std::string& s);
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& s) { SetText(s); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign a);

  virtual void Click();  // runs OnClick

  std::string Hint;
  bool ShowHint = false;
  TNotifyEvent OnClick;

 protected:
  // Window-side updates for subclasses that own a window.
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  void RequestAlign();

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FText;  // kept while there is no window
  TAlign FAlign = alNone;

  friend class TWinControl;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  HWND Handle();  // creates the window (and the parents' windows) if needed
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  virtual void DestroyHandle();

  void SetFocus();
  bool Focused() const;
  virtual bool CanFocus() const;  // visible and enabled up to the form

  int ControlCount() const { return int(FControls.size()); }
  TControl* Controls(int i) const { return FControls.at(size_t(i)); }
  // Focusable descendants in tab order (a container's children at its place).
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // Moves the focus to the next (or previous) tab stop after current, wrapping.
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop = true);

  // Lays out the aligned children inside the client rectangle.
  void Realign();
  std::string Text() const override;
  void SetText(const std::string& s) override;

  // The message handler; the default passes the message to the previous
  // procedure of the window (the control class's own behaviour).
  virtual void WndProc(TMessage& msg);
  // Notifications from this control's own window, delivered by the parent.
  virtual void CNCommand(TMessage& msg) { msg.Result = 0; }
  virtual void CNNotify(TMessage& msg) { msg.Result = 0; }
  void DefaultHandler(TMessage& msg);  // calls the previous procedure

  static TWinControl* FindControl(HWND hwnd);

  int TabOrder = -1;  // -1: after the ordered siblings, in creation order
  bool TabStop = false;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();           // creates the window from CreateParams and subclasses it
  virtual void CreateHandleDone() {}  // after the window exists (children follow)
  virtual void DestroyWnd();
  void BoundsChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void TextChanged() override;
  // Registers another window (e.g. a helper beside the control) as one whose
  // notifications go to this object.
  void RegisterHelperWindow(HWND h);
  void UnregisterHelperWindow(HWND h);
  // The system colour (COLOR_xxx) this control's background is painted in; the parent
  // answers the control's WM_CTLCOLORxxx with it.
  virtual int BackgroundColor() const { return COLOR_BTNFACE; }
  // The size of text in the window's font; false where text cannot be measured.
  bool MeasureText(const std::string& text, SIZE& size) const;

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;

 private:
  friend class TControl;
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT CopyHint(WPARAM size, char* buffer) const;  // WM_GETHINT
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  void CreateChildHandles();
  void UpdateBoundsFromWindow();

  std::vector<TControl*> FControls;
  bool FRealigning = false;
};

// The form that holds a control (nullptr if none).
TCustomForm* GetParentForm(TControl* control);
// Whether the Shift key is down (GetKeyState).
TShiftState KeyboardShiftState();
