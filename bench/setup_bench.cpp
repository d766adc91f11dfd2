// KerfloomSetup as a user runs it, without a display: from start until the
// (quiet) installer has been launched and has installed, on the real payload.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long fileSize(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 ? long(st.st_size) : -1;
}

void BM_SetupStartToInstaller(benchmark::State &state)
{
    char pattern[] = "/tmp/setup-bench-XXXXXX";
    const std::string temp = mkdtemp(pattern) ? pattern : "";
    if (temp.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    for (auto _ : state) {
        pid_t pid = fork();
        if (pid == 0) {
            setenv("TMPDIR", temp.c_str(), 1);
            // The installer really installs: everything it writes stays in
            // the temporary folder.
            setenv("ProgramFiles", (temp + "/pf").c_str(), 1);
            setenv("HOME", (temp + "/home").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (temp + "/home/.config").c_str(), 1);
            setenv("XDG_DATA_HOME", (temp + "/home/.local/share").c_str(), 1);
            setenv("XDG_CONFIG_DIRS", (temp + "/etcxdg").c_str(), 1);
            unsetenv("DISPLAY");
            freopen("/dev/null", "w", stderr);
            freopen("/dev/null", "w", stdout);
            execl(KERFLOOM_SETUP, KERFLOOM_SETUP, static_cast<char *>(nullptr));
            _exit(126);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("KerfloomSetup failed");
        state.PauseTiming();
        const std::string clean = "rm -rf '" + temp + "'/*";
        if (std::system(clean.c_str()) != 0)
            state.SkipWithError("cannot clean up");
        state.ResumeTiming();
    }
    rmdir(temp.c_str());
    state.counters["payload_bytes"] = double(fileSize(KERFLOOM_SETUP_PAYLOAD));
    state.counters["setup_bytes"] = double(fileSize(KERFLOOM_SETUP));
}
BENCHMARK(BM_SetupStartToInstaller)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
