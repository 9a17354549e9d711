// A routing table for the tests of subnet checks: a searcher on 10.31.1.2/24 (adapter "veth-s")
// whose router 10.31.1.1 leads to 10.31.0.0/16, and nothing else routed. Installs fake IP helper
// and WMI backends for its life; the registry is the test's own business.
#pragma once

#include <memory>

#include "platform/network/fake_ip_helper.h"
#include "platform/network/inet.h"
#include "platform/network/wmi.h"

class FakeRoutes {
public:
    FakeRoutes() {
        zplat::AdapterInfo eth;
        eth.index = 3;
        eth.adapterName = "veth-s";
        eth.type = zplat::MIB_IF_TYPE_ETHERNET;
        eth.ipAddressList = {{"10.31.1.2", "255.255.255.0", 1}};
        ip_->adapters.push_back(eth);
        ip_->routes.push_back({zplat::InetAddr("10.31.0.0"),
                               16,
                               {3, zplat::InetAddr("10.31.1.2"), zplat::InetAddr("10.31.1.1")}});
    }

private:
    std::shared_ptr<zplat::FakeIpHelper> ip_ = std::make_shared<zplat::FakeIpHelper>();
    zplat::ScopedIpHelper useIp_{ip_};
    std::shared_ptr<zplat::FakeWmi> wmi_ = std::make_shared<zplat::FakeWmi>();
    zplat::ScopedWmiProvider useWmi_{wmi_};
};
