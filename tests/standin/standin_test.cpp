// The stand-in registry as a store: where it lives and with which permissions, that it
// persists across processes, survives a killed writer, shares with a concurrent one, and turns
// store failures into registry statuses.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Result {
    int exit_code;
    std::string out;
};

class Standin : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("quorvane-standin-" + std::to_string(getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        env_ = {"XDG_DATA_HOME=" + (root_ / "data").string(), "HOME=" + (root_ / "home").string()};
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path store() const { return root_ / "data" / "quorvane" / "registry.db"; }

    // Starts the tool with this test's environment; returns its process id.
    pid_t start(const std::vector<std::string>& args, const std::string& out_file) const {
        std::vector<std::string> argv_strings = {QUORVANE_STANDIN_TOOL};
        argv_strings.insert(argv_strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const std::string& arg : argv_strings) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : env_) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    static int wait_for(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    Result tool(const std::vector<std::string>& args) const {
        const std::string out_file = (root_ / "out.txt").string();
        const int code = wait_for(start(args, out_file));
        std::ifstream in(out_file);
        return {code, std::string(std::istreambuf_iterator<char>(in), {})};
    }

    fs::path root_;
    std::vector<std::string> env_;
};

fs::perms mode(const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; }

TEST_F(Standin, LivesUnderXdgDataHomeOwnerOnly) {
    EXPECT_EQ(tool({"set", "A", "v", "1", "x"}).out, "0\n");
    EXPECT_EQ(mode(store().parent_path()), fs::perms::owner_all);
    EXPECT_EQ(mode(store()), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(root_ / "home" / ".local"));
}

TEST_F(Standin, DefaultsToTheHomeFolderWithoutXdgDataHome) {
    env_ = {"HOME=" + (root_ / "home").string()};
    EXPECT_EQ(tool({"set", "A", "v", "1", "x"}).out, "0\n");
    EXPECT_TRUE(fs::exists(root_ / "home" / ".local" / "share" / "quorvane" / "registry.db"));
    env_ = {"XDG_DATA_HOME=relative/ignored", "HOME=" + (root_ / "home").string()};
    EXPECT_EQ(tool({"get", "a", "V"}).out, "0 x\n");
}

TEST_F(Standin, AValueWrittenByOneProcessIsReadByTheNext) {
    EXPECT_EQ(tool({"set", "Software\\Acme", "Home", "2", "%QV_NOT_SET%"}).out, "0\n");
    EXPECT_EQ(tool({"get", "SOFTWARE\\acme", "home"}).out, "0 %QV_NOT_SET%\n");
}

TEST_F(Standin, TwoProcessesWritingAtOnceLoseNothing) {
    const pid_t a = start({"fill", "A", "400"}, (root_ / "a.txt").string());
    const pid_t b = start({"fill", "B", "400"}, (root_ / "b.txt").string());
    EXPECT_EQ(wait_for(a), 0);
    EXPECT_EQ(wait_for(b), 0);
    for (const char* subkey : {"A", "B"}) {
        for (int i : {0, 199, 399}) {
            EXPECT_EQ(tool({"get", subkey, std::to_string(i)}).out, "0 " + std::string(subkey) + ":" + std::to_string(i) + "\n");
        }
    }
}

TEST_F(Standin, ProcessesCreatingTheStoreAtOnceAllSucceed) {
    for (int attempt = 0; attempt < 30; ++attempt) {
        fs::remove_all(root_ / "data");
        std::vector<pid_t> writers;
        for (int w = 0; w < 8; ++w) {
            writers.push_back(start({"fill", "W" + std::to_string(w), "1"}, (root_ / ("w" + std::to_string(w))).string()));
        }
        for (pid_t writer : writers) EXPECT_EQ(wait_for(writer), 0) << "attempt " << attempt;
    }
}

TEST_F(Standin, EveryAcknowledgedWriteSurvivesAKilledWriter) {
    const std::string acks = (root_ / "acks.txt").string();
    const pid_t writer = start({"storm", "4", acks}, (root_ / "storm.txt").string());
    // Kill it once it is well into its writes.
    for (int waited = 0; waited < 200 && (!fs::exists(acks) || fs::file_size(acks) < 4000); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    kill(writer, SIGKILL);
    EXPECT_EQ(wait_for(writer), 128 + SIGKILL);
    const Result verified = tool({"verify", acks});
    EXPECT_EQ(verified.exit_code, 0) << verified.out;
    EXPECT_GT(std::stol(verified.out), 400);
}

TEST_F(Standin, AReadOnlyStoreRefusesWritesWithStatus5AndStillReads) {
    ASSERT_EQ(tool({"set", "A", "v", "1", "before"}).out, "0\n");
    fs::permissions(store(), fs::perms::owner_read);
    EXPECT_EQ(tool({"set", "A", "v", "1", "after"}).out, "5\n");
    EXPECT_EQ(tool({"set", "A", "new", "1", "after"}).out, "5\n");
    EXPECT_EQ(tool({"get", "A", "v"}).out, "0 before\n");
    EXPECT_EQ(tool({"get", "A", "new"}).out, "2 \n");
}

TEST_F(Standin, AStoreLockedBeyondTheBusyTimeoutGivesStatus170) {
    ASSERT_EQ(tool({"set", "A", "v", "1", "x"}).out, "0\n");
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(store().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(tool({"set", "A", "v", "1", "y"}).out, "170\n");
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(tool({"get", "A", "v"}).out, "0 x\n");
}

TEST(StandinMessages, AreTheWindowsTexts) {
    const std::pair<quorvane::platform::Status, const char*> texts[] = {
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {8, "Not enough memory resources are available to process this command.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {161, "The specified path is invalid.\r\n"},
        {170, "The requested resource is in use.\r\n"},
        {1009, "The configuration registry database is corrupt.\r\n"},
        {1630, "Data of this type is not supported.\r\n"},
    };
    for (const auto& [status, text] : texts) {
        char buffer[500] = "";
        EXPECT_EQ(quorvane::platform::format_message(status, buffer, sizeof buffer), std::strlen(text));
        EXPECT_STREQ(buffer, text);
    }
    // No text: the lookup fails and leaves the buffer as it was, as FormatMessageA does.
    char buffer[500] = "as it was";
    EXPECT_EQ(quorvane::platform::format_message(4242, buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "as it was");
}

TEST_F(Standin, StoreFailuresBecomeRegistryStatuses) {
    // A folder that cannot be made (a read-only file system even for root).
    env_ = {"XDG_DATA_HOME=/sys/quorvane-test"};
    EXPECT_EQ(tool({"set", "A", "v", "1", "x"}).out, "5\n");
    EXPECT_EQ(tool({"get", "A", "v"}).out, "5 \n");
    // A file that is not a store.
    SetUp();
    fs::create_directories(store().parent_path());
    std::ofstream(store()) << std::string(8192, 'x');
    EXPECT_EQ(tool({"set", "A", "v", "1", "x"}).out, "1009\n");
    EXPECT_EQ(tool({"get", "A", "v"}).out, "1009 \n");
}

}  // namespace
