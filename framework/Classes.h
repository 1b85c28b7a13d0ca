// The component model (owner, loaded step, component state, free notifications),
// sets, string lists and streams.
//
// API notes (for code built on this header):
//  - Destruction: Free() (also what an owner does to what it owns) first runs
//    BeforeDestruction() on the whole, still intact object, then deletes it.
//    TComponent::BeforeDestruction sets csDestroying, sends the opRemove free
//    notifications, frees the owned components (last created first) and removes
//    the component from its owner (owner->Notification(this, opRemove), which the
//    owner passes on to its other components). Override it to run steps that need
//    the derived object (call the base last). A plain delete (std::unique_ptr) runs
//    the same steps from ~TComponent, after the derived parts are gone.
//  - TComponent::Create<T>(owner, args...) constructs T(owner, args...). With an
//    owner, the owner frees it; with nullptr the caller owns it
//    (TOwnedPtr<T> = unique_ptr that calls Free()).
//  - A component created while its owner reads a description (owner has
//    csReading, see TCustomForm::ReadState) starts with csLoading; components
//    they create themselves do not.
//  - ClassName() gives the class's own name (e.g. "TForm1") from the type info.
//  - TSet<E> is the set type (ComponentState, dialog Options, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/winapi.h"

// ---- sets of enumeration values (values below 64) ----
template <class E>
class TSet {
 public:
  TSet() = default;
  TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  bool Contains(E e) const { return (bits_ >> unsigned(e)) & 1u; }
  TSet& Include(E e) {
    bits_ |= uint64_t(1) << unsigned(e);
    return *this;
  }
  TSet& Exclude(E e) {
    bits_ &= ~(uint64_t(1) << unsigned(e));
    return *this;
  }
  bool Empty() const { return bits_ == 0; }
  bool operator==(const TSet& o) const { return bits_ == o.bits_; }
  bool operator!=(const TSet& o) const { return bits_ != o.bits_; }

 private:
  uint64_t bits_ = 0;
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  // Steps that must run while the whole object still exists; Free() calls it.
  virtual void BeforeDestruction() {}
  // BeforeDestruction, then delete. Safe on nullptr through FreeAndNil-style use.
  void Free();
  std::string ClassName() const;
};

// Frees an object through Free() (for unique_ptr).
struct TFreeDeleter {
  void operator()(TObject* o) const {
    if (o) o->Free();
  }
};
template <class T>
using TOwnedPtr = std::unique_ptr<T, TFreeDeleter>;

class TPersistent : public TObject {
 public:
  // Copies from source; the default raises EConvertError "Cannot assign a X to a Y".
  virtual void Assign(TPersistent* source);
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TComponentStateFlag { csLoading, csReading, csWriting, csDestroying, csDesigning };
using TComponentState = TSet<TComponentStateFlag>;
enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  template <class T, class... A>
  static T* Create(TComponent* owner, A&&... a) {
    return new T(owner, std::forward<A>(a)...);
  }

  void BeforeDestruction() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return int(FComponents.size()); }
  TComponent* Components(int i) const { return FComponents.at(size_t(i)); }
  TComponent* FindComponent(const std::string& name) const;  // case-insensitive
  const TComponentState& ComponentState() const { return FState; }

  // Runs after the owner's description has been read; the default clears csLoading.
  virtual void Loaded();
  // Told about components inserted into / removed from the owner, and about
  // components this one asked for free notification of. The default passes
  // opRemove of an owned component on to the other owned components.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Frees every owned component, last created first.
  void DestroyComponents();
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);

  std::string Name;
  intptr_t Tag = 0;

 protected:
  void SetState(TComponentStateFlag f, bool on);
  // Sets csDestroying.
  void Destroying();

 private:
  void SendFreeNotifications();

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;  // kept in both directions
  TComponentState FState;
  bool FDestructionStarted = false;
};

// ---- string lists ----
class TStrings : public TPersistent {
 public:
  virtual int Count() const = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Put(int index, const std::string& s);  // default: Delete + Insert
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const std::string& s);            // returns the index
  virtual int IndexOf(const std::string& s) const;  // case-insensitive (CaseSensitive: exact)
  void AddStrings(const TStrings& other);
  void Assign(TPersistent* source) override;

  std::string Strings(int index) const { return Get(index); }
  std::string operator[](int index) const { return Get(index); }
  void Set(int index, const std::string& s) { Put(index, s); }

  // Each item followed by CR LF.
  virtual std::string Text() const;
  // Splits at CR LF, LF or CR; a last line without line end counts.
  virtual void SetText(const std::string& text);
  // Name=Value helpers.
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;
  int IndexOfName(const std::string& name) const;

  void BeginUpdate();
  void EndUpdate();

  bool CaseSensitive = false;
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  int CompareStrings(const std::string& a, const std::string& b) const;

 private:
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
 public:
  TStringList() = default;
  int Count() const override { return int(FItems.size()); }
  std::string Get(int index) const override;  // EListError "List index out of bounds (%d)"
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;  // sorted lists insert in order
  int IndexOf(const std::string& s) const override;
  void SetText(const std::string& text) override;
  // Binary search in a sorted list; index = where s is or would be.
  bool Find(const std::string& s, int& index) const;
  void Sort();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool v);

  TNotifyEvent OnChanging;

 private:
  std::vector<std::string> FItems;
  bool FSorted = false;
};

// ---- streams ----
enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  virtual int64_t Read(void* buf, int64_t count) = 0;  // bytes read
  virtual int64_t Write(const void* buf, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t p) { Seek(p, soBeginning); }
  virtual int64_t Size();
  void WriteBuffer(const void* buf, int64_t count);  // EWriteError "Stream write error"
};

class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buf, int64_t count) override;
  int64_t Write(const void* buf, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return int64_t(FData.size()); }
  void Clear();
  const char* Memory() const { return FData.data(); }

 private:
  std::vector<char> FData;
  int64_t FPos = 0;
};

constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyNone = 0x0040;
constexpr unsigned fmCreate = 0xFFFF;  // create or truncate, read-write

class TFileStream : public TStream {
 public:
  // EFCreateError "Cannot create file %s" / EFOpenError "Cannot open file %s"
  // with the full file name.
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;
  int64_t Read(void* buf, int64_t count) override;
  int64_t Write(const void* buf, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  const std::string& FileName() const { return FFileName; }
  HANDLE Handle() const { return FHandle; }

 private:
  std::string FFileName;
  HANDLE FHandle;
};

// Replaces the file's contents so that it stays the user's file (FileSave.cpp): a
// fresh temporary beside it, then a replace that keeps its permission bits, owner
// and link; written in place, flushed, when the file has several names or the folder
// takes no new files. A failed save leaves the file as it was and raises
// EFCreateError "Cannot create file <fileName>. <the system's reason>".
void ReplaceFileContents(const std::string& fileName, const std::string& bytes);

struct TMessage;
// A framework object's message procedure (hidden windows: framework/UtilWindow.h).
using TWndMethod = std::function<void(TMessage& msg)>;

// The message record passed to window procedures of framework objects.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
