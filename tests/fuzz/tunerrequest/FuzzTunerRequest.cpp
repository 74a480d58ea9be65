// Any bytes as a request to the fake tuner: the head reader never crashes,
// and a request it accepts gets an answer from the tuner (documents, faults
// through the control address, streams with any query) with a status line
// that is well formed; a tuner taken by a stream is given back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "TunerCore.h"

namespace {

void require(bool ok) {
    if (!ok) {
        __builtin_trap();
    }
}

faketuner::TunerCore& tuner() {
    static faketuner::TunerCore core({}, faketuner::TunerSettings{}, 0.0);
    return core;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t length = faketuner::headLength(bytes);
    require(length == 0 || (length >= 4 && bytes.substr(length - 4, 4) == "\r\n\r\n"));
    const std::string_view head = length == 0 ? bytes : bytes.substr(0, length);
    const platform::Result<faketuner::HttpRequest> r = faketuner::parseRequestHead(head);
    if (!r) {
        require(r.message().rfind("Bad request: ", 0) == 0);
        return 0;
    }
    require(!r.value().method.empty() && !r.value().path.empty() && r.value().path[0] == '/');
    faketuner::Reply reply = tuner().handle(r.value(), 1.0);
    require(reply.status >= 200 && reply.status < 600);
    require(reply.head().rfind("HTTP/1.1 ", 0) == 0);
    tuner().release(reply.tuner);
    require(tuner().tunersInUse() == 0);
    return 0;
}
