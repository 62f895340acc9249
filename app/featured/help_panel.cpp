#include "app/featured/help_panel.h"

#include <QEvent>
#include <QGridLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/shortcuts/shortcut_bindings.h"
#include "app/theme/theme.h"

namespace {

constexpr const char* kGuide =
    "QUICK GUIDE\n\nClick a row to preview\nDrag samples into your DAW\nRight-click folders and "
    "playlists for options\n\nKEYBOARD\n\n";

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

QLabel* makeFigure(const QString& description, QWidget* parent) {
    auto* figure = new QLabel(QStringLiteral("--"), parent);
    figure->setAccessibleDescription(description);
    figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    figure->setStyleSheet(QStringLiteral("color: %1; font-size: 12px; font-weight: 600;")
                              .arg(css(SVTheme::grey(0.88))));
    return figure;
}

QLabel* makeCaption(const QString& text, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    caption->setStyleSheet(
        QStringLiteral("color: %1; font-size: 11px;").arg(css(SVTheme::grey(0.55))));
    return caption;
}

}  // namespace

SVHelpPanel::SVHelpPanel(QWidget* parent)
    : QWidget(parent),
      _helpText(new QLabel(this)),
      _figures(new QWidget(this)),
      _cpu(makeFigure(QStringLiteral("CPU usage"), _figures)),
      _memory(makeFigure(QStringLiteral("Memory use"), _figures)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    _helpText->setObjectName(QStringLiteral("helpText"));
    _helpText->setWordWrap(true);
    _helpText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The guide is read, not operated: selectable and reachable with Tab, its text its own.
    _helpText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    _helpText->setFocusPolicy(Qt::TabFocus);
    _helpText->setAccessibleDescription(QStringLiteral("Quick guide and keyboard shortcuts"));
    _helpText->setStyleSheet(QStringLiteral("color: %1; font-size: 12px; line-height: 140%;")
                                 .arg(css(SVTheme::grey(0.72))));
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(_helpText);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll guide"));
    layout->addWidget(scroll, 1);

    _figures->setObjectName(QStringLiteral("resourceFigures"));
    auto* figures = new QGridLayout(_figures);
    figures->setContentsMargins(0, 8, 0, 0);
    figures->setHorizontalSpacing(10);
    figures->setVerticalSpacing(4);
    figures->addWidget(makeCaption(QStringLiteral("CPU"), _figures), 0, 0);
    figures->addWidget(_cpu, 0, 1);
    figures->addWidget(makeCaption(QStringLiteral("Memory"), _figures), 1, 0);
    figures->addWidget(_memory, 1, 1);
    figures->setColumnStretch(1, 1);
    layout->addWidget(_figures);
    _figures->installEventFilter(this);

    refreshHelpText();
}

QString SVHelpPanel::helpText() {
    QString text = QString::fromUtf8(kGuide);
    const QStringList& actions = SVShortcuts::shortcutActions();
    const QStringList& labels = SVShortcuts::shortcutLabels();
    for (qsizetype i = 0; i < actions.size() && i < labels.size(); ++i) {
        const QString display =
            SVShortcuts::displayForBinding(SVShortcuts::bindingForAction(actions[i]));
        text += QStringLiteral("%1   %2\n").arg(display, labels[i]);
    }
    return text;
}

void SVHelpPanel::refreshHelpText() {
    const QString text = helpText();
    if (_helpText->text() != text)
        _helpText->setText(text);
}

bool SVHelpPanel::figuresShown() const {
    return _figures->isVisible();
}

void SVHelpPanel::setFigures(const QString& cpu, const QString& memory) {
    _cpu->setText(cpu.isEmpty() ? QStringLiteral("--") : cpu);
    _memory->setText(memory.isEmpty() ? QStringLiteral("--") : memory);
}

bool SVHelpPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _figures && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        emit figuresShownChanged(event->type() == QEvent::Show);
    return QWidget::eventFilter(watched, event);
}

void SVHelpPanel::showEvent(QShowEvent* event) {
    // Bindings may have been changed while the guide was out of sight.
    refreshHelpText();
    QWidget::showEvent(event);
}
