#include "ui/audit/AuditViewer.h"

#include "audit/AuditTrail.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "ui/audit/AuditLogModel.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListCsv.h"
#include "ui/print/PagePrinting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <set>
#include <tuple>

namespace {

constexpr int kFollowMs = 1000;
constexpr const char* kIsoFormat = "yyyy-MM-ddTHH:mm:ss";

} // namespace

AuditViewer::AuditViewer(std::filesystem::path folder, AuditTrail* trail, Prompt& prompt,
                         QWidget* parent)
    : QDialog(parent), m_trail(trail), m_prompt(prompt)
{
    setWindowTitle(ToQt(Tr("Protokoll")));
    setObjectName("AuditViewer");
    resize(1000, 600);
    m_model = new AuditLogModel(std::move(folder), this);
    m_table = new QTableView(this);
    m_table->setObjectName("AuditList");
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Rows of one height: the view asks only for the rows it shows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (auto [column, width] : {std::pair{AuditLogModel::Time, 150},
                                 {AuditLogModel::User, 110},
                                 {AuditLogModel::Kind, 130},
                                 {AuditLogModel::Subject, 230}})
        m_table->setColumnWidth(column, width);

    auto* csv = new QPushButton(ToQt(Tr("Als CSV speichern...")), this);
    auto* pdf = new QPushButton(ToQt(Tr("Als PDF speichern...")), this);
    auto* close = new QPushButton(ToQt(Tr("Schliessen")), this);
    connect(csv, &QPushButton::clicked, this, [this] { Save(false); });
    connect(pdf, &QPushButton::clicked, this, [this] { Save(true); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    m_count = new QLabel(this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_count, 1);
    buttons->addWidget(csv);
    buttons->addWidget(pdf);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFilterBar());
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    FillChoices();
    ApplyFilter();
    m_table->scrollToBottom();

    connect(&m_follow, &QTimer::timeout, this, [this] { Follow(); });
    m_follow.start(kFollowMs);
}

QWidget* AuditViewer::BuildFilterBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    QDateTime now = QDateTime::currentDateTime();
    m_fromOn = new QCheckBox(ToQt(Tr("Von")), bar);
    m_from = new QDateTimeEdit(now.addDays(-1), bar);
    m_toOn = new QCheckBox(ToQt(Tr("Bis")), bar);
    m_to = new QDateTimeEdit(now, bar);
    for (QDateTimeEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
        edit->setEnabled(false);
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this] { ApplyFilter(); });
    }
    connect(m_fromOn, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        ApplyFilter();
    });
    connect(m_toOn, &QCheckBox::toggled, this, [this](bool on) {
        m_to->setEnabled(on);
        ApplyFilter();
    });
    m_user = new QComboBox(bar);
    m_user->setObjectName("AuditUser");
    m_kind = new QComboBox(bar);
    m_kind->setObjectName("AuditKind");
    m_search = new QLineEdit(bar);
    m_search->setObjectName("AuditSearch");
    m_search->setPlaceholderText(ToQt(Tr("Suchen")));
    m_search->setClearButtonEnabled(true);
    connect(m_user, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(m_search, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    row->addWidget(m_fromOn);
    row->addWidget(m_from);
    row->addWidget(m_toOn);
    row->addWidget(m_to);
    row->addWidget(new QLabel(ToQt(Tr("Benutzer")), bar));
    row->addWidget(m_user);
    row->addWidget(new QLabel(ToQt(Tr("Art")), bar));
    row->addWidget(m_kind);
    row->addWidget(m_search, 1);
    return bar;
}

void AuditViewer::FillChoices()
{
    std::set<std::string> users;
    std::set<std::string> kinds;
    for (const AuditLine& line : m_model->AllLines()) {
        users.insert(line.user);
        kinds.insert(line.event.kind);
    }
    // Keeps the choice made while entries are added.
    for (auto [box, values, all] : {std::tuple{m_user, &users, Tr("Alle Benutzer")},
                                    std::tuple{m_kind, &kinds, Tr("Alle Arten")}}) {
        QString chosen = box->currentIndex() > 0 ? box->currentText() : QString();
        QSignalBlocker quiet(box);
        box->clear();
        box->addItem(ToQt(all));
        for (const std::string& value : *values)
            box->addItem(ToQt(value));
        int found = chosen.isEmpty() ? 0 : box->findText(chosen);
        box->setCurrentIndex(found < 0 ? 0 : found);
    }
}

void AuditViewer::ApplyFilter()
{
    AuditFilter filter;
    if (m_fromOn->isChecked())
        filter.from = FromQt(m_from->dateTime().toString(QString::fromLatin1(kIsoFormat)));
    if (m_toOn->isChecked())
        filter.to = FromQt(m_to->dateTime().toString(QString::fromLatin1(kIsoFormat)));
    if (m_user->currentIndex() > 0)
        filter.user = FromQt(m_user->currentText());
    if (m_kind->currentIndex() > 0)
        filter.kind = FromQt(m_kind->currentText());
    filter.text = FromQt(m_search->text());
    m_model->SetFilter(std::move(filter));
    m_count->setText(ToQt(FormatTr(TrNoop("%d Eintraege"), m_model->rowCount())));
}

void AuditViewer::SetSearchText(const QString& text)
{
    m_search->setText(text);
}

void AuditViewer::Follow()
{
    size_t known = m_model->AllLines().size();
    bool atEnd = m_table->verticalScrollBar() == nullptr ||
                 m_table->verticalScrollBar()->value() == m_table->verticalScrollBar()->maximum();
    m_model->Refresh();
    if (m_model->AllLines().size() == known)
        return;
    FillChoices();
    m_count->setText(ToQt(FormatTr(TrNoop("%d Eintraege"), m_model->rowCount())));
    if (atEnd)
        m_table->scrollToBottom();
}

bool AuditViewer::SaveCsv(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("\xEF\xBB\xBF");
    auto line = [&file](const QStringList& fields) {
        file.write((fields.join(kCsvSeparator) + QStringLiteral("\r\n")).toUtf8());
    };
    QStringList fields;
    for (int column = 0; column < AuditLogModel::ColumnCount; ++column)
        fields << CsvField(AuditLogModel::Header(column));
    line(fields);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        fields.clear();
        for (int column = 0; column < AuditLogModel::ColumnCount; ++column)
            fields << CsvField(m_model->Text(row, column));
        line(fields);
    }
    return file.commit();
}

bool AuditViewer::SavePdf(const QString& path)
{
    return ExportPdfPages(path, [this](QPagedPaintDevice& device) {
        QPainter painter;
        if (!painter.begin(&device))
            return 0;
        QFont font = painter.font();
        font.setPointSize(8);
        painter.setFont(font);
        const QRect page = painter.viewport();
        const int lineHeight = painter.fontMetrics().height() * 5 / 4;
        // Columns as shares of the page width: time, user, kind, subject, details.
        const int shares[] = {14, 10, 12, 20, 44};
        int pages = 1;
        int y = 0;
        auto heading = [&] {
            painter.drawText(0, lineHeight, ToQt(Tr("Protokoll")));
            y = lineHeight * 3;
        };
        heading();
        for (int row = -1; row < m_model->rowCount(); ++row) {
            if (y + lineHeight > page.height()) {
                device.newPage();
                ++pages;
                heading();
            }
            int x = 0;
            for (int column = 0; column < AuditLogModel::ColumnCount; ++column) {
                int width = page.width() * shares[column] / 100;
                QString text = row < 0 ? AuditLogModel::Header(column) : m_model->Text(row, column);
                painter.drawText(QRect(x, y, width - 6, lineHeight),
                                 Qt::AlignLeft | Qt::AlignVCenter,
                                 painter.fontMetrics().elidedText(text, Qt::ElideRight, width - 6));
                x += width;
            }
            y += lineHeight;
        }
        painter.end();
        return pages;
    });
}

void AuditViewer::Save(bool pdf)
{
    QString suffix = pdf ? QStringLiteral("pdf") : QStringLiteral("csv");
    QFileDialog dialog(this, ToQt(Tr("Speichern unter")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(pdf ? ToQt(Tr("PDF-Dateien (*.pdf)")) : ToQt(Tr("CSV-Dateien (*.csv)")));
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(QStringLiteral("Protokoll.") + suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().front();
    if (!(pdf ? SavePdf(path) : SaveCsv(path))) {
        m_prompt.Show(
            FormatTr(TrNoop("Die Datei konnte nicht geschrieben werden:\n%s"), FromQt(path)),
            Tr("Fehler"), PromptIcon::Error, PromptButtons::Ok);
        return;
    }
    if (m_trail != nullptr)
        m_trail->Record("export", "audit trail",
                        {{"format", pdf ? "PDF" : "CSV"},
                         {"file", FromQt(path)},
                         {"rows", std::to_string(m_model->rowCount())}});
}
