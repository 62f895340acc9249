#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

#include "app/results/library_cell.h"

namespace sv {
class Database;
}

class SVResultsBrowser;

// Renaming a library in place: double-clicking a row of the Libraries view, or F2 on the row
// that has the keyboard focus or the selection, turns its name into a text field. Return or leaving
// the field stores the text trimmed of blanks and line breaks as the library's label (an empty text
// gives the folder name back); Escape stores nothing.
class SVLibraryLabelEditor : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kFieldName = "libraryDisplayLabel";

    SVLibraryLabelEditor(sv::Database& db, SVResultsBrowser& browser, QObject* parent = nullptr);

    // Starts editing the name of a library row; false when the row shows no library.
    bool editLibraryLabel(int row);
    // F2 in `window` edits the label of the focused library row, else of the selected one.
    void attachRenameKey(QWidget* window);
    bool editFocusedLibraryLabel();
    QLineEdit* field() const { return _field; }

  signals:
    // Editing ended (stored, failed or cancelled): the sidebars and results are read again
    // after the current event. `error` is the failure's text, empty when none.
    void labelEditingEnded(const QString& error);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void endEditing(bool store);
    int focusedLibraryRow() const;

    sv::Database& _db;
    SVResultsBrowser& _browser;
    QPointer<QLineEdit> _field;
    QPointer<SVLibraryCell> _cell;
    std::int64_t _libraryId = 0;
    bool _ending = false;
};
