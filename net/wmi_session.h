#pragma once
// ZWMISession: what the WMI readers (ZWMIConfig2, ZWMINetworkAdapter) share: COM prepared for
// this thread (security first, plain initialization as the fallback) and a connection to the local
// root\cimv2 namespace, each undone only when this object did it.
//
//   ZWMISession session;
//   if (session.InitializeCOM() && session.Connect()) {
//       std::vector<zplat::WmiObject> objects;
//       session.Services()->ExecQuery("SELECT * FROM Win32_NetworkAdapter", &objects);
//   }
//   // the destructor disconnects and releases COM
//
// Ownership: holds the services while connected. One thread uses an object.

#include <memory>

namespace zplat {
class WbemServices;
}

class ZWMISession {
public:
    ZWMISession() = default;
    ~ZWMISession();
    ZWMISession(const ZWMISession&) = delete;
    ZWMISession& operator=(const ZWMISession&) = delete;

    // False when COM is already prepared by this object or cannot be prepared.
    bool InitializeCOM();
    // Connects to the local root\cimv2 namespace; true at once when connected.
    bool Connect();
    bool IsConnected() const { return connected_; }
    // The connected namespace; null when not connected.
    zplat::WbemServices* Services() const { return services_.get(); }
    // False when not connected.
    bool Disconnect();
    // False when COM was not prepared by this object; CoUninitialize only when it initialized.
    bool UninitializeCOM();

private:
    std::shared_ptr<zplat::WbemServices> services_;
    bool com_prepared_ = false;
    bool co_initialized_ = false;
    bool connected_ = false;
};
