#include "app/bitmap_resources.h"

#include <QString>

QImage LoadBitmapResource(int id) {
    QImage image(QStringLiteral(":/bitmaps/%1.xpm").arg(id));
    if (image.isNull()) {
        return image;
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage ProgramIconImage(int size) {
    return QImage(QStringLiteral(":/icons/zunitfinder-%1.png").arg(size));
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {32, 48}) {
        icon.addFile(QStringLiteral(":/icons/zunitfinder-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
