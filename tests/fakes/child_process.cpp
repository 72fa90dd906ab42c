#include "tests/fakes/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace fakes {

int InChild(const std::function<void()>& child) {
  pid_t pid = fork();
  if (pid == 0) {
    child();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool AsNobody(const std::function<bool()>& check) {
  const int status = InChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(check() ? 0 : 1);
  });
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace fakes
