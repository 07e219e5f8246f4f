#pragma once
// One QApplication for the whole test program, on the offscreen platform so that the tests run
// without a display. Each test file includes this header; the environment is registered once.

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace tervalo::testing {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "board_ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace tervalo::testing
