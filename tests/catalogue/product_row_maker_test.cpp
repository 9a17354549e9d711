// Rows of products as the scan prints them and the finder exports them: the local interface of
// the latest answer comes from the tracker, which knows products by the bytes the device sent.

#include "catalogue/product_row_maker.h"

#include <gtest/gtest.h>

#include "catalogue/product.h"
#include "catalogue/product_tracker.h"
#include "platform/registry/registry.h"
#include "tests/catalogue/fake_network_device.h"

namespace {

TEST(ProductRowMaker, LocalAddressFromTheTrackerByTheDevicesOwnBytes) {
    zplat::ScopedRegistry registry;  // empty: no client is installed
    struct Case {
        const char* label;
        std::string service;
    };
    const Case cases[] = {
        {"UTF-8 service", "zelvane.vxp2"},
        // Windows-1252 bytes: the row holds the text decoded, the tracker the bytes.
        {"Windows-1252 service", "zelvane.vxp\xE9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        int64_t now = 1000;
        ZProductTracker tracker(5000, [&now] { return now; });
        FakeNetworkDevice device(c.service, "10.0.0.7", 4300);
        device.name = "Booth";
        device.local.text = "192.0.2.77";  // an address no adapter here carries
        tracker.OnDeviceAnswer(&device, nullptr);
        const ZProduct product(&device);

        ZProductRowMaker maker(&tracker);
        ZProductRowMaker::InstalledMemo installed;
        const ZProductRow row = maker.Make(product, true, &installed);
        EXPECT_EQ(row.localAddress, "192.0.2.77");
        EXPECT_EQ(row.localInterface, "");
        EXPECT_EQ(installed.size(), 1u);

        // Without details: the product's own texts only.
        const ZProductRow plain = maker.Make(product, false);
        EXPECT_EQ(plain.name, "Booth");
        EXPECT_EQ(plain.localAddress, "");
    }
}

TEST(ProductRowMaker, WithoutTrackerNoLocalInterface) {
    zplat::ScopedRegistry registry;
    FakeNetworkDevice device("zelvane.vxp2", "10.0.0.7", 4300);
    const ZProduct product(&device);
    ZProductRowMaker maker(nullptr);
    const ZProductRow row = maker.Make(product);
    EXPECT_EQ(row.AddressAndPort(), "10.0.0.7:4300");
    EXPECT_EQ(row.localAddress, "");
    EXPECT_EQ(row.localInterface, "");
}

}  // namespace
