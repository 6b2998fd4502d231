#include <gtest/gtest.h>
#include <httplib.h>

#include <regex>

#include "HostTestSupport.h"
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
             const std::string& strHost = "") {
        httplib::Headers headers = {{"X-Tarnel-Token", strToken}};
        if (!strHost.empty()) headers.emplace("Host", strHost);
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
    EXPECT_EQ(Post("/api/close", "", token, "localhost:" + std::to_string(page.Port())), 202);
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
    EXPECT_EQ(Post("/api/close", "", token, foreign), 403);
    for (const char* body :
         {"", "[]", R"({"position": -1})", R"({"position": "1"})", R"({"position": 1e30})", "{"}) {
        EXPECT_EQ(Post("/api/select", body, token), 400) << body;
    }
    EXPECT_EQ(Post("/api/canclose", R"({"checked": 1})", token), 400);
    EXPECT_EQ(Post("/api/select", std::string(100000, ' '), token), 413);
    loop.poll();
    EXPECT_TRUE(actions.empty());
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
