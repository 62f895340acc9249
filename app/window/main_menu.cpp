#include "app/window/main_menu.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

namespace {

QLineEdit* focusedLineEdit() {
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

// Edit commands act on the text field that has the keyboard focus.
template <typename Command>
void addEditItem(QMenu* menu, const QString& title, const QKeySequence& keys, Command command) {
    QAction* action = menu->addAction(title);
    if (!keys.isEmpty())
        action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, menu, [command] {
        if (QLineEdit* field = focusedLineEdit())
            command(field);
    });
}

}  // namespace

SVMainMenu::SVMainMenu(QMainWindow* window) : QObject(window), _window(window) {
    installApplicationMenu();
}

QMenuBar* SVMainMenu::menuBar() const {
    return _window->menuBar();
}

void SVMainMenu::installApplicationMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Sample Vorlan"));
    menu->setObjectName(QStringLiteral("applicationMenu"));
    QAction* about = menu->addAction(QStringLiteral("About Sample Vorlan"));
    connect(about, &QAction::triggered, _window, [this] {
        QMessageBox::about(_window, QStringLiteral("About Sample Vorlan"),
                           QStringLiteral("Sample Vorlan %1\nOrvane Producer")
                               .arg(QApplication::applicationVersion()));
    });
    menu->addSeparator();
    _settings = menu->addAction(QStringLiteral("Settings…"));
    _settings->setObjectName(QStringLiteral("settings"));
    _settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(_settings, &QAction::triggered, this, &SVMainMenu::showFeaturedSettings);
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit Sample Vorlan"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &SVMainMenu::quitRequested);
}

bool SVMainMenu::hasMenu(const QString& title) const {
    for (QAction* action : menuBar()->actions()) {
        if (action->text().remove(QLatin1Char('&')) == title)
            return true;
    }
    return false;
}

void SVMainMenu::installFindMenu() {
    if (hasMenu(QStringLiteral("Edit")))
        return;
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    addEditItem(edit, QStringLiteral("Undo"), QKeySequence::Undo, [](QLineEdit* f) { f->undo(); });
    addEditItem(edit, QStringLiteral("Redo"), QKeySequence::Redo, [](QLineEdit* f) { f->redo(); });
    edit->addSeparator();
    addEditItem(edit, QStringLiteral("Cut"), QKeySequence::Cut, [](QLineEdit* f) { f->cut(); });
    addEditItem(edit, QStringLiteral("Copy"), QKeySequence::Copy, [](QLineEdit* f) { f->copy(); });
    addEditItem(edit, QStringLiteral("Paste"), QKeySequence::Paste,
                [](QLineEdit* f) { f->paste(); });
    addEditItem(edit, QStringLiteral("Select All"), QKeySequence::SelectAll,
                [](QLineEdit* f) { f->selectAll(); });
    edit->addSeparator();
    QAction* find = edit->addAction(QStringLiteral("Find Samples"));
    find->setObjectName(QStringLiteral("findSamples"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::ApplicationShortcut);
    connect(find, &QAction::triggered, this, &SVMainMenu::focusSearch);
}

void SVMainMenu::installShortcutMenu() {
    if (_shortcutMenuInstalled)
        return;
    _shortcutMenuInstalled = true;
    if (hasMenu(QStringLiteral("Help")))
        return;
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* customize = help->addAction(QStringLiteral("Customize Shortcuts…"));
    customize->setObjectName(QStringLiteral("customizeShortcuts"));
    connect(customize, &QAction::triggered, this, &SVMainMenu::customizeShortcuts);
    QAction* tour = help->addAction(QStringLiteral("Quick Tour"));
    tour->setObjectName(QStringLiteral("quickTour"));
    connect(tour, &QAction::triggered, this, &SVMainMenu::startQuickTour);
}

void SVMainMenu::installSearchFieldMenu(QLineEdit* field) {
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        field, &QWidget::customContextMenuRequested, field, [field](const QPoint& position) {
            QMenu menu(field);
            QAction* cut = menu.addAction(QStringLiteral("Cut"), field, &QLineEdit::cut);
            QAction* copy = menu.addAction(QStringLiteral("Copy"), field, &QLineEdit::copy);
            menu.addAction(QStringLiteral("Paste"), field, &QLineEdit::paste);
            menu.addSeparator();
            menu.addAction(QStringLiteral("Select All"), field, &QLineEdit::selectAll);
            cut->setEnabled(field->hasSelectedText());
            copy->setEnabled(field->hasSelectedText());
            menu.exec(field->mapToGlobal(position));
        });
}
