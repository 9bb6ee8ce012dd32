#pragma once

// The request-reading rules of the transport, apart from its sockets, so
// that the fuzz targets drive exactly what the server runs.

#include "server/HttpMessage.h"
#include "server/HttpServer.h"

#include <boost/beast/http.hpp>
#include <optional>

namespace backend::httpparsing {

using Parser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// A fresh parser with the limits' header and body caps.
void configure(Parser& parser, const HttpLimits& limits);

// The status to refuse a failed read with, or 0 when the client just went
// away or was too slow (nothing is answered then).
int refusalStatusFor(const boost::system::error_code& error);

// Checked once the header is read, before any body: too many fields (431),
// a compressed body (415) or one announced larger than the cap (413).
std::optional<int> refusalForHead(const Parser& parser, const HttpLimits& limits);

bool expectsContinue(const Parser& parser);

// Moves a complete request out of the parser.
HttpRequest toRequest(Parser& parser, std::string clientAddress,
                      std::chrono::steady_clock::time_point receivedAt);

} // namespace backend::httpparsing
