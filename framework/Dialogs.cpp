// The file-save dialog component on the platform's common save dialog.
#include "framework/Dialogs.h"

#include <vector>

#include "framework/Forms.h"

std::string TSaveDialog::FilterList(const std::string& filter) {
  std::string r;
  for (char c : filter) r += c == '|' ? '\0' : c;
  if (r.empty() || r.back() != '\0') r += '\0';
  r += '\0';
  return r;
}

DWORD TSaveDialog::Flags() const {
  static const struct {
    TOpenOption opt;
    DWORD flag;
  } kMap[] = {{ofReadOnly, OFN_READONLY},           {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
              {ofHideReadOnly, OFN_HIDEREADONLY},   {ofNoChangeDir, OFN_NOCHANGEDIR},
              {ofPathMustExist, OFN_PATHMUSTEXIST}, {ofFileMustExist, OFN_FILEMUSTEXIST},
              {ofEnableSizing, OFN_ENABLESIZING}};
  DWORD f = OFN_EXPLORER;
  for (const auto& m : kMap)
    if (Options.Contains(m.opt)) f |= m.flag;
  return f;
}

bool TSaveDialog::Execute() {
  if (Application && Application->Unattended()) return false;  // nobody to choose a name
  std::string filter = FilterList(Filter);
  std::vector<char> file(4096, '\0');
  FileName.copy(file.data(), file.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  if (!ofn.hwndOwner) ofn.hwndOwner = Application->Handle();
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(FilterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = DWORD(file.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.Flags = Flags();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  if (!GetSaveFileNameA(&ofn)) return false;
  file.back() = '\0';
  FileName = file.data();
  FilterIndex = int(ofn.nFilterIndex);
  return true;
}
