#include "app/list_palette.h"

#include <QPalette>
#include <QWidget>

void SetListColors(QWidget* edit) {
    QPalette p = edit->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, ToQColor(kListEvenRow));
        p.setColor(group, QPalette::Text, ToQColor(kListRowText));
        p.setColor(group, QPalette::Highlight, ToQColor(kListSelectedRow));
        p.setColor(group, QPalette::HighlightedText, ToQColor(kListSelectedText));
    }
    edit->setPalette(p);
}
