#include "app/font_substitutes.h"

void InstallFontSubstitutes() {
    for (const char* family : {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial"}) {
        QFont::insertSubstitution(QString::fromLatin1(family),
                                  QString::fromLatin1(kSubstituteFamily));
    }
}

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
