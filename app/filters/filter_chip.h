#pragma once

#include <QPushButton>
#include <QString>
#include <QStringList>

#include "app/theme/theme.h"

// A filter chip: a borderless button with a rounded outline, its title, a small "×" that clears
// it and a downward chevron ("Open filter"). The quick filter buttons are small chips without
// the chevron and the reset button that keep their own title.
class SVFilterChip : public QPushButton {
    Q_OBJECT
  public:
    enum class Size { Regular, Small };

    // A chip with a reset button ("×", tooltip "Clear <name>") and the chevron.
    SVFilterChip(const QString& filterName, const QStringList& choices, int tag,
                 QWidget* parent = nullptr);
    // A quick filter button: no reset button, no chevron.
    SVFilterChip(const QString& value, int tag, const SVTheme::Palette& palette,
                 QWidget* parent = nullptr);

    QString filterName() const { return _filterName; }
    QString selectedValue() const { return _selectedValue; }
    const QStringList& choices() const { return _choices; }
    void setChoices(const QStringList& choices) { _choices = choices; }
    QPushButton* resetButton() const { return _resetButton; }
    bool appearanceSelected() const { return _appearanceSelected; }
    bool preservesTitle() const { return _preservesTitle; }
    bool hovering() const { return _hovering; }
    int tag() const { return _tag; }

    // The chosen value ("All" for none): the selected look, the reset button and, unless the
    // chip preserves its title, the title (the value and four blanks, or the chip's name).
    void showValue(const QString& value);
    // The title; the accessible name is the title without its trailing blanks.
    void setTitle(const QString& title);
    QString title() const { return text(); }
    void setAppearanceSelected(bool selected);
    // Redraws in the theme's colours.
    void setThemePalette(const SVTheme::Palette& palette);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    // The reset button was pressed; carries the chip's tag.
    void resetPressed(int tag);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void placeResetButton();
    int textWidth() const;

    QString _filterName;
    QString _selectedValue = QStringLiteral("All");
    QStringList _choices;
    QPushButton* _resetButton = nullptr;
    bool _appearanceSelected = false;
    bool _preservesTitle = false;
    bool _hovering = false;
    bool _showsChevron = true;
    int _tag = 0;
    Size _size = Size::Regular;
    SVTheme::Palette _palette;
};
