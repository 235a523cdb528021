#include "interface/input.h"

#include <cstdio>
#include <cstring>

#include "interface/options.h"
#include "platform/stdin.h"

char pending_input[PENDING_INPUT_SIZE];

namespace {

char input_chunk[INPUT_CHUNK_SIZE];
int input_closed = 0;
// Set while the bytes read belong to a line too long for the buffer.
int dropping_line = 0;

// The length is measured, not remembered, so that a consumer that cuts
// pending_input itself cannot leave it stale.
int PendingLength() { return int(std::strlen(pending_input)); }

void AppendChunk(const char* bytes, int count) {
  int pending_length = PendingLength();
  int start = 0;
  if (dropping_line) {
    const void* end_of_line = std::memchr(bytes, '\n', size_t(count));
    if (!end_of_line) return;
    start = int(static_cast<const char*>(end_of_line) - bytes) + 1;
    dropping_line = 0;
  }
  for (int i = start; i < count; i++) {
    // A NUL would end the buffered text early and hide what follows it.
    if (bytes[i] != '\0') pending_input[pending_length++] = bytes[i];
  }
  pending_input[pending_length] = '\0';
}

void ReportOverlongLine() {
  constexpr int SHOWN = 40;
  std::printf("%sLine too long (over %d characters), ignored: %.*s...\n", uci_mode ? "info string " : "",
              MAX_INPUT_LINE, SHOWN, pending_input);
  std::fflush(stdout);
}

}  // namespace

int ReadInputChunk() {
  if (input_closed) return 0;
  int pending_length = PendingLength();
  if (pending_length == PENDING_INPUT_SIZE - 1) {
    if (std::memchr(pending_input, '\n', size_t(pending_length))) return 1;
    // Full without a line end: the line cannot be handed out. Cutting it
    // would run a different command (a shorter move list, say), so none of
    // it runs, and the front end is told.
    ReportOverlongLine();
    std::memset(pending_input, 0, size_t(pending_length));
    pending_length = 0;
    dropping_line = 1;
  }
  int room = PENDING_INPUT_SIZE - 1 - pending_length;
  if (room > INPUT_CHUNK_SIZE) room = INPUT_CHUNK_SIZE;
  const int count = ReadStdin(input_chunk, room);
  if (count <= 0) {
    input_closed = 1;
    return 0;
  }
  AppendChunk(input_chunk, count);
  return 1;
}

int InputAvailable() {
  if (std::strchr(pending_input, '\n')) return 1;
  if (input_closed) return 1;
  const int state = StdinReadable();
  // Nothing is left and nothing can come: the waiting loops may end now.
  if (state == STDIN_ENDED) input_closed = 1;
  return state != STDIN_EMPTY;
}

int TakePendingLine(char* line, int size) {
  char* end = std::strchr(pending_input, '\n');
  if (!end) return 0;
  const int length = int(end - pending_input);
  if (size > 0) {
    const int kept = length < size - 1 ? length : size - 1;
    std::memcpy(line, pending_input, size_t(kept));
    line[kept] = '\0';
    char* carriage_return = static_cast<char*>(std::memchr(line, '\r', size_t(kept)));
    if (carriage_return) *carriage_return = ' ';
  }
  const int rest = int(std::strlen(end + 1));
  std::memmove(pending_input, end + 1, size_t(rest) + 1);
  // Keep the bytes behind the NUL zero: stale line ends must not be found.
  std::memset(pending_input + rest + 1, 0, size_t(length) + 1);
  return 1;
}

int ReadInputLine(char* line, int size) {
  if (size > 0) line[0] = '\0';
  while (!TakePendingLine(line, size)) {
    if (!ReadInputChunk()) return -1;
  }
  return 1;
}

int ReadInputChar() {
  while (pending_input[0] == '\0') {
    if (!ReadInputChunk()) return -1;
  }
  const int c = uint8_t(pending_input[0]);
  const int rest = int(std::strlen(pending_input + 1));
  std::memmove(pending_input, pending_input + 1, size_t(rest) + 1);
  pending_input[rest + 1] = '\0';
  return c;
}

int InputClosed() { return input_closed; }

void ResetInput() {
  std::memset(pending_input, 0, sizeof pending_input);
  input_closed = 0;
  dropping_line = 0;
}
