#pragma once

// The request-reading rules of the transport, apart from its sockets, so
// that the fuzz targets drive exactly what the server runs.

#include "server/HttpMessage.h"
#include "server/HttpServer.h"

#include <boost/beast/http.hpp>
#include <optional>
#include <string_view>

namespace backend::httpparsing {

using Parser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// Reads one request from bytes as they arrive, within the limits' caps.
class RequestReader {
public:
    enum class State {
        NeedMore,         // every byte given was used; the request goes on
        ContinueExpected, // header accepted; the client waits for "100 Continue"
        Complete,         // take() the request
        Refused,          // answer refusalStatus() and close
        Broken,           // close without an answer
    };

    explicit RequestReader(const HttpLimits& limits);

    // Parses from the front of bytes and drops what it used. Bytes of an
    // incomplete header stay: give them again with what follows.
    State consume(std::string_view& bytes);

    int refusalStatus() const { return status; }
    const Parser& parser() const { return *current; }

    HttpRequest take(std::string clientAddress, std::chrono::steady_clock::time_point receivedAt);

private:
    const HttpLimits& limits;
    std::optional<Parser> current;
    bool headChecked = false;
    int status = 0;
};

// The status to refuse a failed read with, or 0 when the client just went
// away or was too slow (nothing is answered then).
int refusalStatusFor(const boost::system::error_code& error);

// Checked once the header is read, before any body: too many fields (431),
// a compressed body (415) or one announced larger than the cap (413).
std::optional<int> refusalForHead(const Parser& parser, const HttpLimits& limits);

} // namespace backend::httpparsing
