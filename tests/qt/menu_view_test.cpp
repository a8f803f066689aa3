// Pop-up menus built from the engine's model: literal captions, marks, disabled and separator
// items, submenus that ask the engine to refresh before they appear, and the command delivered
// only after the menu has closed.
#include "platform/qt/menu_view.h"
#include "recording_sink.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace hk::test {
namespace {

MenuItem Item(std::string name, std::string caption) {
    MenuItem item;
    item.name = std::move(name);
    item.caption = std::move(caption);
    return item;
}

MenuItem Separator() {
    MenuItem item;
    item.separator = true;
    return item;
}

Menu SampleMenu() {
    Menu menu;
    menu.name = "ContextMenu";
    MenuItem skip = Item("ItemSkip", "ﾒｯｾｰｼﾞｽｷｯﾌﾟ");
    skip.checked = true;
    MenuItem save = Item("ItemSave", "セーブ");
    save.items = {Item("ItemSave1", "- セーブされていません -"), Item("ItemSave2", "R&D")};
    MenuItem quit = Item("ItemQuit", "ゲーム終了");
    quit.enabled = false;
    menu.items = {skip, Separator(), save, quit};
    return menu;
}

std::vector<QAction*> Actions(QMenu& menu) {
    auto list = menu.actions();
    return std::vector<QAction*>(list.begin(), list.end());
}

TEST(MenuView, CaptionsAreLiteralWithAmpersandsDoubled) {
    EXPECT_EQ(MenuCaption("R&D"), QStringLiteral("R&&D"));
    EXPECT_EQ(MenuCaption("&&"), QStringLiteral("&&&&"));
    EXPECT_EQ(MenuCaption("2004/03/07 21:05　テスト"), QStringLiteral("2004/03/07 21:05　テスト"));
}

TEST(MenuView, BuildsItemsMarksSeparatorsAndSubmenusFromTheModel) {
    Menu model = SampleMenu();
    QMenu menu;
    FillMenu(menu, model, model.items, nullptr);
    const auto actions = Actions(menu);
    ASSERT_EQ(actions.size(), 4u);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("ﾒｯｾｰｼﾞｽｷｯﾌﾟ"));
    EXPECT_EQ(actions[0]->data().toString(), QStringLiteral("ItemSkip"));
    EXPECT_TRUE(actions[0]->isCheckable());
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_TRUE(actions[1]->isSeparator());
    ASSERT_NE(actions[2]->menu(), nullptr);
    EXPECT_EQ(actions[2]->data().toString(), QStringLiteral("ItemSave"));
    const auto sub = Actions(*actions[2]->menu());
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(sub[1]->text(), QStringLiteral("R&&D"));
    // An unchecked item carries no mark at all, not an empty box.
    EXPECT_FALSE(sub[0]->isCheckable());
    EXPECT_FALSE(actions[3]->isEnabled());
    EXPECT_TRUE(actions[0]->isEnabled());
}

TEST(MenuView, SubmenuAsksTheEngineAndShowsTheRebuiltModel) {
    Menu model = SampleMenu();
    RecordingSink sink;
    sink.on_popup = [&model](std::string_view name) {
        if (name != "ItemSave")
            return;
        // The engine rebuilds the whole tree, as a caption refresh may.
        Menu fresh = SampleMenu();
        FindMenuItem(fresh.items, "ItemSave1")->caption = "2004/03/07 21:05　テスト";
        FindMenuItem(fresh.items, "ItemSave1")->checked = true;
        model = fresh;
    };
    QMenu menu;
    FillMenu(menu, model, model.items, &sink);
    QMenu* submenu = Actions(menu)[2]->menu();
    emit submenu->aboutToShow();
    ASSERT_EQ(sink.calls, (std::vector<std::string>{"popup ItemSave"}));
    const auto sub = Actions(*submenu);
    ASSERT_EQ(sub.size(), 2u);
    EXPECT_EQ(sub[0]->text(), QStringLiteral("2004/03/07 21:05　テスト"));
    EXPECT_TRUE(sub[0]->isChecked());
}

// Chooses the item `name` in the pop-up that is open once the event loop runs again; with an
// empty name, closes it with Escape.
void ChooseInOpenMenu(const QString& name) {
    QTimer::singleShot(0, [name]() {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        if (name.isEmpty()) {
            QTest::keyClick(popup, Qt::Key_Escape);
            return;
        }
        for (QAction* action : popup->actions())
            if (action->data().toString() == name)
                popup->setActiveAction(action);
        QTest::keyClick(popup, Qt::Key_Return);
    });
}

TEST(MenuView, RunAnnouncesTheMenuThenDeliversTheChoiceAfterClosing) {
    Menu model = SampleMenu();
    RecordingSink sink;
    sink.on_popup = [](std::string_view) {
        // Nothing is open yet when the engine hears the menu is about to appear.
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    };
    ChooseInOpenMenu(QStringLiteral("ItemSkip"));
    EXPECT_EQ(RunPopupMenu(model, &sink, QPoint(100, 100), nullptr), "ItemSkip");
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"popup ContextMenu", "command ItemSkip"}));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(MenuView, ClosingWithoutAChoiceSendsNoCommand) {
    Menu model = SampleMenu();
    RecordingSink sink;
    ChooseInOpenMenu(QString());
    EXPECT_EQ(RunPopupMenu(model, &sink, QPoint(100, 100), nullptr), "");
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"popup ContextMenu"}));
}

} // namespace
} // namespace hk::test
