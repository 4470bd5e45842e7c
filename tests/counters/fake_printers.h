// A scripted printer seam: a list of printer names, failures to inject at
// each step, and a record of what the print job did. Pages are drawn into
// an image of the configured page size.
#pragma once

#include "widgets/print_job.h"

#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

namespace lumo::test {

class FakePrinters : public PrinterSeam {
public:
    FakePrinters() { installPrinters(this); }
    ~FakePrinters() override
    {
        if (&printers() == this) installPrinters(nullptr);
    }

    // Script.
    ListResult listResult = ListResult::Ok;
    QStringList names;
    bool openFails = false;
    bool contextFails = false;
    bool documentFails = false;
    bool pageFails = false;
    QSize page{700, 990};

    // Record.
    std::vector<QString> calls;  // "open NAME", "context", "document NAME", "page", ...
    QImage printed;              // the page as drawn (null until a page was ended)
    int openDevices = 0;         // devices not yet destroyed

    ListResult listPrinters(QStringList* out) override
    {
        calls.push_back(QStringLiteral("list"));
        *out = names;
        return listResult;
    }

    std::unique_ptr<PrintDevice> openPrinter(const QString& name) override
    {
        calls.push_back(QStringLiteral("open ") + name);
        if (openFails) return nullptr;
        return std::make_unique<Device>(this);
    }

    bool called(const QString& what) const
    {
        for (const QString& c : calls)
            if (c == what) return true;
        return false;
    }

private:
    class Device : public PrintDevice {
    public:
        explicit Device(FakePrinters* owner) : o_(owner) { ++o_->openDevices; }
        ~Device() override
        {
            if (painter_.isActive()) painter_.end();
            o_->calls.push_back(QStringLiteral("close"));
            --o_->openDevices;
        }
        bool createContext() override
        {
            o_->calls.push_back(QStringLiteral("context"));
            return !o_->contextFails;
        }
        QSize pagePixels() const override { return o_->page; }
        bool startDocument(const QString& name) override
        {
            o_->calls.push_back(QStringLiteral("document ") + name);
            return !o_->documentFails;
        }
        QPainter* startPage() override
        {
            o_->calls.push_back(QStringLiteral("page"));
            if (o_->pageFails) return nullptr;
            image_ = QImage(o_->page, QImage::Format_RGB32);
            image_.fill(Qt::white);
            painter_.begin(&image_);
            return &painter_;
        }
        void endPage() override
        {
            o_->calls.push_back(QStringLiteral("end page"));
            painter_.end();
            o_->printed = image_;
        }
        void endDocument() override { o_->calls.push_back(QStringLiteral("end document")); }

    private:
        FakePrinters* o_;
        QImage image_;
        QPainter painter_;
    };
};

}  // namespace lumo::test
