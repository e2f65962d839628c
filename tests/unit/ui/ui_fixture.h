// The ui suite's fixture: a fresh installer state wired to a fake system.
#pragma once

#include <gtest/gtest.h>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &fake;
  }
  void TearDown() override { State().system = nullptr; }

  FakeSystem fake;
};

}  // namespace vorlax
