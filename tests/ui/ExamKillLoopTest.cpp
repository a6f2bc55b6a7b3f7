// The real student's program, driven by keys, killed without warning at random moments over and
// over: every restart must find a whole crash backup, no older than the last tick of the clock
// before the kill, holding the marks made before that tick. The marks each key should give are
// found by replaying the same keys into the same window in this process.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "ExamFixtures.h"
#include "Unit1.h"

#include "MainWindowHarness.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace windowtest;

struct TLoggedKey {
  int64_t at;  // steady clock, ns
  char key;
};

std::vector<TLoggedKey> ReadLog(const fs::path& log) {
  std::vector<TLoggedKey> keys;
  std::ifstream in(log);
  TLoggedKey k{};
  while (in >> k.at >> k.key) keys.push_back(k);
  return keys;
}

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::vector<bool> MarksOf(const TTestUserAnswers& a) {
  std::vector<bool> marks;
  for (int32_t i = 0; i < a.OptionCount(); ++i) marks.push_back(a.Marked(i));
  return marks;
}

// The marks after each prefix of the keys (the first entry: before any key), starting from the
// backup the program restored, as the window gives them.
std::vector<std::vector<bool>> Replay(const QString& test, const TTestUserAnswers* restored,
                                      const std::vector<TLoggedKey>& keys) {
  Window w;
  if (restored != nullptr) {
    TTestUserAnswers copy;
    copy.Assign(*restored);
    copy.SaveBackup();  // into the replay's own private temporary folder
  }
  w.Start({test});
  std::vector<std::vector<bool>> states{MarksOf(w.Exam().UserAnswers())};
  for (const TLoggedKey& k : keys) {
    if (k.key == 'R') w.Key(Qt::Key_Right);
    else if (k.key == 'L') w.Key(Qt::Key_Left);
    else w.Key(Qt::Key_A + (k.key - 'a'), {}, QString(QChar(k.key)));
    states.push_back(MarksOf(w.Exam().UserAnswers()));
  }
  return states;
}

pid_t StartExam(const fs::path& tmp, const fs::path& log, unsigned seed, const QString& test) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string s = *e;
    if (s.rfind("TMPDIR=", 0) == 0 || s.rfind("ASAN_OPTIONS=", 0) == 0) continue;
    env.push_back(s);
  }
  const char* asan = std::getenv("ASAN_OPTIONS");
  // The driver is preloaded ahead of a sanitizer runtime, which would otherwise refuse to start.
  env.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") +
                "verify_asan_link_order=0");
  env.push_back("TMPDIR=" + tmp.string());
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back(std::string("LD_PRELOAD=") + EXAM_KEY_DRIVER);
  env.push_back("EXAM_KEY_DRIVER_LOG=" + log.string());
  env.push_back("EXAM_KEY_DRIVER_SEED=" + std::to_string(seed));
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string program = EXAM_BINARY, argument = test.toStdString();
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

TEST(ExamKillLoop, EveryRestartFindsAWholeRecentBackup) {
  const int runs = std::getenv("EXAM_KILL_RUNS") ? std::atoi(std::getenv("EXAM_KILL_RUNS")) : 200;
  const QString test = QStringLiteral(EXAM_SOURCE_DIR "/samples/demo.tst");
  examtest::TPrivateTempDir work;  // the program's temporary folder, kept across the runs
  const fs::path exam = work.Path() / "exam-tmp";
  fs::create_directory(exam);
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> life(200, 1800);  // ms from start to the kill

  std::unique_ptr<TTestUserAnswers> restored;  // what the next start will find
  int corrupt = 0, withoutBackup = 0, lostKeys = 0, ticks = 0;
  double worstLoss = 0;  // seconds between the oldest lost key and the kill
  for (int run = 0; run < runs; ++run) {
    const fs::path log = work.Path() / ("keys-" + std::to_string(run));
    const int64_t started = Now();
    const pid_t pid = StartExam(exam, log, static_cast<unsigned>(run + 1), test);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(life(random)));
    ::kill(pid, SIGKILL);
    const int64_t killed = Now();
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "run " << run << ": the program ended by itself";

    // What a restart finds: the backup (or, between two of its steps, the work file).
    auto found = std::make_unique<TTestUserAnswers>();
    bool whole = false;
    for (const fs::path& dir : {exam / "Exam"}) {
      for (const auto& name : examtest::FolderNames(dir)) {
        if (name.size() < 4 || name.substr(name.size() - 4) != ".tmp") continue;
        try {
          TTestUserAnswers candidate;
          candidate.LoadFromFile((dir / name).string());
          if (name.find("~.tmp") != std::string::npos && whole) continue;  // the .tmp wins
          found->Assign(candidate);
          whole = true;
        } catch (const std::exception&) {
          if (name.find("~.tmp") == std::string::npos) ++corrupt;
        }
      }
    }
    const std::vector<TLoggedKey> keys = ReadLog(log);
    if (!whole) {
      // Killed before the first tick of the first run: nothing to restore yet, nothing marked
      // that a tick had seen.
      ++withoutBackup;
      EXPECT_EQ(restored, nullptr) << "run " << run << ": the backup vanished";
      EXPECT_LT(double(killed - started) / 1e9, 3.0) << "run " << run;
      continue;
    }
    ticks += found->ElapsedSeconds() - (restored ? restored->ElapsedSeconds() : 0);
    // The backup holds the marks after some prefix of this run's keys.
    const auto states = Replay(test, restored.get(), keys);
    const std::vector<bool> marks = MarksOf(*found);
    int prefix = -1;
    for (int k = static_cast<int>(states.size()) - 1; k >= 0 && prefix < 0; --k)
      if (states[k] == marks) prefix = k;
    ASSERT_GE(prefix, 0) << "run " << run << ": the backup holds marks no key sequence gave";
    const int lost = static_cast<int>(keys.size()) - prefix;
    lostKeys += lost;
    if (lost > 0) {
      const double loss = double(killed - keys[prefix].at) / 1e9;
      worstLoss = std::max(worstLoss, loss);
      // A tick writes the backup every second: a key older than a second and a half at the
      // kill (the tick, its write, and a loaded machine's delay) must have been saved.
      EXPECT_LT(loss, 1.5) << "run " << run << ": keys made " << loss << " s before the kill were lost";
    }
    restored = std::move(found);
  }
  std::cout << "[ FIGURES  ] runs " << runs << ", clock ticks seen " << ticks
            << ", runs killed before any backup " << withoutBackup << ", corrupt backups "
            << corrupt << ", keys lost at the kill " << lostKeys << ", worst loss " << worstLoss
            << " s\n";
  EXPECT_EQ(corrupt, 0);
}

}  // namespace
