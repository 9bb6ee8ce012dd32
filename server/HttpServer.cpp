#include "server/HttpServer.h"

#include "server/HttpParsing.h"

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <iostream>
#include <optional>
#include <thread>
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

unsigned threadCountFor(const HttpLimits& limits) {
    return limits.ioThreads > 0 ? limits.ioThreads
                                : std::max(1u, std::thread::hardware_concurrency());
}

std::string addressText(const tcp::endpoint& endpoint) {
    auto address = endpoint.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    }
    return address.to_string();
}

} // namespace

class HttpServer::Impl {
public:
    Impl(Handler& handler, HttpLimits limits)
        : handler(handler), limits(limits), io(static_cast<int>(threadCountFor(limits))),
          acceptor(io), acceptRetry(io) {}

    void accept();

    Handler& handler;
    const HttpLimits limits;
    // Declared before the event loop: sessions destroyed with the loop's
    // pending work still count themselves out.
    std::atomic<std::size_t> connections{0};
    std::atomic<bool> running{false};
    asio::io_context io;
    tcp::acceptor acceptor;
    asio::steady_timer acceptRetry;
    int boundPort = 0;
};

namespace {

// One client connection: waits for a request without holding a thread,
// reads it within the deadline and the size caps, hands it to the handler,
// writes the answer, and starts over while the client keeps it alive.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, HttpServer::Impl& server)
        : stream(std::move(socket)), server(server), limits(server.limits),
          buffer(limits.maxHeaderBytes + READ_CHUNK_BYTES) {
        ++server.connections;
        beast::error_code ignored;
        clientAddress = addressText(stream.socket().remote_endpoint(ignored));
    }
    ~Session() { --server.connections; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() {
        asio::dispatch(stream.get_executor(),
                       [self = shared_from_this()] { self->awaitRequest(); });
    }

private:
    // An idle kept-alive connection only has a pending read here.
    void awaitRequest() {
        if (buffer.size() > 0) {
            readHead();
            return;
        }
        stream.expires_after(limits.idleTimeout);
        stream.async_read_some(buffer.prepare(READ_CHUNK_BYTES),
                               [self = shared_from_this()](beast::error_code error, std::size_t n) {
                                   if (error) {
                                       return self->closeNow();
                                   }
                                   self->buffer.commit(n);
                                   self->readHead();
                               });
    }

    void readHead() {
        parser.emplace();
        httpparsing::configure(*parser, limits);
        receivedAt = std::chrono::steady_clock::now();
        // One deadline for the header and the body together.
        stream.expires_after(limits.requestDeadline);
        http::async_read_header(stream, buffer, *parser,
                                [self = shared_from_this()](beast::error_code error, std::size_t) {
                                    self->onHead(error);
                                });
    }

    void onHead(beast::error_code error) {
        if (error) {
            return failRead(error);
        }
        if (const auto status = httpparsing::refusalForHead(*parser, limits)) {
            return refuse(*status);
        }
        if (httpparsing::expectsContinue(*parser)) {
            static constexpr char CONTINUE[] = "HTTP/1.1 100 Continue\r\n\r\n";
            asio::async_write(stream, asio::buffer(CONTINUE, sizeof CONTINUE - 1),
                              [self = shared_from_this()](beast::error_code error, std::size_t) {
                                  if (error) {
                                      return self->closeNow();
                                  }
                                  self->readBody();
                              });
            return;
        }
        readBody();
    }

    void readBody() {
        http::async_read(stream, buffer, *parser,
                         [self = shared_from_this()](beast::error_code error, std::size_t) {
                             self->onBody(error);
                         });
    }

    void onBody(beast::error_code error) {
        if (error) {
            return failRead(error);
        }
        const bool keepAlive = parser->keep_alive();
        const unsigned version = parser->get().version();
        auto request = httpparsing::toRequest(*parser, clientAddress, receivedAt);
        parser.reset();
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

    void failRead(beast::error_code error) {
        const int status = httpparsing::refusalStatusFor(error);
        if (status == 0) {
            return closeNow();
        }
        refuse(status);
    }

    void refuse(int status) {
        std::string method;
        std::string target;
        // The request line is known as soon as it is read, also when the
        // header fails later (an announced body over the cap, for one).
        if (parser) {
            const auto& head = parser->get();
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
    std::optional<httpparsing::Parser> parser;
    std::string clientAddress;
    std::chrono::steady_clock::time_point receivedAt;
    std::array<char, READ_CHUNK_BYTES> scratch{};
    std::size_t drained = 0;
};

} // namespace

void HttpServer::Impl::accept() {
    acceptor.async_accept(asio::make_strand(io),
                          [this](beast::error_code error, tcp::socket socket) {
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
                              if (connections.load() >= limits.maxConnections) {
                                  beast::error_code ignored;
                                  socket.close(ignored);
                              } else {
                                  beast::error_code ignored;
                                  // Answers go out in one write; no reason to hold them back.
                                  socket.set_option(tcp::no_delay(true), ignored);
                                  std::make_shared<Session>(std::move(socket), *this)->start();
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
    asio::post(impl->io, [this] { impl->accept(); });
    const auto serve = [this] {
        for (;;) {
            try {
                impl->io.run();
                return;
            } catch (const std::exception& failure) {
                std::cerr << "HttpServer: " << failure.what() << std::endl;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threadCountFor(impl->limits); ++i) {
        helpers.emplace_back(serve);
    }
    serve();
    for (auto& helper : helpers) {
        helper.join();
    }
    impl->running = false;
    return true;
}

void HttpServer::stop() {
    impl->io.stop();
}

bool HttpServer::isRunning() const {
    return impl->running;
}

const HttpLimits& HttpServer::limits() const {
    return impl->limits;
}

} // namespace backend
