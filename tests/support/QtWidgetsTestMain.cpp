// GoogleTest entry for tests of the window: a QApplication (offscreen unless told otherwise)
// with the window's resources registered, as the program has them.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "UiResources.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InitUiResources();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
