// SPDX-License-Identifier: MIT
#pragma once
// Shared set-up of the fault tests: a scratch data directory with fresh
// globals, captured message boxes, spell texts and raw index records, and
// what the list and the details dialog show.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "CSpellListDlg.h"
#include "ColumnTables.h"
#include "IndexBuilder.h"
#include "SpellListModel.h"
#include "SpellRecord.h"
#include "QtTestSupport.h"
#include "StatusMessage.h"
#include "TestRecords.h"

namespace fault {

inline const QString kCreateQuestion = QString::fromUtf8("Вы хотите создать индекс для Wizard?");

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

inline QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The Qt set-up with index builds, the main dialog and the details dialog.
class FaultTest : public QtTest {
protected:
    // Writes the class's text and builds its index; the records written.
    std::size_t BuildFrom(std::string_view text, std::string_view cls = "wizard") {
        WriteFile(Txt(cls), text);
        const BuildResult r = BuildIndexIn(dir.prefix(), cls, 1);
        EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
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
    DetailsView ShowDetails(int64_t offset, std::string_view cls = "wizard") {
        return OpenDetails(g_strDataDir + std::string(cls), offset);
    }
};

}  // namespace fault
