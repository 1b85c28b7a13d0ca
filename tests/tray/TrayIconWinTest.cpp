// Windows: the icon the shell receives. The program starts hidden, so the icon is the
// only way in; the record it adds must carry the program's own picture (the MAINICON
// resource, linked into this test program too) in its small image: the shell shrinks a
// larger one by dropping pixels. The shell's entry point is replaced in this program's
// import table by one that records each add and passes it on.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "tray/TrayIcon.h"

namespace {

using NotifyFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
NotifyFn gShellNotify = nullptr;
std::vector<HICON> gAddedIcons;

BOOL WINAPI RecordingNotify(DWORD op, PNOTIFYICONDATAA data) {
  if (op == NIM_ADD) gAddedIcons.push_back(data->hIcon);
  return gShellNotify(op, data);
}

// The import slot of `fn` from `dll` in this program, or nullptr.
void** ImportSlot(const char* dll, const char* fn) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
  for (; imp->Name; ++imp) {
    if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), fn) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

void WriteSlot(void** slot, void* value) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
  *slot = value;
  VirtualProtect(slot, sizeof(void*), old, &old);
}

// The bits of one of an icon's bitmaps (empty when there is none).
std::vector<char> BitsOf(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return {};
  std::vector<char> bits(size_t(info.bmWidthBytes) * info.bmHeight * info.bmPlanes);
  GetBitmapBits(bitmap, LONG(bits.size()), bits.data());
  return bits;
}

// An icon's picture: colour bits, then mask bits.
std::vector<char> PictureOf(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  std::vector<char> picture = BitsOf(info.hbmColor);
  std::vector<char> mask = BitsOf(info.hbmMask);
  picture.insert(picture.end(), mask.begin(), mask.end());
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return picture;
}

// Built as the main window builds its icon: the application's icon, while loading.
class TIconForm : public TForm {
 public:
  TTrayIcon* TrayIcon1 = nullptr;
  explicit TIconForm(TComponent* AOwner) : TForm(AOwner) {
    SetVisible(false);
    ReadState([this] {
      TrayIcon1 = TComponent::Create<TTrayIcon>(this);
      TrayIcon1->SetIcon(Application->Icon());
    });
  }
};

// Puts the recorder in the import slot for its lifetime.
struct TNotifyRecorder {
  void** slot = ImportSlot("shell32.dll", "Shell_NotifyIconA");
  TNotifyRecorder() {
    if (!slot) return;
    gShellNotify = reinterpret_cast<NotifyFn>(*slot);
    gAddedIcons.clear();
    WriteSlot(slot, reinterpret_cast<void*>(&RecordingNotify));
  }
  ~TNotifyRecorder() {
    if (slot) WriteSlot(slot, reinterpret_cast<void*>(gShellNotify));
  }
};

TEST(TrayIconWin, TheAddedIconShowsTheProgramsSmallIconResource) {
  TNotifyRecorder recorder;
  ASSERT_NE(recorder.slot, nullptr);
  Application->Initialize();
  std::unique_ptr<TIconForm> form(TComponent::Create<TIconForm>(nullptr));
  ASSERT_EQ(gAddedIcons.size(), 1u);
  HICON small = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
  std::vector<char> resource = PictureOf(small);
  DestroyIcon(small);
  ASSERT_FALSE(resource.empty());
  std::vector<char> added = PictureOf(gAddedIcons[0]);  // empty for no icon at all
  EXPECT_EQ(added.size(), resource.size());
  EXPECT_TRUE(added == resource) << "the added icon's picture is not MAINICON's small one";
}

}  // namespace
