#include "online/BackendTransport.h"

#include "online/SocketWatch.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <utility>

namespace {

// A dead backend must fail well before the deadline so the player hears
// "Network error" rather than waiting it out.
constexpr std::chrono::milliseconds CONNECTION_TIMEOUT{3000};
// How often the waiting caller looks at the connection's byte count.
constexpr std::chrono::milliseconds WATCH_INTERVAL{5};
// How long a cut-off exchange may take to notice; a worker still busy then
// (a name lookup cannot be interrupted) is left to finish on its own.
constexpr std::chrono::milliseconds CUT_OFF_GRACE{200};
// Status line, headers and TLS framing on top of the body: everything the
// connection may receive before the answer counts as too large.
constexpr std::size_t MAX_WIRE_BYTES = BackendTransport::MAX_ANSWER_BYTES + 64 * 1024;
constexpr int DEFAULT_HTTPS_PORT = 443;
constexpr const char* JSON_CONTENT_TYPE = "application/json";

struct UrlParts {
    std::string scheme;
    std::string host; // may carry ":port"
};

// "scheme://host[:port][/path]"; without "://" the whole text is the host of
// a plain http URL. Any path is dropped: every request path is absolute.
UrlParts splitBaseUrl(const std::string& url) {
    UrlParts parts{"http", url};
    const std::size_t separator = url.find("://");
    if (separator != std::string::npos) {
        parts.scheme = url.substr(0, separator);
        parts.host = url.substr(separator + 3);
    }
    parts.host = parts.host.substr(0, parts.host.find('/'));
    return parts;
}

std::optional<int> readPort(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int port = std::stoi(text);
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// The TLS client takes the host name and the port separately.
std::pair<std::string, int> splitHostPort(const std::string& host) {
    const std::size_t colon = host.rfind(':');
    const std::size_t bracket = host.rfind(']');
    std::string name = host;
    int port = DEFAULT_HTTPS_PORT;
    if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
        if (const std::optional<int> written = readPort(host.substr(colon + 1))) {
            name = host.substr(0, colon);
            port = *written;
        }
    }
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    return {name, port};
}

httplib::Result noResponse(httplib::Error error = httplib::Error::Unknown) {
    return httplib::Result(nullptr, error);
}

bool declaresTooMuch(const httplib::Response& response) {
    const std::string declared = response.get_header_value("Content-Length");
    std::size_t length = 0;
    const auto [end, error] =
        std::from_chars(declared.data(), declared.data() + declared.size(), length);
    if (declared.empty() || end != declared.data() + declared.size()) {
        return false; // none or unreadable: the receiver counts instead
    }
    return error == std::errc::result_out_of_range || length > BackendTransport::MAX_ANSWER_BYTES;
}

// What the caller and the worker thread of one exchange share. The worker
// may outlive the caller's wait, so it holds its own reference.
struct ExchangeState {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;     // the worker has stored its outcome
    bool over = false;     // the caller stopped waiting: no connection may start now
    bool tooLarge = false; // the worker refused the answer's length
    SocketWatch watch;
    std::unique_ptr<httplib::Response> response;
    httplib::Error error = httplib::Error::Unknown;
};

// Runs on the worker thread: the whole HTTP exchange, with the library's own
// per-read time-outs as a back-stop to the caller's deadline.
template <typename Client>
void perform(Client& client, ExchangeState& state, httplib::Request request,
             std::chrono::milliseconds deadline) {
    client.set_follow_location(false);
    // The head and the body go out in two writes; without this the body
    // waits for the server's delayed acknowledgement, some 40 ms each time.
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(std::min(CONNECTION_TIMEOUT, deadline));
    client.set_read_timeout(deadline);
    client.set_write_timeout(deadline);
    client.set_socket_options([&state](socket_t socket) {
        const std::lock_guard<std::mutex> lock(state.mutex);
        if (state.over) {
            SocketWatch::disable(socket);
        } else {
            state.watch = SocketWatch(socket);
        }
    });

    std::string body;
    auto refuse = [&state] {
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.tooLarge = true;
        return false;
    };
    request.response_handler = [&](const httplib::Response& response) {
        return declaresTooMuch(response) ? refuse() : true;
    };
    request.content_receiver = [&](const char* data, std::size_t length, std::uint64_t,
                                   std::uint64_t) {
        if (length > BackendTransport::MAX_ANSWER_BYTES - body.size()) {
            return refuse();
        }
        body.append(data, length);
        return true;
    };

    auto response = std::make_unique<httplib::Response>();
    httplib::Error error = httplib::Error::Success;
    const bool answered = client.send(request, *response, error);
    response->body = std::move(body);

    const std::lock_guard<std::mutex> lock(state.mutex);
    state.response = answered ? std::move(response) : nullptr;
    state.error = answered ? httplib::Error::Success : error;
    state.done = true;
    state.finished.notify_all();
}

httplib::Request makeRequest(const std::string& method, const std::string& path,
                             const httplib::Headers& headers, const std::string& body) {
    httplib::Request request;
    request.method = method;
    request.path = path;
    request.headers = headers;
    // GET and DELETE carry no body; the content type goes in as a header all
    // the same, as the backend expects it on every request.
    request.headers.emplace("Content-Type", JSON_CONTENT_TYPE);
    if (method == "POST" || method == "PUT") {
        request.body = body;
    }
    return request;
}

} // namespace

BackendTransport::BackendTransport(const std::string& baseUrl, std::chrono::milliseconds deadline)
    : deadline(deadline) {
    const UrlParts url = splitBaseUrl(baseUrl);
    host = url.host;
    useHttps = url.scheme == "https";
    if (useHttps) {
        std::tie(tlsHost, tlsPort) = splitHostPort(url.host);
    }
}

httplib::Result BackendTransport::exchange(const std::string& method, const std::string& path,
                                           const httplib::Headers& headers,
                                           const std::string& body) const {
    if (method != "GET" && method != "POST" && method != "PUT" && method != "DELETE") {
        return noResponse();
    }
    if (abandoned->load()) {
        return noResponse(httplib::Error::Canceled);
    }
    const auto giveUpAt = std::chrono::steady_clock::now() + deadline;
    auto state = std::make_shared<ExchangeState>();
    std::thread worker;
    try {
        worker = std::thread([state, request = makeRequest(method, path, headers, body),
                              path = path, https = useHttps, host = host, tlsHost = tlsHost,
                              tlsPort = tlsPort, deadline = deadline]() mutable {
            try {
                if (https) {
                    httplib::SSLClient client(tlsHost, tlsPort);
                    perform(client, *state, std::move(request), deadline);
                } else {
                    httplib::Client client("http://" + host);
                    perform(client, *state, std::move(request), deadline);
                }
            } catch (const std::exception& error) {
                std::cerr << "BackendTransport: Request to " << path << " failed: " << error.what()
                          << std::endl;
                const std::lock_guard<std::mutex> lock(state->mutex);
                state->done = true;
                state->finished.notify_all();
            }
        });
    } catch (const std::exception& error) {
        std::cerr << "BackendTransport: Request to " << path << " failed: " << error.what()
                  << std::endl;
        return noResponse();
    }

    std::unique_lock<std::mutex> lock(state->mutex);
    bool timedOut = false;
    bool flooded = false;
    bool dropped = false;
    while (!state->done) {
        if (abandoned->load()) {
            dropped = true;
            break;
        }
        if (state->watch.bytesReceived() > MAX_WIRE_BYTES) {
            flooded = true;
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= giveUpAt) {
            timedOut = true;
            break;
        }
        state->finished.wait_until(lock, std::min(giveUpAt, now + WATCH_INTERVAL));
    }
    if (!state->done) {
        state->over = true;
        state->watch.cutOff();
        state->finished.wait_for(lock, CUT_OFF_GRACE, [&state] { return state->done; });
    }
    const bool workerDone = state->done;
    const bool tooLarge = flooded || state->tooLarge;
    std::unique_ptr<httplib::Response> response = std::move(state->response);
    const httplib::Error error = state->error;
    lock.unlock();
    if (workerDone) {
        worker.join();
    } else {
        worker.detach();
    }

    if (dropped) {
        return noResponse(httplib::Error::Canceled);
    }
    if (tooLarge) {
        std::cerr << "BackendTransport: The answer to " << path << " is larger than "
                  << MAX_ANSWER_BYTES << " bytes; refused." << std::endl;
        return noResponse(httplib::Error::Canceled);
    }
    if (timedOut) {
        std::cerr << "BackendTransport: No answer to " << path << " within "
                  << std::chrono::duration<double>(deadline).count() << " s; gave up." << std::endl;
        return noResponse(httplib::Error::Read);
    }
    if (!response) {
        return noResponse(error);
    }
    return httplib::Result(std::move(response), httplib::Error::Success);
}
