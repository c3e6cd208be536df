#include "CProblemsDlg.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "DisplayText.h"
#include "Messages.h"
#include "resource.h"

namespace {

constexpr int kLineWidth = 60;  // pixels of the three columns
constexpr int kMessageWidth = 560;
constexpr int kSpellWidth = 170;
constexpr int kDialogHeight = 400;

}  // namespace

CProblemsDlg::CProblemsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDD_PROBLEMS)));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_ctlList = new QTableWidget(0, 3, this);
    m_ctlList->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_PROBLEM_LIST)));
    m_ctlList->setWordWrap(true);
    m_ctlList->setShowGrid(false);
    m_ctlList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ctlList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ctlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ctlList->verticalHeader()->hide();
    QStringList captions;
    for (const std::string_view caption : messages::kProblemColumns)
        captions << Utf8(caption);
    m_ctlList->setHorizontalHeaderLabels(captions);
    QHeaderView* header = m_ctlList->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->resizeSection(0, kLineWidth);
    header->resizeSection(1, kMessageWidth);
    header->resizeSection(2, kSpellWidth);
    // Long messages wrap: rows follow the width of their columns.
    connect(header, &QHeaderView::sectionResized, m_ctlList, &QTableWidget::resizeRowsToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Utf8(messages::kClose));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDCANCEL)));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ctlList);
    layout->addWidget(buttons);
    resize(kLineWidth + kMessageWidth + kSpellWidth + 40, kDialogHeight);
}

void CProblemsDlg::SetProblems(const std::string& textName, const std::vector<Diagnostic>& diagnostics) {
    setWindowTitle(Utf8(messages::ProblemsTitle(textName)));
    std::vector<const Diagnostic*> warnings;
    for (const Diagnostic& d : diagnostics)
        if (d.severity == Severity::kWarning)
            warnings.push_back(&d);
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const Diagnostic* a, const Diagnostic* b) { return a->nLine < b->nLine; });

    m_ctlList->clearContents();
    m_ctlList->setRowCount(static_cast<int>(warnings.size()));
    const auto cell = [](const QString& text, Qt::Alignment align) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(align | Qt::AlignTop);
        return item;
    };
    for (int row = 0; row < m_ctlList->rowCount(); ++row) {
        const Diagnostic& d = *warnings[static_cast<std::size_t>(row)];
        m_ctlList->setItem(row, 0, cell(QString::number(d.nLine), Qt::AlignRight));
        m_ctlList->setItem(row, 1, cell(Utf8(d.strMessage), Qt::AlignLeft));
        m_ctlList->setItem(row, 2, cell(Utf8(d.strSpell), Qt::AlignLeft));
    }
    m_ctlList->resizeRowsToContents();
}
