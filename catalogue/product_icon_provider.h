#pragma once
// IProductIconProvider: where the product-kind icons come from. The bitmaps belong to the
// application shell (bitmap resources 30001 to 30012, 16 x 16 pixels at 24 bits, 30012 16 x 13,
// drawn with magenta as the transparent colour); the product record only keeps one handle per kind
// value and hands it to the list view.
//
//   class QtIcons : public IProductIconProvider {
//       ZProductIcon LoadProductIcon(uint16_t id) override { return new QPixmap(...); }
//       void FreeProductIcon(ZProductIcon icon) override { delete static_cast<const
//       QPixmap*>(icon); }
//   };
//   ZProduct::InitProductResources(window, &icons);   // kind k gets LoadProductIcon(30001 + k)
//
// Ownership: each icon is created by LoadProductIcon and released by FreeProductIcon of the same
// provider; the provider itself is not owned and must outlive FreeProductResources. Both calls run
// on the UI thread while no painting happens.

#include <cstdint>

// An icon as the GUI represents it; opaque to the catalogue.
using ZProductIcon = const void*;

class IProductIconProvider {
public:
    // The bitmap resource id of the icon of kind value 0.
    static constexpr uint16_t kFirstIconResource = 30001;

    // Null when the bitmap cannot be loaded.
    virtual ZProductIcon LoadProductIcon(uint16_t resourceId) = 0;
    virtual void FreeProductIcon(ZProductIcon icon) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IProductIconProvider() = default;
};
