// SPDX-License-Identifier: MIT
#pragma once
// Shared set-up of the Qt test suites: a scratch data directory with fresh
// globals and every message box answered and recorded, and what the
// browser's details dialog shows, read from its widgets.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "CSpellInfoDlg.h"
#include "Globals.h"
#include "MessageBox.h"
#include "SpellFiles.h"
#include "TestFiles.h"

inline const QString kNoIndex = QString::fromUtf8("нету индекса");

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}

// What a details dialog showed, and how many details dialogs opened.
struct DetailsView {
    int opened = 0;
    QString name, school, level, duration, range, components, castingTime, savingThrow, area;
    QString description;

    QStringList Fields() const {
        return {name, school, level, duration, range, components, castingTime, savingThrow, area,
                description};
    }
};

inline DetailsView ReadDetails(QWidget* dlg) {
    DetailsView v;
    const auto label = [dlg](const char* name) {
        auto* w = dlg->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w ? w->text() : QString();
    };
    v.name = label("IDC_NAME");
    v.school = label("IDC_SCHOOL");
    v.level = label("IDC_LEVEL");
    v.duration = label("IDC_DURATION");
    v.range = label("IDC_RANGE");
    v.components = label("IDC_COMPONENTS");
    v.castingTime = label("IDC_CASTING_TIME");
    v.savingThrow = label("IDC_SAVING_THROW");
    auto* area = dlg->findChild<QTextEdit*>(QStringLiteral("IDC_AREA"));
    auto* description = dlg->findChild<QPlainTextEdit*>(QStringLiteral("IDC_DESCRIPTION"));
    EXPECT_NE(area, nullptr);
    EXPECT_NE(description, nullptr);
    v.area = area ? area->toPlainText() : QString();
    v.description = description ? description->toPlainText() : QString();
    return v;
}

// A details dialog for the record at `offset` of the index `pathWithoutExtension`
// (".idx"), as OnInitDialog fills it.
inline DetailsView OpenDetails(const std::string& pathWithoutExtension, int64_t offset) {
    CSpellInfoDlg info;
    info.m_strPath = pathWithoutExtension;
    info.m_nOffset = offset;
    info.OnInitDialog();
    DetailsView view = ReadDetails(&info);
    view.opened = 1;
    return view;
}

struct Message {
    QString text;
    QMessageBox::StandardButtons buttons;
};

// A scratch data directory, fresh globals, and every message box answered
// with `answer` and recorded.
class QtTest : public testing::Test {
protected:
    void SetUp() override {
        g_strClass.clear();
        g_nLevel = 1;
        g_nRecordCount = 0;
        g_strDataDir = dir.prefix();
        SetMessageBoxHook([this](const QString& text, QMessageBox::StandardButtons buttons) {
            messages.push_back({text, buttons});
            return answer;
        });
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    std::string Txt(std::string_view cls = "wizard") const { return dir.file(std::string(cls) + ".txt"); }
    std::string Idx(std::string_view cls = "wizard") const { return dir.file(std::string(cls) + ".idx"); }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const Message& m : messages)
            texts << m.text;
        return texts;
    }

    TempDir dir;
    std::vector<Message> messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};
