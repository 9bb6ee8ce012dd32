#include "server/HttpServer.h"

#include "server/CpuSet.h"
#include "server/HttpParsing.h"

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <iostream>
#include <list>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <thread>
#include <unordered_map>
#include <vector>

namespace backend {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// Read-ahead while waiting for a request, and what a closing connection
// drains so that the client sees its refusal instead of a reset.
constexpr std::size_t READ_CHUNK_BYTES = 4096;
constexpr std::size_t MAX_DRAINED_BYTES = 256 * 1024;
constexpr std::chrono::milliseconds DRAIN_TIME{1000};
constexpr std::chrono::milliseconds ACCEPT_RETRY_DELAY{50};

// Connections the process can hold: the limit, but within the descriptors
// it may open, with some to spare for the database and the log.
std::size_t connectionCapFor(const HttpLimits& limits) {
    constexpr rlim_t SPARE_DESCRIPTORS = 64;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) {
        return limits.maxConnections;
    }
    const rlim_t usable = files.rlim_cur > 2 * SPARE_DESCRIPTORS
                              ? files.rlim_cur - SPARE_DESCRIPTORS
                              : SPARE_DESCRIPTORS;
    return std::min<std::size_t>(limits.maxConnections, static_cast<std::size_t>(usable));
}

unsigned threadCountFor(const HttpLimits& limits) {
    return limits.ioThreads > 0 ? limits.ioThreads : usableCpuCount();
}

std::string addressText(const tcp::endpoint& endpoint) {
    auto address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address.to_string();
}

} // namespace

// A connection the server may close to make room: one waiting for a
// request, whether it has not sent a byte yet or is kept alive between
// requests.
class IdleConnection {
public:
    virtual ~IdleConnection() = default;
    // Called with the registry locked; closes the connection from its own
    // event loop.
    virtual void evict() = 0;

    // Its place in the server's idle list while it is there; guarded by the
    // server's registry lock.
    std::optional<std::list<IdleConnection*>::iterator> idleEntry;
};

class HttpServer::Impl {
public:
    Impl(Handler& handler, HttpLimits limits)
        : handler(handler), limits(limits), connectionCap(connectionCapFor(limits)),
          loops(makeLoops(threadCountFor(limits))), acceptor(*loops.front()),
          acceptRetry(*loops.front()) {}

    void accept();

    // One event loop per thread, each with the connections it was given,
    // as a thread pool of separate reactors: no connection's work waits on
    // another loop's locks.
    static std::vector<std::unique_ptr<asio::io_context>> makeLoops(unsigned count) {
        std::vector<std::unique_ptr<asio::io_context>> made;
        for (unsigned i = 0; i < count; ++i) {
            made.push_back(std::make_unique<asio::io_context>(1));
        }
        return made;
    }

    // Counts a new connection in for its address; false when the address
    // holds its share already.
    bool admit(const std::string& address) {
        std::lock_guard lock(registryMutex);
        auto& held = perAddress[address];
        if (limits.maxConnectionsPerAddress > 0 && held >= limits.maxConnectionsPerAddress) {
            if (held == 0) {
                perAddress.erase(address);
            }
            return false;
        }
        ++held;
        return true;
    }

    void release(const std::string& address) {
        std::lock_guard lock(registryMutex);
        const auto found = perAddress.find(address);
        if (found != perAddress.end() && --found->second == 0) {
            perAddress.erase(found);
        }
    }

    // Idle connections in the order they became idle: the front has waited
    // longest.
    void markIdle(IdleConnection* connection) {
        std::lock_guard lock(registryMutex);
        if (!connection->idleEntry) {
            connection->idleEntry = idle.insert(idle.end(), connection);
        }
    }

    void markBusy(IdleConnection* connection) {
        std::lock_guard lock(registryMutex);
        if (connection->idleEntry) {
            idle.erase(*connection->idleEntry);
            connection->idleEntry.reset();
        }
    }

    // Closes the connection idle the longest; false when none is idle.
    bool evictOldestIdle() {
        std::lock_guard lock(registryMutex);
        if (idle.empty()) {
            return false;
        }
        IdleConnection* oldest = idle.front();
        idle.pop_front();
        oldest->idleEntry.reset();
        oldest->evict();
        return true;
    }

    // An answer written at once to a connection that is not kept, so that
    // the client learns why instead of waiting or seeing a reset.
    void turnAway(tcp::socket& socket) {
        const auto answer = handler.refuse(503, {}, {});
        const std::string text =
            "HTTP/1.1 503 Service Unavailable\r\nContent-Type: " + answer.contentType +
            "\r\nContent-Length: " + std::to_string(answer.body.size()) +
            "\r\nConnection: close\r\nRetry-After: 1\r\n\r\n" + answer.body;
        beast::error_code ignored;
        socket.non_blocking(true, ignored);
        socket.write_some(asio::buffer(text), ignored);
        socket.shutdown(tcp::socket::shutdown_send, ignored);
        socket.close(ignored);
    }

    Handler& handler;
    const HttpLimits limits;
    const std::size_t connectionCap;
    std::mutex registryMutex;
    std::unordered_map<std::string, std::size_t> perAddress;
    std::list<IdleConnection*> idle;
    // Declared before the event loops: sessions destroyed with the loops'
    // pending work still count themselves out.
    std::atomic<std::size_t> connections{0};
    std::atomic<bool> running{false};
    std::vector<std::unique_ptr<asio::io_context>> loops;
    std::size_t nextLoop = 0;
    tcp::acceptor acceptor;
    asio::steady_timer acceptRetry;
    int boundPort = 0;
};

namespace {

// One client connection: waits for a request without holding a thread,
// reads it within the deadline and the size caps, hands it to the handler,
// writes the answer, and starts over while the client keeps it alive.
class Session : public std::enable_shared_from_this<Session>, public IdleConnection {
public:
    // The address was admitted by the server already.
    Session(tcp::socket socket, HttpServer::Impl& server, std::string address)
        : stream(std::move(socket)), server(server), limits(server.limits),
          buffer(limits.maxHeaderBytes + READ_CHUNK_BYTES), clientAddress(std::move(address)) {
        ++server.connections;
    }
    ~Session() override {
        server.markBusy(this);
        server.release(clientAddress);
        --server.connections;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() {
        asio::dispatch(stream.get_executor(),
                       [self = shared_from_this()] { self->awaitRequest(); });
    }

    void evict() override {
        if (auto self = weak_from_this().lock()) {
            asio::post(stream.get_executor(), [self] { self->closeNow(); });
        }
    }

private:
    // An idle connection only has a pending read here: a new one that has
    // not said anything yet, or a kept-alive one between requests.
    void awaitRequest() {
        if (buffer.size() > 0) {
            return startRequest();
        }
        stream.expires_after(requestsServed == 0 ? limits.firstByteTimeout : limits.idleTimeout);
        server.markIdle(this);
        readSome(READ_CHUNK_BYTES, &Session::startRequest);
    }

    // Reads what arrives, then goes on with next. A failed read (too slow,
    // reset, or closed half-way) leaves nobody to answer.
    void readSome(std::size_t bytes, void (Session::*next)()) {
        stream.async_read_some(buffer.prepare(bytes), [self = shared_from_this(), next](
                                                          beast::error_code error, std::size_t n) {
            if (error) {
                return self->closeNow();
            }
            self->buffer.commit(n);
            (self.get()->*next)();
        });
    }

    void startRequest() {
        server.markBusy(this);
        ++requestsServed;
        reader.emplace(limits);
        receivedAt = std::chrono::steady_clock::now();
        // One deadline for the header and the body together.
        stream.expires_after(limits.requestDeadline);
        proceed();
    }

    // Parses what has arrived. A request that came in one piece, as most
    // do, is handled without another trip through the event loop.
    void proceed() {
        std::string_view bytes(static_cast<const char*>(buffer.data().data()), buffer.size());
        const auto before = bytes.size();
        const auto state = reader->consume(bytes);
        buffer.consume(before - bytes.size());
        switch (state) {
        case httpparsing::RequestReader::State::Complete:
            return handleRequest();
        case httpparsing::RequestReader::State::Refused:
            return refuse(reader->refusalStatus());
        case httpparsing::RequestReader::State::Broken:
            return closeNow();
        case httpparsing::RequestReader::State::ContinueExpected: {
            static constexpr char CONTINUE[] = "HTTP/1.1 100 Continue\r\n\r\n";
            asio::async_write(stream, asio::buffer(CONTINUE, sizeof CONTINUE - 1),
                              [self = shared_from_this()](beast::error_code error, std::size_t) {
                                  if (error) {
                                      return self->closeNow();
                                  }
                                  self->readMore();
                              });
            return;
        }
        case httpparsing::RequestReader::State::NeedMore:
            return readMore();
        }
    }

    void readMore() {
        const auto room = buffer.max_size() - buffer.size();
        if (room == 0) {
            return refuse(431); // a header that never ends
        }
        readSome(std::min(room, READ_CHUNK_BYTES), &Session::proceed);
    }

    void handleRequest() {
        const bool keepAlive = reader->parser().keep_alive();
        const unsigned version = reader->parser().get().version();
        auto request = reader->take(clientAddress, receivedAt);
        reader.reset();
        auto reply = [self = shared_from_this(), keepAlive, version](HttpResponse response) {
            auto executor = self->stream.get_executor();
            asio::dispatch(executor,
                           [self, keepAlive, version, response = std::move(response)]() mutable {
                               self->write(std::move(response), keepAlive, version);
                           });
        };
        try {
            server.handler.handle(std::move(request), std::move(reply));
        } catch (const std::exception& failure) {
            std::cerr << "HttpServer: a request failed: " << failure.what() << std::endl;
            write(server.handler.refuse(500, {}, {}), false, version);
        }
    }

    void refuse(int status) {
        std::string method;
        std::string target;
        // The request line is known as soon as it is read, also when the
        // header fails later (an announced body over the cap, for one).
        if (reader) {
            const auto& head = reader->parser().get();
            method.assign(head.method_string().data(), head.method_string().size());
            target.assign(head.target().data(), head.target().size());
        }
        auto response = server.handler.refuse(status, method, target);
        response.closeConnection = true;
        write(std::move(response), false, 11);
    }

    void write(HttpResponse answer, bool keepAlive, unsigned version) {
        auto message = std::make_shared<http::response<http::string_body>>(
            static_cast<http::status>(answer.status), version);
        if (!answer.body.empty()) {
            message->set(http::field::content_type, answer.contentType);
            message->body() = std::move(answer.body);
        }
        const bool close = answer.closeConnection || !keepAlive;
        const bool drain = answer.closeConnection;
        message->keep_alive(!close);
        message->prepare_payload();
        stream.expires_after(limits.writeTimeout);
        http::async_write(stream, *message,
                          [self = shared_from_this(), message, close,
                           drain](beast::error_code error, std::size_t) {
                              if (error) {
                                  return self->closeNow();
                              }
                              if (!close) {
                                  return self->awaitRequest();
                              }
                              self->finish(drain);
                          });
    }

    // Ends the connection after the last answer. A refused request may
    // still be arriving: reading it away for a moment lets the client see
    // the refusal rather than a reset connection.
    void finish(bool drain) {
        beast::error_code ignored;
        stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        if (!drain) {
            return closeNow();
        }
        stream.expires_after(DRAIN_TIME);
        drainSome();
    }

    void drainSome() {
        stream.async_read_some(asio::buffer(scratch),
                               [self = shared_from_this()](beast::error_code error, std::size_t n) {
                                   self->drained += n;
                                   if (error || self->drained > MAX_DRAINED_BYTES) {
                                       return self->closeNow();
                                   }
                                   self->drainSome();
                               });
    }

    void closeNow() {
        beast::error_code ignored;
        stream.socket().close(ignored);
    }

    beast::tcp_stream stream;
    HttpServer::Impl& server;
    const HttpLimits& limits;
    beast::flat_buffer buffer;
    std::optional<httpparsing::RequestReader> reader;
    std::string clientAddress;
    std::chrono::steady_clock::time_point receivedAt;
    std::array<char, READ_CHUNK_BYTES> scratch{};
    std::size_t drained = 0;
    std::size_t requestsServed = 0;
};

} // namespace

void HttpServer::Impl::accept() {
    // The accepting loop hands each connection to the next loop in turn.
    auto& loop = *loops[nextLoop++ % loops.size()];
    acceptor.async_accept(loop, [this](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor.is_open()) {
            return;
        }
        if (error) {
            // Out of descriptors, for example: try again shortly instead of
            // spinning.
            acceptRetry.expires_after(ACCEPT_RETRY_DELAY);
            acceptRetry.async_wait([this](beast::error_code waitError) {
                if (!waitError) {
                    accept();
                }
            });
            return;
        }
        beast::error_code ignored;
        auto address = addressText(socket.remote_endpoint(ignored));
        // At the cap the longest-idle connection makes room: silent
        // connections cannot lock the players out. The evicted one counts
        // itself out when its loop has closed it, a moment later.
        if (!admit(address)) {
            turnAway(socket);
        } else if (connections.load() >= connectionCap && !evictOldestIdle()) {
            release(address);
            turnAway(socket);
        } else {
            // Answers go out in one write; no reason to hold them back.
            socket.set_option(tcp::no_delay(true), ignored);
            std::make_shared<Session>(std::move(socket), *this, std::move(address))->start();
        }
        accept();
    });
}

HttpServer::HttpServer(Handler& handler, HttpLimits limits)
    : impl(std::make_unique<Impl>(handler, limits)) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::bind(const std::string& address, int port) {
    beast::error_code error;
    const auto ip = asio::ip::make_address(address == "localhost" ? "127.0.0.1" : address, error);
    if (error || port < 0 || port > 65535) {
        return false;
    }
    const tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
    auto& acceptor = impl->acceptor;
    acceptor.open(endpoint.protocol(), error);
    if (!error) {
        acceptor.set_option(asio::socket_base::reuse_address(true), error);
    }
    if (!error) {
        acceptor.bind(endpoint, error);
    }
    if (!error) {
        acceptor.listen(asio::socket_base::max_listen_connections, error);
    }
    if (error) {
        beast::error_code ignored;
        acceptor.close(ignored);
        return false;
    }
    impl->boundPort = acceptor.local_endpoint(error).port();
    return !error;
}

int HttpServer::port() const {
    return impl->boundPort;
}

bool HttpServer::run() {
    if (!impl->acceptor.is_open()) {
        return false;
    }
    impl->running = true;
    asio::post(*impl->loops.front(), [this] { impl->accept(); });
    const auto serve = [](asio::io_context& loop) {
        for (;;) {
            try {
                loop.run();
                return;
            } catch (const std::exception& failure) {
                std::cerr << "HttpServer: " << failure.what() << std::endl;
            }
        }
    };
    // A loop without connections yet must wait for them, not return.
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> keepRunning;
    for (auto& loop : impl->loops) {
        keepRunning.push_back(asio::make_work_guard(*loop));
    }
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < impl->loops.size(); ++i) {
        helpers.emplace_back(serve, std::ref(*impl->loops[i]));
    }
    serve(*impl->loops.front());
    for (auto& helper : helpers) {
        helper.join();
    }
    impl->running = false;
    return true;
}

void HttpServer::stop() {
    for (auto& loop : impl->loops) {
        loop->stop();
    }
}

bool HttpServer::isRunning() const {
    return impl->running;
}

HttpServer::ConnectionCounts HttpServer::connectionCounts() const {
    std::lock_guard lock(impl->registryMutex);
    return {impl->connections.load(), impl->idle.size()};
}

} // namespace backend
