#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// "Sample Vorlan Settings": the colour theme and the largest size of the featured grid. Apply
// writes "SVThemeSelection", "SVFeaturedColumns" and "SVFeaturedRows" and reports it; Cancel
// leaves everything as it was.
class SVSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kTitle = "Sample Vorlan Settings";
    static constexpr const char* kText = "Choose a color theme and the maximum Featured grid size.";

    // Shows the stored choices.
    explicit SVSettingsDialog(QWidget* parent = nullptr);

    // Opens a dialog that deletes itself when closed, without blocking.
    static SVSettingsDialog* showFeaturedSettings(QWidget* parent);

    QComboBox* themeChoice() const { return _theme; }
    QComboBox* columnsChoice() const { return _columns; }
    QComboBox* rowsChoice() const { return _rows; }
    QPushButton* applyButton() const { return _apply; }
    QPushButton* cancelButton() const { return _cancel; }

    // Writes the choices, reports them and closes.
    void apply();

  signals:
    // The choices were written: the window shows the theme and lays out the grid again.
    void applied();

  private:
    QComboBox* _theme;
    QComboBox* _columns;
    QComboBox* _rows;
    QPushButton* _apply;
    QPushButton* _cancel;
};
