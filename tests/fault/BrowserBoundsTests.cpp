// SPDX-License-Identifier: MIT
// The browser at the edges of what it takes: an index that claims far more
// records than memory holds, a description that is one word of a megabyte,
// and key fields outside the nine columns.

#include <climits>
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextBlock>
#include <QTextLayout>

#include <unistd.h>

#include "CSpellInfoDlg.h"
#include "CSpellListView.h"
#include "FaultSupport.h"
#include "ResourceLimit.h"

namespace fault {
namespace {

class BrowserBounds : public FaultTest {
protected:
    static QStringList Captions(const CSpellListDlg& dlg) {
        QStringList captions;
        for (int column = 0; column < kColumnCount; ++column)
            captions << dlg.Model()->headerData(column, Qt::Horizontal).toString();
        return captions;
    }
    static std::vector<int> Widths(const CSpellListDlg& dlg) {
        const QHeaderView* header = dlg.findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"))->header();
        std::vector<int> widths;
        for (int column = 0; column < header->count(); ++column)
            widths.push_back(header->sectionSize(column));
        return widths;
    }
};

// Bytes of address space the process uses now (unused under ASan).
[[maybe_unused]] rlim_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// A sparse file of 1 TiB reads as zeros, and zeros make valid records: the
// load reads records until memory runs out, then ends with a message and
// the list as it was. Memory follows the records read, never the 2.5
// billion the file's size claims.
// Not built under ASan: AddressSanitizer's shadow memory leaves no room for an address-space limit.
#if !defined(__SANITIZE_ADDRESS__)
TEST_F(BrowserBounds, SparseTerabyteIndexEndsItsLoadWhenMemoryRunsOut) {
    BuildFrom(kThreeSpells);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldLevel, "wizard"));
    const QStringList names = ListField(*dlg, kFieldName);
    const QStringList captions = Captions(*dlg);
    const std::vector<int> widths = Widths(*dlg);
    WriteFile(Idx("priest"), "");
    std::filesystem::resize_file(Idx("priest"), std::uintmax_t{1} << 40);

    auto* progress = dlg->findChild<QProgressBar*>(QStringLiteral("IDC_PROGRESS"));
    int furthest = 0;
    QObject::connect(progress, &QProgressBar::valueChanged, [&](int value) { furthest = std::max(furthest, value); });
    bool loaded = true;
    {
        // Room for a few million rows of zeros, not for 2.5 billion.
        const ResourceLimit limit(RLIMIT_AS, AddressSpaceInUse() + (rlim_t{320} << 20));
        ASSERT_TRUE(limit.ok());
        loaded = dlg->LoadIndex(kFieldName, "priest");
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(MessageTexts(), QStringList{"can't read index priest.idx: not enough memory"});
    // The bar moves every INT_MAX / 1000 records: it moved once, so over
    // two million records were read before memory ran out.
    EXPECT_EQ(furthest, 2147484);
    EXPECT_EQ(dlg->ListClass(), "wizard");
    EXPECT_EQ(dlg->Model()->KeyField(), kFieldLevel);
    EXPECT_EQ(ListField(*dlg, kFieldName), names);
    EXPECT_EQ(Captions(*dlg), captions);
    EXPECT_EQ(Widths(*dlg), widths);
    EXPECT_EQ(g_nRecordCount, 3);
    EXPECT_EQ(progress->value(), 3);
}
#endif

// A description of 1.1 MB without a space opens (cut to the reader's 1 MiB)
// and wraps anywhere: every line fits the box.
TEST_F(BrowserBounds, MegabyteWordOpensWrappedAnywhere) {
    BuildFrom(Entry("Long Word", std::string(1100000, 'w') + "\n"));
    CSpellInfoDlg info;
    info.m_strPath = g_strDataDir + "wizard";
    info.OnInitDialog();
    info.show();
    QApplication::processEvents();
    QPlainTextEdit* box = info.m_ctlDescription;
    EXPECT_EQ(box->toPlainText().size(), 1 << 20);
    EXPECT_EQ(box->wordWrapMode(), QTextOption::WrapAnywhere);
    const QTextBlock block = box->document()->firstBlock();
    box->document()->documentLayout()->blockBoundingRect(block);  // lays it out
    const QTextLayout* layout = block.layout();
    ASSERT_GT(layout->lineCount(), 1000);
    for (int i = 0; i < layout->lineCount(); ++i)
        ASSERT_LE(layout->lineAt(i).naturalTextWidth(), layout->lineAt(i).width()) << "line " << i;
    EXPECT_EQ(MessageTexts(), QStringList{});
}

// The list never reads its column tables with a key field outside 0..8:
// such a load or retitling is refused and changes nothing.
TEST_F(BrowserBounds, KeyFieldsOutsideZeroToEightChangeNothing) {
    BuildFrom(kThreeSpells);
    auto dlg = ListDialog();
    ASSERT_TRUE(dlg->LoadIndex(kFieldArea, "wizard"));
    const QStringList names = ListField(*dlg, kFieldName);
    const QStringList captions = Captions(*dlg);
    const std::vector<int> widths = Widths(*dlg);
    for (const int key : {-1, 9, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(dlg->LoadIndex(key, "wizard")) << key;
        dlg->SetColumnOrder(key);
        EXPECT_EQ(ColumnField(key, 0), -1) << key;
        EXPECT_EQ(ColumnField(kFieldName, key), -1) << key;
    }
    EXPECT_EQ(dlg->Model()->KeyField(), kFieldArea);
    EXPECT_EQ(Captions(*dlg), captions);
    EXPECT_EQ(Widths(*dlg), widths);
    EXPECT_EQ(ListField(*dlg, kFieldName), names);
    EXPECT_EQ(MessageTexts(), QStringList{});
}

}  // namespace
}  // namespace fault
