// The console's window and session on a pseudo-terminal, from a clean serial
// and cycle state; the window is shown and active, and ending the program is
// counted instead of done.
#pragma once

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "console_session.h"
#include "console_window.h"
#include "cycle_state.h"
#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"
#include "tessaro_controller.h"

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSerialState();
    ResetCycleState();
    window.bind(controller, application);
    session = std::make_unique<ConsoleSession>(window, controller);
    controller.endProgram = [this] { ++ends; };
    window.widget().show();
    QApplication::setActiveWindow(&window.widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.widget()));
  }

  void TearDown() override {
    session.reset();
    if (fileDescriptor >= 0) ClosePort();
  }

  // Opens the pseudo-terminal as the console's port, without the on-line byte.
  void OpenPort() {
    ASSERT_LT(port.path().size(), kPathSize);
    std::strcpy(bsdPath, port.path().c_str());
    ASSERT_GE(::OpenPort(), 0);
  }

  std::string Log() { return window.widget().findChild<QPlainTextEdit*>("receivedView")->toPlainText().toStdString(); }

 public:
  PtyPeer port{PtyPeer::Start::kSystemDefaults};
  ConsoleWindow window;
  TessaroController controller;
  TessaroApp application;
  std::unique_ptr<ConsoleSession> session;
  int ends = 0;
};
