// A test fixture whose standard input is a pipe the test writes into: the
// engine's pending-input buffer reads from its far end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "interface/input.h"
#include "platform/stdin.h"

class PipedInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(fds_), 0);
    input_descriptor = fds_[0];
    ResetInput();
  }
  void TearDown() override {
    CloseWriter();
    close(fds_[0]);
    input_descriptor = 0;
    ResetInput();
  }
  // Writes the bytes in one write.
  void Send(const std::string& bytes) { ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  // Ends the input: the reader sees the end once the pipe is drained.
  void CloseWriter() {
    if (fds_[1] >= 0) close(fds_[1]);
    fds_[1] = -1;
  }
  int fds_[2] = {-1, -1};
};
