#pragma once
// The head of an HTTP/1.1 request as the fake tuner reads it: the request
// line, the path and its query, the header lines. Nothing else of HTTP: no
// bodies, no continuation lines, no chunks.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/Result.h"

namespace faketuner {

constexpr std::size_t kMaxHead = 16384;

struct HttpRequest {
    std::string method;
    std::string path;                                          // percent-decoded, without the query
    std::vector<std::pair<std::string, std::string>> query;    // decoded, in order
    std::vector<std::pair<std::string, std::string>> headers;  // names as sent

    // The first value of a query parameter.
    std::optional<std::string> param(std::string_view name) const;
};

// The length of the head at the start of buffer, up to and including its
// blank line; 0 while the blank line has not arrived.
std::size_t headLength(std::string_view buffer);

// The error says what is wrong, for a 400 reply.
platform::Result<HttpRequest> parseRequestHead(std::string_view head);

}  // namespace faketuner
