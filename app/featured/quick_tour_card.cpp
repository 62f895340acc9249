#include "app/featured/quick_tour_card.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace {

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

QLabel* makeText(const QString& name, const QString& style, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setStyleSheet(style);
    return label;
}

QString secondaryButtonStyle() {
    return QStringLiteral(
               "QPushButton { color: %1; background: transparent; border: 1px solid %2; "
               "border-radius: 7px; padding: 5px 12px; font-size: 12px; }"
               "QPushButton:hover { background: %3; }"
               "QPushButton:focus { border-color: %4; }"
               "QPushButton:disabled { color: %5; border-color: %6; }")
        .arg(css(SVTheme::grey(0.86)), css(SVTheme::grey(1.0, 0.18)), css(SVTheme::grey(1.0, 0.08)),
             css(SVTheme::selectedColor(SVTheme::kSecondAccent)), css(SVTheme::grey(0.4)),
             css(SVTheme::grey(1.0, 0.08)));
}

QString primaryButtonStyle() {
    const QColor accent = SVTheme::selectedColor(SVTheme::kAccent);
    return QStringLiteral(
               "QPushButton { color: white; background: %1; border: 1px solid %1; "
               "border-radius: 7px; padding: 5px 14px; font-size: 12px; "
               "font-weight: 600; }"
               "QPushButton:hover { background: %2; }"
               "QPushButton:focus { border-color: white; }")
        .arg(css(accent), css(SVTheme::blendedTowardsWhite(accent, 0.12)));
}

QPushButton* makeButton(const QString& title, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SVQuickTourCard::SVQuickTourCard(QWidget* parent)
    : QWidget(parent),
      _stepLabel(makeText(QStringLiteral("quickTourStepLabel"),
                          QStringLiteral("color: %1; font-size: 11px; font-weight: 600;")
                              .arg(css(SVTheme::grey(0.62))),
                          this)),
      _title(makeText(QStringLiteral("quickTourTitle"),
                      QStringLiteral("color: white; font-size: 16px; font-weight: 700;"), this)),
      _message(makeText(QStringLiteral("quickTourMessage"),
                        QStringLiteral("color: %1; font-size: 13px;").arg(css(SVTheme::grey(0.86))),
                        this)),
      _back(makeButton(QStringLiteral("Back"), QStringLiteral("quickTourBack"), this)),
      _skip(makeButton(QStringLiteral("Skip Tour"), QStringLiteral("quickTourSkip"), this)),
      _next(makeButton(QStringLiteral("Next"), QStringLiteral("quickTourNext"), this)) {
    setObjectName(QStringLiteral("quickTourCard"));
    setAccessibleName(QStringLiteral("Quick Tour"));
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(6);
    layout->addWidget(_stepLabel);
    layout->addWidget(_title);
    layout->addWidget(_message);
    layout->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(_back);
    buttons->addStretch(1);
    buttons->addWidget(_skip);
    buttons->addWidget(_next);
    layout->addLayout(buttons);
    SVTheme::bindStyleSheet(_back, secondaryButtonStyle);
    SVTheme::bindStyleSheet(_skip, secondaryButtonStyle);
    SVTheme::bindStyleSheet(_next, primaryButtonStyle);
    setTabOrder(_back, _skip);
    setTabOrder(_skip, _next);
}

void SVQuickTourCard::showStep(int number, int count, const QString& title, const QString& message,
                               bool first, bool last) {
    _stepLabel->setText(
        QString::asprintf("Step %ld of %lu", static_cast<long>(number), static_cast<ulong>(count)));
    _title->setText(title);
    _message->setText(message);
    _back->setEnabled(!first);
    _next->setText(last ? QStringLiteral("Finish") : QStringLiteral("Next"));
    adjustSize();
}

QList<QPushButton*> SVQuickTourCard::focusChain() const {
    QList<QPushButton*> chain;
    for (QPushButton* button : {_back, _skip, _next}) {
        if (button->isEnabled())
            chain << button;
    }
    return chain;
}

void SVQuickTourCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    painter.fillPath(shape, SVTheme::selectedColor(SVTheme::kPlayerBackground));
    painter.fillPath(shape, SVTheme::selectedColor(SVTheme::kSurfaceTranslucent));
    QColor border = SVTheme::selectedColor(SVTheme::kAccent);
    border.setAlphaF(0.55f);
    painter.setPen(QPen(border, 1.0));
    painter.drawPath(shape);
}
