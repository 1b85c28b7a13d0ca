// The slot table behind TProcThunk.
#include "framework/ProcThunk.h"

#include <array>
#include <deque>
#include <utility>

#include "framework/SysUtils.h"

namespace {

struct Slot {
  TProcThunk::Target target;
  WNDPROC fallback = nullptr;
};

std::array<Slot, TProcThunk::SlotCount>& Slots() {
  static std::array<Slot, TProcThunk::SlotCount> slots;
  return slots;
}

std::deque<int>& FreeSlots() {
  static std::deque<int> free = [] {
    std::deque<int> d;
    for (int i = 0; i < TProcThunk::SlotCount; ++i) d.push_back(i);
    return d;
  }();
  return free;
}

LRESULT Dispatch(int n, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Slot& s = Slots()[n];
  if (s.target) {
    TProcThunk::Target t = s.target;  // survives a release inside the call
    return t(hwnd, msg, wp, lp);
  }
  if (s.fallback) return CallWindowProcA(s.fallback, hwnd, msg, wp, lp);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

template <int N>
LRESULT CALLBACK SlotProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Dispatch(N, hwnd, msg, wp, lp);
}

template <int... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeProcs(std::integer_sequence<int, I...>) {
  return {&SlotProc<I>...};
}

constexpr auto kProcs = MakeProcs(std::make_integer_sequence<int, TProcThunk::SlotCount>());

}  // namespace

TProcThunk::TProcThunk(Target target) {
  if (FreeSlots().empty()) throw EOutOfResources("No window procedure slot available");
  FSlot = FreeSlots().front();
  FreeSlots().pop_front();
  Slots()[FSlot] = Slot{std::move(target), nullptr};
}

TProcThunk::~TProcThunk() {
  Slots()[FSlot].target = nullptr;
  FreeSlots().push_back(FSlot);
}

WNDPROC TProcThunk::Proc() const { return kProcs[FSlot]; }

void TProcThunk::SetFallback(WNDPROC previous) { Slots()[FSlot].fallback = previous; }
