// SPDX-License-Identifier: MIT
#pragma once
// Print preview of the spell list: the current spellbook, the rows shown or
// the selected spell, as a Sheet or as Cards, printed or saved as a PDF.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QPrintPreviewDialog>

#include "SpellPrinter.h"

class QComboBox;
class QPrinter;

// What can be printed, as record offsets in list order.
struct PrintSources {
    enum Which { kBook, kShown, kSelected };
    std::array<std::vector<int64_t>, 3> offsets;
};

class CPrintPreview : public QPrintPreviewDialog {
    Q_OBJECT

public:
    CPrintPreview(std::string dataDir, std::string spellClass, PrintSources sources, QWidget* parent);

    PrintSources::Which Which() const;
    PrintLayout Layout() const;
    void SetWhich(PrintSources::Which which);
    void SetLayout(PrintLayout layout);
    // The spells of the current choice; the message says why they could not be read.
    PrintSpells Spells() const;

    // Asks for the PDF's name and writes it; false when cancelled or failed
    // (after saying why).
    bool SavePdf();

    // The first of the sources that has spells: the book, else the rows shown.
    static PrintSources::Which DefaultWhich(const PrintSources& sources);

    // Asks for a file name to save to; tests answer through the hook.
    using FileNameHook = std::function<QString()>;
    static void SetFileNameHook(FileNameHook hook);
    static QString AskPdfName(QWidget* parent);

private:
    void OnPaintRequested(QPrinter* printer);
    void Refresh();

    std::string m_strDataDir;
    std::string m_strClass;
    PrintSources m_sources;
    QComboBox* m_ctlWhich;
    QComboBox* m_ctlLayout;
};
