#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <regex>

#include "HostTestSupport.h"
#include "service/host/PageTrust.h"
#include "service/host/StatusPage.h"

namespace tarnel {
namespace {

class StatusPageTest : public ::testing::Test {
protected:
    StatusPageTest() : page(loop) {}

    void ShowOnAnyPort() {
        page.Show("127.0.0.1", 0, [this](const WindowAction& action) {
            actions.push_back(action);
            loop.stop();
        });
        ASSERT_GT(page.Port(), 0);
        client = std::make_unique<httplib::Client>("127.0.0.1", page.Port());
    }
    std::string Token(const httplib::Headers& headers = {}) {
        const auto res = client->Get("/", headers);
        EXPECT_TRUE(res);
        std::smatch match;
        EXPECT_TRUE(std::regex_search(res->body, match,
                                      std::regex("name=\"tarnel-token\" content=\"([0-9a-f]*)\"")));
        return match[1];
    }
    int Post(const std::string& strPath, const std::string& strBody, const std::string& strToken,
             httplib::Headers headers = {}) {
        headers.emplace("X-Tarnel-Token", strToken);
        const auto res = client->Post(strPath.c_str(), headers, strBody, "application/json");
        return res ? res->status : -1;
    }
    // Runs the loop until the posted action has been handled.
    void RunUntilAction() {
        loop.restart();
        loop.run_for(std::chrono::seconds(30));
    }

    test::TempHome home;
    asio::io_context loop;
    StatusPage page;
    std::unique_ptr<httplib::Client> client;
    std::vector<WindowAction> actions;
};

TEST_F(StatusPageTest, ServesThePublishedSnapshot) {
    ShowOnAnyPort();
    EXPECT_EQ(client->Get("/api/window")->status, 503);
    auto snapshot = std::make_shared<WindowSnapshot>();
    snapshot->Caption = "Orrin - Gas Compressibility Factor OPC Client Service";
    snapshot->Controls.push_back({"txtStatus", Control{"Running", true, kBlue, kWhite}});
    snapshot->Streams = {"NG-1", "C3-\xB0"};
    snapshot->Selected = 1;
    page.Publish(snapshot);
    const auto res = client->Get("/api/window");
    ASSERT_TRUE(res);
    const auto json = nlohmann::json::parse(res->body);
    EXPECT_EQ(json["controls"]["txtStatus"]["text"], "Running");
    EXPECT_EQ(json["controls"]["txtStatus"]["foreColor"], "#0000FF");
    EXPECT_EQ(json["controls"]["txtStatus"]["backColor"], "#FFFFFF");
    EXPECT_EQ(json["controls"]["listCalcs"]["items"][0], "NG-1");
    EXPECT_EQ(json["controls"]["listCalcs"]["selected"], 1);
    EXPECT_EQ(home.LogLines(), std::vector<std::string>{"Status page at http://127.0.0.1:" +
                                                        std::to_string(page.Port()) + "/"});
}

TEST_F(StatusPageTest, ActionsWithThePageTokenReachTheLoop) {
    ShowOnAnyPort();
    const std::string token = Token();
    ASSERT_EQ(token.size(), 32u);
    EXPECT_EQ(Post("/api/select", R"({"position": 2})", token), 202);
    RunUntilAction();
    EXPECT_EQ(Post("/api/canclose", R"({"checked": true})", token), 202);
    RunUntilAction();
    EXPECT_EQ(Post("/api/close", "", token, {{"Host", "localhost:" + std::to_string(page.Port())}}),
              202);
    RunUntilAction();
    ASSERT_EQ(actions.size(), 3u);
    EXPECT_EQ(actions[0].What, WindowAction::Kind::Select);
    EXPECT_EQ(actions[0].Position, 2);
    EXPECT_EQ(actions[1].What, WindowAction::Kind::CanClose);
    EXPECT_TRUE(actions[1].Checked);
    EXPECT_EQ(actions[2].What, WindowAction::Kind::Close);
}

TEST_F(StatusPageTest, ActionsWithoutTheTokenOrUnderAForeignNameAreRefused) {
    ShowOnAnyPort();
    const std::string token = Token();
    const std::string foreign = "attacker.example:" + std::to_string(page.Port());
    EXPECT_EQ(Token({{"Host", foreign}}), "");
    EXPECT_EQ(Post("/api/close", "", ""), 403);
    EXPECT_EQ(Post("/api/close", "", "0123456789abcdef0123456789abcdef"), 403);
    EXPECT_EQ(Post("/api/close", "", token, {{"Host", foreign}}), 403);
    for (const char* body :
         {"", "[]", R"({"position": -1})", R"({"position": "1"})", R"({"position": 1e30})", "{"}) {
        EXPECT_EQ(Post("/api/select", body, token), 400) << body;
    }
    EXPECT_EQ(Post("/api/canclose", R"({"checked": 1})", token), 400);
    EXPECT_EQ(Post("/api/select", std::string(100000, ' '), token), 413);
    loop.poll();
    EXPECT_TRUE(actions.empty());
}

// What a browser sends for this computer's own page, and what a page of
// another site, or a client naming the page otherwise, may send instead.
TEST_F(StatusPageTest, OnlyThisComputersOwnPageGetsTheTokenAndMayAct) {
    ShowOnAnyPort();
    const std::string token = Token();
    const std::string strPort = std::to_string(page.Port());
    const std::string strOwn = "http://127.0.0.1:" + strPort;
    struct Case {
        std::string host;
        std::optional<std::string> origin, fetchSite;
        bool bTrusted;  // the page carries the token
        bool bMayAct;
    };
    const Case cases[] = {
        {"127.0.0.1:" + strPort, strOwn, "same-origin", true, true},
        {"127.0.0.1:" + strPort, std::nullopt, "none", true, true},
        {"LocalHost:" + strPort, std::nullopt, std::nullopt, true, true},
        {"localhost", "http://localhost", std::nullopt, true, true},
        {"127.45.0.9:" + strPort, std::nullopt, std::nullopt, true, true},
        {"[::1]:" + strPort, "http://[::1]:" + strPort, "same-origin", true, true},
        {"127.0.0.1.evil.example:" + strPort, std::nullopt, std::nullopt, false, false},
        {"localhost.:" + strPort, std::nullopt, std::nullopt, false, false},
        {"127.1:" + strPort, std::nullopt, std::nullopt, false, false},
        {"0x7f.0.0.1:" + strPort, std::nullopt, std::nullopt, false, false},
        {"127.000.0.1:" + strPort, std::nullopt, std::nullopt, false, false},
        {"[::ffff:127.0.0.1]:" + strPort, std::nullopt, std::nullopt, false, false},
        {"a@127.0.0.1:" + strPort, std::nullopt, std::nullopt, false, false},
        {"127.0.0.1:" + std::to_string(page.Port() + 1), std::nullopt, std::nullopt, false, false},
        {"127.0.0.1:", std::nullopt, std::nullopt, false, false},
        {"attacker.example:" + strPort, std::nullopt, std::nullopt, false, false},
        {"127.0.0.1:" + strPort, "http://attacker.example", "cross-site", true, false},
        {"127.0.0.1:" + strPort, "http://localhost:" + strPort, "same-site", true, false},
        {"127.0.0.1:" + strPort, "https://127.0.0.1:" + strPort, std::nullopt, true, false},
        {"127.0.0.1:" + strPort, "null", std::nullopt, true, false},
        {"127.0.0.1:" + strPort, std::nullopt, "cross-site", true, false},
        {"127.0.0.1:" + strPort, strOwn, "same-site", true, false},
    };
    for (const Case& c : cases) {
        httplib::Headers headers = {{"Host", c.host}};
        EXPECT_EQ(Token(headers), c.bTrusted ? token : "") << c.host;
        if (c.origin) headers.emplace("Origin", *c.origin);
        if (c.fetchSite) headers.emplace("Sec-Fetch-Site", *c.fetchSite);
        EXPECT_EQ(Post("/api/canclose", R"({"checked": true})", token, headers),
                  c.bMayAct ? 202 : 403)
            << c.host << " " << c.origin.value_or("-") << " " << c.fetchSite.value_or("-");
    }
    // A second Host or Origin cannot hide behind a first one that passes.
    EXPECT_EQ(Post("/api/canclose", R"({"checked": true})", token,
                   {{"Host", "127.0.0.1:" + strPort}, {"Host", "attacker.example"}}),
              403);
    EXPECT_EQ(Post("/api/canclose", R"({"checked": true})", token,
                   {{"Origin", strOwn}, {"Origin", "http://attacker.example"}}),
              403);
}

// The remote addresses a socket on loopback cannot show.
TEST(PageTrustTest, OnlyLoopbackPeersAreTrusted) {
    const PageTrust trust("0.0.0.0", 8470);
    for (const char* peer : {"127.0.0.1", "127.8.9.10", "::1", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(trust.Trusted(peer, "localhost:8470")) << peer;
    }
    for (const char* peer : {"192.168.1.20", "::ffff:10.0.0.1", "fe80::1", "", "localhost"}) {
        EXPECT_FALSE(trust.Trusted(peer, "localhost:8470")) << peer;
    }
    EXPECT_TRUE(trust.Trusted("127.0.0.1", "0.0.0.0:8470")) << "the bound address";
}

// Sends one request as a client that does not wait to be asked for its body,
// and returns the whole response up to the closing of the connection (empty
// when the page kept the connection open for more than a few seconds).
std::string SendRequest(std::int32_t nPort, const std::string& strHead, std::size_t nPieces,
                        const std::string& strPiece) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The page's own wait for a body is 5 s: a reply must come well before.
    const timeval limit{4, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    bool bSending = send(fd, strHead.data(), strHead.size(), MSG_NOSIGNAL) > 0;
    for (std::size_t i = 0; bSending && i < nPieces; ++i) {
        bSending = send(fd, strPiece.data(), strPiece.size(), MSG_NOSIGNAL) ==
                   static_cast<ssize_t>(strPiece.size());
    }
    std::string response;
    char buffer[4096];
    ssize_t nRead = 0;
    while ((nRead = recv(fd, buffer, sizeof buffer, 0)) > 0) response.append(buffer, nRead);
    const bool bTimedOut = nRead < 0 && errno == EAGAIN;
    close(fd);
    return bTimedOut ? "" : response;
}

std::int64_t ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

TEST_F(StatusPageTest, BodiesOverTheLimitAreRefusedAtOnceAndHeldInNoMemory) {
    ShowOnAnyPort();
    const std::string strToken = Token();
    const std::string strPost =
        "POST /api/select HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Tarnel-Token: " + strToken + "\r\n";
    const std::string strChunk = "10000\r\n" + std::string(0x10000, 'y') + "\r\n";
    const std::string strLine(0x10000, 'a');
    struct Case {
        std::string head;
        std::size_t nPieces;  // of the piece below, sent after the head
        const std::string& piece;
        int nStatus;
    };
    const Case cases[] = {
        {strPost + "Content-Length: 1000000000000\r\n\r\n", 0, strLine, 413},
        {strPost + "Transfer-Encoding: chunked\r\n\r\n", 128, strChunk, 413},  // 8 MB
        {strPost + "Transfer-Encoding: gzip, chunked\r\n\r\n", 128, strChunk, 501},
        {strPost + "Content-Encoding: br\r\nContent-Length: 1024\r\n\r\n", 0, strLine, 415},
        {strPost + "Content-Length: -1\r\n\r\n", 0, strLine, 400},
        {strPost + "\r\n", 0, strLine, 411},
        {"PUT /api/select HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 128, strChunk, 405},
        {"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: ", 128, strLine, 400},  // 8 MB header
    };
    const std::int64_t nBefore = ResidentKilobytes();
    for (const Case& c : cases) {
        const std::string response = SendRequest(page.Port(), c.head, c.nPieces, c.piece);
        EXPECT_EQ(response.substr(0, 12), "HTTP/1.1 " + std::to_string(c.nStatus)) << c.head;
    }
    EXPECT_LT(ResidentKilobytes() - nBefore, 4096) << "kB more after the requests";
    EXPECT_EQ(Post("/api/select", R"({"position": 3})", strToken), 202);
    RunUntilAction();
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].Position, 3);
}

TEST_F(StatusPageTest, AnAddressThatCannotBeBoundIsLoggedAndNothingIsServed) {
    ShowOnAnyPort();
    const std::string strBusy = std::to_string(page.Port());
    StatusPage second(loop);
    second.Show("127.0.0.1", page.Port(), [](const WindowAction&) {});
    second.Show("999.1.1.1", 8470, [](const WindowAction&) {});
    second.Show("127.0.0.1", 70000, [](const WindowAction&) {});
    const auto lines = home.LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1],
              "Status page not started on 127.0.0.1:" + strBusy + ": Address already in use");
    EXPECT_EQ(lines[2].rfind("Status page not started on 999.1.1.1:8470: ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "Status page not started on 127.0.0.1:70000: port out of range");
}

TEST_F(StatusPageTest, HiddenPageServesNothing) {
    ShowOnAnyPort();
    page.Hide();
    EXPECT_FALSE(client->Get("/api/window"));
}

}  // namespace
}  // namespace tarnel
