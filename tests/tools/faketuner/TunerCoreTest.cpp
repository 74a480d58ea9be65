// What the fake tuner answers, on a driven clock and without a network: its
// documents, the scripted scan, tuners running out, the control address,
// and the request and lineup readers with the input they refuse.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TunerCore.h"
#include "TunerStream.h"

namespace {

using namespace faketuner;
using nlohmann::json;

HttpRequest get(const std::string& target) {
    platform::Result<HttpRequest> r =
        parseRequestHead("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(r.isOk()) << r.message();
    return r.isOk() ? r.value() : HttpRequest{};
}

std::string header(const Reply& r, const std::string& name) {
    for (const auto& [n, v] : r.headers) {
        if (n == name) {
            return v;
        }
    }
    return "";
}

class TunerCoreTest : public ::testing::Test {
  protected:
    TunerCoreTest() : core_(channels(), settings(), 100.0) {
        core_.setBaseUrl("http://127.0.0.1:5004");
    }
    static std::vector<Channel> channels() {
        std::vector<Channel> list;
        for (const char* g : {"8.1", "3", "5.2", "5.1"}) {
            list.push_back({g, std::string("Ch ") + g, tunertest::shortStream(), false, false});
        }
        list.back().drm = true;  // 5.1
        return list;
    }
    static TunerSettings settings() {
        TunerSettings s;
        s.scanSeconds = 8;
        return s;
    }
    json document(const std::string& target, double now) {
        const Reply r = core_.handle(get(target), now);
        EXPECT_EQ(r.status, 200) << target << ": " << r.body;
        return json::parse(r.body);
    }
    TunerCore core_;
};

TEST_F(TunerCoreTest, DocumentsDescribeTheTunerAndItsLineupInGuideOrder) {
    const json d = document("/discover.json", 100);
    EXPECT_EQ(d["BaseURL"], "http://127.0.0.1:5004");
    EXPECT_EQ(d["LineupURL"], "http://127.0.0.1:5004/lineup.json");
    EXPECT_EQ(d["TunerCount"], 2);
    for (const char* key : {"FriendlyName", "ModelNumber", "DeviceID"}) {
        EXPECT_TRUE(d[key].is_string()) << key;
    }
    const json l = document("/lineup.json", 100);
    ASSERT_EQ(l.size(), 4u);
    const char* order[] = {"3", "5.1", "5.2", "8.1"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(l[i]["GuideNumber"], order[i]);
        EXPECT_EQ(l[i]["URL"], std::string("http://127.0.0.1:5004/auto/v") + order[i]);
        EXPECT_EQ(l[i]["VideoCodec"], "MPEG2");
        EXPECT_EQ(l[i]["AudioCodec"], "MPEG");
        EXPECT_EQ(l[i].contains("Tags"), i == 1) << order[i];
    }
    EXPECT_EQ(l[1]["Tags"], "drm");
    const json s = document("/lineup_status.json", 100);
    EXPECT_EQ(s["ScanInProgress"], 0);
    EXPECT_EQ(s["ScanPossible"], 1);
}

TEST_F(TunerCoreTest, AScanFindsTheChannelsOverItsTimeAndAnAbortKeepsWhatWasFound) {
    EXPECT_EQ(core_.handle(get("/lineup.post?scan=start&source=Antenna"), 100).status, 200);
    json s = document("/lineup_status.json", 104.1);
    EXPECT_EQ(s["ScanInProgress"], 1);
    EXPECT_EQ(s["Progress"], 51);
    EXPECT_EQ(s["Found"], 2);
    EXPECT_EQ(document("/lineup.json", 104.1).size(), 2u);
    EXPECT_EQ(document("/lineup_status.json", 108)["ScanInProgress"], 0);
    EXPECT_EQ(document("/lineup.json", 108).size(), 4u);

    EXPECT_EQ(core_.handle(get("/lineup.post?scan=start"), 200).status, 200);
    EXPECT_EQ(document("/lineup.json", 201).size(), 0u);
    EXPECT_EQ(core_.handle(get("/lineup.post?scan=abort"), 202.5).status, 200);
    EXPECT_EQ(document("/lineup_status.json", 203)["ScanInProgress"], 0);
    EXPECT_EQ(document("/lineup.json", 300).size(), 1u);

    EXPECT_EQ(core_.handle(get("/lineup.post?scan=sideways"), 300).status, 400);
    EXPECT_EQ(core_.handle(get("/lineup.post?scan=start&source=Moon"), 300).status, 400);
}

TEST_F(TunerCoreTest, StreamsTakeTunersUntilReleasedAndErrorsAreTheTunersOwn) {
    Reply a = core_.handle(get("/auto/v3"), 100);
    ASSERT_EQ(a.status, 200);
    ASSERT_TRUE(a.stream);
    EXPECT_EQ(header(a, "Content-Type"), "video/mpeg");
    EXPECT_EQ(a.head().find("Content-Length"), std::string::npos);
    Reply b = core_.handle(get("/tuner1/v8.1?duration=5"), 100);
    ASSERT_TRUE(b.stream);
    EXPECT_TRUE(b.stream->finished(105));
    EXPECT_EQ(core_.tunersInUse(), 2);

    const Reply third = core_.handle(get("/auto/v5.2"), 100);
    EXPECT_EQ(third.status, 503);
    EXPECT_EQ(header(third, "X-HDHomeRun-Error"), "805");
    EXPECT_FALSE(third.stream);
    const Reply taken = core_.handle(get("/tuner0/v5.2"), 100);
    EXPECT_EQ(taken.status, 503);
    EXPECT_EQ(header(taken, "X-HDHomeRun-Error"), "804");

    core_.release(a.tuner);
    EXPECT_EQ(core_.handle(get("/auto/v5.2"), 101).status, 200);

    for (const char* target : {"/auto/v9", "/auto/x3", "/tuner2/v3", "/tuner/v3", "/nothing"}) {
        EXPECT_EQ(core_.handle(get(target), 101).status, 404) << target;
    }
    EXPECT_EQ(core_.handle(get("/auto/v3?duration=-1"), 101).status, 400);
    const Reply drm = core_.handle(get("/auto/v5.1"), 101);
    EXPECT_EQ(drm.status, 503);
    EXPECT_EQ(header(drm, "X-HDHomeRun-Error"), "811");
}

TEST_F(TunerCoreTest, TheControlAddressSetsFaultsForTheNextStreamsOrRefusesThemAll) {
    const json f = document("/faketuner/faults?slow-tune=1.5&silent-start=2&drop=50", 100);
    EXPECT_EQ(f["slow-tune"], 1.5);
    EXPECT_EQ(f["drop"], 50);
    const Reply r = core_.handle(get("/auto/v3"), 100);
    EXPECT_DOUBLE_EQ(r.readyAt, 101.5);
    ASSERT_TRUE(r.stream);
    EXPECT_GE(r.stream->nextDue(), 103.5 - 1e-9);

    for (const char* bad :
         {"drop=1", "stall=5", "pts-jump=x:1", "slow-tune=-1", "volume=3", "from-start=yes"}) {
        EXPECT_EQ(core_.handle(get(std::string("/faketuner/faults?") + bad), 100).status, 400)
            << bad;
    }
    EXPECT_EQ(core_.faults().dropEvery, 50) << "a refused change changes nothing";
    document("/faketuner/faults?clear", 100);
    EXPECT_EQ(core_.faults().dropEvery, 0);
}

TEST(HttpRequestTest, ReadsTheHeadAndRefusesWhatIsNotARequest) {
    const std::string head =
        "POST /lineup.post?scan=start&source=Cable%20TV&x HTTP/1.1\r\n"
        "Host: 127.0.0.1\r\nUser-Agent:  a b \r\n\r\n";
    EXPECT_EQ(headLength(head + "tail"), head.size());
    EXPECT_EQ(headLength(head.substr(0, head.size() - 1)), 0u);
    platform::Result<HttpRequest> r = parseRequestHead(head);
    ASSERT_TRUE(r.isOk()) << r.message();
    EXPECT_EQ(r.value().method, "POST");
    EXPECT_EQ(r.value().path, "/lineup.post");
    EXPECT_EQ(r.value().param("source"), "Cable TV");
    EXPECT_EQ(r.value().param("x"), "");
    EXPECT_FALSE(r.value().param("y"));
    ASSERT_EQ(r.value().headers.size(), 2u);
    EXPECT_EQ(r.value().headers[1].second, "a b");

    for (const char* bad :
         {"GET /x\r\n\r\n", "GET x HTTP/1.1\r\n\r\n", "GET /x HTTP/2\r\n\r\n",
          "GET /x%2 HTTP/1.1\r\n\r\n", "GET /x?a=%zz HTTP/1.1\r\n\r\n", "GET  /x HTTP/1.1\r\n\r\n",
          "GET /x HTTP/1.1\r\nNoColon\r\n\r\n", "GET /x HTTP/1.1\r\nBad Name: v\r\n\r\n"}) {
        EXPECT_FALSE(parseRequestHead(bad).isOk()) << bad;
    }
}

TEST(LineupConfigTest, ReadsTheChannelsAndNamesTheEntryThatIsWrong) {
    platform::Result<std::vector<ChannelSpec>> ok = parseLineupConfig(
        R"([{"GuideNumber":"5.1","GuideName":"Five","Tags":"favorite,drm","HD":1},
            {"GuideNumber":"7","File":"seven.ts","HD":false}])",
        "lineup.json");
    ASSERT_TRUE(ok.isOk()) << ok.message();
    ASSERT_EQ(ok.value().size(), 2u);
    EXPECT_EQ(ok.value()[0].file, "5.1.ts");
    EXPECT_TRUE(ok.value()[0].drm);
    EXPECT_TRUE(ok.value()[0].hd);
    EXPECT_EQ(ok.value()[1].guideName, "Channel 7");
    EXPECT_EQ(ok.value()[1].file, "seven.ts");

    const std::pair<const char*, const char*> bad[] = {
        {"{", "is not JSON"},
        {R"({"GuideNumber":"5"})", "not a list"},
        {R"([{"GuideNumber":"5"},{"GuideNumber":"5"}])", "entry 2: GuideNumber 5 again"},
        {R"([{"GuideNumber":"5.x"}])", "entry 1: no GuideNumber"},
        {R"([{"GuideNumber":5}])", "entry 1: no GuideNumber"},
        {R"([{"GuideNumber":"5","File":"../5.ts"}])", "entry 1: File"},
        {R"([{"GuideNumber":"5","HD":"yes"}])", "entry 1: HD"},
        {R"([3])", "entry 1: not an object"},
    };
    for (const auto& [text, why] : bad) {
        platform::Result<std::vector<ChannelSpec>> r = parseLineupConfig(text, "lineup.json");
        ASSERT_FALSE(r.isOk()) << text;
        EXPECT_NE(r.message().find(why), std::string::npos) << r.message();
        EXPECT_NE(r.message().find("lineup.json"), std::string::npos) << r.message();
    }
}

}  // namespace
