// The headless QGuiApplication of the fuzz targets that draw or lay out text.
#pragma once

#include <QGuiApplication>
#include <cstdlib>

// Call from LLVMFuzzerInitialize. Qt sees only the program name: the fuzzer's own flags are none
// of its business.
inline void StartHeadlessGui(char* program) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int qtArgc = 1;
  static char* qtArgv[] = {program, nullptr};
  static QGuiApplication app(qtArgc, qtArgv);
}
