#include "widgets/print_job.h"

#include "core/language.h"
#include "core/ui_seam.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace lumo {

namespace {

// A printer through Qt: QPrinter in high resolution, so that one unit of
// the painter is one device pixel of the printer.
class QtPrintDevice final : public PrintDevice {
public:
    explicit QtPrintDevice(const QPrinterInfo& info) : printer_(info, QPrinter::HighResolution) {}

    ~QtPrintDevice() override
    {
        if (painter_.isActive()) painter_.end();
    }

    bool createContext() override { return printer_.isValid(); }

    QSize pagePixels() const override
    {
        // The printable area in device pixels: what the painter can reach.
        return QSize(printer_.width(), printer_.height());
    }

    bool startDocument(const QString& documentName) override
    {
        printer_.setDocName(documentName);
        return painter_.begin(&printer_);
    }

    // Beginning the painter has started the first page already.
    QPainter* startPage() override { return painter_.isActive() ? &painter_ : nullptr; }

    // The page is closed by ending the document (or by the next page).
    void endPage() override {}

    void endDocument() override
    {
        if (painter_.isActive()) painter_.end();
    }

private:
    QPrinter printer_;
    QPainter painter_;
};

class QtPrinters final : public PrinterSeam {
public:
    ListResult listPrinters(QStringList* names) override
    {
        names->clear();
        const QList<QPrinterInfo> list = QPrinterInfo::availablePrinters();
        for (const QPrinterInfo& p : list) names->append(p.printerName());
        return ListResult::Ok;
    }

    std::unique_ptr<PrintDevice> openPrinter(const QString& name) override
    {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) return nullptr;
        return std::make_unique<QtPrintDevice>(info);
    }
};

QtPrinters& qtPrinters()
{
    static QtPrinters instance;
    return instance;
}

PrinterSeam* g_installed = nullptr;

void showPrintError(QWidget* owner, const QString& text, MsgIcon icon)
{
    Message m;
    m.text = Translated("lumo::PrintJob", text);
    m.caption = Translated("lumo::PrintJob", kPrintErrorCaption);
    m.icon = icon;
    m.buttons = MsgButtons::Ok;
    m.parent = owner;
    ui().showMessage(m);
}

}  // namespace

PrinterSeam& printers()
{
    return g_installed ? *g_installed : qtPrinters();
}

void installPrinters(PrinterSeam* seam)
{
    g_installed = seam;
}

void RunPrintJob(QWidget* owner, const QString& documentName, const PageDrawer& drawPage)
{
    PrinterSeam& seam = printers();

    // The printer list; a failure to read it is a warning, an empty list a
    // stop.
    QStringList names;
    switch (seam.listPrinters(&names)) {
    case PrinterSeam::ListResult::NoMemory:
        showPrintError(owner, kTextNoPrintMemory, MsgIcon::Warning);
        return;
    case PrinterSeam::ListResult::Failed:
        showPrintError(owner, kTextNoPrinter, MsgIcon::Warning);
        return;
    case PrinterSeam::ListResult::Ok:
        break;
    }
    if (names.isEmpty()) {
        showPrintError(owner, kTextNoPrinter, MsgIcon::Stop);
        return;
    }

    // Always the first printer of the list, whichever is the default.
    std::unique_ptr<PrintDevice> device = seam.openPrinter(names.first());
    if (!device) {
        showPrintError(owner, kTextCannotPrint, MsgIcon::Stop);
        return;
    }
    if (!device->createContext()) {
        showPrintError(owner, kTextNoPrinterDc, MsgIcon::Stop);
        return;
    }
    PrintOnDevice(*device, documentName, drawPage);
    // Destroying the device closes the printer.
}

bool PrintOnDevice(PrintDevice& device, const QString& documentName, const PageDrawer& drawPage)
{
    const QSize page = device.pagePixels();
    bool drawn = false;
    // A document or page that cannot be started is wound up silently.
    if (device.startDocument(documentName)) {
        if (QPainter* painter = device.startPage()) {
            if (drawPage) drawPage(*painter, page);
            drawn = true;
            device.endPage();
        }
        device.endDocument();
    }
    return drawn;
}

}  // namespace lumo
