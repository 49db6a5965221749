#include "tally/TallyMessageBoxes.h"

#include "widgets/CoreText.h"
#include "widgets/PlayerMessage.h"

#include <QMessageBox>

namespace {

// The record keeper's question and the compressor's failures on reading the tally file.
constexpr const char* tallyTexts[] = {
    QT_TRANSLATE_NOOP("Ttallylist", "Confirm"),
    QT_TRANSLATE_NOOP("Ttallylist", "Are you sure you want to reset the Tally?"),
    QT_TRANSLATE_NOOP("Ttallylist", "Lzrw1 (de)compression : Failed to open input file : %1"),
    QT_TRANSLATE_NOOP("Ttallylist",
                      "Lzrw1 (de)compression : Failed to get memory for I/O buffers !"),
    QT_TRANSLATE_NOOP("Ttallylist", "Lzrw1 : Error reading from input file : %1"),
    QT_TRANSLATE_NOOP("Ttallylist", "%1 : Lzrw1 decompression : this file has no valid header !"),
    QT_TRANSLATE_NOOP("Ttallylist", "%1 : Lzrw1 decompression : corrupt compressed data !"),
    QT_TRANSLATE_NOOP(
        "Ttallylist",
        "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"),
    QT_TRANSLATE_NOOP("Ttallylist",
                      "Lzrw1 (decompression LZH) : Original and compressed sizes do not match !")};

QString shown(const std::string& text) {
    return translatedCoreText("Ttallylist", tallyTexts, text);
}

} // namespace

TallyAnswer TallyMessageBoxes::askYesNo(const std::string& title, const std::string& text) {
    switch (QMessageBox::question(m_parent, shown(title), shown(text),
                                  QMessageBox::Yes | QMessageBox::No)) {
    case QMessageBox::Yes:
        return TallyAnswer::Yes;
    case QMessageBox::No:
        return TallyAnswer::No;
    default:
        return TallyAnswer::Closed;
    }
}

void TallyMessageBoxes::showError(const std::string& title, const std::string& text) {
    showPlayerMessage(m_parent, shown(title), shown(text));
}
