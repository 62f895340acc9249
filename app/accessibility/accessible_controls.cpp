#include "app/accessibility/accessible_controls.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>

#include <algorithm>

#include "app/results/waveform_view.h"

namespace SVAccessibility {

namespace {

constexpr const char* kToggleClicksProperty = "svAccessibleToggleClicks";
constexpr const char* kEditsAsTypingProperty = "svAccessibleEditsAsTyping";

QString nameOf(const QWidget* widget, const QString& fallback) {
    const QString name = widget->accessibleName();
    return name.isEmpty() ? fallback : name;
}

// A check box or checkable button whose press and toggle actions click it.
class ClickingButton : public QAccessibleWidget {
  public:
    explicit ClickingButton(QAbstractButton* button)
        : QAccessibleWidget(button, qobject_cast<QCheckBox*>(button) ? QAccessible::CheckBox
                                                                     : QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return nameOf(widget(), button()->text().remove(QLatin1Char('&')));
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        return state;
    }

    QStringList actionNames() const override {
        return {QAccessibleActionInterface::toggleAction(),
                QAccessibleActionInterface::pressAction()};
    }

    void doAction(const QString& action) override {
        if (!widget()->isEnabled())
            return;
        if (action == QAccessibleActionInterface::toggleAction() ||
            action == QAccessibleActionInterface::pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// A waveform is a slider over the sample's seconds: setting its value seeks as a click there does.
class WaveformSlider : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit WaveformSlider(SVWaveformView* view) : QAccessibleWidget(view, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return nameOf(widget(), QStringLiteral("Waveform"));
        if (t == QAccessible::Value)
            return QString::number(currentValue().toDouble(), 'f', 1);
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = !view()->canSeek();
        return state;
    }

    QVariant currentValue() const override {
        return std::clamp(view()->progress(), 0.0, 1.0) * view()->duration();
    }
    void setCurrentValue(const QVariant& value) override { view()->seekToValue(value.toDouble()); }
    QVariant maximumValue() const override { return view()->duration(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return view()->duration() / 100.0; }

  private:
    SVWaveformView* view() const { return static_cast<SVWaveformView*>(widget()); }
};

// A line edit whose text, changed through the interface, changes as typed text does.
class TypedLineEdit : public QAccessibleWidget,
                      public QAccessibleTextInterface,
                      public QAccessibleEditableTextInterface {
  public:
    explicit TypedLineEdit(QLineEdit* field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return nameOf(widget(), field()->placeholderText());
        if (t == QAccessible::Value)
            return field()->text();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        field()->selectAll();
        field()->insert(text);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !field()->isReadOnly();
        state.readOnly = field()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    // Reading, as a screen reader walks the text.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !field()->hasSelectedText())
            return;
        *startOffset = field()->selectionStart();
        *endOffset = *startOffset + field()->selectionLength();
    }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            field()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            field()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override {
        return field()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(field()->text().size()); }
    QRect characterRect(int offset) const override {
        const QFontMetrics metrics(field()->font());
        const QString text = field()->text();
        const int x = field()->contentsRect().x() + field()->textMargins().left() +
                      metrics.horizontalAdvance(text.left(offset));
        const QRect local(x, 0, metrics.horizontalAdvance(text.mid(offset, 1)), field()->height());
        return QRect(field()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int) override { field()->setCursorPosition(startIndex); }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

    // Editing, with the commands typing uses.
    void deleteText(int startOffset, int endOffset) override {
        if (endOffset <= startOffset)
            return;
        field()->setSelection(startOffset, endOffset - startOffset);
        field()->del();
    }
    void insertText(int offset, const QString& text) override {
        field()->setCursorPosition(offset);
        field()->insert(text);
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        field()->setSelection(startOffset, endOffset - startOffset);
        field()->insert(text);
    }

  private:
    QLineEdit* field() const { return static_cast<QLineEdit*>(widget()); }
};

// Qt may have asked for the widget's interface while it was being built (it does when a screen
// reader listens) and kept its own default: that one goes, so the next question reaches the
// factory.
template <typename Wanted>
void forgetDefaultInterface(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    if (iface && !dynamic_cast<Wanted*>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

QAccessibleInterface* makeInterface(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (auto* view = qobject_cast<SVWaveformView*>(object))
        return new WaveformSlider(view);
    if (object->property(kEditsAsTypingProperty).toBool()) {
        if (auto* field = qobject_cast<QLineEdit*>(object))
            return new TypedLineEdit(field);
    }
    if (object->property(kToggleClicksProperty).toBool()) {
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            return new ClickingButton(button);
    }
    return nullptr;
}

}  // namespace

void installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    (void)installed;
}

void setToggleClicks(QAbstractButton* button) {
    installFactory();
    button->setProperty(kToggleClicksProperty, true);
    forgetDefaultInterface<ClickingButton>(button);
}

void setEditsAsTyping(QLineEdit* field) {
    installFactory();
    field->setProperty(kEditsAsTypingProperty, true);
    forgetDefaultInterface<TypedLineEdit>(field);
}

}  // namespace SVAccessibility
