// The refuellings on one A4 page: a header with the station name, the
// identification number and the time of reading, then per side its chart
// and its table. The same drawing goes to the printer and into the PDF
// export, both through the print job's document steps.
#pragma once

#include "session/refuelling_reads.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QSize>
#include <QString>

class QPainter;

namespace lumo {

struct RefuellingReport {
    QString stationName;     // "Tankstelle" of the station file, may be empty
    QString identification;  // ten digits, empty when not read
    QDateTime readAt;        // when the values were read
    session::RefuellingsReading reading;
};

// The title of the window and of the page, marked for translation.
inline constexpr const char* kRefuellingsTitle =
    QT_TRANSLATE_NOOP("lumo::Refuellings", "Mavik - Lumo 05     Betankungen");

// The page's header lines, as drawn.
QStringList RefuellingPageHeader(const RefuellingReport& report);

// Draws the page into a page of pagePixels device pixels.
void DrawRefuellingPage(QPainter& painter, const QSize& pagePixels, const RefuellingReport& report);

// The page as a one-page A4 PDF document; empty when it could not be made.
QByteArray RefuellingPdf(const RefuellingReport& report, const QString& documentName);

}  // namespace lumo
