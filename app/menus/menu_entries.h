#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

// Building menu entries: the title shown as it is (an "&" in a playlist name is no shortcut
// marker), the value the entry carries, its tick, and its work run once the menu has closed.
namespace SVMenuEntries {

// `work` runs on `context`'s thread after the current event, so a menu that closes (and may
// be deleted) never runs an alert or a refresh from inside its own event handling.
QAction* add(QMenu* menu, const QString& title, QObject* context, std::function<void()> work,
             const QVariant& value = {});
QAction* addTicked(QMenu* menu, const QString& title, bool ticked, QObject* context,
                   std::function<void()> work, const QVariant& value = {});
QMenu* addSubmenu(QMenu* menu, const QString& title);
// The visible title of an entry, as a screen reader names it.
QString visibleTitle(const QAction* action);

}  // namespace SVMenuEntries
