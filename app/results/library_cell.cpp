#include "app/results/library_cell.h"

#include <QPainter>
#include <QPainterPath>

#include <filesystem>

#include "app/theme/theme.h"

namespace {

const char* const kOfflineTooltip =
    "Reconnect the drive or restore the folder to this path, then run Full Scan. To index a new "
    "location, use Add Sample Folder.";

QPushButton* makeButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral(
            "QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 6px; "
            "padding: 3px 10px; font-size: 12px; } QPushButton:disabled { color: %4; }")
            .arg(SVTheme::grey(0.88).name(), SVTheme::grey(0.12).name(), SVTheme::grey(0.24).name(),
                 SVTheme::grey(0.4).name()));
    return button;
}

}  // namespace

SVLibraryDetails libraryDetails(const sv::Library& library, bool offline) {
    const QString path = QString::fromStdString(library.path);
    if (offline)
        return {QStringLiteral("Offline • %1 cached samples • %2")
                    .arg(static_cast<qulonglong>(library.sampleCount))
                    .arg(path),
                true};
    return {QStringLiteral("%1  •  %2 samples")
                .arg(path)
                .arg(static_cast<qulonglong>(library.sampleCount)),
            false};
}

QString libraryDisplayName(const sv::Library& library) {
    if (!library.label.empty())
        return QString::fromStdString(library.label);
    return QString::fromStdString(std::filesystem::path(library.path).filename().string());
}

SVLibraryCell::SVLibraryCell(QWidget* parent)
    : QWidget(parent),
      _name(new QLabel(this)),
      _details(new QLabel(this)),
      _rescan(makeButton(QStringLiteral("Full Scan"), this)),
      _remove(makeButton(QStringLiteral("Remove"), this)) {
    _name->setToolTip(QStringLiteral("Double-click to edit this library label"));
    _name->setStyleSheet(QStringLiteral("color: %1; font-size: 14px; font-weight: 600;")
                             .arg(SVTheme::grey(0.94).name()));
    connect(_rescan, &QPushButton::clicked, this, [this] { emit rescanRequested(_row); });
    connect(_remove, &QPushButton::clicked, this, [this] { emit removeRequested(_row); });
}

void SVLibraryCell::setLibrary(const sv::Library& library, int row, bool offline, bool scanning) {
    _libraryId = library.id;
    _row = row;
    _rescan->setProperty("tag", row);
    _remove->setProperty("tag", row);
    const QString name = libraryDisplayName(library);
    _name->setText(name);
    // The buttons are where the keyboard reaches a row: they say which library they act on,
    // and how its label is edited from there.
    _rescan->setAccessibleName(QStringLiteral("Full Scan %1").arg(name));
    _remove->setAccessibleName(QStringLiteral("Remove %1").arg(name));
    for (QPushButton* button : {_rescan, _remove})
        button->setAccessibleDescription(QStringLiteral("Press F2 to edit this library label"));
    _name->setProperty("tag", static_cast<qlonglong>(library.id));
    const SVLibraryDetails details = libraryDetails(library, offline);
    _details->setText(details.text);
    const QColor color = details.offline ? QColor(255, 149, 0) : SVTheme::grey(0.6);
    _details->setStyleSheet(QStringLiteral("color: %1; font-size: 12px;").arg(color.name()));
    _details->setToolTip(details.offline ? QString::fromLatin1(kOfflineTooltip) : QString());
    _rescan->setEnabled(!scanning || details.offline);
}

void SVLibraryCell::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    const int buttonsWidth = 96 + 8 + 84;
    const int textWidth = std::max(w - buttonsWidth - 48, 80);
    _name->setGeometry(20, 14, textWidth, 22);
    _details->setGeometry(20, 40, textWidth, 20);
    _rescan->setGeometry(w - 20 - 84 - 8 - 96, height() / 2 - 14, 96, 28);
    _remove->setGeometry(w - 20 - 84, height() / 2 - 14, 84, 28);
}

void SVLibraryCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(2, 3, -2, -3), 10, 10);
    painter.fillPath(shape, SVTheme::grey(1.0, 0.035));
}
