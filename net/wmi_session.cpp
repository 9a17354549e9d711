#include "net/wmi_session.h"

#include "platform/network/wmi.h"

ZWMISession::~ZWMISession() {
    Disconnect();
    UninitializeCOM();
}

bool ZWMISession::InitializeCOM() {
    if (com_prepared_) {
        return false;
    }
    if (zplat::Succeeded(zplat::CoInitializeSecurity())) {
        com_prepared_ = true;
    } else if (zplat::Succeeded(zplat::CoInitialize())) {
        com_prepared_ = true;
        co_initialized_ = true;
    }
    return com_prepared_;
}

bool ZWMISession::Connect() {
    if (connected_) {
        return true;
    }
    if (!zplat::Succeeded(zplat::ConnectServer("\\\\.\\root\\cimv2", &services_)) || !services_) {
        services_.reset();
        return false;
    }
    connected_ = true;
    return true;
}

bool ZWMISession::Disconnect() {
    if (!connected_) {
        return false;
    }
    services_.reset();
    connected_ = false;
    return true;
}

bool ZWMISession::UninitializeCOM() {
    if (!com_prepared_) {
        return false;
    }
    if (co_initialized_) {
        zplat::CoUninitialize();
        co_initialized_ = false;
    }
    com_prepared_ = false;
    return true;
}
