// The real student's program, driven by keys, killed without warning at random moments over and
// over: every restart must find a whole crash backup, no older than the last tick of the clock
// before the kill, holding the marks made before that tick. The marks each key should give are
// found by replaying the same keys into the same window in this process.
#include <fcntl.h>
#include <gtest/gtest.h>
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
  int ticksBefore;  // clock ticks the program had shown before this key
};

// The keys a run handled, the time its clock was first on screen and of its last tick (0: none).
struct TRunLog {
  std::vector<TLoggedKey> keys;
  int64_t ready = 0;
  int64_t lastTick = 0;
  int ticks = 0;
};

TRunLog ReadLog(const fs::path& log) {
  TRunLog run;
  std::ifstream in(log);
  int64_t at = 0;
  char what = 0;
  while (in >> at >> what) {
    if (what == 'S') {
      run.ready = at;
    } else if (what == 'T') {
      run.lastTick = at;
      ++run.ticks;
    } else {
      run.keys.push_back({at, what, run.ticks});
    }
  }
  return run;
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
    if (k.key == 'R')
      w.Key(Qt::Key_Right);
    else if (k.key == 'L')
      w.Key(Qt::Key_Left);
    else
      w.Key(Qt::Key_A + (k.key - 'a'), {}, QString(QChar(k.key)));
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

// One program's life: its temporary folder (kept across its runs) and what it last left there.
struct TChain {
  fs::path exam;
  std::unique_ptr<TTestUserAnswers> restored;  // what the next start will find
};

// The record a restart finds in the backup folder (the ".tmp" file, else the work file), or
// null; `corrupt` counts ".tmp" files that do not load.
std::unique_ptr<TTestUserAnswers> FindBackup(const fs::path& exam, int& corrupt) {
  std::unique_ptr<TTestUserAnswers> found;
  for (const auto& name : examtest::FolderNames(exam / "Exam")) {
    const bool work = name.find("~.tmp") != std::string::npos;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".tmp" || (work && found)) continue;
    auto candidate = std::make_unique<TTestUserAnswers>();
    try {
      candidate->LoadFromFile((exam / "Exam" / name).string());
      found = std::move(candidate);
    } catch (const std::exception&) {
      if (!work) ++corrupt;
    }
  }
  return found;
}

TEST(ExamKillLoop, EveryRestartFindsAWholeRecentBackup) {
  const int runs = std::getenv("EXAM_KILL_RUNS") ? std::atoi(std::getenv("EXAM_KILL_RUNS")) : 200;
  const QString test = QStringLiteral(EXAM_SOURCE_DIR "/samples/demo.tst");
  examtest::TPrivateTempDir work;
  // Four programs live side by side (each mostly waits for keys), each in a folder of its own.
  constexpr int kChains = 4;
  std::vector<TChain> chains(kChains);
  for (int c = 0; c < kChains; ++c) {
    chains[c].exam = work.Path() / ("exam-" + std::to_string(c));
    fs::create_directory(chains[c].exam);
  }
  std::mt19937 random(20261210);
  // Most runs are killed a while after the program is ready (its clock on screen), so that a slow
  // or loaded machine still lets the clock tick; one in eight while it is still starting.
  std::uniform_int_distribution<int> life(200, 1800);   // ms from ready to the kill
  std::uniform_int_distribution<int> starting(0, 400);  // ms from the start to the kill
  std::uniform_int_distribution<int> eighth(0, 7);
  constexpr int64_t kNeverReady = int64_t{30} * 1000000000;  // ns: the program is stuck

  int corrupt = 0, withoutBackup = 0, lostKeys = 0, ticks = 0, keysMade = 0, keysKept = 0;
  double worstLoss = 0;  // seconds between the oldest lost key and the kill
  for (int first = 0; first < runs; first += kChains) {
    const int n = std::min(kChains, runs - first);
    struct TLife {
      int chain;
      pid_t pid;
      int64_t started, killAt, killed;
      int lifeAfterReady;  // ms, or -1: killed at killAt, whether ready or not
      fs::path log;
    };
    std::vector<TLife> lives;
    for (int c = 0; c < n; ++c) {
      const int run = first + c;
      const fs::path log = work.Path() / ("keys-" + std::to_string(run));
      const bool whileStarting = eighth(random) == 0;
      const int afterStart = starting(random), afterReady = life(random);
      const int64_t started = Now();
      const pid_t pid = StartExam(chains[c].exam, log, static_cast<unsigned>(run + 1), test);
      ASSERT_GT(pid, 0);
      lives.push_back({c, pid, started, whileStarting ? started + int64_t{afterStart} * 1000000 : 0,
                       0, whileStarting ? -1 : afterReady, log});
    }
    for (int alive = n; alive > 0;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      for (TLife& l : lives) {
        if (l.killed != 0) continue;
        const int64_t now = Now();
        if (l.killAt == 0) {
          if (const int64_t ready = ReadLog(l.log).ready; ready != 0)
            l.killAt = ready + int64_t{l.lifeAfterReady} * 1000000;
          else if (now - l.started > kNeverReady)
            l.killAt = now;  // reported below as a run that never became ready
        }
        if (l.killAt == 0 || now < l.killAt) continue;
        ::kill(l.pid, SIGKILL);
        l.killed = Now();
        --alive;
      }
    }
    for (const TLife& l : lives) {
      int status = 0;
      ::waitpid(l.pid, &status, 0);
      ASSERT_TRUE(WIFSIGNALED(status))
          << "run " << first + l.chain << ": the program ended by itself";
    }

    for (const TLife& l : lives) {
      const int run = first + l.chain;
      TChain& chain = chains[l.chain];
      std::unique_ptr<TTestUserAnswers> found = FindBackup(chain.exam, corrupt);
      const TRunLog runLog = ReadLog(l.log);
      const std::vector<TLoggedKey>& keys = runLog.keys;
      keysMade += static_cast<int>(keys.size());
      if (l.lifeAfterReady >= 0) {
        ASSERT_NE(runLog.ready, 0) << "run " << run << ": the program never showed its clock";
      }
      if (!found) {
        // Killed before the first tick of its first run: nothing to restore yet.
        ++withoutBackup;
        EXPECT_EQ(chain.restored, nullptr) << "run " << run << ": the backup vanished";
        if (runLog.ready != 0) {
          EXPECT_LT(double(l.killed - runLog.ready) / 1e9, 3.0) << "run " << run;
        }
        continue;
      }
      ticks += found->ElapsedSeconds() - (chain.restored ? chain.restored->ElapsedSeconds() : 0);
      // The backup holds the marks after some prefix of this run's keys.
      const auto states = Replay(test, chain.restored.get(), keys);
      const std::vector<bool> marks = MarksOf(*found);
      int prefix = -1;
      for (int k = static_cast<int>(states.size()) - 1; k >= 0 && prefix < 0; --k)
        if (states[k] == marks) prefix = k;
      ASSERT_GE(prefix, 0) << "run " << run << ": the backup holds marks no key sequence gave";
      const int lost = static_cast<int>(keys.size()) - prefix;
      lostKeys += lost;
      keysKept += prefix;
      // Every tick writes the backup: each key handled before the last tick the program showed
      // must be in it.
      const int beforeLastTick =
          static_cast<int>(std::count_if(keys.begin(), keys.end(), [&](const TLoggedKey& k) {
            return k.ticksBefore < runLog.ticks;
          }));
      EXPECT_GE(prefix, beforeLastTick)
          << "run " << run << ": keys made before the last tick were lost";
      if (lost > 0) worstLoss = std::max(worstLoss, double(l.killed - keys[prefix].at) / 1e9);
      chain.restored = std::move(found);
    }
  }
  std::cout << "[ FIGURES  ] runs " << runs << " (" << kChains << " programs side by side)"
            << ", clock ticks kept " << ticks
            << ", runs killed before their program's first backup " << withoutBackup
            << ", corrupt backups " << corrupt << ", keys handled " << keysMade
            << ", kept by a backup " << keysKept << ", lost at the kill " << lostKeys
            << ", worst loss " << worstLoss << " s\n";
  EXPECT_EQ(corrupt, 0);
  // The loop proves something only when keys reached the programs and ticks saved them.
  EXPECT_GT(keysKept, runs);
  EXPECT_GT(ticks, runs / 4);
}

}  // namespace
