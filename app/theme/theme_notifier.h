#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

// Tells every part of the window that the theme changed, so each one takes the new colours at
// once: widgets that paint read the shown theme while painting; those that keep colours in a
// style sheet or a cached image listen here.
class SVThemeNotifier : public QObject {
    Q_OBJECT
  public:
    // The one notifier of the process (main thread).
    static SVThemeNotifier* instance();

  signals:
    void themeChanged();

  private:
    SVThemeNotifier() = default;
};

namespace SVTheme {

// Runs `apply` after every theme change for as long as `context` lives.
void onThemeChanged(QObject* context, std::function<void()> apply);
// Gives `widget` the style sheet `sheet` makes, now and again after every theme change.
void bindStyleSheet(QWidget* widget, std::function<QString()> sheet);

}  // namespace SVTheme
