#include "Faults.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>

namespace faketuner {
namespace {

constexpr double kLongest = 7 * 24 * 3600.0;

std::optional<double> readNumber(std::string_view s, double low, double high) {
    double v = 0;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc() || p != end || !std::isfinite(v) || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::pair<double, double>> readPair(std::string_view s, double low2, double high2) {
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto a = readNumber(s.substr(0, colon), 0, kLongest);
    const auto b = readNumber(s.substr(colon + 1), low2, high2);
    if (!a || !b) {
        return std::nullopt;
    }
    return std::make_pair(*a, *b);
}

platform::Error bad(std::string_view name, std::string_view value, const char* form) {
    return platform::Error{"bad " + std::string(name) + " '" + std::string(value) + "' (" + form +
                           ")"};
}

}  // namespace

platform::Status setFault(Faults& f, std::string_view name, std::string_view value) {
    if (name == "clear") {
        f = Faults{};
        return {};
    }
    if (name == "slow-tune" || name == "silent-start" || name == "pts-offset") {
        const auto v = readNumber(value, 0, name == "pts-offset" ? 2 * 95444.0 : kLongest);
        if (!v) {
            return bad(name, value, "seconds");
        }
        (name == "slow-tune"      ? f.slowTune
         : name == "silent-start" ? f.silentStart
                                  : f.ptsOffset) = *v;
        return {};
    }
    if (name == "stall") {
        const auto v = readPair(value, 0, kLongest);
        if (!v) {
            return bad(name, value, "AT:FOR, seconds");
        }
        f.stallAt = v->first;
        f.stallFor = v->second;
        return {};
    }
    if (name == "pts-jump") {
        const auto v = readPair(value, -95444.0, 95444.0);
        if (!v) {
            return bad(name, value, "AT:BY, seconds; BY may be negative");
        }
        f.jumpAt = v->first;
        f.jumpBy = v->second;
        return {};
    }
    if (name == "drop") {
        const auto v = readNumber(value, 0, 1e9);
        if (!v || *v != std::floor(*v) || *v == 1) {
            return bad(name, value, "one packet in N is lost, N at least 2; 0 for none");
        }
        f.dropEvery = static_cast<int>(*v);
        return {};
    }
    if (name == "from-start") {
        if (value != "0" && value != "1") {
            return bad(name, value, "0 or 1");
        }
        f.fromStart = value == "1";
        return {};
    }
    return platform::Error{"unknown fault '" + std::string(name) + "'"};
}

std::string faultsJson(const Faults& f) {
    nlohmann::json j = {
        {"slow-tune", f.slowTune},
        {"silent-start", f.silentStart},
        {"stall-at", f.stallAt},
        {"stall-for", f.stallFor},
        {"drop", f.dropEvery},
        {"pts-jump-at", f.jumpAt},
        {"pts-jump-by", f.jumpBy},
        {"pts-offset", f.ptsOffset},
        {"from-start", f.fromStart ? 1 : 0},
    };
    return j.dump();
}

}  // namespace faketuner
