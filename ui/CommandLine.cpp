// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QCommandLineParser>

#include "BuildConfig.h"
#include "DataDirectory.h"
#include "Messages.h"
#include "TextDecoding.h"

namespace {

// The same parser answers the parse and the usage text. The usage texts
// are translated; the option and value names (DIR, FILE, NAME) are the
// command line's own and stay as they are.
struct Parser {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    Parser() {
        parser.setApplicationDescription(
            tr("Browses the wizard and priest spell lists of a tabletop role-playing game."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(dataDir);
        parser.addOption(pdf);
        parser.addOption(cards);
        parser.addOption(book);
        parser.addPositionalArgument(QStringLiteral("class"),
                                     tr("Show this class's spells at start, as its button does: "
                                        "wizard or priest."),
                                     QStringLiteral("[class]"));
    }

    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            tr("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               tr("Show the version and exit.")};
    QCommandLineOption dataDir{QStringLiteral("data-dir"),
                               tr("Keep the spell lists and their indexes in DIR."),
                               QStringLiteral("DIR")};
    QCommandLineOption pdf{QStringLiteral("pdf"),
                           tr("Write the class's spells, ordered by name, as a PDF to FILE and exit, "
                              "without a window."),
                           QStringLiteral("FILE")};
    QCommandLineOption cards{QStringLiteral("cards"),
                             tr("With --pdf: print cards of 63 x 88 mm, not a sheet.")};
    QCommandLineOption book{QStringLiteral("book"),
                            tr("With --pdf: only the spells of the spellbook NAME."),
                            QStringLiteral("NAME")};
};

CommandLine Error(const std::string& text) {
    CommandLine command;
    command.action = CommandLine::Action::kError;
    command.strError = QString::fromStdString(text);
    return command;
}

// Options of QGuiApplication and QApplication (with the xcb platform's) that
// take the next argument as their value, and those that stand alone.
constexpr std::string_view kQtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "style", "stylesheet", "session", "display", "name",
};
constexpr std::string_view kQtFlags[] = {"reverse", "testability", "widgetcount", "sync", "nograb", "dograb"};
// Options given as "-name=value".
constexpr std::string_view kQtJoinedOptions[] = {"style=", "stylesheet=", "qmljsdebugger="};

QLatin1String Latin1(std::string_view text) { return QLatin1String(text.data(), static_cast<qsizetype>(text.size())); }

bool IsOneOf(const QString& name, std::span<const std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&name](std::string_view n) { return name == Latin1(n); });
}

constexpr char16_t kEscapedByte = 0xDC00;  // + the byte, for 0x80..0xFF

}  // namespace

QString ArgumentText(std::string_view bytes) {
    QString text;
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t n = Utf8SequenceLength(bytes, i); n > 0) {
            text += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
            i += n;
        } else {
            text += QChar(static_cast<char16_t>(kEscapedByte + static_cast<uint8_t>(bytes[i])));
            ++i;
        }
    }
    return text;
}

std::string ArgumentBytes(const QString& text) {
    std::string bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
            ++i;
        } else if (unit >= kEscapedByte + 0x80 && unit <= kEscapedByte + 0xFF) {
            bytes += static_cast<char>(unit - kEscapedByte);
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QStringList ArgumentsOf(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << ArgumentText(argv[i]);
    return arguments;
}

QStringList WithoutQtOptions(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (i == 0 || !argument.startsWith(QLatin1Char('-'))) {
            kept << argument;
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
        const bool joined = std::any_of(std::begin(kQtJoinedOptions), std::end(kQtJoinedOptions),
                                        [&name](std::string_view prefix) { return name.startsWith(Latin1(prefix)); });
        if (joined || IsOneOf(name, kQtFlags))
            continue;
        if (i + 1 < arguments.size() && IsOneOf(name, kQtValueOptions)) {
            ++i;  // and its value
            continue;
        }
        kept << argument;
    }
    return kept;
}

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
        return Error(messages::Translate(messages::kDataDirTwice));
    if (!values.isEmpty() && values.first().isEmpty())
        return Error(messages::Translate(messages::kEmptyDataDir));
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
        return Error(messages::Translate(messages::kPdfOptionsWithoutPdf));
    if (pdf) {
        if (p.parser.values(p.pdf).size() > 1 || p.parser.values(p.book).size() > 1)
            return Error(messages::Translate(messages::kPdfOptionTwice));
        if (p.parser.value(p.pdf).isEmpty())
            return Error(messages::Translate(messages::kPdfNeedsFile));
        if (command.strClass.isEmpty())
            return Error(messages::Translate(messages::kPdfNeedsClass));
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
    // Qt words the line "Usage: <program> [options]" in its own translation
    // (the context is a variable so that lupdate leaves Qt's texts to Qt).
    const char* const qtContext = "QCommandLineParser";
    const QString usage = QCoreApplication::translate(qtContext, "Usage: %1").arg(QString());
    const qsizetype end =
        text.indexOf(QLatin1Char(' ') + QCoreApplication::translate(qtContext, "[options]"));
    if (text.startsWith(usage) && end > usage.size())
        text.replace(usage.size(), end - usage.size(), QStringLiteral("spellbrowser"));
    return text;
}

QString VersionLine() {
    return QStringLiteral("spellbrowser (Spells) ") + QString::fromLatin1(kProductVersion);
}
