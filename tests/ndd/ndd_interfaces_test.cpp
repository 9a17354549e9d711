#include <gtest/gtest.h>

#include "ndd/ndd_user_agent_handler.h"
#include "ndd/ndd_user_agent_interface.h"
#include "ndd/network_device.h"

namespace {

class CountingHandler : public INDDUserAgentHandler {
public:
    int answers = 0;
    int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent*) override {
        answers += device->GetPort();
        return 0;
    }
    int OnErrorAnswer(uint32_t, uint16_t, INDDUserAgent*) override { return 0; }
};

// The agent's handler list holds handlers it does not own: it calls each in order and forgets
// them without deleting them.
TEST(NDDInterfacesTest, HandlerListCallsRegisteredHandlersWithoutOwningThem) {
    CountingHandler first;
    CountingHandler second;
    LNDDHandlerList handlers(true);
    handlers.AddTail(&first);
    if (handlers.Find(&first) == nullptr)
        handlers.AddTail(&first);  // registered once only
    handlers.AddTail(&second);
    ZNetworkDevice device("zelvane.x", 3, 0, "", "", "", "", "");
    handlers.Lock(1);
    for (INDDUserAgentHandler* h = handlers.First(); h != nullptr; h = handlers.Next()) {
        h->OnDeviceAnswer(&device, nullptr);
    }
    handlers.Unlock(1);
    EXPECT_EQ(first.answers, 3);
    EXPECT_EQ(second.answers, 3);
    handlers.Remove(&first);
    handlers.RemoveAll();
    EXPECT_EQ(handlers.GetCount(), 0);
}

TEST(NDDInterfacesTest, AgentResultCodes) {
    EXPECT_EQ(INDDUserAgent::kSuccess, 0);
    EXPECT_EQ(INDDUserAgent::kNetworkError, 3);
    EXPECT_EQ(INDDUserAgent::kServiceDoesntExist, 7);
    EXPECT_TRUE(std::is_abstract_v<INDDUserAgent>);
    EXPECT_TRUE(std::is_abstract_v<INetworkDevice>);
    EXPECT_TRUE(std::has_virtual_destructor_v<INetworkDevice>);
}

}  // namespace
