// SPDX-License-Identifier: MIT
#include "CProblemsDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "DisplayText.h"
#include "Messages.h"
#include "ProblemsModel.h"
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

    // One line a row, all of one height: the view lays out only the rows
    // it shows, whatever their number. A long message is read in full in
    // its tooltip.
    m_pModel = new ProblemsModel(this);
    m_ctlList = new QTreeView(this);
    m_ctlList->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_PROBLEM_LIST)));
    m_ctlList->setAccessibleName(tr("Problems"));
    m_ctlList->setModel(m_pModel);
    m_ctlList->setRootIsDecorated(false);
    m_ctlList->setItemsExpandable(false);
    m_ctlList->setUniformRowHeights(true);
    m_ctlList->setAllColumnsShowFocus(true);
    m_ctlList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ctlList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ctlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ctlList->setTabKeyNavigation(false);  // Tab goes on to Close
    QHeaderView* header = m_ctlList->header();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->resizeSection(ProblemsModel::kLineColumn, kLineWidth);
    header->resizeSection(ProblemsModel::kMessageColumn, kMessageWidth);
    header->resizeSection(ProblemsModel::kSpellColumn, kSpellWidth);

    m_ctlNotListed = new QLabel(this);
    m_ctlNotListed->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_PROBLEMS_NOT_LISTED)));
    m_ctlNotListed->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Message(messages::kClose));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDCANCEL)));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setTabOrder(m_ctlList, buttons->button(QDialogButtonBox::Close));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ctlList);
    layout->addWidget(m_ctlNotListed);
    layout->addWidget(buttons);
    resize(kLineWidth + kMessageWidth + kSpellWidth + 40, kDialogHeight);
}

void CProblemsDlg::SetProblems(const std::string& textName, const std::vector<Diagnostic>& diagnostics,
                               std::size_t notListed) {
    setWindowTitle(Utf8(messages::ProblemsTitle(textName)));
    m_pModel->SetProblems(diagnostics);
    m_ctlNotListed->setText(notListed > 0 ? Utf8(messages::ProblemsNotListed(notListed)) : QString());
    m_ctlNotListed->setVisible(notListed > 0);
}
