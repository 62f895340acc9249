#include "app/filters/filter_suggestions.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include "app/theme/theme.h"

namespace {

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

// The "checkmark" beside the current value, drawn in the accent colour.
QIcon checkmarkIcon() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("object-select-symbolic"));
    if (!themed.isNull())
        return themed;
    QPixmap image(32, 32);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(SVTheme::selectedColor(SVTheme::kSecondAccent), 2.0, Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF{QPointF(3.5, 8.5), QPointF(6.5, 11.5), QPointF(12.5, 4.5)});
    return QIcon(image);
}

}  // namespace

SVFilterSuggestions::SVFilterSuggestions(const QStringList& choices, const QString& title,
                                         const QString& selected, QWidget* parent)
    : QFrame(parent, Qt::Popup),
      _choices(choices),
      _visibleChoices(choices),
      _selectedValue(selected),
      _searchField(new QLineEdit(this)),
      _table(new QListWidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("filterSuggestions"));
    const QString heading = QStringLiteral("%1 suggestions").arg(title);
    setWindowTitle(heading);
    setAccessibleName(heading);
    setFixedSize(kWidth, kHeight);
    const SVTheme::Palette palette = SVTheme::selectedPalette();
    setStyleSheet(
        QStringLiteral(
            "#filterSuggestions { background: %1; border: 1px solid %2; }"
            "QLineEdit { background: %3; color: %4; border: 1px solid %2; border-radius: 7px; "
            "padding: 5px 8px; font-size: 13px; }"
            "QLineEdit:focus { border-color: %5; }"
            "QListWidget { background: transparent; border: none; color: %4; font-size: 13px; "
            "outline: none; }"
            "QListWidget::item { padding-left: 4px; border-radius: 6px; }"
            "QListWidget::item:hover { background: %6; }"
            "QListWidget::item:selected { background: %7; color: %8; }")
            .arg(css(palette[SVTheme::kPlayerBackground]), css(SVTheme::grey(0.23)),
                 css(palette[SVTheme::kChipBackground]), css(SVTheme::grey(0.9)),
                 css(palette[SVTheme::kAccent]),
                 css(SVTheme::blendedTowardsWhite(palette[SVTheme::kChipBackground], 0.11)),
                 css(palette[SVTheme::kSelectedChipBackground]),
                 css(palette[SVTheme::kSelectedChipText])));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    _searchField->setPlaceholderText(QStringLiteral("Search %1…").arg(title.toLower()));
    _searchField->setAccessibleName(_searchField->placeholderText());
    _searchField->setClearButtonEnabled(true);
    _table->setAccessibleName(heading);
    _table->setUniformItemSizes(true);
    _table->setIconSize(QSize(16, 16));
    _table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _table->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(_searchField);
    layout->addWidget(_table, 1);

    connect(_searchField, &QLineEdit::textChanged, this,
            &SVFilterSuggestions::controlTextDidChange);
    connect(_table, &QListWidget::clicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    _searchField->installEventFilter(this);
    _table->installEventFilter(this);
    reloadTable();
    setFocusProxy(_searchField);
}

void SVFilterSuggestions::reloadTable() {
    static const QIcon checkmark = checkmarkIcon();
    static const QIcon blank = [] {
        QPixmap empty(16, 16);
        empty.fill(Qt::transparent);
        return QIcon(empty);
    }();
    _table->clear();
    for (const QString& choice : _visibleChoices) {
        auto* item = new QListWidgetItem(choice == _selectedValue ? checkmark : blank, choice);
        item->setSizeHint(QSize(0, kRowHeight));
        if (choice == _selectedValue)
            item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("Current value"));
        _table->addItem(item);
    }
    if (!_visibleChoices.isEmpty())
        _table->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void SVFilterSuggestions::controlTextDidChange(const QString& text) {
    if (text.isEmpty()) {
        _visibleChoices = _choices;
    } else {
        _visibleChoices.clear();
        for (const QString& choice : _choices) {
            if (choice.contains(text, Qt::CaseInsensitive))
                _visibleChoices << choice;
        }
    }
    reloadTable();
}

void SVFilterSuggestions::chooseSuggestion(int row) {
    if (_chosen || row < 0 || row >= _visibleChoices.size())
        return;
    _chosen = true;
    const QString value = _visibleChoices.at(row);
    // Closed first: the handler refreshes the window, which must not find this list open.
    close();
    if (_selectionHandler)
        _selectionHandler(value);
}

void SVFilterSuggestions::choose(int row) {
    chooseSuggestion(row);
}

int SVFilterSuggestions::activeRow() const {
    const int current = _table->currentRow();
    if (current >= 0)
        return current;
    return _visibleChoices.isEmpty() ? -1 : 0;
}

bool SVFilterSuggestions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose(activeRow());
            return true;
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Down:
            if (watched == _searchField && !_visibleChoices.isEmpty()) {
                _table->setFocus(Qt::TabFocusReason);
                _table->setCurrentRow(std::max(_table->currentRow(), 0));
                return true;
            }
            break;
        case Qt::Key_Up:
            if (watched == _table && _table->currentRow() <= 0) {
                _searchField->setFocus(Qt::TabFocusReason);
                return true;
            }
            break;
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
}

void SVFilterSuggestions::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

void SVFilterSuggestions::showAttachedTo(QWidget* anchor) {
    QPoint origin = anchor->mapToGlobal(QPoint(0, anchor->height() + 4));
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), available.left(),
                               std::max(available.left(), available.right() - kWidth + 1)));
        if (origin.y() + kHeight > available.bottom() + 1)
            origin.setY(
                std::max(available.top(), anchor->mapToGlobal(QPoint(0, 0)).y() - kHeight - 4));
    }
    move(origin);
    show();
    activateWindow();
    _searchField->setFocus(Qt::PopupFocusReason);
}
