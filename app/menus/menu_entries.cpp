#include "app/menus/menu_entries.h"

#include <QMetaObject>
#include <QPointer>

namespace SVMenuEntries {

namespace {

QString escaped(QString title) {
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

QAction* add(QMenu* menu, const QString& title, QObject* context, std::function<void()> work,
             const QVariant& value) {
    QAction* action = menu->addAction(escaped(title));
    action->setData(value);
    QObject::connect(action, &QAction::triggered, context,
                     [context = QPointer<QObject>(context), work = std::move(work)] {
                         if (!context)
                             return;
                         QMetaObject::invokeMethod(context.data(), work, Qt::QueuedConnection);
                     });
    return action;
}

QAction* addTicked(QMenu* menu, const QString& title, bool ticked, QObject* context,
                   std::function<void()> work, const QVariant& value) {
    QAction* action = add(menu, title, context, std::move(work), value);
    action->setCheckable(true);
    action->setChecked(ticked);
    return action;
}

QMenu* addSubmenu(QMenu* menu, const QString& title) {
    QMenu* submenu = menu->addMenu(escaped(title));
    submenu->setAccessibleName(title);
    return submenu;
}

QString visibleTitle(const QAction* action) {
    return QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

}  // namespace SVMenuEntries
