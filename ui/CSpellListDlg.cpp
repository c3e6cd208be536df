#include "CSpellListDlg.h"

#include <QMenu>
#include <QItemSelectionModel>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeView>

#include "CBookBar.h"
#include "CFindBar.h"
#include "CPrintPreview.h"
#include "CNoticeBar.h"
#include "CProblemsDlg.h"
#include "CSpellInfoDlg.h"
#include "ColumnTables.h"
#include "DialogUnits.h"
#include "DisplayText.h"
#include "IndexAge.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "MessageBox.h"
#include "Messages.h"
#include "RegularFile.h"
#include "SchoolIcons.h"
#include "SpellFiles.h"
#include "SpellListDelegate.h"
#include "SpellListModel.h"
#include "resource.h"

namespace {

constexpr int kDialogWidth = 362;  // dialog units
constexpr int kDialogHeight = 169;
constexpr int kListMarginX = 10;  // pixels the list leaves of the client area
constexpr int kListMarginY = 45;
constexpr int kMinimumListRows = 4;  // rows the smallest window still shows

// A long operation on the window's thread: the busy cursor for its length,
// and the windows repainted now and then, without taking user input, so
// that the program never looks hung.
class BusyOperation {
public:
    explicit BusyOperation(int repaintIntervalMs) : interval_(repaintIntervalMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Repaint();  // shows the cursor at once
    }
    ~BusyOperation() { QApplication::restoreOverrideCursor(); }
    BusyOperation(const BusyOperation&) = delete;
    BusyOperation& operator=(const BusyOperation&) = delete;

    // Repaints when the interval has passed since the last repaint, and
    // every time with an interval of 0.
    void KeepPainting() {
        if (interval_ == 0 || timer_.hasExpired(interval_))
            Repaint();
    }

private:
    void Repaint() {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        timer_.start();
    }

    qint64 interval_;
    QElapsedTimer timer_;
};

QPushButton* MakeButton(QWidget* parent, const char* objectName, const QString& text,
                        const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(geometry);
    // The dialog picks no default button of its own; CSpellListDlg draws
    // the focused button as the default, and Enter presses it.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CSpellListDlg::CSpellListDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDD_SPELL_LIST)));
    m_hIcon = LoadMainIcon();
    // The application settles the data directory first when it runs; a
    // dialog made on its own finds its files beside the executable.
    if (g_strDataDir.empty())
        ResolveDataDirFromExecutable();
    OnInitDialog();
}

CSpellListDlg::~CSpellListDlg() {
    // The base class still moves the focus as it hides the window.
    disconnect(qApp, &QApplication::focusChanged, this, &CSpellListDlg::OnFocusChanged);
}

void CSpellListDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("Spells"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(m_hIcon);

    const DialogUnits dlu(font());
    resize(dlu.X(kDialogWidth), dlu.Y(kDialogHeight));

    // Controls in tab order, at their places in dialog units.
    m_pModel = new SpellListModel(this);
    m_pImageList = LoadSchoolImageList();
    m_pModel->SetImageList(m_pImageList);

    m_ctlList = new QTreeView(this);
    m_ctlList->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_SPELL_LIST)));
    m_ctlList->setGeometry(dlu.Rect(3, 19, 354, 145));
    m_ctlList->setModel(m_pModel);
    m_ctlList->setRootIsDecorated(false);
    m_ctlList->setItemsExpandable(false);
    m_ctlList->setUniformRowHeights(true);
    m_ctlList->setSortingEnabled(false);
    m_ctlList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ctlList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ctlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ctlList->setIconSize(QSize(16, 16));
    m_ctlList->setAllColumnsShowFocus(true);
    m_ctlList->setItemDelegate(new SpellListDelegate(m_ctlList));
    QHeaderView* header = m_ctlList->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* wizard = MakeButton(this, RESOURCE_NAME(IDC_WIZARD), QStringLiteral("Wizard"),
                              dlu.Rect(3, 1, 31, 15));
    auto* priest = MakeButton(this, RESOURCE_NAME(IDC_PRIEST), QStringLiteral("Priest"),
                              dlu.Rect(35, 1, 33, 15));
    auto* details = MakeButton(this, RESOURCE_NAME(IDOK), QStringLiteral("Details..."),
                               dlu.Rect(83, 1, 41, 15));
    // Two lines when the caption does not fit the button on one.
    const QRect createRect = dlu.Rect(134, 1, 49, 15);
    const QString createText = QStringLiteral("Create Index");
    const bool fits = QFontMetrics(font()).horizontalAdvance(createText) + dlu.X(4) <=
                      createRect.width();
    auto* createIndex = MakeButton(this, RESOURCE_NAME(IDC_CREATE_INDEX),
                                   fits ? createText : QStringLiteral("Create\nIndex"), createRect);
    auto* exit = MakeButton(this, RESOURCE_NAME(IDCANCEL), QStringLiteral("Exit"),
                            dlu.Rect(198, 1, 36, 15));

    m_ctlProgress = new QProgressBar(this);
    m_ctlProgress->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_PROGRESS)));
    m_ctlProgress->setGeometry(dlu.Rect(250, 4, 107, 9));
    m_ctlProgress->setTextVisible(false);
    m_ctlProgress->setRange(0, 100);
    m_ctlProgress->setValue(0);

    setTabOrder(m_ctlList, wizard);
    setTabOrder(wizard, priest);
    setTabOrder(priest, details);
    setTabOrder(details, createIndex);
    setTabOrder(createIndex, exit);

    connect(wizard, &QPushButton::clicked, this, &CSpellListDlg::OnWizard);
    connect(priest, &QPushButton::clicked, this, &CSpellListDlg::OnPriest);
    connect(details, &QPushButton::clicked, this, &CSpellListDlg::OnOK);
    connect(createIndex, &QPushButton::clicked, this, &CSpellListDlg::OnCreateIndex);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(header, &QHeaderView::sectionClicked, this, &CSpellListDlg::OnColumnClick);
    connect(m_ctlList, &QAbstractItemView::doubleClicked, this, &CSpellListDlg::OnDblclkList);
    m_ctlList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ctlList, &QWidget::customContextMenuRequested, this, &CSpellListDlg::OnListContextMenu);

    m_pFindBar = new CFindBar(m_pModel, m_ctlList, m_ctlProgress, this);
    // The spellbook's controls are a second row of the find bar; closing
    // the bar shows all rows again, marked or not.
    m_pBookBar = new CBookBar(m_pModel, m_ctlList, this);
    m_pFindBar->AddRow(m_pBookBar);
    connect(m_pFindBar, &CFindBar::OpenChanged, m_pBookBar, [this] {
        if (!m_pFindBar->IsOpen())
            m_pBookBar->SetMarkedOnly(false);
    });
    connect(m_pFindBar, &CFindBar::OpenChanged, this, [this] { OnSize(width(), height()); });
    m_buttons = {wizard, priest, details, createIndex, exit};
    connect(qApp, &QApplication::focusChanged, this, &CSpellListDlg::OnFocusChanged);
    m_pNoticeBar = new CNoticeBar(this);
    connect(m_pNoticeBar, &CNoticeBar::ActionClicked, this, &CSpellListDlg::OnNoticeAction);
    connect(m_pNoticeBar, &CNoticeBar::Closed, this, &CSpellListDlg::HideNotice);

    SetColumnOrder(kFieldName);
    setMinimumSize(MinimumSize());
    m_ctlList->setFocus();
}

QSize CSpellListDlg::MinimumSize() const {
    // The buttons and the progress bar, with the template's right margin;
    // below them the list's header, a few rows and a horizontal scroll bar.
    const DialogUnits dlu(font());
    const QStyle* style = m_ctlList->style();
    const int rowHeight =
        std::max(m_ctlList->iconSize().height(), m_ctlList->fontMetrics().height()) +
        2 * (style->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, m_ctlList) + 1);
    const int listHeight = m_ctlList->header()->sizeHint().height() +
                           kMinimumListRows * rowHeight + 2 * m_ctlList->frameWidth() +
                           style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_ctlList);
    return {dlu.X(kDialogWidth), listHeight + kListMarginY};
}

void CSpellListDlg::OnFocusChanged(QWidget* /*old*/, QWidget* now) {
    // The focused button looks like the default button, and no other. The
    // buttons are listed, not found with findChildren: a closing details
    // dialog, a child of this one, moves the focus while its own children
    // are being destroyed.
    QList<QPushButton*> buttons = m_buttons;
    if (m_pNoticeBar)
        buttons += m_pNoticeBar->findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        button->setDefault(button == now);
}

void CSpellListDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

void CSpellListDlg::OnSize(int cx, int cy) {
    if (m_ctlList)
        m_ctlList->resize(ListSize(cx, cy));
    // Below the list stand the notice, when shown, then the find bar.
    const QWidget* above = m_ctlList;
    if (m_ctlList && m_pNoticeBar && m_pNoticeBar->isVisibleTo(this)) {
        m_pNoticeBar->setGeometry(m_ctlList->x(), m_ctlList->y() + m_ctlList->height(),
                                  m_ctlList->width(), m_pNoticeBar->sizeHint().height());
        above = m_pNoticeBar;
    }
    if (m_pFindBar && m_ctlList)
        m_pFindBar->PlaceBelow(above);
}

int CSpellListDlg::NoticeBarHeight() const {
    return m_pNoticeBar && m_pNoticeBar->isVisibleTo(this) ? m_pNoticeBar->sizeHint().height() : 0;
}

QSize CSpellListDlg::ListSize(int cx, int cy) const {
    // The client area less 10 pixels across and 45 down, and less the
    // notice and the find bar while they are shown.
    const int findBarHeight = m_pFindBar ? m_pFindBar->ReservedHeight() : 0;
    return {std::max(0, cx - kListMarginX),
            std::max(0, cy - kListMarginY - findBarHeight - NoticeBarHeight())};
}

void CSpellListDlg::keyPressEvent(QKeyEvent* event) {
    // A focused button takes Enter itself (it is the default button while
    // it has the focus); anywhere else Enter means details.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnOK();
        return;
    }
    if (event->matches(QKeySequence::Print)) {
        OnPrint();
        return;
    }
    if (event->matches(QKeySequence::Find) && m_pFindBar) {
        m_pFindBar->OnFind();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSpellListDlg::SetProgressRange(int count) {
    // An empty range would make the bar a busy animation: an empty index
    // shows an empty bar instead.
    m_ctlProgress->setRange(0, std::max(count, 1));
}

void CSpellListDlg::OnWizard() {
    g_strClass = "wizard";
    LoadIndex(kFieldName, g_strClass);
}

void CSpellListDlg::OnPriest() {
    g_strClass = "priest";
    LoadIndex(kFieldName, g_strClass);
}

bool CSpellListDlg::LoadIndex(int nKey, const std::string& spellClass) {
    if (!IsColumnField(nKey))
        return false;
    IndexReader index;
    if (!index.Open(IndexPath(spellClass))) {
        ShowMessageBox(Utf8(messages::kNoIndex), QMessageBox::Ok, this);
        return false;
    }
    m_pFindBar->OnListLoading();
    BusyOperation busy(m_nRepaintIntervalMs);
    const ListState before = SaveListState();
    const int64_t n = index.RecordCount();
    const int count = static_cast<int>(std::min<int64_t>(n, INT_MAX));
    g_nRecordCount = count;
    SetProgressRange(count);
    m_ctlProgress->setValue(0);
    SetColumnOrder(nKey);

    try {
        // The rows replace the shown ones once all are read and ordered.
        m_pModel->BeginLoad(static_cast<std::size_t>(count));
        // The bar moves about a thousand times in a load of any size: each
        // move costs far more than a row.
        const int64_t progressStep = std::max(1, count / 1000);
        SpellRecord record;
        for (int64_t i = 0; index.Next(record); ++i) {
            if (!InsertSpell(record, nKey, index.LastOffset()))
                ShowMessageBox(
                    Utf8(messages::CannotInsertSpell(DecodeForDisplay(FieldText(record.szName)))),
                    QMessageBox::Ok, this);
            if (i % progressStep == 0 || i >= count - 1)
                m_ctlProgress->setValue(static_cast<int>(std::min<int64_t>(i, count)));
            if (i % 256 == 0)
                busy.KeepPainting();
        }
        m_pModel->FinishLoad([&busy] { busy.KeepPainting(); });
    } catch (const std::bad_alloc&) {
        // Out of memory part way: the list as it was, and why.
        m_pModel->AbandonLoad();
        RestoreListState(before);
        ShowMessageBox(Utf8(messages::CannotReadIndex(spellClass + std::string(kIndexExtension),
                                                      messages::kNotEnoughMemory)),
                       QMessageBox::Ok, this);
        m_pFindBar->OnListAbandoned();
        return false;
    }
    m_strListClass = spellClass;
    m_pFindBar->OnListLoaded(TextPath(spellClass), IsPriestClass(spellClass));
    m_pBookBar->OnListLoaded(g_strDataDir, spellClass);

    if (index.Failed())
        ShowMessageBox(Utf8(messages::CannotReadIndex(spellClass + std::string(kIndexExtension),
                                                      ErrorReason(index.Error()))),
                       QMessageBox::Ok, this);
    UpdateIndexNotice(spellClass);
    return true;
}

CSpellListDlg::ListState CSpellListDlg::SaveListState() const {
    ListState state{m_pModel->KeyField(), {}, g_nRecordCount, m_ctlProgress->maximum(),
                    m_ctlProgress->value()};
    for (int column = 0; column < kColumnCount; ++column)
        state.widths.push_back(m_ctlList->header()->sectionSize(column));
    return state;
}

void CSpellListDlg::RestoreListState(const ListState& state) {
    m_pModel->SetKeyField(state.nKey);
    for (int column = 0; column < kColumnCount; ++column)
        m_ctlList->header()->resizeSection(column, state.widths[static_cast<std::size_t>(column)]);
    g_nRecordCount = state.nRecordCount;
    m_ctlProgress->setRange(0, state.progressMax);
    m_ctlProgress->setValue(state.progress);
}

void CSpellListDlg::SetColumnOrder(int nKey) {
    if (!IsColumnField(nKey))
        return;
    m_pModel->SetKeyField(nKey);
    // The table's widths suit a font of base unit 6; scaled to this one.
    const DialogUnits dlu(font());
    for (int column = 0; column < kColumnCount; ++column)
        m_ctlList->header()->resizeSection(
            column, dlu.FromBaseUnit6Pixels(g_nColumnWidths[ColumnField(nKey, column)]));
}

bool CSpellListDlg::InsertSpell(const SpellRecord& record, int /*nKey*/, int64_t recordOffset) {
    // The model places the row by the key field it was given.
    return m_pModel->AppendRecord(record, recordOffset);
}

void CSpellListDlg::OnColumnClick(int nColumn) {
    if (nColumn < 0 || nColumn >= kColumnCount)
        return;
    const QString caption = m_pModel->headerData(nColumn, Qt::Horizontal).toString();
    const int nKey = FindColumnField(caption);
    if (nKey < 0)
        return;
    LoadIndex(nKey, m_strListClass);
}

void CSpellListDlg::OnCreateIndex() {
    g_nLevel = 1;
    const auto answer = ShowMessageBox(Utf8(messages::kCreateIndexQuestion),
                                       QMessageBox::Yes | QMessageBox::No, this);
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return;  // Escape or the close box: nothing is built
    g_strClass = answer == QMessageBox::Yes ? "wizard" : "priest";
    if (BuildClassIndex(g_strClass))
        ReportBuildProblems(g_strClass);
    if (m_nNotice == Notice::kNoSpellLists && ::access(IndexPath(g_strClass).c_str(), F_OK) == 0)
        HideNotice();
}

bool CSpellListDlg::BuildClassIndex(const std::string& spellClass) {
    // The first warnings are kept for the problems dialog, the rest counted.
    KeptWarnings found;
    SpellChecker checker(&found);
    BuildResult result;
    {
        const BusyOperation busy(m_nRepaintIntervalMs);
        result = BuildIndex(spellClass, &checker);
    }
    if (!result.ok()) {
        ShowMessageBox(Utf8(result.strMessage), QMessageBox::Ok, this);
        return false;
    }
    m_nBuiltSpells = result.nRecords;
    m_nBuiltProblemLines = checker.Finish().nWarningLines;
    m_builtProblems = std::move(found);
    return true;
}

void CSpellListDlg::ReportBuildProblems(const std::string& spellClass) {
    const std::size_t lines = m_nBuiltProblemLines;
    if (lines > 0)
        ShowNotice(Notice::kProblems, spellClass, messages::IndexedWithProblems(m_nBuiltSpells, lines),
                   messages::kShowProblems);
    else if (m_strNoticeClass == spellClass)
        HideNotice();  // the index is new and nothing is wrong with it
}

void CSpellListDlg::UpdateIndexNotice(const std::string& spellClass) {
    const std::string textName = spellClass + std::string(kTextExtension);
    switch (GetIndexAge(g_strDataDir, spellClass)) {
    case IndexAge::kTextChanged:
        ShowNotice(Notice::kStaleIndex, spellClass, messages::IndexChanged(textName), messages::kRebuild);
        break;
    case IndexAge::kTextMissing:
        ShowNotice(Notice::kStaleIndex, spellClass, messages::IndexTextMissing(textName), {});
        break;
    case IndexAge::kCurrent:
        if (m_nNotice == Notice::kStaleIndex || m_nNotice == Notice::kNoSpellLists)
            HideNotice();
        break;
    }
}

void CSpellListDlg::ShowNotice(Notice notice, const std::string& spellClass, const std::string& text,
                               std::string_view action) {
    m_nNotice = notice;
    m_strNoticeClass = spellClass;
    m_pNoticeBar->ShowNotice(Utf8(text), Utf8(action));
    OnSize(width(), height());
}

void CSpellListDlg::ShowNoSpellListsNotice() {
    ShowNotice(Notice::kNoSpellLists, {}, messages::NoSpellLists(g_strDataDir), {});
}

void CSpellListDlg::HideNotice() {
    m_nNotice = Notice::kNone;
    m_strNoticeClass.clear();
    m_pNoticeBar->hide();
    OnSize(width(), height());
}

void CSpellListDlg::OnNoticeAction() {
    const std::string spellClass = m_strNoticeClass;
    if (m_nNotice == Notice::kProblems) {
        CProblemsDlg dlg(this);
        dlg.SetProblems(spellClass + std::string(kTextExtension), m_builtProblems.kept,
                        m_builtProblems.nNotKept);
        dlg.exec();
        return;
    }
    // Rebuild, as Create Index builds, and show the new index.
    g_nLevel = 1;
    if (!BuildClassIndex(spellClass))
        return;
    LoadIndex(m_pModel->KeyField(), spellClass);
    ReportBuildProblems(spellClass);
}

void CSpellListDlg::OnDblclkList(const QModelIndex& /*index*/) { ShowDetails(); }

void CSpellListDlg::OnOK() { ShowDetails(); }

void CSpellListDlg::ShowDetails() {
    const QModelIndexList selected = m_ctlList->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    CSpellInfoDlg dlg(this);
    dlg.m_nOffset = m_pModel->RecordOffset(selected.first().row());
    dlg.m_strPath = g_strDataDir + m_strListClass;
    dlg.OnInitDialog();
    dlg.exec();
}

namespace {

PrintSources SourcesOf(const SpellListModel* model, const QTreeView* list) {
    PrintSources sources;
    sources.offsets[PrintSources::kBook] = model->MarkedOffsets();
    for (int row = 0; row < model->rowCount(); ++row)
        sources.offsets[PrintSources::kShown].push_back(model->RecordOffset(row));
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        sources.offsets[PrintSources::kSelected].push_back(model->RecordOffset(index.row()));
    return sources;
}

}  // namespace

void CSpellListDlg::OnListContextMenu(const QPoint& pos) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("IDR_LIST_MENU"));
    QAction* print = menu.addAction(tr("Print..."), this, &CSpellListDlg::OnPrint);
    QAction* pdf = menu.addAction(tr("Save as PDF..."), this, &CSpellListDlg::OnSavePdf);
    print->setEnabled(!m_strListClass.empty());
    pdf->setEnabled(!m_strListClass.empty());
    menu.exec(m_ctlList->viewport()->mapToGlobal(pos));
}

void CSpellListDlg::OnPrint() {
    if (m_strListClass.empty())
        return;
    CPrintPreview dlg(g_strDataDir, m_strListClass, SourcesOf(m_pModel, m_ctlList), this);
    dlg.exec();
}

void CSpellListDlg::OnSavePdf() {
    if (m_strListClass.empty())
        return;
    CPrintPreview dlg(g_strDataDir, m_strListClass, SourcesOf(m_pModel, m_ctlList), this);
    dlg.SetLayout(PrintLayout::kCards);
    dlg.SavePdf();
}
