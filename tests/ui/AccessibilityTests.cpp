// SPDX-License-Identifier: MIT
// What a screen reader finds in the windows, through QAccessible: the
// names, roles and labels of the controls, the school icon as text, the
// announcements of the find count and of the notice, and the keyboard's
// ways to sort, to the help and out of the tables.

#include <chrono>
#include <filesystem>

#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QToolTip>
#include <QTreeView>

#include "CFindBar.h"
#include "CNoticeBar.h"
#include "CProblemsDlg.h"
#include "CStatusLabel.h"
#include "UiTestSupport.h"

namespace {

QAccessibleInterface* Acc(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

QString Name(QObject* object) {
    QAccessibleInterface* a = Acc(object);
    return a ? a->text(QAccessible::Name) : QStringLiteral("(no interface)");
}

QAccessible::Role Role(QObject* object) {
    QAccessibleInterface* a = Acc(object);
    return a ? a->role() : QAccessible::NoRole;
}

// The names of the labels of `object`.
QStringList LabelledBy(QObject* object) {
    QStringList names;
    for (const auto& [label, relation] : Acc(object)->relations(QAccessible::Label))
        names << label->text(QAccessible::Name);
    return names;
}

// The controls of `window` that Tab reaches and a screen reader could not
// call by name: no accessible name, or for a combo box (named by its
// current item) no label.
QStringList Unnamed(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        const bool named = qobject_cast<QComboBox*>(w) ? !LabelledBy(w).join(QString()).isEmpty()
                                                       : !Name(w).trimmed().isEmpty();
        if (!named)
            unnamed << w->objectName() + QLatin1Char(':') + QString::fromLatin1(w->metaObject()->className());
    }
    return unnamed;
}

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type, int* count) : type_(type), count_(count) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == type_)
            ++*count_;
        return false;
    }

private:
    QEvent::Type type_;
    int* count_;
};

struct Control {
    const char* objectName;
    const char* name;
    QAccessible::Role role;
};

const QString kStale = QStringLiteral("wizard.txt changed after its index was built: descriptions may be wrong");

class AccessibilityTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        bar = dlg->FindBar();  // made closed, as at its first opening
        notice = dlg->findChild<CNoticeBar*>(QStringLiteral("IDC_NOTICE_BAR"));
        ASSERT_TRUE(bar && notice);
    }
    // The wizard list, its text saved after its index was built: the notice
    // offers Rebuild.
    void LoadStaleWizard() {
        BuildSample("wizard");
        std::filesystem::last_write_time(Txt(), std::filesystem::file_time_type::clock::now() +
                                                    std::chrono::seconds(10));
        Click("IDC_WIZARD");
        ASSERT_EQ(model->rowCount(), 29);
    }
    template <class Widget = QWidget>
    Widget* Child(const char* objectName) const {
        auto* w = dlg->findChild<Widget*>(QString::fromLatin1(objectName));
        EXPECT_NE(w, nullptr) << objectName;
        return w;
    }
    // Opens the list's menu with `open`, reads its Sort by submenu and
    // chooses `choice` there; the items and the checked one come back.
    QStringList SortByMenu(const std::function<void()>& open, const QString& choice, QString* checked) {
        QStringList items;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || menu->objectName() != QStringLiteral("IDR_LIST_MENU"))
                return;
            poll.stop();
            auto* sortBy = menu->findChild<QMenu*>(QStringLiteral("IDM_SORT_BY"));
            QAction* chosen = nullptr;
            for (QAction* a : sortBy ? sortBy->actions() : QList<QAction*>()) {
                items << a->text();
                if (a->isChecked())
                    *checked = a->text();
                if (a->text() == choice)
                    chosen = a;
            }
            menu->hide();  // as a choice does before it acts
            if (chosen)
                chosen->trigger();
        });
        poll.start();
        open();
        return items;
    }

    CFindBar* bar = nullptr;
    CNoticeBar* notice = nullptr;
};

}  // namespace

TEST_F(AccessibilityTest, EveryControlHasANameARoleAndItsLabel) {
    LoadStaleWizard();
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible() && notice->isVisible());
    auto* count = Child<CStatusLabel>("IDC_FIND_COUNT");
    count->SetSettleDelay(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Name(count) == QStringLiteral("29 of 29"); }));

    const Control controls[] = {
        {"IDC_SPELL_LIST", "Spell list", QAccessible::Table},
        {"IDC_WIZARD", "Wizard", QAccessible::PushButton},
        {"IDC_PRIEST", "Priest", QAccessible::PushButton},
        {"IDOK", "Details...", QAccessible::PushButton},
        {"IDCANCEL", "Exit", QAccessible::PushButton},
        {"IDC_PROGRESS", "Progress", QAccessible::ProgressBar},
        {"IDC_FIND_TEXT", "Find", QAccessible::EditableText},
        {"IDC_FIND_LEVEL_LABEL", "Level", QAccessible::StaticText},
        {"IDC_FIND_SCHOOL_LABEL", "School", QAccessible::StaticText},
        {"IDC_FIND_DESCRIPTIONS", "Descriptions too", QAccessible::CheckBox},
        {"IDC_FIND_COUNT", "29 of 29", QAccessible::StatusBar},
        {"IDC_FIND_CLOSE", "Close find bar", QAccessible::PushButton},
        {"IDC_NOTICE_BAR", "wizard.txt changed after its index was built: descriptions may be wrong",
         QAccessible::AlertMessage},
        {"IDC_NOTICE_ACTION", "Rebuild", QAccessible::PushButton},
        {"IDC_NOTICE_CLOSE", "Close notice", QAccessible::PushButton},
    };
    for (const Control& c : controls) {
        QWidget* w = Child(c.objectName);
        EXPECT_EQ(Name(w), QString::fromUtf8(c.name)) << c.objectName;
        EXPECT_EQ(Role(w), c.role) << c.objectName;
    }
    // The boxes read as their visible labels, the school box as "Sphere"
    // for priests.
    auto* level = Child<QComboBox>("IDC_FIND_LEVEL");
    auto* school = Child<QComboBox>("IDC_FIND_SCHOOL");
    EXPECT_EQ(Role(level), QAccessible::ComboBox);
    EXPECT_EQ(LabelledBy(level), QStringList{"Level"});
    EXPECT_EQ(LabelledBy(school), QStringList{"School"});
    EXPECT_EQ(Unnamed(dlg.get()), QStringList());

    BuildSample("priest");
    Click("IDC_PRIEST");
    EXPECT_EQ(LabelledBy(school), QStringList{"Sphere"});
    EXPECT_EQ(Name(Child("IDC_FIND_SCHOOL_LABEL")), QStringLiteral("Sphere"));
    EXPECT_EQ(Unnamed(dlg.get()), QStringList());

    // The problems dialog: its table, then Close, one Tab apart.
    CProblemsDlg problems(dlg.get());
    problems.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&problems));
    auto* table = problems.findChild<QTreeView*>(QStringLiteral("IDC_PROBLEM_LIST"));
    auto* close = problems.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    ASSERT_TRUE(table && close);
    EXPECT_EQ(Name(table), QStringLiteral("Problems"));
    EXPECT_EQ(Role(table), QAccessible::Tree);
    EXPECT_EQ(Name(close), QStringLiteral("Close"));
    EXPECT_EQ(Unnamed(&problems), QStringList());
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), close);
}

// The school icon of a row is its first cell's description and the
// icon's tooltip; the key column's header holds the legend of all nine.
TEST_F(AccessibilityTest, SchoolIconIsReadAsText) {
    BuildSample("wizard");
    BuildSample("priest");
    Click("IDC_PRIEST");
    const auto rowOf = [&](const char* spell) { return static_cast<int>(Column(0).indexOf(QString::fromUtf8(spell))); };
    const auto cellDescription = [&](const char* spell) {
        const int row = rowOf(spell);
        QAccessibleTableInterface* table = Acc(list)->tableInterface();
        return row >= 0 && table ? table->cellAt(row, 0)->text(QAccessible::Description) : QString();
    };
    // For priests the school is nowhere else: the column shows the sphere.
    EXPECT_EQ(Text(rowOf("Call the Flock"), 2), QStringLiteral("Animal"));
    EXPECT_EQ(cellDescription("Call the Flock"), QStringLiteral("Conjuration/Summoning"));
    Click("IDC_WIZARD");
    EXPECT_EQ(cellDescription("Ashen Hand"), QStringLiteral("Necromancy"));
    EXPECT_EQ(cellDescription("Ember Mote"), QStringLiteral("Evokation/Invokation"));

    // Across the first cell: the check box, the icon, the name.
    const QRect cell = list->visualRect(model->index(rowOf("Ashen Hand"), 0));
    QStringList tips;
    for (int x = cell.left() + 1; x < cell.left() + 72; x += 3) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        const QPoint at(x, cell.center().y());
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
        if (tips.isEmpty() || tips.last() != tip)
            tips << tip;
    }
    QToolTip::hideText();
    EXPECT_EQ(tips, (QStringList{"", "Necromancy", ""}));

    const QString legend = model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString();
    QStringList entries;
    const QRegularExpression entry(QStringLiteral("src=\"qrc:/icons/(\\w+)\\.xpm\"[^>]*></td><td>([^<]*)<"));
    for (auto m = entry.globalMatch(legend); m.hasNext();) {
        const auto match = m.next();
        entries << match.captured(1) + QLatin1Char('=') + match.captured(2);
    }
    EXPECT_EQ(entries, (QStringList{"school_alteration=Alteration", "school_abjuration=Abjuration",
                                    "school_conjuration=Conjuration/Summoning",
                                    "school_enchantment=Enchantment/Charm", "school_illusion=Illusion/Phantasm",
                                    "school_evocation=Evokation/Invokation", "school_divination=Divination",
                                    "school_necromancy=Necromancy",
                                    "school_all=All schools (no school recognised)"}));
    EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).isNull());
}

// The count is a status bar whose name, which a screen reader hears when
// it changes, follows the text once typing stops, not at every key; the
// field keeps the focus while the list follows the query.
TEST_F(AccessibilityTest, CountIsAStatusBarAnnouncedOnceTypingStops) {
    BuildSample("wizard");
    Click("IDC_WIZARD");
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    auto* count = Child<CStatusLabel>("IDC_FIND_COUNT");
    auto* field = Child<QLineEdit>("IDC_FIND_TEXT");
    // Long enough that the four keys below, each a search even in the
    // sanitizer build, come well inside it.
    count->SetSettleDelay(2000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Name(count) == QStringLiteral("29 of 29"); }));
    EXPECT_EQ(Role(count), QAccessible::StatusBar);

    QStringList shown;
    QStringList named;
    for (const char key : QByteArray("lant")) {
        QTest::keyClick(field, key);
        QTest::qWait(20);  // much quicker than the settle delay
        shown << count->text();
        named << Name(count);
    }
    EXPECT_EQ(shown, (QStringList{"27 of 29", "4 of 29", "2 of 29", "2 of 29"}));
    EXPECT_EQ(named, (QStringList{"29 of 29", "29 of 29", "29 of 29", "29 of 29"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Name(count) == QStringLiteral("2 of 29"); }));
    EXPECT_EQ(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_TRUE(field->hasFocus());
}

// The notice is an alert named by its text; each new text appears anew
// (hidden and shown), as a screen reader speaks an alert when it appears.
TEST_F(AccessibilityTest, NoticeIsAnAlertThatAppearsForEachNewText) {
    int shows = 0;
    EventCounter counter(notice, QEvent::Show, &shows);
    LoadStaleWizard();
    ASSERT_TRUE(notice->isVisible());
    EXPECT_EQ(Role(notice), QAccessible::AlertMessage);
    EXPECT_EQ(Name(notice), kStale);
    EXPECT_EQ(shows, 1);
    notice->ShowNotice(QStringLiteral("Another notice"));
    EXPECT_EQ(Name(notice), QStringLiteral("Another notice"));
    EXPECT_EQ(shows, 2);
    notice->ShowNotice(QStringLiteral("Another notice"));
    EXPECT_EQ(shows, 2) << "the same text is not announced twice";
}

// The menu key and Shift+F10 open the list's menu, whose Sort by lists the
// columns as they stand and sorts as a header click does, reversing the
// key column's order.
TEST_F(AccessibilityTest, SortByMenuFromTheKeyboardDoesWhatAHeaderClickDoes) {
    BuildSample("wizard");
    Click("IDC_WIZARD");
    list->setFocus();
    QString checked;
    const QStringList items = SortByMenu(
        [&] { QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier); }, QStringLiteral("Level"), &checked);
    EXPECT_EQ(items, kDefaultCaptions);
    EXPECT_EQ(checked, QStringLiteral("Spell"));
    EXPECT_EQ(Captions()[0], QStringLiteral("Level"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Column(0).first(), QStringLiteral("1"));

    const auto menuKey = [&] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), list->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(list, &event);
    };
    EXPECT_EQ(SortByMenu(menuKey, QStringLiteral("Level"), &checked),
              (QStringList{"Level", "Spell", "School/Sphere", "Range", "Duration", "Area", "Components", "Saving",
                           "Casting time"}));
    EXPECT_EQ(checked, QStringLiteral("Level"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Column(0).first(), QStringLiteral("6"));
    SortByMenu(menuKey, QStringLiteral("Spell"), &checked);
    EXPECT_EQ(Captions(), kDefaultCaptions);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_TRUE(messages.empty());
}
