// examtool: the teacher's command-line companion to the exam program.
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ExamTool.h"

namespace {

const TToolCommand kCommands[] = {
    {"make", "make a test (.tst) and its key (.tst-ans) from a Markdown source", RunMake, true},
    {"grade", "grade a class's answer files (.tst-usr) against the key; an HTML report", RunGrade,
     true},
    {"info", "show what a .tst, .tst-ans or .tst-usr file holds", RunInfo, false},
    {"check", "check a test, and a key against it", RunCheck, true},
    {"render", "draw a metafile, or a question's page of a test, to a PNG", RunRender, true},
    {"print", "print a test, or its key for proof-reading, to a PDF", RunPrint, true},
    {"import", "write a test source from a question bank (Moodle XML, GIFT, Aiken)", RunImport,
     true},
};

void PrintHelp() {
  std::printf("usage: examtool COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& c : kCommands) std::printf("  %-8s %s\n", c.Name, c.Summary);
  std::printf("\n'examtool COMMAND --help' describes a command.\n");
}

// Qt's notes about the session environment mean nothing to a teacher at a terminal.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:")) return;
  std::fprintf(stderr, "examtool: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintHelp();
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp();
    return kExitOk;
  }
  for (const auto& command : kCommands) {
    if (name != command.Name) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    std::unique_ptr<QGuiApplication> app;
    if (command.NeedsGui) {
      // The tool never needs a display: fonts and painting work on the offscreen platform.
      if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
      qInstallMessageHandler(QuietQtMessages);
      app = std::make_unique<QGuiApplication>(argc, argv);
    }
    return command.Run(args);
  }
  std::fprintf(stderr, "examtool: unknown command '%s'\n", name.c_str());
  PrintHelp();
  return kExitUsage;
}
