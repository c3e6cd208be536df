// SPDX-License-Identifier: MIT
#include "CFindBar.h"

#include <algorithm>
#include <new>
#include <optional>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QToolButton>

#include "CSpellListView.h"
#include "CStatusLabel.h"
#include "CaseFolding.h"
#include "CloseIcon.h"
#include "DisplayText.h"
#include "MessageBox.h"
#include "Messages.h"
#include "Named.h"
#include "SchoolIcons.h"
#include "SchoolImage.h"
#include "SearchRunner.h"
#include "SpellListModel.h"
#include "SpellSearch.h"
#include "resource.h"

namespace {

// Index bytes a search scans for each term (SpellSearchIndex::TextBytes)
// well within a frame (about 90,000 rows). Descriptions are always searched on the worker: how long that takes
// depends on what the text holds, not on its size.
constexpr std::size_t kInPlaceFieldBytes = std::size_t{8} << 20;
// Pixels between the list and the bar, taken from the margin below the
// list.
constexpr int kGap = 3;

std::string ToUtf8(const QString& text) { return text.toStdString(); }

std::string Folded(const QString& text) {
    std::string folded;
    AppendDisplayFolded(folded, ToUtf8(text));
    return folded;
}

}  // namespace

CFindBar::CFindBar(SpellListModel* model, CSpellListView* list, QProgressBar* progress,
                   QWidget* parent)
    : QWidget(parent),
      m_pModel(model),
      m_ctlList(list),
      m_ctlProgress(progress),
      inPlaceFieldBytes_(kInPlaceFieldBytes) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_FIND_BAR)));

    m_ctlText = Named(new QLineEdit(this), RESOURCE_NAME(IDC_FIND_TEXT));
    m_ctlText->setPlaceholderText(tr("Find spells"));
    m_ctlText->setAccessibleName(tr("Find"));
    m_ctlText->setClearButtonEnabled(true);
    m_ctlText->installEventFilter(this);
    m_ctlText->setMinimumWidth(m_ctlText->fontMetrics().averageCharWidth() * 16);
    m_ctlLevel = Named(new QComboBox(this), RESOURCE_NAME(IDC_FIND_LEVEL));
    m_ctlSchool = Named(new QComboBox(this), RESOURCE_NAME(IDC_FIND_SCHOOL));
    // Long school texts are cut in the closed box, not the field.
    m_ctlSchool->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ctlSchool->setMinimumContentsLength(10);
    m_ctlDescriptions = Named(new QCheckBox(tr("Descriptions too"), this),
                              RESOURCE_NAME(IDC_FIND_DESCRIPTIONS));
    OutlineCheckBox(m_ctlDescriptions);
    m_ctlCount = Named(new CStatusLabel(this), RESOURCE_NAME(IDC_FIND_COUNT));
    // The boxes read as their visible labels, "Level" and "School" (or
    // "Sphere"): Qt names a combo box by its current item.
    m_ctlLevelLabel = Named(new QLabel(tr("Level"), this), RESOURCE_NAME(IDC_FIND_LEVEL_LABEL));
    m_ctlLevelLabel->setBuddy(m_ctlLevel);
    m_ctlSchoolLabel = Named(new QLabel(tr("School"), this), RESOURCE_NAME(IDC_FIND_SCHOOL_LABEL));
    m_ctlSchoolLabel->setBuddy(m_ctlSchool);
    m_ctlClose = Named(new QToolButton(this), RESOURCE_NAME(IDC_FIND_CLOSE));
    SetCloseIcon(m_ctlClose);
    m_ctlClose->setToolTip(tr("Close"));
    m_ctlClose->setAccessibleName(tr("Close find bar"));
    m_ctlClose->setAutoRaise(true);

    // The bar's own row, and below it any rows added with AddRow.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* layout = new QHBoxLayout;
    rows->addLayout(layout);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_ctlText, 1);
    layout->addWidget(m_ctlLevelLabel);
    layout->addWidget(m_ctlLevel);
    layout->addWidget(m_ctlSchoolLabel);
    layout->addWidget(m_ctlSchool);
    layout->addWidget(m_ctlDescriptions);
    layout->addWidget(m_ctlCount);
    layout->addWidget(m_ctlClose);

    m_pRunner = new SearchRunner(this);
    connect(m_pRunner, &SearchRunner::Started, this, &CFindBar::OnSearchStarted);
    connect(m_pRunner, &SearchRunner::Progressed, this, &CFindBar::OnSearchProgress);
    connect(m_pRunner, &SearchRunner::Finished, this, &CFindBar::OnSearchFinished);
    connect(m_pRunner, &SearchRunner::Prepared, this, [this](const std::shared_ptr<SearchIndexSlot>& slot) {
        // The spheres of the list still shown, now that its index is built.
        // Without an index (memory ran out) the box keeps "All" and the
        // build is not tried again until the list changes.
        if (slot != m_pSpheresSlot)
            return;
        m_pSpheresSlot.reset();
        if (!slot->Built())
            return;
        if (IsOpen())
            FillFilters(filtersPriest_);
        else
            filtersStale_ = true;
    });

    connect(m_ctlText, &QLineEdit::textChanged, this, &CFindBar::Search);
    connect(m_ctlLevel, &QComboBox::currentIndexChanged, this, &CFindBar::Search);
    connect(m_ctlSchool, &QComboBox::currentIndexChanged, this, &CFindBar::Search);
    connect(m_ctlDescriptions, &QCheckBox::toggled, this, &CFindBar::Search);
    connect(m_ctlClose, &QToolButton::clicked, this, &CFindBar::OnClose);

    FillFilters(false);
    UpdateCount();
    hide();
}

CFindBar::~CFindBar() = default;

void CFindBar::AddRow(QWidget* row) { static_cast<QVBoxLayout*>(layout())->addWidget(row); }

void CFindBar::OnFind() {
    if (!IsOpen()) {
        UpdateCount();  // named at once: the count is not announced as the bar opens
        show();
        if (filtersStale_)
            FillFilters(filtersPriest_);
        emit OpenChanged();
        m_ctlText->setFocus(Qt::ShortcutFocusReason);
        Search();
        return;
    }
    m_ctlText->setFocus(Qt::ShortcutFocusReason);
    m_ctlText->selectAll();
}

void CFindBar::OnClose() {
    m_pRunner->Cancel();
    RestoreProgress();
    // The spell found stays selected, and in view, in the whole list.
    const QModelIndex current = m_ctlList->currentIndex();
    const int64_t found = current.isValid() ? m_pModel->RecordOffset(current.row()) : -1;
    m_pModel->ClearFilter();
    hide();
    emit OpenChanged();
    if (const int row = found >= 0 ? m_pModel->RowOfRecord(found) : -1; row >= 0) {
        m_ctlList->setCurrentIndex(m_pModel->index(row, 0));
        m_ctlList->scrollTo(m_ctlList->currentIndex());
    }
    m_ctlList->setFocus();
}

int CFindBar::ReservedHeight() const { return IsOpen() ? sizeHint().height() : 0; }

void CFindBar::PlaceBelow(const QWidget* list) {
    setGeometry(list->x(), list->y() + list->height() + kGap, list->width(), sizeHint().height());
}

void CFindBar::OnListLoading() {
    // A search must not reach the progress bar or the list while the load
    // repaints the window.
    m_pRunner->Cancel();
    RestoreProgress();
}

void CFindBar::OnListAbandoned() { Search(); }

void CFindBar::OnListLoaded(const std::string& textPath, bool priest) {
    m_strTextPath = textPath;
    // The load has set the progress bar anew: nothing of it to restore.
    m_pRunner->Cancel();
    progressTaken_ = false;
    // With no filter chosen a closed bar offers the new list's levels and
    // schools when it opens: a load need not scan its rows for them.
    filtersPriest_ = priest;
    if (IsOpen() || m_ctlLevel->currentIndex() > 0 || m_ctlSchool->currentIndex() > 0)
        FillFilters(priest);
    else
        filtersStale_ = true;
    Search();
}

std::shared_ptr<const SpellSearchIndex> CFindBar::IndexAtOnce(const std::shared_ptr<SearchIndexSlot>& slot) const {
    if (!slot)
        return nullptr;
    std::shared_ptr<const SpellSearchIndex> index = slot->Built();
    if (!index && m_pModel->FieldBytes() <= inPlaceFieldBytes_ / 8)
        index = slot->Get();
    return index;
}

void CFindBar::PrepareIndex(const std::shared_ptr<SearchIndexSlot>& slot) {
    if (!slot || slot->Built() || m_pPreparedSlot.lock() == slot)
        return;
    m_pPreparedSlot = slot;
    m_pRunner->Prepare(slot);
}

void CFindBar::FillFilters(bool priest) {
    filtersStale_ = false;
    // The load gathered the levels; a priest list's spheres are in its
    // search index. A small list's is built at once; a large one's on the
    // worker, so that the bar opens without waiting: its spheres are
    // added when the index is built.
    std::shared_ptr<const SpellSearchIndex> index;
    m_pSpheresSlot.reset();
    if (priest) {
        try {
            const std::shared_ptr<SearchIndexSlot> slot = m_pModel->IndexSlot();
            index = IndexAtOnce(slot);
            if (slot && !index) {
                m_pSpheresSlot = slot;
                PrepareIndex(slot);
            }
        } catch (const std::bad_alloc&) {
            // Only "All"; a search says why.
        }
    }
    const QVariant level = m_ctlLevel->currentData();
    // A school class is kept by its index, a sphere by its folded text.
    const QVariant school = m_ctlSchool->currentIndex() > 0 ? m_ctlSchool->currentData() : QVariant();

    const QSignalBlocker blockLevel(m_ctlLevel);
    const QSignalBlocker blockSchool(m_ctlSchool);
    m_ctlLevel->clear();
    m_ctlLevel->addItem(tr("All levels"));
    m_ctlSchool->clear();
    m_ctlSchool->addItem(priest ? tr("All spheres") : tr("All schools"));
    m_ctlSchoolLabel->setText(priest ? tr("Sphere") : tr("School"));
    if (!priest) {
        // The nine classes of the school icons, in their order; the last,
        // of school lines no keyword names, is told apart from "no filter".
        const QList<QIcon> schoolIcons = LoadSchoolImageList();  // the list's own
        for (int image = 0; image < kSchoolImageCount; ++image) {
            m_ctlSchool->addItem(image < schoolIcons.size() ? schoolIcons[image] : QIcon(),
                                 SchoolClassText(image), image);
            if (school.typeId() == QMetaType::Int && school.toInt() == image)
                m_ctlSchool->setCurrentIndex(m_ctlSchool->count() - 1);
        }
    }
    for (const int32_t value : m_pModel->Levels()) {
        m_ctlLevel->addItem(QString::number(value), value);
        if (level.isValid() && level.toInt() == value)
            m_ctlLevel->setCurrentIndex(m_ctlLevel->count() - 1);
    }
    if (index) {
        for (const std::string& name : index->Spheres()) {
            const QString folded = Utf8(Folded(Utf8(name)));
            m_ctlSchool->addItem(Utf8(name), folded);
            if (school.typeId() == QMetaType::QString && school.toString() == folded)
                m_ctlSchool->setCurrentIndex(m_ctlSchool->count() - 1);
        }
    }
    // The drop-down shows every entry whole, however narrow the box: the
    // widest text, the icon, the item's margins, the frame and a scroll bar.
    QAbstractItemView* view = m_ctlSchool->view();
    const QFontMetrics metrics(view->font());
    int widest = 0;
    for (int i = 0; i < m_ctlSchool->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(m_ctlSchool->itemText(i)));
    const QStyle* style = view->style();
    view->setMinimumWidth(widest + m_ctlSchool->iconSize().width() + 2 * metrics.averageCharWidth() +
                          4 * style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) +
                          2 * view->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view));
}

void CFindBar::ShowQueryError(const std::string& error) {
    if (error.empty()) {
        m_ctlText->setStyleSheet(QString());
        m_ctlText->setToolTip(QString());
    } else {
        m_ctlText->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid red; }"));
        m_ctlText->setToolTip(Message(error));
    }
}

void CFindBar::Search() {
    if (!IsOpen())
        return;
    std::optional<int32_t> level;
    if (m_ctlLevel->currentIndex() > 0)
        level = m_ctlLevel->currentData().toInt();
    std::string error;
    SpellQuery query =
        MakeQuery(ToUtf8(m_ctlText->text()), level, std::nullopt, m_ctlDescriptions->isChecked(), &error);
    const QVariant school = m_ctlSchool->currentIndex() > 0 ? m_ctlSchool->currentData() : QVariant();
    if (school.typeId() == QMetaType::Int)
        query.schoolClass = school.toInt();
    else if (school.typeId() == QMetaType::QString)
        query.sphere = ToUtf8(school.toString());
    ShowQueryError(error);
    std::shared_ptr<SearchIndexSlot> slot;
    std::shared_ptr<const SpellSearchIndex> index;
    bool outOfMemory = false;
    // A query in error filters nothing.
    if (error.empty() && !query.MatchesEverything()) {
        try {
            // The first search of a list builds its index: at once for a
            // small list, else on the worker, so that the window answers.
            slot = m_pModel->IndexSlot();
            index = IndexAtOnce(slot);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;  // the whole list then, and why
            slot.reset();
        }
    }
    if (!slot) {
        m_pRunner->Cancel();
        RestoreProgress();
        const bool wasFiltered = m_pModel->IsFiltered();
        m_pModel->ClearFilter();
        if (wasFiltered)
            SelectFirstRow();
        UpdateCount();
        if (outOfMemory) {
            ShowMessageBox(Utf8(messages::CannotSearchList(messages::kNotEnoughMemory)), QMessageBox::Ok,
                           this);
        } else if (error.empty()) {
            // Nothing to find yet: a large list's index is built on the
            // worker meanwhile, so that the first letters typed find it.
            try {
                if (const std::shared_ptr<SearchIndexSlot> next = m_pModel->IndexSlot();
                    next && !IndexAtOnce(next))
                    PrepareIndex(next);
            } catch (const std::bad_alloc&) {
                // The first search says why.
            }
        }
        return;
    }

    const bool inPlace =
        index && !query.ReadsDescriptions() &&
        index->TextBytes() * std::max<std::size_t>(1, query.terms.size()) <= inPlaceFieldBytes_;
    m_pSearchQuery = std::make_shared<const SpellQuery>(query);
    m_pRunner->Start(std::move(slot), std::move(query), m_strTextPath, inPlace);
    if (inPlace)
        RestoreProgress();
}

void CFindBar::OnSearchStarted() {
    if (!progressTaken_) {
        progressTaken_ = true;
        progressMin_ = m_ctlProgress->minimum();
        progressMax_ = m_ctlProgress->maximum();
        progressValue_ = m_ctlProgress->value();
    }
    m_ctlProgress->setRange(0, kSearchProgressMax);
    m_ctlProgress->setValue(0);
}

void CFindBar::OnSearchProgress(int value) { m_ctlProgress->setValue(value); }

void CFindBar::RestoreProgress() {
    if (!progressTaken_)
        return;
    progressTaken_ = false;
    m_ctlProgress->setRange(progressMin_, progressMax_);
    m_ctlProgress->setValue(progressValue_);
}

void CFindBar::OnSearchFinished(const SearchResult& result, const SpellSearchIndex* index) {
    RestoreProgress();
    // Rows of a list that is no longer shown; memory may run out before
    // the index of the list shown is built.
    if (!m_pModel->IsSearchIndex(index) && !(index == nullptr && result.status.code == StatusCode::kOutOfMemory))
        return;
    if (result.status.code == StatusCode::kOutOfMemory) {
        // The whole list, and why.
        m_pModel->ClearFilter();
        UpdateCount();
        ShowMessageBox(Message(result.strMessage), QMessageBox::Ok, this);
        return;
    }
    if (!result.ok()) {
        // The descriptions cannot be read: the search goes on without them.
        ShowMessageBox(Message(result.strMessage), QMessageBox::Ok, this);
        m_ctlDescriptions->setChecked(false);
        return;
    }
    m_pModel->SetFilter(result.rows, result.descriptionRows, m_pSearchQuery);
    SelectFirstRow();
    UpdateCount();
}

void CFindBar::SelectFirstRow() {
    if (m_pModel->rowCount() > 0)
        m_ctlList->setCurrentIndex(m_pModel->index(0, 0));
}

void CFindBar::UpdateCount() {
    const int loaded = m_pModel->LoadedRowCount();
    // Room for the widest count of this list, so the controls beside it do
    // not move while typing.
    const QString count = tr("%1 of %2");
    m_ctlCount->setMinimumWidth(m_ctlCount->fontMetrics().horizontalAdvance(count.arg(loaded).arg(loaded)));
    m_ctlCount->SetStatusText(count.arg(m_pModel->rowCount()).arg(loaded));
}

void CFindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        OnClose();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CFindBar::eventFilter(QObject* watched, QEvent* event) {
    // Down leaves the field for the list, at the selected row.
    if (watched == m_ctlText && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down) {
        if (m_pModel->rowCount() > 0 && !m_ctlList->currentIndex().isValid())
            SelectFirstRow();
        m_ctlList->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
