// The file-save dialog component (the platform's common save dialog).
//
// API notes: Filter is "description|pattern|description|pattern"; FilterIndex is
// 1-based; Execute() returns true and sets FileName (and FilterIndex) when the
// user confirms, false when cancelled.
#pragma once

#include <string>

#include "framework/Classes.h"

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

class TSaveDialog : public TComponent {
 public:
  explicit TSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute();

  std::string FileName;
  std::string DefaultExt;
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  std::string Title;
  TOpenOptions Options{ofHideReadOnly, ofEnableSizing};

  // The OPENFILENAMEA flags for Options (exposed for tests).
  DWORD Flags() const;
  // "a|b|c|d" -> "a\0b\0c\0d\0\0".
  static std::string FilterList(const std::string& filter);
};

class TOpenDialog : public TSaveDialog {
 public:
  using TSaveDialog::TSaveDialog;
};
