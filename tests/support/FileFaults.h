// File-system faults for tests, made to bind root as well as other users.
//
// FileSizeLimit: while it lives, no file of this process may grow past `bytes`
// (RLIMIT_FSIZE, with SIGXFSZ ignored so that the write fails with EFBIG instead of
// ending the process): a full disk for every write that goes past the limit.
//
// withReadOnlyFolder: runs body while `dir` refuses every change. For root, whom
// permissions do not bind, body runs in a forked child that has a private mount
// namespace in which dir is bind-mounted read-only; otherwise in this process with
// the folder's and its files' write permission taken away. body's result is the
// result; in the child case nothing body changes in memory reaches this process,
// and gtest assertions must not be used inside it.
//
// withFolderRefusingNewFiles: runs body while `dir` takes no new names but its files
// stay writable (the folder's write permission taken away; for root, body runs in a
// forked child without the capabilities that override permissions).
//
// Linux only.
#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>

namespace testsupport {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*savedHandler_)(int) = nullptr;
};

bool withReadOnlyFolder(const std::string& dir, const std::function<bool()>& body);
bool withFolderRefusingNewFiles(const std::string& dir, const std::function<bool()>& body);

}  // namespace testsupport
