// A running exam killed at random moments always leaves a complete backup of its last tick.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "Exam.h"
#include "ExamFixtures.h"
#include "TestImageBuilder.h"

namespace {

constexpr int kOptions = 16;
const char* const kName = "Student";

// Before tick k the child marks option i exactly when bit i of k is set, so the marks of a
// backup tell which tick wrote it.
[[noreturn]] void RunChild(const std::string& image, int reportFd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  TExam exam(true);
  exam.SetOnTick([](TExam&) {});
  exam.OpenTest(MemoryBlockOf(image));
  exam.SetRunning(true);
  exam.UserAnswers().SetUserName(kName);
  auto& clock = static_cast<TManualTimer&>(exam.Timer());
  for (int32_t k = 1; k < (1 << kOptions); ++k) {
    for (int i = 0; i < kOptions; ++i) exam.SetOptionMarked(i, (k >> i) & 1);
    clock.Fire();
    if (::write(reportFd, &k, sizeof k) != sizeof k) break;
  }
  ::_exit(0);
}

TEST(ExamCrash, AKilledExamRestoresItsLastCompleteTick) {
  const std::string image = WriteTestImage(fixture::Uniform(1, kOptions, 100000));
  std::mt19937 random(20261210);
  for (int run = 0; run < 60; ++run) {
    // On tmpfs a tick costs microseconds rather than a disk flush, so the kills land anywhere in
    // the write, the delete and the rename, not mostly inside fsync.
    examtest::TPrivateTempDir tmp(examtest::MemoryBackedDir());
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(pipeFds[0]);
      RunChild(image, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    int32_t last = 0;
    ASSERT_EQ(::read(pipeFds[0], &last, sizeof last), ssize_t(sizeof last)) << "run " << run;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run;
    for (int32_t k; ::read(pipeFds[0], &k, sizeof k) == ssize_t(sizeof k);) last = k;
    ::close(pipeFds[0]);

    TExam exam(true);
    exam.OpenTest(MemoryBlockOf(image));
    const TTestUserAnswers& restored = exam.UserAnswers();
    const int32_t tick = restored.ElapsedSeconds();
    // The tick in flight may have finished its backup without reporting it.
    EXPECT_TRUE(tick == last || tick == last + 1)
        << "run " << run << ": " << tick << " after " << last;
    EXPECT_EQ(restored.UserName(), kName) << "run " << run;
    for (int i = 0; i < kOptions; ++i) {
      EXPECT_EQ(restored.Marked(i), bool((tick >> i) & 1)) << "run " << run << " option " << i;
    }
  }
}

}  // namespace
