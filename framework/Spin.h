// The integer spin edit: an edit box with an up-down control beside it.
//
// API notes: Value() reads the text as a decimal integer (a non-number reads as
// MinValue); SetValue clamps to [MinValue, MaxValue] (no limits while the two are
// equal) and sets the text; focus loss clamps the text;
// the up-down control and VK_UP / VK_DOWN step by Increment. OnChange runs on every
// text change. Where text can be measured, the box grows when its window is made
// until the widest value of the limits shows whole.
#pragma once

#include "framework/StdCtrls.h"

class TSpinEdit : public TCustomEdit {
 public:
  explicit TSpinEdit(TComponent* AOwner);
  ~TSpinEdit() override;

  int Value() const;
  void SetValue(int v);
  int MinValue = 0;
  int MaxValue = 0;
  int Increment = 1;

  void CNCommand(TMessage& msg) override;
  void WndProc(TMessage& msg) override;
  void DestroyHandle() override;
  HWND UpDownHandle() const { return FUpDown; }
  // The up-down control's notification (delivered by the parent).
  void UpDownNotify(TMessage& msg);
  void CNNotify(TMessage& msg) override { UpDownNotify(msg); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateHandleDone() override;
  void BoundsChanged() override;
  void VisibleChanged() override;

 private:
  int CheckValue(int v) const;
  void Step(int delta);
  void PlaceUpDown();
  void FitWidestValue();

  HWND FUpDown = nullptr;
};
