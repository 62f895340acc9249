#include "app/inspector/inspector_view.h"

#include <QVBoxLayout>

#include "app/inspector/artwork_well.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace {

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

QPushButton* makeActionButton(const QString& title, const QString& tooltip, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setToolTip(tooltip);
    button->setAccessibleName(title);
    button->setAccessibleDescription(tooltip);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(30);
    SVTheme::bindStyleSheet(button, [] {
        return QStringLiteral(
                   "QPushButton { color: %1; background: %2; border: 1px solid %3; "
                   "border-radius: 7px; padding: 4px 10px; font-size: 12px; text-align: left; }"
                   " QPushButton:hover { background: %4; } QPushButton:focus { border-color: "
                   "%5; } QPushButton:disabled { color: %6; border-color: %7; }")
            .arg(css(SVTheme::grey(0.88)), css(SVTheme::grey(1.0, 0.04)), css(SVTheme::grey(0.22)),
                 css(SVTheme::grey(1.0, 0.08)), css(SVTheme::selectedColor(SVTheme::kAccent)),
                 css(SVTheme::grey(0.38)), css(SVTheme::grey(0.14)));
    });
    return button;
}

}  // namespace

SVInspectorView::SVInspectorView(QWidget* parent)
    : QWidget(parent),
      _name(new QLabel(this)),
      _artwork(new SVArtworkWell(this)),
      _details(new QLabel(this)),
      _quickActions(new QLabel(QStringLiteral("Quick Actions"), this)),
      _reveal(makeActionButton(QStringLiteral("Show in File Manager"),
                               QStringLiteral("Show the sample file in the file manager"), this)),
      _folder(makeActionButton(QStringLiteral("Open Folder"),
                               QStringLiteral("Open the folder that holds the sample"), this)),
      _drive(makeActionButton(QStringLiteral("Open Drive"),
                              QStringLiteral("Open the drive the sample is on"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);

    _name->setWordWrap(true);
    _name->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    _name->setFocusPolicy(Qt::TabFocus);
    _name->setAccessibleDescription(QStringLiteral("Sample name"));
    _name->setStyleSheet(QStringLiteral("color: %1; font-size: 15px; font-weight: 600;")
                             .arg(css(SVTheme::grey(0.95))));

    _details->setWordWrap(true);
    _details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    _details->setFocusPolicy(Qt::TabFocus);
    _details->setAccessibleDescription(QStringLiteral("File details"));
    _details->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    _details->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(0.72))));

    _quickActions->setStyleSheet(QStringLiteral("color: %1; font-size: 11px; font-weight: 700; "
                                                "letter-spacing: 1px;")
                                     .arg(css(SVTheme::grey(0.5))));

    // Long names and paths wrap within the panel; a word longer than the panel is cut at its
    // edge rather than widening the panel past the window.
    for (QLabel* label : {_name, _details})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    layout->addWidget(_name);
    layout->addWidget(_artwork, 0, Qt::AlignHCenter);
    layout->addWidget(_details);
    layout->addSpacing(4);
    layout->addWidget(_quickActions);
    layout->addWidget(_reveal);
    layout->addWidget(_folder);
    layout->addWidget(_drive);
    layout->addStretch(1);
}
