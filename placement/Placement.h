// Window placement storage: TFormPlacement restores its owner form's position, size
// and state each time the form is shown and saves them when the form closes, in one
// section of an INI file; TFormStorage also saves named values.
//
// The component chains itself into the form's OnShow, OnCloseQuery and OnDestroy in
// its loaded step (so the form's own handlers must be set before the form's
// description has been read) and puts the saved handlers back when it is destroyed.
// The placement is only written in a run in which it was first read, that is in
// which the form was shown at least once. Errors while loading or saving go to the
// application's standard error box and never stop the showing, the close or the
// destruction. The INI file is opened for one save or restore and closed right after.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/IniFiles.h"

class TCustomForm;
class TPlacementHook;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TSet<TPlacementOption>;
enum TPlacementRegRoot {
  prCurrentUser,
  prLocalMachine,
  prCurrentConfig,
  prClassesRoot,
  prUsers,
  prDynData
};

// Limits applied to the form's window; 0 means "not set".
class TWinMinMaxInfo : public TPersistent {
 public:
  int MaxPosLeft = 0, MaxPosTop = 0;
  int MaxSizeHeight = 0, MaxSizeWidth = 0;
  int MaxTrackHeight = 0, MaxTrackWidth = 0;
  int MinTrackHeight = 0, MinTrackWidth = 0;

  bool DefaultMinMaxInfo() const;  // every value 0
  void Assign(TPersistent* Source) override;
};

class TFormPlacement : public TComponent {
 public:
  explicit TFormPlacement(TComponent* AOwner);
  ~TFormPlacement() override;

  bool Active = true;
  std::string IniFileName;  // empty: DefaultStoreName()
  std::string IniSection;   // empty: the form's class name
  TPlacementOptions Options;
  TPlacementRegRoot RegistryRoot = prCurrentUser;
  bool UseRegistry = false;  // the registry is not available here; the INI file is used
  int Version = 0;
  TNotifyEvent OnSavePlacement;
  TNotifyEvent OnRestorePlacement;

  TWinMinMaxInfo* MinMaxInfo() { return &FMinMaxInfo; }
  bool PreventResize() const { return FPreventResize; }
  void SetPreventResize(bool Value);

  void LoadPlacement();
  void StorePlacement();
  std::string StoreName() const;
  std::string SectionName() const;
  void Loaded() override;

 protected:
  virtual void SavePlacement();
  virtual void RestorePlacement();
  virtual std::string ReadString(const std::string& Section, const std::string& Key,
                                 const std::string& Default);
  virtual void WriteString(const std::string& Section, const std::string& Key,
                           const std::string& Value);

  TCustomForm* Form() const;
  TIniFile& Store() { return *FStore; }

 private:
  friend class TPlacementHook;
  void HookedShow(TObject* Sender);
  void HookedCloseQuery(TObject* Sender, bool& CanClose);
  void HookedDestroy(TObject* Sender);
  void RestoreActiveControl();
  void FixMaxPosition();
  void UpdateHook();

  TNotifyEvent FSavedShow;
  std::function<void(TObject*, bool&)> FSavedCloseQuery;
  TNotifyEvent FSavedDestroy;
  bool FHooked = false;
  bool FRestored = false;
  bool FSaved = false;
  bool FDestroying = false;
  bool FPreventResize = false;
  std::unique_ptr<TIniFile> FStore;
  TWinMinMaxInfo FMinMaxInfo;
  std::unique_ptr<TPlacementHook> FWinHook;
};

// A named value saved with the placement (key: KeyString, else Name).
class TStoredValue {
 public:
  std::string Name;
  std::string Value;
  std::string KeyString;
  std::function<void(TStoredValue* Sender, std::string& Value)> OnSave;
  std::function<void(TStoredValue* Sender, const std::string& Value)> OnRestore;
  std::string Key() const { return KeyString.empty() ? Name : KeyString; }
};

class TFormStorage : public TFormPlacement {
 public:
  explicit TFormStorage(TComponent* AOwner) : TFormPlacement(AOwner) {}

  // "Component.Property" entries; kept for the form description only, as this
  // framework has no published-property information to read or set them by name.
  TStringList StoredProps;
  std::vector<TStoredValue> StoredValues;

 protected:
  void SavePlacement() override;
  void RestorePlacement() override;
  virtual void SaveProperties();
  virtual void RestoreProperties();
};

// The key-level routines. The store is the open INI file of one save or restore.
void WritePlacementKeys(TCustomForm* Form, TIniFile& Store, const std::string& Section);
void ReadPlacementKeys(TCustomForm* Form, TIniFile& Store, const std::string& Section,
                       bool LoadPosition, bool LoadState);

// The executable's file name with the extension ".INI" and no directory.
std::string DefaultStoreName();
// The suffix of the resolution-specific keys, e.g. "(1024x768)".
std::string ScreenSuffix();
int ScreenPixelsPerInch();
