#pragma once

#include <httplib.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback HTTP server for the client tests: it answers each path with what
// the test scripted (404 for anything else) and records every request.
class ScriptedServer {
public:
    struct Request {
        std::string method;
        std::string target; // path with its query
        httplib::Headers headers;
        std::string body;

        bool hasHeader(const std::string& key) const { return headers.count(key) > 0; }
        std::size_t headerCount(const std::string& key) const { return headers.count(key); }
        std::string header(const std::string& key) const {
            const auto found = headers.find(key);
            return found == headers.end() ? std::string() : found->second;
        }
    };

    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // `path` is matched without its query; `headers` go out with the answer.
    void answer(const std::string& path, int status, const std::string& body,
                const httplib::Headers& headers = {});

    std::vector<Request> requests() const;
    bool isListening() const { return port > 0; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port); }

    // A loopback port that nothing listens on.
    static int unusedPort();

private:
    struct Answer {
        int status;
        std::string body;
        httplib::Headers headers;
    };

    void handle(const httplib::Request& request, httplib::Response& response);

    httplib::Server server;
    int port = -1;
    std::thread listener;
    mutable std::mutex mutex;
    std::map<std::string, Answer> answers;
    std::vector<Request> recorded;
};
