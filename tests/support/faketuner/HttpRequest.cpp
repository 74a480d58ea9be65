#include "HttpRequest.h"

namespace faketuner {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// %XX decoded; '+' is a space in a query. A bad escape is an error.
std::optional<std::string> percentDecode(std::string_view s, bool query) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            if (i + 2 >= s.size()) {
                return std::nullopt;
            }
            const int hi = hexValue(s[i + 1]);
            const int lo = hexValue(s[i + 2]);
            if (hi < 0 || lo < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (query && s[i] == '+') {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

bool isToken(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (c <= ' ' || c >= 127 || c == ':' || c == '(' || c == ')' || c == ',' || c == '/' ||
            c == '"') {
            return false;
        }
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

platform::Error bad(const std::string& what) {
    return platform::Error{"Bad request: " + what};
}

}  // namespace

std::optional<std::string> HttpRequest::param(std::string_view name) const {
    for (const auto& [k, v] : query) {
        if (k == name) {
            return v;
        }
    }
    return std::nullopt;
}

std::size_t headLength(std::string_view buffer) {
    const std::size_t end = buffer.find("\r\n\r\n");
    return end == std::string_view::npos ? 0 : end + 4;
}

platform::Result<HttpRequest> parseRequestHead(std::string_view head) {
    if (head.size() > kMaxHead) {
        return bad("the request's head is too long");
    }
    HttpRequest r;
    std::size_t lineEnd = head.find("\r\n");
    if (lineEnd == std::string_view::npos) {
        return bad("no request line");
    }
    const std::string_view line = head.substr(0, lineEnd);
    const std::size_t sp1 = line.find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos) {
        return bad("the request line is not METHOD TARGET VERSION");
    }
    const std::string_view method = line.substr(0, sp1);
    const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (!isToken(method)) {
        return bad("no method");
    }
    if (version != "HTTP/1.1" && version != "HTTP/1.0") {
        return bad("not HTTP/1.0 or HTTP/1.1");
    }
    if (target.empty() || target[0] != '/') {
        return bad("the target is not a path");
    }
    r.method = std::string(method);
    const std::size_t q = target.find('?');
    const std::optional<std::string> path = percentDecode(target.substr(0, q), false);
    if (!path) {
        return bad("a bad %-escape in the path");
    }
    r.path = *path;
    if (q != std::string_view::npos) {
        std::string_view rest = target.substr(q + 1);
        while (!rest.empty()) {
            const std::size_t amp = rest.find('&');
            const std::string_view item = rest.substr(0, amp);
            rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
            if (item.empty()) {
                continue;
            }
            const std::size_t eq = item.find('=');
            const auto key = percentDecode(item.substr(0, eq), true);
            const auto value = percentDecode(
                eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1), true);
            if (!key || !value) {
                return bad("a bad %-escape in the query");
            }
            r.query.emplace_back(*key, *value);
        }
    }

    std::size_t at = lineEnd + 2;
    while (at < head.size()) {
        lineEnd = head.find("\r\n", at);
        if (lineEnd == std::string_view::npos) {
            return bad("a header line without its end");
        }
        const std::string_view h = head.substr(at, lineEnd - at);
        at = lineEnd + 2;
        if (h.empty()) {
            break;
        }
        const std::size_t colon = h.find(':');
        if (colon == std::string_view::npos || !isToken(h.substr(0, colon))) {
            return bad("a header line that is not NAME: VALUE");
        }
        r.headers.emplace_back(std::string(h.substr(0, colon)),
                               std::string(trim(h.substr(colon + 1))));
    }
    return r;
}

}  // namespace faketuner
