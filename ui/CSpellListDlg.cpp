// SPDX-License-Identifier: MIT
#include "CSpellListDlg.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <unistd.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QApplication>
#include <QPlainTextEdit>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>
#include <QToolTip>

#include "CAboutDlg.h"
#include "CBookBar.h"
#include "CFindBar.h"
#include "CPrintPreview.h"
#include "CNoticeBar.h"
#include "CProblemsDlg.h"
#include "CSpellInfoDlg.h"
#include "CSpellListView.h"
#include "ColumnLayout.h"
#include "ColumnTables.h"
#include "DialogUnits.h"
#include "DisplayText.h"
#include "Globals.h"
#include "IndexAge.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SchoolIcons.h"
#include "SpellFiles.h"
#include "SpellListDelegate.h"
#include "SpellListModel.h"
#include "SpellSearch.h"
#include "StatusMessage.h"
#include "ViewSettings.h"
#include "resource.h"

namespace {

constexpr int kDialogWidth = 362;  // dialog units
constexpr int kDialogHeight = 169;
constexpr int kListMarginX = 10;  // pixels the list leaves of the client area
constexpr int kListMarginY = 45;
constexpr int kMinimumListRows = 4;  // rows the smallest window still shows
// Rows a load reads, orders and shows well within a frame.
constexpr int64_t kRowsWithinAFrame = 2000;

// A long operation on the window's thread: the busy cursor for its length,
// and the windows repainted now and then, without taking user input, so
// that the program never looks hung. A progress bar given paints with the
// rest at each repaint, not at each step: QProgressBar repaints at once
// whenever its value moves by a pixel.
class BusyOperation {
public:
    // `paintFirst`: repaints at once, showing the cursor; an operation
    // that ends within a frame need not.
    explicit BusyOperation(int repaintIntervalMs, QWidget* progress = nullptr, bool paintFirst = true)
        : interval_(repaintIntervalMs), progress_(progress) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (progress_)
            progress_->setUpdatesEnabled(false);
        if (paintFirst)
            Repaint();
        else
            timer_.start();
    }
    ~BusyOperation() {
        if (progress_)
            progress_->setUpdatesEnabled(true);  // paints its last value with the window
        QApplication::restoreOverrideCursor();
    }
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
        if (progress_)
            progress_->setUpdatesEnabled(true);  // asks for its repaint
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (progress_)
            progress_->setUpdatesEnabled(false);
        timer_.start();
    }

    qint64 interval_;
    QWidget* progress_;
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

// `base` made `step` points larger (smaller when negative).
QFont ScaledFont(QFont base, int step) {
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() + step);
    else
        base.setPixelSize(base.pixelSize() + step * 4 / 3);
    return base;
}

// Ctrl++ (and Ctrl+=), Ctrl+- and Ctrl+0 on `owner`: `change` gets +1, -1,
// or 0 for the normal size.
void AddTextSizeKeys(QWidget* owner, Qt::ShortcutContext context, const std::function<void(int)>& change) {
    const std::pair<QKeySequence, int> keys[] = {{QKeySequence(QKeySequence::ZoomIn), 1},
                                                 {QKeySequence(Qt::CTRL | Qt::Key_Equal), 1},
                                                 {QKeySequence(QKeySequence::ZoomOut), -1},
                                                 {QKeySequence(Qt::CTRL | Qt::Key_0), 0}};
    for (const auto& key : keys) {
        auto* shortcut = new QShortcut(key.first, owner, nullptr, nullptr, context);
        QObject::connect(shortcut, &QShortcut::activated, owner, [change, delta = key.second] { change(delta); });
    }
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
    // The caption, the buttons and the column captions are the program's
    // own words, the same in every language: they are not translated.
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

    m_ctlList = new CSpellListView(this);
    m_ctlList->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_SPELL_LIST)));
    m_ctlList->setAccessibleName(tr("Spell list"));
    m_ctlList->setGeometry(dlu.Rect(3, 19, 354, 145));
    m_ctlList->setModel(m_pModel);
    m_ctlList->setSortingEnabled(false);
    m_ctlList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ctlList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ctlList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ctlList->setIconSize(QSize(16, 16));
    m_ctlList->setItemDelegate(new SpellListDelegate(m_ctlList));
    QHeaderView* header = m_ctlList->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* wizard = MakeButton(this, RESOURCE_NAME(IDC_WIZARD), QStringLiteral("&Wizard"),
                              dlu.Rect(3, 1, 31, 15));
    auto* priest = MakeButton(this, RESOURCE_NAME(IDC_PRIEST), QStringLiteral("&Priest"),
                              dlu.Rect(35, 1, 33, 15));
    auto* details = MakeButton(this, RESOURCE_NAME(IDOK), QStringLiteral("&Details..."),
                               dlu.Rect(83, 1, 41, 15));
    // Two lines when the caption does not fit the button on one.
    const QRect createRect = dlu.Rect(134, 1, 49, 15);
    const QString createText = QStringLiteral("Create Index");
    const bool fits = QFontMetrics(font()).horizontalAdvance(createText) + dlu.X(4) <=
                      createRect.width();
    auto* createIndex = MakeButton(this, RESOURCE_NAME(IDC_CREATE_INDEX),
                                   fits ? QStringLiteral("Create &Index") : QStringLiteral("Create\n&Index"), createRect);
    auto* exit = MakeButton(this, RESOURCE_NAME(IDCANCEL), QStringLiteral("E&xit"),
                            dlu.Rect(198, 1, 36, 15));
    // Alt and the underlined letter press a button; Ctrl+Q quits as Exit does.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &QDialog::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &CSpellListDlg::OnHelp);

    m_ctlProgress = new QProgressBar(this);
    m_ctlProgress->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_PROGRESS)));
    m_ctlProgress->setAccessibleName(tr("Progress"));
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
    connect(header, &QHeaderView::sectionResized, this, &CSpellListDlg::OnSectionResized);
    // A double click on a divider fits the column to all its rows, not only
    // to those in view as the tree view would.
    disconnect(header, &QHeaderView::sectionHandleDoubleClicked, m_ctlList, nullptr);
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, &CSpellListDlg::FitColumn);

    // Several spells at once: Ctrl+Enter, a middle click, the context menu.
    auto* openNew = new QAction(tr("Open in New Window"), m_ctlList);
    openNew->setObjectName(QStringLiteral("IDM_OPEN_NEW_WINDOW"));
    openNew->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    openNew->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(openNew, &QAction::triggered, this, &CSpellListDlg::OpenInNewWindow);
    m_ctlList->addAction(openNew);
    auto* copy = new QAction(tr("Copy"), m_ctlList);
    copy->setObjectName(QStringLiteral("IDM_COPY_SPELL"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &CSpellListDlg::CopySpell);
    m_ctlList->addAction(copy);
    // Text size, while the list has the focus; Ctrl+wheel does the same.
    AddTextSizeKeys(m_ctlList, Qt::WidgetWithChildrenShortcut,
                    [this](int delta) { SetTextStep(delta == 0 ? 0 : m_nTextStep + delta); });
    m_ctlList->viewport()->installEventFilter(this);
    m_ctlList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ctlList, &QWidget::customContextMenuRequested, this, &CSpellListDlg::OnListContextMenu);
    // The menu key and Shift+F10 open the menu at the current row.
    m_ctlList->installEventFilter(this);
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_ctlList, nullptr, nullptr,
                                  Qt::WidgetWithChildrenShortcut);
    connect(menuKey, &QShortcut::activated, this, &CSpellListDlg::OpenListMenuByKey);

    // A search's marks in the rows shown are drawn anew.
    connect(m_pModel, &SpellListModel::MatchesChanged, m_ctlList, [list = m_ctlList] { list->viewport()->update(); });
    // The spellbook's controls are a second row of the find bar, made
    // with it; until then the book bar keeps the marks, hidden and empty.
    m_pBookBar = new CBookBar(m_pModel, m_ctlList, this);
    m_pBookBar->hide();
    m_buttons = {wizard, priest, details, createIndex, exit};
    connect(qApp, &QApplication::focusChanged, this, &CSpellListDlg::OnFocusChanged);
    m_pNoticeBar = new CNoticeBar(this);
    connect(m_pNoticeBar, &CNoticeBar::ActionClicked, this, &CSpellListDlg::OnNoticeAction);
    connect(m_pNoticeBar, &CNoticeBar::Closed, this, &CSpellListDlg::HideNotice);

    // The table's widths suit a font of base unit 6; scaled to this one.
    std::array<int, kColumnCount> tableWidths{};
    for (int field = 0; field < kColumnCount; ++field)
        tableWidths[static_cast<std::size_t>(field)] = dlu.FromBaseUnit6Pixels(g_nColumnWidths[field]);
    m_pColumnLayout = std::make_unique<ColumnLayout>(tableWidths);

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
    if (m_ctlList) {
        m_ctlList->resize(ListSize(cx, cy));
        if (m_pColumnLayout)
            LayOutColumns();
    }
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
    if (event->matches(QKeySequence::Find)) {
        FindBar()->OnFind();
        return;
    }
    // Escape steps back: an open find bar closes first, and only then
    // does Escape end the program.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_pFindBar &&
        m_pFindBar->IsOpen()) {
        m_pFindBar->OnClose();
        return;
    }
    QDialog::keyPressEvent(event);
}

CFindBar* CSpellListDlg::FindBar() {
    if (m_pFindBar)
        return m_pFindBar;
    m_pFindBar = new CFindBar(m_pModel, m_ctlList, m_ctlProgress, this);
    // Before the notice bar among the window's children, as if made with the window.
    m_pFindBar->stackUnder(m_pNoticeBar);
    m_pBookBar->MakeControls();
    m_pFindBar->AddRow(m_pBookBar);
    m_pBookBar->show();  // shown with the find bar
    // Closing the bar shows all rows again, marked or not.
    connect(m_pFindBar, &CFindBar::OpenChanged, m_pBookBar, [this] {
        if (!m_pFindBar->IsOpen())
            m_pBookBar->SetMarkedOnly(false);
    });
    connect(m_pFindBar, &CFindBar::OpenChanged, this, [this] { OnSize(width(), height()); });
    OrderBarsForTabbing();
    // The list shown, as a load would have told the bar.
    if (!m_strListClass.empty())
        m_pFindBar->OnListLoaded(m_strListTextPath, IsPriestClass(m_strListClass));
    OnSize(width(), height());
    return m_pFindBar;
}

void CSpellListDlg::OrderBarsForTabbing() {
    // The controls that take the focus by Tab, in the window's chain.
    const auto focusable = [this](const QWidget* within, const QWidget* besides) {
        QList<QWidget*> out;
        for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && within->isAncestorOf(w) &&
                !(besides && besides->isAncestorOf(w)))
                out << w;
        return out;
    };
    QList<QWidget*> order{m_buttons.last()};
    order += focusable(m_pFindBar, m_pBookBar);
    order += focusable(m_pBookBar, nullptr);
    order += focusable(m_pNoticeBar, nullptr);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void CSpellListDlg::SetProgressRange(int count) {
    // An empty range would make the bar a busy animation: an empty index
    // shows an empty bar instead.
    m_ctlProgress->setRange(0, std::max(count, 1));
}

bool CSpellListDlg::LoadInOrder(int nKey, const std::string& spellClass, bool descending) {
    const bool wasDescending = m_pModel->IsDescending();
    m_pModel->SetDescending(descending);
    if (LoadIndex(nKey, spellClass))
        return true;
    m_pModel->SetDescending(wasDescending);
    UpdateSortIndicator();
    return false;
}

void CSpellListDlg::OnWizard() {
    g_strClass = "wizard";
    LoadInOrder(kFieldName, g_strClass, false);
}

void CSpellListDlg::OnPriest() {
    g_strClass = "priest";
    LoadInOrder(kFieldName, g_strClass, false);
}

bool CSpellListDlg::LoadIndex(int nKey, const std::string& spellClass) {
    if (!IsColumnField(nKey))
        return false;
    IndexReader index;
    if (!index.Open(IndexPath(spellClass))) {
        ShowMessageBox(Utf8(messages::kNoIndex), QMessageBox::Ok, this);
        return false;
    }
    if (m_pFindBar)
        m_pFindBar->OnListLoading();
    // A list of a few thousand rows loads within a frame: the window is
    // not painted first with the rows it is about to replace.
    BusyOperation busy(m_nRepaintIntervalMs, m_ctlProgress,
                       m_nRepaintIntervalMs == 0 || index.RecordCount() > kRowsWithinAFrame);
    const ListState before = SaveListState();
    // A reload of the class shown keeps its selected spell.
    int64_t keepOffset = -1;
    if (spellClass == m_strListClass) {
        const QModelIndexList selected = m_ctlList->selectionModel()->selectedRows();
        if (!selected.isEmpty())
            keepOffset = m_pModel->RecordOffset(selected.first().row());
    }
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
            // After record i, i + 1 of the records are in: the last one fills the bar.
            if (i % progressStep == 0 || i >= count - 1)
                m_ctlProgress->setValue(static_cast<int>(std::min<int64_t>(i + 1, count)));
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
        if (m_pFindBar)
            m_pFindBar->OnListAbandoned();
        return false;
    }
    m_strListClass = spellClass;
    QToolTip::hideText();  // it showed a cell of the old rows
    SelectAfterLoad(keepOffset);
    m_strListTextPath = TextPath(spellClass);
    if (m_pFindBar)
        m_pFindBar->OnListLoaded(m_strListTextPath, IsPriestClass(spellClass));
    m_pBookBar->OnListLoaded(g_strDataDir, spellClass);

    // A notice about a build's problems belongs to its class: it waits
    // while the other class is shown.
    if (m_nNotice == Notice::kProblems && m_strNoticeClass != spellClass) {
        m_strWaitingProblemsClass = m_strNoticeClass;
        HideNotice();
    } else if (m_nNotice == Notice::kNone && !m_strWaitingProblemsClass.empty() &&
               m_strWaitingProblemsClass == spellClass) {
        m_strWaitingProblemsClass.clear();
        ReportBuildProblems(spellClass);
    }
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
    m_bLayingOutColumns = true;
    for (int column = 0; column < kColumnCount; ++column)
        m_ctlList->header()->resizeSection(column, state.widths[static_cast<std::size_t>(column)]);
    m_bLayingOutColumns = false;
    g_nRecordCount = state.nRecordCount;
    m_ctlProgress->setRange(0, state.progressMax);
    m_ctlProgress->setValue(state.progress);
}

void CSpellListDlg::SetColumnOrder(int nKey) {
    if (!IsColumnField(nKey))
        return;
    m_pModel->SetKeyField(nKey);
    UpdateSortIndicator();
    LayOutColumns();
}

void CSpellListDlg::UpdateSortIndicator() {
    m_ctlList->header()->setSortIndicator(
        0, m_pModel->IsDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int CSpellListDlg::ColumnRoom() const {
    // The room of a vertical scroll bar is kept, so that the widths do not
    // change as the rows come and go.
    return m_ctlList->width() - 2 * m_ctlList->frameWidth() -
           m_ctlList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_ctlList);
}

void CSpellListDlg::LayOutColumns() {
    // What each caption needs in the header's font, with the header's
    // margins on either side; the key column also holds the sort indicator.
    std::array<int, kColumnCount> captions{};
    const QHeaderView* header = m_ctlList->header();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int indicator = header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
    for (int column = 0; column < kColumnCount; ++column) {
        const QString caption = m_pModel->headerData(column, Qt::Horizontal).toString();
        captions[static_cast<std::size_t>(ColumnField(m_pModel->KeyField(), column))] =
            header->fontMetrics().horizontalAdvance(caption) + 4 * margin +
            (column == 0 ? indicator + margin : 0);
    }
    m_pColumnLayout->SetCaptionWidths(captions);
    const std::vector<int> widths = m_pColumnLayout->Widths(m_pModel->KeyField(), ColumnRoom());
    m_bLayingOutColumns = true;
    for (int column = 0; column < kColumnCount; ++column)
        m_ctlList->header()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
    m_bLayingOutColumns = false;
}

void CSpellListDlg::OnSectionResized(int column, int /*oldSize*/, int newSize) {
    if (!m_bLayingOutColumns)
        m_pColumnLayout->SetUserWidth(ColumnField(m_pModel->KeyField(), column), newSize);
}

void CSpellListDlg::FitColumn(int column) {
    if (column < 0 || column >= kColumnCount)
        return;
    // The widest text by the font, then the room the delegate wants for it
    // with its margins and, in the key column, the icon.
    const QFontMetrics metrics = m_ctlList->fontMetrics();
    int widestRow = -1;
    int widest = -1;
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        const int advance = metrics.horizontalAdvance(m_pModel->index(row, column).data().toString());
        if (advance > widest) {
            widest = advance;
            widestRow = row;
        }
    }
    int width = m_ctlList->header()->sectionSizeHint(column);
    if (widestRow >= 0) {
        QStyleOptionViewItem option;
        option.initFrom(m_ctlList);
        option.font = m_ctlList->font();
        option.fontMetrics = metrics;
        option.decorationSize = m_ctlList->iconSize();
        width = std::max(width, m_ctlList->itemDelegate()
                                    ->sizeHint(option, m_pModel->index(widestRow, column))
                                    .width());
    }
    m_ctlList->header()->resizeSection(column, width);
}

void CSpellListDlg::SelectAfterLoad(int64_t keepOffset) {
    if (m_pModel->rowCount() == 0)
        return;
    const int kept = keepOffset >= 0 ? m_pModel->RowOfRecord(keepOffset) : -1;
    const QModelIndex index = m_pModel->index(std::max(kept, 0), 0);
    m_ctlList->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ctlList->scrollTo(index, kept > 0 ? QAbstractItemView::PositionAtCenter
                                        : QAbstractItemView::EnsureVisible);
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
    // The key's own header reverses the order shown; another sorts ascending.
    LoadInOrder(nKey, m_strListClass,
                nKey == m_pModel->KeyField() && !m_strListClass.empty() && !m_pModel->IsDescending());
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
        ShowMessageBox(Message(StatusMessage(result.status, FileNaming::kName)), QMessageBox::Ok, this);
        return false;
    }
    m_nBuiltSpells = result.nRecords;
    m_strWaitingProblemsClass.clear();
    m_nBuiltProblemLines = checker.Finish().nWarningLines;
    m_builtProblems = std::move(found);
    return true;
}

void CSpellListDlg::ReportBuildProblems(const std::string& spellClass) {
    const std::size_t lines = m_nBuiltProblemLines;
    if (lines > 0)
        ShowNotice(Notice::kProblems, spellClass,
                   messages::IndexedWithProblems(spellClass + std::string(kTextExtension), m_nBuiltSpells, lines),
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
    case IndexAge::kIndexMissing:
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
    m_pNoticeBar->ShowNotice(Message(text), Message(action));
    OnSize(width(), height());
}

void CSpellListDlg::ShowNoSpellListsNotice() {
    ShowNotice(Notice::kNoSpellLists, {}, messages::NoSpellLists(g_strDataDir), {});
}

void CSpellListDlg::ShowNoIndexNotice() {
    ShowNotice(Notice::kNoSpellLists, {}, messages::NoIndexYet(g_strDataDir), {});
}

ViewSettings CSpellListDlg::CurrentView() const {
    ViewSettings view;
    view.geometry = saveGeometry();
    for (int field = 0; field < kColumnCount; ++field)
        view.widths[static_cast<std::size_t>(field)] = m_pColumnLayout->UserWidth(field);
    view.lastClass = m_strListClass;
    view.textStep = m_nTextStep;
    return view;
}

void CSpellListDlg::ApplyView(const ViewSettings& view) {
    if (!view.geometry.isEmpty())
        restoreGeometry(view.geometry);
    for (int field = 0; field < kColumnCount; ++field)
        m_pColumnLayout->SetUserWidth(field, view.widths[static_cast<std::size_t>(field)]);
    LayOutColumns();
    if (view.textStep != 0)
        SetTextStep(view.textStep);
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

bool CSpellListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_ctlList && watched == m_ctlList && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        OpenListMenuByKey();
        return true;
    }
    if (m_ctlList && watched == m_ctlList->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (wheel->angleDelta().y() != 0)
                SetTextStep(m_nTextStep + (wheel->angleDelta().y() > 0 ? 1 : -1));
            return true;
        }
    }
    if (m_ctlList && watched == m_ctlList->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = m_ctlList->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::MiddleButton && index.isValid()) {
            m_ctlList->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            OpenInNewWindow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSpellListDlg::SetTextStep(int step) {
    m_nTextStep = std::clamp(step, kMinTextStep, kMaxTextStep);
    m_ctlList->setFont(ScaledFont(font(), m_nTextStep));
}

void CSpellListDlg::PrepareDetails(CSpellInfoDlg* dlg) {
    const auto apply = [dlg](int step) { dlg->SetTextFont(ScaledFont(dlg->font(), step)); };
    apply(m_nTextStep);
    auto step = std::make_shared<int>(m_nTextStep);
    const auto change = [this, apply, step](int delta) {
        *step = delta == 0 ? 0 : std::clamp(*step + delta, kMinTextStep, kMaxTextStep);
        apply(*step);
        m_nTextStep = *step;  // remembered with the window's settings
    };
    AddTextSizeKeys(dlg, Qt::WindowShortcut, change);
    connect(dlg, &CSpellInfoDlg::TextSizeWheel, dlg, change);
    if (const std::shared_ptr<const SpellQuery> query = m_pModel->FilterQuery())
        dlg->HighlightMatches(*query);
}

bool CSpellListDlg::AimAtSelectedSpell(CSpellInfoDlg* dlg) const {
    const QModelIndexList selected = m_ctlList->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return false;
    dlg->m_nOffset = m_pModel->RecordOffset(selected.first().row());
    dlg->m_strPath = g_strDataDir + m_strListClass;
    return true;
}

void CSpellListDlg::OpenInNewWindow() {
    auto* dlg = new CSpellInfoDlg(this);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->setModal(false);
    if (!AimAtSelectedSpell(dlg)) {
        delete dlg;
        return;
    }
    dlg->OnInitDialog();
    PrepareDetails(dlg);
    if (!dlg->m_strName.isEmpty())
        dlg->setWindowTitle(dlg->m_strName);
    dlg->show();
}

void CSpellListDlg::CopySpell() {
    // The spell is read once, as the details read it, without a window.
    CSpellInfoDlg dlg(this);
    if (!AimAtSelectedSpell(&dlg))
        return;
    const std::optional<int32_t> textOffset = dlg.ReadRecord();
    if (!textOffset)
        return;
    dlg.ReadDescription(*textOffset);
    dlg.CopySpell();
}

void CSpellListDlg::OnDblclkList(const QModelIndex& /*index*/) { ShowDetails(); }

void CSpellListDlg::OnOK() { ShowDetails(); }

void CSpellListDlg::ShowDetails() {
    CSpellInfoDlg dlg(this);
    if (!AimAtSelectedSpell(&dlg))
        return;
    dlg.OnInitDialog();
    PrepareDetails(&dlg);
    dlg.exec();
}

namespace {

PrintSources SourcesOf(const SpellListModel* model, const CSpellListView* list) {
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
    // The list's own actions (Open in New Window, Copy), then printing.
    menu.addActions(m_ctlList->actions());
    menu.addSeparator();
    // The keyboard's way to a header click: each column, the key checked;
    // choosing the key again reverses the order.
    QMenu* sortBy = menu.addMenu(tr("&Sort by"));
    sortBy->setObjectName(QStringLiteral("IDM_SORT_BY"));
    for (int column = 0; column < kColumnCount; ++column) {
        QAction* sort = sortBy->addAction(m_pModel->headerData(column, Qt::Horizontal).toString(), this,
                                          [this, column] { OnColumnClick(column); });
        sort->setCheckable(true);
        sort->setChecked(column == 0 && !m_strListClass.empty());
    }
    menu.addSeparator();
    QAction* print = menu.addAction(tr("Print..."), this, &CSpellListDlg::OnPrint);
    QAction* pdf = menu.addAction(tr("Save as PDF..."), this, &CSpellListDlg::OnSavePdf);
    print->setEnabled(!m_strListClass.empty());
    pdf->setEnabled(!m_strListClass.empty());
    menu.exec(m_ctlList->viewport()->mapToGlobal(pos));
}

void CSpellListDlg::OpenListMenuByKey() {
    QPoint at;
    if (const QModelIndex current = m_ctlList->currentIndex(); current.isValid()) {
        m_ctlList->scrollTo(current);
        at = m_ctlList->visualRect(current).bottomLeft();
    }
    OnListContextMenu(at);
}

void CSpellListDlg::OnHelp() {
    CAboutDlg dlg(Utf8(g_strDataDir), this);
    dlg.exec();
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
