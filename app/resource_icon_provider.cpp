#include "app/resource_icon_provider.h"

#include "app/bitmap_resources.h"

ZProductIcon ZResourceIconProvider::LoadProductIcon(uint16_t resourceId) {
    QImage image = LoadBitmapResource(resourceId);
    if (image.isNull()) {
        return nullptr;
    }
    return new QImage(std::move(image));
}

void ZResourceIconProvider::FreeProductIcon(ZProductIcon icon) {
    delete ImageOf(icon);
}
