// Files are replaced only by complete new ones, only where a regular file is
// (or none), also with writers killed or running at the same time.
#include "core/replacement_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "core/error.h"
#include "core/text_file.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A child process; killed with SIGKILL when the test ends early.
struct Child {
  pid_t pid = -1;
  int fromChild = -1;  // the child writes a byte here after each step
  int toChild = -1;    // the child may wait for a byte here
  template <typename Body>
  explicit Child(Body body) {
    int up[2];
    int down[2];
    if (pipe(up) != 0 || pipe(down) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(up[0]);
      close(down[1]);
      try {
        body(up[1], down[0]);
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    fromChild = up[0];
    toChild = down[1];
  }
  bool awaitStep() const {
    char byte;
    return read(fromChild, &byte, 1) == 1;
  }
  void kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
  ~Child() {
    kill();
    close(fromChild);
    close(toChild);
  }
};

void Signal(int fd) {
  [[maybe_unused]] const ssize_t n = write(fd, "x", 1);
}

TEST(ReplacementFile, RefusesTargetsThatAreNoRegularFileWithoutWaitingOnThem) {
  alarm(60);  // a write that blocks on the FIFO ends the test here
  TempDir dir;
  const std::string fifo = dir.file("pipe.png");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(dir.file("folder.csv"));
  fs::create_symlink("/dev/null", dir.file("null.jpg"));
  fs::create_symlink("pipe.png", dir.file("to-pipe.png"));
  const struct {
    std::string target;
    std::string says;
  } cases[] = {{fifo, "it is a FIFO"},
               {"/dev/null", "it is a device"},
               {dir.file("folder.csv"), "it is a folder"},
               {dir.file("null.jpg"), "it links to '/dev/null', a device"},
               {dir.file("to-pipe.png"), "a FIFO"}};
  for (const auto& c : cases) {
    try {
      WriteFileAtomically(c.target, "new");
      ADD_FAILURE() << c.target << " was replaced";
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("'" + c.target + "'"), std::string::npos) << message;
      EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.file("null.jpg"))));
  EXPECT_EQ(Entries(dir.path()),
            (std::set<std::string>{"pipe.png", "folder.csv", "null.jpg", "to-pipe.png"}));
  alarm(0);
}

TEST(ReplacementFile, FollowsSymbolicLinksAndKeepsThem) {
  TempDir dir;
  fs::create_directory(dir.file("real"));
  WriteBytes(dir.file("real/summary.csv"), "old");
  fs::create_symlink("real/summary.csv", dir.file("summary.csv"));
  fs::create_symlink("real/absent.csv", dir.file("dangling.csv"));
  WriteFileAtomically(dir.file("summary.csv"), "new", Durability::Deferred);
  WriteFileAtomically(dir.file("dangling.csv"), "made");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.file("summary.csv"))));
  EXPECT_EQ(ReadFile(dir.file("real/summary.csv")), "new");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir.file("dangling.csv"))));
  EXPECT_EQ(ReadFile(dir.file("real/absent.csv")), "made");
  EXPECT_EQ(Entries(dir.file("real")), (std::set<std::string>{"summary.csv", "absent.csv"}));
}

// Two writers replace one file at once and are killed at some moment: every
// read in between and the file left behind are one complete version, and
// what the killed writers left is removed.
TEST(ReplacementFile, ConcurrentAndKilledWritersLeaveOneCompleteVersion) {
  alarm(120);
  TempDir dir;
  const std::string target = dir.file("plate.csv");
  const std::string versionA(300000, 'a');
  const std::string versionB(300000, 'b');
  WriteFileAtomically(target, versionA);
  const auto writer = [&](const std::string& content, ReplacementFile::Kind kind) {
    return [&content, &target, kind](int up, int) {
      for (;;) {
        ReplacementFile file(target, Durability::Deferred, kind);
        file.write(content.substr(0, content.size() / 2));
        file.write(content.substr(content.size() / 2));
        file.commit();
        Signal(up);
      }
    };
  };
  for (const auto kind : {ReplacementFile::Kind::Anonymous, ReplacementFile::Kind::Named}) {
    Child first(writer(versionA, kind));
    Child second(writer(versionB, kind));
    for (int round = 0; round < 50; ++round) {
      ASSERT_TRUE(first.awaitStep() && second.awaitStep());
      const std::string seen = ReadFile(target);
      ASSERT_TRUE(seen == versionA || seen == versionB) << seen.size() << " bytes";
    }
    first.kill();
    second.kill();
    const std::string left = ReadFile(target);
    EXPECT_TRUE(left == versionA || left == versionB) << left.size() << " bytes";
    RemoveLeftoverTemporaries(dir.path().string());
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"plate.csv"});
  }
  alarm(0);
}

TEST(ReplacementFile, RemovesOnlyTheLeftoversOfDeadWriters) {
  TempDir dir;
  const std::string target = dir.file("A01.jpg");
  for (const std::string name : {".A01.jpg.vembrel-abc", "A01.jpg.vembrel-abcdef",
                                 ".A01.jpg.vembrel-abc-ef", ".A01.jpg.part"}) {
    EXPECT_FALSE(IsReplacementTemporary(name)) << name;
    WriteBytes(dir.file(name), "not ours");
  }
  // A writer stopped after writing, before its commit.
  Child stopped([&](int up, int down) {
    ReplacementFile file(target, Durability::Deferred, ReplacementFile::Kind::Named);
    file.write("half");
    Signal(up);
    char byte;
    [[maybe_unused]] const ssize_t n = read(down, &byte, 1);
  });
  ASSERT_TRUE(stopped.awaitStep());
  EXPECT_EQ(Entries(dir.path()).size(), 5u);
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.path().string()), 0) << "a live writer's file went";
  stopped.kill();
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.path().string()), 1);
  EXPECT_EQ(Entries(dir.path()).size(), 4u);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.file("absent")), 0);
}

}  // namespace
}  // namespace vembrel::testing
