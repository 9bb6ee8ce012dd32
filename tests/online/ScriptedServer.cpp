#include "online/ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

ScriptedServer::ScriptedServer() {
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Delete(".*", handler);
    server.Patch(".*", handler);
    port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        return;
    }
    listener = std::thread([this] { server.listen_after_bind(); });
    // stop() is ignored until the accept loop runs, so wait for it (bounded).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server.is_running() && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ScriptedServer::~ScriptedServer() {
    if (listener.joinable()) {
        server.stop();
        listener.join();
    }
}

void ScriptedServer::answer(const std::string& path, int status, const std::string& body,
                            const httplib::Headers& headers) {
    const std::lock_guard<std::mutex> lock(mutex);
    answers[path] = Answer{status, body, headers};
}

std::vector<ScriptedServer::Request> ScriptedServer::requests() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

void ScriptedServer::handle(const httplib::Request& request, httplib::Response& response) {
    const std::lock_guard<std::mutex> lock(mutex);
    recorded.push_back(Request{request.method, request.target, request.headers, request.body});
    const auto found = answers.find(request.path);
    if (found == answers.end()) {
        response.status = 404;
        response.set_content(R"({"message":"no route"})", "application/json");
        return;
    }
    response.status = found->second.status;
    for (const auto& [key, value] : found->second.headers) {
        response.set_header(key, value);
    }
    if (!found->second.body.empty()) {
        response.set_content(found->second.body, "application/json");
    }
}

int ScriptedServer::unusedPort() {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    if (sock < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    int port = -1;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(sock);
    return port;
}
