// SPDX-License-Identifier: MIT
#include "Translations.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include "Messages.h"

Translations::Translations(const QLocale& locale)
    : m_pSpells(std::make_unique<QTranslator>()), m_pQt(std::make_unique<QTranslator>()) {
    if (!m_pSpells->load(locale, QStringLiteral("spells"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        m_pSpells.reset();
    if (!m_pQt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_pQt.reset();
}

Translations::~Translations() {
    if (m_bInstalled && m_pSpells)
        messages::SetTranslator(nullptr);
    // A translator that is destroyed leaves the application by itself.
}

bool Translations::Loaded() const { return m_pSpells != nullptr; }

void Translations::Install() {
    if (m_pQt)
        QCoreApplication::installTranslator(m_pQt.get());
    if (m_pSpells) {
        QCoreApplication::installTranslator(m_pSpells.get());
        messages::SetTranslator(&TranslateMessage);
    }
    m_bInstalled = true;
}

std::string TranslateMessage(std::string_view text, int count) {
    const QByteArray source(text.data(), static_cast<qsizetype>(text.size()));
    const QString translated = QCoreApplication::translate("messages", source.constData(), nullptr, count);
    // Without a translation Qt gives back the source, with %n filled in.
    QString untranslated = QString::fromUtf8(source);
    if (count >= 0)
        untranslated.replace(QStringLiteral("%n"), QString::number(count));
    if (translated == untranslated)
        return {};
    return translated.toStdString();
}
