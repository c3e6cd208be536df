// SPDX-License-Identifier: MIT
// What the browser keeps between runs: a round trip through a settings
// file in a scratch folder, and damaged values read as unset.

#include <QSettings>
#include <QWheelEvent>

#include "CSpellListView.h"
#include "UiTestSupport.h"
#include "ViewSettings.h"

namespace {

class ViewSettingsTest : public MainDialogTest {
protected:
    QString File() const { return QString::fromStdString(dir.prefix() + "spellbrowser.ini"); }
};

TEST_F(ViewSettingsTest, SizeWidthsAndClassComeBackInANewWindow) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("priest"));
    Click("IDC_PRIEST");
    dlg->resize(800, 500);
    header->resizeSection(0, 250);  // Spell
    ClickHeader(ColumnCaptioned("Range"));
    header->resizeSection(0, 120);  // Range
    {
        QSettings settings(File(), QSettings::IniFormat);
        SettingsStore::Write(settings, dlg->CurrentView());
    }
    QSettings settings(File(), QSettings::IniFormat);
    EXPECT_EQ(settings.value("columns/Spell").toInt(), 250);
    EXPECT_EQ(settings.value("columns/Range").toInt(), 120);
    EXPECT_FALSE(settings.contains("columns/Level"));
    EXPECT_EQ(settings.value("list/class").toString(), QStringLiteral("priest"));

    const ViewSettings view = SettingsStore::Read(settings);
    EXPECT_EQ(view.widths, (std::array<int, 9>{250, 0, 0, 120, 0, 0, 0, 0, 0}));
    EXPECT_EQ(view.lastClass, "priest");
    CSpellListDlg second;
    second.ApplyView(view);
    EXPECT_EQ(second.size(), QSize(800, 500));
    auto* secondHeader = second.findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"))->header();
    EXPECT_EQ(secondHeader->sectionSize(0), 250);
    EXPECT_EQ(secondHeader->sectionSize(3), 120);
}

TEST_F(ViewSettingsTest, DamagedValuesReadAsUnset) {
    WriteFile(dir.prefix() + "spellbrowser.ini",
              "[columns]\nSpell=-5\nLevel=wide\nArea=99999\nRange=90\n"
              "[list]\nclass=../../etc\n[window]\ngeometry=12\n");
    QSettings settings(File(), QSettings::IniFormat);
    const ViewSettings view = SettingsStore::Read(settings);
    EXPECT_EQ(view.widths, (std::array<int, 9>{0, 0, 0, 90, 0, 0, 0, 0, 0}));
    EXPECT_EQ(view.lastClass, "");
    const QSize before = dlg->size();
    dlg->ApplyView(view);
    EXPECT_EQ(dlg->size(), before);
}

}  // namespace

namespace {

TEST_F(ViewSettingsTest, TextSizeFollowsCtrlPlusMinusZeroAndTheWheelAndIsKept) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    list->setFocus();
    ASSERT_EQ(list->font().pixelSize(), 13);
    QTest::keyClick(list, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(dlg->TextStep(), 3);
    EXPECT_EQ(list->font().pixelSize(), 17);  // 3 points are 4 pixels
    QWheelEvent wheel(QPointF(5, 5), list->viewport()->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &wheel);
    EXPECT_EQ(dlg->TextStep(), 2);
    {
        QSettings settings(File(), QSettings::IniFormat);
        SettingsStore::Write(settings, dlg->CurrentView());
    }
    QSettings settings(File(), QSettings::IniFormat);
    EXPECT_EQ(settings.value("text/step").toInt(), 2);
    CSpellListDlg second;
    second.ApplyView(SettingsStore::Read(settings));
    EXPECT_EQ(second.TextStep(), 2);
    QTest::keyClick(list, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(list->font().pixelSize(), 13);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(list, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(dlg->TextStep(), -4) << "the smallest step";
}

}  // namespace
