#pragma once
// ZProduct: what the program knows about one answering device: the texts of the list's columns
// and details area, the kind of product (from the answer's service name), and the major version
// that picks its client application. Built once from a device's first answer and only read after.
//
//   ZProduct product(device);                       // on the network thread, under the list lock
//   product.GetTypeModel();                         // "Cuedeck Editor Prime"
//   if (product.CanConnect()) product.LaunchClient();   // UI thread
//
// Kind icons are process-wide: InitProductResources loads the twelve (through the GUI's icon
// provider) and clears the client-installed caches; FreeProductResources releases them. Both run
// on the UI thread while nothing paints.
//
// Ownership: a product copies everything it needs from the device; the device may go away after
// the constructor. The texts handed out by the getters belong to the product. Products are owned
// by the discovery core's list.

#include <cstdint>

#include "catalogue/product_icon_provider.h"
#include "catalogue/product_kind.h"
#include "foundation/double_list.h"
#include "foundation/string.h"

class INetworkDevice;

class ZProduct {
public:
    // device may be null: the record then stays empty (serial "N/A", major version 1).
    explicit ZProduct(INetworkDevice* device);
    ZProduct(const ZProduct&) = delete;
    ZProduct& operator=(const ZProduct&) = delete;

    const ZString& GetName() const { return name; }
    const ZString& GetTypeModel() const { return typeModel; }
    const ZString& GetDescription() const { return description; }
    const ZString& GetAddressText() const { return addressText; }
    const ZString& GetServiceName() const { return serviceName; }
    const ZString& GetSerial() const { return serial; }
    const ZString& GetClientName() const { return clientName; }
    const ZString& GetVersionText() const { return versionText; }
    const ZString& GetLabel() const { return label; }
    uint16_t GetPort() const { return port; }
    uint16_t GetType() const { return type; }
    int GetMajorVersion() const { return majorVersion; }

    // The kind icon: icon `type` for kinds 0 to 11, icon 0 for any other value; null before
    // InitProductResources or when the provider had no bitmap.
    ZProductIcon GetIcon() const;

    // Whether the kind's client application is on this machine, and whether Connect may start it
    // (installed, and not a kind whose client this program does not start).
    bool IsClientInstalled() const;
    bool CanConnect() const;
    // Starts the client (or opens the device's web page); true when it was started.
    bool LaunchClient() const;

    // Reads the device's info text (see product_info.h): serial, edition suffix of the
    // Type/Model text and major version. Null, empty, oversized or malformed text changes nothing.
    void ParseInfo(const char* text);

    // The Description column for a model text: "?" for none, a few model names spelled out,
    // anything else as it is.
    static ZString DescribeModel(const char* model);

    // Loads the kind icons from icons (null: no icons), clears the client-installed caches and
    // remembers window as the owner of windows the shell opens. Icons of an earlier call are
    // released first.
    static void InitProductResources(void* window, IProductIconProvider* icons);
    static void FreeProductResources();

private:
    ZString name;
    ZString label;
    ZString typeModel;
    ZString description;
    ZString addressText;
    ZString serviceName;
    ZString serial;
    ZString clientName;
    ZString versionText;
    uint16_t port = 0;
    uint16_t type = ptUnknown;
    int majorVersion = 1;
};

// The discovery core's list of products.
using LProductList = ZIDoubleList<ZProduct>;
using LProductListIter = ZIDoubleListIterator<ZProduct>;
