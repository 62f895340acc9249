#pragma once

#include <QProxyStyle>

// The application's style: Fusion, which draws every control from the palette, with menu
// separators drawn light enough to read on the dark menus (Fusion draws them darker than the
// menu itself).
class SVApplicationStyle : public QProxyStyle {
    Q_OBJECT
  public:
    SVApplicationStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};
