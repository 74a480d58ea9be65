#include "TunerCore.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace faketuner {
namespace {

Reply json(const nlohmann::json& j) {
    Reply r;
    r.headers.emplace_back("Content-Type", "application/json");
    r.body = j.dump();
    return r;
}

Reply error(int status, const char* reason, std::string text) {
    Reply r;
    r.status = status;
    r.reason = reason;
    r.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
    r.body = std::move(text) + "\n";
    return r;
}

Reply busy(const char* code, std::string text) {
    Reply r = error(503, "Service Unavailable", std::move(text));
    r.headers.emplace_back("X-HDHomeRun-Error", code);
    return r;
}

}  // namespace

std::string Reply::head() const {
    std::string h = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [name, value] : headers) {
        h += name + ": " + value + "\r\n";
    }
    if (!stream) {
        h += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    h += "Connection: close\r\n\r\n";
    return h;
}

TunerCore::TunerCore(std::vector<Channel> channels, TunerSettings settings, double origin)
    : channels_(std::move(channels)),
      settings_(std::move(settings)),
      origin_(origin),
      busy_(static_cast<std::size_t>(std::max(settings_.tunerCount, 0)), false) {
    sortByGuideNumber(channels_);
}

void TunerCore::release(int tuner) {
    if (tuner >= 0 && static_cast<std::size_t>(tuner) < busy_.size()) {
        busy_[static_cast<std::size_t>(tuner)] = false;
    }
}

int TunerCore::tunersInUse() const {
    return static_cast<int>(std::count(busy_.begin(), busy_.end(), true));
}

void TunerCore::updateScan(double now) {
    if (scan_ == Scan::Running && now - scanStarted_ >= settings_.scanSeconds) {
        scan_ = Scan::Done;
        foundAtStop_ = channels_.size();
    }
}

std::size_t TunerCore::found(double now) const {
    if (scan_ != Scan::Running) {
        return foundAtStop_;
    }
    const double share =
        settings_.scanSeconds <= 0 ? 1.0 : (now - scanStarted_) / settings_.scanSeconds;
    return std::min(
        channels_.size(),
        static_cast<std::size_t>(std::floor(share * static_cast<double>(channels_.size()))));
}

std::size_t TunerCore::shownChannels(double now) const {
    if (scan_ == Scan::Never) {
        return settings_.lineupBeforeScan ? channels_.size() : 0;
    }
    return found(now);
}

Reply TunerCore::handle(const HttpRequest& request, double now) {
    updateScan(now);
    if (request.method != "GET" && request.method != "POST") {
        Reply r = error(405, "Method Not Allowed", "GET or POST only");
        r.headers.emplace_back("Allow", "GET, POST");
        return r;
    }
    const std::string& path = request.path;
    Reply r;
    if (path == "/discover.json") {
        r = discover();
    } else if (path == "/lineup.json") {
        r = lineup(now);
    } else if (path == "/lineup_status.json") {
        r = lineupStatus(now);
    } else if (path == "/lineup.post") {
        r = lineupPost(request, now);
    } else if (path == "/faketuner/faults") {
        r = control(request);
    } else if (path.rfind("/auto/", 0) == 0 || path.rfind("/tuner", 0) == 0) {
        r = stream(request, now);
    } else {
        r = error(404, "Not Found", "Nothing at " + path);
    }
    if (r.readyAt < now) {
        r.readyAt = now;
    }
    return r;
}

Reply TunerCore::discover() const {
    return json({
        {"FriendlyName", settings_.friendlyName},
        {"ModelNumber", settings_.modelNumber},
        {"FirmwareName", "faketuner"},
        {"FirmwareVersion", "1"},
        {"DeviceID", settings_.deviceId},
        {"BaseURL", baseUrl_},
        {"LineupURL", baseUrl_ + "/lineup.json"},
        {"TunerCount", settings_.tunerCount},
    });
}

Reply TunerCore::lineup(double now) const {
    nlohmann::json list = nlohmann::json::array();
    const std::size_t shown = shownChannels(now);
    for (std::size_t i = 0; i < shown; ++i) {
        const Channel& c = channels_[i];
        nlohmann::json e = {
            {"GuideNumber", c.guideNumber},
            {"GuideName", c.guideName},
        };
        if (!c.ts->videoCodec.empty()) {
            e["VideoCodec"] = c.ts->videoCodec;
        }
        if (!c.ts->audioCodec.empty()) {
            e["AudioCodec"] = c.ts->audioCodec;
        }
        if (c.hd) {
            e["HD"] = 1;
        }
        if (c.drm) {
            e["Tags"] = "drm";
        }
        e["URL"] = baseUrl_ + "/auto/v" + c.guideNumber;
        list.push_back(std::move(e));
    }
    return json(list);
}

Reply TunerCore::lineupStatus(double now) const {
    if (scan_ == Scan::Running) {
        const double share =
            settings_.scanSeconds <= 0 ? 1.0 : (now - scanStarted_) / settings_.scanSeconds;
        return json({
            {"ScanInProgress", 1},
            {"Progress", std::clamp(static_cast<int>(share * 100), 0, 99)},
            {"Found", found(now)},
        });
    }
    return json({
        {"ScanInProgress", 0},
        {"ScanPossible", 1},
        {"Source", "Antenna"},
        {"SourceList", {"Antenna", "Cable"}},
    });
}

Reply TunerCore::lineupPost(const HttpRequest& request, double now) {
    const std::optional<std::string> scan = request.param("scan");
    const std::optional<std::string> source = request.param("source");
    if (source && *source != "Antenna" && *source != "Cable") {
        return error(400, "Bad Request", "Unknown source '" + *source + "'");
    }
    if (scan == "start") {
        if (scan_ != Scan::Running) {
            scan_ = Scan::Running;
            scanStarted_ = now;
            foundAtStop_ = 0;
            updateScan(now);
        }
        return Reply{};
    }
    if (scan == "abort") {
        if (scan_ == Scan::Running) {
            foundAtStop_ = found(now);
            scan_ = Scan::Aborted;
        }
        return Reply{};
    }
    return error(400, "Bad Request", "Expected scan=start or scan=abort");
}

Reply TunerCore::stream(const HttpRequest& request, double now) {
    // /auto/vN or /tunerK/vN
    const std::string& path = request.path;
    const std::size_t slash = path.find('/', 1);
    const std::string device = path.substr(1, slash == std::string::npos ? path.size() : slash - 1);
    const std::string tail = slash == std::string::npos ? "" : path.substr(slash + 1);
    if (tail.size() < 2 || tail[0] != 'v' || !isGuideNumber(std::string_view(tail).substr(1))) {
        return error(404, "Not Found", "Nothing at " + path);
    }
    const std::string guide = tail.substr(1);
    int wanted = -1;  // -1: any free tuner
    if (device != "auto") {
        const std::string_view k = std::string_view(device).substr(5);
        const auto [end, ec] = std::from_chars(k.data(), k.data() + k.size(), wanted);
        if (k.empty() || ec != std::errc() || end != k.data() + k.size() || wanted < 0 ||
            static_cast<std::size_t>(wanted) >= busy_.size()) {
            return error(404, "Not Found", "No tuner " + device);
        }
    }
    const auto channel =
        std::find_if(channels_.begin(), channels_.end(),
                     [&guide](const Channel& c) { return c.guideNumber == guide; });
    if (channel == channels_.end()) {
        return error(404, "Not Found", "No channel " + guide);
    }
    double duration = 0;
    if (const std::optional<std::string> d = request.param("duration")) {
        const auto [end, ec] = std::from_chars(d->data(), d->data() + d->size(), duration);
        if (d->empty() || ec != std::errc() || end != d->data() + d->size() ||
            !std::isfinite(duration) || duration <= 0) {
            return error(400, "Bad Request", "duration must be a number of seconds");
        }
    }
    if (channel->drm) {
        return busy("811", "Content protection: channel " + guide + " cannot be streamed");
    }
    int tuner = wanted;
    if (wanted < 0) {
        const auto free = std::find(busy_.begin(), busy_.end(), false);
        if (free == busy_.end()) {
            return busy("805", "All tuners are in use");
        }
        tuner = static_cast<int>(free - busy_.begin());
    } else if (busy_[static_cast<std::size_t>(wanted)]) {
        return busy("804", "Tuner in use");
    }
    busy_[static_cast<std::size_t>(tuner)] = true;

    Reply r;
    r.headers.emplace_back("Content-Type", "video/mpeg");
    r.readyAt = now + faults_.slowTune;
    const double dataFrom = r.readyAt + faults_.silentStart;
    const double endAt = duration > 0 ? r.readyAt + duration : 0;
    r.stream = std::make_unique<StreamPacer>(
        channel->ts, faults_, faults_.fromStart ? dataFrom : origin_, dataFrom, endAt);
    r.tuner = tuner;
    return r;
}

Reply TunerCore::control(const HttpRequest& request) {
    Faults changed = faults_;
    for (const auto& [name, value] : request.query) {
        if (platform::Status s = setFault(changed, name, value); !s) {
            return error(400, "Bad Request", s.message());
        }
    }
    faults_ = changed;
    return json(nlohmann::json::parse(faultsJson(faults_)));
}

}  // namespace faketuner
