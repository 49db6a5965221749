#include "widgets/HouseStyle.h"

#include "widgets/ButtonComps.h"

namespace house {

QFont pixelFont(const char* family, int pixels, bool bold) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont sansSerif(int pixels, bool bold) {
    return pixelFont("MS Sans Serif", pixels, bold);
}

QFont arial(int pixels, bool bold) {
    return pixelFont("Arial", pixels, bold);
}

void styleButton(TSelButton* button, const QColor& caption, int pixels) {
    // Fill stays the same under the mouse and when pressed: only the caption colour and the
    // one-pixel shift show what the mouse does.
    button->setColor(buttonFace);
    button->setColorOver(buttonFace);
    button->setColorDown(buttonFace);
    button->setColorBorder(darkRed);
    button->setColorOverCaption(darkRed);
    button->setBorderWidth(1);
    button->setAlignment(Qt::AlignHCenter);
    button->setFont(arial(pixels, true));
    button->setFontColor(caption);
}

} // namespace house
