// Shared set-up of the configuration tests: a fresh installer state whose system is a FakeSystem,
// and helpers to write configuration files into the fake's disk as UTF-16LE.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    State().system = &system;
  }
  void TearDown() override {
    EXPECT_EQ(system.openFiles, 0) << "a reader left a file open";
    ResetInstallerState();
  }

  // Writes text as a UTF-16LE file with a byte-order mark (as the configuration files ship).
  void AddUtf16File(const std::u16string& path, const std::u16string& text, bool withMark = true) {
    std::string bytes = withMark ? std::string("\xFF\xFE", 2) : std::string();
    system.AddFile(path, bytes + ToUtf16Le(text));
  }

  // The messages shown so far, one text per box.
  std::vector<std::u16string> MessageTexts() const {
    std::vector<std::u16string> texts;
    for (const FakeSystem::Message& message : system.messages) texts.push_back(message.text);
    return texts;
  }

  FakeSystem system;
};

}  // namespace vorlax
