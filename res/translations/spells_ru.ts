<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>About Spells</source>
        <translation>О программе Spells</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>Data folder, with wizard.txt, priest.txt and their indexes:</source>
        <translation>Папка данных с wizard.txt, priest.txt и их индексами:</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Клавиши</translation>
    </message>
    <message>
        <source>Alt+W, Alt+P</source>
        <translation>Alt+W, Alt+P</translation>
    </message>
    <message>
        <source>Wizard, Priest: show that class&apos;s spells</source>
        <translation>Wizard, Priest: показать заклинания этого класса</translation>
    </message>
    <message>
        <source>Enter, Alt+D</source>
        <translation>Enter, Alt+D</translation>
    </message>
    <message>
        <source>Details of the selected spell</source>
        <translation>Подробности выбранного заклинания</translation>
    </message>
    <message>
        <source>Ctrl+Enter</source>
        <translation>Ctrl+Enter</translation>
    </message>
    <message>
        <source>Open the spell in a window of its own</source>
        <translation>Открыть заклинание в отдельном окне</translation>
    </message>
    <message>
        <source>Ctrl+C</source>
        <translation>Ctrl+C</translation>
    </message>
    <message>
        <source>Copy the selected spell</source>
        <translation>Копировать выбранное заклинание</translation>
    </message>
    <message>
        <source>Menu key, Shift+F10</source>
        <translation>Клавиша меню, Shift+F10</translation>
    </message>
    <message>
        <source>The list&apos;s menu: Sort by a column, Open in New Window, Copy, Print</source>
        <translation>Меню списка: сортировка по столбцу, открыть в новом окне, копировать, печать</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Find: the find bar, or its query selected</source>
        <translation>Поиск: панель поиска или выделение её запроса</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Стрелка вниз</translation>
    </message>
    <message>
        <source>From the find field into the list</source>
        <translation>Из поля поиска в список</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Escape</translation>
    </message>
    <message>
        <source>Close the find bar, a details window or this help; in the main window, exit</source>
        <translation>Закрыть панель поиска, окно подробностей или эту справку; в главном окне — выход</translation>
    </message>
    <message>
        <source>Alt+I</source>
        <translation>Alt+I</translation>
    </message>
    <message>
        <source>Ctrl+P</source>
        <translation>Ctrl+P</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Печать</translation>
    </message>
    <message>
        <source>Ctrl++, Ctrl+-, Ctrl+0</source>
        <translation>Ctrl++, Ctrl+-, Ctrl+0</translation>
    </message>
    <message>
        <source>Larger, smaller, normal text</source>
        <translation>Крупнее, мельче, обычный текст</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation>Tab, Shift+Tab</translation>
    </message>
    <message>
        <source>Next, previous control (a list is left in one step)</source>
        <translation>Следующий, предыдущий элемент (из списка — за один шаг)</translation>
    </message>
    <message>
        <source>Alt+X, Ctrl+Q</source>
        <translation>Alt+X, Ctrl+Q</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>This help</source>
        <translation>Эта справка</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Terms are separated by spaces; a spell is shown when every term occurs in one of its columns, ignoring case.</source>
        <translation>Слова разделяются пробелами; заклинание показывается, если каждое слово встречается в одном из его столбцов, без учёта регистра.</translation>
    </message>
    <message>
        <source>the word in any column</source>
        <translation>слово в любом столбце</translation>
    </message>
    <message>
        <source>the phrase</source>
        <translation>фраза</translation>
    </message>
    <message>
        <source>in one column: name, level, school, sphere, range, duration, area, comp, time, save, desc</source>
        <translation>в одном столбце: name, level, school, sphere, range, duration, area, comp, time, save, desc</translation>
    </message>
    <message>
        <source>spells without it</source>
        <translation>заклинания без этого слова</translation>
    </message>
    <message>
        <source>a level, or a range of levels</source>
        <translation>уровень или диапазон уровней</translation>
    </message>
    <message>
        <source>a verbal, somatic or material component</source>
        <translation>вербальный, соматический или материальный компонент</translation>
    </message>
    <message>
        <source>School icons</source>
        <translation>Значки школ</translation>
    </message>
    <message>
        <source>The icon of each row shows its school; a screen reader reads it as the row&apos;s description.</source>
        <translation>Значок строки показывает школу заклинания; программа чтения с экрана читает его как описание строки.</translation>
    </message>
</context>
<context>
    <name>CBookBar</name>
    <message>
        <source>New...</source>
        <translation>Новая...</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>Переименовать...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Marked only</source>
        <translation>Только отмеченные</translation>
    </message>
    <message>
        <source>Book:</source>
        <translation>Книга:</translation>
    </message>
    <message>
        <source>Spellbook</source>
        <translation>Книга заклинаний</translation>
    </message>
    <message>
        <source>Spellbook %1</source>
        <translation>Книга заклинаний %1</translation>
    </message>
</context>
<context>
    <name>CFindBar</name>
    <message>
        <source>Find spells</source>
        <translation>Найти заклинания</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Descriptions too</source>
        <translation>И в описаниях</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Уровень</translation>
    </message>
    <message>
        <source>School</source>
        <translation>Школа</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>Close find bar</source>
        <translation>Закрыть панель поиска</translation>
    </message>
    <message>
        <source>All levels</source>
        <translation>Все уровни</translation>
    </message>
    <message>
        <source>All spheres</source>
        <translation>Все сферы</translation>
    </message>
    <message>
        <source>All schools</source>
        <translation>Все школы</translation>
    </message>
    <message>
        <source>Sphere</source>
        <translation>Сфера</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 из %2</translation>
    </message>
</context>
<context>
    <name>CNoticeBar</name>
    <message>
        <source>Close notice</source>
        <translation>Закрыть уведомление</translation>
    </message>
</context>
<context>
    <name>CPrintPreview</name>
    <message>
        <source>Save as PDF</source>
        <translation>Сохранить как PDF</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>Файлы PDF (*.pdf)</translation>
    </message>
    <message>
        <source>Print Spells</source>
        <translation>Печать заклинаний</translation>
    </message>
    <message>
        <source>Spellbook (%1)</source>
        <translation>Книга заклинаний (%1)</translation>
    </message>
    <message>
        <source>Spells shown (%1)</source>
        <translation>Показанные заклинания (%1)</translation>
    </message>
    <message>
        <source>Selected spell</source>
        <translation>Выбранное заклинание</translation>
    </message>
    <message>
        <source>Sheet</source>
        <translation>Лист</translation>
    </message>
    <message>
        <source>Cards</source>
        <translation>Карточки</translation>
    </message>
    <message>
        <source>Print: </source>
        <translation>Печать: </translation>
    </message>
    <message>
        <source>Save as PDF...</source>
        <translation>Сохранить как PDF...</translation>
    </message>
</context>
<context>
    <name>CProblemsDlg</name>
    <message>
        <source>Problems</source>
        <translation>Проблемы</translation>
    </message>
</context>
<context>
    <name>CSpellInfoDlg</name>
    <message>
        <source>Name</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>School</source>
        <translation>Школа</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Описание</translation>
    </message>
    <message>
        <source>Area of effect</source>
        <translation>Область действия</translation>
    </message>
</context>
<context>
    <name>CSpellListDlg</name>
    <message>
        <source>Spell list</source>
        <translation>Список заклинаний</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Ход загрузки</translation>
    </message>
    <message>
        <source>Open in New Window</source>
        <translation>Открыть в новом окне</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>&amp;Sort by</source>
        <translation>&amp;Сортировать по</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Печать...</translation>
    </message>
    <message>
        <source>Save as PDF...</source>
        <translation>Сохранить как PDF...</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Browses the wizard and priest spell lists of a tabletop role-playing game.</source>
        <translation>Просмотр списков заклинаний волшебника и жреца настольной ролевой игры.</translation>
    </message>
    <message>
        <source>Show this class&apos;s spells at start, as its button does: wizard or priest.</source>
        <translation>Показать при запуске заклинания этого класса, как его кнопка: wizard или priest.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Показать эту справку и выйти.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Показать версию и выйти.</translation>
    </message>
    <message>
        <source>Keep the spell lists and their indexes in DIR.</source>
        <translation>Хранить списки заклинаний и их индексы в папке DIR.</translation>
    </message>
    <message>
        <source>Write the class&apos;s spells, ordered by name, as a PDF to FILE and exit, without a window.</source>
        <translation>Записать заклинания класса, упорядоченные по названию, в PDF-файл FILE и выйти, без окна.</translation>
    </message>
    <message>
        <source>With --pdf: print cards of 63 x 88 mm, not a sheet.</source>
        <translation>С --pdf: печатать карточки 63 x 88 мм, а не лист.</translation>
    </message>
    <message>
        <source>With --pdf: only the spells of the spellbook NAME.</source>
        <translation>С --pdf: только заклинания книги заклинаний NAME.</translation>
    </message>
</context>
<context>
    <name>SchoolIcons</name>
    <message>
        <source>%1 (no school recognised)</source>
        <translation>%1 (школа не распознана)</translation>
    </message>
</context>
<context>
    <name>SpellCopy</name>
    <message>
        <source>%1, level %2</source>
        <translation>%1, уровень %2</translation>
    </message>
</context>
<context>
    <name>SpellListModel</name>
    <message>
        <source>matched in the description</source>
        <translation>найдено в описании</translation>
    </message>
    <message>
        <source>School icons:</source>
        <translation>Значки школ:</translation>
    </message>
    <message>
        <source>Sorted by this column, descending</source>
        <translation>Отсортировано по этому столбцу, по убыванию</translation>
    </message>
    <message>
        <source>Sorted by this column, ascending</source>
        <translation>Отсортировано по этому столбцу, по возрастанию</translation>
    </message>
</context>
<context>
    <name>SpellPrinter</name>
    <message>
        <source>Level %1</source>
        <translation>Уровень %1</translation>
    </message>
</context>
<context>
    <name>messages</name>
    <message>
        <source>not enough memory</source>
        <translation>недостаточно памяти</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>не обычный файл</translation>
    </message>
    <message>
        <source>can&apos;t read file %1</source>
        <translation>не удаётся прочитать файл %1</translation>
    </message>
    <message>
        <source>can&apos;t write index %1</source>
        <translation>не удаётся записать индекс %1</translation>
    </message>
    <message>
        <source>can&apos;t open index %1</source>
        <translation>не удаётся открыть индекс %1</translation>
    </message>
    <message>
        <source>can&apos;t read index %1</source>
        <translation>не удаётся прочитать индекс %1</translation>
    </message>
    <message>
        <source>can&apos;t use data folder %1</source>
        <translation>не удаётся использовать папку данных %1</translation>
    </message>
    <message>
        <source>can&apos;t create data folder %1</source>
        <translation>не удаётся создать папку данных %1</translation>
    </message>
    <message>
        <source>can&apos;t find the home folder for the data folder</source>
        <translation>не удаётся найти домашнюю папку для папки данных</translation>
    </message>
    <message>
        <source>--data-dir given more than once</source>
        <translation>--data-dir указан более одного раза</translation>
    </message>
    <message>
        <source>--data-dir needs a folder</source>
        <translation>--data-dir требует папку</translation>
    </message>
    <message>
        <source>--cards and --book go with --pdf</source>
        <translation>--cards и --book используются вместе с --pdf</translation>
    </message>
    <message>
        <source>--pdf and --book are given once</source>
        <translation>--pdf и --book указываются один раз</translation>
    </message>
    <message>
        <source>--pdf needs a file name</source>
        <translation>--pdf требует имя файла</translation>
    </message>
    <message>
        <source>--pdf needs a class: wizard or priest</source>
        <translation>--pdf требует класс: wizard или priest</translation>
    </message>
    <message>
        <source>unknown spell class &apos;%1&apos;: wizard or priest</source>
        <translation>неизвестный класс заклинаний &apos;%1&apos;: wizard или priest</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>лишний аргумент &apos;%1&apos;</translation>
    </message>
    <message>
        <source>can&apos;t write output</source>
        <translation>не удаётся записать вывод</translation>
    </message>
    <message>
        <source>can&apos;t search the list</source>
        <translation>не удаётся выполнить поиск по списку</translation>
    </message>
    <message>
        <source>unknown field &apos;%1:&apos;: name, level, school, sphere, range, duration, area, comp, time, save or desc</source>
        <translation>неизвестное поле &apos;%1:&apos;: name, level, school, sphere, range, duration, area, comp, time, save или desc</translation>
    </message>
    <message>
        <source>a quote is not closed</source>
        <translation>кавычка не закрыта</translation>
    </message>
    <message>
        <source>nothing follows &apos;%1:&apos;</source>
        <translation>после &apos;%1:&apos; ничего нет</translation>
    </message>
    <message>
        <source>level: wants a level or a range such as 2-4, not &apos;%1&apos;</source>
        <translation>level: нужен уровень или диапазон, например 2-4, а не &apos;%1&apos;</translation>
    </message>
    <message>
        <source>can&apos;t index %1</source>
        <translation>не удаётся проиндексировать %1</translation>
    </message>
    <message>
        <source>spells past 2 GiB cannot be stored in the index</source>
        <translation>заклинания дальше 2 ГиБ нельзя сохранить в индексе</translation>
    </message>
    <message>
        <source>it changed while it was read; build the index again</source>
        <translation>файл изменился во время чтения; постройте индекс заново</translation>
    </message>
    <message>
        <source>can&apos;t create a file in %1</source>
        <translation>не удаётся создать файл в %1</translation>
    </message>
    <message numerus="yes">
        <source>%n spells</source>
        <translation>
            <numerusform>%n заклинание</numerusform>
            <numerusform>%n заклинания</numerusform>
            <numerusform>%n заклинаний</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n warnings</source>
        <translation>
            <numerusform>%n предупреждение</numerusform>
            <numerusform>%n предупреждения</numerusform>
            <numerusform>%n предупреждений</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n notes</source>
        <translation>
            <numerusform>%n замечание</numerusform>
            <numerusform>%n замечания</numerusform>
            <numerusform>%n замечаний</numerusform>
        </translation>
    </message>
    <message>
        <source>name</source>
        <translation>название</translation>
    </message>
    <message>
        <source>level</source>
        <translation>уровень</translation>
    </message>
    <message>
        <source>school</source>
        <translation>школа</translation>
    </message>
    <message>
        <source>range</source>
        <translation>дальность</translation>
    </message>
    <message>
        <source>duration</source>
        <translation>длительность</translation>
    </message>
    <message>
        <source>area of effect</source>
        <translation>область действия</translation>
    </message>
    <message>
        <source>components</source>
        <translation>компоненты</translation>
    </message>
    <message>
        <source>saving throw</source>
        <translation>спасбросок</translation>
    </message>
    <message>
        <source>casting time</source>
        <translation>время сотворения</translation>
    </message>
    <message>
        <source>sphere</source>
        <translation>сфера</translation>
    </message>
    <message>
        <source>area</source>
        <translation>область</translation>
    </message>
    <message>
        <source>the field lines of this spell lack %1 of their %2 markers (%3)</source>
        <translation>в строках полей этого заклинания нет %1 из %2 меток (%3)</translation>
    </message>
    <message>
        <source>this line begins with a capital letter after a blank line in the description of %1, so it starts a new spell, whose field lines lack %2 of their %3 markers (%4); to keep it in the description, indent it or begin it with a lower-case letter</source>
        <translation>эта строка начинается с заглавной буквы после пустой строки в описании %1, поэтому с неё начинается новое заклинание, в строках полей которого нет %2 из %3 меток (%4); чтобы оставить её в описании, сделайте отступ или начните её со строчной буквы</translation>
    </message>
    <message>
        <source>no &quot;%1&quot; on the %2 line: the %3 field comes out empty</source>
        <translation>нет «%1» в строке «%2»: поле «%3» получается пустым</translation>
    </message>
    <message>
        <source>no &quot;%1&quot; on the %2 line: the %3 field comes out as %4</source>
        <translation>нет «%1» в строке «%2»: поле «%3» получается таким: %4</translation>
    </message>
    <message>
        <source>no tab on the %1 line: the %2 field comes out empty</source>
        <translation>нет табуляции в строке «%1»: поле «%2» получается пустым</translation>
    </message>
    <message>
        <source>the first tab of the %1 line stands before the %2: the %2 field comes out empty</source>
        <translation>первая табуляция строки «%1» стоит перед полем «%2»: поле «%2» получается пустым</translation>
    </message>
    <message>
        <source>the %1 field is %2 bytes long; the index keeps %3: %4</source>
        <translation>длина поля «%1» — %2 байт; индекс хранит %3: %4</translation>
    </message>
    <message>
        <source>begins with the capital %1 after a blank line: only A to Z begin a new spell, so the line is read as description text</source>
        <translation>начинается с заглавной %1 после пустой строки: новое заклинание начинают только буквы от A до Z, поэтому строка читается как текст описания</translation>
    </message>
    <message>
        <source>the school %1 matches no school keyword: the spell gets the generic icon</source>
        <translation>школа %1 не совпадает ни с одним ключевым словом школ: заклинание получает общий значок</translation>
    </message>
    <message>
        <source>level header before the first spell: levels count from 1 and each header adds one, so the spells under it come out as level 2; first-level spells stand before any header</source>
        <translation>заголовок уровня перед первым заклинанием: уровни считаются с 1, и каждый заголовок добавляет единицу, поэтому заклинания под ним получают уровень 2; заклинания первого уровня стоят перед всеми заголовками</translation>
    </message>
    <message>
        <source>the file ends before this spell&apos;s description: the spell is not indexed</source>
        <translation>файл кончается перед описанием этого заклинания: заклинание не попадает в индекс</translation>
    </message>
    <message>
        <source>the file ends inside this description: the spell is indexed, but older readers of the format drop it</source>
        <translation>файл кончается внутри этого описания: заклинание попадает в индекс, но старые программы чтения формата его отбрасывают</translation>
    </message>
    <message>
        <source>%1 blank lines before this spell: one or two separate spells; older readers of the format read it as part of the description before</source>
        <translation>пустых строк перед этим заклинанием: %1; заклинания разделяют одна или две, старые программы чтения формата читают его как часть предыдущего описания</translation>
    </message>
    <message>
        <source>line ends in a carriage return (CR CR LF): every field keeps the CR, blank lines are not blank and spells run together; %1 so</source>
        <translation>строка кончается возвратом каретки (CR CR LF): каждое поле сохраняет CR, пустые строки не пусты, и заклинания сливаются; так кончается строк: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n lines end</source>
        <translation>
            <numerusform>%n</numerusform>
            <numerusform>%n</numerusform>
            <numerusform>%n</numerusform>
        </translation>
    </message>
    <message>
        <source>carriage return inside the line: lines that end in a CR alone run together into one</source>
        <translation>возврат каретки внутри строки: строки, которые кончаются одним CR, сливаются в одну</translation>
    </message>
    <message>
        <source>not valid UTF-8, unlike %1: a field or description holding it is shown as Windows-1251</source>
        <translation>не корректный UTF-8, в отличие от %1: поле или описание с этой строкой показывается как Windows-1251</translation>
    </message>
    <message numerus="yes">
        <source>%n other lines</source>
        <translation>
            <numerusform>%n другой строки</numerusform>
            <numerusform>%n других строк</numerusform>
            <numerusform>%n других строк</numerusform>
        </translation>
    </message>
    <message>
        <source>valid UTF-8, unlike %1: a description holding both is shown as Windows-1251</source>
        <translation>корректный UTF-8, в отличие от %1: описание, содержащее обе, показывается как Windows-1251</translation>
    </message>
    <message>
        <source>this spell&apos;s description starts past 2 GiB, where no index record can point: the build fails here (spells past 2 GiB cannot be stored in the index)</source>
        <translation>описание этого заклинания начинается дальше 2 ГиБ, куда не может указывать запись индекса: построение здесь прерывается (заклинания дальше 2 ГиБ нельзя сохранить в индексе)</translation>
    </message>
    <message>
        <source>the spell at line %1 has the same name</source>
        <translation>у заклинания в строке %1 такое же название</translation>
    </message>
    <message>
        <source>%1 changed after its index was built: descriptions may be wrong</source>
        <translation>%1 изменился после построения индекса: описания могут быть неверны</translation>
    </message>
    <message>
        <source>%1 is missing: descriptions cannot be shown</source>
        <translation>%1 отсутствует: описания нельзя показать</translation>
    </message>
    <message>
        <source>Rebuild</source>
        <translation>Перестроить</translation>
    </message>
    <message>
        <source>No spell lists yet: put wizard.txt or priest.txt into %1 and press Create Index</source>
        <translation>Списков заклинаний пока нет: положите wizard.txt или priest.txt в %1 и нажмите Create Index</translation>
    </message>
    <message>
        <source>No index yet: press Create Index to build one from wizard.txt or priest.txt in %1</source>
        <translation>Индекса пока нет: нажмите Create Index, чтобы построить его из wizard.txt или priest.txt в %1</translation>
    </message>
    <message>
        <source>%1: indexed %2; %3 wrong</source>
        <translation>%1: в индексе %2; с ошибками: %3</translation>
    </message>
    <message numerus="yes">
        <source>%n lines look</source>
        <translation>
            <numerusform>%n строка</numerusform>
            <numerusform>%n строки</numerusform>
            <numerusform>%n строк</numerusform>
        </translation>
    </message>
    <message>
        <source>Show Problems...</source>
        <translation>Показать проблемы...</translation>
    </message>
    <message>
        <source>Close this notice</source>
        <translation>Закрыть это уведомление</translation>
    </message>
    <message>
        <source>Problems in %1</source>
        <translation>Проблемы в %1</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Строка</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Сообщение</translation>
    </message>
    <message>
        <source>Spell</source>
        <translation>Заклинание</translation>
    </message>
    <message numerus="yes">
        <source>%n more warnings are not listed</source>
        <translation>
            <numerusform>Ещё %n предупреждение не показано</numerusform>
            <numerusform>Ещё %n предупреждения не показаны</numerusform>
            <numerusform>Ещё %n предупреждений не показано</numerusform>
        </translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>can&apos;t read spellbook %1</source>
        <translation>не удаётся прочитать книгу заклинаний %1</translation>
    </message>
    <message>
        <source>can&apos;t write spellbook %1</source>
        <translation>не удаётся записать книгу заклинаний %1</translation>
    </message>
    <message>
        <source>can&apos;t delete spellbook %1</source>
        <translation>не удаётся удалить книгу заклинаний %1</translation>
    </message>
    <message>
        <source>no spellbook &apos;%1&apos; in %2.book or %2-&lt;n&gt;.book</source>
        <translation>нет книги заклинаний &apos;%1&apos; в %2.book или %2-&lt;n&gt;.book</translation>
    </message>
    <message>
        <source>%1 marked</source>
        <translation>отмечено: %1</translation>
    </message>
    <message>
        <source>, %1 not in the list</source>
        <translation>, нет в списке: %1</translation>
    </message>
    <message>
        <source>Delete the spellbook &quot;%1&quot; and its marks?</source>
        <translation>Удалить книгу заклинаний «%1» и её отметки?</translation>
    </message>
    <message>
        <source>Name of the new spellbook:</source>
        <translation>Название новой книги заклинаний:</translation>
    </message>
    <message>
        <source>New name of the spellbook:</source>
        <translation>Новое название книги заклинаний:</translation>
    </message>
    <message>
        <source>can&apos;t write PDF %1</source>
        <translation>не удаётся записать PDF %1</translation>
    </message>
</context>
</TS>
