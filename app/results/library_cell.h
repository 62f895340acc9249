#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <cstdint>

#include "core/records/library.h"

// The details line of a library row: path and count, or the offline text when the folder
// is not an existing folder (or is an emptied mount point).
struct SVLibraryDetails {
    QString text;
    bool offline = false;
};
SVLibraryDetails libraryDetails(const sv::Library& library, bool offline);
// The name shown for a library: its label, or the last component of its path.
QString libraryDisplayName(const sv::Library& library);

// A row of the Libraries view: name, details, "Full Scan" and "Remove".
class SVLibraryCell : public QWidget {
    Q_OBJECT
  public:
    explicit SVLibraryCell(QWidget* parent = nullptr);

    // `offline` as the availability test gives it when the row is made; `scanning` disables
    // "Full Scan" for rows made while a maintenance scan runs (offline rows keep it).
    void setLibrary(const sv::Library& library, int row, bool offline, bool scanning);

    std::int64_t libraryId() const { return _libraryId; }
    int row() const { return _row; }
    QLabel* nameLabel() const { return _name; }
    QLabel* detailsLabel() const { return _details; }
    QPushButton* rescanButton() const { return _rescan; }
    QPushButton* removeButton() const { return _remove; }

  signals:
    void rescanRequested(int row);
    void removeRequested(int row);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    std::int64_t _libraryId = 0;
    int _row = 0;
    QLabel* _name;
    QLabel* _details;
    QPushButton* _rescan;
    QPushButton* _remove;
};
