// The agent zunit's product commands give the discovery core: the command line's service pattern
// and search data in place of the core's, searches counted, and ownership of the wrapped agent.
// Also the connect command's target parsing.

#include "tools/cli_user_agent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/unitfinder_core.h"
#include "tests/catalogue/fake_user_agent.h"
#include "tools/connect_command.h"

namespace {

TEST(CliUserAgentTest, ReplacesPatternAndDataAndCountsSearches) {
    FakeAgentLog log;
    auto* agent = new ZCliUserAgent(new FakeUserAgent(&log, /*startResult=*/0));
    agent->OverrideServiceType("zelvane.vxp2");
    agent->OverrideSearchData("mine");
    {
        ZUnitFinderCore core(nullptr, [agent](const char*, uint16_t, uint16_t) { return agent; });
        core.SetSearchInterval(20);
        ASSERT_TRUE(core.Start());
        ASSERT_EQ(log.searched.Wait(5000), zplat::WAIT_OBJECT_0);
        ASSERT_EQ(log.searched.Wait(5000), zplat::WAIT_OBJECT_0);
        core.Stop();
        EXPECT_EQ(log.serviceType, "zelvane.vxp2");
        EXPECT_EQ(agent->GetSearchCount(), static_cast<uint64_t>(log.Searches()));
        EXPECT_GE(agent->GetSearchCount(), 2u);
        EXPECT_EQ(agent->GetStartResult(), 0);
        EXPECT_EQ(agent->GetLastSearchError(), 0);
        for (const std::string& call : log.Calls()) {
            if (call.rfind("Search(", 0) == 0) {
                EXPECT_EQ(call, "Search(|mine)");
            }
        }
    }
    // The core released the wrapper, which released the agent it wraps.
    EXPECT_EQ(log.Calls().back(), "Release");
}

TEST(CliUserAgentTest, WithoutOverridesTheCoresOwnSearchGoesOut) {
    FakeAgentLog log;
    auto* agent = new ZCliUserAgent(new FakeUserAgent(&log, /*startResult=*/3));
    ZUnitFinderCore core(nullptr, [agent](const char*, uint16_t, uint16_t) { return agent; });
    EXPECT_FALSE(core.Start());
    EXPECT_EQ(agent->GetStartResult(), 3);  // kept for the error message
    agent->SetServiceType("zelvane.*");
    EXPECT_EQ(log.serviceType, "zelvane.*");
    int16_t result = 9;
    EXPECT_TRUE(agent->Search("", "identity", &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.Calls().back(), "Search(|identity)");
}

TEST(ConnectTargetTest, AddressWithOptionalPort) {
    const struct {
        const char* text;
        bool ok;
        const char* address;
        uint16_t port;
    } cases[] = {
        {"10.0.0.5", true, "10.0.0.5", 0},
        {"10.0.0.5:80", true, "10.0.0.5", 80},
        {"010.000.000.005:00080", true, "10.0.0.5", 80},  // decimal, leading zeros dropped
        {"255.255.255.255:65535", true, "255.255.255.255", 65535},
        {"10.0.0.5:0", false, "", 0},
        {"10.0.0.5:65536", false, "", 0},
        {"10.0.0.5:", false, "", 0},
        {"10.0.0.5:8x", false, "", 0},
        {"10.0.0.256", false, "", 0},
        {"10.0.0", false, "", 0},
        {"10.0.0.5.6", false, "", 0},
        {"10..0.5", false, "", 0},
        {"0x0a.0.0.5", false, "", 0},
        {"host.example", false, "", 0},
        {"", false, "", 0},
        {" 10.0.0.5", false, "", 0},
        {"-1.0.0.5", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string address = "unchanged";
        uint16_t port = 7;
        EXPECT_EQ(ZConnectCommand::ParseTarget(c.text, &address, &port), c.ok);
        if (c.ok) {
            EXPECT_EQ(address, c.address);
            EXPECT_EQ(port, c.port);
        }
    }
}

}  // namespace
