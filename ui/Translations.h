// SPDX-License-Identifier: MIT
#pragma once
// The window's texts in the language of the system's locale: the program's
// own translation (":/i18n/spells_<language>.qm", built from
// res/translations/*.ts) and Qt's (qtbase_<language>.qm) where it is
// installed. With an English or C locale nothing is loaded and every text
// stays English.

#include <memory>
#include <string>
#include <string_view>

#include <QLocale>

class QTranslator;

class Translations {
public:
    // Loads the translations for `locale`; nothing is installed yet.
    explicit Translations(const QLocale& locale = QLocale::system());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // True when the program's own translation for the locale was found.
    bool Loaded() const;
    // Installs the loaded translations into the running application object,
    // and the translator of the messages table; again for a later
    // application object. The destructor takes them out.
    void Install();

private:
    std::unique_ptr<QTranslator> m_pSpells;
    std::unique_ptr<QTranslator> m_pQt;
    bool m_bInstalled = false;
};

// The translator of the messages table (messages::Translator): the text's
// translation in the context "messages" of the installed translations, or
// an empty string when there is none.
std::string TranslateMessage(std::string_view text, int count);
