// SPDX-License-Identifier: MIT
#pragma once
// Shared set-up of the UI tests: a scratch data directory, the message-box
// hook, the main dialog with its controls, and a way to look into the
// modal details dialog.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "CSpellInfoDlg.h"
#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "IndexBuilder.h"
#include "SpellListModel.h"
#include "QtTestSupport.h"
#include "StatusMessage.h"
#include "TestRecords.h"
#include "TextDecoding.h"

inline const QStringList kDefaultCaptions = {"Spell", "Level",      "School/Sphere",
                                             "Range", "Duration",   "Area",
                                             "Components", "Saving", "Casting time"};
// The table's widths (130, 50, 80, 50, 60, 60, 50, 80, 80) scaled to the
// test font, whose horizontal base unit is 8: width * 8 / 6, rounded.
inline const std::vector<int> kDefaultWidths = {173, 67, 107, 67, 80, 80, 67, 107, 107};

// A font every test machine has, with metrics the literal expectations
// rest on: DejaVu Sans of 13 pixels, horizontal base unit 8.
inline QFont TestFont(int pixelSize = 13) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    return font;
}

// The application font set for the life of the object.
class ScopedAppFont {
public:
    explicit ScopedAppFont(const QFont& font) : saved_(QApplication::font()) {
        QApplication::setFont(font);
        EXPECT_EQ(QFontInfo(font).family(), font.family()) << "test font not installed";
    }
    ~ScopedAppFont() { QApplication::setFont(saved_); }
    ScopedAppFont(const ScopedAppFont&) = delete;
    ScopedAppFont& operator=(const ScopedAppFont&) = delete;

private:
    QFont saved_;
};

// What the details dialog shows of a spell of the sample lists, written
// out from samples/*.txt: the fields, and the description's first and
// last 40 characters and its length.
struct SampleSpell {
    const char* name;
    const char* school;
    const char* level;
    const char* duration;
    const char* range;
    const char* components;
    const char* castingTime;
    const char* savingThrow;
    const char* area;
    const char* descriptionStart;
    const char* descriptionEnd;
    qsizetype descriptionLength;
};

inline const SampleSpell kSampleSpells[] = {
    {"Ashen Hand", "Necromancy", "1", "1 rd./level", "Touch", "V, S, M", "1", "None", "Creature touched",
     "The caster's hand turns the grey of cold",
     " pyre, scattered over the caster's palm.", 575},
    {"Lantern of False Dawn", "Invocation/Evocation", "2", "2 rds./level", "60 yds.", "V, S", "2", "Special",
     "30-ft. radius",
     "A globe of pale rose light swells at a p",
     "he spell once that night are unaffected.", 446},
    {"Veil of the Unremarked", "Illusion/Phantasm", "2", "1 turn/level", "0", "V, S", "2", "None", "The caster",
     "The caster does not become invisible, me",
     "other spell ends the effect immediately.", 401},
    {"Whispered Errand", "Enchantment/Charm", "1", "1 turn", "30 yds.", "V", "1", "Neg.", "One person",
     "The caster murmurs a short, reasonable t",
     "do not understand the caster's language.", 532},
    {"Quill of Patient Copying", "Alteration", "1", "1 hr./level", "Touch", "V, S, M", "1 rd.", "None",
     "One quill",
     "An ordinary writing quill touched by the",
     "ine sand swept from a scriptorium floor.", 524},
    {"Orrery of Iron Stars", "Conjuration/Summoning", "6", "1 turn/level", "10 yds.", "V, S, M", "1 turn",
     "Special", "30-ft. radius",
     "The caster sets a brass hoop upon the gr",
     "o astrologers agree on how to read them.", 1626},
    {"Ember Mote", "(Evocation)", "1", "Instantaneous", "10 yds. + 10 yds./level", "V, S", "1", "1/2",
     "One creature",
     "A single spark, no larger than a firefly",
     "a shield held edge-on will stop it cold.", 466},
    {"Grave Lantern", "Necromancy", "4", "1 hr./level", "0", "V, S, M", "1 turn", "None", "30-ft. radius",
     "The caster places a fingerbone inside an",
     " it is and are generally offended by it.", 423},
    {"Call the Flock", "Animal", "1", "1 turn/level", "1/4 mile", "V, S", "1 rd.", "None", "Special",
     "The priest whistles a call known to ever",
     "nter arrive hungry and expect to be fed.", 502},
};

// Checks that a details dialog opened once and showed the sample spell
// `name` of kSampleSpells.
inline void ExpectSampleDetails(const DetailsView& actual, std::string_view name) {
    EXPECT_EQ(actual.opened, 1) << name;
    for (const SampleSpell& s : kSampleSpells) {
        if (name != s.name)
            continue;
        EXPECT_EQ(actual.Fields().mid(0, 9),
                  (QStringList{s.name, s.school, s.level, s.duration, s.range, s.components, s.castingTime,
                               s.savingThrow, s.area}));
        EXPECT_TRUE(actual.description.startsWith(QString::fromUtf8(s.descriptionStart)))
            << name << ": " << actual.description.toStdString();
        EXPECT_TRUE(actual.description.endsWith(QString::fromUtf8(s.descriptionEnd)))
            << name << ": " << actual.description.toStdString();
        EXPECT_EQ(actual.description.size(), s.descriptionLength) << name;
        return;
    }
    ADD_FAILURE() << "no sample spell " << name;
}

inline void ExpectSameDetails(const DetailsView& actual, const DetailsView& expected) {
    EXPECT_EQ(actual.opened, expected.opened);
    EXPECT_EQ(actual.Fields(), expected.Fields());
}

inline CSpellInfoDlg* VisibleDetailsDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dlg = qobject_cast<CSpellInfoDlg*>(w); dlg && dlg->isVisible())
            return dlg;
    return nullptr;
}

// Runs `trigger`. Every details dialog it opens is closed at once; the
// first is read (after `inside` ran on it). Never blocks: when no dialog
// opens, `trigger` simply returns.
inline DetailsView CaptureDetails(const std::function<void()>& trigger,
                                  const std::function<void(CSpellInfoDlg*)>& inside = {}) {
    DetailsView view;
    int opened = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CSpellInfoDlg* dlg = VisibleDetailsDialog();
        if (!dlg)
            return;
        if (opened++ == 0) {
            EXPECT_EQ(dlg, QApplication::activeModalWidget()) << "details dialog is not modal";
            EXPECT_EQ(dlg->objectName(), QStringLiteral("IDD_SPELL_INFO"));
            EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Spells"));
            if (inside)
                inside(dlg);
            view = ReadDetails(dlg);
        }
        dlg->reject();
    });
    poll.start();
    trigger();
    poll.stop();
    view.opened = opened;
    return view;
}

// The Qt set-up with the sample spell texts.
class UiTest : public QtTest {
protected:
    void CopySample(const std::string& spellClass) {
        std::filesystem::copy_file(std::string(SPELLS_SAMPLES_DIR) + "/" + spellClass + ".txt",
                                   dir.file(spellClass + ".txt"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // Copies the sample text and builds its index in the data directory.
    void BuildSample(const std::string& spellClass) {
        CopySample(spellClass);
        const BuildResult result = BuildIndexIn(dir.prefix(), spellClass, 1);
        ASSERT_TRUE(result.ok()) << StatusMessage(result.status, FileNaming::kName);
        ASSERT_GT(result.nRecords, 2u);
    }
};

// The main dialog, shown, wide enough for all nine columns.
class MainDialogTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        font = std::make_unique<ScopedAppFont>(TestFont());
        dlg = std::make_unique<CSpellListDlg>();
        g_strDataDir = dir.prefix();  // the constructor resolved it from the executable
        dlg->resize(1000, 600);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        list = dlg->findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"));
        progress = dlg->findChild<QProgressBar*>(QStringLiteral("IDC_PROGRESS"));
        ASSERT_NE(list, nullptr);
        ASSERT_NE(progress, nullptr);
        header = list->header();
        model = list->model();
        ASSERT_NE(model, nullptr);
    }
    void TearDown() override {
        dlg.reset();
        font.reset();
        UiTest::TearDown();
    }

    QPushButton* Button(const char* name) const {
        auto* b = dlg->findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    void Click(const char* name) {
        if (QPushButton* b = Button(name))
            QTest::mouseClick(b, Qt::LeftButton);
    }
    // A click in the middle of the header section shown as `column`.
    void ClickHeader(int column) {
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        ASSERT_LT(at.x(), header->viewport()->width()) << "column " << column << " not visible";
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    int ColumnCaptioned(const QString& caption) const {
        for (int c = 0; c < model->columnCount(); ++c)
            if (Caption(c) == caption)
                return c;
        return -1;
    }

    QString Caption(int column) const {
        return model->headerData(column, Qt::Horizontal).toString();
    }
    QStringList Captions() const {
        QStringList out;
        for (int c = 0; c < model->columnCount(); ++c)
            out << Caption(c);
        return out;
    }
    std::vector<int> Widths() const {
        std::vector<int> out;
        for (int c = 0; c < header->count(); ++c)
            out.push_back(header->sectionSize(c));
        return out;
    }
    QString Text(int row, int column) const { return model->index(row, column).data().toString(); }
    QStringList Column(int column) const {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r)
            out << Text(r, column);
        return out;
    }
    int64_t Offset(int row) const {
        return model->index(row, 0).data(SpellListModel::RecordOffsetRole).value<qint64>();
    }
    std::vector<int64_t> Offsets() const {
        std::vector<int64_t> out;
        for (int r = 0; r < model->rowCount(); ++r)
            out.push_back(Offset(r));
        return out;
    }
    QPoint RowCenter(int row) const { return list->visualRect(model->index(row, 0)).center(); }
    void ClickRow(int row) {
        list->scrollTo(model->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(row));
    }
    // A real double-click: press, release, double-click, release.
    void DoubleClickRow(int row) {
        list->scrollTo(model->index(row, 0));
        const QPoint at = RowCenter(row);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    QList<int> SelectedRows() const {
        QList<int> rows;
        for (const QModelIndex& i : list->selectionModel()->selectedRows())
            rows << i.row();
        return rows;
    }

    std::unique_ptr<ScopedAppFont> font;
    std::unique_ptr<CSpellListDlg> dlg;
    CSpellListView* list = nullptr;
    QHeaderView* header = nullptr;
    QAbstractItemModel* model = nullptr;
    QProgressBar* progress = nullptr;
};
