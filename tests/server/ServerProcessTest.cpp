// The real vollarin-server program: where its secret comes from, and its
// refusal to serve the public demo secret beyond this machine.

#include "BuildPaths.h"
#include "TestBackend.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// The program with its output on a pipe.
class ServerProcess {
public:
    ServerProcess(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& extraEnvironment) {
        int pipeEnds[2];
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
        std::vector<std::string> argumentText{VOLLARIN_SERVER_EXE};
        argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : argumentText) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environmentText;
        for (char** variable = environ; *variable; ++variable) {
            if (std::string(*variable).rfind("VOLLARIN_JWT_SECRET=", 0) != 0) {
                environmentText.emplace_back(*variable);
            }
        }
        environmentText.insert(environmentText.end(), extraEnvironment.begin(),
                               extraEnvironment.end());
        std::vector<char*> envp;
        for (auto& variable : environmentText) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        output = pipeEnds[0];
        if (spawned != 0) {
            throw std::runtime_error("cannot start " + std::string(argv[0]));
        }
    }
    ~ServerProcess() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(output);
    }

    // Reads output until the text appears, the program ends or time runs out.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (text.empty() || printed.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{output, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            std::array<char, 4096> chunk{};
            const auto got = ::read(output, chunk.data(), chunk.size());
            if (got <= 0) {
                return false;
            }
            printed.append(chunk.data(), static_cast<std::size_t>(got));
        }
        return true;
    }

    // The exit status once the program has ended by itself.
    int exitCode() {
        waitForOutput("", 10s);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void terminate() { ::kill(pid, SIGTERM); }

    std::string printed;

private:
    pid_t pid = -1;
    int output = -1;
};

int portFrom(const std::string& printed) {
    const auto listening = printed.find("listening on http://127.0.0.1:");
    return listening == std::string::npos ? 0 : std::stoi(printed.substr(listening + 30));
}

TEST(ServerProcessTest, RefusesToServeTheDemoSecretBeyondThisMachine) {
    servertest::TemporaryDirectory directory;
    const auto database = directory.path / "refused.db";
    for (const char* address : {"0.0.0.0", "::", "192.0.2.1"}) {
        ServerProcess server({"--address", address, "--port", "0", "--db", database.string()}, {});
        EXPECT_EQ(server.exitCode(), 2) << address;
        EXPECT_NE(server.printed.find("demo secret"), std::string::npos) << server.printed;
        EXPECT_NE(server.printed.find("--allow-demo-secret"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(database));
}

TEST(ServerProcessTest, TakesItsSecretFromTheEnvironmentOrAFile) {
    servertest::TemporaryDirectory directory;
    const std::string secret = "a-secret-from-outside-the-process-list-0123";
    const backend::TokenService tokens(secret);
    const std::string ownKey = tokens.sign({{"role", "anon"}});
    { std::ofstream(directory.path / "secret") << secret << "\n"; }
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> launches = {
        {{}, {"VOLLARIN_JWT_SECRET=" + secret}},
        {{"--jwt-secret-file", (directory.path / "secret").string()}, {}},
    };
    for (const auto& [arguments, environment] : launches) {
        std::vector<std::string> all = {"--port", "0", "--db",
                                        (directory.path / "process.db").string(), "--quiet"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        ServerProcess server(all, environment);
        ASSERT_TRUE(server.waitForOutput("anon key for this secret", 10s)) << server.printed;
        EXPECT_EQ(server.printed.find(secret), std::string::npos);
        httplib::Client client("127.0.0.1", portFrom(server.printed));
        const auto own = client.Get("/auth/v1/health", {{"apikey", ownKey}});
        ASSERT_TRUE(own);
        EXPECT_EQ(own->status, 200);
        const auto demo = client.Get("/auth/v1/health", {{"apikey", servertest::DEMO_ANON_KEY}});
        ASSERT_TRUE(demo);
        EXPECT_EQ(demo->status, 401);
        server.terminate();
        EXPECT_EQ(server.exitCode(), 0);
    }
}

} // namespace
