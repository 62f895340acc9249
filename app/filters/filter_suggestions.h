#pragma once

#include <QFrame>
#include <QString>
#include <QStringList>

#include <functional>

class QLineEdit;
class QListWidget;

// The searchable list of a chip's values (Instruments and Genres), 270 × 310, shown as a
// transient popup under the chip. Typing narrows the list; a click or Return chooses.
class SVFilterSuggestions : public QFrame {
    Q_OBJECT
  public:
    static constexpr int kWidth = 270;
    static constexpr int kHeight = 310;
    static constexpr int kRowHeight = 28;

    // `title` is the chip's name; the search field reads "Search <name in lower case>…".
    SVFilterSuggestions(const QStringList& choices, const QString& title, const QString& selected,
                        QWidget* parent = nullptr);

    const QStringList& choices() const { return _choices; }
    const QStringList& visibleChoices() const { return _visibleChoices; }
    QString selectedValue() const { return _selectedValue; }
    QLineEdit* searchField() const { return _searchField; }
    QListWidget* table() const { return _table; }
    void setSelectionHandler(std::function<void(const QString&)> handler) {
        _selectionHandler = std::move(handler);
    }

    // Keeps the choices that contain the text, ignoring case (all of them for no text).
    void controlTextDidChange(const QString& text);
    // A row's button, or the row itself: hands its value to the handler when the row exists.
    void chooseSuggestion(int row);
    void choose(int row);

    // Shows the list under `anchor`, kept on the anchor's screen.
    void showAttachedTo(QWidget* anchor);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void reloadTable();
    int activeRow() const;

    QStringList _choices;
    QStringList _visibleChoices;
    QString _selectedValue;
    QLineEdit* _searchField;
    QListWidget* _table;
    std::function<void(const QString&)> _selectionHandler;
    bool _chosen = false;
};
