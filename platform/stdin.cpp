#include "platform/stdin.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

int input_descriptor = 0;

int StdinReadable() {
  pollfd request = {input_descriptor, POLLIN, 0};
  int ready;
  do {
    ready = poll(&request, 1, 0);
  } while (ready < 0 && errno == EINTR);
  // A poll that fails cannot promise a blocking read; let the read report it.
  if (ready < 0) return STDIN_ENDED;
  if (ready == 0) return STDIN_EMPTY;
  // A pipe whose writer has gone keeps POLLIN while bytes remain.
  if (request.revents & POLLIN) return STDIN_READABLE;
  return STDIN_ENDED;
}

int ReadStdin(char* buffer, int size) {
  if (size <= 0) return -1;
  ssize_t count;
  do {
    count = read(input_descriptor, buffer, size_t(size));
  } while (count < 0 && errno == EINTR);
  return count < 0 ? -1 : int(count);
}
