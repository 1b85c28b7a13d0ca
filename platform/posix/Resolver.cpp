// WSAAsyncGetHostByName: each lookup runs on a worker thread (getaddrinfo, or the
// table a test installs with posix::setResolver); its completion is taken up on the
// GUI thread inside the message loop's wait, which writes the host entry into the
// caller's buffer and posts the completion message.
//
// Writing on the GUI thread, just before the post and only while the target window
// still exists, means a component destroyed during its lookup never has its buffer
// written after it was freed.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/EventLoop.h"
#include "platform/posix/NetSockets.h"
#include "platform/posix/NetSys.h"
#include "platform/posix/Seams.h"
#include "platform/winapi.h"

namespace {

using Resolver = std::function<posix::ResolveAnswer(const std::string&)>;

struct Task {
  uintptr_t id = 0;
  HWND hwnd = nullptr;
  UINT msg = 0;
  char* buf = nullptr;
  int buflen = 0;
  std::string name;
  uint32_t addr = 0;
  int error = 0;
  bool canceled = false;
};

// Shared with the workers through a shared_ptr, so a worker still sleeping at exit
// never touches destroyed state.
struct State {
  std::mutex m;
  std::condition_variable cancelCv;
  Resolver resolver;
  std::map<uintptr_t, std::shared_ptr<Task>> active;
  std::vector<std::shared_ptr<Task>> done;
  uintptr_t nextId = 1;
  int wakeFd = -1;
  bool registered = false;
  posix::Source source;
};

std::shared_ptr<State>& state() {
  static std::shared_ptr<State> s = std::make_shared<State>();
  return s;
}

// Lays the entry out inside buf: hostent, alias list (empty), address list (one),
// the address, the name. Returns the bytes needed; writes nothing when they don't fit.
int writeHostEntry(const Task& t) {
  char* base = t.buf;
  size_t align = alignof(char*);
  size_t start = (align - reinterpret_cast<uintptr_t>(base) % align) % align;
  size_t entryAt = start, aliasesAt = entryAt + sizeof(hostent);
  size_t addrListAt = aliasesAt + sizeof(char*), addrAt = addrListAt + 2 * sizeof(char*);
  size_t nameAt = addrAt + 4, needed = nameAt + t.name.size() + 1;
  if (needed > static_cast<size_t>(t.buflen)) return static_cast<int>(needed);
  auto* h = reinterpret_cast<hostent*>(base + entryAt);
  auto** aliases = reinterpret_cast<char**>(base + aliasesAt);
  auto** addrList = reinterpret_cast<char**>(base + addrListAt);
  std::memcpy(base + addrAt, &t.addr, 4);
  std::memcpy(base + nameAt, t.name.c_str(), t.name.size() + 1);
  aliases[0] = nullptr;
  addrList[0] = base + addrAt;
  addrList[1] = nullptr;
  h->h_name = base + nameAt;
  h->h_aliases = aliases;
  h->h_addrtype = AF_INET;
  h->h_length = 4;
  h->h_addr_list = addrList;
  return static_cast<int>(needed);
}

void deliver(const Task& t) {
  if (!IsWindow(t.hwnd)) return;
  int needed = 0, error = t.error;
  if (error == 0) {
    needed = writeHostEntry(t);
    if (needed > t.buflen) error = WSAENOBUFS;
  }
  PostMessageA(t.hwnd, t.msg, static_cast<WPARAM>(t.id), MAKELPARAM(needed, error));
}

// GUI thread: completions that arrived since the last wait.
void takeCompletions() {
  std::shared_ptr<State> st = state();
  std::vector<std::shared_ptr<Task>> done;
  {
    std::lock_guard<std::mutex> lock(st->m);
    posix::net::drainWakeFd(st->wakeFd);
    done.swap(st->done);
    for (auto& t : done) st->active.erase(t->id);
  }
  for (auto& t : done)
    if (!t->canceled) deliver(*t);
}

void ensureSource(State& st) {
  if (st.registered) return;
  if (st.wakeFd < 0) st.wakeFd = posix::net::makeWakeFd();
  if (st.wakeFd < 0) return;
  st.source.fd = st.wakeFd;
  st.source.events = posix::net::kPollIn;
  st.source.onReady = [](short) { takeCompletions(); };
  posix::addSource(&st.source);
  st.registered = true;
}

void work(std::shared_ptr<State> st, std::shared_ptr<Task> t, Resolver resolver) {
  if (resolver) {
    posix::ResolveAnswer a = resolver(t->name);
    if (a.delayMs > 0) {
      std::unique_lock<std::mutex> lock(st->m);
      st->cancelCv.wait_for(lock, std::chrono::milliseconds(a.delayMs),
                            [&] { return t->canceled; });
    }
    t->addr = a.addr;
    t->error = a.addr ? 0 : (a.error ? a.error : WSAHOST_NOT_FOUND);
  } else if (t->name.empty()) {
    t->error = WSAHOST_NOT_FOUND;
  } else {
    t->error = posix::net::lookupIPv4(t->name, &t->addr);
  }
  std::lock_guard<std::mutex> lock(st->m);
  st->done.push_back(t);
  posix::net::signalWakeFd(st->wakeFd);
}

}  // namespace

namespace posix {

void setResolver(std::function<ResolveAnswer(const std::string& name)> r) {
  std::lock_guard<std::mutex> lock(state()->m);
  state()->resolver = std::move(r);
}

}  // namespace posix

namespace winapi {

HANDLE WSAAsyncGetHostByName(HWND hwnd, u_int msg, const char* name, char* buf, int buflen) {
  if (posix::net::startupCount() == 0) return posix::net::setError(WSANOTINITIALISED), nullptr;
  if (!name || !buf || buflen <= 0) return posix::net::setError(WSAEFAULT), nullptr;
  std::shared_ptr<State> st = state();
  auto t = std::make_shared<Task>();
  Resolver resolver;
  {
    std::lock_guard<std::mutex> lock(st->m);
    ensureSource(*st);
    if (!st->registered) return posix::net::setError(WSAENOBUFS), nullptr;
    t->id = st->nextId++;
    t->hwnd = hwnd;
    t->msg = msg;
    t->buf = buf;
    t->buflen = buflen;
    t->name = name;
    st->active[t->id] = t;
    resolver = st->resolver;
  }
  try {
    std::thread(work, st, t, std::move(resolver)).detach();
  } catch (const std::exception&) {
    // No thread (address space or task limit): the lookup fails now, as Winsock's would.
    std::lock_guard<std::mutex> lock(st->m);
    st->active.erase(t->id);
    return posix::net::setError(WSAENOBUFS), nullptr;
  }
  return reinterpret_cast<HANDLE>(t->id);
}

int WSACancelAsyncRequest(HANDLE task) {
  std::shared_ptr<State> st = state();
  std::lock_guard<std::mutex> lock(st->m);
  auto it = st->active.find(reinterpret_cast<uintptr_t>(task));
  if (it == st->active.end()) return posix::net::setError(WSAEINVAL), SOCKET_ERROR;
  it->second->canceled = true;
  st->active.erase(it);
  st->cancelCv.notify_all();
  return 0;
}

}  // namespace winapi
