// Process start to first paint, offscreen: the console against a bare QWidget
// program, each started alternately a number of times, medians compared.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Measures.h"

extern char** environ;

namespace {

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from just before the spawn to the probe's first paint; -1 on failure.
double StartToFirstPaint(const std::string& probe, std::vector<std::string> arguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  arguments.insert(arguments.begin(), probe);
  std::vector<char*> args;
  for (std::string& argument : arguments) args.push_back(argument.data());
  args.push_back(nullptr);
  pid_t child = 0;
  const long long started = MonotonicNs();
  const int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return -1;
  }
  char text[64] = {};
  const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got <= 0) return -1;
  return (std::atoll(text) - started) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string self = argv[0];
  const std::string probe = self.substr(0, self.find_last_of('/') + 1) + "startup_probe";
  // The console's data folder exists from its first start on, as this one does.
  std::string folderTemplate = (std::filesystem::temp_directory_path() / "startup-XXXXXX").string();
  if (mkdtemp(folderTemplate.data()) == nullptr) {
    std::perror("startup_bench: mkdtemp");
    return 1;
  }
  const std::filesystem::path folder = folderTemplate;
  constexpr int kRuns = 31;
  std::vector<double> console, bare;
  for (int run = 0; run < kRuns; ++run) {
    const double c = StartToFirstPaint(probe, {"console", folder.string()});
    const double b = StartToFirstPaint(probe, {"bare"});
    if (c < 0 || b < 0) {
      std::filesystem::remove_all(folder);
      std::fprintf(stderr, "startup_bench: cannot run %s\n", probe.c_str());
      return 1;
    }
    console.push_back(c);
    bare.push_back(b);
  }
  std::filesystem::remove_all(folder);
  (void)argc;
  const double consoleMs = Median(console);
  const double bareMs = Median(bare);
  std::printf("startup: console %.1f ms, bare QWidget %.1f ms to first paint (medians of %d)\n",
              consoleMs, bareMs, kRuns);
  std::printf("ratio startup %.3f\n", consoleMs / bareMs);
  return 0;
}
