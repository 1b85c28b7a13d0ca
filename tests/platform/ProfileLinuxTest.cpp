// Private-profile files as the Linux platform keeps them: lookup in the settings
// directory, case rules, writes that keep every other line byte for byte and replace
// the file atomically, odd files, and the refusals that keep a user's file intact.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/FileFaults.h"
#include "tests/support/TempConfigDir.h"

using testsupport::FileSizeLimit;
using testsupport::readFile;
using testsupport::TempConfigDir;
using testsupport::withFolderRefusingNewFiles;
using testsupport::withReadOnlyFolder;
using testsupport::writeFile;

namespace {

std::string get(const char* sec, const char* key, const char* file, const char* def = "?") {
  char buf[256];
  GetPrivateProfileStringA(sec, key, def, buf, sizeof buf, file);
  return buf;
}

struct stat statOf(const std::string& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st;
}

int openDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

TEST(Profile, DirectoryLessNamesLiveInTheConfigDirectory) {
  TempConfigDir dir;
  char wd[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(wd, sizeof wd), 0u);
  EXPECT_EQ(std::string(wd), dir.path());
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "url", "http://h/", "tavix.ini"));
  EXPECT_EQ(readFile(dir.file("tavix.ini")), "[settings]\r\nurl=http://h/\r\n");
}

TEST(Profile, CreatesTheConfigDirectoryOnWrite) {
  TempConfigDir dir;
  std::string nested = dir.path() + "/a/b";
  setenv("XDG_CONFIG_HOME", nested.c_str(), 1);
  EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "v", "x.ini"));
  EXPECT_EQ(readFile(nested + "/x.ini"), "[s]\r\nk=v\r\n");
}

TEST(Profile, FileSectionAndKeyNamesIgnoreCase) {
  TempConfigDir dir;
  writeFile(dir.file("Tavix.INI"), "[Settings]\nURL = some value \n");
  EXPECT_EQ(get("settings", "url", "tavix.ini"), "some value");
  ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Url", "new", "TAVIX.ini"));
  EXPECT_EQ(readFile(dir.file("Tavix.INI")), "[Settings]\nURL=new\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("TAVIX.ini")));
}

TEST(Profile, WriteKeepsEveryOtherLineByteForByte) {
  TempConfigDir dir;
  std::string before =
      "; settings\n[settings]\nurl=a\nfreq = 15\n\n[window]\r\n  odd line\nFlags=0\n[tail]";
  writeFile(dir.file("k.ini"), before);
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "freq", "30", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "autopoll", "1", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("window", "ShowCmd", "1", "k.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("new", "x", "y", "k.ini"));
  EXPECT_EQ(readFile(dir.file("k.ini")),
            "; settings\n[settings]\nurl=a\nfreq=30\r\nautopoll=1\r\n\n[window]\r\n  odd "
            "line\nFlags=0\nShowCmd=1\r\n[tail]\r\n[new]\r\nx=y\r\n");
}

TEST(Profile, NullValueDeletesTheKeyAndNullKeyTheSection) {
  TempConfigDir dir;
  writeFile(dir.file("d.ini"), "[a]\nx=1\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, "d.ini"));
  ASSERT_TRUE(WritePrivateProfileStringA("b", nullptr, nullptr, "d.ini"));
  EXPECT_EQ(readFile(dir.file("d.ini")), "[a]\ny=2\n");
}

TEST(Profile, RefusedWriteReturnsFalseAndKeepsTheFile) {
  TempConfigDir dir;
  writeFile(dir.file("r.ini"), "[s]\nk=old\n");
  EXPECT_TRUE(withReadOnlyFolder(dir.path(), [] {
    return !WritePrivateProfileStringA("s", "k", "new", "r.ini") &&
           GetLastError() == static_cast<DWORD>(ERROR_ACCESS_DENIED);
  }));
  EXPECT_EQ(readFile(dir.file("r.ini")), "[s]\nk=old\n");
}

TEST(Profile, AFullDiskReturnsFalseAndKeepsTheFileWithoutLeftovers) {
  TempConfigDir dir;
  writeFile(dir.file("f.ini"), "[s]\nk=old\n");
  {
    FileSizeLimit full(8);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a longer new value", "f.ini"));
  }
  EXPECT_EQ(readFile(dir.file("f.ini")), "[s]\nk=old\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

// A write leaves the file the user's: its permission bits, its owner (root keeps the
// user's), the link it is reached through; a folder that takes no new files gets it
// written in place; a read-only file is refused, even for root; a new file has the
// lower-case name.
TEST(Profile, AWriteKeepsTheFileTheUsers) {
  TempConfigDir dir;
  const std::string before = "[s]\nk=old\n", after = "[s]\nk=new\r\n";
  auto write = [](const char* file) { return WritePrivateProfileStringA("s", "k", "new", file); };
  {
    SCOPED_TRACE("mode kept");
    writeFile(dir.file("m.ini"), before);
    chmod(dir.file("m.ini").c_str(), 0600);
    ASSERT_TRUE(write("m.ini"));
    EXPECT_EQ(statOf(dir.file("m.ini")).st_mode & 07777, 0600u);
    EXPECT_EQ(readFile(dir.file("m.ini")), after);
  }
  {
    SCOPED_TRACE("symlink kept, also to a file not yet there");
    std::filesystem::create_directory(dir.file("dots"));
    writeFile(dir.file("dots/real.ini"), before);
    symlink("dots/real.ini", dir.file("l.ini").c_str());
    symlink("dots/later.ini", dir.file("later.ini").c_str());
    ASSERT_TRUE(write("l.ini"));
    ASSERT_TRUE(write("later.ini"));
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("l.ini")).st_mode));
    EXPECT_EQ(readFile(dir.file("dots/real.ini")), after);
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("later.ini")).st_mode));
    EXPECT_EQ(readFile(dir.file("dots/later.ini")), "[s]\r\nk=new\r\n");
  }
  {
    SCOPED_TRACE("a folder that takes no new files: written in place");
    writeFile(dir.file("f.ini"), before);
    chmod(dir.file("f.ini").c_str(), 0640);
    EXPECT_TRUE(withFolderRefusingNewFiles(dir.path(), [&] { return write("f.ini") != FALSE; }));
    EXPECT_EQ(readFile(dir.file("f.ini")), after);
    EXPECT_EQ(statOf(dir.file("f.ini")).st_mode & 07777, 0640u);
  }
  {
    SCOPED_TRACE("read-only file refused");
    writeFile(dir.file("r.ini"), before);
    chmod(dir.file("r.ini").c_str(), 0444);
    EXPECT_FALSE(write("r.ini"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(readFile(dir.file("r.ini")), before);
  }
  {
    SCOPED_TRACE("lower-case name on disk");
    ASSERT_TRUE(write("Lower.INI"));
    EXPECT_EQ(readFile(dir.file("lower.ini")), "[s]\r\nk=new\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lower.INI")));
    EXPECT_EQ(get("s", "k", "LOWER.ini"), "new");
  }
  if (geteuid() != 0) return;
  {
    SCOPED_TRACE("root keeps the user's owner");
    writeFile(dir.file("o.ini"), before);
    ASSERT_EQ(chown(dir.file("o.ini").c_str(), 65534, 65534), 0);
    chmod(dir.file("o.ini").c_str(), 0600);
    ASSERT_TRUE(write("o.ini"));
    EXPECT_EQ(statOf(dir.file("o.ini")).st_uid, 65534u);
    EXPECT_EQ(statOf(dir.file("o.ini")).st_gid, 65534u);
    EXPECT_EQ(statOf(dir.file("o.ini")).st_mode & 07777, 0600u);
    EXPECT_EQ(readFile(dir.file("o.ini")), after);
  }
  {
    SCOPED_TRACE("root makes a new file the folder owner's");
    std::filesystem::create_directory(dir.file("user"));
    ASSERT_EQ(chown(dir.file("user").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(write(dir.file("user/n.ini").c_str()));
    EXPECT_EQ(statOf(dir.file("user/n.ini")).st_uid, 65534u);
  }
}

// Only a regular file of a sane size is read: a link to an endless device, a FIFO
// (which must not block) or a file above 1 MiB reads as the defaults with the reason,
// is never written, and costs no descriptor. A byte order mark is read past and kept.
TEST(Profile, OddFilesAreRefusedAndLeftAsTheyAre) {
  TempConfigDir dir;
  symlink("/dev/zero", dir.file("zero.ini").c_str());
  mkfifo(dir.file("fifo.ini").c_str(), 0644);
  const std::string big = "[s]\nk=v\n" + std::string(1 << 20, ';');
  writeFile(dir.file("big.ini"), big);
  const int descriptors = openDescriptors();
  for (const char* name : {"zero.ini", "fifo.ini", "big.ini"}) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_EQ(get("s", "k", name, "dflt"), "dflt");
    const DWORD why = GetLastError();
    EXPECT_TRUE(why == DWORD(ERROR_BAD_FILE_TYPE) || why == DWORD(ERROR_FILE_TOO_LARGE)) << why;
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "x", name));
    EXPECT_EQ(GetLastError(), why);
  }
  EXPECT_EQ(openDescriptors(), descriptors);
  EXPECT_TRUE(S_ISLNK(statOf(dir.file("zero.ini")).st_mode));
  EXPECT_TRUE(S_ISFIFO(statOf(dir.file("fifo.ini")).st_mode));
  EXPECT_EQ(readFile(dir.file("big.ini")), big);

  const std::string bom = "\xEF\xBB\xBF";
  writeFile(dir.file("bom.ini"), bom + "[settings]\r\nfreq=20\r\n");
  EXPECT_EQ(get("settings", "freq", "bom.ini"), "20");
  ASSERT_TRUE(WritePrivateProfileStringA("settings", "freq", "30", "bom.ini"));
  EXPECT_EQ(readFile(dir.file("bom.ini")), bom + "[settings]\r\nfreq=30\r\n");
}

// The rules that keep a user's files the user's, one row each. Each row works in a
// folder of its own and writes "tavix.ini" there.
TEST(Profile, TheFileRules) {
  TempConfigDir dir;
  const std::string before = "[s]\nk=old\n", after = "[s]\nk=new\r\n";
  auto write = [](const std::string& file) {
    return WritePrivateProfileStringA("s", "k", "new", file.c_str()) != FALSE;
  };
  struct Row {
    const char* what;
    std::function<void(const std::string& folder)> run;
  };
  const Row rows[] = {
      {"a killed writer's temporary goes; a live one and every look-alike stay",
       [&](const std::string& d) {
         const pid_t gone = fork();
         if (gone == 0) _exit(0);
         ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
         const std::string dead = ".tavix.ini.0123456789abcdef.tavix-unfinished";
         const std::string live = ".other.ini.fedcba9876543210.tavix-unfinished";
         const std::vector<std::string> userFiles = {".profile-2024-01-15",
                                                     ".profile-1999-backup",
                                                     ".profile-" + std::to_string(gone) + "-7",
                                                     dead + ".bak",
                                                     ".tavix.ini.0123456789abcdeg.tavix-unfinished",
                                                     dead.substr(1)};
         for (const std::string& n : userFiles) writeFile(d + "/" + n, "mine");
         writeFile(d + "/" + dead, "x");
         writeFile(d + "/" + live, "x");
         const int held = open((d + "/" + live).c_str(), O_RDONLY | O_CLOEXEC);
         ASSERT_EQ(flock(held, LOCK_SH), 0);
         ASSERT_TRUE(write(d + "/tavix.ini"));
         close(held);
         EXPECT_FALSE(std::filesystem::exists(d + "/" + dead));
         EXPECT_TRUE(std::filesystem::exists(d + "/" + live));
         for (const std::string& n : userFiles) EXPECT_EQ(readFile(d + "/" + n), "mine") << n;
       }},
      {"a new file takes the bits the umask leaves",
       [&](const std::string& d) {
         const mode_t saved = umask(077);
         const bool written = write(d + "/tavix.ini");
         umask(022);
         ASSERT_TRUE(written && write(d + "/other.ini"));
         umask(saved);
         EXPECT_EQ(statOf(d + "/tavix.ini").st_mode & 07777, 0600u);
         EXPECT_EQ(statOf(d + "/other.ini").st_mode & 07777, 0644u);
       }},
      {"every name of a hard-linked file shows the new text",
       [&](const std::string& d) {
         writeFile(d + "/tavix.ini", before);
         ASSERT_EQ(link((d + "/tavix.ini").c_str(), (d + "/second").c_str()), 0);
         ASSERT_TRUE(write(d + "/tavix.ini"));
         EXPECT_EQ(readFile(d + "/second"), after);
         EXPECT_EQ(statOf(d + "/tavix.ini").st_nlink, 2u);
       }},
      {"written in place, a file is never cut for lack of room",
       [&](const std::string& d) {
         writeFile(d + "/tavix.ini", before);
         ASSERT_EQ(link((d + "/tavix.ini").c_str(), (d + "/second").c_str()), 0);
         {
           FileSizeLimit full(before.size());
           EXPECT_FALSE(write(d + "/tavix.ini"));
         }
         EXPECT_EQ(readFile(d + "/tavix.ini"), before);
       }},
      {"HOME: an absolute one, else the password database's; never the working folder",
       [&](const std::string& d) {
         std::filesystem::create_directories(d + "/work");
         const std::string home = d + "/home", cwd = std::filesystem::current_path();
         ASSERT_EQ(chdir((d + "/work").c_str()), 0);
         setenv("XDG_CONFIG_HOME", "rel", 1);
         setenv("HOME", home.c_str(), 1);
         const bool written = write("tavix.ini");
         char wd[MAX_PATH];
         GetWindowsDirectoryA(wd, sizeof wd);
         EXPECT_EQ(std::string(wd), home + "/.config");
         const std::string database = getpwuid(geteuid())->pw_dir + std::string("/.config");
         setenv("HOME", "rel", 1);
         GetWindowsDirectoryA(wd, sizeof wd);
         EXPECT_EQ(std::string(wd), database);
         unsetenv("HOME");
         GetWindowsDirectoryA(wd, sizeof wd);
         EXPECT_EQ(std::string(wd), database);
         ASSERT_EQ(chdir(cwd.c_str()), 0);
         setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
         EXPECT_TRUE(written);
         EXPECT_EQ(readFile(home + "/.config/tavix.ini"), "[s]\r\nk=new\r\n");
         EXPECT_EQ(statOf(home + "/.config").st_mode & 07777, 0700u);
         EXPECT_TRUE(std::filesystem::is_empty(d + "/work"));
       }},
  };
  const char* const savedHome = std::getenv("HOME");
  const std::string homeBefore = savedHome ? savedHome : "";
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string folder = dir.file("row" + std::to_string(n++));
    std::filesystem::create_directory(folder);
    row.run(folder);
  }
  if (savedHome) setenv("HOME", homeBefore.c_str(), 1);
}

// Root with another user's home writes nothing that user could not have written: it
// follows no link of theirs, writes through no second name to a file they do not
// own, and what it makes in their folder is theirs.
TEST(Profile, RootInAUsersFolderActsWithinTheUsersRights) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root";
  TempConfigDir dir;
  const uid_t user = 65534;
  const std::string home = dir.file("home"), secret = dir.file("secret");
  std::filesystem::create_directory(home);
  ASSERT_EQ(chown(home.c_str(), user, user), 0);
  writeFile(secret, "root only");
  chmod(secret.c_str(), 0600);
  symlink(secret.c_str(), (home + "/soft.ini").c_str());
  ASSERT_EQ(lchown((home + "/soft.ini").c_str(), user, user), 0);
  ASSERT_EQ(link(secret.c_str(), (home + "/hard.ini").c_str()), 0);
  for (const char* name : {"/soft.ini", "/hard.ini"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", (home + name).c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(readFile(secret), "root only");
  EXPECT_TRUE(S_ISLNK(statOf(home + "/soft.ini").st_mode));

  setenv("XDG_CONFIG_HOME", (home + "/.config/tavix").c_str(), 1);
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "tavix.ini"));
  for (const std::string& made :
       {home + "/.config", home + "/.config/tavix", home + "/.config/tavix/tavix.ini"}) {
    EXPECT_EQ(statOf(made).st_uid, user) << made;
    EXPECT_EQ(statOf(made).st_gid, user) << made;
  }
}

TEST(Profile, LineBreaksInAValueAreRefused) {
  TempConfigDir dir;
  writeFile(dir.file("n.ini"), "[s]\nk=old\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a\r\n[evil]", "n.ini"));
  EXPECT_EQ(readFile(dir.file("n.ini")), "[s]\nk=old\n");
}

// A lone CR ends a line: it must not end up inside a value, nor make a write break the
// lines around it.
TEST(Profile, ALoneCarriageReturnEndsALine) {
  TempConfigDir dir;
  writeFile(dir.file("cr.ini"), "[s]\rurl=\"10\rnext=2\r");
  EXPECT_EQ(get("s", "url", "cr.ini"), "\"10");
  EXPECT_EQ(get("s", "next", "cr.ini"), "2");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "cr.ini"));
  EXPECT_EQ(readFile(dir.file("cr.ini")), "[s]\rurl=\"10\rnext=2\rk=v\r\n");
  EXPECT_EQ(get("s", "next", "cr.ini"), "2");
}

}  // namespace
