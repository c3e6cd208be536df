// SPDX-License-Identifier: MIT
#include "CAboutDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "CommandLine.h"
#include "DisplayText.h"
#include "Messages.h"
#include "Named.h"
#include "SchoolIcons.h"
#include "resource.h"

namespace {

constexpr int kWidth = 620;  // pixels
constexpr int kHeight = 560;

// Rows of a two-column table; the first cell of each row in bold.
QString Table(const QList<std::pair<QString, QString>>& rows) {
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
    for (const auto& [key, what] : rows)
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(key.toHtmlEscaped(), what.toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

}  // namespace

CAboutDlg::CAboutDlg(const QString& dataDir, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDD_ABOUT)));
    setWindowTitle(tr("About Spells"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // Read-only and selectable by keyboard: a screen reader reads it line
    // by line, and a user can copy the data folder.
    m_ctlText = Named(new QTextBrowser(this), RESOURCE_NAME(IDC_ABOUT_TEXT));
    m_ctlText->setAccessibleName(tr("Help"));
    m_ctlText->setOpenLinks(false);
    m_ctlText->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_ctlText->setTabChangesFocus(true);
    m_ctlText->setHtml(Html(dataDir));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setText(Message(messages::kClose));
    close->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDCANCEL)));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ctlText);
    layout->addWidget(buttons);
    resize(kWidth, kHeight);
    m_ctlText->setFocus();
}

QString CAboutDlg::Html(const QString& dataDir) {
    // The buttons' own names, the same in every language.
    const QString kCreateIndex = QStringLiteral("Create Index");
    const QString kExit = QStringLiteral("Exit");
    QString html = QStringLiteral("<h3>%1</h3>").arg(VersionLine().toHtmlEscaped());
    html += QStringLiteral("<p>%1 <b>%2</b></p>")
                .arg(tr("Data folder, with wizard.txt, priest.txt and their indexes:").toHtmlEscaped(),
                     dataDir.toHtmlEscaped());

    html += QStringLiteral("<h4>%1</h4>").arg(tr("Keys"));
    html += Table({
        {tr("Alt+W, Alt+P"), tr("Wizard, Priest: show that class's spells")},
        {tr("Enter, Alt+D"), tr("Details of the selected spell")},
        {tr("Ctrl+Enter"), tr("Open the spell in a window of its own")},
        {tr("Ctrl+C"), tr("Copy the selected spell")},
        {tr("Menu key, Shift+F10"), tr("The list's menu: Sort by a column, Open in New Window, Copy, Print")},
        {tr("Ctrl+F"), tr("Find: the find bar, or its query selected")},
        {tr("Down"), tr("From the find field into the list")},
        {tr("Escape"), tr("Close the find bar, a details window or this help; in the main window, exit")},
        {tr("Alt+I"), kCreateIndex},
        {tr("Ctrl+P"), tr("Print")},
        {tr("Ctrl++, Ctrl+-, Ctrl+0"), tr("Larger, smaller, normal text")},
        {tr("Tab, Shift+Tab"), tr("Next, previous control (a list is left in one step)")},
        {tr("Alt+X, Ctrl+Q"), kExit},
        {tr("F1"), tr("This help")},
    });

    html += QStringLiteral("<h4>%1</h4>").arg(tr("Find"));
    html += QStringLiteral("<p>%1</p>").arg(
        tr("Terms are separated by spaces; a spell is shown when every term occurs in one of its columns, "
           "ignoring case.")
            .toHtmlEscaped());
    html += Table({
        {QStringLiteral("word"), tr("the word in any column")},
        {QStringLiteral("\"two words\""), tr("the phrase")},
        {QStringLiteral("FIELD:word"),
         tr("in one column: name, level, school, sphere, range, duration, area, comp, time, save, desc")},
        {QStringLiteral("-word"), tr("spells without it")},
        {QStringLiteral("level:3, level:2-4"), tr("a level, or a range of levels")},
        {QStringLiteral("comp:v, comp:s, comp:m"), tr("a verbal, somatic or material component")},
    });

    html += QStringLiteral("<h4>%1</h4>").arg(tr("School icons"));
    html += QStringLiteral("<p>%1</p>").arg(
        tr("The icon of each row shows its school; a screen reader reads it as the row's description.")
            .toHtmlEscaped());
    html += SchoolLegendHtml();
    return html;
}
