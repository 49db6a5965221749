#include "tally/TallyMessageBoxes.h"

#include "widgets/PlayerMessage.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

// Why the tally file could not be read: the compressor's failure in the player's language, or
// its message as it came where it has no fixed text.
QString readFailureText(const TallyReading& reading) {
    const QString subject = QString::fromStdString(reading.subject);
    switch (reading.failure) {
    case Lzrw1Failure::openInput:
        return QCoreApplication::translate("Ttallylist",
                                           "Lzrw1 (de)compression : Failed to open input file : %1")
            .arg(subject);
    case Lzrw1Failure::noMemory:
        return QCoreApplication::translate(
            "Ttallylist", "Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
    case Lzrw1Failure::readInput:
        return QCoreApplication::translate("Ttallylist",
                                           "Lzrw1 : Error reading from input file : %1")
            .arg(subject);
    case Lzrw1Failure::noHeader:
        return QCoreApplication::translate(
                   "Ttallylist", "%1 : Lzrw1 decompression : this file has no valid header !")
            .arg(subject);
    case Lzrw1Failure::corrupt:
        return QCoreApplication::translate("Ttallylist",
                                           "%1 : Lzrw1 decompression : corrupt compressed data !")
            .arg(subject);
    case Lzrw1Failure::fastSizes:
        return QCoreApplication::translate(
            "Ttallylist",
            "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
    case Lzrw1Failure::goodSizes:
        return QCoreApplication::translate(
            "Ttallylist",
            "Lzrw1 (decompression LZH) : Original and compressed sizes do not match !");
    case Lzrw1Failure::other:
        break;
    }
    return QString::fromStdString(reading.message);
}

} // namespace

TallyAnswer TallyMessageBoxes::askReset() {
    switch (QMessageBox::question(
        m_parent, QCoreApplication::translate("Ttallylist", "Confirm"),
        QCoreApplication::translate("Ttallylist", "Are you sure you want to reset the Tally?"),
        QMessageBox::Yes | QMessageBox::No)) {
    case QMessageBox::Yes:
        return TallyAnswer::Yes;
    case QMessageBox::No:
        return TallyAnswer::No;
    default:
        return TallyAnswer::Closed;
    }
}

void TallyMessageBoxes::showReadFailure(const TallyReading& reading) {
    // The program's name, as every window's title has it.
    showPlayerMessage(m_parent, QStringLiteral("Bloomzap"), readFailureText(reading));
}
