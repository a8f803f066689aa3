#include "platform/qt/menu_view.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace hk {

QString MenuCaption(const std::string& caption) {
    QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

void FillMenu(QMenu& menu, Menu& model, const std::vector<MenuItem>& items, PlatformEvents* sink) {
    menu.clear();
    for (const MenuItem& item : items) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        const QString name = QString::fromStdString(item.name);
        if (!item.items.empty()) {
            QMenu* submenu = menu.addMenu(MenuCaption(item.caption));
            submenu->menuAction()->setData(name);
            submenu->menuAction()->setEnabled(item.enabled);
            FillMenu(*submenu, model, item.items, sink);
            QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu, &model, sink, name]() {
                const std::string key = name.toStdString();
                if (sink)
                    sink->OnMenuPopup(key);
                // Look the item up again: the handler may have replaced the whole tree.
                if (const MenuItem* fresh = FindMenuItem(model.items, key))
                    FillMenu(*submenu, model, fresh->items, sink);
                else
                    submenu->clear();
            });
            continue;
        }
        QAction* action = menu.addAction(MenuCaption(item.caption));
        action->setData(name);
        action->setEnabled(item.enabled);
        // Only a checked item shows a mark; an unchecked one looks like any other item.
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
    }
}

std::string RunPopupMenu(Menu& model, PlatformEvents* sink, QPoint global_pos, QWidget* parent) {
    if (sink)
        sink->OnMenuPopup(model.name);
    QMenu menu(parent);
    FillMenu(menu, model, model.items, sink);
    QPointer<QAction> chosen = menu.exec(global_pos);
    if (!chosen || chosen->menu())
        return {};
    const std::string name = chosen->data().toString().toStdString();
    if (name.empty())
        return {};
    // The command runs after the menu has closed, so a dialog it opens is not stacked on it.
    if (sink)
        sink->OnMenuCommand(name);
    return name;
}

} // namespace hk
