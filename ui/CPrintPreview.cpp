// SPDX-License-Identifier: MIT
#include "CPrintPreview.h"

#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QFileDialog>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

#include "DisplayText.h"
#include "MessageBox.h"
#include "resource.h"

namespace {

CPrintPreview::FileNameHook& FileNameHookSlot() {
    static CPrintPreview::FileNameHook hook;
    return hook;
}

}  // namespace

void CPrintPreview::SetFileNameHook(FileNameHook hook) { FileNameHookSlot() = std::move(hook); }

QString CPrintPreview::AskPdfName(QWidget* parent) {
    if (FileNameHookSlot())
        return FileNameHookSlot()();
    return QFileDialog::getSaveFileName(parent, tr("Save as PDF"), QStringLiteral("spells.pdf"),
                                        tr("PDF files (*.pdf)"));
}

PrintSources::Which CPrintPreview::DefaultWhich(const PrintSources& sources) {
    return sources.offsets[PrintSources::kBook].empty() ? PrintSources::kShown : PrintSources::kBook;
}

CPrintPreview::CPrintPreview(std::string dataDir, std::string spellClass, PrintSources sources, QWidget* parent)
    : QPrintPreviewDialog(parent),
      m_strDataDir(std::move(dataDir)),
      m_strClass(std::move(spellClass)),
      m_sources(std::move(sources)) {
    setObjectName(QStringLiteral("IDD_PRINT_PREVIEW"));
    setWindowTitle(tr("Print Spells"));
    m_ctlWhich = new QComboBox(this);
    m_ctlWhich->setObjectName(QStringLiteral("IDC_PRINT_WHICH"));
    m_ctlWhich->addItem(tr("Spellbook (%1)").arg(m_sources.offsets[PrintSources::kBook].size()));
    m_ctlWhich->addItem(tr("Spells shown (%1)").arg(m_sources.offsets[PrintSources::kShown].size()));
    m_ctlWhich->addItem(tr("Selected spell"));
    m_ctlWhich->setCurrentIndex(DefaultWhich(m_sources));
    m_ctlLayout = new QComboBox(this);
    m_ctlLayout->setObjectName(QStringLiteral("IDC_PRINT_LAYOUT"));
    m_ctlLayout->addItem(tr("Sheet"));
    m_ctlLayout->addItem(tr("Cards"));
    // A row of its own below the preview's toolbar, which has no room to
    // spare in a window of ordinary size.
    auto* toolBar = new QToolBar(this);
    toolBar->addWidget(new QLabel(tr("Print: "), toolBar));
    toolBar->addWidget(m_ctlWhich);
    toolBar->addWidget(m_ctlLayout);
    toolBar->addSeparator();
    QAction* save = toolBar->addAction(tr("Save as PDF..."));
    save->setObjectName(QStringLiteral("IDC_PRINT_SAVE_PDF"));
    connect(save, &QAction::triggered, this, [this] { SavePdf(); });
    if (auto* rows = qobject_cast<QBoxLayout*>(layout()))
        rows->insertWidget(0, toolBar);
    else if (QToolBar* own = findChild<QToolBar*>())
        own->addWidget(toolBar);
    connect(m_ctlWhich, &QComboBox::currentIndexChanged, this, &CPrintPreview::Refresh);
    connect(m_ctlLayout, &QComboBox::currentIndexChanged, this, &CPrintPreview::Refresh);
    connect(this, &QPrintPreviewDialog::paintRequested, this, &CPrintPreview::OnPaintRequested);
}

PrintSources::Which CPrintPreview::Which() const {
    return static_cast<PrintSources::Which>(std::max(0, m_ctlWhich->currentIndex()));
}
PrintLayout CPrintPreview::Layout() const {
    return m_ctlLayout->currentIndex() == 1 ? PrintLayout::kCards : PrintLayout::kSheet;
}
void CPrintPreview::SetWhich(PrintSources::Which which) { m_ctlWhich->setCurrentIndex(which); }
void CPrintPreview::SetLayout(PrintLayout layout) {
    m_ctlLayout->setCurrentIndex(layout == PrintLayout::kCards ? 1 : 0);
}

PrintSpells CPrintPreview::Spells() const {
    return LoadPrintSpells(m_strDataDir, m_strClass, m_sources.offsets[Which()]);
}

void CPrintPreview::Refresh() {
    if (auto* preview = findChild<QPrintPreviewWidget*>())
        preview->updatePreview();
}

void CPrintPreview::OnPaintRequested(QPrinter* printer) {
    const PrintSpells spells = Spells();
    PaintSpells(printer, spells.spells, Layout());
}

bool CPrintPreview::SavePdf() {
    const QString name = AskPdfName(this);
    if (name.isEmpty())
        return false;
    PrintSpells spells = Spells();
    std::string error = spells.strMessage;
    if (error.empty())
        error = WriteSpellsPdf(QFile::encodeName(name).toStdString(), spells.spells, Layout());
    if (!error.empty()) {
        ShowMessageBox(Message(error), QMessageBox::Ok, this);
        return false;
    }
    return true;
}
