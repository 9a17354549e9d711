// Every interface of the program keeps its operations in the table of virtual operations in the
// order it declares them, from the first slot on, and its destructor (where it has one) after
// them: the slot order is part of each interface's layout, which implementations and callers
// built apart from each other rely on. Under the Itanium C++ ABI a pointer to a virtual member
// holds 1 + its byte offset in the table, so the n operations of an interface must sit in slots
// 0 to n-1; a destructor declared before or between them (two entries: complete and deleting)
// would move them.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/product_icon_provider.h"
#include "catalogue/unitfinder_core_handler.h"
#include "foundation/list_compare.h"
#include "foundation/list_filter.h"
#include "foundation/list_lock.h"
#include "foundation/thread_handler.h"
#include "ndd/ndd_protocol_handler.h"
#include "ndd/ndd_user_agent_handler.h"
#include "ndd/ndd_user_agent_interface.h"
#include "ndd/network_device_detection_handler.h"
#include "ndd/network_device_detection_interface.h"
#include "ndd/network_device_interface.h"
#include "ndd/zg2p_codec_handler.h"
#include "net/alternate_ip_address.h"
#include "net/ip_address_interface.h"
#include "net/network_adapter_interface.h"
#include "net/network_adapter_manager2.h"
#include "net/network_adapter_manager_interface.h"
#include "net/network_adapter_reg_conf_interface.h"
#include "net/udp_socket_handler.h"
#include "platform/process/executable_probe.h"
#include "tools/cli_command.h"

namespace {

using Slots = std::vector<int>;

template <class Member>
int Slot(Member member) {
    struct Raw {
        ptrdiff_t ptr;
        ptrdiff_t adjust;
    };
    static_assert(sizeof(member) == sizeof(Raw));
    Raw raw;
    std::memcpy(&raw, &member, sizeof raw);
    return static_cast<int>((raw.ptr - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}

TEST(InterfaceLayout, OperationsFirstInDeclaredOrderThenTheDestructor) {
#if defined(__GXX_ABI_VERSION) && (defined(__x86_64__) || defined(__i386__))
    struct Interface {
        const char* name;
        Slots (*slots)();  // the slot of each operation, in declared order
    } interfaces[] = {
        {"IProductIconProvider",
         [] {
             using I = IProductIconProvider;
             return Slots{Slot(&I::LoadProductIcon), Slot(&I::FreeProductIcon)};
         }},
        {"IUnitFinderCoreHandler",
         [] {
             using I = IUnitFinderCoreHandler;
             return Slots{Slot(&I::OnProductAdded)};
         }},
        {"IListCompare<int>",
         [] {
             using I = IListCompare<int>;
             return Slots{Slot(&I::Compare)};
         }},
        {"IListFilter<int>",
         [] {
             using I = IListFilter<int>;
             return Slots{Slot(&I::Accept)};
         }},
        {"IListLock",
         [] {
             using I = IListLock;
             return Slots{Slot(&I::Lock), Slot(&I::Unlock)};
         }},
        {"IThreadHandler",
         [] {
             using I = IThreadHandler;
             return Slots{Slot(&I::ThreadRun)};
         }},
        {"INDDProtocolHandler",
         [] {
             using I = INDDProtocolHandler;
             return Slots{Slot(&I::OnOtherMessage), Slot(&I::OnSearchRequest), Slot(&I::OnAnswer),
                          Slot(&I::OnErrorAnswer)};
         }},
        {"INDDUserAgentHandler",
         [] {
             using I = INDDUserAgentHandler;
             return Slots{Slot(&I::OnDeviceAnswer), Slot(&I::OnErrorAnswer)};
         }},
        {"INDDUserAgent",
         [] {
             using I = INDDUserAgent;
             return Slots{
                 Slot(&I::Start),
                 Slot(&I::Stop),
                 Slot(&I::AddHandler),
                 Slot(&I::RemoveHandler),
                 Slot(&I::SetServiceType),
                 Slot(&I::GetServiceType),
                 Slot(&I::SetRetryCount),
                 Slot(&I::GetRetryCount),
                 Slot(static_cast<bool (I::*)(const char*, int16_t*, uint32_t)>(&I::Locate)),
                 Slot(static_cast<bool (I::*)(const char*, uint16_t, int16_t*, INetworkDevice**,
                                              uint32_t)>(&I::Locate)),
                 Slot(static_cast<bool (I::*)(const char*, uint16_t, int16_t*, INetworkDevice**,
                                              const char*, uint32_t)>(&I::Locate)),
                 Slot(&I::Search),
                 Slot(&I::GetErrorText),
                 Slot(&I::GetDeviceCount),
                 Slot(&I::GetFirstDevice),
                 Slot(&I::GetNextDevice),
                 Slot(&I::ClearDevices),
                 Slot(&I::GetInterfaceCount),
                 Slot(&I::GetInterface),
                 Slot(&I::Release)};
         }},
        {"INetworkDeviceDetectionHandler",
         [] {
             using I = INetworkDeviceDetectionHandler;
             return Slots{Slot(&I::OnDeviceAnswer), Slot(&I::OnErrorAnswer)};
         }},
        {"INetworkDeviceDetection",
         [] {
             using I = INetworkDeviceDetection;
             return Slots{Slot(&I::MatchServiceName), Slot(&I::GetErrorText)};
         }},
        {"INetworkDevice",
         [] {
             using I = INetworkDevice;
             return Slots{Slot(&I::GetServiceName),
                          Slot(&I::GetAddressCount),
                          Slot(&I::GetAddress),
                          Slot(static_cast<IIPAddress* (I::*)(const char*)>(&I::FindAddress)),
                          Slot(static_cast<IIPAddress* (I::*)(uint32_t)>(&I::FindAddress)),
                          Slot(&I::FindAddressInSubnet),
                          Slot(&I::GetUserData),
                          Slot(&I::GetPort),
                          Slot(&I::GetAuxValue),
                          Slot(&I::GetDeviceName),
                          Slot(&I::GetModel),
                          Slot(&I::GetVersion),
                          Slot(&I::GetInfo),
                          Slot(&I::AddressToText),
                          Slot(&I::GetLocalAddress),
                          Slot(&I::GetExtraText)};
         }},
        {"IZG2PCodecHandler",
         [] {
             using I = IZG2PCodecHandler;
             return Slots{Slot(&I::OnMessage), Slot(&I::OnError)};
         }},
        {"IAlternateIPAddress",
         [] {
             using I = IAlternateIPAddress;
             return Slots{
                 Slot(static_cast<INetworkAdapter* (I::*)(const char*, const char*)>(
                     &I::FindAdapterInSubnet)),
                 Slot(static_cast<INetworkAdapter* (I::*)(const char*, const char*, uint32_t*)>(
                     &I::FindAdapterInSubnet)),
                 Slot(&I::AddDerivedAddress),
                 Slot(&I::AddAddress),
                 Slot(&I::DeleteAddedAddresses),
                 Slot(&I::QueryInterface)};
         }},
        {"IIPAddress",
         [] {
             using I = IIPAddress;
             return Slots{Slot(&I::GetAddressText),   Slot(&I::GetAddress),
                          Slot(&I::GetMaskText),      Slot(&I::GetMask),
                          Slot(&I::GetBroadcastText), Slot(&I::GetBroadcast),
                          Slot(&I::IsEqual),          Slot(&I::GetIndex)};
         }},
        {"INetworkAdapter",
         [] {
             using I = INetworkAdapter;
             return Slots{Slot(&I::GetName),
                          Slot(&I::GetDescription),
                          Slot(&I::GetInterfaceIndex),
                          Slot(&I::GetTypeName),
                          Slot(&I::GetType),
                          Slot(&I::GetHardwareAddressLength),
                          Slot(&I::GetHardwareAddress),
                          Slot(&I::GetHardwareAddressText),
                          Slot(&I::GetLeaseObtained),
                          Slot(&I::GetLeaseExpires),
                          Slot(&I::GetIPAddressCount),
                          Slot(&I::GetIPAddressText),
                          Slot(&I::GetIPMaskText),
                          Slot(&I::GetIPBroadcastText),
                          Slot(&I::FindIPAddress),
                          Slot(&I::GetDnsServerCount),
                          Slot(&I::GetDnsServer),
                          Slot(&I::GetGatewayCount),
                          Slot(&I::GetGateway),
                          Slot(&I::IsDhcpEnabled),
                          Slot(&I::GetDhcpServer),
                          Slot(&I::HasWins),
                          Slot(&I::GetPrimaryWinsServer),
                          Slot(&I::GetSecondaryWinsServer),
                          Slot(&I::AddAlternateAddress),
                          Slot(&I::DeleteAlternateAddress),
                          Slot(&I::DeleteAlternateAddresses),
                          Slot(&I::IsOperational),
                          Slot(&I::GetIPAddressIndex)};
         }},
        {"INetworkAdapterManager2",
         [] {
             using I = INetworkAdapterManager2;
             return Slots{Slot(&I::Refresh),
                          Slot(&I::Sort),
                          Slot(&I::GetCount),
                          Slot(&I::GetAdapter),
                          Slot(&I::FindAdapterInSubnet),
                          Slot(&I::AddDerivedAddress),
                          Slot(&I::AddAddress),
                          Slot(&I::DeleteAddedAddresses),
                          Slot(&I::GetMaskOfAddress),
                          Slot(&I::GetBroadcastOfAddress),
                          Slot(&I::FindAdapterByIndex),
                          Slot(&I::FindAdapter),
                          Slot(&I::GetNetworkAddressOverride),
                          Slot(&I::DefaultMaskOf),
                          Slot(&I::QueryInterface),
                          Slot(&I::Release)};
         }},
        {"INetworkAdapterManager",
         [] {
             using I = INetworkAdapterManager;
             return Slots{Slot(&I::Refresh),
                          Slot(&I::Sort),
                          Slot(&I::GetCount),
                          Slot(&I::GetAdapter),
                          Slot(&I::FindAdapterInSubnet),
                          Slot(&I::AddDerivedAddress),
                          Slot(&I::AddAddress),
                          Slot(&I::DeleteAddedAddresses),
                          Slot(&I::GetMaskOfAddress),
                          Slot(&I::GetBroadcastOfAddress),
                          Slot(&I::FindAdapterByIndex),
                          Slot(&I::FindAdapter),
                          Slot(&I::GetNetworkAddressOverride),
                          Slot(&I::DefaultMaskOf),
                          Slot(&I::Release)};
         }},
        {"INetworkAdapterRegConf",
         [] {
             using I = INetworkAdapterRegConf;
             return Slots{Slot(&I::ReadSettings), Slot(&I::IsDhcpEnabled),  Slot(&I::GetAddresses),
                          Slot(&I::GetMasks),     Slot(&I::GetNameServers), Slot(&I::GetGateways),
                          Slot(&I::GetContexts)};
         }},
        {"IUDPSocketHandler",
         [] {
             using I = IUDPSocketHandler;
             return Slots{Slot(&I::OnUDPData), Slot(&I::OnUDPError)};
         }},
        {"zplat::IExecutableProbe",
         [] {
             using I = zplat::IExecutableProbe;
             return Slots{Slot(&I::IsExecutable), Slot(&I::SearchPath), Slot(&I::FindWindowsFile),
                          Slot(&I::WineLoader)};
         }},
        {"ICliCommand",
         [] {
             using I = ICliCommand;
             return Slots{Slot(&I::GetName), Slot(&I::GetDescription), Slot(&I::Configure),
                          Slot(&I::Run)};
         }},
    };
    for (const auto& i : interfaces) {
        SCOPED_TRACE(i.name);
        const Slots slots = i.slots();
        Slots expected(slots.size());
        for (size_t n = 0; n < expected.size(); ++n) {
            expected[n] = static_cast<int>(n);
        }
        EXPECT_EQ(slots, expected);
    }
#else
    GTEST_SKIP() << "slot numbers are read under the Itanium C++ ABI only";
#endif
}

}  // namespace
