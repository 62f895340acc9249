#include "app/sidebar/breadcrumb_bar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "app/sidebar/sidebar_icons.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

SVBreadcrumbBar::SVBreadcrumbBar(QWidget* parent)
    : QWidget(parent), _layout(new QHBoxLayout(this)), _back(new QPushButton(this)) {
    _layout->setContentsMargins(2, 0, 0, 0);
    _layout->setSpacing(4);
    setFixedHeight(24);
    _back->setIcon(SVSidebarIcons::icon(SVSidebarIcons::Symbol::Back, SVTheme::grey(0.8), 14));
    _back->setToolTip(QString::fromUtf8(kBackToolTip));
    _back->setAccessibleName(QString::fromUtf8(kBackToolTip));
    _back->setFlat(true);
    _back->setCursor(Qt::PointingHandCursor);
    _back->setFocusPolicy(Qt::TabFocus);
    _back->setFixedSize(24, 22);
    _back->hide();
    connect(_back, &QPushButton::clicked, this, &SVBreadcrumbBar::backPressed);
    _layout->addWidget(_back);
    _layout->addStretch(1);
    // The last crumb is in the accent colour: draw the crumbs again in the new one.
    SVTheme::onThemeChanged(this, [this] {
        if (!_drawn)
            return;
        _drawn = false;
        setEntries(std::vector<SVBreadcrumbEntry>(_entries), !_back->isHidden());
    });
}

void SVBreadcrumbBar::setEntries(const std::vector<SVBreadcrumbEntry>& entries, bool backShown) {
    _back->setVisible(backShown);
    if (_drawn && entries == _entries)
        return;
    _drawn = true;
    _entries = entries;
    // A crumb that is pressed removes itself; it is deleted once its click has returned.
    for (QPushButton* crumb : _crumbs) {
        crumb->hide();
        crumb->deleteLater();
    }
    for (QWidget* separator : _separators)
        delete separator;
    _crumbs.clear();
    _separators.clear();

    const QColor accent = SVTheme::selectedColor(SVTheme::kAccent);
    int position = 1;  // after Back
    for (std::size_t i = 0; i < _entries.size(); ++i) {
        const bool last = i + 1 == _entries.size();
        if (i > 0) {
            auto* separator = new QLabel(QStringLiteral("›"), this);
            separator->setStyleSheet(QStringLiteral("color: %1; font-size: 11px;")
                                         .arg(SVTheme::grey(0.42).name(QColor::HexArgb)));
            separator->setAccessibleDescription(QStringLiteral("separator"));
            _layout->insertWidget(position++, separator);
            _separators.push_back(separator);
        }
        auto* crumb = new QPushButton(_entries[i].title, this);
        crumb->setFlat(true);
        crumb->setProperty("tag", static_cast<int>(i));
        crumb->setAccessibleName(_entries[i].title);
        crumb->setCursor(Qt::PointingHandCursor);
        crumb->setFocusPolicy(Qt::TabFocus);
        crumb->setStyleSheet(
            QStringLiteral("QPushButton { border: none; padding: 1px 2px; background: "
                           "transparent; color: %1; font-size: 11px; font-weight: %2; }"
                           "QPushButton:focus { border: 1px solid %3; border-radius: 4px; }")
                .arg((last ? accent : SVTheme::grey(0.68)).name(QColor::HexArgb),
                     last ? QStringLiteral("600") : QStringLiteral("400"),
                     SVTheme::grey(1.0, 0.3).name(QColor::HexArgb)));
        const int tag = static_cast<int>(i);
        connect(crumb, &QPushButton::clicked, this, [this, tag] { emit crumbPressed(tag); });
        _layout->insertWidget(position++, crumb);
        _crumbs.push_back(crumb);
    }
}
