#include "server/HttpParsing.h"

#include "server/Text.h"

#include <algorithm>
#include <cctype>

namespace backend::httpparsing {

namespace http = boost::beast::http;

namespace {

std::string lowerTrimmed(boost::beast::string_view value) {
    return trimmedLowerCase(std::string_view(value.data(), value.size()));
}

std::string toString(boost::beast::string_view text) {
    return std::string(text.data(), text.size());
}

bool expectsContinue(const Parser& parser) {
    const auto found = parser.get().find(http::field::expect);
    return found != parser.get().end() && lowerTrimmed(found->value()) == "100-continue";
}

} // namespace

RequestReader::RequestReader(const HttpLimits& limits) : limits(limits) {
    current.emplace();
    current->header_limit(static_cast<std::uint32_t>(limits.maxHeaderBytes));
    current->body_limit(static_cast<std::uint64_t>(limits.maxBodyBytes));
    // Stop after the header, so that it is checked before any body is read.
    current->eager(false);
}

RequestReader::State RequestReader::consume(std::string_view& bytes) {
    for (;;) {
        if (current->is_header_done() && !headChecked) {
            headChecked = true;
            if (const auto refusal = refusalForHead(*current, limits)) {
                status = *refusal;
                return State::Refused;
            }
            current->eager(true);
            // A client that sent its body along does not wait for the go-ahead.
            if (!current->is_done() && bytes.empty() && expectsContinue(*current)) {
                return State::ContinueExpected;
            }
        }
        if (current->is_done()) {
            return State::Complete;
        }
        if (bytes.empty()) {
            return State::NeedMore;
        }
        boost::beast::error_code error;
        const auto used = current->put(boost::asio::buffer(bytes.data(), bytes.size()), error);
        bytes.remove_prefix(used);
        if (error == http::error::need_more) {
            return State::NeedMore;
        }
        if (error) {
            status = refusalStatusFor(error);
            return status ? State::Refused : State::Broken;
        }
        if (used == 0) {
            return State::NeedMore;
        }
    }
}

HttpRequest RequestReader::take(std::string clientAddress,
                                std::chrono::steady_clock::time_point receivedAt) {
    auto message = current->release();
    HttpRequest request;
    request.method = toString(message.method_string());
    request.setTarget(toString(message.target()));
    for (const auto& field : message) {
        request.headers.emplace_back(lowerTrimmed(field.name_string()), toString(field.value()));
    }
    request.body = std::move(message.body());
    request.clientAddress = std::move(clientAddress);
    request.receivedAt = receivedAt;
    return request;
}

int refusalStatusFor(const boost::system::error_code& error) {
    if (error == http::error::header_limit || error == http::error::buffer_overflow) {
        return 431;
    }
    if (error == http::error::body_limit) {
        return 413;
    }
    if (error.category() != http::make_error_code(http::error::header_limit).category() ||
        error == http::error::end_of_stream || error == http::error::partial_message ||
        error == http::error::short_read) {
        // Timed out, reset, or closed half-way: nobody is left to answer.
        return 0;
    }
    return 400;
}

std::optional<int> refusalForHead(const Parser& parser, const HttpLimits& limits) {
    const auto& head = parser.get();
    if (static_cast<std::size_t>(std::distance(head.begin(), head.end())) > limits.maxHeaderCount) {
        return 431;
    }
    // Bodies are read as sent; a compressed one could unpack to any size.
    for (const auto& field : head) {
        if (field.name() == http::field::content_encoding) {
            const auto coding = lowerTrimmed(field.value());
            if (!coding.empty() && coding != "identity") {
                return 415;
            }
        } else if (field.name() == http::field::transfer_encoding &&
                   lowerTrimmed(field.value()) != "chunked") {
            return 415;
        }
    }
    if (const auto length = parser.content_length(); length && *length > limits.maxBodyBytes) {
        return 413;
    }
    return std::nullopt;
}

} // namespace backend::httpparsing
