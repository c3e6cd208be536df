#pragma once
// Shared set-up of the fault tests: a scratch data directory with fresh
// globals, captured message boxes, spell texts and raw index records, and
// what the list and the details dialog show.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "CSpellInfoDlg.h"
#include "CSpellListDlg.h"
#include "ColumnTables.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "MessageBox.h"
#include "SpellFiles.h"
#include "SpellListModel.h"
#include "SpellRecord.h"
#include "TestFiles.h"

namespace fault {

inline const QString kNoIndex = QString::fromUtf8("нету индекса");
inline const QString kCreateQuestion = QString::fromUtf8("Вы хотите создать индекс для Wizard?");

// One spell entry: name, school, the three field lines, the skipped line,
// then `description` as given (lines with their terminators).
inline std::string Entry(std::string_view name, std::string_view description,
                         std::string_view school = "Alteration") {
    return std::string(name) + "\n" + std::string(school) +
           "\n"
           "Range: Touch\tComponents: V, S\n"
           "Duration: 1 rd.\tCasting Time: 1\n"
           "Area of Effect: One creature\tSaving Throw: None\n"
           "Source: test.\n" +
           std::string(description);
}

// Three entries; the last description runs to the end of the file.
inline const std::string kThreeSpells =
    Entry("Ember Mote", "A spark leaps from the finger.\n\n", "Evocation") +
    Entry("Frost Rime", "Thin ice covers one door.\n\n") +
    Entry("Glass Eye", "The caster sees through glass.\n", "Divination");

// `count` distinct entries, each with a one-line description.
inline std::string ManyEntries(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += Entry("Spell " + std::to_string(i), "Words of spell " + std::to_string(i) + ".\n\n");
    return text;
}

// Byte offset of `what` in `text`.
inline int32_t OffsetOf(std::string_view text, std::string_view what) {
    const auto p = text.find(what);
    EXPECT_NE(p, std::string_view::npos) << what;
    return p == std::string_view::npos ? -1 : static_cast<int32_t>(p);
}

inline std::string Encode(const SpellRecord& record) {
    std::string bytes(kRecordSize, '\0');
    EncodeRecord(record, RecordBytes(reinterpret_cast<uint8_t*>(bytes.data()), kRecordSize));
    return bytes;
}

inline SpellRecord Record(std::string_view name, int32_t textOffset, int32_t level = 1,
                          int32_t schoolImage = 0) {
    SpellRecord r;
    r.nTextOffset = textOffset;
    SetField(r.szName, name);
    r.nLevel = level;
    r.nSchoolImage = schoolImage;
    SetField(r.szSchool, "Alteration");
    SetField(r.szRange, "Touch");
    SetField(r.szDuration, "1 rd.");
    SetField(r.szArea, "One creature");
    SetField(r.szComponents, "V, S");
    SetField(r.szSavingThrow, "None");
    SetField(r.szCastingTime, "1");
    return r;
}

inline std::vector<SpellRecord> ReadAll(const std::string& path) {
    std::vector<SpellRecord> records;
    IndexReader reader;
    EXPECT_TRUE(reader.Open(path)) << path;
    SpellRecord r;
    while (reader.Next(r))
        records.push_back(r);
    EXPECT_FALSE(reader.Failed());
    return records;
}

inline std::vector<std::string> DirEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
using Strings = std::vector<std::string>;

inline QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What the details dialog shows.
struct Details {
    QString name, level, school, range, duration, area, components, savingThrow, castingTime;
    QString description;
};

// A scratch data directory, fresh globals, and every message box answered
// with `answer` and recorded.
class FaultTest : public testing::Test {
protected:
    void SetUp() override {
        g_strDataDir = dir.prefix();
        g_strClass.clear();
        g_nLevel = 1;
        g_nRecordCount = 0;
        SetMessageBoxHook([this](const QString& text, QMessageBox::StandardButtons) {
            messages << text;
            return answer;
        });
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    std::string Txt(std::string_view cls = "wizard") const { return dir.file(std::string(cls) + ".txt"); }
    std::string Idx(std::string_view cls = "wizard") const { return dir.file(std::string(cls) + ".idx"); }

    // Writes the class's text and builds its index; the records written.
    std::size_t BuildFrom(std::string_view text, std::string_view cls = "wizard") {
        WriteFile(Txt(cls), text);
        g_nLevel = 1;
        const BuildResult r = BuildIndex(cls);
        EXPECT_TRUE(r.ok()) << r.strMessage;
        return r.nRecords;
    }

    // The main dialog, its data directory pointed at the scratch directory
    // (the constructor resolved it from the executable).
    std::unique_ptr<CSpellListDlg> ListDialog() {
        auto dlg = std::make_unique<CSpellListDlg>();
        g_strDataDir = dir.prefix();
        return dlg;
    }

    // The list's texts of `field`, row by row.
    static QStringList ListField(const CSpellListDlg& dlg, int field) {
        const SpellListModel* model = dlg.Model();
        const int key = model->KeyField();
        int column = 0;
        while (column < kColumnCount && ColumnField(key, column) != field)
            ++column;
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->data(model->index(row, column)).toString();
        return out;
    }

    // The details dialog for the record at `offset` of the class's index,
    // as OnInitDialog fills it.
    Details ShowDetails(int64_t offset, std::string_view cls = "wizard") {
        CSpellInfoDlg dlg;
        dlg.m_strPath = g_strDataDir + std::string(cls);
        dlg.m_nOffset = offset;
        dlg.OnInitDialog();
        return {dlg.m_strName,        dlg.m_strLevel,      dlg.m_strSchool,
                dlg.m_strRange,       dlg.m_strDuration,   dlg.m_strArea,
                dlg.m_strComponents,  dlg.m_strSavingThrow, dlg.m_strCastingTime,
                dlg.m_ctlDescription->toPlainText()};
    }

    TempDir dir;
    QStringList messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

}  // namespace fault
