// SPDX-License-Identifier: MIT
// The window in Russian, through the translation built into the program,
// and in English: the program's own words (buttons, column captions, the
// details labels, the two Russian messages) read the same in both.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "CFindBar.h"
#include "CommandLine.h"
#include "Messages.h"
#include "ProblemsModel.h"
#include "SpellCheck.h"
#include "Translations.h"
#include "UiTestSupport.h"

namespace {

// Two spells; the first's range line lacks its tab.
const std::string kOneFaultText =
    "Alpha\n"
    "Alteration\n"
    "Range: Touch Components: V\n"
    "Duration: 1 rd.\tCasting Time: 1\n"
    "Area of Effect: One\tSaving Throw: None\n"
    "Notes.\n"
    "\n"
    "Beta\n"
    "Abjuration\n"
    "Range: 0\tComponents: V\n"
    "Duration: 1 rd.\tCasting Time: 1\n"
    "Area of Effect: One\tSaving Throw: None\n"
    "Notes.\n";

// The main dialog made after the translations of `locale` were installed.
class TranslatedWindowTest : public MainDialogTest {
protected:
    explicit TranslatedWindowTest(const QLocale& locale) : locale_(locale) {}
    void SetUp() override {
        translations = std::make_unique<Translations>(locale_);
        translations->Install();
        MainDialogTest::SetUp();
        bar = dlg->FindBar();  // made closed, as at its first opening
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override {
        MainDialogTest::TearDown();
        translations.reset();
    }
    template <typename T>
    T* Find(const char* name) const {
        auto* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QStringList ButtonTexts() const {
        QStringList out;
        for (const char* name : {"IDC_WIZARD", "IDC_PRIEST", "IDOK", "IDC_CREATE_INDEX", "IDCANCEL"})
            out << Button(name)->text().remove(QLatin1Char('\n'));
        return out;
    }
    static QStringList Items(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

    std::unique_ptr<Translations> translations;
    CFindBar* bar = nullptr;

private:
    QLocale locale_;
};

class RussianWindowTest : public TranslatedWindowTest {
protected:
    RussianWindowTest() : TranslatedWindowTest(QLocale(QLocale::Russian, QLocale::Russia)) {}
};

class EnglishWindowTest : public TranslatedWindowTest {
protected:
    EnglishWindowTest() : TranslatedWindowTest(QLocale(QLocale::English, QLocale::UnitedStates)) {}
};

TEST_F(RussianWindowTest, NewTextsAreRussianAndTheProgramsOwnStay) {
    ASSERT_TRUE(translations->Loaded());
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Spells"));
    EXPECT_EQ(ButtonTexts(), (QStringList{"&Wizard", "&Priest", "&Details...", "Create &Index", "E&xit"}));
    EXPECT_EQ(Captions(), kDefaultCaptions);
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Список заклинаний"));

    EXPECT_EQ(Find<QLineEdit>("IDC_FIND_TEXT")->placeholderText(), QStringLiteral("Найти заклинания"));
    EXPECT_EQ(Find<QCheckBox>("IDC_FIND_DESCRIPTIONS")->text(), QStringLiteral("И в описаниях"));
    EXPECT_EQ(Find<QLabel>("IDC_FIND_LEVEL_LABEL")->text(), QStringLiteral("Уровень"));

    BuildSample("wizard");
    Click("IDC_WIZARD");
    ASSERT_EQ(model->rowCount(), 29);
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(Find<QLabel>("IDC_FIND_SCHOOL_LABEL")->text(), QStringLiteral("Школа"));
    EXPECT_EQ(Items(Find<QComboBox>("IDC_FIND_LEVEL")).first(), QStringLiteral("Все уровни"));
    // The class names are the program's own; only the words around them change.
    EXPECT_EQ(Items(Find<QComboBox>("IDC_FIND_SCHOOL")),
              (QStringList{"Все школы", "Alteration", "Abjuration", "Conjuration/Summoning", "Enchantment/Charm",
                           "Illusion/Phantasm", "Evokation/Invokation", "Divination", "Necromancy",
                           "All schools (школа не распознана)"}));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Отсортировано по этому столбцу, по возрастанию"));

    // A query mistake: a message made with a value, and one kept as a constant.
    auto* field = Find<QLineEdit>("IDC_FIND_TEXT");
    QTest::keyClicks(field, "colour:red");
    EXPECT_EQ(field->toolTip(), QStringLiteral("неизвестное поле 'colour:': name, level, school, sphere, range, "
                                               "duration, area, comp, time, save или desc"));
    EXPECT_EQ(Find<QLabel>("IDC_FIND_COUNT")->text(), QStringLiteral("29 из 29"));
    field->clear();
    QTest::keyClicks(field, "\"glass");
    EXPECT_EQ(field->toolTip(), QStringLiteral("кавычка не закрыта"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(RussianWindowTest, TheOriginalsRussianMessagesStayAndTheNoticeIsRussian) {
    Click("IDC_WIZARD");
    EXPECT_EQ(MessageTexts(), QStringList{"нету индекса"});
    messages.clear();

    WriteFile(dir.file("wizard.txt"), kOneFaultText);
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    EXPECT_EQ(MessageTexts(), QStringList{"Вы хотите создать индекс для Wizard?"});
    auto* notice = Find<QLabel>("IDC_NOTICE_TEXT");
    EXPECT_EQ(notice->text(), QStringLiteral("wizard.txt: в индексе 2 заклинания; с ошибками: 1 строка"));
    EXPECT_EQ(Find<QPushButton>("IDC_NOTICE_ACTION")->text(), QStringLiteral("Показать проблемы..."));
}

TEST_F(RussianWindowTest, MessagesOfTheTableFollowTheTranslationWhileItIsInstalled) {
    // Values move where the translation puts them; plural forms by count.
    EXPECT_EQ(messages::MissingTab(messages::kRangeLine, messages::kFieldLabels[3]),
              "нет табуляции в строке «дальность»: поле «дальность» получается пустым");
    EXPECT_EQ(messages::CheckSummary(1, 3, 5), "1 заклинание, 3 предупреждения, 5 замечаний");
    EXPECT_EQ(messages::CheckSummary(21, 0, 0), "21 заклинание, 0 предупреждений");
    EXPECT_EQ(messages::ProblemsNotListed(2), "Ещё 2 предупреждения не показаны");
    EXPECT_EQ(messages::CannotReadIndex("wizard.idx", messages::kNotEnoughMemory),
              "не удаётся прочитать индекс wizard.idx: недостаточно памяти");
    // A system's reason is not in the table and stays as it is.
    EXPECT_EQ(messages::CannotReadBook("/d/w.book", "Disk quota exceeded"),
              "не удаётся прочитать книгу заклинаний /d/w.book: Disk quota exceeded");
    EXPECT_EQ(messages::NoIndexYet("/d/"),
              "Индекса пока нет: нажмите Create Index, чтобы построить его из wizard.txt или priest.txt в /d/");
    // The program's own messages.
    EXPECT_EQ(messages::CannotOpenFile("wizard.txt"), "can't open file wizard.txt");
    EXPECT_EQ(messages::CannotInsertSpell("Sleep"), "can't insert spell Sleep");
    EXPECT_EQ(messages::Translate(messages::kNoIndex), "нету индекса");
    EXPECT_EQ(messages::Translate(messages::kCaption), "Spells");

    // Without the translation the same calls are English again.
    translations.reset();
    EXPECT_EQ(messages::MissingTab(messages::kRangeLine, messages::kFieldLabels[3]),
              "no tab on the range line: the range field comes out empty");
    EXPECT_EQ(messages::CheckSummary(1, 3, 5), "1 spell, 3 warnings, 5 notes");
    EXPECT_EQ(messages::ProblemsNotListed(1), "1 more warning is not listed");
}

TEST_F(RussianWindowTest, ProblemsTableShowsMessagesMadeAndKeptInTheTableInRussian) {
    // One message made while the translation was installed, one kept as a
    // constant of the table and translated where it is shown.
    const std::vector<Diagnostic> diagnostics = {
        {3, Severity::kWarning, DiagnosticCode::kMissingTab,
         messages::MissingTab(messages::kRangeLine, messages::kFieldLabels[3]), "Alpha"},
        {9, Severity::kWarning, DiagnosticCode::kMissingTab, std::string(messages::kEntryCutOff), "Beta"}};
    ProblemsModel problems;
    problems.SetProblems(diagnostics);
    ASSERT_EQ(problems.rowCount(), 2);
    EXPECT_EQ(problems.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Строка"));
    EXPECT_EQ(problems.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Сообщение"));
    EXPECT_EQ(problems.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Заклинание"));
    EXPECT_EQ(problems.index(0, 1).data().toString(),
              QStringLiteral("нет табуляции в строке «дальность»: поле «дальность» получается пустым"));
    EXPECT_EQ(problems.index(1, 1).data().toString(),
              QStringLiteral("файл кончается перед описанием этого заклинания: заклинание не попадает в индекс"));
    EXPECT_EQ(problems.index(1, 2).data().toString(), QStringLiteral("Beta"));
}

TEST_F(RussianWindowTest, UsageAndCommandLineMistakesAreRussian) {
    const QString help = CommandLineHelp();
    EXPECT_TRUE(help.contains(QStringLiteral("Показать эту справку и выйти."))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("Просмотр списков заклинаний волшебника и жреца")))
        << help.toStdString();
    // The usage line still names the program, whatever words Qt gives it.
    EXPECT_TRUE(help.section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral(" spellbrowser ")))
        << help.toStdString();
    const CommandLine command = ParseCommandLine({"spellbrowser", "--pdf=out.pdf"});
    EXPECT_EQ(command.strError, QStringLiteral("--pdf требует класс: wizard или priest"));
}

TEST_F(EnglishWindowTest, NothingIsLoadedAndEveryTextIsEnglish) {
    EXPECT_FALSE(translations->Loaded());
    EXPECT_FALSE(Translations(QLocale::c()).Loaded());
    EXPECT_EQ(ButtonTexts(), (QStringList{"&Wizard", "&Priest", "&Details...", "Create &Index", "E&xit"}));
    EXPECT_EQ(Captions(), kDefaultCaptions);
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Spell list"));
    EXPECT_EQ(Find<QLineEdit>("IDC_FIND_TEXT")->placeholderText(), QStringLiteral("Find spells"));
    EXPECT_EQ(Find<QCheckBox>("IDC_FIND_DESCRIPTIONS")->text(), QStringLiteral("Descriptions too"));
    EXPECT_EQ(Find<QLabel>("IDC_FIND_LEVEL_LABEL")->text(), QStringLiteral("Level"));
    EXPECT_EQ(messages::CheckSummary(1, 2, 0), "1 spell, 2 warnings");
    EXPECT_EQ(messages::CannotReadIndex("wizard.idx", messages::kNotEnoughMemory),
              "can't read index wizard.idx: not enough memory");

    WriteFile(dir.file("wizard.txt"), kOneFaultText);
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    EXPECT_EQ(Find<QLabel>("IDC_NOTICE_TEXT")->text(),
              QStringLiteral("wizard.txt: indexed 2 spells; 1 line looks wrong"));
    EXPECT_EQ(CommandLineHelp().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("Usage: spellbrowser [options] [class]"));
}

}  // namespace
