#pragma once
// ZResourceIconProvider: hands the product records their kind icons from the program's bitmap
// resources (30001 to 30012; 16 x 16, the last 16 x 13; magenta is transparent). Each icon is a
// QImage that the list view draws with magenta left out.
//
//   ZResourceIconProvider icons;
//   ZProduct::InitProductResources(window, &icons);
//   const QImage* icon = ZResourceIconProvider::ImageOf(product->GetIcon());
//   ...
//   ZProduct::FreeProductResources();                // before icons goes
//
// Ownership: every image made by LoadProductIcon is released by FreeProductIcon; the provider
// keeps nothing itself. UI thread only.

#include <QImage>

#include "catalogue/product_icon_provider.h"

class ZResourceIconProvider final : public IProductIconProvider {
public:
    ZProductIcon LoadProductIcon(uint16_t resourceId) override;
    void FreeProductIcon(ZProductIcon icon) override;

    // The image behind an icon handle of this provider (null for null).
    static const QImage* ImageOf(ZProductIcon icon) { return static_cast<const QImage*>(icon); }
};
