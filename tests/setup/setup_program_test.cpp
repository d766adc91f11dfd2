// The setup executables run as a user runs them, on test payloads of 11 files
// and 3 folders whose installer is a recording script.
#include "childrun.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>
#include <sstream>
#include <vector>

using namespace setuptest;

namespace {

struct PayloadEntry
{
    const char *path;   // below BrenmoorInstaller/
    const char *source; // the file that went into the payload
};
const PayloadEntry Entries[] = {SETUP_TEST_ENTRIES};

std::vector<std::string> listDir(const std::string &path)
{
    std::vector<std::string> names;
    if (DIR *dir = opendir(path.c_str())) {
        while (dirent *e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

std::vector<int> progressOf(const std::string &errorOutput)
{
    std::vector<int> values;
    std::istringstream lines(errorOutput);
    std::string line;
    const std::regex progress(R"(^Preparing installer\.\.\. (\d+)%$)");
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, m, progress))
            values.push_back(std::stoi(m[1]));
    }
    return values;
}

std::string recordValue(const std::string &record, const std::string &key)
{
    std::smatch m;
    const std::regex line("(^|\n)" + key + "=([^\n]*)");
    return std::regex_search(record, m, line) ? m[2].str() : std::string("<missing>");
}

class SetupProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        temp = makeTempDir();
        ASSERT_FALSE(temp.empty());
        record = temp + "-record";
        options.env = {{"TMPDIR", temp}, {"DISPLAY", ""}, {"KERFLOOM_SETUP_RECORD", record},
                       {"KERFLOOM_SETUP_EXIT", "7"}};
    }
    void TearDown() override
    {
        removeTree(temp);
        unlink(record.c_str());
    }
    // The one work folder the setup made in the temporary folder.
    std::string workFolder()
    {
        const std::vector<std::string> names = listDir(temp);
        EXPECT_EQ(names.size(), 1u);
        if (names.size() != 1)
            return "<none>";
        EXPECT_TRUE(std::regex_match(names[0], std::regex("[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}")))
            << names[0];
        return temp + "/" + names[0];
    }
    std::string temp, record;
    RunOptions options;
};

} // namespace

TEST_F(SetupProgramTest, UnpacksEveryFileAndRunsTheInstallerQuietlyWithoutDisplay)
{
    const RunResult run = runProgram(SETUP_TEST_PROGRAM, options);
    EXPECT_EQ(run.exitCode, 7) << run.errorOutput; // the installer's own code
    const std::string work = workFolder();

    for (const PayloadEntry &e : Entries) {
        const std::string unpacked = work + "/BrenmoorInstaller/" + e.path;
        EXPECT_EQ(readFile(unpacked), readFile(e.source)) << e.path;
    }
    EXPECT_EQ(access((work + "/BrenmoorInstaller/BrenmoorInstaller").c_str(), X_OK), 0);
    EXPECT_NE(access((work + "/data.lzma").c_str(), F_OK), 0);

    const std::string started = readFile(record);
    EXPECT_EQ(recordValue(started, "args"), "/quiet");
    EXPECT_EQ(recordValue(started, "cwd"), work + "/BrenmoorInstaller");
    EXPECT_EQ(recordValue(started, "pgid"), recordValue(started, "pid")); // its own group

    // 5, one step per file (position i of 14 entries, folders last), 98, 100.
    std::vector<int> expected{5};
    for (int i = 1; i < 11; ++i)
        expected.push_back(5 + 93 * i / 14);
    expected.insert(expected.end(), {98, 100});
    EXPECT_EQ(progressOf(run.errorOutput), expected);
    EXPECT_EQ(expected[10], 71);
}

TEST_F(SetupProgramTest, UnusableTemporaryFolderStopsBeforeAnythingIsWritten)
{
    const std::string aFile = temp + "/plain-file";
    {
        FILE *f = fopen(aFile.c_str(), "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
    }
    for (const std::string &tmp : {temp + "/missing/deeper", aFile}) {
        options.env["TMPDIR"] = tmp;
        const RunResult run = runProgram(SETUP_TEST_PROGRAM, options);
        EXPECT_EQ(run.exitCode, 1) << tmp;
        EXPECT_NE(run.errorOutput.find("Error: Cannot create temp directory! Check your permissions.\n"),
                  std::string::npos) << run.errorOutput;
        EXPECT_TRUE(progressOf(run.errorOutput).empty());
    }
    EXPECT_NE(access(record.c_str(), F_OK), 0);
}

TEST_F(SetupProgramTest, PayloadThatCannotBeWrittenNamesTheFile)
{
    options.fileSizeLimit = 1000; // as a full disk would
    const RunResult run = runProgram(SETUP_TEST_PROGRAM, options);
    EXPECT_EQ(run.exitCode, 1);
    const std::string expected = "Error: Cannot extract installer to \"" + workFolder()
        + "/data.lzma\"! Check your permissions.\n";
    EXPECT_NE(run.errorOutput.find(expected), std::string::npos) << run.errorOutput;
    EXPECT_NE(access(record.c_str(), F_OK), 0);
}

TEST_F(SetupProgramTest, DamagedPayloadIsReportedAndNothingIsStarted)
{
    const RunResult run = runProgram(SETUP_TEST_DAMAGED, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("Error: Cannot extract files! Check your permissions.\n"),
              std::string::npos) << run.errorOutput;
    const std::vector<int> progress = progressOf(run.errorOutput);
    EXPECT_TRUE(std::find(progress.begin(), progress.end(), 98) == progress.end());
    EXPECT_NE(access(record.c_str(), F_OK), 0);
    // The damage lies behind the main program, which did arrive: its presence
    // alone must not count as a complete unpacking.
    EXPECT_EQ(access((workFolder() + "/BrenmoorInstaller/app/Kerfloom").c_str(), F_OK), 0);
}

TEST_F(SetupProgramTest, InstallerThatCannotBeStartedIsReported)
{
    const RunResult run = runProgram(SETUP_TEST_NOLAUNCH, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("Error: Cannot launch installer! Check your permissions.\n"), std::string::npos)
        << run.errorOutput;
    const std::vector<int> progress = progressOf(run.errorOutput);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 98);
}

TEST_F(SetupProgramTest, ShowsItsWindowOnADisplayAndLeavesTheInstallerRunning)
{
    VirtualDisplay display;
    if (display.display().empty())
        GTEST_SKIP() << "Xvfb is not available";
    if (access("/usr/bin/xwininfo", X_OK) != 0 || access("/usr/bin/xprop", X_OK) != 0)
        GTEST_SKIP() << "x11-utils is not installed";
    options.env["DISPLAY"] = display.display();
    const RunResult run = runProgram(SETUP_TEST_PROGRAM, options);
    EXPECT_EQ(run.exitCode, 0) << run.errorOutput; // started, not waited for
    EXPECT_TRUE(progressOf(run.errorOutput).empty());

    const std::string seen = readFile(record);
    EXPECT_EQ(recordValue(seen, "args"), "");
    EXPECT_NE(seen.find("Width: 545\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("Height: 76\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("WM_NAME(STRING) = \"Brenmoor Installer\""), std::string::npos) << seen;
    EXPECT_NE(seen.find("_NET_WM_NAME(UTF8_STRING) = \"Brenmoor Installer\""), std::string::npos) << seen;
    EXPECT_NE(seen.find("WM_CLASS(STRING) = \"KerfloomSetup\", \"KerfloomSetup\""), std::string::npos) << seen;
    for (const char *size : {"Icon (16 x 16):", "Icon (32 x 32):", "Icon (48 x 48):"})
        EXPECT_NE(seen.find(size), std::string::npos) << size << "\n" << seen;
}

// Closes the first top-level window titled `title` as a window manager's
// close button does; false when none appeared within five seconds.
static bool closeWindowTitled(const std::string &display, const char *title)
{
    Display *dpy = XOpenDisplay(display.c_str());
    if (!dpy)
        return false;
    bool closed = false;
    for (int attempt = 0; attempt < 100 && !closed; ++attempt) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !closed; ++i) {
            char *name = nullptr;
            if (XFetchName(dpy, children[i], &name) && name) {
                if (std::string(name) == title) {
                    XEvent ev{};
                    ev.xclient.type = ClientMessage;
                    ev.xclient.window = children[i];
                    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
                    ev.xclient.format = 32;
                    ev.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
                    ev.xclient.data.l[1] = CurrentTime;
                    XSendEvent(dpy, children[i], False, NoEventMask, &ev);
                    XFlush(dpy);
                    closed = true;
                }
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        if (!closed)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    XCloseDisplay(dpy);
    return closed;
}

TEST_F(SetupProgramTest, ErrorBoxOnADisplayWaitsForTheUserThenEndsTheSetup)
{
    VirtualDisplay display;
    if (display.display().empty())
        GTEST_SKIP() << "Xvfb is not available";
    options.env["DISPLAY"] = display.display();
    options.env["TMPDIR"] = temp + "/missing/deeper";
    options.timeoutSeconds = 20;
    std::atomic<bool> closed{false};
    std::thread user([&] { closed = closeWindowTitled(display.display(), "Error"); });
    const RunResult run = runProgram(SETUP_TEST_PROGRAM, options);
    user.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errorOutput.find("Error: Cannot create temp directory! Check your permissions."),
              std::string::npos) << run.errorOutput;
}
