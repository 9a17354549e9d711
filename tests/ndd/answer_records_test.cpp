// The records of one search cycle's answers: identical answers share one record, any field that
// differs makes another, the cycle's records are bounded in bytes, and a flood of one answer costs
// one record however often it comes.

#include "ndd/answer_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "tests/ndd/ndd_fixtures.h"

namespace {

using ndd_fixtures::Address;

ZAnswerRecords::Answer BoothAnswer() {
    ZAnswerRecords::Answer a;
    a.serviceName = "zelvane.cuedeck";
    a.deviceAddress = Address(192, 168, 1, 50);
    a.deviceMask = Address(255, 255, 255, 0);
    a.userData = 7;
    a.port = 4300;
    a.auxValue = 2;
    a.deviceName = "Booth 2";
    a.model = "CD-4";
    a.version = "6.4.2";
    a.info = "<data serial=\"1\"/>";
    a.requesterAddress = Address(192, 168, 1, 20);
    a.requesterMask = Address(255, 255, 255, 0);
    a.indexValue = 1;
    a.extraText = "x";
    return a;
}

TEST(AnswerRecords, IdenticalAnswersShareOneRecordWithEveryField) {
    ZAnswerRecords records;
    std::unique_ptr<ZNetworkDevice> transient;
    ZNetworkDevice* first = records.Obtain(BoothAnswer(), &transient);
    ZNetworkDevice* again = records.Obtain(BoothAnswer(), &transient);
    EXPECT_EQ(first, again);
    EXPECT_EQ(transient, nullptr);
    EXPECT_EQ(records.GetCount(), 1u);
    EXPECT_EQ(records.GetSharedCount(), 1u);

    EXPECT_STREQ(first->GetServiceName(), "zelvane.cuedeck");
    EXPECT_EQ(first->GetPort(), 4300);
    EXPECT_EQ(first->GetAuxValue(), 2);
    EXPECT_EQ(first->GetUserData(), 7u);
    EXPECT_STREQ(first->GetDeviceName(), "Booth 2");
    EXPECT_STREQ(first->GetModel(), "CD-4");
    EXPECT_STREQ(first->GetVersion(), "6.4.2");
    EXPECT_STREQ(first->GetInfo(), "<data serial=\"1\"/>");
    EXPECT_STREQ(first->GetExtraText(), "x");
    ASSERT_EQ(first->GetAddressCount(), 1u);
    EXPECT_STREQ(first->GetAddress(0)->GetAddressText(), "192.168.1.50");
    EXPECT_STREQ(first->GetAddress(0)->GetMaskText(), "255.255.255.0");
    EXPECT_EQ(first->GetAddress(0)->GetIndex(), 1);
    EXPECT_STREQ(first->GetLocalAddress()->GetAddressText(), "192.168.1.20");
}

TEST(AnswerRecords, AnyFieldThatDiffersMakesAnotherRecord) {
    struct Case {
        const char* name;
        std::function<void(ZAnswerRecords::Answer*)> change;
    } cases[] = {
        {"service name", [](auto* a) { a->serviceName = "zelvane.vxp2"; }},
        {"device address", [](auto* a) { a->deviceAddress = Address(192, 168, 1, 51); }},
        {"device mask", [](auto* a) { a->deviceMask = Address(255, 255, 0, 0); }},
        {"user data", [](auto* a) { a->userData = 8; }},
        {"port", [](auto* a) { a->port = 4301; }},
        {"auxiliary value", [](auto* a) { a->auxValue = 3; }},
        {"device name", [](auto* a) { a->deviceName = "Booth 3"; }},
        {"model", [](auto* a) { a->model = nullptr; }},
        {"version", [](auto* a) { a->version = "6.4.3"; }},
        {"info", [](auto* a) { a->info = "<data serial=\"2\"/>"; }},
        {"requester address", [](auto* a) { a->requesterAddress = Address(10, 0, 0, 5); }},
        {"requester mask", [](auto* a) { a->requesterMask = Address(255, 0, 0, 0); }},
        {"index value", [](auto* a) { a->indexValue = 2; }},
        {"extra text", [](auto* a) { a->extraText = "y"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZAnswerRecords records;
        std::unique_ptr<ZNetworkDevice> transient;
        ZNetworkDevice* first = records.Obtain(BoothAnswer(), &transient);
        ZAnswerRecords::Answer changed = BoothAnswer();
        c.change(&changed);
        ZNetworkDevice* second = records.Obtain(changed, &transient);
        EXPECT_NE(first, second);
        EXPECT_EQ(records.GetCount(), 2u);
        EXPECT_EQ(records.Obtain(changed, &transient), second);  // and that one is shared too
    }
}

TEST(AnswerRecords, AbsentAndEmptyTextsReadTheSame) {
    ZAnswerRecords records;
    std::unique_ptr<ZNetworkDevice> transient;
    ZAnswerRecords::Answer absent = BoothAnswer();
    absent.model = nullptr;
    ZAnswerRecords::Answer empty = BoothAnswer();
    empty.model = "";
    EXPECT_EQ(records.Obtain(absent, &transient), records.Obtain(empty, &transient));
}

// A device repeating its answer: one record however many repeats, small or 4,096-byte answers.
TEST(AnswerRecords, AFloodOfOneAnswerCostsOneRecord) {
    const std::string big(4096, 'i');
    for (const char* info : {"<data/>", big.c_str()}) {
        SCOPED_TRACE(std::strlen(info));
        ZAnswerRecords records;
        ZAnswerRecords::Answer a = BoothAnswer();
        a.info = info;
        std::unique_ptr<ZNetworkDevice> transient;
        records.Obtain(a, &transient);
        const size_t bytes = records.GetBytes();
        EXPECT_GE(bytes, std::strlen(info));
        for (int i = 0; i < 100000; ++i) {
            records.Obtain(a, &transient);
        }
        EXPECT_EQ(records.GetCount(), 1u);
        EXPECT_EQ(records.GetBytes(), bytes);
        EXPECT_EQ(transient, nullptr);
    }
}

// Past the bound a new answer gets a record of its own that the caller owns; the kept ones are
// still shared, and the next cycle has the whole room again.
TEST(AnswerRecords, PastTheBoundAnswersGetTransientRecords) {
    const size_t cost = ZAnswerRecords::CostOf(BoothAnswer());
    ZAnswerRecords records(2 * cost);
    std::unique_ptr<ZNetworkDevice> transient;
    ZAnswerRecords::Answer a = BoothAnswer();
    ZNetworkDevice* kept[2];
    for (uint16_t port = 0; port < 2; ++port) {
        a.port = port;
        kept[port] = records.Obtain(a, &transient);
        ASSERT_EQ(transient, nullptr);
    }
    a.port = 2;
    ZNetworkDevice* over = records.Obtain(a, &transient);
    ASSERT_NE(transient, nullptr);
    EXPECT_EQ(over, transient.get());
    EXPECT_EQ(over->GetPort(), 2);
    EXPECT_EQ(records.GetCount(), 2u);
    EXPECT_LE(records.GetBytes(), records.GetMaxBytes());
    EXPECT_EQ(records.GetTransientCount(), 1u);
    transient.reset();
    a.port = 1;
    EXPECT_EQ(records.Obtain(a, &transient), kept[1]);
    EXPECT_EQ(transient, nullptr);

    records.Clear();
    EXPECT_EQ(records.GetCount(), 0u);
    EXPECT_EQ(records.GetBytes(), 0u);
    a.port = 2;
    records.Obtain(a, &transient);
    EXPECT_EQ(transient, nullptr);  // room again
    EXPECT_EQ(records.GetCount(), 1u);
}

}  // namespace
