#pragma once
// IUnitFinderCoreHandler: how the discovery core tells its owner (the main window) about a new
// product.
//
//   class Window : public IUnitFinderCoreHandler {
//       void OnProductAdded(ZProduct*) override { PostMessageToSelf(); }   // nothing more
//   };
//
// OnProductAdded runs on the network receive thread, once per product added to the core's list,
// after the list's lock has been released. The product belongs to the core's list and stays valid
// until the core's next Start or its destruction. The core does not own its handler.

class ZProduct;

class IUnitFinderCoreHandler {
public:
    virtual void OnProductAdded(ZProduct* product) = 0;

protected:
    ~IUnitFinderCoreHandler() = default;
};
