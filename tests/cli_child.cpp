#include "tests/cli_child.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// Standard output is kept only at its ends: a hostile run may write gigabytes.
const size_t KEEP = 1 << 16;

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

[[noreturn]] void ExecChild(const ChildSpec &setup, int in, int out, int err) {
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  if (!setup.dir.empty() && chdir(setup.dir.c_str()) != 0) _exit(126);
  rlimit limit = {setup.fileSizeLimit, setup.fileSizeLimit};
  if (setup.fileSizeLimit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  limit = {setup.addressSpaceLimit, setup.addressSpaceLimit};
  if (setup.addressSpaceLimit != RLIM_INFINITY && setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
  signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
  signal(SIGPIPE, SIG_DFL);
  setenv("LC_ALL", "C.UTF-8", 1);
  for (const std::string &e : setup.env) putenv(const_cast<char *>(e.c_str()));
  std::vector<char *> argv = {const_cast<char *>(WORDHEX_CLI)};
  for (const std::string &a : setup.args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  execv(WORDHEX_CLI, argv.data());
  _exit(127);
}

// Reads what is there; false at the end or on an error.
bool Drain(int fd, std::string *keep, unsigned long long *count, size_t limit) {
  char buffer[1 << 16];
  ssize_t got = read(fd, buffer, std::min(sizeof buffer, limit));
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (got <= 0) return false;
  if (count != nullptr) *count += (unsigned long long)got;
  if (keep->size() < 2 * KEEP) {
    keep->append(buffer, (size_t)got);
  } else {  // keep the first KEEP bytes and the last KEEP
    keep->append(buffer, (size_t)got);
    keep->erase(KEEP, keep->size() - 2 * KEEP);
  }
  return true;
}

}  // namespace

ChildResult RunChild(const ChildSpec &setup) {
  ChildResult r;
  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2];
  int in, out;
  if (setup.feed) {
    if (pipe2(inPipe, O_CLOEXEC) != 0) return r;
    fcntl(inPipe[1], F_SETPIPE_SZ, 1 << 20);  // fewer wake-ups for big feeds; best effort
    in = inPipe[0];
  } else {
    in = open(setup.stdinPath.empty() ? "/dev/null" : setup.stdinPath.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (setup.captureStdout) {
    if (pipe2(outPipe, O_CLOEXEC) != 0) return r;
    out = outPipe[1];
  } else {
    out = open("/dev/null", O_WRONLY | O_CLOEXEC);
  }
  if (pipe2(errPipe, O_CLOEXEC) != 0) return r;

  pid_t pid = fork();
  if (pid == 0) ExecChild(setup, in, out, errPipe[1]);
  if (inPipe[0] >= 0) close(inPipe[0]);
  if (!setup.feed && in >= 0) close(in);
  close(out);
  close(errPipe[1]);

  int feedFd = setup.feed ? inPipe[1] : -1, errFd = errPipe[0], outFd = outPipe[0], drainFd = setup.drainFd;
  for (int fd : {feedFd, errFd, outFd, drainFd}) {
    if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  signal(SIGPIPE, SIG_IGN);  // a child that stops reading is no reason for the tests to die
  const std::string *piece = nullptr;
  size_t written = 0;
  if (setup.feed) piece = &setup.feed();
  const double deadline = Now() + setup.seconds;
  int status = 0;
  bool exited = false;
  size_t drainedBytes = 0;
  auto drain = [&]() {  // false once drainFd is done with
    size_t before = r.drained.size();
    bool more = Drain(drainFd, &r.drained, nullptr, setup.drainLimit - drainedBytes);
    drainedBytes += r.drained.size() - before;
    return more && drainedBytes < setup.drainLimit;
  };
  for (;;) {
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    if (exited) {
      // Nobody reads standard input any more; what the FIFO holds is all
      // there will be (one that was never opened for writing stays silent).
      if (feedFd >= 0) close(feedFd), feedFd = -1;
      while (drainFd >= 0 && drainedBytes < setup.drainLimit && drain()) {
        if (Now() > deadline) break;
      }
      if (drainFd >= 0) close(drainFd), drainFd = -1;
      if (errFd < 0 && outFd < 0) break;
    }
    if (Now() > deadline) {
      if (!exited) kill(pid, SIGKILL), waitpid(pid, &status, 0);
      r.timedOut = true;
      break;
    }
    pollfd fds[4];
    int n = 0;
    if (feedFd >= 0) fds[n++] = {feedFd, POLLOUT, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (drainFd >= 0) fds[n++] = {drainFd, POLLIN, 0};
    poll(fds, (nfds_t)n, 20);
    for (int i = 0; i < n; i++) {
      if (fds[i].revents == 0) continue;
      int fd = fds[i].fd;
      if (fd == feedFd) {
        ssize_t put = write(fd, piece->data() + written, piece->size() - written);
        if (put < 0 && errno != EAGAIN && errno != EINTR) {  // the child stopped reading
          close(feedFd), feedFd = -1;
          continue;
        }
        if (put > 0) written += (size_t)put;
        if (written == piece->size()) {
          piece = &setup.feed();
          written = 0;
          if (piece->empty()) close(feedFd), feedFd = -1;
        }
      } else if (fd == errFd) {
        if (!Drain(fd, &r.err, nullptr, ~0ul)) close(errFd), errFd = -1;
      } else if (fd == outFd) {
        if (!Drain(fd, &r.out, &r.outBytes, ~0ul)) close(outFd), outFd = -1;
      } else if (fd == drainFd && !drain() && drainedBytes >= setup.drainLimit) {
        close(drainFd), drainFd = -1;  // the reader goes away
      }
    }
  }
  for (int fd : {feedFd, errFd, outFd, drainFd}) {
    if (fd >= 0) close(fd);
  }
  // A coverage build's runtime complains when a file size limit stops it
  // too; that is the test's doing, not the program's.
  for (size_t at; (at = r.err.find("libgcov profiling error:")) != std::string::npos;) {
    size_t end = r.err.find('\n', at);
    r.err.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
  }
  if (WIFEXITED(status) && !r.timedOut) r.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

std::string FileBytes(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> ListDirectory(const std::string &dir) {
  std::vector<std::string> names;
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d)) {
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string MakeScratchDirectory() {
  char pattern[] = "/tmp/wordhex-robust-XXXXXX";
  return mkdtemp(pattern) != nullptr ? pattern : "";
}

void RemoveTree(const std::string &dir) {
  if (dir.size() > 5) (void)!system(("rm -rf '" + dir + "'").c_str());
}
