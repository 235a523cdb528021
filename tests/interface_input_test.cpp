// The pending-input buffer, the line reader and the input-available test,
// fed through a pipe that stands in for standard input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "interface/input.h"
#include "piped_input.h"
#include "platform/stdin.h"

namespace {

class InputTest : public PipedInputTest {
 protected:
  // The next line, or "<end>" when the input ended first.
  std::string NextLine() {
    char line[PENDING_INPUT_SIZE];
    const int result = ReadInputLine(line, sizeof line);
    if (result == -1) {
      EXPECT_STREQ(line, "");
      return "<end>";
    }
    EXPECT_EQ(result, 1);
    return line;
  }
};

TEST_F(InputTest, LinesOfOneReadComeOutInOrderWithoutAnotherRead) {
  Send("uci\nisready\n\ngo depth 5\npart");
  EXPECT_EQ(NextLine(), "uci");
  // One read took everything; the rest waits in the buffer.
  EXPECT_STREQ(pending_input, "isready\n\ngo depth 5\npart");
  EXPECT_EQ(NextLine(), "isready");
  EXPECT_EQ(NextLine(), "");
  EXPECT_EQ(NextLine(), "go depth 5");
  EXPECT_STREQ(pending_input, "part");
  // No stale line end behind the text either (the search scans the whole
  // buffer for one).
  EXPECT_EQ(std::memchr(pending_input, '\n', PENDING_INPUT_SIZE), nullptr);
  EXPECT_EQ(InputAvailable(), 0);
}

TEST_F(InputTest, LineSplitAcrossReadsIsHandedOutOnceComplete) {
  Send("posi");
  EXPECT_EQ(ReadInputChunk(), 1);
  char line[64];
  EXPECT_EQ(TakePendingLine(line, sizeof line), 0);
  EXPECT_EQ(InputAvailable(), 0);
  Send("tion startpos\nst");
  EXPECT_EQ(NextLine(), "position startpos");
  Send("op\n");
  EXPECT_EQ(NextLine(), "stop");
}

TEST_F(InputTest, CarriageReturnsAndNulBytes) {
  struct Case {
    std::string sent;
    std::string line;
  } cases[] = {
      {"isready\r\n", "isready "},
      {"a\rb\rc\n", "a b\rc"},  // only the first becomes a blank
      {"\r\n", " "},
      {std::string("is\0ready\n", 9), "isready"},
  };
  for (const Case& c : cases) {
    Send(c.sent);
    EXPECT_EQ(NextLine(), c.line) << "sent " << testing::PrintToString(c.sent);
  }
}

TEST_F(InputTest, LongestLineFitsAndLongerLinesAreDroppedWhole) {
  struct Case {
    int length;
    bool handed_out;
  } cases[] = {{MAX_INPUT_LINE, true}, {MAX_INPUT_LINE + 1, false}, {2 * MAX_INPUT_LINE + 100, false}};
  // More than the pipe holds: a writer of its own, which ends the input so
  // that a lost line shows as the end instead of a wait.
  std::thread writer([&] {
    for (const Case& c : cases) Send("before\n" + std::string(size_t(c.length), 'x') + "\nafter\n");
    CloseWriter();
  });
  for (const Case& c : cases) {
    EXPECT_EQ(NextLine(), "before") << "length " << c.length;
    if (c.handed_out) {
      EXPECT_EQ(NextLine(), std::string(size_t(c.length), 'x'));
    }
    EXPECT_EQ(NextLine(), "after") << "length " << c.length;
  }
  EXPECT_EQ(NextLine(), "<end>");
  writer.join();
}

TEST_F(InputTest, BufferFullOfLinesLosesNothing) {
  // Lines of 9 bytes, more than the buffer holds; a writer of its own, as
  // they are more than the pipe holds too.
  const int count = PENDING_INPUT_SIZE / 9 + 100;
  std::thread writer([&] {
    std::string sent;
    for (int i = 0; i < count; i++) sent += "line" + std::to_string(10000 + i) + "\n";
    Send(sent);
    CloseWriter();
  });
  while (std::strlen(pending_input) < size_t(PENDING_INPUT_SIZE - 1)) ASSERT_EQ(ReadInputChunk(), 1);
  EXPECT_EQ(ReadInputChunk(), 1) << "a full buffer of lines is no end of input";
  EXPECT_EQ(std::strlen(pending_input), size_t(PENDING_INPUT_SIZE - 1));
  for (int i = 0; i < count; i++) ASSERT_EQ(NextLine(), "line" + std::to_string(10000 + i));
  EXPECT_EQ(NextLine(), "<end>");
  writer.join();
}

TEST_F(InputTest, ShortBufferKeepsTheStartAndConsumesTheWholeLine) {
  Send("setoption name Hash value 64\nquit\n");
  char line[8];
  EXPECT_EQ(ReadInputLine(line, sizeof line), 1);
  EXPECT_STREQ(line, "setopti");
  EXPECT_EQ(NextLine(), "quit");
}

TEST_F(InputTest, EndOfInputWithoutFinalNewline) {
  Send("uci\nquit");
  CloseWriter();
  EXPECT_EQ(NextLine(), "uci");
  EXPECT_EQ(InputClosed(), 0);
  EXPECT_EQ(NextLine(), "<end>");  // the partial "quit" is never handed out
  EXPECT_EQ(InputClosed(), 1);
  EXPECT_EQ(NextLine(), "<end>");
  EXPECT_EQ(ReadInputChunk(), 0);
}

TEST_F(InputTest, EndOfInputWhileWaiting) {
  std::thread closer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    CloseWriter();
  });
  EXPECT_EQ(NextLine(), "<end>");
  closer.join();
  EXPECT_EQ(InputClosed(), 1);
}

TEST_F(InputTest, InputAvailable) {
  EXPECT_EQ(InputAvailable(), 0);  // open and empty
  Send("go");
  EXPECT_NE(InputAvailable(), 0);  // bytes wait in the pipe
  EXPECT_EQ(ReadInputChunk(), 1);
  EXPECT_EQ(InputAvailable(), 0);  // only a partial line, pipe empty
  Send("\n");
  EXPECT_EQ(ReadInputChunk(), 1);
  EXPECT_NE(InputAvailable(), 0);  // a complete line is buffered
  CloseWriter();
  EXPECT_NE(InputAvailable(), 0);  // still the buffered line
  EXPECT_EQ(NextLine(), "go");
  EXPECT_EQ(InputClosed(), 0);
  EXPECT_NE(InputAvailable(), 0);  // the end of input is readable
  EXPECT_EQ(InputClosed(), 1);     // and known without a read
  EXPECT_EQ(NextLine(), "<end>");
}

TEST_F(InputTest, DataLeftAfterTheWriterHasGoneIsStillRead) {
  Send("quit\n");
  CloseWriter();
  EXPECT_EQ(StdinReadable(), STDIN_READABLE);
  EXPECT_NE(InputAvailable(), 0);
  EXPECT_EQ(InputClosed(), 0);
  EXPECT_EQ(NextLine(), "quit");
  EXPECT_EQ(StdinReadable(), STDIN_ENDED);
}

}  // namespace
