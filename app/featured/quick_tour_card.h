#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

// The quick tour's card: "Step n of m", the step's title and message, and the buttons "Back",
// "Skip Tour" and "Next" ("Finish" on the last step).
class SVQuickTourCard : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 320;

    explicit SVQuickTourCard(QWidget* parent = nullptr);

    // Fills the card for one step; `number` counts from 1 among the `count` steps shown.
    void showStep(int number, int count, const QString& title, const QString& message, bool first,
                  bool last);

    QLabel* stepLabel() const { return _stepLabel; }
    QLabel* titleLabel() const { return _title; }
    QLabel* messageLabel() const { return _message; }
    QPushButton* backButton() const { return _back; }
    QPushButton* skipButton() const { return _skip; }
    QPushButton* nextButton() const { return _next; }
    // The enabled buttons in their Tab order.
    QList<QPushButton*> focusChain() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel* _stepLabel;
    QLabel* _title;
    QLabel* _message;
    QPushButton* _back;
    QPushButton* _skip;
    QPushButton* _next;
};
