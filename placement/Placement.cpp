// TFormPlacement / TFormStorage: the hooked form events, saving and restoring.
#include "placement/Placement.h"

#include <exception>

#include "framework/Forms.h"
#include "placement/PlacementHook.h"

namespace {
// Opens the store for one save or restore and always closes it again.
class StoreScope {
 public:
  StoreScope(std::unique_ptr<TIniFile>& slot, const std::string& name) : FSlot(slot) {
    FSlot = std::make_unique<TIniFile>(name);
  }
  ~StoreScope() { FSlot.reset(); }

 private:
  std::unique_ptr<TIniFile>& FSlot;
};
}  // namespace

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return MaxPosLeft == 0 && MaxPosTop == 0 && MaxSizeHeight == 0 && MaxSizeWidth == 0 &&
         MaxTrackHeight == 0 && MaxTrackWidth == 0 && MinTrackHeight == 0 && MinTrackWidth == 0;
}

void TWinMinMaxInfo::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TWinMinMaxInfo*>(Source);
  if (!s) return TPersistent::Assign(Source);
  MaxPosLeft = s->MaxPosLeft;
  MaxPosTop = s->MaxPosTop;
  MaxSizeHeight = s->MaxSizeHeight;
  MaxSizeWidth = s->MaxSizeWidth;
  MaxTrackHeight = s->MaxTrackHeight;
  MaxTrackWidth = s->MaxTrackWidth;
  MinTrackHeight = s->MinTrackHeight;
  MinTrackWidth = s->MinTrackWidth;
}

TFormPlacement::TFormPlacement(TComponent* AOwner) : TComponent(AOwner) {
  if (dynamic_cast<TCustomForm*>(AOwner)) Options = {fpState, fpPosition};
}

TFormPlacement::~TFormPlacement() {
  FWinHook.reset();
  // Only while the form is still whole; during its final teardown it is not a form.
  if (FHooked) {
    if (TCustomForm* form = Form()) {
      form->OnShow = FSavedShow;
      form->OnCloseQuery = FSavedCloseQuery;
      form->OnDestroy = FSavedDestroy;
    }
  }
}

TCustomForm* TFormPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

void TFormPlacement::Loaded() {
  TComponent::Loaded();
  TCustomForm* form = Form();
  if (!form || ComponentState().Contains(csDesigning) || FHooked) return;
  FSavedShow = form->OnShow;
  FSavedCloseQuery = form->OnCloseQuery;
  FSavedDestroy = form->OnDestroy;
  form->OnShow = [this](TObject* Sender) { HookedShow(Sender); };
  form->OnCloseQuery = [this](TObject* Sender, bool& CanClose) {
    HookedCloseQuery(Sender, CanClose);
  };
  form->OnDestroy = [this](TObject* Sender) { HookedDestroy(Sender); };
  FHooked = true;
  UpdateHook();
}

std::string TFormPlacement::StoreName() const {
  return IniFileName.empty() ? DefaultStoreName() : IniFileName;
}

std::string TFormPlacement::SectionName() const {
  if (!IniSection.empty()) return IniSection;
  TCustomForm* form = Form();
  return form ? form->ClassName() : ClassName();
}

void TFormPlacement::HookedShow(TObject* Sender) {
  if (Active) {
    try {
      LoadPlacement();
    } catch (const std::exception& e) {
      Application->HandleException(e);
    }
  }
  if (FSavedShow) FSavedShow(Sender);
}

void TFormPlacement::HookedCloseQuery(TObject* Sender, bool& CanClose) {
  if (FSavedCloseQuery) FSavedCloseQuery(Sender, CanClose);
  TCustomForm* form = Form();
  if (!CanClose || !Active || !form || !form->HandleAllocated()) return;
  try {
    StorePlacement();
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
}

void TFormPlacement::HookedDestroy(TObject* Sender) {
  if (Active && !FSaved) {
    FDestroying = true;
    try {
      StorePlacement();
    } catch (const std::exception& e) {
      Application->HandleException(e);
    }
    FDestroying = false;
  }
  if (FSavedDestroy) FSavedDestroy(Sender);
}

void TFormPlacement::LoadPlacement() {
  FSaved = false;
  {
    StoreScope scope(FStore, StoreName());
    if (FStore->ReadInteger(SectionName(), "FormVersion", 0) >= Version) {
      RestorePlacement();
      if (OnRestorePlacement) OnRestorePlacement(this);
      if (Options.Contains(fpActiveControl)) RestoreActiveControl();
    }
    FRestored = true;
  }
  FixMaxPosition();
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* form = Form())
    ReadPlacementKeys(form, *FStore, SectionName(), Options.Contains(fpPosition),
                      Options.Contains(fpState));
  FRestored = true;
}

void TFormPlacement::RestoreActiveControl() {
  TCustomForm* form = Form();
  if (!form) return;
  std::string name = ReadString(SectionName(), "ActiveControl", "");
  auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name));
  if (!name.empty() && control && control->CanFocus()) form->SetActiveControl(control);
}

void TFormPlacement::StorePlacement() {
  if (Active && !FRestored) return;  // never shown in this run: keep what the file holds
  StoreScope scope(FStore, StoreName());
  SavePlacement();
  if (OnSavePlacement) OnSavePlacement(this);
  FSaved = true;
}

void TFormPlacement::SavePlacement() {
  const std::string section = SectionName();
  FStore->WriteInteger(section, "FormVersion", Version);
  TCustomForm* form = Form();
  if (!form || !(Options.Contains(fpState) || Options.Contains(fpPosition))) return;
  WritePlacementKeys(form, *FStore, section);
  FStore->WriteBool(section, "Visible", FDestroying);
  if (Options.Contains(fpActiveControl) && form->ActiveControl())
    WriteString(section, "ActiveControl", form->ActiveControl()->Name);
}

std::string TFormPlacement::ReadString(const std::string& Section, const std::string& Key,
                                       const std::string& Default) {
  return FStore->ReadString(Section, Key, Default);
}

void TFormPlacement::WriteString(const std::string& Section, const std::string& Key,
                                 const std::string& Value) {
  FStore->WriteString(Section, Key, Value);  // the accessor protects quoted values
}

void TFormPlacement::FixMaxPosition() {
  TCustomForm* form = Form();
  if (!form || !form->HandleAllocated() || form->ComponentState().Contains(csLoading) ||
      FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo())
    return;
  HWND h = form->Handle();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  GetWindowPlacement(h, &wp);
  if (!IsWindowVisible(h)) wp.showCmd = SW_HIDE;
  int cx = 0, cy = 0;
  switch (form->BorderStyle()) {
    case bsSingle:
    case bsToolWindow:
      cx = GetSystemMetrics(SM_CXBORDER);
      cy = GetSystemMetrics(SM_CYBORDER);
      break;
    case bsSizeable:
    case bsSizeToolWin:
      cx = GetSystemMetrics(SM_CXFRAME);
      cy = GetSystemMetrics(SM_CYFRAME);
      break;
    case bsDialog:
      cx = GetSystemMetrics(SM_CXDLGFRAME);
      cy = GetSystemMetrics(SM_CYDLGFRAME);
      break;
    case bsNone:
      break;
  }
  wp.ptMaxPosition = POINT{-cx, -cy};
  SetWindowPlacement(h, &wp);
}

void TFormPlacement::SetPreventResize(bool Value) {
  if (Value == FPreventResize) return;
  FPreventResize = Value;
  UpdateHook();
}

void TFormPlacement::UpdateHook() {
  bool wanted = FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo();
  TCustomForm* form = Form();
  if (!wanted || !form || ComponentState().Contains(csLoading)) {
    FWinHook.reset();
    return;
  }
  if (!FWinHook) FWinHook = std::make_unique<TPlacementHook>(this, form->Handle());
  FWinHook->Apply();
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveProperties();
  for (TStoredValue& v : StoredValues) {
    std::string value = v.Value;
    if (v.OnSave) v.OnSave(&v, value);
    WriteString(SectionName(), v.Key(), value);
  }
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  RestoreProperties();
  for (TStoredValue& v : StoredValues) {
    v.Value = ReadString(SectionName(), v.Key(), v.Value);
    if (v.OnRestore) v.OnRestore(&v, v.Value);
  }
}

void TFormStorage::SaveProperties() {}
void TFormStorage::RestoreProperties() {}
