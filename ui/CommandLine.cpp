#include "CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "BuildConfig.h"
#include "DataDirectory.h"
#include "Messages.h"

namespace {

// The same parser answers the parse and the usage text.
struct Parser {
    Parser() {
        parser.setApplicationDescription(
            QStringLiteral("Browses the wizard and priest spell lists of a tabletop role-playing game."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(dataDir);
        parser.addOption(pdf);
        parser.addOption(cards);
        parser.addOption(book);
        parser.addPositionalArgument(QStringLiteral("class"),
                                     QStringLiteral("Show this class's spells at start, as its "
                                                    "button does: wizard or priest."),
                                     QStringLiteral("[class]"));
    }

    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and exit.")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"),
                               QStringLiteral("Keep the spell lists and their indexes in DIR."),
                               QStringLiteral("DIR")};
    QCommandLineOption pdf{QStringLiteral("pdf"),
                           QStringLiteral("Write the class's spells, ordered by name, as a PDF to FILE "
                                          "and exit, without a window."),
                           QStringLiteral("FILE")};
    QCommandLineOption cards{QStringLiteral("cards"),
                             QStringLiteral("With --pdf: print cards of 63 x 88 mm, not a sheet.")};
    QCommandLineOption book{QStringLiteral("book"),
                            QStringLiteral("With --pdf: only the spells of the spellbook NAME."),
                            QStringLiteral("NAME")};
};

CommandLine Error(const std::string& text) {
    CommandLine command;
    command.action = CommandLine::Action::kError;
    command.strError = QString::fromStdString(text);
    return command;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    Parser p;
    if (!p.parser.parse(arguments))
        return Error(p.parser.errorText().toStdString());
    CommandLine command;
    if (p.parser.isSet(p.help)) {
        command.action = CommandLine::Action::kHelp;
        return command;
    }
    if (p.parser.isSet(p.version)) {
        command.action = CommandLine::Action::kVersion;
        return command;
    }
    const QStringList values = p.parser.values(p.dataDir);
    if (values.size() > 1)
        return Error(std::string(messages::kDataDirTwice));
    if (!values.isEmpty() && values.first().isEmpty())
        return Error(std::string(messages::kEmptyDataDir));
    command.strDataDir = values.isEmpty() ? QString() : values.first();

    const QStringList positional = p.parser.positionalArguments();
    if (positional.size() > 1)
        return Error(messages::TooManyArguments(positional.at(1).toStdString()));
    if (!positional.isEmpty()) {
        const QString spellClass = positional.first().toLower();
        bool known = false;
        for (const std::string_view name : kSpellClasses)
            known = known || spellClass == QLatin1String(name.data(), static_cast<qsizetype>(name.size()));
        if (!known)
            return Error(messages::UnknownSpellClass(positional.first().toStdString()));
        command.strClass = spellClass;
    }
    const bool pdf = p.parser.isSet(p.pdf);
    if (!pdf && (p.parser.isSet(p.cards) || p.parser.isSet(p.book)))
        return Error(std::string(messages::kPdfOptionsWithoutPdf));
    if (pdf) {
        if (p.parser.values(p.pdf).size() > 1 || p.parser.values(p.book).size() > 1)
            return Error(std::string(messages::kPdfOptionTwice));
        if (p.parser.value(p.pdf).isEmpty())
            return Error(std::string(messages::kPdfNeedsFile));
        if (command.strClass.isEmpty())
            return Error(std::string(messages::kPdfNeedsClass));
        command.action = CommandLine::Action::kPdf;
        command.strPdf = p.parser.value(p.pdf);
        command.bCards = p.parser.isSet(p.cards);
        command.bBook = p.parser.isSet(p.book);
        command.strBook = p.parser.value(p.book);
    }
    return command;
}

QString CommandLineHelp() {
    // The usage line names the program, not the path it was started by.
    QString text = Parser().parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    const qsizetype end = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(usage) && end > usage.size())
        text.replace(usage.size(), end - usage.size(), QStringLiteral("spellbrowser"));
    return text;
}

QString VersionLine() {
    return QStringLiteral("spellbrowser (Spells) ") + QString::fromLatin1(kProductVersion);
}
