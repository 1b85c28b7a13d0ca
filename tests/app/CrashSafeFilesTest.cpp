// The settings file and saved logs are never torn: a process killed at a random
// moment of a save leaves the old or the new contents; a full disk or a folder that
// refuses changes gives the error and leaves the old file as it was.
//
// The saves run in forked children of the test, killed with SIGKILL by the test.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/app/AppFixture.h"
#include "tests/support/FileFaults.h"

namespace fs = std::filesystem;

namespace {

struct Values {
  std::string url, freq, autopoll, dispheaders;
};
const char* const kKeys[] = {"url", "freq", "autopoll", "dispheaders"};

std::string Of(const Values& v, int key) {
  switch (key) {
    case 0:
      return v.url;
    case 1:
      return v.freq;
    case 2:
      return v.autopoll;
    default:
      return v.dispheaders;
  }
}

// A child that runs body over and over; it writes one byte to the pipe after the
// first pass, so the kill always lands in the middle of the loop.
pid_t ForkLooping(int readyFd, const std::function<void(int)>& body) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (int n = 0;; ++n) {
    body(n);
    if (n == 0 && write(readyFd, "r", 1) != 1) _exit(3);
  }
}

// Waits (bounded) for the child's first pass, lets it run a random while, kills it.
bool KillDuringTheLoop(pid_t pid, int readyFd, std::mt19937& rng, int maxMicros) {
  pollfd p{readyFd, POLLIN, 0};
  const bool ready = poll(&p, 1, 10000) == 1;
  char b;
  if (ready) (void)!read(readyFd, &b, 1);
  // Not a wait for anything: the moment of the kill is what is being varied.
  if (ready) std::this_thread::sleep_for(std::chrono::microseconds(rng() % unsigned(maxMicros)));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return ready && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

class CrashSafeFilesTest : public AppTest {
 protected:
  // The kill tests replace files a few thousand times: in memory, when the machine
  // has a memory file system, so that the disk's syncs do not set the pace.
  void UseMemoryFolder() {
    const fs::path shm = "/dev/shm";
    if (!fs::is_directory(shm) || access(shm.c_str(), W_OK) != 0) return;
    const std::string dir = shm / fs::path(dir_).filename();
    std::error_code ec;
    if (!fs::create_directories(dir, ec)) return;
    fs::remove_all(dir_);
    dir_ = dir;
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  }
  void Apply(const Values& v) {
    Form1->edURL->SetText(v.url);
    Form1->edFreq->SetValue(std::stoi(v.freq));
    Form1->btnStart->SetCaption(v.autopoll == "1" ? "Stop" : "Start");
    Form1->cbxHeader->SetChecked(v.dispheaders == "1");
  }
  std::string Read(const char* section, const char* key) {
    std::vector<char> buf(4096);
    GetPrivateProfileStringA(section, key, "<missing>", buf.data(), DWORD(buf.size()), "tavix.ini");
    return buf.data();
  }
  bool ErrorBoxSays(const std::string& text) const {
    for (const auto& d : dialogs_)
      if ((d.type & MB_ICONERROR) && d.text.find(text) != std::string::npos) return true;
    return false;
  }
};

const std::string kWindow = "[window]\r\nFlags=0\r\nShowCmd=1\r\nNormPos=10,20,497,483\r\n";

}  // namespace

TEST_F(CrashSafeFilesTest, AThousandKillsDuringSettingsSavesLeaveOldOrNewValues) {
  const Values oldValues{std::string(1500, 'o'), "20", "1", "0"};
  const Values newValues{std::string(1800, 'n'), "30", "0", "1"};
  UseMemoryFolder();
  WriteIni(kWindow);
  StartApp();
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  std::mt19937 rng(1208);
  int mixed = 0;
  for (int round = 0; round < 1000; ++round) {
    Apply(oldValues);
    Form1->SaveSettings();
    const pid_t pid = ForkLooping(pipeFds[1], [&](int n) {
      Apply(n % 2 == 0 ? newValues : oldValues);
      Form1->SaveSettings();
    });
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(KillDuringTheLoop(pid, pipeFds[0], rng, 3000)) << "round " << round;
    // Keys are written one after another, each by a whole-file replace: the file
    // holds the values of one save for the first keys and of the save before for
    // the rest, and every other line as it was.
    int which[4];
    for (int k = 0; k < 4; ++k) {
      const std::string v = Read("settings", kKeys[k]);
      ASSERT_TRUE(v == Of(oldValues, k) || v == Of(newValues, k))
          << "round " << round << " key " << kKeys[k] << " = " << v.substr(0, 40);
      which[k] = v == Of(newValues, k);
    }
    int changes = 0;
    for (int k = 1; k < 4; ++k) changes += which[k] != which[k - 1];
    ASSERT_LE(changes, 1) << "round " << round;
    mixed += changes;
    ASSERT_EQ(Read("window", "NormPos"), "10,20,497,483") << "round " << round;
    ASSERT_EQ(Read("window", "ShowCmd"), "1");
  }
  close(pipeFds[0]);
  close(pipeFds[1]);
  EXPECT_GT(mixed, 0) << "no kill landed between two keys of a save";
  // A killed save leaves no temporary file for good: at most the last kill's one,
  // until the next save.
  int temporary = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    temporary += e.path().filename().string().ends_with(".tavix-unfinished");
  EXPECT_LE(temporary, 1);
}

TEST_F(CrashSafeFilesTest, KillsDuringLogSavesLeaveTheOldOrAWholeNewFile) {
  UseMemoryFolder();
  StartApp();
  for (int i = 0; i < 4000; ++i) Form1->LogFmt("MANUAL POLL %d", {i});
  const std::string path = dir_ + "/log.txt";
  const std::string base = Form1->Memo1->Lines()->Text();
  Form1->LogStats();  // every save appends this same report (the clock stands still)
  const std::string report = Form1->Memo1->Lines()->Text().substr(base.size());
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  std::mt19937 rng(812);
  int whole = 0;
  for (int round = 0; round < 200; ++round) {
    { std::ofstream(path, std::ios::binary) << "old contents"; }
    const pid_t pid = ForkLooping(pipeFds[1], [&](int) {
      posix::setDialogResponder([&](posix::DialogRequest& r) {
        r.result = r.kind == posix::DialogRequest::SaveFile ? TRUE : IDNO;
        r.chosenPath = path;
        r.done = true;
      });
      Form1->btnSave->Click();
    });
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(KillDuringTheLoop(pid, pipeFds[0], rng, 20000)) << "round " << round;
    const std::string text = ReadFile(path);
    if (text == "old contents") continue;
    ++whole;
    // A whole file: the log as it was, then one report per save so far.
    ASSERT_EQ(text.compare(0, base.size() + report.size(), base + report), 0) << "round " << round;
    ASSERT_EQ((text.size() - base.size()) % report.size(), 0u) << "round " << round;
    for (size_t at = base.size(); at < text.size(); at += report.size())
      ASSERT_EQ(text.compare(at, report.size(), report), 0) << "round " << round;
  }
  close(pipeFds[0]);
  close(pipeFds[1]);
  EXPECT_GT(whole, 0);
  // What the killed saves left behind goes with the next save into the folder,
  // whatever its name.
  AnswerSave(dir_ + "/another.txt");
  AnswerBox(IDNO);
  Form1->btnSave->Click();
  int leftovers = 0;
  for (const auto& e : fs::directory_iterator(dir_))
    leftovers += e.path().filename().string().rfind(".log.txt.", 0) == 0;
  EXPECT_EQ(leftovers, 0);
}

// A saved log stays the user's file: its mode and link are kept, a folder that takes
// no new files gets it written in place, a read-only file is refused naming the
// user's file and the reason, and a link planted at the temporary's old fixed name
// is neither followed nor consumed.
TEST_F(CrashSafeFilesTest, LogSavesKeepTheUsersFile) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  auto save = [&](const std::string& path) {
    dialogs_.clear();
    AnswerSave(path);
    AnswerBox(IDNO);
    SendMessageA(Form1->btnSave->Handle(), BM_CLICK, 0, 0);
    answers_.clear();
    return ReadFile(path) == Form1->Memo1->Lines()->Text();
  };
  auto modeOf = [](const std::string& path) { return fs::status(path).permissions(); };
  const std::string log = dir_ + "/log.txt";
  {
    SCOPED_TRACE("mode kept");
    { std::ofstream(log) << "old"; }
    fs::permissions(log, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(save(log));
    EXPECT_EQ(modeOf(log), fs::perms::owner_read | fs::perms::owner_write);
  }
  {
    SCOPED_TRACE("symlink kept");
    fs::create_directory(dir_ + "/dots");
    { std::ofstream(dir_ + "/dots/real.txt") << "old"; }
    fs::create_symlink("dots/real.txt", dir_ + "/link.txt");
    EXPECT_TRUE(save(dir_ + "/link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir_ + "/link.txt"));
    EXPECT_EQ(ReadFile(dir_ + "/dots/real.txt"), Form1->Memo1->Lines()->Text());
  }
  {
    SCOPED_TRACE("a folder that takes no new files: written in place");
    fs::permissions(log, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(testsupport::withFolderRefusingNewFiles(dir_, [&] { return save(log); }));
    EXPECT_EQ(modeOf(log), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  }
  {
    SCOPED_TRACE("read-only file refused, naming the user's file and the reason");
    const std::string ro = dir_ + "/ro.txt";
    { std::ofstream(ro) << "old"; }
    fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(save(ro));
    ASSERT_EQ(dialogs_.size(), 2u);
    EXPECT_EQ(dialogs_[1].text, "Cannot create file " + ro + ". Access is denied");
    EXPECT_EQ(ReadFile(ro), "old");
  }
  {
    SCOPED_TRACE("a link planted at the old temporary name");
    const std::string victim = dir_ + "/victim.txt", saved = dir_ + "/h.txt";
    { std::ofstream(victim) << "victim"; }
    fs::create_symlink(victim, saved + ".saving");
    EXPECT_TRUE(save(saved));
    EXPECT_EQ(ReadFile(victim), "victim");
    EXPECT_FALSE(fs::is_symlink(saved));
    EXPECT_TRUE(fs::is_symlink(saved + ".saving"));
  }
  {
    SCOPED_TRACE("every name of a hard-linked file shows the saved log");
    const std::string first = dir_ + "/hard.txt", second = dir_ + "/second.txt";
    { std::ofstream(first) << "old"; }
    fs::create_hard_link(first, second);
    EXPECT_TRUE(save(first));
    EXPECT_EQ(ReadFile(second), Form1->Memo1->Lines()->Text());
    EXPECT_EQ(fs::hard_link_count(first), 2u);
    // Written in place, it is never cut for lack of room.
    const std::string whole = ReadFile(first);
    bool saved = true;
    {
      testsupport::FileSizeLimit full(whole.size() + 1);
      saved = save(first);
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(second), whole);
  }
  {
    SCOPED_TRACE("a name with wildcards touches only a killed save's temporary");
    const std::vector<std::string> others = {".report.txt.0123456789ABCDEF.saving",
                                             ".notes.txt.mine.saving",
                                             ".notes.txt.0123456789ABCDEF.tavix-unfinished.bak"};
    for (const std::string& n : others) std::ofstream(dir_ + "/" + n) << "mine";
    const std::string killed = dir_ + "/.mylog.txt.6AE2FBD128033B34.tavix-unfinished";
    { std::ofstream(killed) << "partial"; }
    EXPECT_TRUE(save(dir_ + "/a*b?.txt"));
    EXPECT_FALSE(fs::exists(killed));
    for (const std::string& n : others) EXPECT_EQ(ReadFile(dir_ + "/" + n), "mine") << n;
  }
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_FALSE(e.path().filename().string().ends_with(".tavix-unfinished"))
        << e.path() << " left behind";
}

TEST_F(CrashSafeFilesTest, AFullDiskAtExitShowsUnableToWriteAndKeepsTheOldFile) {
  const std::string old = "[settings]\r\nurl=old-host\r\nfreq=20\r\n" + kWindow;
  WriteIni(old);
  StartApp();
  Form1->edURL->SetText("new-host");
  {
    testsupport::FileSizeLimit full(16);
    StopApp();
  }
  EXPECT_TRUE(ErrorBoxSays("Unable to write to tavix.ini"));
  EXPECT_EQ(ReadFile(IniPath()), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "a temporary file was left behind";
}

TEST_F(CrashSafeFilesTest, AFolderThatRefusesChangesShowsUnableToWriteAndKeepsTheOldFile) {
  const std::string old = "[settings]\r\nurl=old-host\r\nfreq=20\r\n";
  WriteIni(old);
  StartApp();
  Form1->edURL->SetText("new-host");
  EXPECT_TRUE(testsupport::withReadOnlyFolder(dir_, [&] {
    StopApp();
    return ErrorBoxSays("Unable to write to tavix.ini");
  }));
  EXPECT_EQ(ReadFile(IniPath()), old);
}

TEST_F(CrashSafeFilesTest, ASettingsFolderUnderAPlainFileShowsUnableToWrite) {
  StartApp();
  { std::ofstream(dir_ + "/plain") << "x"; }
  setenv("XDG_CONFIG_HOME", (dir_ + "/plain/config").c_str(), 1);
  StopApp();
  EXPECT_TRUE(ErrorBoxSays("Unable to write to tavix.ini"));
  EXPECT_TRUE(fs::is_regular_file(dir_ + "/plain"));
}
