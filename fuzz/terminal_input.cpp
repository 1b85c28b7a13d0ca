// Fuzz target: the terminal display's input path. The bytes a terminal sends (keys,
// mouse reports with any numbers, UTF-8, garbage) are fed to the input decoder in
// pieces, and every event is routed as window messages to a small window with an
// edit box, a button and a spin box, which then handle them. Nothing may crash, no
// arithmetic may overflow, and every event's cell is bounded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/display/terminal/Desktop.h"
#include "platform/display/terminal/InputParser.h"
#include "platform/display/terminal/Router.h"
#include "platform/winapi.h"

namespace {

HWND gEdit = nullptr, gLog = nullptr;

HWND MakeWindow() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND top = CreateWindowExA(0, "STATIC", "Fuzz", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 16, 16, 400,
                             300, nullptr, nullptr, inst, nullptr);
  auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, w, h,
                           top, nullptr, inst, nullptr);
  };
  HWND edit = gEdit = child("EDIT", "text", ES_AUTOHSCROLL, 8, 8, 200, 20);
  child("BUTTON", "&Press", 0, 8, 40, 75, 25);
  HWND spin = child(UPDOWN_CLASSA, "", UDS_ARROWKEYS, 208, 8, 15, 20);
  SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  gLog = child("EDIT", "", ES_MULTILINE | WS_VSCROLL, 0, 80, 392, 180);
  SetFocus(edit);
  return top;
}

void Drain() {
  MSG m;
  for (int i = 0; i < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i)
    DispatchMessageA(&m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static HWND top = nullptr;
  if (!IsWindow(top)) top = MakeWindow();  // the close box may have been clicked
  SetWindowTextA(gEdit, "text");           // each input starts from the same texts
  SetWindowTextA(gLog, "one\r\ntwo");
  term::Canvas canvas;
  canvas.resize(40, 100);
  term::HitMap hits;
  term::Layout layout;
  term::drawDesktop(canvas, hits, layout, nullptr);
  term::InputParser parser;
  term::Router router;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The first byte cuts the input in two reads, as a terminal's writes may arrive.
  size_t cut = size > 0 ? data[0] % (size + 1) : 0;
  for (std::string_view piece : {bytes.substr(0, cut), bytes.substr(cut)}) {
    for (const term::InputEvent& ev : parser.feed(piece)) {
      Check(ev.row >= 0 && ev.row < 100000 && ev.col >= 0 && ev.col < 100000);
      if (ev.type == term::InputEvent::KeyPress) {
        // Keys that would end the run or leave the window are routed as others.
        if (ev.key == term::Key::F2 || ev.key == term::Key::F9 || ev.ctrl || ev.alt) continue;
        router.key(ev);
      } else {
        router.mouse(ev, hits);
      }
      Drain();
    }
  }
  if (IsWindow(top) && !IsWindowVisible(top)) ShowWindow(top, SW_RESTORE);
  return 0;
}
