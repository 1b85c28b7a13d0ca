// The standard controls: label, edit box, push button, check box, memo.
//
// API notes: TMemo::Lines() is a TStrings view of the control's text (items joined
// by CR LF; Count is the text split at CR LF, a final empty piece not counted);
// appending scrolls to the end. TEdit::OnChange runs on every text change (typing
// and assignment); OnExit on focus loss.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Classes.h"
#include "framework/Controls.h"

class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* AOwner);
  // Widens the label to its caption in its font when its window is made, so no
  // caption is cut where the font is drawn wider than designed. Where text cannot be
  // measured the bounds stand; a label never shrinks.
  bool AutoSize = true;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;

 private:
  void AdjustBounds();
};

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  void SelectAll();
  void CNCommand(TMessage& msg) override;
  // Entered from the keyboard (Tab, a form shown), the text is selected, so that
  // typing replaces it; a click leaves the caret where it lands.
  bool AutoSelect = true;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;
  virtual void Change();  // runs OnChange
  virtual void DoExit();  // runs OnExit
  int BackgroundColor() const override { return COLOR_WINDOW; }

  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo;
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* memo) : FMemo(memo) {}
  // Reads come from a copy of the lines kept while the memo's text is unchanged; Add
  // appends at the end of the control and to the copy, so a line costs its own length,
  // not the log's.
  int Count() const override;
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  const std::vector<std::string>& Lines() const;  // the copy, made anew when stale
  void Keep() const;                              // the copy matches the text again

  TMemo* FMemo;
  mutable std::vector<std::string> FCache;
  mutable bool FCacheOpenEnd = false;  // the text's last line has no CR LF
  mutable uint64_t FCacheRevision = ~uint64_t(0);
};

class TMemo : public TCustomEdit {
 public:
  explicit TMemo(TComponent* AOwner);
  TStrings* Lines() { return &FLines; }
  void SetScrollBars(TScrollStyle s) { FScrollBars = s; }
  void ScrollToEnd();
  void SetText(const std::string& s) override;
  uint64_t TextRevision() const { return FTextRevision; }  // moves with every change
  // The colour of a line the memo shows (WM_GETTEXTCOLOUR); unassigned: none.
  std::function<LRESULT(const std::string& Line)> OnLineColour;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;
  void Change() override;
  void WndProc(TMessage& msg) override;

 private:
  friend class TMemoStrings;
  TMemoStrings FLines;
  uint64_t FTextRevision = 0;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  void CNCommand(TMessage& msg) override;
  bool Default = false;

 protected:
  void CreateParams(TCreateParams& params) override;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const;
  void SetChecked(bool v);  // runs OnClick when the state changes, as a click would
  void CNCommand(TMessage& msg) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;

 private:
  bool FChecked = false;
};
