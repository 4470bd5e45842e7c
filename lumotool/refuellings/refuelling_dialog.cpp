#include "refuellings/refuelling_dialog.h"

#include "core/device_link.h"
#include "core/ui_seam.h"
#include "widgets/print_job.h"
#include "core/safe_file.h"
#include "refuellings/refuelling_chart.h"
#include "resources/resources.h"
#include "session/reads.h"
#include "session/station_record.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lumo {

const QString RefuellingDialog::kTitle = QString::fromUtf8(kRefuellingsTitle);
const QString RefuellingDialog::kDocumentName = QStringLiteral("Mavik-Gardo Betankungen");

namespace {

QTableWidget* makeTable(QWidget* parent)
{
    const QStringList head = RefuellingTableHeader();
    auto* t = new QTableWidget(map::kRecordCount, int(head.size()), parent);
    t->setHorizontalHeaderLabels(head);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectItems);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setTabKeyNavigation(false);  // Tab leaves the table; the arrows move in it
    t->setFocusPolicy(Qt::StrongFocus);
    t->setWordWrap(false);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return t;
}

}  // namespace

QByteArray RefuellingCsvFile(const RefuellingReport& report)
{
    QList<RefuellingRow> rows;
    for (const Side side : {Side::Left, Side::Right})
        for (const RefuellingRow& row : report.reading.of(side).rows) rows << row;
    return QByteArray("\xEF\xBB\xBF") + RefuellingCsv(rows);
}

RefuellingDialog::RefuellingDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RefuellingDialog"));
    setWindowTitle(RefuellingText(kRefuellingsTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    // Until read: every row empty, with its number.
    setReport(RefuellingReport{});
}

void RefuellingDialog::buildControls()
{
    header_ = TagControl(new QLabel(this), kIdHeader, QStringLiteral("header"), tr("Kopfdaten"));
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto side = [this](const QString& title, const char* group, int chartId, const char* chartName, int tableId,
                       const char* tableName, const QString& sideWord, RefuellingChart*& chart,
                       QTableWidget*& table) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(group));
        chart = TagControl(new RefuellingChart(box), chartId, QString::fromLatin1(chartName),
                           tr("Diagramm Betankungen %1").arg(sideWord));
        table = TagControl(makeTable(box), tableId, QString::fromLatin1(tableName),
                           tr("Tabelle Betankungen %1").arg(sideWord));
        auto* l = new QVBoxLayout(box);
        l->addWidget(chart, 1);
        l->addWidget(table, 1);
        return box;
    };
    auto* left = side(tr("Linke Zapfsäule"), "leftGroup", kIdChartLeft, "chartLeft", kIdTableLeft,
                      "tableLeft", tr("links"), chartLeft_, tableLeft_);
    auto* right = side(tr("Rechte Zapfsäule"), "rightGroup", kIdChartRight, "chartRight", kIdTableRight,
                       "tableRight", tr("rechts"), chartRight_, tableRight_);

    saveButton_ = TagControl(new QPushButton(tr("Speichern …"), this), kIdSave, QStringLiteral("save"),
                             tr("Speichern"));
    saveButton_->setAutoDefault(false);
    printButton_ = TagControl(new QPushButton(tr("Drucken"), this), kIdPrint, QStringLiteral("print"),
                              tr("Drucken"));
    printButton_->setAutoDefault(false);
    okButton_ = TagControl(new QPushButton(tr("Schliessen"), this), kIdOk, QStringLiteral("close"),
                           tr("Schliessen"));
    okButton_->setDefault(true);

    auto* sides = new QHBoxLayout;
    sides->addWidget(left);
    sides->addWidget(right);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(saveButton_);
    bottom->addWidget(printButton_);
    bottom->addWidget(okButton_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(header_);
    main->addLayout(sides, 1);
    main->addLayout(bottom);

    const QList<QWidget*> order = {tableLeft_, tableRight_, saveButton_, printButton_, okButton_};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    connect(saveButton_, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(printButton_, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

int RefuellingDialog::exec()
{
    if (!opened_) {
        opened_ = true;
        setWindowIcon(AppIcon());
        ReadValues();
    }
    return QDialog::exec();
}

int32_t RefuellingDialog::ReadValues()
{
    RefuellingReport r;
    DeviceLink link;
    int32_t status = session::ReadIdentification(link, &r.identification);
    // A dead line shows one message, not one for every record.
    if (status == 0) status = session::ReadRefuellings(link, &r.reading);
    else r.reading = report_.reading;
    r.readAt = QDateTime::currentDateTime();
    // The station name when the station file knows the controller; a
    // missing file is no error here.
    r.stationName = session::StationNameOf(r.identification);
    setReport(r);
    return status;
}

void RefuellingDialog::setReport(const RefuellingReport& report)
{
    report_ = report;
    header_->setText(RefuellingPageHeader(report_).mid(1).join(QStringLiteral("     ")));
    showSide(Side::Left);
    showSide(Side::Right);
}

void RefuellingDialog::showSide(Side side)
{
    const SideRefuellings& rows = report_.reading.of(side);
    (side == Side::Left ? chartLeft_ : chartRight_)->setModel(BuildChartModel(rows));
    QTableWidget* table = side == Side::Left ? tableLeft_ : tableRight_;
    const QStringList head = RefuellingTableHeader();
    for (int r = 0; r < map::kRecordCount; ++r) {
        const RefuellingRow& row = rows.rows[size_t(r)];
        const QStringList cells = RefuellingTableCells(row, rows.threshold);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            // A screen reader says the column and, for the ratio, where it
            // lies against the band.
            const QString spoken = c == 4 ? RatioSpokenText(row, rows.threshold)
                                   : cells[c].isEmpty() ? tr("leer")
                                                        : cells[c];
            item->setData(Qt::AccessibleTextRole, head[c] + QStringLiteral(": ") + spoken);
            if (c > 0 && row.time) item->setToolTip(FormatTimeDe(*row.time));
            table->setItem(r, c, item);
        }
    }
}

bool RefuellingDialog::OnSave()
{
    const QString name = tr("Betankungen");
    QString suggestion = report_.identification.isEmpty() ? name : report_.identification + QLatin1Char('_') + name;
    const QString chosen = ui().chooseSaveFile(tr("Betankungen speichern unter (CSV und PDF)"),
                                               suggestion + QStringLiteral(".csv"),
                                               tr("CSV und PDF (*.csv *.pdf)"), this);
    if (chosen.isEmpty()) return false;
    QString base = chosen;
    for (const QString& suffix : {QStringLiteral(".csv"), QStringLiteral(".pdf")})
        if (base.endsWith(suffix, Qt::CaseInsensitive)) base.chop(suffix.size());
    const QString csvPath = base + QStringLiteral(".csv");
    const QString pdfPath = base + QStringLiteral(".pdf");

    // Nothing is replaced without asking.
    QStringList existing;
    for (const QString& p : {csvPath, pdfPath})
        if (QFileInfo::exists(p) || QFileInfo(p).isSymLink()) existing << QFileInfo(p).fileName();
    if (!existing.isEmpty() &&
        !askYesNo(tr("%1 besteht bereits.\nErsetzen?").arg(existing.join(tr(" und "))), this))
        return false;

    const QByteArray pdf = RefuellingPdf(report_, kDocumentName);
    if (pdf.isEmpty()) {
        ShowFileError(tr("Das PDF konnte nicht erzeugt werden."), this);
        return false;
    }
    QString error;
    for (const auto& [path, bytes] : {std::pair{csvPath, RefuellingCsvFile(report_)}, std::pair{pdfPath, pdf}}) {
        if (!WriteFileSafely(path, bytes, &error)) {
            ShowFileError(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), error), this);
            return false;
        }
    }
    return true;
}

void RefuellingDialog::OnPrint()
{
    const RefuellingReport report = report_;
    RunPrintJob(this, kDocumentName, [report](QPainter& painter, const QSize& page) {
        DrawRefuellingPage(painter, page, report);
    });
}

}  // namespace lumo
