// A user's file stays the user's file: only regular files of a sane size are read,
// and a file's contents are replaced so that its mode, owner and symbolic link
// survive, a folder that refuses new files still gets its file written (in place),
// and a process killed while it writes leaves nothing behind for good. Errors are
// Windows error numbers (0: done).
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "platform/winapi.h"

namespace posix {

// Far above anything this program writes; a larger file is refused, not read.
constexpr size_t kMaxReadBytes = size_t{1} << 20;

// ERROR_FILE_NOT_FOUND, ERROR_BAD_FILE_TYPE for anything but a regular file (a FIFO
// never blocks the open), ERROR_FILE_TOO_LARGE above limit.
DWORD readRegularFile(const std::string& path, std::string& out, size_t limit = kMaxReadBytes);

// The name a chain of symbolic links ends at (path itself when it is no link); the
// last name need not exist.
DWORD linkTarget(const std::string& path, std::string& target);

// Why this process must not change the existing file st (not a regular file,
// read-only even for root, not writable by us), or 0.
DWORD refusal(const std::string& path, const struct stat& st);

// Gives the open file fd the owner and permission bits of st; false when the owner
// cannot be given (the bits are given anyway).
bool adoptOwnerAndMode(int fd, const struct stat& st);

// Writes bytes over the existing regular file path, flushed: for when no new file
// may be made beside it.
DWORD writeInPlace(const std::string& path, const std::string& bytes);

// Replaces path's contents by bytes atomically where the folder allows it.
DWORD replaceFile(const std::string& path, const std::string& bytes);

}  // namespace posix
