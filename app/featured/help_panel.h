#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

// The guide of the side panel ("Guide & Shortcuts" until a sample is loaded): how to start, the
// keyboard shortcuts with their current keys, and the application's CPU and memory figures.
class SVHelpPanel : public QWidget {
    Q_OBJECT
  public:
    explicit SVHelpPanel(QWidget* parent = nullptr);

    // The guide followed by one line per shortcut action, in the order of the action table:
    // its current key and its label.
    static QString helpText();
    // Shows the current bindings (after "Customize Shortcuts" saved new ones, say).
    void refreshHelpText();

    QLabel* helpTextLabel() const { return _helpText; }
    QLabel* cpuLabel() const { return _cpu; }
    QLabel* memoryLabel() const { return _memory; }
    // Whether the figures are on screen: the monitor samples only then.
    bool figuresShown() const;

    // The resource monitor's latest figures.
    void setFigures(const QString& cpu, const QString& memory);

  signals:
    // The figures appeared or went out of sight (panel collapsed, inspector shown, window
    // hidden, layout without side panel).
    void figuresShownChanged(bool shown);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* _helpText;
    QWidget* _figures;
    QLabel* _cpu;
    QLabel* _memory;
};
