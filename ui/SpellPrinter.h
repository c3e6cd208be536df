// SPDX-License-Identifier: MIT
#pragma once
// Printing spells: a Sheet (a table of the spells, then each in full) or
// Cards (63 x 88 mm, 3 x 3 to a portrait page). Every word of every
// description is printed: a description that does not fit its card is set
// smaller, down to 6 pt, then continues on further cards numbered "(2/3)".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "SpellRecord.h"

class QPagedPaintDevice;

// One spell as printed: its nine fields and description as display text.
struct PrintSpell {
    std::array<QString, kFieldCount> fields;
    int schoolImage = -1;
    QString description;
};

enum class PrintLayout { kSheet, kCards };

struct PrintSpells {
    std::vector<PrintSpell> spells;
    std::string strMessage;  // why the index could not be read; empty on success
};

// The spells of `spellClass` in `dataDir` at the record offsets `offsets`,
// in that order, with their descriptions (empty when the text cannot be
// read): a blank line in the text starts a new paragraph, a line of its own
// in the description; other lines are joined with nothing between, as the
// details show them.
PrintSpells LoadPrintSpells(const std::string& dataDir, const std::string& spellClass,
                            const std::vector<int64_t>& offsets);

// Paints the pages of `spells` on `device`, whose page layout it uses
// (Cards turn it portrait). False when no painter can begin on it.
bool PaintSpells(QPagedPaintDevice* device, const std::vector<PrintSpell>& spells, PrintLayout layout);

// Writes the pages as a PDF to `path`, which becomes the whole new file or
// stays as it was. Empty on success, else "can't write PDF PATH: reason".
std::string WriteSpellsPdf(const std::string& path, const std::vector<PrintSpell>& spells, PrintLayout layout);

// A printed description's paragraphs: its lines that are not blank, tabs
// made blanks. LoadPrintSpells gives a description a line per paragraph.
QStringList DescriptionParagraphs(const QString& description);

// `spellbrowser --pdf`: the spells of `spellClass` in `dataDir`, ordered by
// name as a freshly loaded list is, only those of the book named `*book`
// when given, written as a PDF to `path`. Empty on success, else one line
// naming the file that failed.
std::string WriteClassPdf(const std::string& dataDir, const std::string& spellClass, const std::string* book,
                          const std::string& path, PrintLayout layout);
