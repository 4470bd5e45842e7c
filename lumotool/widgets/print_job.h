// The print job frame every printout runs in: take the first printer of the
// list, open it, make its drawing surface, start a document under the given
// name, let the caller draw one page, end the document and release the
// printer. Failures along the way are told in "Fehler" boxes through the UI
// seam; a successful printout shows nothing.
//
// The printer itself sits behind a seam of its own (PrinterSeam): the
// program uses Qt's printing (CUPS on Linux), tests install a fake.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPainter;
class QWidget;

namespace lumo {

// Caption of every box of the print job.
inline const QString kPrintErrorCaption = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PrintJob", "Fehler"));
inline const QString kTextNoPrintMemory = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PrintJob", "Kein Druckspeicher vorhanden!"));
inline const QString kTextNoPrinter = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PrintJob", "Kein Drucker gefunden!"));
inline const QString kTextCannotPrint = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PrintJob", "Ausdruck nicht möglich!"));
inline const QString kTextNoPrinterDc = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PrintJob", "Kein Printer-DC!"));

// One opened printer. Destroying it closes the printer and releases its
// drawing surface (and ends a document left open).
class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    // Makes the drawing surface; false when none results.
    virtual bool createContext() = 0;
    // Page size in device pixels (the printable area), valid after
    // createContext().
    virtual QSize pagePixels() const = 0;
    // Starts the document; false when it cannot be started.
    virtual bool startDocument(const QString& documentName) = 0;
    // Starts a page and returns the painter to draw it with (device pixels,
    // origin at the top left of the printable area, y downwards); nullptr
    // when the page cannot be started.
    virtual QPainter* startPage() = 0;
    virtual void endPage() = 0;
    // Ends the document; the printer receives the job.
    virtual void endDocument() = 0;
};

class PrinterSeam {
public:
    enum class ListResult {
        Ok,
        NoMemory,  // no room for the list
        Failed,    // the printer list could not be read
    };
    virtual ~PrinterSeam() = default;
    // The printers in the platform's order.
    virtual ListResult listPrinters(QStringList* names) = 0;
    // Opens the printer by name; nullptr when it cannot be opened.
    virtual std::unique_ptr<PrintDevice> openPrinter(const QString& name) = 0;
};

// The seam in force: the installed one, else the Qt implementation.
PrinterSeam& printers();
// Installs a seam (a test's fake); nullptr returns to Qt. The caller keeps
// ownership.
void installPrinters(PrinterSeam* seam);

// The page-drawing step: painter and page size in device pixels.
using PageDrawer = std::function<void(QPainter& painter, const QSize& pagePixels)>;

// The document steps on a device whose drawing surface exists: start the
// document under its name and a page, let drawPage draw it, end both. A
// document or page that cannot be started is wound up silently; returns
// whether the page was drawn. RunPrintJob ends with these steps, and a file
// export runs them on a PDF device.
bool PrintOnDevice(PrintDevice& device, const QString& documentName, const PageDrawer& drawPage);

// Runs one printout on the first printer of the list (not the system's
// default). owner owns the message boxes.
void RunPrintJob(QWidget* owner, const QString& documentName, const PageDrawer& drawPage);

}  // namespace lumo
