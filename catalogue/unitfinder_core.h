#pragma once
// ZUnitFinderCore: the discovery engine room behind the main window. It owns the NDD user agent,
// searches for every "zelvane.*" service on a thread of its own every two seconds, turns each
// device the first time it answers into a ZProduct, keeps the products in one list, and tells its
// handler about each new one.
//
//   ZUnitFinderCore core(&window);                // its own ZNDDUserAgent(nullptr, 0, 4258)
//   core.Start();                                 // false when the network side cannot start
//   LProductList* list = core.GetProductList();
//   list->Lock(1); ... walk, read products ...; list->Unlock(1);
//   core.Stop();                                  // before destruction
//
//   ZUnitFinderCore testCore(&handler, makeAgent);   // makeAgent(nullptr, 0, 4258) builds the
//   agent
//
// A product is identified by service name, answering address and port; a device that answers
// again changes nothing, and a device that stops answering stays listed until the next Start.
// The list holds at most GetMaxProducts products (kDefaultMaxProducts unless set), so a host that
// forges answers of ever new devices cannot grow it without end: an answer that would add a
// product past the cap is not listed and is counted (GetOverCapCount), and the products already
// listed stay as they are.
//
// Ownership: the core owns its agent (made by the factory, released with Release), the product
// list and every product in it; products are deleted only by Start and by the destructor, so
// pointers taken from the list stay valid while the core runs. The handler is not owned.
//
// Threads: Start, Stop and destruction on the UI thread; Run on the search thread; OnDeviceAnswer
// and OnErrorAnswer on the network receive thread (OnDeviceAnswer while the engine holds its
// lock). The list's lock is taken after the engine's; callers of GetProductList hold it while
// they walk the list or use product pointers from it, and never call into the agent meanwhile.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "catalogue/product.h"
#include "catalogue/unitfinder_core_handler.h"
#include "foundation/thread.h"
#include "ndd/ndd_user_agent_handler.h"
#include "ndd/ndd_user_agent_interface.h"
#include "platform/threading/event.h"

// Builds the agent from its group address, local port and remote port.
using ZUserAgentFactory = std::function<INDDUserAgent*(const char* groupAddress, uint16_t localPort,
                                                       uint16_t remotePort)>;

class ZUnitFinderCore : public ZThread, public INDDUserAgentHandler {
public:
    // The UDP port on which devices listen for search requests.
    static constexpr uint16_t kRemotePort = 4258;
    // Pause between two searches, in milliseconds.
    static constexpr uint32_t kSearchIntervalMs = 2000;
    // The most products listed unless SetMaxProducts says otherwise: far above any installation
    // (a product costs about 700 bytes, BM_MemoryPerProduct), low enough that forged answers
    // cannot exhaust memory.
    static constexpr uint32_t kDefaultMaxProducts = 100000;

    // Creates its ZNDDUserAgent (no group address, any local port, remote port 4258) and registers
    // with it.
    explicit ZUnitFinderCore(IUnitFinderCoreHandler* handler);
    // The same with the agent made by makeAgent (tests and tools give their own).
    ZUnitFinderCore(IUnitFinderCoreHandler* handler, ZUserAgentFactory makeAgent);
    ~ZUnitFinderCore() override;
    ZUnitFinderCore(const ZUnitFinderCore&) = delete;
    ZUnitFinderCore& operator=(const ZUnitFinderCore&) = delete;

    // The search loop; returns 0.
    int Run() override;
    // Adds a product for a device seen for the first time; returns 1.
    int OnDeviceAnswer(INetworkDevice* device, INDDUserAgent* agent) override;
    // Refusals are ignored; returns 1.
    int OnErrorAnswer(uint32_t address, uint16_t code, INDDUserAgent* agent) override;

    // Empties the list, starts the agent and the search thread. False (and no thread) when the
    // agent cannot start.
    virtual bool Start();
    // Ends the search thread (at once, even in the middle of its wait) and stops the agent. The
    // list keeps its products.
    virtual void Stop();
    // The list itself: take its lock (reason 1) while using it.
    virtual LProductList* GetProductList();

    // The pause between two searches (kSearchIntervalMs unless set; 0 counts as 1). Takes effect
    // from the next wait; the finder keeps the default, tools and tests may search faster.
    void SetSearchInterval(uint32_t milliseconds);
    uint32_t GetSearchInterval() const { return searchIntervalMs_.load(); }

    // The cap on listed products (0 counts as 1); products listed already stay when it is
    // lowered.
    void SetMaxProducts(uint32_t count);
    uint32_t GetMaxProducts() const { return maxProducts_.load(); }
    // Answers, since the last Start, that would have added a product past the cap.
    uint64_t GetOverCapCount() const { return overCap_.load(); }

private:
    // Identity of a product: service name, answering address (network order) and port.
    struct Key {
        std::string service;
        uint32_t address;
        uint16_t port;
        bool operator==(const Key&) const = default;
    };
    struct KeyView {
        std::string_view service;
        uint32_t address;
        uint16_t port;
    };
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(const Key& k) const {
            return (*this)(KeyView{k.service, k.address, k.port});
        }
        size_t operator()(const KeyView& k) const;
    };
    struct KeyEqual {
        using is_transparent = void;
        bool operator()(const Key& a, const Key& b) const { return a == b; }
        bool operator()(const KeyView& a, const Key& b) const {
            return a.address == b.address && a.port == b.port && a.service == b.service;
        }
        bool operator()(const Key& a, const KeyView& b) const { return (*this)(b, a); }
    };

    // Deletes every product; under the list's lock.
    void DeleteProductsLocked();

    INDDUserAgent* agent_;
    zplat::Event wake_;
    LProductList* products_;
    IUnitFinderCoreHandler* handler_;
    // Beside the list, under its lock: finds a known product without walking the list.
    std::unordered_map<Key, ZProduct*, KeyHash, KeyEqual> index_;
    char identityXml_[1028];
    std::atomic<uint32_t> searchIntervalMs_{kSearchIntervalMs};
    std::atomic<uint32_t> maxProducts_{kDefaultMaxProducts};
    std::atomic<uint64_t> overCap_{0};
};
