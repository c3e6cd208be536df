// SPDX-License-Identifier: MIT
#pragma once
// The details of one spell: the fields of its index record and its
// description from the spell text file.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QDialog>
#include <QString>

#include "DescriptionReader.h"

class QFont;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;
struct SpellQuery;

class CSpellInfoDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSpellInfoDlg(QWidget* parent = nullptr);

    // Reads the record and its description and shows them. The caller sets
    // m_strPath and m_nOffset first.
    void OnInitDialog();

    // Reads the record at m_nOffset of m_strPath + ".idx" into the field
    // strings. Its text offset, or nothing (after telling the user) when the
    // index cannot be opened or holds no whole record there.
    std::optional<int32_t> ReadRecord();

    // Reads the description at `textOffset` of m_strPath + ".txt" into the
    // description box. False when there is none to show; a text file that
    // cannot be opened is reported to the user.
    bool ReadDescription(int32_t textOffset);

    // For tests: reads descriptions in place of ReadDescriptionFromPath, so
    // that a read can fail part way; empty for the real reader.
    using DescriptionSource = std::function<DescriptionResult(const std::string& textPath, int64_t textOffset)>;
    static void SetDescriptionSource(DescriptionSource source);

    // Marks what `query` matches in the description, as the list marks
    // its cells, and once the box is shown scrolls to the first match.
    // Returns how many runs are marked.
    int HighlightMatches(const SpellQuery& query);

    // Puts the whole spell on the clipboard, as text and as HTML.
    void CopySpell() const;

    // The text size of the description, the values and their labels; the
    // layout of the dialog stays in units of its own font.
    void SetTextFont(const QFont& font);

    // Data directory + spell class, without extension.
    std::string m_strPath;
    // Record offset of the spell in the index file.
    int64_t m_nOffset = 0;

    QPlainTextEdit* m_ctlDescription = nullptr;
    QString m_strComponents;
    QString m_strCastingTime;
    QString m_strDuration;
    QString m_strLevel;
    QString m_strName;
    QString m_strRange;
    QString m_strSavingThrow;
    QString m_strSchool;
    QString m_strArea;

signals:
    // Ctrl+wheel: one step larger (+1) or smaller (-1).
    void TextSizeWheel(int delta);

protected:
    // Ctrl+C with no text selected copies the whole spell.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Copies the field strings into their controls.
    void UpdateFields();
    // Places the controls for the dialog's size and the values' texts: the
    // template's layout, with labels as wide as their texts, the room
    // beyond the template shared by the values (in proportion to their
    // template widths) and the description, and every value as high as
    // its wrapped text. Raises the minimum size when the texts need it.
    void LayOutControls();
    // Shows `text` in the description box, wrapped at its width.
    void SetDescription(const QString& text);
    void UpdateWrapMode();

    // Characters of the description's longest run without white space.
    qsizetype m_nLongestWord = 0;
    bool m_bLayingOut = false;

    QPushButton* m_ctlOk = nullptr;
    QLabel* m_ctlComponents = nullptr;
    QLabel* m_ctlCastingTime = nullptr;
    QLabel* m_ctlDuration = nullptr;
    QLabel* m_ctlLevel = nullptr;
    QLabel* m_ctlName = nullptr;
    QLabel* m_ctlRange = nullptr;
    QLabel* m_ctlSavingThrow = nullptr;
    QLabel* m_ctlSchool = nullptr;
    QTextEdit* m_ctlArea = nullptr;
    // The three rows of the fields, each label, value, label, value,
    // label, value as the template places them.
    std::array<std::array<QWidget*, 6>, 3> m_grid{};
};
