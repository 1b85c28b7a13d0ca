// A user's file stays the user's file: only regular files of a sane size are read,
// and a file's contents are replaced so that its mode, owner, symbolic link and
// other hard links survive, a folder that refuses new files still gets its file
// written (in place, never cut short for lack of space), and a process killed while
// it writes leaves the old or the new file. Errors are Windows error numbers (0: done).
//
// A replacement is written unnamed where the file system allows (O_TMPFILE) and
// gets a name only for the moment before the rename:
// ".<the file's name>.<16 hex digits>.tavix-unfinished". Only a name of exactly that
// form, a regular file with one link that no live writer holds, is ever removed:
// never a user's file.
//
// Run as root, the program follows only root's own symbolic links, writes in place
// only a file owned by the owner of its folder, and gives what it makes in another
// user's folder to that user.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/winapi.h"

namespace posix {

// Far above anything this program writes; a larger file is refused, not read.
constexpr size_t kMaxReadBytes = size_t{1} << 20;

// The mark that ends the name of every temporary file this program makes.
constexpr char kTemporaryMark[] = ".tavix-unfinished";

// True when a file written up to end would pass this process's file size limit,
// which would end the process (SIGXFSZ): such a write fails with EFBIG instead.
bool passesSizeLimit(uint64_t end);

// ERROR_FILE_NOT_FOUND, ERROR_BAD_FILE_TYPE for anything but a regular file (a FIFO
// never blocks the open), ERROR_FILE_TOO_LARGE above limit.
DWORD readRegularFile(const std::string& path, std::string& out, size_t limit = kMaxReadBytes);

// The name a chain of symbolic links ends at (path itself when it is no link); the
// last name need not exist. Root refuses (ERROR_ACCESS_DENIED) a link it does not own.
DWORD linkTarget(const std::string& path, std::string& target);

// Why this process must not change the existing file st (not a regular file,
// read-only even for root, not writable by us, or for root a file with several
// names that its folder's owner does not own), or 0.
DWORD refusal(const std::string& path, const struct stat& st);

// Gives the open file fd the owner and permission bits of st; false when the owner
// cannot be given (the bits are given anyway).
bool adoptOwnerAndMode(int fd, const struct stat& st);

// True when some handle holds path open with a lock (a live writer, or a handle
// opened without FILE_SHARE_DELETE).
bool heldOpen(const std::string& path);

// Makes dir and the missing folders above it (0700 before the umask); a folder made
// by root takes the owner of the folder it is made in.
void makeFolders(const std::string& dir);

// Writes bytes over the existing regular file path, flushed: for when no new file
// may be made beside it, or every name of the file must show the new text. The room
// a longer text needs is taken first, so a full disk leaves the file as it was.
DWORD writeInPlace(const std::string& path, const std::string& bytes);

// Replaces path's contents by bytes atomically where the folder allows it; a file
// with several names is written in place.
DWORD replaceFile(const std::string& path, const std::string& bytes);

}  // namespace posix
