#pragma once
// Builds the window exactly as the program does and finds controls by name.
#include "main/form1.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    window_ = std::make_unique<TForm1>();
    window_->show();
    QApplication::processEvents();
  }
  void TearDown() override { window_.reset(); }
  TForm1& W() { return *window_; }
  template <class T>
  T* Find(const char* name) {
    auto* found = window_->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
  }
  // Points the window at another alias, as a connection change would.
  void UseDatabase(const QString& alias);
  // Runs a statement with a click on "查詢", answering every message box;
  // the messages shown.
  QStringList RunShowing(const QString& statement);
  // The output pane's lines.
  QStringList OutputLines() const;
  // Types text the way a keyboard does, Chinese included.
  static void Type(QWidget* target, const QString& text);

  std::unique_ptr<TForm1> window_;
};
