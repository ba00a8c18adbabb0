// One run per results folder: a second process is refused with the holder
// named, or waits for it.
#include "core/folder_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"
#include "support/thrown.h"

namespace vembrel::testing {
namespace {

TEST(FolderLock, ASecondProcessIsRefusedWithTheHolderNamedOrWaits) {
  alarm(60);
  TempDir dir;
  const std::string folder = dir.path().string() + "/";
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    FolderLock lock(folder);
    char byte = 'x';
    if (write(ready[1], &byte, 1) != 1 || read(release[0], &byte, 1) != 1) _exit(1);
    _exit(0);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  const std::string named = "process " + std::to_string(holder) + " (";
  try {
    FolderLock refused(folder);
    ADD_FAILURE() << "the second lock was taken";
  } catch (const FolderInUseError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("'" + folder + "'"), std::string::npos) << message;
    EXPECT_NE(message.find(named), std::string::npos) << message;
  }

  std::string waitedFor;
  {
    FolderLock waited(folder, true, [&](const std::string& who) {
      waitedFor = who;
      EXPECT_EQ(write(release[1], "x", 1), 1);  // the holder ends only now
    });
    EXPECT_EQ(waitedFor.rfind(named, 0), 0u) << waitedFor;
    EXPECT_EQ(ReadFile(dir.file(FolderLock::kFileName)).rfind(std::to_string(getpid()) + "\n", 0),
              0u);
    EXPECT_THROW(FolderLock again(folder), FolderInUseError);  // also within one process
  }
  FolderLock afterwards(folder);  // released with the object
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (const int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
  alarm(0);
}

TEST(FolderLock, AFolderWithoutRoomForTheLockIsUnusable) {
  TempDir dir;
  EXPECT_THROW(FolderLock(dir.file("absent")), UsageError);
}

TEST(FolderLock, ALockThatIsNoRegularFileIsRefusedWithoutWaiting) {
  alarm(60);  // a FIFO opened for reading alone would wait for a writer
  TempDir dir;
  const std::string folder = dir.path().string() + "/";
  ASSERT_EQ(mkfifo((folder + ".vembrel.lock").c_str(), 0644), 0);
  const std::string fifo = Thrown<UsageError>([&] { FolderLock lock(folder); });
  EXPECT_NE(fifo.find(".vembrel.lock"), std::string::npos) << fifo;
  TempDir other;
  const std::string linked = other.path().string() + "/";
  ASSERT_EQ(symlink((folder + "elsewhere").c_str(), (linked + ".vembrel.lock").c_str()), 0);
  EXPECT_THROW(FolderLock{linked}, UsageError);  // never follows a link out of the folder
  alarm(0);
}

}  // namespace
}  // namespace vembrel::testing
