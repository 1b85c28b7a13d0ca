// Text for a descriptor the program does not own (standard output), written without
// ever blocking the message loop.
//
// A reader that stops reading (a pipe into a stalled program, a journal that
// lags) must not stop the program: what cannot be written at once waits in a
// bounded queue and goes out when the loop sees the descriptor writable again.
// When the queue is full, lines are dropped and counted; the place where they went
// missing gets one line saying how many, written once writing resumes. A write
// error (a full disk, a reader gone) is reported once through OnError, and
// everything after it is dropped. GUI thread only.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "platform/posix/EventLoop.h"

namespace posix {

class OutputQueue {
 public:
  OutputQueue(int fd, size_t maxBytes);
  ~OutputQueue();
  OutputQueue(const OutputQueue&) = delete;
  OutputQueue& operator=(const OutputQueue&) = delete;

  // Queues Line (its line end included) and writes what can be written now.
  void write(const std::string& Line);
  // Writes what the descriptor takes at once, without waiting (for the end).
  void flushNow();
  size_t queuedBytes() const { return bytes_; }
  bool failed() const { return failed_; }

  // The reason of the first write error, as the system says it.
  std::function<void(const std::string& Reason)> OnError;

 private:
  struct Entry {
    std::string text;
    size_t dropped = 0;  // > 0: a note in place of that many dropped lines
  };
  void drain();
  bool writeFront();  // false: the descriptor takes no more now
  void fail(int err);
  void watch(bool on);

  int fd_;
  bool socket_;
  size_t maxBytes_;
  size_t bytes_ = 0;
  bool failed_ = false;
  bool watching_ = false;
  std::deque<Entry> queue_;
  Source source_;
};

}  // namespace posix
