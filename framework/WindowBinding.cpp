// The window binding table.
#include "framework/WindowBinding.h"

#include <map>
#include <memory>

namespace {

struct Binding {
  TObject* object = nullptr;
  std::shared_ptr<const TWindowHandler> handler;  // shared: survives an unbind in the call
};

std::map<HWND, Binding>& Table() {
  static std::map<HWND, Binding> table;
  return table;
}

}  // namespace

void BindWindow(HWND wnd, TObject* object, TWindowHandler handler) {
  if (!wnd) return;
  Binding& b = Table()[wnd];
  b.object = object;
  b.handler = handler ? std::make_shared<const TWindowHandler>(std::move(handler)) : nullptr;
}

void UnbindWindow(HWND wnd, const TObject* object) {
  auto it = Table().find(wnd);
  if (it != Table().end() && (!object || it->second.object == object)) Table().erase(it);
}

TObject* BoundObject(HWND wnd) {
  auto it = Table().find(wnd);
  return it == Table().end() ? nullptr : it->second.object;
}

LRESULT CALLBACK BoundWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Table().find(wnd);
  if (it == Table().end() || !it->second.handler) return DefWindowProcA(wnd, msg, wp, lp);
  std::shared_ptr<const TWindowHandler> handler = it->second.handler;
  return (*handler)(wnd, msg, wp, lp);
}
