#include "app/menus/library_label_editor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

#include <exception>

#include "app/results/library_cell.h"
#include "app/results/results_browser.h"
#include "app/results/results_table.h"
#include "app/shortcuts/keyboard_shortcuts.h"
#include "app/theme/theme.h"
#include "core/catalogue/database.h"

SVLibraryLabelEditor::SVLibraryLabelEditor(sv::Database& db, SVResultsBrowser& browser,
                                           QObject* parent)
    : QObject(parent), _db(db), _browser(browser) {
    connect(_browser.table(), &SVResultsTable::rowDoubleClicked, this, [this](int row) {
        if (_browser.scope().libraryMode)
            editLibraryLabel(row);
    });
}

bool SVLibraryLabelEditor::editLibraryLabel(int row) {
    SVLibraryCell* cell = _browser.libraryCellForRow(row);
    if (!cell || _field)
        return false;
    _cell = cell;
    _libraryId = cell->libraryId();
    _ending = false;
    QLabel* name = cell->nameLabel();
    auto* field = new QLineEdit(cell);
    field->setObjectName(QLatin1String(kFieldName));
    field->setAccessibleName(QStringLiteral("Library label"));
    field->setProperty(SVKeyboardShortcuts::kOwnsEscapeProperty, true);
    field->setText(name->text());
    field->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid "
                                        "%3; border-radius: 4px; font-size: 14px; "
                                        "font-weight: 600; padding: 0 4px; }")
                             .arg(SVTheme::selectedColor(SVTheme::kChipBackground).name(),
                                  SVTheme::grey(0.94).name(), SVTheme::grey(0.35).name()));
    field->setGeometry(name->geometry().adjusted(-4, -2, 4, 2));
    name->hide();
    field->show();
    field->installEventFilter(this);
    _field = field;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return true;
}

void SVLibraryLabelEditor::attachRenameKey(QWidget* window) {
    auto* rename = new QShortcut(QKeySequence(Qt::Key_F2), window);
    rename->setContext(Qt::WindowShortcut);
    connect(rename, &QShortcut::activated, this, &SVLibraryLabelEditor::editFocusedLibraryLabel);
}

bool SVLibraryLabelEditor::editFocusedLibraryLabel() {
    if (!_browser.scope().libraryMode)
        return false;
    const int focused = focusedLibraryRow();
    return editLibraryLabel(focused >= 0 ? focused : _browser.table()->selectedRow());
}

int SVLibraryLabelEditor::focusedLibraryRow() const {
    const QWidget* focus = QApplication::focusWidget();
    int found = -1;
    _browser.table()->forEachCell([&](int row, const QWidget* cell) {
        if (focus && (focus == cell || cell->isAncestorOf(focus)))
            found = row;
    });
    return found;
}

bool SVLibraryLabelEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == _field) {
        // Escape and Return belong to the field while it is edited, not to window shortcuts.
        if (event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
                event->accept();
                return true;
            }
        }
        if (event->type() == QEvent::KeyPress) {
            // Consumed here: a line edit lets Return travel on to its parents, where it would
            // press whichever row button takes the focus once the field is gone.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
                endEditing(key != Qt::Key_Escape);
                _browser.table()->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        if (event->type() == QEvent::FocusOut)
            endEditing(true);
    }
    return QObject::eventFilter(watched, event);
}

void SVLibraryLabelEditor::endEditing(bool store) {
    if (_ending || !_field)
        return;
    _ending = true;
    QString error;
    if (store) {
        const QString label = _field->text().trimmed();
        try {
            _db.setLibraryDisplayLabel(_libraryId, label.toStdString());
        } catch (const std::exception& failure) {
            error = QString::fromUtf8(failure.what());
        }
    }
    QLineEdit* field = _field;
    _field = nullptr;
    field->removeEventFilter(this);
    field->hide();
    field->deleteLater();
    if (_cell)
        _cell->nameLabel()->show();
    QTimer::singleShot(0, this, [this, error] { emit labelEditingEnded(error); });
}
